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
const std::type_index OWNER = typeid(TRACKER_TEST_OWNER);

DTRAIT::TRAIT_TABLE& table() { return DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get(); }

// Sets a value of the trait defined with this name and type (and default) under the owner.
void set(DTRAIT::KEY key, const std::string& name, DTRAIT::TYPE_ENUM type, DTRAIT::VALUE value,
         std::type_index owner = OWNER, const DTRAIT::ATTRIBUTES& attributes = DTRAIT::ATTRIBUTES())
{
    auto definition =
        table().find_or_create_definition_impl(owner, type, DCL_TRAIT_NAME(1, "tracker_test", name), attributes).first;
    table().set_value_impl(definition, key, std::move(value));
}

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

// Values read back, keyed "number trait" for records and "number/name#occurrence trait" for children.
std::map<std::string, DTRAIT::VALUE> load(const std::string& text)
{
    std::map<std::string, DTRAIT::VALUE> values;
    std::map<std::string, int> occurrences;
    auto keep = [&values](const std::string& object, const DTRAIT::TRACKED_VALUES& tracked) {
        for (const DTRAIT::TRACKED_VALUE& entry : tracked)
            values[object + " " + entry.name.get_basename_str()] = entry.value;
    };
    DTRAIT::LOAD_TRACKER tracker(OWNER);
    tracker.load(
        text, [&](int number, DTRAIT::TRACKED_VALUES tracked) { keep(std::to_string(number), tracked); },
        [&](int number, const std::string& name, DTRAIT::TRACKED_VALUES tracked) {
            const std::string child = std::to_string(number) + "/" + name;
            keep(child + "#" + std::to_string(occurrences[child]++), tracked);
        });
    return values;
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
    using LIMITS = std::numeric_limits<std::int64_t>;
    const DTRAIT::KEY folder = 0x1000, first = 0x2000, second = 0x3000, unsaved = 0x4000;
    const DTRAIT::BYTES bytes = {std::byte{0}, std::byte{'%'}, std::byte{' '}, std::byte{0xFF}, std::byte{'\n'}};
    std::string text; // every byte, so that the text encoding round-trips each
    for (int c = 255; c >= 0; --c)
        text += static_cast<char>(c);
    set(folder, "flag", DTRAIT::TYPE_ENUM::BOOL, DTRAIT::VALUE(true));
    set(folder, "count", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{-42}));
    set(first, "big", DTRAIT::TYPE_ENUM::LONG, DTRAIT::VALUE(LIMITS::min()));
    set(first, "nan", DTRAIT::TYPE_ENUM::FLOAT, DTRAIT::VALUE(std::numeric_limits<float>::quiet_NaN()));
    set(second, "tiny", DTRAIT::TYPE_ENUM::DOUBLE, DTRAIT::VALUE(std::numeric_limits<double>::denorm_min()));
    set(second, "text", DTRAIT::TYPE_ENUM::STRING, DTRAIT::VALUE(text));
    set(second, "blob", DTRAIT::TYPE_ENUM::BYTE_ARRAY, DTRAIT::VALUE(bytes));
    set(unsaved, "text", DTRAIT::TYPE_ENUM::STRING, DTRAIT::VALUE(std::string("x")));

    const std::string archive = save(OWNER, {{folder, 5}}, {{folder, {{"same name", first}, {"same name", second}}}});
    // Printable ASCII only, so that the archive survives any XML escaping.
    for (char c : archive)
        EXPECT_TRUE((c >= ' ' && c <= '~') || c == '\n') << int(c);

    auto loaded = load(archive);
    EXPECT_EQ(loaded.size(), 7u) << "the unsaved key's value stays out";
    EXPECT_EQ(loaded["5 flag"], DTRAIT::VALUE(true));
    EXPECT_EQ(loaded["5 count"], DTRAIT::VALUE(std::int32_t{-42}));
    EXPECT_EQ(loaded["5/same name#0 big"], DTRAIT::VALUE(LIMITS::min()));
    EXPECT_TRUE(std::isnan(std::get<float>(loaded["5/same name#0 nan"])));
    EXPECT_EQ(loaded["5/same name#1 tiny"], DTRAIT::VALUE(std::numeric_limits<double>::denorm_min()));
    EXPECT_EQ(loaded["5/same name#1 text"], DTRAIT::VALUE(text));
    EXPECT_EQ(loaded["5/same name#1 blob"], DTRAIT::VALUE(bytes));
}

