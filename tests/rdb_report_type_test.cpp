#include "rdb_report_type.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr const char* LABEL_RANGE = "m_label >= RDB_REPORT_TYPE_MIN && m_label <= RDB_REPORT_TYPE_MAX";
constexpr const char* INVALID_STAGE = "bound_stage_str != RDB_ENUM_INVALID";
constexpr const char* SPLIT = "split_extension.size() == 1 || split_extension.size() == 2";

RDB_REPORT_TYPE make(RDB_REPORT_TYPE_LABELS label, int stage) { return RDB_REPORT_TYPE(label, RDB_BOUND_STAGE(stage)); }

int code_of(unsigned label, unsigned stage) { return static_cast<int>((label + (stage << 16)) ^ 0xD15EA5Eu); }

// Stages a key text can carry.
const int NAMEABLE_STAGES[] = {5, 6, 7, 8, 9, 10, 11, 12};

} // namespace

TEST(RdbReportType, ConstructionNormalisesTheStage)
{
    const RDB_REPORT_TYPE none;
    EXPECT_EQ(none.get_label(), RDB_REPORT_TYPE_MAX);
    EXPECT_EQ(none.get_bound_stage().get_value(), 0);

    EXPECT_EQ(RDB_REPORT_TYPE(RDB_FITTER_REPORT).get_bound_stage().get_value(), 12);
    EXPECT_EQ(make(RDB_FITTER_REPORT, 0).get_bound_stage().get_value(), 12);
    EXPECT_EQ(make(RDB_FITTER_REPORT, 8).get_bound_stage().get_value(), 8);
    EXPECT_EQ(make(RDB_FITTER_REPORT, 3).get_bound_stage().get_value(), 3);
    EXPECT_EQ(RDB_REPORT_TYPE(RDB_FITTER_REPORT), make(RDB_FITTER_REPORT, 12));

    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(static_cast<RDB_REPORT_TYPE_LABELS>(23)), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(static_cast<RDB_REPORT_TYPE_LABELS>(-1)), LABEL_RANGE);
}

TEST(RdbReportType, ComparisonAndDebugText)
{
    EXPECT_EQ(make(RDB_FITTER_REPORT, 8), make(RDB_FITTER_REPORT, 8));
    EXPECT_NE(make(RDB_FITTER_REPORT, 8), make(RDB_FITTER_REPORT, 9));
    EXPECT_NE(make(RDB_FITTER_REPORT, 8), make(RDB_ASSEMBLER_REPORT, 8));
    EXPECT_LT(make(RDB_ASSEMBLER_REPORT, 12), make(RDB_FITTER_REPORT, 5));
    EXPECT_LT(make(RDB_FITTER_REPORT, 5), make(RDB_FITTER_REPORT, 8));
    EXPECT_FALSE(make(RDB_FITTER_REPORT, 8) < make(RDB_FITTER_REPORT, 8));
    EXPECT_NE(RDB_REPORT_TYPE(), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX));

    EXPECT_EQ(make(RDB_FITTER_REPORT, 8).to_dbg_string(), "8");
    EXPECT_EQ(RDB_REPORT_TYPE(RDB_RTL_ANALYSIS_REPORT).to_dbg_string(), "21");
    EXPECT_EQ(RDB_REPORT_TYPE().to_dbg_string(), "22");
    EXPECT_TRUE(rdb_is_report_type_taw(RDB_REPORT_TYPE(RDB_TIMING_ANALYZER_GUI_REPORT)));
    EXPECT_TRUE(rdb_is_report_type_taw(make(RDB_TIMING_ANALYZER_GUI_REPORT, 8)));
    EXPECT_FALSE(rdb_is_report_type_taw(RDB_REPORT_TYPE(RDB_TIMING_ANALYSIS_REPORT)));
}

