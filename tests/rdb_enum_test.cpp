#include "rdb_enum.h"

#include <atomic>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "rdb_report_type.h"
#include "rdb_vocabulary.h"
#include "test_support.h"

// ---- Object types --------------------------------------------------------------------------------

TEST(RdbObjectType, TextsConvertBothWaysExactly)
{
    const char* const texts[] = {"no_object",  "folder",    "text",       "interactive_report_data",
                                 "table",      "chart",     "embedded",   "summary",
                                 "gauges",     "tcl_table", "grid_table", "histogram",
                                 "link_table", "path",      "waveform",   "heatmap",
                                 "undefined"};
    DEBUG_RECORDER rec;
    for (unsigned value = 0; value <= RDB_OBJECT_TYPE_MAX; ++value) {
        const auto type = static_cast<RDB_OBJECT_TYPE>(value);
        EXPECT_EQ(rdb_object_type_to_rdb_string(type), texts[value]);
        EXPECT_EQ(rdb_string_to_rdb_object_type(texts[value]), type);
    }
    for (const char* other : {"Summary", "table ", "", "waveform_display"})
        EXPECT_EQ(rdb_string_to_rdb_object_type(other), RDB_OBJECT_TYPE_MAX) << other;
    EXPECT_TRUE(rec.lines().empty()); // an unknown text is an ordinary answer
    EXPECT_INTERNAL_ERROR(rdb_object_type_to_rdb_string(static_cast<RDB_OBJECT_TYPE>(17)),
                          "found_item != rdb_object_type_to_rdb_string_map.end()");
}

// ---- Translators ---------------------------------------------------------------------------------

TEST(RdbEnumTranslator, EveryTextMapsBackAndIllegalValuesNameTheEnumeration)
{
    const std::tuple<const KTL_ENUM_TRANSLATOR*, unsigned, const char*> enums[] = {
        {&ktl_get_translator<RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM>(), 3, "RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM"},
        {&ktl_get_translator<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>(), 10, "RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM"},
        {&ktl_get_translator<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>(), 9,
         "RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM"},
        {&ktl_get_translator<RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM>(), 18,
         "RDB_TAN_SLACK_TABLE_OBJECT_COLUMN_TYPES_ENUM"},
    };
    for (const auto& [translator, size, name] : enums) {
        ASSERT_EQ(translator->get_size(), size);
        for (unsigned value = 0; value < size; ++value) {
            const char* debug_text = translator->get_debug_string(value);
            ASSERT_NE(debug_text, nullptr) << value;
            EXPECT_EQ(translator->get_value(debug_text), value) << debug_text;
            const char* user_text = translator->get_user_string(value);
            EXPECT_TRUE(user_text == nullptr || translator->get_value(user_text) == value) << value;
        }
        const std::string illegal = std::string("The calling function has passed an illegal ") + name + ".";
        EXPECT_INTERNAL_ERROR(translator->get_user_string(size), illegal);
        EXPECT_INTERNAL_ERROR(translator->get_debug_string(0xFFFFFFFFu), illegal);
    }
}

TEST(RdbEnumTranslator, TextsAreExactAndUnknownsAreQuiet)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(static_cast<unsigned>(rdb_get_rdb_chart_table_object_chart_types_enum_by_string("Bar")), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<unsigned>(rdb_get_rdb_chart_table_object_chart_types_enum_by_string(nullptr)), 0xFFFFFFFFu);
    EXPECT_FALSE(rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(nullptr));
    EXPECT_STREQ(rdb_get_debug_string(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE), "CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE");
    // A value without a user text is not found by a lower-case name.
    EXPECT_EQ(rdb_get_user_string(EMBEDDED_OBJECT_MEMORY_TYPE), nullptr);
    EXPECT_FALSE(rdb_exists_rdb_embedded_object_embedded_type_enum_by_string("memory"));
    EXPECT_STREQ(rdb_get_user_string(EMBEDDED_OBJECT_EQUATION_TYPE), "equations");
    EXPECT_TRUE(rdb_exists_rdb_table_delay_element_display_option_enum_by_string("TABLE_DELAY_ELEMENT_NO_SLACK"));
    EXPECT_TRUE(rec.lines().empty());
}

// Translators and report-type texts are fetched and composed from several threads at once; under
// the sanitizers this also checks that their first-use creation and the text caches are race-free.
TEST(RdbEnumConcurrency, ThreadsShareTranslatorsAndReportTypeTexts)
{
    constexpr int THREADS = 8;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    std::vector<int> failures(THREADS, 0);
    std::vector<const char*> placed_sta(THREADS, nullptr);
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            for (++ready; ready.load() < THREADS;)
                std::this_thread::yield();
            if (rdb_get_rdb_tan_slack_table_object_column_types_enum_by_string("slack") != TAN_SLACK_TABLE_OBJECT_SLACK)
                ++failures[t];
            // Each thread starts at another stage so that first insertions overlap.
            for (int s = 0; s < 8; ++s) {
                for (RDB_REPORT_TYPE type(RDB_COMPILER_REPORT, RDB_BOUND_STAGE(5 + (s + t) % 8));; ++type) {
                    const char* user = rdb_report_type_to_user_string(type);
                    if (rdb_string_to_report_type(rdb_report_type_to_string(type)) != type || !*user) ++failures[t];
                    if (type.get_label() == RDB_RTL_ANALYSIS_REPORT) break;
                }
            }
            placed_sta[t] =
                rdb_report_type_to_string(RDB_REPORT_TYPE(RDB_TIMING_ANALYSIS_REPORT, KHD_SNAPSHOT_BASE::PLACED));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < THREADS; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
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
        {RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES, "Flow Messages are not contained in a KMSG file."},
        {RDB_TIMESTAMP_VAL, "Start date & time"},
        {RDB_NORMAL_FMAX_VAL, "%s ( period = %s )"},
        {RDB_NOT_OPERATIONAL_FMAX_VAL, "Not operational: Clock Skew > Data Delay"},
        {RDB_NOT_OPERATIONAL_PIN_FMAX_VAL, "Not operational: Hold Time > Input Delay"},
        {RDB_NEGATIVE_HOLD_VAL, "<= 0 ns"},
        {RDB_NO_SLACK_VAL, "N/A"},
        {RDB_FIT_RPT_NAME, "Fitter"}, // set from the flow names when the library is loaded
        {RDB_STA_RPT_NAME, "Timing Analyzer"},
        {RDB_MAP_RPT_NAME, "Synthesis"},
    };
    for (const auto& [constant, text] : fixed) {
        ASSERT_NE(constant, nullptr) << text;
        EXPECT_STREQ(constant, text);
    }
}
