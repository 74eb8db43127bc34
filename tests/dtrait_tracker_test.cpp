// The trait registry's serialisation tracker: values of every kind through a text archive and back,
// the checks of an archive's header and definitions, and malformed archives.

#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "test_support.h"
#include "trait/dtrait_tracker.h"

namespace {

struct TRACKER_TEST_OWNER {};
struct TRACKER_TEST_OTHER_OWNER {};

DTRAIT::TRAIT_TABLE& table() { return DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get(); }

DTRAIT::DEFINITION_HANDLE define(std::type_index owner, const std::string& name, DTRAIT::TYPE_ENUM type,
                                 const DTRAIT::ATTRIBUTES& attributes = DTRAIT::ATTRIBUTES())
{
    return table()
        .find_or_create_definition_impl(owner, type, DCL_TRAIT_NAME(1, "tracker_test", name), attributes)
        .first;
}

// Values read back, by object: record number, or "number/name#occurrence" for children.
struct LOADED {
    std::map<std::string, DTRAIT::TRACKED_VALUES> objects;

    void load(DTRAIT::LOAD_TRACKER& tracker, const std::string& text)
    {
        std::map<std::pair<int, std::string>, int> occurrences;
        tracker.load(
            text,
            [this](int number, DTRAIT::TRACKED_VALUES values) { objects[std::to_string(number)] = std::move(values); },
            [&](int number, const std::string& name, DTRAIT::TRACKED_VALUES values) {
                const int k = occurrences[{number, name}]++;
                objects[std::to_string(number) + "/" + name + "#" + std::to_string(k)] = std::move(values);
            });
    }

    const DTRAIT::VALUE* value(const std::string& object, const std::string& trait) const
    {
        auto found = objects.find(object);
        if (found == objects.end()) return nullptr;
        for (const DTRAIT::TRACKED_VALUE& entry : found->second)
            if (entry.name.get_basename_str() == trait) return &entry.value;
        return nullptr;
    }
};

std::string save(std::type_index owner, const std::unordered_map<DTRAIT::KEY, int>& numbering,
                 const std::vector<std::pair<DTRAIT::KEY, DTRAIT::SAVE_TRACKER::CHILDREN>>& records)
{
    DTRAIT::SAVE_TRACKER tracker(owner, numbering);
    for (const auto& [key, children] : records)
        tracker.add_record(key, children);
    std::ostringstream out;
    EXPECT_TRUE(tracker.finalise(out));
    return out.str();
}

DTRAIT::ATTRIBUTES int_default(std::int32_t value)
{
    DTRAIT::ATTRIBUTES attributes;
    attributes.default_value.emplace(std::in_place_index<1>, value);
    return attributes;
}

} // namespace

