#include "rdb_enum.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "rdb_report_type.h"
#include "rdb_vocabulary.h"
#include "test_support.h"

namespace {

void expect_every_text_maps_back(const KTL_ENUM_TRANSLATOR& translator)
{
    for (unsigned value = 0; value < translator.get_size(); ++value) {
        const char* debug_text = translator.get_debug_string(value);
        ASSERT_NE(debug_text, nullptr) << value;
        EXPECT_EQ(translator.get_value(debug_text), value) << debug_text;
        if (const char* user_text = translator.get_user_string(value)) {
            EXPECT_EQ(translator.get_value(user_text), value) << user_text;
        }
    }
}

} // namespace

// ---- Object types --------------------------------------------------------------------------------

TEST(RdbObjectType, TextsConvertBothWays)
{
    const char* const texts[] = {
        "no_object",  "folder",    "text",       "interactive_report_data",
        "table",      "chart",     "embedded",   "summary",
        "gauges",     "tcl_table", "grid_table", "histogram",
        "link_table", "path",      "waveform",   "heatmap",
        "undefined",
    };
    for (unsigned value = 0; value <= RDB_OBJECT_TYPE_MAX; ++value) {
        const auto type = static_cast<RDB_OBJECT_TYPE>(value);
        EXPECT_EQ(rdb_object_type_to_rdb_string(type), texts[value]);
        EXPECT_EQ(rdb_string_to_rdb_object_type(texts[value]), type);
    }
}

TEST(RdbObjectType, TextsAreExactAndCaseSensitive)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_string_to_rdb_object_type("summary"), RDB_SUMMARY_TABLE_TYPE);
    EXPECT_EQ(rdb_string_to_rdb_object_type("Summary"), RDB_OBJECT_TYPE_MAX);
    EXPECT_EQ(rdb_string_to_rdb_object_type("undefined"), RDB_OBJECT_TYPE_MAX);
    EXPECT_EQ(rdb_string_to_rdb_object_type("waveform_display"), RDB_OBJECT_TYPE_MAX);
    EXPECT_EQ(rdb_string_to_rdb_object_type(""), RDB_OBJECT_TYPE_MAX);
    EXPECT_EQ(rdb_string_to_rdb_object_type("table "), RDB_OBJECT_TYPE_MAX);
    EXPECT_EQ(rdb_object_type_to_rdb_string(RDB_WAVEFORM_DISPLAY_TYPE), "waveform");
    EXPECT_EQ(rdb_object_type_to_rdb_string(RDB_OBJECT_TYPE_MAX), "undefined");
    // Unknown texts are an ordinary answer, not an oddity worth a debug line.
    EXPECT_TRUE(rec.lines().empty());
}

TEST(RdbObjectType, ValueWithoutTextIsInternalError)
{
    EXPECT_INTERNAL_ERROR(rdb_object_type_to_rdb_string(static_cast<RDB_OBJECT_TYPE>(17)),
                          "found_item != rdb_object_type_to_rdb_string_map.end()");
    EXPECT_INTERNAL_ERROR(rdb_object_type_to_rdb_string(static_cast<RDB_OBJECT_TYPE>(0xFFFFFFFFu)),
                          "found_item != rdb_object_type_to_rdb_string_map.end()");
}

// ---- Translators ---------------------------------------------------------------------------------

TEST(RdbEnumTranslator, ChartTypes)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_get_rdb_chart_table_object_chart_types_enum_by_string("bar"), CHART_TABLE_OBJECT_BAR_CHART);
    EXPECT_EQ(rdb_get_rdb_chart_table_object_chart_types_enum_by_string("CHART_TABLE_OBJECT_BAR_CHART"),
              CHART_TABLE_OBJECT_BAR_CHART);
    EXPECT_EQ(static_cast<unsigned>(rdb_get_rdb_chart_table_object_chart_types_enum_by_string("Bar")), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<unsigned>(rdb_get_rdb_chart_table_object_chart_types_enum_by_string(nullptr)), 0xFFFFFFFFu);
    EXPECT_TRUE(rdb_exists_rdb_chart_table_object_chart_types_enum_by_string("pie"));
    EXPECT_FALSE(rdb_exists_rdb_chart_table_object_chart_types_enum_by_string("Bar"));
    EXPECT_FALSE(rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(""));
    EXPECT_FALSE(rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(nullptr));
    EXPECT_STREQ(rdb_get_user_string(CHART_TABLE_OBJECT_PIE_CHART), "pie");
    EXPECT_EQ(rdb_get_user_string(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE), nullptr);
    EXPECT_STREQ(rdb_get_debug_string(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE), "CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE");
    EXPECT_EQ(ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>().get_size(), 3u);
    expect_every_text_maps_back(ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>());
    EXPECT_TRUE(rec.lines().empty());
}