TEST(DtraitTracker, RecordsInNumberOrderOnlyForNumberedKeysAndFinalisedOnce)
{
    const DTRAIT::KEY a = 0x5000, b = 0x6000;
    set(a, "count", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{1}));
    set(b, "count", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{2}));
    std::vector<int> order;
    DTRAIT::LOAD_TRACKER tracker(OWNER);
    tracker.load(
        save(OWNER, {{a, 9}, {b, 3}}, {{a, {}}, {b, {}}}),
        [&](int number, DTRAIT::TRACKED_VALUES) { order.push_back(number); },
        [](int, const std::string&, DTRAIT::TRACKED_VALUES) {});
    EXPECT_EQ(order, (std::vector<int>{3, 9}));
    tracker.finalise();
    EXPECT_INTERNAL_ERROR(tracker.finalise(), "Tracker has already been finalised!");

    DTRAIT::SAVE_TRACKER saver(OWNER, {{a, 1}});
    EXPECT_INTERNAL_ERROR(saver.add_record(b, {}), "numbered");
    std::ostringstream out;
    EXPECT_TRUE(saver.finalise(out));
    EXPECT_INTERNAL_ERROR(saver.finalise(out), "Tracker has already been finalised!");
}

// The reader's definition of each name must have the writer's value type and default value.
TEST(DtraitTracker, DefinitionsMustAgreeWithTheRegistry)
{
    const std::type_index writer = typeid(TRACKER_TEST_OTHER_OWNER);
    const DTRAIT::KEY key = 0x7000;
    set(key + 10, "mismatch", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{1}));
    set(key, "mismatch", DTRAIT::TYPE_ENUM::LONG, DTRAIT::VALUE(std::int64_t{1}), writer);
    EXPECT_THROW(load(save(writer, {{key, 1}}, {{key, {}}})), DTRAIT::ARCHIVE_ERROR);

    set(key + 11, "defaulted", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{1}), OWNER, int_default(3));
    set(key + 1, "defaulted", DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::int32_t{1}), writer, int_default(4));
    EXPECT_THROW(load(save(writer, {{key + 1, 1}}, {{key + 1, {}}})), DTRAIT::ARCHIVE_ERROR);
}

TEST(DtraitTracker, MalformedArchivesAreRefusedWithoutCrashing)
{
    const DTRAIT::KEY key = 0x8000;
    set(key, "text", DTRAIT::TYPE_ENUM::STRING, DTRAIT::VALUE(std::string("hello")));
    const std::string good = save(OWNER, {{key, 1}}, {{key, {{"child", key}}}});
    EXPECT_EQ(load(good)["1/child#0 text"], DTRAIT::VALUE(std::string("hello")));

    // Every truncation fails cleanly (the full archive ends in a line break that is not needed).
    for (std::size_t length = 0; length + 1 < good.size(); ++length)
        EXPECT_THROW(load(good.substr(0, length)), DTRAIT::ARCHIVE_ERROR) << length;

    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string header = "serialization::archive ";
    std::string later = good;
    later[good.find(' ', good.find(header) + header.size()) + 1] = '9';
    for (const std::string& text : {
             later, // a later tracker version
             replaced("4 BOOL", "4 BOOX"), // value-type names differ
             replaced("5 hello", "999999999999 hello"), // text longer than the archive
             replaced("5 hello", "5 he%zz"), // malformed escape
             replaced("5 hello", "2 %4"), // cut escape
             replaced("1 1 0 5 hello", "1 1 7 5 hello"), // unknown definition index
             std::string("not an archive at all"),
         })
        EXPECT_THROW(load(text), DTRAIT::ARCHIVE_ERROR) << text;
}