TEST(RdbReportType, IncrementVisitsEveryLabelAndStopsAtMax)
{
    std::vector<std::string> keys;
    RDB_REPORT_TYPE type(RDB_COMPILER_REPORT, KHD_SNAPSHOT_BASE::PLACED);
    for (;; ++type) {
        EXPECT_EQ(type.get_bound_stage().get_value(), 8);
        keys.push_back(rdb_report_type_to_string(RDB_REPORT_TYPE(type.get_label())));
        if (type.get_label() == RDB_RTL_ANALYSIS_REPORT) break;
    }
    const std::vector<std::string> expected = {"cmp", "sim",  "sta", "taw",  "asm",    "kxp",          "map",
                                               "fit", "fitw", "prw", "emit", "acvk",   "pplk",         "routing",
                                               "rtm", "snap", "vos", "da",   "fit.da", "synthesis.da", "rtl"};
    EXPECT_EQ(keys, expected);

    ++type;
    EXPECT_EQ(type.get_label(), RDB_REPORT_TYPE_MAX);
    EXPECT_INTERNAL_ERROR(++type, "m_label != RDB_REPORT_TYPE_MAX");
    EXPECT_EQ(type.get_label(), RDB_REPORT_TYPE_MAX);
}

TEST(RdbReportType, KeyTexts)
{
    EXPECT_STREQ(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_FITTER_REPORT)), "fit");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_TIMING_ANALYSIS_REPORT, 8)), "placed.sta");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_SYNTHESIS_REPORT, 5)), "synthesized.map");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_FITTER_REPORT, 7)), "early-placed.fit");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_RETIMER_REPORT, 10)), "retimed.rtm");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_FITTER_REPORT, 11)), "trellane.fit");
    EXPECT_STREQ(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_SYNTHESIS_OSTRAVEL_REPORT)), "synthesis.da");
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_FIT_OSTRAVEL_REPORT, 9)), "routed.fit.da");
}

TEST(RdbReportType, UserTexts)
{
    EXPECT_STREQ(rdb_report_type_to_user_string(make(RDB_COMPILER_REPORT, 5)), "Compilation (Synthesis)");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_RETIMER_REPORT)), "Retimer");
    EXPECT_STREQ(rdb_report_type_to_user_string(make(RDB_FITTER_REPORT, 7)), "Fitter (Early Placed)");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_TIMING_ANALYSIS_REPORT)), "Timing Analyzer");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_ASSEMBLER_REPORT)), "Assembler");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_SYNTHESIS_REPORT)), "Synthesis");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_FITTER_REPORT)), "Fitter");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_SNAP_REPORT)), "Skellin");
    EXPECT_STREQ(rdb_report_type_to_user_string(make(RDB_FIT_OSTRAVEL_REPORT, 11)), "Ostravel (Trellane)");
}

TEST(RdbReportType, TextPointersStayValidAndEqual)
{
    const RDB_REPORT_TYPE type(RDB_TIMING_ANALYSIS_REPORT, KHD_SNAPSHOT_BASE::ROUTED);
    const char* key = rdb_report_type_to_string(type);
    const char* user = rdb_report_type_to_user_string(type);
    // Many other entries are added to the caches meanwhile; the first pointers must not move.
    for (RDB_REPORT_TYPE other(RDB_COMPILER_REPORT);; ++other) {
        for (int stage : NAMEABLE_STAGES) {
            rdb_report_type_to_string(make(other.get_label(), stage));
            rdb_report_type_to_user_string(make(other.get_label(), stage));
        }
        if (other.get_label() == RDB_RTL_ANALYSIS_REPORT) break;
    }
    EXPECT_EQ(rdb_report_type_to_string(type), key);
    EXPECT_EQ(rdb_report_type_to_user_string(type), user);
    EXPECT_STREQ(key, "routed.sta");
    EXPECT_STREQ(user, "Timing Analyzer (Routed)");
}

