#pragma once
// The demo compilation report of a made-up design: a flow summary and settings, one stage folder
// per compilation stage (synthesis, fitter, timing analysis, assembler) with settings and resource
// tables, a resource chart, a routing heat map, a slack histogram, memory contents, notes and
// messages. The data is made by fixed pseudo-random generators, so every run builds the same report.

#include <memory>
#include <string>
#include <vector>

class RDB_REPORT;

// The revision and report type key the demo report is stored under.
inline constexpr const char* RDB_DEMO_REVISION = "pixel_pipe";
inline constexpr const char* RDB_DEMO_TYPE_KEY = "cmp";

// Writes the message files of every stage into the project database folder db_dir; answers the
// paths written, or an empty list (with error set) when one cannot be written.
std::vector<std::string> rdb_demo_write_message_files(const std::string& db_dir, std::string& error);

// Builds the report. The message files must be written first: the message objects read them.
// date_and_time is the compilation date the flow summary shows.
std::unique_ptr<RDB_REPORT> rdb_demo_build_report(const std::string& date_and_time);
