#pragma once
// Test helpers: internal errors become exceptions, debug lines are recorded; files, texts and golden files.

#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rdb_visitor.h"

class RDB_TABLE_ELEMENT;

// Thrown by the internal-error handler the tests install; what() is the failed condition.
struct RDB_INTERNAL_ERROR_EXCEPTION : std::runtime_error {
    RDB_INTERNAL_ERROR_EXCEPTION(const std::string& condition, std::string where, int at_line)
        : std::runtime_error(condition), file(std::move(where)), line(at_line)
    {
    }
    std::string file;
    int line;
};

// Asserts that statement raises the internal error with exactly this condition text.
#define EXPECT_INTERNAL_ERROR(statement, condition)                                                                    \
    do {                                                                                                               \
        try {                                                                                                          \
            statement;                                                                                                 \
            ADD_FAILURE() << "expected internal error \"" << (condition) << "\"";                                      \
        } catch (const RDB_INTERNAL_ERROR_EXCEPTION& e) {                                                              \
            EXPECT_EQ(std::string(e.what()), std::string(condition));                                                  \
        }                                                                                                              \
    } while (0)

// A debug line as the message service delivered it.
struct DEBUG_LINE {
    std::string component;
    int level;
    std::string text;
};

// Records debug lines while alive (nests: the innermost recorder gets them).
class DEBUG_RECORDER {
public:
    DEBUG_RECORDER();
    ~DEBUG_RECORDER();
    const std::vector<DEBUG_LINE>& lines() const { return m_lines; }
    // True when some recorded line's text equals text.
    bool saw(const std::string& text) const;

private:
    friend struct DEBUG_RECORDER_ACCESS;
    std::vector<DEBUG_LINE> m_lines;
    DEBUG_RECORDER* m_outer;
};

// Runs the test named by gtest_filter in a fresh process of this test program, with the environment
// variable marker set to "1" (the child test skips unless it sees it); answers the child's exit status,
// or -1 when it did not exit normally.
int run_test_in_fresh_process(const char* marker, const char* gtest_filter);

// A project folder of its own for one test: made empty under /tmp, chosen as the current project
// (with the report registry's project path reset), and removed with everything in it afterwards.
class TEMP_PROJECT {
public:
    explicit TEMP_PROJECT(const std::string& tag = "rdb_test");
    ~TEMP_PROJECT();
    TEMP_PROJECT(const TEMP_PROJECT&) = delete;
    TEMP_PROJECT& operator=(const TEMP_PROJECT&) = delete;

    const std::string& dir() const { return m_dir; }
    // A file of that name in the project's database folder, or in its output folder.
    std::string db_file(const std::string& name) const;
    std::string output_file(const std::string& name) const;

private:
    std::string m_dir;
};

// The whole content of a file (empty when it cannot be read).
std::string read_file(const std::string& path);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

// How many screen columns a UTF-8 line spans (its code points).
std::size_t screen_width(const std::string& line);

// "" when the texts are equal, else the number and both versions of the first line that differs (for
// failure messages about long texts).
std::string first_difference(const std::string& expected, const std::string& actual);

// text with the first occurrence of from replaced by to; a text without from fails the test.
std::string patched(std::string text, const std::string& from, const std::string& to);

// Compares text byte for byte with the golden file tests/golden/<file> and prints the first difference;
// with RDB_UPDATE_GOLDEN set the file is written instead and the test skipped.
void expect_golden(const std::string& file, const std::string& text);

// Every operation of RDB_OBJECT_VISITOR as X(operation, class of its argument, how the recorder takes it).
#define RDB_VISITOR_OPERATIONS(X)                                                                                      \
    X(object, RDB_OBJECT, record)                                                                                      \
    X(folder, RDB_FOLDER_OBJECT, walk_folder)                                                                          \
    X(link_rpt, RDB_LINK_RPT_OBJECT, walk_folder)                                                                      \
    X(text, RDB_TEXT_OBJECT, record)                                                                                   \
    X(legal, RDB_LEGAL_OBJECT, record)                                                                                 \
    X(interactive_report, RDB_INTERACTIVE_REPORT_DATA_OBJECT, record)                                                  \
    X(table, RDB_TABLE_OBJECT, walk_table)                                                                             \
    X(grid_table, RDB_GRID_TABLE_OBJECT, record)                                                                       \
    X(new_table, RDB_NEW_TABLE_OBJECT, walk_table)                                                                     \
    X(summary_table, RDB_SUMMARY_TABLE_OBJECT, walk_table)                                                             \
    X(tcl_table, RDB_TCL_TABLE_OBJECT, walk_table)                                                                     \
    X(link_table, RDB_LINK_TABLE_OBJECT, walk_table)                                                                   \
    X(chart, RDB_CHART_TABLE_OBJECT, walk_table)                                                                       \
    X(histogram, RDB_HISTOGRAM_TABLE_OBJECT, walk_table)                                                               \
    X(embedded, RDB_EMBEDDED_OBJECT, record)                                                                           \
    X(memory, RDB_MEMORY_OBJECT, record)                                                                               \
    X(gauges, RDB_GAUGES_OBJECT, record)                                                                               \
    X(path, RDB_PATH_OBJECT, record)                                                                                   \
    X(path_folder, RDB_PATH_FOLDER_OBJECT, walk_folder)                                                                \
    X(waveform_display, RDB_WAVEFORM_DISPLAY_OBJECT, record)                                                           \
    X(table_element, RDB_TABLE_ELEMENT, record_cell)                                                                   \
    X(table_string_element, RDB_TABLE_STRING_ELEMENT, record_cell)                                                     \
    X(table_tcl_cmd_element, RDB_TABLE_TCL_CMD_ELEMENT, record_cell)                                                   \
    X(table_delay_element, RDB_TABLE_DELAY_ELEMENT, record_cell)                                                       \
    X(table_int_element, RDB_TABLE_INT_ELEMENT, record_cell)                                                           \
    X(table_data_valid_window_element, RDB_TABLE_DATA_VALID_WINDOW_ELEMENT, record_cell)                               \
    X(table_location_schema_element, RDB_TABLE_LOCATION_SCHEMA_ELEMENT, record_cell)

// Records each visitor operation called, in order, as "<operation>:<name>" (the operation without its
// "visit_" prefix; a cell's name is its text). Walking, it also goes down into folders, link folders
// and path folders and offers every cell of a table; else it records the one call accept_visitor makes.
class RECORDING_VISITOR : public RDB_OBJECT_VISITOR {
public:
    explicit RECORDING_VISITOR(bool walk = false) : m_walk(walk) {}
    const std::vector<std::string>& calls() const { return m_calls; }
#define RDB_DECLARE_VISIT(operation, CLASS, action) void visit_##operation(CLASS* visited) override;
    RDB_VISITOR_OPERATIONS(RDB_DECLARE_VISIT)
#undef RDB_DECLARE_VISIT

private:
    void record(const char* operation, const RDB_OBJECT* object);
    void record_cell(const char* operation, const RDB_TABLE_ELEMENT* cell);
    void walk_folder(const char* operation, RDB_FOLDER_OBJECT* folder);
    void walk_table(const char* operation, RDB_TABLE_OBJECT* table);

    bool m_walk;
    std::vector<std::string> m_calls;
};

// The object as T; a missing object or one of another class throws, which fails the test.
template <class T, class U> T& as(U* object)
{
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr) throw std::runtime_error(std::string("not a ") + typeid(T).name());
    return *typed;
}
