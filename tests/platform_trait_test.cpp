#include <algorithm>
#include <string>
#include <thread>
#include <typeindex>
#include <vector>

#include "trait/dtrait.h"
#include "test_support.h"

using namespace DTRAIT;

namespace {

struct OWNER_A {};
struct OWNER_B {};
const std::type_index A = typeid(OWNER_A);
const std::type_index B = typeid(OWNER_B);

DCL_TRAIT_NAME trait(const std::string& basename) { return DCL_TRAIT_NAME(1, "grp", basename); }

DEFINITION_HANDLE define(TRAIT_TABLE& table, std::type_index owner, TYPE_ENUM type, const std::string& basename)
{
    return table.find_or_create_definition_impl(owner, type, trait(basename)).first;
}

struct ENABLED_THING : BASIC_ENABLE<ENABLED_THING> {
    void mark() { mark_dtrait_values(); }
    bool take() { return take_dtrait_values_flag(); }
};

} // namespace

TEST(TraitNames, FullNameAndKindNames)
{
    EXPECT_EQ(DCL_TRAIT_NAME(1, "rdb_object_property", "width").get_full_name_str(), "1:rdb_object_property:width");
    const char* expected[] = {"BOOL", "INT", "LONG", "FLOAT", "DOUBLE", "STRING", "BYTE_ARRAY"};
    for (int i = 0; i < TYPE_COUNT; ++i) {
        EXPECT_STREQ(type_name(static_cast<TYPE_ENUM>(i)), expected[i]);
        EXPECT_EQ(type_from_name(expected[i]), static_cast<TYPE_ENUM>(i));
    }
    EXPECT_EQ(type_from_name("bool"), std::nullopt);
    EXPECT_EQ(type_from_name("STRINGS"), std::nullopt);
}

TEST(TraitDefinitions, FoundOrCreatedPerOwnerCategoryAndName)
{
    TRAIT_TABLE table;
    EXPECT_FALSE(table.find_definition_impl(A, trait("x")).has_value());
    auto [x, made] = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("x"));
    EXPECT_TRUE(made);
    EXPECT_EQ(table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("x")), std::make_pair(x, false));
    EXPECT_EQ(table.find_definition_impl(A, trait("x")), std::optional<DEFINITION_HANDLE>(x));
    // Same name, another owner or another category: another definition.
    DEFINITION_HANDLE other_owner = define(table, B, TYPE_ENUM::STRING, "x");
    EXPECT_FALSE(table.find_definition_impl(A, DCL_TRAIT_NAME(2, "grp", "x")).has_value());
    DEFINITION_HANDLE y = define(table, A, TYPE_ENUM::BOOL, "y");
    EXPECT_EQ(table.all_definitions_impl(A), (std::vector<DEFINITION_HANDLE>{x, y}));
    EXPECT_EQ(table.all_definitions_impl(B), (std::vector<DEFINITION_HANDLE>{other_owner}));
}

TEST(TraitDefinitions, KindMismatchIsAnInternalErrorThatReleasesTheLock)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE x = define(table, A, TYPE_ENUM::INT, "x");
    EXPECT_INTERNAL_ERROR(define(table, A, TYPE_ENUM::LONG, "x"), "Trait 1:grp:x is already defined with another kind");
    EXPECT_INTERNAL_ERROR(table.set_value_impl(x, 1, std::string("text")),
                          "Value kind does not match the kind of trait 1:grp:x");
    ATTRIBUTES double_default;
    double_default.default_value.emplace(1.5);
    EXPECT_INTERNAL_ERROR(table.find_or_create_definition_impl(A, TYPE_ENUM::BOOL, trait("z"), double_default),
                          "Default value of trait 1:grp:z has another kind");
    EXPECT_INTERNAL_ERROR(table.get_value_impl(nullptr, 1), "definition != nullptr");
    TRAIT_TABLE other;
    EXPECT_INTERNAL_ERROR(other.get_value_impl(x, 1), "Trait definition does not belong to this trait table");
    // The failed calls changed nothing, and the table is still usable (no lock left held).
    EXPECT_EQ(table.get_value_impl(x, 1), nullptr);
    EXPECT_FALSE(table.find_definition_impl(A, trait("z")).has_value());
    table.set_value_impl(x, 1, std::int32_t{7});
    EXPECT_EQ(std::get<std::int32_t>(*table.get_value_impl(x, 1)), 7);
}

