#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gen/gen_util.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "ktl/ktl.h"
#include "msg/msg.h"
#include "tcl/atcl.h"
#include "test_support.h"
#include "time/big_time.h"

// ---- INI switches --------------------------------------------------------------------------------

namespace {

// Points RDB_INI at a temporary file for one test and forgets everything afterwards.
class INI_FILE {
public:
    explicit INI_FILE(const std::string& content) : m_path(testing::TempDir() + "rdb_platform_test.ini")
    {
        std::ofstream(m_path) << content;
        setenv("RDB_INI", m_path.c_str(), 1);
        cfg_reset();
    }
    ~INI_FILE()
    {
        unsetenv("RDB_INI");
        cfg_reset();
        std::remove(m_path.c_str());
    }

private:
    std::string m_path;
};

} // namespace

TEST(Ini, FileValuesAreParsedCaseInsensitively)
{
    INI_FILE file("# comment line\n"
                  "alpha=on\n"
                  "  Beta = OFF  \n"
                  "gamma=true ; trailing comment\n"
                  "delta=1\n"
                  "epsilon=0\n"
                  "zeta=maybe\n"
                  "; eta=on\n"
                  "no equals sign\n"
                  "user_ini_3=on\n");
    EXPECT_TRUE(cfg_is_on("alpha", false));
    EXPECT_TRUE(cfg_is_on("ALPHA", false));
    EXPECT_FALSE(cfg_is_on("beta", true));
    EXPECT_TRUE(cfg_is_on("Gamma", false));
    EXPECT_TRUE(cfg_is_on("delta", false));
    EXPECT_FALSE(cfg_is_on("epsilon", true));
    EXPECT_FALSE(cfg_is_on("zeta", true));
    EXPECT_TRUE(cfg_is_on("eta", true));
    EXPECT_FALSE(cfg_is_on("eta", false));
    EXPECT_TRUE(cfg_user_ini_is_on(3, false));
    EXPECT_FALSE(cfg_user_ini_is_on(4, false));
}

TEST(Ini, ProcessValuesWinOverFileAndDefault)
{
    INI_FILE file("alpha=on\nuser_ini_2=off\n");
    cfg_set_value("Alpha", "off");
    EXPECT_FALSE(cfg_is_on("alpha", true));
    cfg_set_value("alpha", "");
    EXPECT_TRUE(cfg_is_on("alpha", false));
    cfg_set_value("new_switch", "TRUE");
    EXPECT_TRUE(cfg_is_on("new_switch", false));
    cfg_set_value("new_switch", "garbage");
    EXPECT_FALSE(cfg_is_on("new_switch", true));
    cfg_set_user_ini_value(2, true);
    EXPECT_TRUE(cfg_user_ini_is_on(2, false));
    EXPECT_TRUE(cfg_is_on("user_ini_2", false));
    cfg_reset();
    EXPECT_FALSE(cfg_user_ini_is_on(2, true));
    EXPECT_FALSE(cfg_is_on("new_switch", false));
}

TEST(Ini, MissingFileGivesDefaults)
{
    setenv("RDB_INI", (testing::TempDir() + "no_such_rdb_file.ini").c_str(), 1);
    cfg_reset();
    EXPECT_TRUE(cfg_is_on("alpha", true));
    EXPECT_FALSE(cfg_is_on("alpha", false));
    unsetenv("RDB_INI");
    cfg_reset();
}

// ---- Tcl layer -----------------------------------------------------------------------------------

TEST(Tcl, SharedInterpreterEvaluates)
{
    Tcl_Interp* interp = atcl_get_interpreter();
    ASSERT_NE(interp, nullptr);
    EXPECT_EQ(interp, atcl_get_interpreter());
    ASSERT_EQ(Tcl_Eval(interp, "expr {6 * 7}"), TCL_OK);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "42");
}

TEST(Tcl, BusAwareMatchTreatsIndicesLiterally)
{
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("data[3]", "data[3]", true));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus("data3", "data[3]", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("data[12]", "data[*]", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("data[12:0]", "data[12:0]", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("top|data[7]|q", "*|data[*]|*", true));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus("data12", "data[*]", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("bus[3][4]", "bus[3][*]", true));
    // Other bracket groups stay character classes.
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("abd", "a[bc]d", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("acd", "a[bc]d", true));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus("a[bc]d", "a[bc]d", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("a5", "a[0-9]", true));
    // Escapes in the pattern keep their meaning; a lone bracket does not break the match.
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("x*y", "x\\*y", true));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus("xzy", "x\\*y", true));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("data[3", "data[3*", false) == atcl_tcl_stringmatch_for_bus("data[3", "data[3*", true));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus(nullptr, "x", true));
    // Without bus awareness the brackets are a class, as in plain Tcl.
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus("data3", "data[3]", false));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus("data[3]", "data[3]", false));
    EXPECT_TRUE(atcl_tcl_stringmatch_for_bus(std::string("Top"), std::string("T*"), false));
    EXPECT_FALSE(atcl_tcl_stringmatch_for_bus(std::string("top"), std::string("T*"), true));
}

