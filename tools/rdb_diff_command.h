#pragma once
// The rdb tool's diff command: its options, its thresholds and its output.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "rdb_diff.h"

struct RDB_DIFF_OPTIONS {
    std::optional<std::string> against_project; // --against-project DIR
    std::vector<std::string> fail_if; // --fail-if EXPR, in order
    std::vector<std::string> thresholds_files; // --thresholds FILE
    bool json = false; // --json
    bool given() const { return against_project || !fail_if.empty() || !thresholds_files.empty() || json; }
};

// Takes argv[i] (and its value, moving i past it) when it is one of the diff options. False for any other
// word; a missing value is a message in *error.
bool rdb_diff_take_option(int argc, char** argv, int& i, RDB_DIFF_OPTIONS& options, std::string* error);

// The thresholds of --fail-if, then those of each file (one a line; blank lines and lines starting with
// '#' left out). False with a message in *error for a bad threshold or an unreadable file.
bool rdb_diff_read_thresholds(const RDB_DIFF_OPTIONS& options, std::vector<RDB_DIFF_THRESHOLD>& thresholds,
                              std::string* error);

// Compares old_main with new_main, writes the text (or JSON) form to out and answers the exit status:
// 1 when a threshold is crossed, else 0.
int rdb_diff_run(const RDB_FOLDER_OBJECT& old_main, const RDB_FOLDER_OBJECT& new_main,
                 const std::vector<RDB_DIFF_THRESHOLD>& thresholds, bool json, std::ostream& out);
