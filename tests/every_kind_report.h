#pragma once
// A small report holding an object of every kind, for round-trip tests and the fuzzers' corpus.

#include <memory>

class RDB_REPORT;

// Every folder, table, chart, grid, path, waveform, embedded, text and cell kind, each with a little
// content, and every object field the file forms carry set to a value other than a new object's. One
// link folder's report is registered under its key (the registry owns it; a second call replaces it).
std::unique_ptr<RDB_REPORT> rdb_every_kind_report();