TEST(Tcl, PointerTextRoundTrip)
{
    int object = 0;
    std::string text = atcl_ptr_to_string(&object);
    EXPECT_EQ(text.rfind("ptr0x", 0), 0u);
    EXPECT_EQ(atcl_get_ptr(text.c_str()), &object);
    EXPECT_EQ(atcl_get_ptr(atcl_ptr_to_string(nullptr).c_str()), nullptr);
    EXPECT_EQ(atcl_get_ptr("ptr0xABCdef"), reinterpret_cast<void*>(0xabcdef));
    EXPECT_EQ(atcl_get_ptr("ptr0x"), nullptr);
    EXPECT_EQ(atcl_get_ptr("ptr0x12g"), nullptr);
    EXPECT_EQ(atcl_get_ptr("0x1234"), nullptr);
    EXPECT_EQ(atcl_get_ptr("ptr0x11112222333344445"), nullptr);
    EXPECT_EQ(atcl_get_ptr("Internal error"), nullptr);
    EXPECT_EQ(atcl_get_ptr(nullptr), nullptr);
}

// ---- Time values ---------------------------------------------------------------------------------

namespace {

BIG_TIME ps(std::int32_t storage)
{
    BIG_TIME time;
    time.set_storage_number(storage);
    return time;
}

} // namespace

TEST(BigTime, FormatsTimesInUnits)
{
    EXPECT_EQ(ps(1234).to_string(BIG_TIME::NS, 3, false), "1.234 ns");
    EXPECT_EQ(ps(1500).to_string_without_unit(BIG_TIME::AUTO, 2, true), "1.5");
    EXPECT_EQ(ps(1500).to_string_without_unit(BIG_TIME::AUTO, 2, false), "1.50");
    EXPECT_EQ(ps(2000).to_string_without_unit(BIG_TIME::AUTO, 2, true), "2");
    EXPECT_EQ(ps(0).to_string(BIG_TIME::NS, 3, false), "0.000 ns");
    EXPECT_EQ(ps(0).to_string_without_unit(BIG_TIME::AUTO, 2, true), "0");
    EXPECT_EQ(ps(1234).to_string(BIG_TIME::PS, 0, false), "1234 ps");
    EXPECT_EQ(ps(2).to_string(BIG_TIME::FS, 1, false), "2000.0 fs");
    EXPECT_EQ(ps(1234567).to_string(BIG_TIME::US, 3, false), "1.235 us");
    EXPECT_EQ(ps(1234567).to_string(BIG_TIME::MS, 6, false), "0.001235 ms");
    EXPECT_EQ(ps(1234567).to_string(BIG_TIME::MS, 12, true), "0.001234567 ms");
    EXPECT_EQ(ps(1200000).to_string(BIG_TIME::MS, 6, true), "0.0012 ms");
    EXPECT_EQ(ps(2147483647).to_string(BIG_TIME::S, 12, false), "0.002147483647 s");
    // Rounding is half away from zero, and a value rounded to zero has no sign.
    EXPECT_EQ(ps(1235).to_string_without_unit(BIG_TIME::NS, 2, false), "1.24");
    EXPECT_EQ(ps(-1235).to_string_without_unit(BIG_TIME::NS, 2, false), "-1.24");
    EXPECT_EQ(ps(1999).to_string_without_unit(BIG_TIME::NS, 2, false), "2.00");
    EXPECT_EQ(ps(9999).to_string_without_unit(BIG_TIME::NS, 0, false), "10");
    EXPECT_EQ(ps(5).to_string_without_unit(BIG_TIME::NS, 2, false), "0.01");
    EXPECT_EQ(ps(-4).to_string_without_unit(BIG_TIME::NS, 2, false), "0.00");
    EXPECT_EQ(ps(-2147483647 - 1).to_string(BIG_TIME::NS, 3, false), "-2147483.648 ns");
    EXPECT_EQ(ps(-1200).to_string(BIG_TIME::NS, 3, true), "-1.2 ns");
    EXPECT_EQ(ps(100).to_string_without_unit(BIG_TIME::PS, -1, false), "100");
}

