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

BYTES bytes(std::initializer_list<int> values)
{
    BYTES out;
    for (int v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

} // namespace

TEST(TraitNames, FullNameAndKindNames)
{
    DCL_TRAIT_NAME name(1, "rdb_object_property", "width");
    EXPECT_EQ(name.get_category(), 1);
    EXPECT_EQ(name.get_group_str(), "rdb_object_property");
    EXPECT_EQ(name.get_basename_str(), "width");
    EXPECT_EQ(name.get_full_name_str(), "1:rdb_object_property:width");
    const char* expected[] = {"BOOL", "INT", "LONG", "FLOAT", "DOUBLE", "STRING", "BYTE_ARRAY"};
    for (int i = 0; i < TYPE_COUNT; ++i) {
        TYPE_ENUM type = static_cast<TYPE_ENUM>(i);
        EXPECT_STREQ(type_name(type), expected[i]);
        EXPECT_EQ(type_from_name(expected[i]), type);
    }
    EXPECT_EQ(type_from_name("bool"), std::nullopt);
    EXPECT_EQ(type_from_name(""), std::nullopt);
    EXPECT_EQ(type_from_name("STRINGS"), std::nullopt);
}

TEST(TraitDefinitions, FoundOrCreatedPerOwnerAndName)
{
    TRAIT_TABLE table;
    EXPECT_FALSE(table.find_definition_impl(A, trait("x")).has_value());
    auto [x, made] = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("x"));
    EXPECT_TRUE(made);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->name(), trait("x"));
    EXPECT_EQ(x->type(), TYPE_ENUM::INT);
    EXPECT_EQ(x->owner(), A);
    auto again = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("x"));
    EXPECT_EQ(again.first, x);
    EXPECT_FALSE(again.second);
    EXPECT_EQ(table.find_definition_impl(A, trait("x")), std::optional<DEFINITION_HANDLE>(x));
    // Same name, another owner or another category: another definition.
    auto other_owner = table.find_or_create_definition_impl(B, TYPE_ENUM::STRING, trait("x"));
    EXPECT_TRUE(other_owner.second);
    EXPECT_NE(other_owner.first, x);
    EXPECT_FALSE(table.find_definition_impl(A, DCL_TRAIT_NAME(2, "grp", "x")).has_value());
    auto y = table.find_or_create_definition_impl(A, TYPE_ENUM::BOOL, trait("y")).first;
    EXPECT_EQ(table.all_definitions_impl(A), (std::vector<DEFINITION_HANDLE>{x, y}));
    EXPECT_EQ(table.all_definitions_impl(B), (std::vector<DEFINITION_HANDLE>{other_owner.first}));
}

TEST(TraitDefinitions, KindMismatchIsAnInternalError)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE x = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("x")).first;
    EXPECT_INTERNAL_ERROR(table.find_or_create_definition_impl(A, TYPE_ENUM::LONG, trait("x")),
                          "Trait 1:grp:x is already defined with another kind");
    EXPECT_INTERNAL_ERROR(table.set_value_impl(x, 1, std::string("text")),
                          "Value kind does not match the kind of trait 1:grp:x");
    EXPECT_INTERNAL_ERROR(table.set_value_impl(x, 1, std::int64_t{5}),
                          "Value kind does not match the kind of trait 1:grp:x");
    ATTRIBUTES double_default;
    double_default.default_value.emplace(1.5);
    EXPECT_INTERNAL_ERROR(table.find_or_create_definition_impl(A, TYPE_ENUM::BOOL, trait("z"), double_default),
                          "Default value of trait 1:grp:z has another kind");
    EXPECT_INTERNAL_ERROR(table.get_value_impl(nullptr, 1), "definition != nullptr");
    // The failed calls changed nothing, and the table is still usable (no lock left held).
    EXPECT_EQ(table.get_value_impl(x, 1), nullptr);
    EXPECT_FALSE(table.find_definition_impl(A, trait("z")).has_value());
    table.set_value_impl(x, 1, std::int32_t{7});
    EXPECT_EQ(std::get<std::int32_t>(*table.get_value_impl(x, 1)), 7);
}

