#pragma once
// The check the report-writers fuzz target runs on each input, shared with the test that replays the
// committed inputs: the input's bytes become the names and texts of a small report, which goes through
// the whole-report JSON, the JSON panels, the SQLite exporter and the conversion of a table into SQLite,
// and every output must read back whole with each text as it went in.

#include <string>
#include <string_view>

// Splits input at NUL bytes into texts (at most 64, each cut to 256 bytes), builds the report and checks
// every writer, using scratch (an existing, empty directory) for the files. Returns what went wrong, or
// an empty text when every output read back.
std::string rdb_check_report_writers(std::string_view input, const std::string& scratch);
