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
    explicit TEST_OBJECT(const std::string& name) : RDB_OBJECT(name) {}
    TEST_OBJECT(const TEST_OBJECT&) = default;
    TEST_OBJECT& operator=(const TEST_OBJECT&) = default;
    using RDB_OBJECT::output_ascii_table_header;
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

TEST(RdbObject, CheckedAndExpandedLiveInTheFooterSuffix)
{
    TEST_OBJECT object("o");
    object.set_footer("Note");
    object.set_checked(1, false);
    object.set_checked(9, true);
    EXPECT_EQ(object.get_footer(), "Note"); // the earlier suffix was replaced, not stacked
    EXPECT_EQ(object.is_checked(), 9);
    EXPECT_TRUE(object.is_expanded());

    // Only one digit is read: wider values are stored but read as 0.
    object.set_checked(12, false);
    EXPECT_EQ(object.is_checked(), 0);
    EXPECT_FALSE(object.is_expanded());

    object.set_footer("a_CHECKED_b");
    EXPECT_EQ(object.get_footer(), "a");
    EXPECT_EQ(object.is_checked(), 0);
    object.set_footer("x_EXPANDED_10");
    EXPECT_FALSE(object.is_expanded());
}

TEST(RdbObject, WritableSettersStopOnReadOnlyObject)
{
    TEST_OBJECT object("o");
    object.set_help_id("help");
    object._chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_INTERNAL_ERROR(object.set_help_id("other"), "is_writable()");
    EXPECT_INTERNAL_ERROR(object.set_timing_corner("fast"), "is_writable()");
    EXPECT_EQ(object.get_help_id(), "help");
}

TEST(RdbObject, JsonAndPlainTextTableHeader)
{
    TEST_OBJECT object("Abc");
    object.set_header("H");
    object.set_footer("F");
    object.set_checked(1, true); // kept out of the footer the JSON shows

    nlohmann::json json = nlohmann::json::object();
    object.fill_json_object(&json);
    EXPECT_EQ(json, (nlohmann::json{{"name", "Abc"}, {"header", "H"}, {"footer", "F"}}));
    EXPECT_INTERNAL_ERROR(object.fill_json_object(nullptr), "object != NULL");

    // A negative width draws an empty rule and, like "%-*s", pads the title to its magnitude.
    std::ostringstream narrow;
    object.output_ascii_table_header(narrow, -4);
    EXPECT_EQ(narrow.str(), "++\n; Abc    ;\n");
    EMBEDDED_LIKE_OBJECT embedded("Abc");
    std::ostringstream boxed;
    embedded.output_ascii_table_header(boxed, 5);
    EXPECT_EQ(boxed.str(), "+-----+\n; Abc ;\n+-----+\n");
}

TEST(RdbObjectTraits, EachKindRoundTripsUntilTheObjectDies)
{
    auto object = std::make_unique<TEST_OBJECT>("o");
    object->set_bool_trait("obj_test_bool", true);
    object->set_int_trait("obj_test_int", 3);
    object->set_long_trait("obj_test_long", std::int64_t(1) << 40);
    object->set_float_trait("obj_test_float", 1.5f);
    object->set_double_trait("obj_test_double", 2.25);
    object->set_string_trait("obj_test_string", "text");
    const std::array<std::byte, 3> bytes{std::byte{1}, std::byte{2}, std::byte{255}};
    object->set_byte_array_trait("obj_test_bytes", bytes);

    EXPECT_TRUE(object->get_bool_trait("obj_test_bool", false));
    EXPECT_EQ(object->get_int_trait("obj_test_int", 0), 3);
    EXPECT_EQ(object->get_long_trait("obj_test_long", 0), std::int64_t(1) << 40);
    EXPECT_EQ(object->get_float_trait("obj_test_float", 0.0f), 1.5f);
    EXPECT_EQ(object->get_double_trait("obj_test_double", 0.0), 2.25);
    EXPECT_EQ(object->get_string_trait("obj_test_string", ""), "text");
    std::span<const std::byte> view = object->get_byte_array_trait("obj_test_bytes", {});
    EXPECT_NE(view.data(), bytes.data()); // a view of the table's copy
    EXPECT_TRUE(std::equal(view.begin(), view.end(), bytes.begin(), bytes.end()));
    EXPECT_EQ(stored_values(*object), 7u);
    const DTRAIT::KEY key = object->get_dtrait_key();
    object.reset();
    EXPECT_EQ(DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().count_values(key), 0u);
}