TEST(TraitValues, SetGetPerKeyWithDefaultsAndAllKinds)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE name = table.find_or_create_definition_impl(A, TYPE_ENUM::STRING, trait("name")).first;
    ATTRIBUTES default_80;
    default_80.default_value.emplace(std::int32_t{80});
    DEFINITION_HANDLE width = table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("width"), default_80).first;
    EXPECT_EQ(table.default_value_impl(name), nullptr);
    ASSERT_NE(table.default_value_impl(width), nullptr);
    EXPECT_EQ(std::get<std::int32_t>(*table.default_value_impl(width)), 80);
    EXPECT_EQ(table.get_value_impl(width, 1), nullptr);

    table.set_value_impl(name, 1, std::string("one"));
    table.set_value_impl(name, 2, std::string("two"));
    table.set_value_impl(width, 2, std::int32_t{-3});
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(name, 1)), "one");
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(name, 2)), "two");
    EXPECT_EQ(table.get_value_impl(width, 1), nullptr);
    EXPECT_EQ(std::get<std::int32_t>(*table.get_value_impl(width, 2)), -3);
    table.set_value_impl(name, 1, std::string("uno"));
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(name, 1)), "uno");
    EXPECT_EQ(table.count_values(1), 1u);
    EXPECT_EQ(table.count_values(2), 2u);

    const VALUE samples[] = {VALUE(true),        VALUE(std::int32_t{-1}), VALUE(std::int64_t{1} << 40),
                             VALUE(2.5f),        VALUE(-0.125),           VALUE(std::string("s")),
                             VALUE(bytes({0, 255, 7}))};
    for (int i = 0; i < TYPE_COUNT; ++i) {
        DEFINITION_HANDLE d =
            table.find_or_create_definition_impl(B, static_cast<TYPE_ENUM>(i), trait(type_name(static_cast<TYPE_ENUM>(i))))
                .first;
        table.set_value_impl(d, 9, samples[i]);
        ASSERT_NE(table.get_value_impl(d, 9), nullptr);
        EXPECT_EQ(*table.get_value_impl(d, 9), samples[i]);
    }
}

TEST(TraitValues, ResetBulkResetAndCopy)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE s = table.find_or_create_definition_impl(A, TYPE_ENUM::STRING, trait("s")).first;
    DEFINITION_HANDLE n = table.find_or_create_definition_impl(B, TYPE_ENUM::LONG, trait("n")).first;
    for (KEY key = 1; key <= 5; ++key) {
        table.set_value_impl(s, key, "v" + std::to_string(key));
        table.set_value_impl(n, key, static_cast<std::int64_t>(key * 10));
    }
    table.reset_values_impl(3);
    EXPECT_EQ(table.count_values(3), 0u);
    EXPECT_EQ(table.count_values(2), 2u);
    const KEY gone[] = {1, 4, 77};
    table.bulk_reset_values_impl(gone);
    EXPECT_EQ(table.count_values(1), 0u);
    EXPECT_EQ(table.count_values(4), 0u);
    EXPECT_EQ(table.count_values(2), 2u);
    EXPECT_EQ(table.count_values(5), 2u);
    table.bulk_reset_values_impl({});

    // Copy replaces the target's values under the copied definitions and keeps the source.
    DEFINITION_HANDLE only_target = table.find_or_create_definition_impl(A, TYPE_ENUM::BOOL, trait("t")).first;
    table.set_value_impl(s, 8, std::string("old"));
    table.set_value_impl(only_target, 8, true);
    table.copy_values_impl(2, 8);
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(s, 8)), "v2");
    EXPECT_EQ(std::get<std::int64_t>(*table.get_value_impl(n, 8)), 20);
    EXPECT_TRUE(std::get<bool>(*table.get_value_impl(only_target, 8)));
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(s, 2)), "v2");
    table.copy_values_impl(2, 2);
    EXPECT_EQ(table.count_values(2), 2u);
    // The copy is independent of its source.
    table.set_value_impl(s, 2, std::string("changed"));
    EXPECT_EQ(std::get<std::string>(*table.get_value_impl(s, 8)), "v2");
}

