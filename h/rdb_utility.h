#pragma once
// Report utilities: free functions that build the common pieces of a report. Rows of text cells and
// location cells for design instances, the messages objects of a flow's stages, folders found or made
// by path, and the process-wide link-report switch. Rows and cells are owned by the caller until
// handed to a table; objects added to a folder are owned by the folder.

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
class RDB_TABLE_LOCATION_SCHEMA_ELEMENT;

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

// ---- Message objects, folders and the link-report switch -----------------------------------------

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
// The folder called name (a "||" path) under parent; when there is none and create is set, a new
// folder of that name added to parent, else null. Internal errors "parent_folder != 0" and "Existing
// object with the specified name is not a folder.".
RDB_FOLDER_OBJECT* rdb_get_folder_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create);
// Sets the process-wide link-report flag.
void rdb_use_link_rpt(bool use);
// Whether link reports are in use: the INI switch "rdb_link_rpt" (read once) or the flag.
bool rdb_is_using_link_rpt();
