#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gen/gen_util.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "ktl/ktl.h"
#include "msg/msg.h"
#include "tcl/atcl.h"
#include "gen/gen_project.h"
#include "test_support.h"
#include "time/big_time.h"

namespace {

// Points RDB_INI at a file (written when content is given) and forgets every value afterwards.
struct INI_FILE {
    std::string path;
    INI_FILE(const std::string& name, const char* content) : path(testing::TempDir() + name)
    {
        if (content) std::ofstream(path) << content;
        setenv("RDB_INI", path.c_str(), 1);
        cfg_reset();
    }
    ~INI_FILE()
    {
        unsetenv("RDB_INI");
        cfg_reset();
        std::remove(path.c_str());
    }
};

} // namespace

TEST(Ini, ProcessValuesWinOverCaseInsensitiveFileValuesAndDefaults)
{
    INI_FILE file("rdb_platform_test.ini",
                  "# alpha=on\n  Beta = OFF  \ngamma=TRUE ; comment\nzeta=maybe\n; eta=on\nno equals\nuser_ini_3=1\n");
    EXPECT_FALSE(cfg_is_on("alpha", false));
    EXPECT_FALSE(cfg_is_on("beta", true));
    EXPECT_TRUE(cfg_is_on("Gamma", false));
    EXPECT_FALSE(cfg_is_on("zeta", true));
    EXPECT_FALSE(cfg_is_on("eta", false));
    EXPECT_TRUE(cfg_user_ini_is_on(3, false));
    cfg_set_value("GAMMA", "off");
    EXPECT_FALSE(cfg_is_on("gamma", true));
    cfg_set_value("gamma", ""); // removes the process value: the file's shows again
    EXPECT_TRUE(cfg_is_on("gamma", false));
    cfg_set_user_ini_value(2, true);
    EXPECT_TRUE(cfg_is_on("user_ini_2", false));
    cfg_reset();
    EXPECT_FALSE(cfg_user_ini_is_on(2, false));
    INI_FILE missing("no_such_rdb_file.ini", nullptr);
    EXPECT_TRUE(cfg_is_on("gamma", true));
    EXPECT_FALSE(cfg_is_on("gamma", false));
}

TEST(Tcl, BusAwareMatchTreatsIndicesLiterally)
{
    struct CASE {
        const char *text, *pattern;
        bool bus_aware, matches;
    };
    const CASE cases[] = {
        {"data[3]", "data[3]", true, true},
        {"data3", "data[3]", true, false},
        {"top|data[7]|q", "*|data[*]|*", true, true},
        {"data[12:0]", "data[12:0]", true, true},
        {"bus[3][4]", "bus[3][*]", true, true},
        {"abd", "a[bc]d", true, true}, // not an index: a class
        {"a[bc]d", "a[bc]d", true, false},
        {"data[3]", "data\\[3]", true, true}, // escapes kept
        {"data3", "data[3]", false, true},
        {"data[3]", "data[3]", false, false},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(atcl_tcl_stringmatch_for_bus(c.text, c.pattern, c.bus_aware), c.matches) << c.pattern;
    // An unclosed bracket keeps its plain Tcl meaning; a null text matches nothing.
    EXPECT_EQ(atcl_tcl_stringmatch_for_bus("data[3", "data[3*", true),
              atcl_tcl_stringmatch_for_bus("data[3", "data[3*", false));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus(nullptr, "x", true));
}

TEST(Tcl, PointerTextRoundTripAndRejects)
{
    int object = 0;
    std::string text = atcl_ptr_to_string(&object);
    EXPECT_EQ(text.rfind("ptr0x", 0), 0u);
    EXPECT_EQ(atcl_get_ptr(text.c_str()), &object);
    EXPECT_EQ(atcl_get_ptr("ptr0xABCdef"), reinterpret_cast<void*>(0xabcdef));
    for (const char* bad : {"ptr0x", "ptr0x12g", "0x1234", "ptr0x11112222333344445", "Internal error"})
        EXPECT_EQ(atcl_get_ptr(bad), nullptr) << bad;
    EXPECT_EQ(atcl_get_ptr(nullptr), nullptr);
}

