#include <array>
#include <cstddef>
#include <memory>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_object.h"
#include "test_support.h"

namespace {

class TEST_OBJECT : public RDB_OBJECT {
public:
    TEST_OBJECT() = default;
    explicit TEST_OBJECT(const std::string& name) : RDB_OBJECT(name) {}
    TEST_OBJECT(const TEST_OBJECT&) = default;
    TEST_OBJECT& operator=(const TEST_OBJECT&) = default;
    using RDB_OBJECT::output_ascii_table_header;
    using RDB_OBJECT::output_table_top_line;
};

class EMBEDDED_LIKE_OBJECT : public TEST_OBJECT {
public:
    using TEST_OBJECT::TEST_OBJECT;
    RDB_OBJECT_TYPE get_type() const override { return RDB_EMBEDDED_TYPE; }
};

size_t stored_values(const RDB_OBJECT& object)
{
    return DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().count_values(object.get_dtrait_key());
}

} // namespace

TEST(RdbObject, DefaultsOfANewObject)
{
    TEST_OBJECT object;
    EXPECT_EQ(object.get_name(), "");
    EXPECT_EQ(object.get_header(), "");
    EXPECT_EQ(object.get_footer(), "");
    EXPECT_EQ(object.get_help_id(), "");
    EXPECT_EQ(object.get_tcl_command(), "");
    EXPECT_EQ(object.get_timing_corner(), "");
    EXPECT_TRUE(object.is_enable());
    EXPECT_TRUE(object.is_visible());
    EXPECT_TRUE(object.get_to_output_ascii_header());
    EXPECT_TRUE(object.get_to_output_ascii_footer());
    EXPECT_TRUE(object.is_ascii_writable());
    EXPECT_EQ(object.get_not_ascii_writable_msg(), "");
    EXPECT_EQ(object.get_color(), RDB_COLOR_DEFAULT);
    EXPECT_TRUE(object.is_writable());
    EXPECT_EQ(object.get_ownership_status(), NOT_OWNED);
    EXPECT_EQ(object.get_parent(), nullptr);
    EXPECT_FALSE(object.has_dtrait_values());
    EXPECT_EQ(object.get_type(), RDB_NO_OBJECT_TYPE);
    EXPECT_EQ(object.get_data_string(0, 0), "");
    EXPECT_EQ(object.dynamic_cast_to_RDB_OBJECT(), &object);
    EXPECT_EQ(object.dynamic_cast_to_RDB_FOLDER_OBJECT(), nullptr);
    EXPECT_EQ(object.pdb_this_ptr(), static_cast<const void*>(&object));
    EXPECT_TRUE(DTRAIT::DETAIL::is_dtrait_enabled(typeid(RDB_OBJECT)));

    TEST_OBJECT named("Summary");
    EXPECT_EQ(named.get_name(), "Summary");
    EXPECT_EQ(named.get_path(), "||Summary");
}

TEST(RdbObject, NotAsciiWritableKeepsTheMessage)
{
    TEST_OBJECT object("o");
    object.set_not_ascii_writable("x");
    EXPECT_FALSE(object.is_ascii_writable());
    EXPECT_EQ(object.get_not_ascii_writable_msg(), "x");
}

