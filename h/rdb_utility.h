#pragma once
// Report utilities: free functions that build the common pieces of a report. Tables, summaries and
// their gauges, rows of text cells and location cells for design instances, folders, tables and link
// folders found or made by name, merged tables, disabled panels, the messages objects of a flow's
// stages, the standard settings tables and the device check, and the process-wide link-report switch.
// Rows, cells and new objects are owned by the caller until handed to a table or folder; objects added
// to a folder are owned by the folder. A name given to a finder is first looked for as a direct child
// of exactly that name (names may hold "||"), then as a "||" path.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rdb_rgb.h"
#include "rdb_table_element.h"

class HDB_INSTANCE_NAME;
class HDB_NAMESPACE;
class RDB_EMBEDDED_OBJECT;
class RDB_FOLDER_OBJECT;
class RDB_LINK_RPT_OBJECT;
class RDB_NEW_TABLE_OBJECT;
class RDB_OBJECT;
class RDB_REPORT;
class RDB_SUMMARY_TABLE_OBJECT;
class RDB_TABLE_LOCATION_SCHEMA_ELEMENT;
class RDB_TABLE_OBJECT;

// The most gauges a summary's gauges object holds.
inline constexpr int RDB_MAX_GAUGES = 128;

// ---- Creating objects ----------------------------------------------------------------------------

// A new table or summary named name (owned by the caller).
RDB_TABLE_OBJECT* rdb_create_table(const std::string& name);
RDB_SUMMARY_TABLE_OBJECT* rdb_create_summary_object(const std::string& name);
// A new table named name added to the folder, or null when the folder already holds an object of that
// name. Internal error "folder != 0".
RDB_TABLE_OBJECT* rdb_create_unique_table(RDB_FOLDER_OBJECT* folder, const std::string& name);
// Adds the object unless the folder holds one of its name: then false, and with delete_if_exists the
// object is deleted, unless it is the object found or is owned by a folder. Internal error
// "folder != 0 && object != 0".
bool rdb_check_and_add_object_to_folder(RDB_FOLDER_OBJECT* folder, RDB_OBJECT* object, bool delete_if_exists);
// Deletes every direct child named like the object, then adds it; an object a folder owns is left to it.
// Internal errors "folder != 0 && object != 0" and "object->get_ownership_status() == NOT_OWNED".
void rdb_util_add_or_update_object(RDB_FOLDER_OBJECT* folder, std::unique_ptr<RDB_OBJECT> object);
// Whether the folder holds an object of that name (of the object's name; false for a null object).
// Internal error "folder != NULL".
bool rdb_object_exists_in_folder(const RDB_FOLDER_OBJECT* folder, const std::string& name);
bool rdb_object_exists_in_folder(const RDB_FOLDER_OBJECT* folder, const RDB_OBJECT* object);

// ---- Finding by name -----------------------------------------------------------------------------
// The object called name under parent; when there is none and create is set, a new one named name
// added to parent, else null. Internal errors "parent_folder != 0" and, for an object of another kind,
// "Existing object with the specified name is not a folder." (a table., a link report.).

RDB_FOLDER_OBJECT* rdb_get_folder_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create);
// Any table kind is found; a new one is an RDB_TABLE_OBJECT.
RDB_TABLE_OBJECT* rdb_get_table_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create);
RDB_LINK_RPT_OBJECT* rdb_get_link_rpt_obj_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name,
                                                  bool create);

// ---- Summaries and gauges ------------------------------------------------------------------------

// The first summary among the folder's children (named name in the second form), searching a child
// folder depth-first before the next sibling when recursive; null when none. Internal error
// "folder != NULL".
RDB_SUMMARY_TABLE_OBJECT* rdb_find_summary(RDB_FOLDER_OBJECT* folder, bool recursive);
RDB_SUMMARY_TABLE_OBJECT* rdb_find_summary(const std::string& name, RDB_FOLDER_OBJECT* folder, bool recursive);
// The value (cell 1) of the row named name: the first row whose name is exactly name, else the first
// whose name matches name as a glob pattern; "" when there is none or it has no value cell. Internal
// error "summary != 0".
std::string rdb_get_summary_data(const RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name);
// The row named exactly old_name gets the name new_name (when a different string object is passed)
// and the value; a short row is padded with text cells first. Without such a row, a row (new_name,
// value) is appended. Internal error "summary != 0".
void rdb_replace_summary_data(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& old_name,
                              const std::string& new_name, const std::string& value);
// rdb_replace_summary_data(summary, name, name, value).
void rdb_set_summary_data(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name, const std::string& value);
// Every gauge of the summary named name gets the range maximum second and the status first; without
// one, a gauge (name, range 0 to second, status first) fills the first empty slot, or is appended when
// the gauges object has fewer than RDB_MAX_GAUGES slots (a summary without gauges gets an unnamed
// object of RDB_MAX_GAUGES slots). Internal errors "summary != 0", and "i < RDB_MAX_GAUGES" when full.
void rdb_set_summary_gauge(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name, int first, int second);

// ---- Tables and panels ---------------------------------------------------------------------------