TEST(BigTime, FormatsFrequencies)
{
    EXPECT_EQ(ps(4000).to_string(BIG_TIME::MHZ, 2, false), "250.00 MHz");
    EXPECT_EQ(ps(4000).to_string(BIG_TIME::GHZ, 2, false), "0.25 GHz");
    EXPECT_EQ(ps(3000).to_string(BIG_TIME::MHZ, 2, false), "333.33 MHz");
    EXPECT_EQ(ps(1000000).to_string(BIG_TIME::KHZ, 1, true), "1000 KHz");
    EXPECT_EQ(ps(1000000).to_string(BIG_TIME::HZ, 0, false), "1000000 Hz");
    EXPECT_EQ(ps(0).to_string(BIG_TIME::MHZ, 2, false), "infinite");
    EXPECT_EQ(ps(0).to_string_without_unit(BIG_TIME::MHZ, 2, false), "infinite");
}

TEST(BigTime, UnitTextsStorageAndArithmetic)
{
    const char* texts[] = {"ns", "fs", "ps", "ns", "us", "ms", "s", "Hz", "KHz", "MHz", "GHz"};
    for (int unit = BIG_TIME::AUTO; unit <= BIG_TIME::GHZ; ++unit)
        EXPECT_STREQ(BIG_TIME::unit_text(static_cast<BIG_TIME::TIME_UNIT>(unit)), texts[unit]);
    EXPECT_EQ(ps(-77).get_storage_number(), -77);
    EXPECT_EQ(ps(-77).get_picoseconds(), -77);

    BIG_TIME t;
    t.set_time(5, BIG_TIME::NS);
    EXPECT_EQ(t.get_picoseconds(), 5000);
    t.set_time(2500, BIG_TIME::FS);
    EXPECT_EQ(t.get_picoseconds(), 2);
    t.set_time(7, BIG_TIME::PS);
    t += ps(3);
    EXPECT_EQ(t, BIG_TIME(10));
    EXPECT_LT(ps(-1), BIG_TIME());
    EXPECT_EQ(ps(4) + ps(5), BIG_TIME(9));
    EXPECT_TRUE(t.is_legal());
    // An illegal time stays illegal through sums and prints as not available; so does an overflow.
    BIG_TIME bad = BIG_TIME::illegal();
    EXPECT_FALSE(bad.is_legal());
    EXPECT_FALSE((bad + ps(1)).is_legal());
    EXPECT_FALSE((ps(1) + bad).is_legal());
    EXPECT_FALSE((BIG_TIME(INT64_MAX) + BIG_TIME(1)).is_legal());
    BIG_TIME huge;
    huge.set_time(INT64_MAX / 10, BIG_TIME::S);
    EXPECT_FALSE(huge.is_legal());
    EXPECT_EQ(bad.to_string(BIG_TIME::NS, 3, false), "N/A");
}

// ---- Hierarchy names -----------------------------------------------------------------------------

TEST(Hier, PathsInEveryFormat)
{
    HDB_INSTANCE_NAME name = HDB_INSTANCE_NAME::from_path("top|u1|reg");
    ASSERT_EQ(name.get_levels().size(), 3u);
    EXPECT_EQ(name.get_levels()[1].instance, "u1");
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_SHORT), "u1|reg");
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_FULL), "top|u1|reg");
    EXPECT_EQ(name.get_short_hpath(HDB_HPATH_ENTITY_INSTANCE), "u1|reg");
    std::string full;
    name.write_full_hpath(full);
    EXPECT_EQ(full, "top|u1|reg");

    HDB_INSTANCE_NAME with_entities({{"top", "chip"}, {"u1", "core"}, {"reg", ""}, {"q", "dff"}});
    EXPECT_EQ(with_entities.get_short_hpath(2), "core:u1|reg|dff:q");
    EXPECT_EQ(with_entities.get_short_hpath(0), "u1|reg|q");
    EXPECT_EQ(with_entities.get_short_hpath(1), "top|u1|reg|q");

    HDB_INSTANCE_NAME top = HDB_INSTANCE_NAME::from_path("top");
    EXPECT_EQ(top.get_short_hpath(HDB_HPATH_SHORT), "top");
    EXPECT_EQ(top.get_short_hpath(HDB_HPATH_ENTITY_INSTANCE), "top");
    EXPECT_EQ(top.get_short_hpath(HDB_HPATH_FULL), "top");
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("").get_short_hpath(HDB_HPATH_FULL), "");
    EXPECT_EQ(HDB_INSTANCE_NAME::from_path("a||b").get_levels().size(), 3u);
    EXPECT_STREQ(HDB_COMP_INSTANCE_SCHEMA::get_component_separator(), "|");
}