TEST(RdbReportType, TypesWithoutTextsStop)
{
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX)),
                          "type != RDB_REPORT_TYPE_MAX");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX)),
                          "type != RDB_REPORT_TYPE_MAX");
    // The default type keeps stage 0, so it passes the first check and fails at the label tables.
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE()),
                          "rdb_label_to_extension.count( type.get_label() ) == 1");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(RDB_REPORT_TYPE()),
                          "rdb_label_to_user_string.count( type.get_label() ) == 1");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(make(RDB_REPORT_TYPE_MAX, 8)),
                          "rdb_label_to_extension.count( type.get_label() ) == 1");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN)),
                          "rdb_label_to_extension.count( type.get_label() ) == 1");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN)),
                          "rdb_label_to_user_string.count( type.get_label() ) == 1");
}

TEST(RdbReportType, UnnameableStagesStop)
{
    for (int stage : {1, 2, 4, 13, 14, 15, 16}) {
        const RDB_REPORT_TYPE type = make(RDB_FITTER_REPORT, stage);
        EXPECT_EQ(type.get_bound_stage().get_value(), stage);
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(type), INVALID_STAGE);
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(type), INVALID_STAGE);
        // A failed conversion leaves nothing behind: the next call fails the same way.
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(type), INVALID_STAGE);
    }
    try {
        rdb_report_type_to_string(make(RDB_FITTER_REPORT, 3));
        ADD_FAILURE() << "stage 3 has no key";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid map<K, T> key");
    }
    EXPECT_THROW(rdb_report_type_to_user_string(make(RDB_FITTER_REPORT, 3)), std::out_of_range);
}

TEST(RdbReportType, EncodingRoundTripsEveryLabelAndStage)
{
    EXPECT_EQ(RDB_REPORT_TYPE(RDB_COMPILER_REPORT).encode_as_int(), (1 + 786432) ^ 0xD15EA5E);
    EXPECT_EQ(make(RDB_FITTER_REPORT, 8).encode_as_int(), code_of(8, 8));

    std::set<int> codes;
    for (int label = RDB_REPORT_TYPE_MIN; label <= RDB_REPORT_TYPE_MAX; ++label) {
        for (int stage = 1; stage < KHD_SNAPSHOT_BASE::COUNT; ++stage) {
            const RDB_REPORT_TYPE type = make(static_cast<RDB_REPORT_TYPE_LABELS>(label), stage);
            const int code = type.encode_as_int();
            codes.insert(code);
            const RDB_REPORT_TYPE decoded(code, RDB_REPORT_TYPE::DECODE_FROM_INT{});
            EXPECT_EQ(decoded, type) << label << "/" << stage;
            EXPECT_EQ(decoded.get_bound_stage().get_value(), stage);
        }
    }
    EXPECT_EQ(codes.size(), 23u * 16u);

    // Stage 0 is kept by decoding: the default type survives the round trip unchanged.
    const RDB_REPORT_TYPE none;
    const RDB_REPORT_TYPE decoded_none(none.encode_as_int(), RDB_REPORT_TYPE::DECODE_FROM_INT{});
    EXPECT_EQ(decoded_none, none);
    EXPECT_EQ(decoded_none.get_bound_stage().get_value(), 0);
}

TEST(RdbReportType, EncodingRangeErrors)
{
    EXPECT_INTERNAL_ERROR(make(RDB_FITTER_REPORT, 17).encode_as_int(),
                          "upper_encode < RDB_UPPER_ENCODE_MAX_NUMBER_SPACE");
    EXPECT_INTERNAL_ERROR(make(RDB_FITTER_REPORT, -1).encode_as_int(),
                          "upper_encode < RDB_UPPER_ENCODE_MAX_NUMBER_SPACE");

    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(code_of(23, 12), RDB_REPORT_TYPE::DECODE_FROM_INT{}), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(0, RDB_REPORT_TYPE::DECODE_FROM_INT{}), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(-1, RDB_REPORT_TYPE::DECODE_FROM_INT{}), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(code_of(8, 17), RDB_REPORT_TYPE::DECODE_FROM_INT{}), "found");
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(code_of(8, 0x7FFF), RDB_REPORT_TYPE::DECODE_FROM_INT{}), "found");
}

