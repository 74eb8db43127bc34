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
constexpr const char* NO_KEY = "rdb_label_to_extension.count( type.get_label() ) == 1";
constexpr const char* NO_USER_TEXT = "rdb_label_to_user_string.count( type.get_label() ) == 1";

RDB_REPORT_TYPE make(RDB_REPORT_TYPE_LABELS label, int stage) { return RDB_REPORT_TYPE(label, RDB_BOUND_STAGE(stage)); }

RDB_REPORT_TYPE decode(int code) { return RDB_REPORT_TYPE(code, RDB_REPORT_TYPE::DECODE_FROM_INT{}); }

int code_of(unsigned label, unsigned stage) { return static_cast<int>((label + (stage << 16)) ^ 0xD15EA5Eu); }

} // namespace

TEST(RdbReportType, ConstructionOrderAndIncrement)
{
    EXPECT_EQ(RDB_REPORT_TYPE().get_bound_stage().get_value(), 0);
    EXPECT_EQ(RDB_REPORT_TYPE(RDB_FITTER_REPORT), make(RDB_FITTER_REPORT, 12)); // stage 0 is stored as 12
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(static_cast<RDB_REPORT_TYPE_LABELS>(23)), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(RDB_REPORT_TYPE(static_cast<RDB_REPORT_TYPE_LABELS>(-1)), LABEL_RANGE);

    // Label first, then stage: a strict weak order.
    EXPECT_LT(make(RDB_ASSEMBLER_REPORT, 12), make(RDB_FITTER_REPORT, 5));
    EXPECT_LT(make(RDB_FITTER_REPORT, 5), make(RDB_FITTER_REPORT, 8));
    EXPECT_FALSE(make(RDB_FITTER_REPORT, 8) < make(RDB_FITTER_REPORT, 8));
    EXPECT_NE(RDB_REPORT_TYPE(), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX));

    // ++ keeps the stage and visits every label.
    std::vector<std::string> keys;
    RDB_REPORT_TYPE type(RDB_COMPILER_REPORT, KHD_SNAPSHOT_BASE::PLACED);
    for (; type.get_label() != RDB_REPORT_TYPE_MAX; ++type)
        keys.push_back(rdb_report_type_to_string(RDB_REPORT_TYPE(type.get_label())));
    const std::vector<std::string> expected = {"cmp", "sim",  "sta", "taw",  "asm",    "kxp",          "map",
                                               "fit", "fitw", "prw", "emit", "acvk",   "pplk",         "routing",
                                               "rtm", "snap", "vos", "da",   "fit.da", "synthesis.da", "rtl"};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(type.get_bound_stage().get_value(), 8);
    EXPECT_INTERNAL_ERROR(++type, "m_label != RDB_REPORT_TYPE_MAX");
}

TEST(RdbReportType, KeyAndUserTextsPerStage)
{
    const struct {
        int stage;
        const char* key;
        const char* user;
    } stages[] = {{5, "synthesized.fit", "Fitter (Synthesis)"},
                  {6, "planned.fit", "Fitter (Planned)"},
                  {7, "early-placed.fit", "Fitter (Early Placed)"},
                  {8, "placed.fit", "Fitter (Placed)"},
                  {9, "routed.fit", "Fitter (Routed)"},
                  {10, "retimed.fit", "Fitter (Retimed)"},
                  {11, "trellane.fit", "Fitter (Trellane)"},
                  {12, "fit", "Fitter"}};
    for (const auto& s : stages) {
        EXPECT_STREQ(rdb_report_type_to_string(make(RDB_FITTER_REPORT, s.stage)), s.key);
        EXPECT_STREQ(rdb_report_type_to_user_string(make(RDB_FITTER_REPORT, s.stage)), s.user);
    }
    EXPECT_STREQ(rdb_report_type_to_string(make(RDB_FIT_OSTRAVEL_REPORT, 9)), "routed.fit.da");
    EXPECT_STREQ(rdb_report_type_to_user_string(make(RDB_FIT_OSTRAVEL_REPORT, 11)), "Ostravel (Trellane)");
    EXPECT_STREQ(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_TIMING_ANALYSIS_REPORT)), "Timing Analyzer");
}