TEST(TraitValues, ValueRangeIsOrderedByKey)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE d = table.find_or_create_definition_impl(A, TYPE_ENUM::DOUBLE, trait("d")).first;
    EXPECT_TRUE(table.value_range_impl(d).empty());
    for (KEY key : {50u, 3u, 900u, 7u}) table.set_value_impl(d, key, static_cast<double>(key) / 2);
    auto range = table.value_range_impl(d);
    ASSERT_EQ(range.size(), 4u);
    std::vector<KEY> keys;
    for (const auto& [key, value] : range) {
        keys.push_back(key);
        EXPECT_EQ(std::get<double>(*value), static_cast<double>(key) / 2);
    }
    EXPECT_EQ(keys, (std::vector<KEY>{3, 7, 50, 900}));
}

TEST(TraitValues, ViewsStayValidWhileOtherValuesChange)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE s = table.find_or_create_definition_impl(A, TYPE_ENUM::STRING, trait("s")).first;
    DEFINITION_HANDLE b = table.find_or_create_definition_impl(A, TYPE_ENUM::BYTE_ARRAY, trait("b")).first;
    table.set_value_impl(s, 1, std::string(100, 'k'));
    table.set_value_impl(b, 1, bytes({1, 2, 3}));
    const VALUE* text = table.get_value_impl(s, 1);
    std::string_view view = std::get<std::string>(*text);
    std::span<const std::byte> span(std::get<BYTES>(*table.get_value_impl(b, 1)));
    // Many other keys force the per-definition maps to grow.
    for (KEY key = 2; key < 5000; ++key) {
        table.set_value_impl(s, key, std::to_string(key));
        table.set_value_impl(b, key, bytes({static_cast<int>(key % 256)}));
    }
    table.reset_values_impl(2);
    table.copy_values_impl(3, 4);
    table.find_or_create_definition_impl(A, TYPE_ENUM::INT, trait("later"));
    EXPECT_EQ(table.get_value_impl(s, 1), text);
    EXPECT_EQ(view, std::string(100, 'k'));
    ASSERT_EQ(span.size(), 3u);
    EXPECT_EQ(span[2], std::byte{3});
}

TEST(TraitValues, ThreadsOnDifferentKeysDoNotInterfere)
{
    TRAIT_TABLE table;
    DEFINITION_HANDLE d = table.find_or_create_definition_impl(A, TYPE_ENUM::LONG, trait("counter")).first;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&table, d, t] {
            for (int i = 0; i < 500; ++i) {
                KEY key = static_cast<KEY>(t * 1000 + i);
                table.set_value_impl(d, key, std::int64_t{i});
                const VALUE* v = table.get_value_impl(d, key);
                if (v == nullptr || std::get<std::int64_t>(*v) != i) ADD_FAILURE() << "lost value " << key;
                if (i % 2) table.reset_values_impl(key);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(table.value_range_impl(d).size(), 4u * 250u);
}

namespace {

struct ENABLED_THING : BASIC_ENABLE<ENABLED_THING> {
    void mark() { mark_dtrait_values(); }
    bool take() { return take_dtrait_values_flag(); }
};

} // namespace

TEST(TraitGlobal, SingletonEnableRecordsAndObjectKeys)
{
    EXPECT_EQ(&GLOBAL_TRAIT_TABLE_ACCESSOR::get(), &GLOBAL_TRAIT_TABLE_ACCESSOR::get());
    EXPECT_FALSE(DETAIL::is_dtrait_enabled(typeid(ENABLED_THING)));
    DETAIL::check_permissions_for_enabling_dtrait(typeid(ENABLED_THING));
    DETAIL::check_permissions_for_enabling_dtrait(typeid(ENABLED_THING));
    EXPECT_TRUE(DETAIL::is_dtrait_enabled(typeid(ENABLED_THING)));
    EXPECT_FALSE(DETAIL::is_dtrait_enabled(typeid(OWNER_A)));

    ENABLED_THING one;
    ENABLED_THING two;
    EXPECT_NE(one.get_dtrait_key(), two.get_dtrait_key());
    EXPECT_FALSE(one.has_dtrait_values());
    one.mark();
    EXPECT_TRUE(one.has_dtrait_values());
    ENABLED_THING copy(one);
    EXPECT_FALSE(copy.has_dtrait_values());
    EXPECT_TRUE(one.take());
    EXPECT_FALSE(one.take());
    EXPECT_FALSE(one.has_dtrait_values());
}