TEST(RdbReportType, ParsingKeyTexts)
{
    const RDB_REPORT_TYPE synthesis_da = rdb_string_to_report_type("synthesis.da");
    EXPECT_EQ(synthesis_da.get_label(), RDB_SYNTHESIS_OSTRAVEL_REPORT);
    EXPECT_EQ(synthesis_da.get_bound_stage().get_value(), 12);
    EXPECT_EQ(rdb_string_to_report_type("fit.da"), RDB_REPORT_TYPE(RDB_FIT_OSTRAVEL_REPORT));
    EXPECT_EQ(rdb_string_to_report_type("da"), RDB_REPORT_TYPE(RDB_OSTRAVEL_REPORT));

    const RDB_REPORT_TYPE retimed = rdb_string_to_report_type("retimed.rtm");
    EXPECT_EQ(retimed.get_label(), RDB_RETIMER_REPORT);
    EXPECT_EQ(retimed.get_bound_stage().get_value(), 10);
    EXPECT_EQ(rdb_string_to_report_type("placed.sta"), make(RDB_TIMING_ANALYSIS_REPORT, 8));
    EXPECT_EQ(rdb_string_to_report_type("early-placed.fit"), make(RDB_FITTER_REPORT, 7));
    EXPECT_EQ(rdb_string_to_report_type("fit"), RDB_REPORT_TYPE(RDB_FITTER_REPORT));

    // Keys naming no label give label 0, stage stored as 12, silently.
    DEBUG_RECORDER rec;
    const RDB_REPORT_TYPE unknown = rdb_string_to_report_type("xyz");
    EXPECT_EQ(unknown.get_label(), RDB_REPORT_TYPE_MIN);
    EXPECT_EQ(unknown.get_bound_stage().get_value(), 12);
    EXPECT_EQ(rdb_string_to_report_type("FIT").get_label(), RDB_REPORT_TYPE_MIN);
    EXPECT_EQ(rdb_string_to_report_type("").get_label(), RDB_REPORT_TYPE_MIN);
    EXPECT_EQ(rdb_string_to_report_type(nullptr).get_label(), RDB_REPORT_TYPE_MIN);
    EXPECT_EQ(rdb_string_to_report_type("placed").get_label(), RDB_REPORT_TYPE_MIN);
    EXPECT_EQ(rdb_string_to_report_type("placed.xyz"), make(RDB_REPORT_TYPE_MIN, 8));
    EXPECT_EQ(rdb_string_to_report_type("fit."), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN));
    // The markers of unnameable stages are not stage keys.
    EXPECT_EQ(rdb_string_to_report_type(".sta"), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN));
    EXPECT_EQ(rdb_string_to_report_type("invalid.sta"), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN));
    EXPECT_TRUE(rec.lines().empty());

    EXPECT_INTERNAL_ERROR(rdb_string_to_report_type("a.b.c"), SPLIT);
    EXPECT_INTERNAL_ERROR(rdb_string_to_report_type("fit.da.x"), SPLIT);
    EXPECT_INTERNAL_ERROR(rdb_string_to_report_type("placed.xyz.da"), SPLIT);
    EXPECT_INTERNAL_ERROR(rdb_string_to_report_type("placed.placed.fit.da"), SPLIT);
}

TEST(RdbReportType, EveryKeyTextParsesBackToItsType)
{
    for (RDB_REPORT_TYPE label(RDB_COMPILER_REPORT);; ++label) {
        for (int stage : NAMEABLE_STAGES) {
            const RDB_REPORT_TYPE type = make(label.get_label(), stage);
            const char* key = rdb_report_type_to_string(type);
            EXPECT_EQ(rdb_string_to_report_type(key), type) << key;
        }
        if (label.get_label() == RDB_RTL_ANALYSIS_REPORT) break;
    }
    // A staged ostravel key carries two dots and still parses.
    EXPECT_EQ(rdb_string_to_report_type("placed.fit.da"), make(RDB_FIT_OSTRAVEL_REPORT, 8));
    EXPECT_EQ(rdb_string_to_report_type("synthesized.synthesis.da"), make(RDB_SYNTHESIS_OSTRAVEL_REPORT, 5));
}