TEST(RdbReportType, TypesWithoutTextsStop)
{
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX)),
                          "type != RDB_REPORT_TYPE_MAX");
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MAX)),
                          "type != RDB_REPORT_TYPE_MAX");
    // The default type keeps stage 0, so it passes the first check and fails at the label tables.
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE()), NO_KEY);
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(RDB_REPORT_TYPE()), NO_USER_TEXT);
    EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN)), NO_KEY);

    for (int stage : {1, 2, 4, 13, 16}) {
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(make(RDB_FITTER_REPORT, stage)), INVALID_STAGE);
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_user_string(make(RDB_FITTER_REPORT, stage)), INVALID_STAGE);
        // A failed conversion leaves nothing behind: the next call fails the same way.
        EXPECT_INTERNAL_ERROR(rdb_report_type_to_string(make(RDB_FITTER_REPORT, stage)), INVALID_STAGE);
    }
    // Stage 3 has no row at all.
    EXPECT_THROW(rdb_report_type_to_string(make(RDB_FITTER_REPORT, 3)), std::out_of_range);
    EXPECT_THROW(rdb_report_type_to_user_string(make(RDB_FITTER_REPORT, 3)), std::out_of_range);
}

TEST(RdbReportType, EncodingRoundTripsEveryLabelAndStage)
{
    EXPECT_EQ(RDB_REPORT_TYPE(RDB_COMPILER_REPORT).encode_as_int(), (1 + 786432) ^ 0xD15EA5E);
    std::set<int> codes;
    for (int label = RDB_REPORT_TYPE_MIN; label <= RDB_REPORT_TYPE_MAX; ++label) {
        for (int stage = 1; stage < KHD_SNAPSHOT_BASE::COUNT; ++stage) {
            const RDB_REPORT_TYPE type = make(static_cast<RDB_REPORT_TYPE_LABELS>(label), stage);
            codes.insert(type.encode_as_int());
            EXPECT_EQ(decode(type.encode_as_int()), type) << label << "/" << stage;
        }
    }
    EXPECT_EQ(codes.size(), 23u * 16u);
    // Stage 0 is kept by decoding: the default type survives the round trip unchanged.
    EXPECT_EQ(decode(RDB_REPORT_TYPE().encode_as_int()).get_bound_stage().get_value(), 0);

    EXPECT_INTERNAL_ERROR(make(RDB_FITTER_REPORT, 17).encode_as_int(),
                          "upper_encode < RDB_UPPER_ENCODE_MAX_NUMBER_SPACE");
    EXPECT_INTERNAL_ERROR(make(RDB_FITTER_REPORT, -1).encode_as_int(),
                          "upper_encode < RDB_UPPER_ENCODE_MAX_NUMBER_SPACE");
    EXPECT_INTERNAL_ERROR(decode(code_of(23, 12)), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(decode(-1), LABEL_RANGE);
    EXPECT_INTERNAL_ERROR(decode(code_of(8, 17)), "found");
}

TEST(RdbReportType, ParsingKeyTexts)
{
    // Every key parses back; the entries this adds to the caches must not move texts handed out before.
    const char* routed_sta = rdb_report_type_to_string(make(RDB_TIMING_ANALYSIS_REPORT, 9));
    const char* routed_sta_user = rdb_report_type_to_user_string(make(RDB_TIMING_ANALYSIS_REPORT, 9));
    for (RDB_REPORT_TYPE label(RDB_COMPILER_REPORT); label.get_label() != RDB_REPORT_TYPE_MAX; ++label) {
        for (int stage = 5; stage <= 12; ++stage) {
            const char* key = rdb_report_type_to_string(make(label.get_label(), stage));
            EXPECT_EQ(rdb_string_to_report_type(key), make(label.get_label(), stage)) << key;
            EXPECT_NE(*rdb_report_type_to_user_string(make(label.get_label(), stage)), '\0');
        }
    }
    EXPECT_EQ(rdb_report_type_to_string(make(RDB_TIMING_ANALYSIS_REPORT, 9)), routed_sta);
    EXPECT_EQ(rdb_report_type_to_user_string(make(RDB_TIMING_ANALYSIS_REPORT, 9)), routed_sta_user);
    EXPECT_STREQ(routed_sta_user, "Timing Analyzer (Routed)");

    // Keys naming no label give label 0, silently; markers of unnameable stages are not stage keys.
    DEBUG_RECORDER rec;
    for (const char* text : {"xyz", "FIT", "", "placed", "fit.", ".sta", "invalid.sta"})
        EXPECT_EQ(rdb_string_to_report_type(text), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN)) << text;
    EXPECT_EQ(rdb_string_to_report_type(nullptr), RDB_REPORT_TYPE(RDB_REPORT_TYPE_MIN));
    EXPECT_EQ(rdb_string_to_report_type("placed.xyz"), make(RDB_REPORT_TYPE_MIN, 8));
    EXPECT_TRUE(rec.lines().empty());

    for (const char* text : {"a.b.c", "fit.da.x", "placed.xyz.da", "placed.placed.fit.da"})
        EXPECT_INTERNAL_ERROR(rdb_string_to_report_type(text), SPLIT);
}