TEST(Hier, NamespaceAndSchemaClones)
{
    HDB_NAMESPACE names;
    auto schema = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    auto* location = new MSG_GEN_LOC_INSTANCE;
    location->set_instance_name("top|u1");
    schema->add_object(location);
    const HDB_INSTANCE_NAME* u1 =
        names.add_instance_name(HDB_INSTANCE_NAME({{"top", ""}, {"u1", ""}}, std::move(schema)));
    const HDB_INSTANCE_NAME* u2 = names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u2"));
    EXPECT_EQ(names.get_instance_name("top|u1"), u1);
    EXPECT_EQ(names.get_instance_name("top|u2"), u2);
    EXPECT_EQ(names.get_instance_name("u1"), nullptr);

    EXPECT_EQ(HUT_UTIL::clone_location_schema(nullptr), nullptr);
    EXPECT_EQ(HUT_UTIL::clone_location_schema(u2), nullptr);
    std::unique_ptr<MSG_LOCATION_SCHEMA> clone(HUT_UTIL::clone_location_schema(u1));
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone.get(), u1->get_location_schema());
    std::string text;
    clone->to_tcl_string(text);
    EXPECT_EQ(text, "{instance top|u1}");

    // Adding the same path again replaces the stored name.
    const HDB_INSTANCE_NAME* replaced = names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u1"));
    EXPECT_EQ(names.get_instance_name("top|u1"), replaced);
    EXPECT_EQ(replaced->get_location_schema(), nullptr);
    // The clone does not depend on the replaced name.
    clone->to_tcl_string(text);
    EXPECT_EQ(text, "{instance top|u1}");
}

// ---- Text ordering -------------------------------------------------------------------------------

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

const std::vector<std::string>& varied_texts()
{
    static const std::vector<std::string> texts = {
        "", "a", "A", "-", "--", "-a", "-0", "0", "00", "-00", "1", "01", "-1", "-01", "2", "10", "-10", "9",
        "a1", "a01", "a2", "a10", "a-1", "a-2", "a -1", "a -2", "a-", "a-b", "1-2", "1-10", "x9y", "x10y",
        "x09y", "1.5", "1.25", "-1.5", "-1.25", "abc", "abd", "ab", "b", "reg[3]", "reg[10]", "reg[2]", " 5",
        " -5", "5 ", "99999999999999999999999", "100000000000000000000000", "-99999999999999999999999",
        "u1|reg", "u10|reg", "u2|reg", "~", "/", ":", ".", ".5", "-.5", "a.0", "a-0"};
    return texts;
}

} // namespace

TEST(GenOrder, NaturalOrderOfNumbersInText)
{
    EXPECT_LT(gen_signed_lexcmp("a2", "a10"), 0);
    EXPECT_GT(gen_signed_lexcmp("a10", "a2"), 0);
    EXPECT_LT(gen_signed_lexcmp("-5", "-1"), 0);
    EXPECT_LT(gen_signed_lexcmp("-1", "0"), 0);
    EXPECT_LT(gen_signed_lexcmp("0", "3"), 0);
    EXPECT_LT(gen_signed_lexcmp("-10", "-9"), 0);
    EXPECT_LT(gen_signed_lexcmp("a10", "a010"), 0); // equal value: shorter run first
    EXPECT_LT(gen_signed_lexcmp("u2|reg", "u10|reg"), 0);
    EXPECT_LT(gen_signed_lexcmp("99999999999999999999999", "100000000000000000000000"), 0);
    EXPECT_LT(gen_signed_lexcmp("", "a"), 0);
    EXPECT_LT(gen_signed_lexcmp("abc", "abd"), 0);
    EXPECT_LT(gen_signed_lexcmp("ab", "abc"), 0);
    EXPECT_LT(gen_signed_lexcmp("-1.5", "1.25"), 0);
    EXPECT_EQ(gen_signed_lexcmp("x10y", "x10y"), 0);
    EXPECT_EQ(gen_signed_lexcmp(std::string("a1"), std::string("a1")), 0);
    // "1-2" is a range, not 1 followed by -2: it sorts by its second number.
    EXPECT_LT(gen_signed_lexcmp("1-2", "1-10"), 0);
}