TEST(RdbObject, CheckedAndExpandedLiveInTheFooterSuffix)
{
    TEST_OBJECT object("o");
    object.set_footer("Note");
    object.set_checked(1, false);
    EXPECT_EQ(object.get_footer(), "Note");
    EXPECT_EQ(object.is_checked(), 1);
    EXPECT_FALSE(object.is_expanded());

    object.set_checked(0, true);
    EXPECT_EQ(object.get_footer(), "Note"); // the earlier suffix was replaced, not stacked
    EXPECT_EQ(object.is_checked(), 0);
    EXPECT_TRUE(object.is_expanded());

    object.set_checked(9, true);
    EXPECT_EQ(object.is_checked(), 9);

    // Only one digit is read: wider values are stored but read as 0.
    object.set_checked(12, true);
    EXPECT_EQ(object.is_checked(), 0);
    EXPECT_TRUE(object.is_expanded());
    object.set_checked(-1, false);
    EXPECT_EQ(object.is_checked(), 0);
    EXPECT_EQ(object.get_footer(), "Note");

    object.set_footer("Other");
    EXPECT_EQ(object.is_checked(), 0);
    EXPECT_FALSE(object.is_expanded());
    EXPECT_EQ(object.get_footer(), "Other");

    object.set_footer("a_CHECKED_b");
    EXPECT_EQ(object.get_footer(), "a");
    EXPECT_EQ(object.is_checked(), 0);
    object.set_footer("x_EXPANDED_1");
    EXPECT_TRUE(object.is_expanded());
    EXPECT_EQ(object.is_checked(), 0);
    object.set_footer("x_EXPANDED_10");
    EXPECT_FALSE(object.is_expanded());
}

TEST(RdbObject, WritableSettersStopOnReadOnlyObject)
{
    TEST_OBJECT object("o");
    object.set_help_id("help");
    object.set_timing_corner("slow");
    object._chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_FALSE(object.is_writable());
    EXPECT_EQ(object.get_permission(), RDB_OBJECT::READ_ONLY);
    EXPECT_INTERNAL_ERROR(object.set_help_id("other"), "is_writable()");
    EXPECT_INTERNAL_ERROR(object.set_timing_corner("fast"), "is_writable()");
    EXPECT_EQ(object.get_help_id(), "help");
    EXPECT_EQ(object.get_timing_corner(), "slow");
    object.set_name("renamed"); // not a writable-only setter
    EXPECT_EQ(object.get_name(), "renamed");
}

TEST(RdbObject, PlainTextHtmlAndJsonForms)
{
    TEST_OBJECT object("Messages");
    object.set_header("H");
    object.set_footer("F");
    object.set_checked(1, true);

    std::ostringstream ascii;
    object.output_ascii(ascii);
    EXPECT_EQ(ascii.str(), "Messages\n");

    std::ostringstream html;
    object.output_html(html);
    EXPECT_EQ(html.str(), "");

    nlohmann::json json = nlohmann::json::object();
    object.fill_json_object(&json);
    EXPECT_EQ(json, (nlohmann::json{{"name", "Messages"}, {"header", "H"}, {"footer", "F"}}));
    EXPECT_INTERNAL_ERROR(object.fill_json_object(nullptr), "object != NULL");
}

TEST(RdbObject, AsciiTableHeaderBoxesTheName)
{
    TEST_OBJECT object("Abc");
    std::ostringstream line;
    object.output_table_top_line(line, 3);
    EXPECT_EQ(line.str(), "+---+\n");

    std::ostringstream header;
    object.output_ascii_table_header(header, 8);
    EXPECT_EQ(header.str(), "+--------+\n; Abc    ;\n");

    EMBEDDED_LIKE_OBJECT embedded("Abc");
    std::ostringstream boxed;
    embedded.output_ascii_table_header(boxed, 5);
    EXPECT_EQ(boxed.str(), "+-----+\n; Abc ;\n+-----+\n");
}

TEST(RdbObjectTraits, EachKindRoundTrips)
{
    TEST_OBJECT object("o");
    object.set_bool_trait("obj_test_bool", true);
    object.set_int_trait("obj_test_int", -7);
    object.set_long_trait("obj_test_long", std::int64_t(1) << 40);
    object.set_float_trait("obj_test_float", 1.5f);
    object.set_double_trait("obj_test_double", 2.25);
    object.set_string_trait("obj_test_string", "text");
    const std::array<std::byte, 3> bytes{std::byte{1}, std::byte{2}, std::byte{255}};
    object.set_byte_array_trait("obj_test_bytes", bytes);

    EXPECT_TRUE(object.has_dtrait_values());
    EXPECT_EQ(object.get_bool_trait("obj_test_bool", false), true);
    EXPECT_EQ(object.get_int_trait("obj_test_int", 0), -7);
    EXPECT_EQ(object.get_long_trait("obj_test_long", 0), std::int64_t(1) << 40);
    EXPECT_EQ(object.get_float_trait("obj_test_float", 0.0f), 1.5f);
    EXPECT_EQ(object.get_double_trait("obj_test_double", 0.0), 2.25);
    EXPECT_EQ(object.get_string_trait("obj_test_string", ""), "text");
    std::span<const std::byte> view = object.get_byte_array_trait("obj_test_bytes", {});
    ASSERT_EQ(view.size(), 3u);
    EXPECT_NE(view.data(), bytes.data()); // a view of the table's copy
    EXPECT_TRUE(std::equal(view.begin(), view.end(), bytes.begin()));
    EXPECT_EQ(stored_values(object), 7u);

    object.set_int_trait("obj_test_int", 3);
    EXPECT_EQ(object.get_int_trait("obj_test_int", 0), 3);
}