TEST(BigTime, FormatsTimesAndFrequencies)
{
    struct CASE {
        std::int32_t ps;
        BIG_TIME::TIME_UNIT unit;
        int precision;
        bool trim;
        const char* text;
    };
    const CASE cases[] = {
        {1500, BIG_TIME::AUTO, 2, true, "1.5 ns"},
        {0, BIG_TIME::AUTO, 2, true, "0 ns"},
        {2, BIG_TIME::FS, 1, false, "2000.0 fs"},
        {100, BIG_TIME::PS, -1, false, "100 ps"},
        {1234567, BIG_TIME::US, 3, false, "1.235 us"},
        {1234567, BIG_TIME::MS, 12, true, "0.001234567 ms"},
        {2147483647, BIG_TIME::S, 12, false, "0.002147483647 s"},
        // Rounding is half away from zero, and a value rounded to zero has no sign.
        {-1235, BIG_TIME::NS, 2, false, "-1.24 ns"},
        {9999, BIG_TIME::NS, 0, false, "10 ns"},
        {5, BIG_TIME::NS, 2, false, "0.01 ns"},
        {-4, BIG_TIME::NS, 2, false, "0.00 ns"},
        {-1200, BIG_TIME::NS, 3, true, "-1.2 ns"},
        {INT32_MIN, BIG_TIME::NS, 3, false, "-2147483.648 ns"},
        {4000, BIG_TIME::MHZ, 2, false, "250.00 MHz"},
        {4000, BIG_TIME::GHZ, 2, false, "0.25 GHz"},
        {3000, BIG_TIME::MHZ, 2, false, "333.33 MHz"},
        {1000000, BIG_TIME::KHZ, 1, true, "1000 KHz"},
        {1000000, BIG_TIME::HZ, 0, false, "1000000 Hz"},
        {0, BIG_TIME::MHZ, 2, false, "infinite"},
    };
    for (const CASE& c : cases) {
        BIG_TIME time;
        time.set_storage_number(c.ps);
        EXPECT_EQ(time.to_string(c.unit, c.precision, c.trim), c.text) << c.ps << " in unit " << c.unit;
    }
    EXPECT_EQ(BIG_TIME(0).to_string_without_unit(BIG_TIME::MHZ, 2, false), "infinite");
}

TEST(BigTime, LoadingAndSumsStayLegalOrBecomeIllegal)
{
    BIG_TIME t;
    t.set_time(5, BIG_TIME::NS);
    EXPECT_EQ(t, BIG_TIME(5000));
    t.set_time(2500, BIG_TIME::FS);
    EXPECT_EQ(t, BIG_TIME(2));
    t += BIG_TIME(3);
    EXPECT_EQ(t, BIG_TIME(5));
    // An illegal time stays illegal through sums and prints as not available; so does an overflow.
    BIG_TIME bad = BIG_TIME::illegal();
    EXPECT_FALSE((bad + BIG_TIME(1)).is_legal());
    EXPECT_FALSE((BIG_TIME(1) + bad).is_legal());
    EXPECT_FALSE((BIG_TIME(INT64_MAX) + BIG_TIME(1)).is_legal());
    t.set_time(INT64_MAX / 10, BIG_TIME::S);
    EXPECT_FALSE(t.is_legal());
    EXPECT_EQ(bad.to_string(BIG_TIME::NS, 3, false), "N/A");
}

TEST(Hier, PathsInEveryFormat)
{
    HDB_INSTANCE_NAME name({{"top", "chip"}, {"u1", "core"}, {"reg", ""}, {"q", "dff"}});
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_SHORT), "u1|reg|q");
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_FULL), "top|u1|reg|q");
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_ENTITY_INSTANCE), "core:u1|reg|dff:q");
    // A lone top level is its own short path; empty levels are kept.
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("top").get_short_hpath(HDB_HPATH_SHORT), "top");
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("top").get_short_hpath(HDB_HPATH_ENTITY_INSTANCE), "top");
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("").get_short_hpath(HDB_HPATH_FULL), "");
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("a||b").get_short_hpath(HDB_HPATH_FULL), "a||b");
}

TEST(Hier, ReplacedNamesDoNotInvalidateSchemaClones)
{
    HDB_NAMESPACE names;
    auto schema = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    auto* location = new MSG_GEN_LOC_INSTANCE;
    location->set_instance_name("top|u1");
    schema->add_object(location);
    const HDB_INSTANCE_NAME* u1 =
        names.add_instance_name(HDB_INSTANCE_NAME({{"top", ""}, {"u1", ""}}, std::move(schema)));
    const HDB_INSTANCE_NAME* u2 = names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u2"));
    EXPECT_EQ(names.get_instance_name("top|u2"), u2);
    EXPECT_EQ(names.get_instance_name("u2"), nullptr);
    EXPECT_EQ(HUT_UTIL::clone_location_schema(nullptr), nullptr);
    EXPECT_EQ(HUT_UTIL::clone_location_schema(u2), nullptr);
    std::unique_ptr<MSG_LOCATION_SCHEMA> clone(HUT_UTIL::clone_location_schema(u1));
    ASSERT_NE(clone, nullptr);
    // Adding the same path again replaces the stored name; the clone outlives it.
    const HDB_INSTANCE_NAME* replaced = names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u1"));
    EXPECT_EQ(names.get_instance_name("top|u1"), replaced);
    EXPECT_EQ(replaced->get_location_schema(), nullptr);
    std::string text;
    clone->to_tcl_string(text);
    EXPECT_EQ(text, "{instance top|u1}");
}