// Appends copies of the data rows of table (every row after its header) to the folder's table of the
// same name (with allow_tcl_table also a Tcl table), and writes the debug line "Merged %d rows into %s".
// Every row is checked before any is copied: a row without a cell at a header column is the internal
// error "elem". A table merged into itself, or one without data rows, merges nothing. table stays the
// caller's. Internal errors "folder != nullptr", "original_table != nullptr && table != nullptr", and
// when the folder has no such table the condition on result_object naming the kinds allowed.
void rdb_merge_tables(RDB_FOLDER_OBJECT* folder, RDB_TABLE_OBJECT* table, bool allow_tcl_table);
// Disables every child that is not a folder (and, when recursive, those of child folders), with the
// debug line "Invalidating report panel %s". Nothing for a null folder.
void rdb_disable_report_panel(RDB_FOLDER_OBJECT* folder, bool recursive);
// Deletes every disabled child that is not a folder (when recursive, also inside child folders), in
// place; folders and enabled objects stay in their order. Nothing for a null folder.
void rdb_delete_invalid_report_panels(RDB_FOLDER_OBJECT* folder, bool recursive);

// ---- Link reports --------------------------------------------------------------------------------

// A new report registered under rev_name and rpt_type for the link (an older one under that key is
// deleted), whose main and current folder is a new folder named like the link. The registry owns it.
// Internal errors "link_rpt != 0", "Specified link report already links to a report." and, for a link
// holding another key, "Change report key is not allowed.", each before anything is made.
RDB_REPORT* rdb_create_link_report(RDB_LINK_RPT_OBJECT* link_rpt, const std::string& rev_name,
                                   const std::string& rpt_type);
// Sets the process-wide link-report flag.
void rdb_use_link_rpt(bool use);
// Whether link reports are in use: the INI switch "rdb_link_rpt" (read once) or the flag.
bool rdb_is_using_link_rpt();

// ---- Settings and device -------------------------------------------------------------------------

// Appends the rows ("Start date & time", local time as "%m/%d/%Y %H:%M:%S"), ("Main task",
// "Compilation") and ("Revision Name", rev_name). Internal error "table != NULL".
void rdb_create_settings_information(RDB_NEW_TABLE_OBJECT* table, const std::string& rev_name);
// A compilation report main folder holding the four empty flow panels (settings, non-default settings,
// elapsed time, operating system summary), each with its header row.
std::unique_ptr<RDB_FOLDER_OBJECT> rdb_util_create_skeleton_main_folder();
// The value of setting in the Synthesis||Settings||Synthesis Settings table of the revision's
// compilation report, read under the project settings' read lock (taken unless already held, and
// released on every way out); "" without report, table, row or value.
std::string rdb_get_synthesis_setting_table_element_value(const std::string& rev_name, const std::string& setting);
// False only when the project is open, the last compilation's "Device" setting names a known part,
// and that part is not the project's. Internal error "acf_manager" without a project settings manager.
bool rdb_is_current_device_same_as_last_compilation_device(const std::string& rev_name);

// ---- Rows and cells ------------------------------------------------------------------------------

// A new empty row (owned by the caller).
RDB_TABLE_ROW* rdb_create_empty_row();
// A new row of two text cells.
RDB_TABLE_ROW* rdb_create_row(const std::string& a, const std::string& b);
// A new row with one text cell per text (empty for an empty vector).
RDB_TABLE_ROW* rdb_create_row(const std::vector<std::string>& texts);
// Sets the foreground (foreground true) or background colour of every cell of the row.
void rdb_set_table_row_color(RDB_TABLE_ROW& row, RDB_COLOR_NAME color, bool foreground);
// A location cell for an instance: its short path (or the display text) as text, its location schema
// (or one built from its full path) and its full path. A null instance gives an empty cell.
RDB_TABLE_LOCATION_SCHEMA_ELEMENT*
rdb_create_table_element_from_iname(const HDB_INSTANCE_NAME* instance,
                                    std::optional<std::string_view> display_text = std::nullopt);
// The location cell of the instance called name in the namespace, showing name. A null namespace is
// an internal error.
RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_element_from_iname_string(const HDB_NAMESPACE* name_space,
                                                                              const std::string& name);
// A location cell naming a pin of an instance: full path, separator, pin name.
RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_sta_pin_element(const HDB_INSTANCE_NAME* instance,
                                                                    const std::string& pin_name);

// ---- Message objects -----------------------------------------------------------------------------

// The folder's messages object of a stage: the first embedded object named stage + " Messages" (of
// embedded type messages), or stage + " Suppressed Messages" (type suppressed messages) when
// suppressed is set; made and added to the folder when there is none. info is not used.
RDB_EMBEDDED_OBJECT& rdb_get_message_object(RDB_FOLDER_OBJECT& folder, const std::string& stage,
                                            const std::string& info, bool suppressed);
// Records a fitter stage whose message file the fitter report's messages object lists.
void rdb_add_fitter_stage(const std::string& name);
// Hangs the message file of a stage into a report: the file revision + "." + file_key with the
// message-file extension in the project database folder. With read set, a file without messages
// adds nothing, and a file with messages gets its suppressed-message file; a "Synthesis" stage also
// gets a warnings table per source file. Unless the flow is a fast-forward compile, the stage
// folder's messages object names the file (the fitter report: one file per recorded fitter stage).
// The flow folder's "Flow Messages" and "Flow Suppressed Messages" objects are made anew.
void rdb_add_messages(RDB_FOLDER_OBJECT& flow_folder, RDB_FOLDER_OBJECT& stage_folder, const std::string& stage,
                      const std::string& rev_name, const std::string& file_key, const std::string& info, bool read);