TEST(DtraitTracker, ValuesOfEveryKindReadBackExactly)
{
    const std::type_index owner = typeid(TRACKER_TEST_OWNER);
    const DTRAIT::KEY folder = 0x1000, first = 0x2000, second = 0x3000, unsaved = 0x4000;
    table().reset_values_impl(folder);
    table().reset_values_impl(first);
    table().reset_values_impl(second);
    const DTRAIT::BYTES bytes = {std::byte{0}, std::byte{'%'}, std::byte{' '}, std::byte{0xFF}, std::byte{'\n'}};
    table().set_value_impl(define(owner, "flag", DTRAIT::TYPE_ENUM::BOOL), folder, DTRAIT::VALUE(true));
    table().set_value_impl(define(owner, "count", DTRAIT::TYPE_ENUM::INT), folder, DTRAIT::VALUE(std::int32_t{-42}));
    table().set_value_impl(define(owner, "big", DTRAIT::TYPE_ENUM::LONG), first,
                           DTRAIT::VALUE(std::numeric_limits<std::int64_t>::min()));
    table().set_value_impl(define(owner, "nan", DTRAIT::TYPE_ENUM::FLOAT), first,
                           DTRAIT::VALUE(std::numeric_limits<float>::quiet_NaN()));
    table().set_value_impl(define(owner, "tiny", DTRAIT::TYPE_ENUM::DOUBLE), second,
                           DTRAIT::VALUE(std::numeric_limits<double>::denorm_min()));
    table().set_value_impl(define(owner, "text", DTRAIT::TYPE_ENUM::STRING), second,
                           DTRAIT::VALUE(std::string("50% of \"it\"\n\x01 end ")));
    table().set_value_impl(define(owner, "blob", DTRAIT::TYPE_ENUM::BYTE_ARRAY), second, DTRAIT::VALUE(bytes));
    table().set_value_impl(define(owner, "text", DTRAIT::TYPE_ENUM::STRING), unsaved, DTRAIT::VALUE(std::string("x")));

    const std::string archive = save(owner, {{folder, 5}}, {{folder, {{"same name", first}, {"same name", second}}}});
    // Printable ASCII only, so that the archive survives any XML escaping.
    for (char c : archive)
        EXPECT_TRUE((c >= ' ' && c <= '~') || c == '\n') << int(c);
    EXPECT_NE(archive.find("BOOL"), std::string::npos);
    EXPECT_NE(archive.find("BYTE_ARRAY"), std::string::npos);

    DTRAIT::LOAD_TRACKER tracker(owner);
    LOADED loaded;
    loaded.load(tracker, archive);
    tracker.finalise();
    ASSERT_EQ(loaded.objects.size(), 3u);
    EXPECT_EQ(std::get<bool>(*loaded.value("5", "flag")), true);
    EXPECT_EQ(std::get<std::int32_t>(*loaded.value("5", "count")), -42);
    EXPECT_EQ(std::get<std::int64_t>(*loaded.value("5/same name#0", "big")), std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(std::isnan(std::get<float>(*loaded.value("5/same name#0", "nan"))));
    EXPECT_EQ(loaded.value("5/same name#0", "text"), nullptr);
    EXPECT_EQ(std::get<double>(*loaded.value("5/same name#1", "tiny")), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(std::get<std::string>(*loaded.value("5/same name#1", "text")), "50% of \"it\"\n\x01 end ");
    EXPECT_EQ(std::get<DTRAIT::BYTES>(*loaded.value("5/same name#1", "blob")), bytes);
    EXPECT_EQ(loaded.objects["5/same name#1"].front().type, DTRAIT::TYPE_ENUM::BYTE_ARRAY);
}

TEST(DtraitTracker, RecordsAreWrittenInNumberOrderAndOnlyForNumberedKeys)
{
    const std::type_index owner = typeid(TRACKER_TEST_OWNER);
    const DTRAIT::KEY a = 0x5000, b = 0x6000;
    table().set_value_impl(define(owner, "count", DTRAIT::TYPE_ENUM::INT), a, DTRAIT::VALUE(std::int32_t{1}));
    table().set_value_impl(define(owner, "count", DTRAIT::TYPE_ENUM::INT), b, DTRAIT::VALUE(std::int32_t{2}));
    std::vector<int> order;
    DTRAIT::LOAD_TRACKER tracker(owner);
    tracker.load(
        save(owner, {{a, 9}, {b, 3}}, {{a, {}}, {b, {}}}),
        [&](int number, DTRAIT::TRACKED_VALUES) { order.push_back(number); },
        [](int, const std::string&, DTRAIT::TRACKED_VALUES) {});
    EXPECT_EQ(order, (std::vector<int>{3, 9}));

    DTRAIT::SAVE_TRACKER unnumbered(owner, {{a, 1}});
    EXPECT_INTERNAL_ERROR(unnumbered.add_record(b, {}), "numbered");
}

TEST(DtraitTracker, SecondFinalisationIsAnInternalError)
{
    DTRAIT::SAVE_TRACKER saver(typeid(TRACKER_TEST_OWNER), {});
    std::ostringstream out;
    EXPECT_TRUE(saver.finalise(out));
    EXPECT_INTERNAL_ERROR(saver.finalise(out), "Tracker has already been finalised!");
    DTRAIT::LOAD_TRACKER loader(typeid(TRACKER_TEST_OWNER));
    loader.finalise();
    EXPECT_INTERNAL_ERROR(loader.finalise(), "Tracker has already been finalised!");
}

TEST(DtraitTracker, DefinitionsMustAgreeWithTheRegistry)
{
    const std::type_index writer = typeid(TRACKER_TEST_OTHER_OWNER);
    const std::type_index reader = typeid(TRACKER_TEST_OWNER);
    const DTRAIT::KEY key = 0x7000;
    // The same name as a LONG under the writer's owner, an INT under the reader's.
    define(reader, "mismatch", DTRAIT::TYPE_ENUM::INT);
    table().set_value_impl(define(writer, "mismatch", DTRAIT::TYPE_ENUM::LONG), key, DTRAIT::VALUE(std::int64_t{1}));
    const std::string archive = save(writer, {{key, 1}}, {{key, {}}});
    DTRAIT::LOAD_TRACKER tracker(reader);
    LOADED loaded;
    EXPECT_THROW(loaded.load(tracker, archive), DTRAIT::ARCHIVE_ERROR);

    // A different default value does not agree either.
    define(reader, "defaulted", DTRAIT::TYPE_ENUM::INT, int_default(3));
    table().set_value_impl(define(writer, "defaulted", DTRAIT::TYPE_ENUM::INT, int_default(4)), key + 1,
                           DTRAIT::VALUE(std::int32_t{1}));
    DTRAIT::LOAD_TRACKER second(reader);
    EXPECT_THROW(loaded.load(second, save(writer, {{key + 1, 1}}, {{key + 1, {}}})), DTRAIT::ARCHIVE_ERROR);
}

TEST(DtraitTracker, MalformedArchivesAreRefusedWithoutCrashing)
{
    const std::type_index owner = typeid(TRACKER_TEST_OWNER);
    const DTRAIT::KEY key = 0x8000;
    table().set_value_impl(define(owner, "text", DTRAIT::TYPE_ENUM::STRING), key, DTRAIT::VALUE(std::string("hello")));
    const std::string good = save(owner, {{key, 1}}, {{key, {{"child", key}}}});

    // Every truncation fails cleanly (the full archive ends in a line break that is not needed).
    for (std::size_t length = 0; length + 1 < good.size(); ++length) {
        DTRAIT::LOAD_TRACKER tracker(owner);
        LOADED loaded;
        EXPECT_THROW(loaded.load(tracker, good.substr(0, length)), DTRAIT::ARCHIVE_ERROR) << length;
    }

    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string header = "serialization::archive ";
    const std::size_t version_at = good.find(' ', good.find(header) + header.size()) + 1;
    std::string later = good;
    later.replace(version_at, 1, "9");
    const std::string broken[] = {
        later,                                      // a later tracker version
        replaced("4 BOOL", "4 BOOX"),               // value-type names differ
        replaced("5 hello", "999999999999 hello"),  // text longer than the archive
        replaced("5 hello", "5 he%zz"),             // malformed escape
        replaced("1 1 0 5 hello", "1 1 7 5 hello"), // unknown definition index
        "not an archive at all",
    };
    for (const std::string& text : broken) {
        DTRAIT::LOAD_TRACKER tracker(owner);
        LOADED loaded;
        EXPECT_THROW(loaded.load(tracker, text), DTRAIT::ARCHIVE_ERROR) << text;
    }
}

TEST(DtraitTracker, TextEncodingRoundTrips)
{
    const std::string all = [] {
        std::string text;
        for (int c = 0; c < 256; ++c)
            text += static_cast<char>(c);
        return text;
    }();
    const std::string encoded = DTRAIT::tracker_encode_text(all);
    EXPECT_EQ(encoded.find(' '), std::string::npos);
    EXPECT_EQ(DTRAIT::tracker_decode_text(encoded), all);
    EXPECT_EQ(DTRAIT::tracker_encode_text("a b%"), "a%20b%25");
    EXPECT_EQ(DTRAIT::tracker_decode_text("%4"), std::nullopt);
    EXPECT_EQ(DTRAIT::tracker_decode_text("%G0"), std::nullopt);
}