TEST(GenOrder, IsAStrictWeakOrder)
{
    const std::vector<std::string>& texts = varied_texts();
    for (const std::string& a : texts) {
        EXPECT_EQ(gen_signed_lexcmp(a, a), 0) << a;
        for (const std::string& b : texts) {
            int ab = gen_signed_lexcmp(a, b);
            EXPECT_EQ(sign(ab), -sign(gen_signed_lexcmp(b, a))) << a << " / " << b;
            // Only equal texts compare equal, so equivalence is trivially transitive.
            EXPECT_EQ(ab == 0, a == b) << a << " / " << b;
            if (ab >= 0) continue;
            for (const std::string& c : texts) {
                if (gen_signed_lexcmp(b, c) < 0) {
                    EXPECT_LT(gen_signed_lexcmp(a, c), 0) << a << " < " << b << " < " << c;
                }
            }
        }
    }
}

TEST(GenOrder, SortIsIndependentOfInputOrder)
{
    auto less = [](const std::string& a, const std::string& b) { return gen_signed_lexcmp(a, b) < 0; };
    std::vector<std::string> first = varied_texts();
    for (int i = 0; i < 50; ++i) first.push_back("n" + std::to_string((i * 37) % 101));
    std::vector<std::string> second = first;
    std::mt19937 rng(12345);
    std::shuffle(first.begin(), first.end(), rng);
    std::shuffle(second.begin(), second.end(), rng);
    std::sort(first.begin(), first.end(), less);
    std::sort(second.begin(), second.end(), less);
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end(), less));
    EXPECT_EQ(first, second);
    auto n3 = std::find(first.begin(), first.end(), "n3");
    auto n10 = std::find(first.begin(), first.end(), "n10");
    ASSERT_NE(n3, first.end());
    ASSERT_NE(n10, first.end());
    EXPECT_LT(n3, n10);
}

// ---- Template utilities --------------------------------------------------------------------------

TEST(Ktl, NextPrimeIsStrictlyGreater)
{
    EXPECT_EQ(ktl_hash_lite_get_next_prime(60), 61u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(61), 67u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(0), 2u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(1), 2u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(2), 3u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(24), 29u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(7918), 7919u);
    EXPECT_EQ(ktl_hash_lite_get_next_prime(1000000), 1000003u);
}

namespace {

enum class COLOUR_ENUM { NONE, RED, GREEN };
const char* const COLOUR_DEBUG[] = {"COLOUR_NONE", "COLOUR_RED", "COLOUR_GREEN"};
// The green user text collides with the red debug text: the debug text keeps its value.
const char* const COLOUR_USER[] = {nullptr, "red", "COLOUR_RED"};

class COLOUR_TRANSLATOR : public KTL_ENUM_TRANSLATOR {
public:
    COLOUR_TRANSLATOR() : KTL_ENUM_TRANSLATOR("COLOUR_ENUM", COLOUR_DEBUG, COLOUR_USER, 3) {}
};

} // namespace

TEST(Ktl, TranslatorMapsBothWays)
{
    COLOUR_TRANSLATOR translator;
    EXPECT_EQ(translator.get_size(), 3u);
    EXPECT_EQ(translator.get_invalid_value(), KTL_ENUM_TRANSLATOR::INVALID);
    EXPECT_EQ(translator.get_value("COLOUR_GREEN"), static_cast<unsigned>(COLOUR_ENUM::GREEN));
    EXPECT_EQ(translator.get_value("red"), 1u);
    EXPECT_EQ(translator.get_value("COLOUR_RED"), 1u);
    EXPECT_EQ(translator.get_value("Red"), KTL_ENUM_TRANSLATOR::INVALID);
    EXPECT_EQ(translator.get_value(""), KTL_ENUM_TRANSLATOR::INVALID);
    EXPECT_EQ(translator.get_value(nullptr), KTL_ENUM_TRANSLATOR::INVALID);
    EXPECT_TRUE(translator.is_known("COLOUR_NONE"));
    EXPECT_FALSE(translator.is_known("none"));
    EXPECT_FALSE(translator.is_known(nullptr));
    EXPECT_STREQ(translator.get_debug_string(2), "COLOUR_GREEN");
    EXPECT_STREQ(translator.get_user_string(1), "red");
    EXPECT_EQ(translator.get_user_string(0), nullptr);
    EXPECT_INTERNAL_ERROR(translator.get_debug_string(3), "The calling function has passed an illegal COLOUR_ENUM.");
    EXPECT_INTERNAL_ERROR(translator.get_user_string(KTL_ENUM_TRANSLATOR::INVALID),
                          "The calling function has passed an illegal COLOUR_ENUM.");
}
