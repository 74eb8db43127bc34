#pragma once
// Test helpers: internal errors become exceptions, debug lines are recorded; files, texts and golden files.

#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Thrown by the internal-error handler the tests install; what() is the failed condition.
struct RDB_INTERNAL_ERROR_EXCEPTION : std::runtime_error {
    RDB_INTERNAL_ERROR_EXCEPTION(const std::string& condition, std::string file, int line)
        : std::runtime_error(condition), file(std::move(file)), line(line) {}
    std::string file;
    int line;
};

// Asserts that statement raises the internal error with exactly this condition text.
#define EXPECT_INTERNAL_ERROR(statement, condition)                                                       \
    do {                                                                                                 \
        try {                                                                                            \
            statement;                                                                                   \
            ADD_FAILURE() << "expected internal error \"" << (condition) << "\"";                       \
        } catch (const RDB_INTERNAL_ERROR_EXCEPTION& e) {                                                \
            EXPECT_EQ(std::string(e.what()), std::string(condition));                                    \
        }                                                                                                \
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

// Compares text with the golden file tests/golden/ascii/<name>.txt; with RDB_UPDATE_GOLDEN set the file
// is written instead and the test skipped.
void expect_golden(const std::string& name, const std::string& text);

// The object as T; a missing object or one of another class throws, which fails the test.
template <class T, class U> T& as(U* object)
{
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr) throw std::runtime_error(std::string("not a ") + typeid(T).name());
    return *typed;
}