TEST(RdbObjectTraits, FallBackToDefinitionThenCallerDefault)
{
    TEST_OBJECT holder("holder");
    TEST_OBJECT other("other");
    holder.set_int_trait("obj_fallback_int", 5);
    holder.set_bool_trait("obj_fallback_bool", true);
    EXPECT_EQ(other.get_int_trait("obj_fallback_int", 11), 11);
    // A name defined with another kind reads as absent.
    EXPECT_EQ(holder.get_string_trait("obj_fallback_bool", "s"), "s");
    const std::array<std::byte, 1> fallback{std::byte{9}};
    EXPECT_EQ(holder.get_byte_array_trait("obj_fallback_int", fallback).data(), fallback.data());

    // A definition with a default of its own answers before the caller's default.
    DTRAIT::ATTRIBUTES attributes;
    attributes.default_value.emplace(std::in_place_index<1>, 42);
    DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_or_create_definition_impl(
        typeid(RDB_OBJECT), DTRAIT::TYPE_ENUM::INT,
        DCL_TRAIT_NAME(RDB_OBJECT::TRAIT_CATEGORY, RDB_OBJECT::TRAIT_GROUP, "obj_defaulted_int"), attributes);
    EXPECT_EQ(other.get_int_trait("obj_defaulted_int", 1), 42);
    other.set_int_trait("obj_defaulted_int", 2);
    EXPECT_EQ(other.get_int_trait("obj_defaulted_int", 1), 2);

    const std::string full = DCL_TRAIT_NAME(1, "rdb_object_property", "obj_never_defined").get_full_name_str();
    const std::string undefined = "\"" + full + "\" does not map to an existing trait definition.";
    EXPECT_INTERNAL_ERROR(other.get_bool_trait("obj_never_defined", false), undefined);
    EXPECT_INTERNAL_ERROR(other.get_byte_array_trait("obj_never_defined", {}), undefined);
}

TEST(RdbObjectCopy, CopiesLeaveParentOwnershipAndTraitsBehind)
{
    RDB_FOLDER_OBJECT folder("F");
    auto* original = new TEST_OBJECT("orig");
    original->set_help_id("help");
    original->set_int_trait("obj_copy_int", 8);
    folder.add_object_to_list(original);

    TEST_OBJECT copy(*original);
    EXPECT_EQ(copy.get_help_id(), "help");
    EXPECT_EQ(copy.get_parent(), nullptr);
    EXPECT_EQ(copy.get_ownership_status(), NOT_OWNED); // so it is destroyed without complaint
    EXPECT_EQ(stored_values(copy), 0u);

    // Assignment drops the target's own traits but keeps where the target lives.
    RDB_FOLDER_OBJECT home("home");
    auto* target = new TEST_OBJECT("target");
    home.add_object_to_list(target);
    target->set_int_trait("obj_copy_int", 1);
    *target = *original;
    EXPECT_EQ(target->get_name(), "orig");
    EXPECT_EQ(target->get_help_id(), "help");
    EXPECT_EQ(stored_values(*target), 0u);
    EXPECT_EQ(target->get_parent(), &home);
    EXPECT_EQ(target->get_ownership_status(), OWNED);
    EXPECT_EQ(original->get_int_trait("obj_copy_int", -1), 8);
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