TEST(RdbObjectTraits, FallBackToDefinitionThenCallerDefault)
{
    TEST_OBJECT holder("holder");
    TEST_OBJECT other("other");
    holder.set_int_trait("obj_fallback_int", 5);
    holder.set_string_trait("obj_fallback_string", "held");
    const std::array<std::byte, 1> fallback{std::byte{9}};
    holder.set_byte_array_trait("obj_fallback_bytes", fallback);

    EXPECT_EQ(other.get_int_trait("obj_fallback_int", 11), 11);
    EXPECT_EQ(other.get_string_trait("obj_fallback_string", "none"), "none");
    std::span<const std::byte> view = other.get_byte_array_trait("obj_fallback_bytes", fallback);
    EXPECT_EQ(view.data(), fallback.data());

    // A definition with a default of its own answers before the caller's default.
    DTRAIT::ATTRIBUTES attributes;
    attributes.default_value.emplace(std::in_place_index<1>, 42);
    DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_or_create_definition_impl(
        typeid(RDB_OBJECT), DTRAIT::TYPE_ENUM::INT,
        DCL_TRAIT_NAME(RDB_OBJECT::TRAIT_CATEGORY, RDB_OBJECT::TRAIT_GROUP, "obj_defaulted_int"), attributes);
    EXPECT_EQ(other.get_int_trait("obj_defaulted_int", 1), 42);
    other.set_int_trait("obj_defaulted_int", 2);
    EXPECT_EQ(other.get_int_trait("obj_defaulted_int", 1), 2);

    // A name defined with another kind reads as absent.
    holder.set_bool_trait("obj_fallback_bool", true);
    EXPECT_EQ(holder.get_int_trait("obj_fallback_bool", 17), 17);
    EXPECT_EQ(holder.get_string_trait("obj_fallback_int", "s"), "s");
}

TEST(RdbObjectTraits, UndefinedNameIsAnInternalError)
{
    TEST_OBJECT object("o");
    const std::string full = DCL_TRAIT_NAME(1, "rdb_object_property", "obj_never_defined").get_full_name_str();
    EXPECT_INTERNAL_ERROR(object.get_bool_trait("obj_never_defined", false),
                          "\"" + full + "\" does not map to an existing trait definition.");
    EXPECT_INTERNAL_ERROR(object.get_byte_array_trait("obj_never_defined", {}),
                          "\"" + full + "\" does not map to an existing trait definition.");
}

TEST(RdbObjectTraits, ResetAndDestructionRemoveValues)
{
    TEST_OBJECT object("o");
    object.set_int_trait("obj_reset_int", 1);
    object.set_string_trait("obj_reset_string", "s");
    EXPECT_EQ(stored_values(object), 2u);
    object.reset_traits();
    EXPECT_FALSE(object.has_dtrait_values());
    EXPECT_EQ(stored_values(object), 0u);
    EXPECT_EQ(object.get_int_trait("obj_reset_int", -1), -1);

    auto doomed = std::make_unique<TEST_OBJECT>("doomed");
    doomed->set_int_trait("obj_reset_int", 4);
    DTRAIT::KEY key = doomed->get_dtrait_key();
    EXPECT_EQ(DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().count_values(key), 1u);
    doomed.reset();
    EXPECT_EQ(DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().count_values(key), 0u);
}

