// The rdb tool's diff command: its options, its thresholds and its output.

#include "rdb_diff_command.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

bool take_value(int argc, char** argv, int& i, const std::string& option, std::string& value, std::string* error)
{
    const std::string arg = argv[i];
    if (arg.starts_with(option + "=")) {
        value = arg.substr(option.size() + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        *error = option + " needs a value";
        return false;
    }
    return true;
}

bool add_threshold(const std::string& text, const std::string& where, std::vector<RDB_DIFF_THRESHOLD>& thresholds,
                   std::string* error)
{
    std::string problem;
    std::optional<RDB_DIFF_THRESHOLD> threshold = rdb_parse_diff_threshold(text, &problem);
    if (!threshold) {
        *error = "bad threshold " + where + ": " + problem;
        return false;
    }
    thresholds.push_back(std::move(*threshold));
    return true;
}

} // namespace

bool rdb_diff_take_option(int argc, char** argv, int& i, RDB_DIFF_OPTIONS& options, std::string* error)
{
    const std::string arg = argv[i];
    const auto is = [&](const std::string& option) { return arg == option || arg.starts_with(option + "="); };
    std::string value;
    if (arg == "--json") {
        options.json = true;
    } else if (is("--against-project")) {
        if (take_value(argc, argv, i, "--against-project", value, error)) {
            if (value.empty()) *error = "--against-project needs a directory";
            options.against_project = value;
        }
    } else if (is("--fail-if")) {
        if (take_value(argc, argv, i, "--fail-if", value, error)) options.fail_if.push_back(value);
    } else if (is("--thresholds")) {
        if (take_value(argc, argv, i, "--thresholds", value, error)) options.thresholds_files.push_back(value);
    } else {
        return false;
    }
    return true;
}

bool rdb_diff_read_thresholds(const RDB_DIFF_OPTIONS& options, std::vector<RDB_DIFF_THRESHOLD>& thresholds,
                              std::string* error)
{
    for (const std::string& text : options.fail_if)
        if (!add_threshold(text, "'" + text + "'", thresholds, error)) return false;
    for (const std::string& file : options.thresholds_files) {
        std::error_code ec;
        std::ifstream in(file, std::ios::binary);
        if (!in || std::filesystem::is_directory(file, ec)) {
            *error = "cannot read the thresholds file '" + file + "'";
            return false;
        }
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line[first] == '#') continue;
            if (!add_threshold(line, "at " + file + ":" + std::to_string(number), thresholds, error)) return false;
        }
        if (in.bad()) {
            *error = "cannot read the thresholds file '" + file + "'";
            return false;
        }
    }
    return true;
}

int rdb_diff_run(const RDB_FOLDER_OBJECT& old_main, const RDB_FOLDER_OBJECT& new_main,
                 const std::vector<RDB_DIFF_THRESHOLD>& thresholds, bool json, std::ostream& out)
{
    const RDB_REPORT_DIFF diff = rdb_diff_reports(old_main, new_main);
    const std::vector<RDB_THRESHOLD_OUTCOME> outcomes = rdb_check_diff_thresholds(old_main, new_main, thresholds);
    out << (json ? rdb_diff_to_json(diff, outcomes) : rdb_diff_to_text(diff, outcomes));
    for (const RDB_THRESHOLD_OUTCOME& outcome : outcomes)
        if (outcome.state == RDB_THRESHOLD_OUTCOME::STATE::CROSSED) return 1;
    return 0;
}