// Numbers in text compare by value, and the order is a strict weak order over texts of every shape
// (signs, ranges, leading zeros, decimals, brackets, digit runs beyond 64 bits).
TEST(GenOrder, NaturalOrderOfNumbersInTextIsAStrictWeakOrder)
{
    const std::string nines(23, '9'), power = "1" + std::string(23, '0');
    // Ascending. "1-2" is a range, not 1 followed by -2; equal values put the shorter digit run first.
    const std::vector<std::string> ascending = {"",    "-10", "-9",  "-1",   "0",  "1-2", "1-10",   "3",      nines,
                                                power, "a2",  "a10", "a010", "ab", "abc", "u2|reg", "u10|reg"};
    for (size_t i = 0; i < ascending.size(); ++i)
        for (size_t j = i + 1; j < ascending.size(); ++j) {
            EXPECT_LT(gen_signed_lexcmp(ascending[i], ascending[j]), 0) << ascending[i] << " < " << ascending[j];
            EXPECT_GT(gen_signed_lexcmp(ascending[j], ascending[i]), 0) << ascending[j] << " > " << ascending[i];
        }

    auto sign = [](int v) { return (v > 0) - (v < 0); };
    const std::vector<std::string> texts = {
        "",    "a",    "A",    "-",     "--",  "-a",        "-0",     "0",       "00",     "-00",     "1",
        "01",  "-1",   "-01",  "2",     "10",  "-10",       "9",      "a1",      "a01",    "a2",      "a10",
        "a-1", "a-2",  "a -1", "a -2",  "a-",  "a-b",       "1-2",    "1-10",    "x9y",    "x10y",    "x09y",
        "1.5", "1.25", "-1.5", "-1.25", "abc", "abd",       "ab",     "b",       "reg[3]", "reg[10]", "reg[2]",
        " 5",  " -5",  "5 ",   nines,   power, "-" + nines, "u1|reg", "u10|reg", "u2|reg", "~",       "/",
        ":",   ".",    ".5",   "-.5",   "a.0", "a-0"};
    for (const std::string& a : texts)
        for (const std::string& b : texts) {
            int ab = gen_signed_lexcmp(a, b);
            EXPECT_EQ(sign(ab), -sign(gen_signed_lexcmp(b, a))) << a << " / " << b;
            // Only equal texts compare equal, so equivalence is trivially transitive.
            EXPECT_EQ(ab == 0, a == b) << a << " / " << b;
            if (ab >= 0) continue;
            for (const std::string& c : texts)
                EXPECT_TRUE(gen_signed_lexcmp(b, c) >= 0 || gen_signed_lexcmp(a, c) < 0) << a << "<" << b << "<" << c;
        }
}

TEST(Ktl, NextPrimeIsStrictlyGreater)
{
    const std::size_t cases[][2] = {{0, 2}, {1, 2}, {2, 3}, {24, 29}, {61, 67}, {7918, 7919}, {1000000, 1000003}};
    for (const auto& c : cases)
        EXPECT_EQ(ktl_hash_lite_get_next_prime(c[0]), c[1]) << c[0];
}

TEST(Ktl, TranslatorMapsBothWays)
{
    const char* const debug_texts[] = {"COLOUR_NONE", "COLOUR_RED", "COLOUR_GREEN"};
    // The green user text collides with the red debug text: the debug text keeps its value. Texts mapping back
    // and illegal values are checked on the library's own enumerations.
    const char* const user_texts[] = {nullptr, "red", "COLOUR_RED"};
    struct COLOUR_TRANSLATOR : KTL_ENUM_TRANSLATOR {
        COLOUR_TRANSLATOR(const char* const* debug, const char* const* user)
            : KTL_ENUM_TRANSLATOR("COLOUR_ENUM", debug, user, 3)
        {
        }
    } translator(debug_texts, user_texts);
    EXPECT_EQ(translator.get_value("red"), 1u);
    EXPECT_EQ(translator.get_value("COLOUR_RED"), 1u);
    for (const char* unknown : {"Red", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(translator.get_value(unknown), KTL_ENUM_TRANSLATOR::INVALID);
        EXPECT_FALSE(translator.is_known(unknown));
    }
    EXPECT_TRUE(translator.is_known("COLOUR_NONE"));
    EXPECT_EQ(translator.get_user_string(0), nullptr);
}

TEST(GenData, DataFolderComesFromTheEnvironmentElseTheInstallElseTheSourceTree)
{
    const std::string source_tree = std::string(RDB_TEST_DATA_DIR) + "/../data";
    ::unsetenv("RDB_DATA_DIR");
    const std::string found = gen_get_common_data_fullpath();
    EXPECT_TRUE(std::filesystem::is_directory(found + "/htdocs")) << found;
    if (!std::filesystem::is_directory("/usr/local/share/rdb")) {
        EXPECT_TRUE(std::filesystem::equivalent(found, source_tree)) << found;
    }

    ::setenv("RDB_DATA_DIR", RDB_TEST_DATA_DIR, 1);
    EXPECT_EQ(gen_get_common_data_fullpath(), RDB_TEST_DATA_DIR);
    ::setenv("RDB_DATA_DIR", "/no/such/folder", 1);
    EXPECT_EQ(gen_get_common_data_fullpath(), found) << "a variable naming no folder is passed over";
    ::unsetenv("RDB_DATA_DIR");
}
