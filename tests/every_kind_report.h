#pragma once
// A small report holding an object of every kind, for round-trip tests and the fuzzers' corpus.

#include <memory>

class RDB_REPORT;

// Every folder, table, chart, grid, path, waveform, embedded and text kind, each with a little content.
// Interactive data only when asked for: its XML form is a notice text, not the object.
std::unique_ptr<RDB_REPORT> rdb_every_kind_report(bool with_interactive);