TEST(RdbEnumTranslator, EmbeddedTypes)
{
    EXPECT_EQ(rdb_get_user_string(EMBEDDED_OBJECT_MEMORY_TYPE), nullptr);
    EXPECT_EQ(rdb_get_user_string(EMBEDDED_OBJECT_WAVEFORM_TYPE), nullptr);
    EXPECT_STREQ(rdb_get_user_string(EMBEDDED_OBJECT_EQUATION_TYPE), "equations");
    EXPECT_STREQ(rdb_get_user_string(EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE), "suppressed_messages");
    EXPECT_STREQ(rdb_get_debug_string(EMBEDDED_OBJECT_TEXT_EDITOR_TYPE), "EMBEDDED_OBJECT_TEXT_EDITOR_TYPE");
    EXPECT_EQ(rdb_get_rdb_embedded_object_embedded_type_enum_by_string("pinout"), EMBEDDED_OBJECT_PINOUT_TYPE);
    EXPECT_EQ(rdb_get_rdb_embedded_object_embedded_type_enum_by_string("EMBEDDED_OBJECT_MEMORY_TYPE"),
              EMBEDDED_OBJECT_MEMORY_TYPE);
    EXPECT_TRUE(rdb_exists_rdb_embedded_object_embedded_type_enum_by_string("timing_analysis"));
    EXPECT_FALSE(rdb_exists_rdb_embedded_object_embedded_type_enum_by_string("memory"));
    EXPECT_EQ(ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>().get_size(), 10u);
    expect_every_text_maps_back(ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>());
}

TEST(RdbEnumTranslator, DelayDisplayOptions)
{
    EXPECT_EQ(rdb_get_rdb_table_delay_element_display_option_enum_by_string("no_req"), TABLE_DELAY_ELEMENT_NO_REQ);
    EXPECT_EQ(rdb_get_rdb_table_delay_element_display_option_enum_by_string("no_units"), TABLE_DELAY_ELEMENT_NO_UNITS);
    EXPECT_STREQ(rdb_get_user_string(TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN), "not_operational_pin");
    EXPECT_STREQ(rdb_get_debug_string(TABLE_DELAY_ELEMENT_RESTRICTED_FMAX), "TABLE_DELAY_ELEMENT_RESTRICTED_FMAX");
    EXPECT_TRUE(rdb_exists_rdb_table_delay_element_display_option_enum_by_string("TABLE_DELAY_ELEMENT_NO_SLACK"));
    EXPECT_FALSE(rdb_exists_rdb_table_delay_element_display_option_enum_by_string("NO_REQ"));
    EXPECT_EQ(ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>().get_size(), 9u);
    expect_every_text_maps_back(ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>());
}

TEST(RdbEnumTranslator, SlackTableColumns)
{
    EXPECT_EQ(rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string("number_of_failing_paths"),
              TAN_SLACK_TABLE_OBJECT_NUMBER_OF_FAILING_PATHS);
    EXPECT_EQ(rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string("required_p2p_delay"),
              TAN_SLACK_TABLE_OBJECT_REQUIRED_P2P_DELAY);
    EXPECT_EQ(rdb_get_user_string(TAN_SLACK_TABLE_OBJECT_DEFAULT), nullptr);
    EXPECT_STREQ(rdb_get_user_string(TAN_SLACK_TABLE_OBJECT_TYPE), "type");
    EXPECT_STREQ(rdb_get_debug_string(TAN_SLACK_TABLE_OBJECT_DQ), "TAN_SLACK_TABLE_OBJECT_DQ");
    EXPECT_FALSE(rdb_exists_rdb_tan_slack_table_object_column_types_enum_by_string("default"));
    EXPECT_EQ(ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>().get_size(), 18u);
    expect_every_text_maps_back(ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>());
}

TEST(RdbEnumTranslator, IllegalValueNamesTheEnumeration)
{
    EXPECT_INTERNAL_ERROR(rdb_get_user_string(static_cast<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>(3)),
                          "The calling function has passed an illegal RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM.");
    EXPECT_INTERNAL_ERROR(rdb_get_debug_string(static_cast<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>(10)),
                          "The calling function has passed an illegal RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM.");
    EXPECT_INTERNAL_ERROR(rdb_get_debug_string(static_cast<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>(9)),
                          "The calling function has passed an illegal RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM.");
    EXPECT_INTERNAL_ERROR(rdb_get_user_string(static_cast<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>(0xFFFFFFFFu)),
                          "The calling function has passed an illegal RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM.");
}

TEST(RdbEnumTranslator, EachEnumerationHasOneTranslator)
{
    const KTL_ENUM_TRANSLATOR* chart = &ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>();
    const KTL_ENUM_TRANSLATOR* embedded = &ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>();
    const KTL_ENUM_TRANSLATOR* delay = &ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>();
    const KTL_ENUM_TRANSLATOR* slack = &ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>();
    EXPECT_EQ(chart, &ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>());
    EXPECT_EQ(slack, &ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>());
    EXPECT_NE(chart, embedded);
    EXPECT_NE(delay, slack);
    EXPECT_EQ(chart->get_invalid_value(), 0xFFFFFFFFu);
}

