#pragma once
// XML report files: a whole report (its folders and every panel below them) or a single object (a
// "panel") written as one XML document, and such a document read back into a new report.
//
// The format is flat: folders are listed once in a "folders" section, panels follow in "panels",
// and every object names its parent folder by number ("parent_id"). Trait values travel in a
// trailing "dtraits" element. Timing paths (with their sub-objects nested), grid tables, gauges in a
// folder, waveform displays, path and master-detail folders' links to their children and the
// report's current folder are written in elements of this library's own ("path", "grid_table",
// "gauges", "waveform_display", "path_folder_links", "master_detail_links", "current_folder"),
// which other readers pass over. The fields the standard elements leave out travel in attributes of
// our own, present only when a field differs from a new object's: the main folder's on "root",
// interactive data's on the text element that holds a notice in its place for other readers, a
// nested object's number in the trait archive ("trait_id"); the texts among them are
// percent-encoded where needed (see rdb_xml_escape) and read back byte for byte. A link folder reads
// back as a link to the report its key names; the linked content written below it is for other
// readers. Documents are written by one thread at a time (the indentation depth is process-wide); a
// read keeps process-wide state too, so one read at a time per process.

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include <gsl/span>

#include "rdb_enum.h"
#include "rdb_escape.h" // rdb_xml_escape

class RDB_OBJECT;
class RDB_REPORT;

// Writes the report document into file: gzip when compressed is set, plain text otherwise. An empty
// file name is the internal error "gen_strlen(file) > 0". Returns true when the whole document
// reached the file; false when report is null (nothing is written) or on any I/O failure (the file
// cannot be created, a write or the close fails).
bool rdb_write_xml_report(const RDB_REPORT* report, const char* file, bool compressed);
// The same for the panel document of one object. A folder's panel document is the report document
// rooted at that folder (the flat form needs the folders section); kinds without a file form
// give a document with no element.
bool rdb_write_xml_report(const RDB_OBJECT* object, const char* file, bool compressed);
// Write the same documents into a stream, without debug lines. A null report or object writes
// nothing and answers false; otherwise they answer whether the stream is still good.
bool rdb_xml_write(std::ostream& out, const RDB_REPORT* report);
bool rdb_xml_write(std::ostream& out, const RDB_OBJECT* object);

// Reads a report or panel document from a file, gzip or plain (told apart by the gzip magic bytes).
// Null when the file does not exist, cannot be read or does not hold a well-formed, consistent
// document; the caller owns the result. An empty file name is the internal error
// "gen_strlen(file) > 0". A panel document gives a report whose main folder holds that panel.
std::unique_ptr<RDB_REPORT> rdb_read_xml_report(const char* file);
// Reads a document held in memory (plain text), with the same results.
std::unique_ptr<RDB_REPORT> rdb_read_xml_report(gsl::span<const char> text);

// The text naming an embedded object's type in a file: its user text, or its debug text for the
// types that have none. Either form reads back through
// rdb_get_rdb_embedded_object_embedded_type_enum_by_string.
const char* rdb_xml_embedded_type_text(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type);