TEST(TraitValues, EveryKindIsStoredApartFromTheDefault)
{
    TRAIT_TABLE table;
    ATTRIBUTES default_80;
    default_80.default_value.emplace(std::int32_t{80});
    DEFINITION_HANDLE width = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("width"), default_80).first;
    EXPECT_EQ(std::get<std::int32_t>(*table.default_value_impl(width)), 80);
    EXPECT_EQ(table.get_value_impl(width, 1), nullptr); // the default is not a stored value
    const VALUE samples[] = {VALUE(true),
                             VALUE(std::int32_t{-1}),
                             VALUE(std::int64_t{1} << 40),
                             VALUE(2.5f),
                             VALUE(-0.125),
                             VALUE(std::string("s")),
                             VALUE(BYTES{std::byte{0}, std::byte{255}})};
    for (int i = 0; i < TYPE_COUNT; ++i) {
        DEFINITION_HANDLE d = define(table, B, static_cast<TYPE_ENUM>(i), "kind" + std::to_string(i));
        EXPECT_EQ(table.default_value_impl(d), nullptr);
        table.set_value_impl(d, 9, samples[i]);
        ASSERT_NE(table.get_value_impl(d, 9), nullptr);
        EXPECT_EQ(*table.get_value_impl(d, 9), samples[i]);
    }
}

TEST(TraitValues, ResetAndCopyTouchOnlyTheirKeysAndKeepOtherViewsValid)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE s = define(table, A, TYPE_ENUM::STRING, "s");
    DEFINITION_HANDLE b = define(table, B, TYPE_ENUM::BYTE_ARRAY, "b");
    table.set_value_impl(s, 1, std::string(100, 'k'));
    table.set_value_impl(b, 1, BYTES{std::byte{1}, std::byte{2}, std::byte{3}});
    const VALUE* text = table.get_value_impl(s, 1);
    std::string_view view = std::get<std::string>(*text);
    std::span<const std::byte> span(std::get<BYTES>(*table.get_value_impl(b, 1)));
    // Many other keys, added from the highest down, force the per-definition maps to grow.
    for (KEY key = 4999; key >= 2; --key) {
        table.set_value_impl(s, key, std::to_string(key));
        table.set_value_impl(b, key, BYTES{std::byte{7}});
    }
    table.reset_values_impl(3);
    const KEY gone[] = {4, 5, 77777};
    table.bulk_reset_values_impl(gone);
    for (KEY key : {3, 4, 5})
        EXPECT_EQ(table.count_values(key), 0u) << key;
    EXPECT_EQ(table.count_values(6), 2u);
    // Copy replaces the target's values under the copied definitions only; the copy is independent.
    DEFINITION_HANDLE only_target = define(table, A, TYPE_ENUM::BOOL, "t");
    table.set_value_impl(s, 9000, std::string("old"));
    table.set_value_impl(only_target, 9000, true);
    table.copy_values_impl(2, 9000);
    table.copy_values_impl(2, 2);
    EXPECT_EQ(table.count_values(2), 2u); // copying a key onto itself keeps its values
    table.set_value_impl(s, 2, std::string("changed"));
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(s, 9000)), "2");
    EXPECT_EQ(std::get<BYTES>(*table.get_value_impl(b, 9000)), BYTES{std::byte{7}});
    EXPECT_TRUE(std::get<bool>(*table.get_value_impl(only_target, 9000)));
    // The range is ordered by key.
    auto range = table.value_range_impl(b);
    EXPECT_EQ(range.size(), 4997u);
    EXPECT_TRUE(std::is_sorted(range.begin(), range.end()));
    EXPECT_EQ(table.get_value_impl(s, 1), text);
    EXPECT_EQ(view, std::string(100, 'k'));
    ASSERT_EQ(span.size(), 3u);
    EXPECT_EQ(span[2], std::byte{3});
}

TEST(TraitValues, ThreadsOnDifferentKeysDoNotInterfere)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE d = define(table, A, TYPE_ENUM::LONG, "counter");
    auto work = [&table, d](int t) {
        for (int i = 0; i < 500; ++i) {
            KEY key = static_cast<KEY>(t * 1000 + i);
            table.set_value_impl(d, key, std::int64_t{i});
            const VALUE* v = table.get_value_impl(d, key);
            if (v == nullptr || std::get<std::int64_t>(*v) != i) ADD_FAILURE() << "lost value " << key;
            if (i % 2) table.reset_values_impl(key);
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(work, t);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(table.value_range_impl(d).size(), 4u * 250u);
}

TEST(TraitEnable, CopiesCarryNoValuesAndTheFlagIsTakenOnce)
{
    ENABLED_THING one;
    EXPECT_FALSE(one.has_dtrait_values());
    one.mark();
    EXPECT_TRUE(one.has_dtrait_values());
    ENABLED_THING copy(one);
    EXPECT_FALSE(copy.has_dtrait_values());
    EXPECT_TRUE(one.take());
    EXPECT_FALSE(one.take());
    EXPECT_FALSE(one.has_dtrait_values());
}