// Translators and report-type texts are fetched and composed from several threads at once; under
// the sanitizers this also checks that their first-use creation and the text caches are race-free.
TEST(RdbEnumConcurrency, ThreadsShareTranslatorsAndReportTypeTexts)
{
    constexpr int THREADS = 8;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    std::vector<int> failures(THREADS, 0);
    std::vector<const KTL_ENUM_TRANSLATOR*> translators(THREADS, nullptr);
    std::vector<const char*> placed_sta(THREADS, nullptr);

    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < THREADS)
                std::this_thread::yield();
            translators[t] = &ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>();
            for (int round = 0; round < 50; ++round) {
                // Each thread starts at another stage so that first insertions overlap.
                for (int s = 0; s < 8; ++s) {
                    const int stages[] = {5, 6, 7, 8, 9, 10, 11, 12};
                    const RDB_BOUND_STAGE stage(stages[(s + t) % 8]);
                    for (RDB_REPORT_TYPE type(RDB_COMPILER_REPORT, stage);; ++type) {
                        const char* key = rdb_report_type_to_string(type);
                        const char* user = rdb_report_type_to_user_string(type);
                        if (rdb_string_to_report_type(key) != type) ++failures[t];
                        if (user == nullptr || user[0] == '\0') ++failures[t];
                        if (RDB_REPORT_TYPE(type.encode_as_int(), RDB_REPORT_TYPE::DECODE_FROM_INT{}) != type)
                            ++failures[t];
                        if (type.get_label() == RDB_RTL_ANALYSIS_REPORT) break;
                    }
                }
                if (rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string("slack") !=
                    TAN_SLACK_TABLE_OBJECT_SLACK)
                    ++failures[t];
                if (std::strcmp(rdb_get_debug_string(CHART_TABLE_OBJECT_PIE_CHART), "CHART_TABLE_OBJECT_PIE_CHART") !=
                    0)
                    ++failures[t];
            }
            placed_sta[t] =
                rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_TIMING_ANALYSIS_REPORT, KHD_SNAPSHOT_BASE::PLACED));
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    for (int t = 0; t < THREADS; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
        EXPECT_EQ(translators[t], translators[0]);
        EXPECT_EQ(placed_sta[t], placed_sta[0]);
    }
    EXPECT_STREQ(placed_sta[0], "placed.sta");
}

// ---- Vocabulary ----------------------------------------------------------------------------------

TEST(RdbVocabulary, TextsTheLibraryRelyOnAreSpelledExactly)
{
    EXPECT_EQ(RDB_ROW_END, nullptr);
    const std::pair<const char*, const char*> fixed[] = {
        {RDB_TABLE_OF_CONTENTS, "Table of Contents"},
        {RDB_FLOW_MESSAGE_RPT_NAME, "Flow Messages"},
        {RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME, "Flow Suppressed Messages"},
        {RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES, "Flow Messages are not contained in a KMSG file."},
        {RDB_WARNING_MESSAGES_STR, "Warning Messages"},
        {RDB_MESSAGE_OBJECT_NAME, "Messages"},
        {RDB_SUPPRESSED_MESSAGES_STR, "Suppressed Messages"},
        {RDB_SETTINGS, "Settings"},
        {RDB_SYNTHESIS, "Synthesis"},
        {RDB_SYNTHESIS_SETTING_TABLE_NAME, "Synthesis Settings"},
        {RDB_REVISION_NAME, "Revision Name"},
        {RDB_COMPILER_VAL, "Compilation"},
        {RDB_MAIN_TASK_VAL, "Main task"},
        {RDB_TIMESTAMP_VAL, "Start date & time"},
        {RDB_DEVICE, "Device"},
        {RDB_NORMAL_FMAX_VAL, "%s ( period = %s )"},
        {RDB_NOT_OPERATIONAL_FMAX_VAL, "Not operational: Clock Skew > Data Delay"},
        {RDB_NOT_OPERATIONAL_PIN_FMAX_VAL, "Not operational: Hold Time > Input Delay"},
        {RDB_NEGATIVE_HOLD_VAL, "<= 0 ns"},
        {RDB_NO_SLACK_VAL, "N/A"},
        {RDB_NO_REQUIREMENT_VAL, "None"},
        {RDB_TBLE_BYTE_ORDERING_MODE, "Byte Ordering Mode"},
        {RDB_SYNTH_ABSOLUTE_FILE_NAME, "File Name with Absolute Path"},
        {RDB_TOTAL, "Total"},
        {RDB_DRC_COMB_LOOP, "Combinational loop"},
        {RDB_VAL_AUTO, "Automatic"},
    };
    for (const auto& [constant, text] : fixed) {
        ASSERT_NE(constant, nullptr) << text;
        EXPECT_STREQ(constant, text);
    }
    // Names taken from the flow names when the library is loaded.
    EXPECT_STREQ(RDB_FITTER, "Fitter");
    EXPECT_STREQ(RDB_FIT_RPT_NAME, "Fitter");
    EXPECT_STREQ(RDB_STA_RPT_NAME, "Timing Analyzer");
    EXPECT_STREQ(RDB_MAP_RPT_NAME, "Synthesis");
    EXPECT_STREQ(RDB_ASM_RPT_NAME, "Assembler");
}