TEST(RdbObjectCopy, CopyIsUnownedWithoutParentOrTraits)
{
    RDB_FOLDER_OBJECT folder("F");
    auto* original = new TEST_OBJECT("orig");
    original->set_header("H");
    original->set_footer("F");
    original->set_help_id("help");
    original->set_tcl_command("cmd");
    original->set_timing_corner("slow");
    original->set_color(static_cast<RDB_COLOR_NAME>(3));
    original->set_enable(false);
    original->set_visible(false);
    original->set_to_output_ascii_header(false);
    original->set_not_ascii_writable("none");
    original->set_int_trait("obj_copy_int", 8);
    folder.add_object_to_list(original);

    TEST_OBJECT copy(*original);
    EXPECT_EQ(copy.get_ownership_status(), NOT_OWNED);
    EXPECT_EQ(copy.get_parent(), nullptr);
    EXPECT_FALSE(copy.has_dtrait_values());
    EXPECT_EQ(stored_values(copy), 0u);
    EXPECT_EQ(copy.get_int_trait("obj_copy_int", -1), -1);
    EXPECT_EQ(copy.get_name(), "orig");
    EXPECT_EQ(copy.get_header(), "H");
    EXPECT_EQ(copy.get_footer(), "F");
    EXPECT_EQ(copy.get_help_id(), "help");
    EXPECT_EQ(copy.get_tcl_command(), "cmd");
    EXPECT_EQ(copy.get_timing_corner(), "slow");
    EXPECT_EQ(copy.get_color(), static_cast<RDB_COLOR_NAME>(3));
    EXPECT_FALSE(copy.is_enable());
    EXPECT_FALSE(copy.is_visible());
    EXPECT_FALSE(copy.get_to_output_ascii_header());
    EXPECT_FALSE(copy.is_ascii_writable());
    EXPECT_EQ(copy.get_not_ascii_writable_msg(), "none");
    EXPECT_EQ(original->get_int_trait("obj_copy_int", -1), 8);
    EXPECT_EQ(folder.size(), 1u);
    // The copy leaves scope here; being unowned it is destroyed without complaint.
}

TEST(RdbObjectCopy, AssignmentDropsTraitsAndKeepsPlace)
{
    RDB_FOLDER_OBJECT home("home");
    RDB_FOLDER_OBJECT elsewhere("elsewhere");
    auto* target = new TEST_OBJECT("target");
    auto* source = new TEST_OBJECT("source");
    home.add_object_to_list(target);
    elsewhere.add_object_to_list(source);
    target->set_int_trait("obj_assign_int", 1);
    source->set_int_trait("obj_assign_int", 2);
    source->set_header("from source");

    *target = *source;
    EXPECT_FALSE(target->has_dtrait_values());
    EXPECT_EQ(stored_values(*target), 0u);
    EXPECT_EQ(target->get_int_trait("obj_assign_int", -1), -1);
    EXPECT_EQ(target->get_name(), "source");
    EXPECT_EQ(target->get_header(), "from source");
    EXPECT_EQ(target->get_parent(), &home);
    EXPECT_EQ(target->get_ownership_status(), OWNED);
    EXPECT_TRUE(home.contains(target));
    EXPECT_EQ(source->get_int_trait("obj_assign_int", -1), 2);

    TEST_OBJECT loose("loose");
    loose = *source;
    EXPECT_EQ(loose.get_parent(), nullptr);
    EXPECT_EQ(loose.get_ownership_status(), NOT_OWNED);
}

TEST(RdbObjectDeathTest, DestroyingAnOwnedObjectStops)
{
    EXPECT_DEATH(
        {
            msg_set_internal_error_handler(nullptr);
            auto* folder = new RDB_FOLDER_OBJECT("F");
            RDB_OBJECT* child = new TEST_OBJECT("child");
            folder->add_object_to_list(child);
            delete child;
        },
        "get_ownership_status\\(\\) == RDB_OWNERSHIP::NOT_OWNED");
}
