#pragma once
// Comparison of two reports: objects matched by their path of names, tables by header text and by the
// text of their first column, numbers read from cell texts as people write them, thresholds that say
// when a change is too much, and the text and JSON forms of the result.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RDB_FOLDER_OBJECT;

// ---- Numbers in cell texts

// The number a cell text holds: the first number of "1,234,567", "-12.5 ns", "87 %", "1.2 GHz", or
// the used amount of "x / y ( z % )" (y is then the total).
struct RDB_CELL_NUMBER {
    double value = 0;
    int decimals = 0; // digits after the point as written, for showing a change the same way
    std::optional<double> total;
};

// The number of a cell text, or nothing: the text must start (after blanks) with an optionally signed
// number, digits grouped by ',' in threes allowed, and what follows it must hold no digit unless it is
// the "/ y ( z % )" of a utilisation. "00:01:02", "5CEA7" and "v1.2" are no numbers.
std::optional<RDB_CELL_NUMBER> rdb_read_cell_number(std::string_view text);

// The change from old_value to new_value as "+12 (+2.4%)": signed, with decimals digits, then the
// change relative to old_value with one decimal; without the percentage when old_value is 0.
std::string rdb_format_number_change(double old_value, double new_value, int decimals);

// ---- Differences

struct RDB_DIFF_CHANGE {
    enum class KIND {
        OBJECT_ADDED,
        OBJECT_REMOVED,
        KIND_CHANGED, // old_text and new_text are the kinds
        TEXT_CHANGED, // a text object's text, or a link's target
        COLUMN_ADDED, // column is the header text
        COLUMN_REMOVED,
        ROW_ADDED, // row and row_number name the row, cells are its texts
        ROW_REMOVED,
        CELL_CHANGED, // row, row_number, column, old_text, new_text; number_change when both hold numbers
    };
    KIND kind;
    std::string row; // the first column's text of the row
    std::uint64_t row_number = 0; // 1 for the first row under the header (in the new table, the old for removals)
    std::string column;
    std::string old_text;
    std::string new_text;
    std::string number_change; // "+12 (+2.4%)", or empty
    std::vector<std::string> cells;
};

// The differences of one object, found at the same path in both reports (or in one of them).
struct RDB_OBJECT_DIFF {
    std::vector<std::string> path; // names from the main folder down
    std::string kind; // the new object's kind, else the old one's ("table", "folder", ...)
    bool rows_by_position = false; // a table whose first column is no usable key: rows matched by position
    std::vector<RDB_DIFF_CHANGE> changes;
};

struct RDB_REPORT_DIFF {
    // Tree order: in each folder the old children in their order, then the children only the new one has.
    std::vector<RDB_OBJECT_DIFF> objects;
    bool empty() const { return objects.empty(); }
};

// Compares two report trees. Children of a folder are matched by name (the n-th child of a name with the
// n-th of that name); tables by header text, and rows by the first column's text when it is non-empty and
// unique in both tables, else by position. A summary table has no header row: its columns go by position. Links to
// other reports are compared by target, not followed.
RDB_REPORT_DIFF rdb_diff_reports(const RDB_FOLDER_OBJECT& old_main, const RDB_FOLDER_OBJECT& new_main);

// ---- Thresholds

// "PATH:ROW[:COLUMN] OP VALUE": a limit on one table cell. Each of PATH, ROW and COLUMN is written as
// it is (blanks around it dropped, no ':' in it) or in double quotes with \" and \\ for a quote and a
// backslash ("Fitter||Fitter Summary":"a:b"). OP is <, <=, > or >=. VALUE with a sign is a change
// ("+2%" relative to the old value, "-50" absolute), without a sign the new value itself. COLUMN is a
// header text; without it the second column is read (a summary table has no header: name no column).
struct RDB_DIFF_THRESHOLD {
    enum class OPERATOR { LESS, LESS_OR_EQUAL, GREATER, GREATER_OR_EQUAL };
    enum class LIMIT { VALUE, CHANGE, RELATIVE_CHANGE };
    std::string text; // as written
    std::string path; // names joined by "||"
    std::string row;
    std::optional<std::string> column;
    OPERATOR op = OPERATOR::LESS;
    LIMIT limit = LIMIT::VALUE;
    double bound = 0; // the percentage for RELATIVE_CHANGE
};

// The threshold written in text, or nothing with the reason in *error.
std::optional<RDB_DIFF_THRESHOLD> rdb_parse_diff_threshold(std::string_view text, std::string* error);

struct RDB_THRESHOLD_OUTCOME {
    enum class STATE { PASSED, CROSSED, NOT_EVALUATED };
    STATE state = STATE::NOT_EVALUATED;
    std::string threshold; // the threshold's text
    std::string old_text; // the cells read (old only for changes)
    std::string new_text;
    std::string reason; // why it was not evaluated
};

// Checks each threshold on the cells of the two reports, in order.
std::vector<RDB_THRESHOLD_OUTCOME> rdb_check_diff_thresholds(const RDB_FOLDER_OBJECT& old_main,
                                                             const RDB_FOLDER_OBJECT& new_main,
                                                             const std::vector<RDB_DIFF_THRESHOLD>& thresholds);

// ---- Forms

// One line per change, grouped under a line per object ("~ table Fitter||Fitter Summary"), then one line
// per threshold; "no differences" when there are none. Control characters in names and texts are
// written as escapes (\n, \xNN) so that every change stays on its line; other bytes are kept.
std::string rdb_diff_to_text(const RDB_REPORT_DIFF& diff, const std::vector<RDB_THRESHOLD_OUTCOME>& outcomes);
// One JSON document: {"identical": bool, "objects": [...], "thresholds": [...], "crossed": n}; every
// text a JSON string (invalid UTF-8 as U+FFFD).
std::string rdb_diff_to_json(const RDB_REPORT_DIFF& diff, const std::vector<RDB_THRESHOLD_OUTCOME>& outcomes);
