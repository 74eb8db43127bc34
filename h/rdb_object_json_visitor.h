#pragma once
// RDB_OBJECT_JSON_VISITOR: a whole report as one JSON document. The root object holds the main folder
// under "main_folder"; every object is an object with its "class_name", "name", "type" and the keys of
// its kind, a folder's children in "object_list", a table's cells in "rows". Texts are UTF-8, invalid
// bytes each written as U+FFFD, so that any strict JSON reader takes the file.

#include <iosfwd>
#include <memory>
#include <set>
#include <string>

#include "rdb_visitor.h"

class RDB_REPORT;

class RDB_OBJECT_JSON_VISITOR : public RDB_OBJECT_VISITOR {
public:
    // Builds the whole document from the report, which the visitor does not own. A null report is the
    // internal error "m_report != nullptr".
    explicit RDB_OBJECT_JSON_VISITOR(RDB_REPORT* report);
    RDB_OBJECT_JSON_VISITOR(const RDB_OBJECT_JSON_VISITOR&) = delete;
    RDB_OBJECT_JSON_VISITOR& operator=(const RDB_OBJECT_JSON_VISITOR&) = delete;
    ~RDB_OBJECT_JSON_VISITOR() override;

    // Writes the document to the file at path, atomically: the file holds the whole document or is
    // left as it was. A failure posts a debug line; write_json_file says whether it succeeded.
    void write_file(const std::string& path);
    // As write_file; true when the file holds the document.
    bool write_json_file(const std::string& path);
    // The document as the file holds it (indented UTF-8).
    std::string to_json() const;
    // Writes to_json() to out; false when the stream failed.
    bool write_json(std::ostream& out) const;

    // Each visit leaves exactly one new JSON object, the visited object's, on top of the visitor's stack.
    void visit_object(RDB_OBJECT* object) override;
    void visit_folder(RDB_FOLDER_OBJECT* folder) override;
    void visit_link_rpt(RDB_LINK_RPT_OBJECT* link) override;
    void visit_text(RDB_TEXT_OBJECT* text) override;
    void visit_legal(RDB_LEGAL_OBJECT* legal) override;
    void visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT* data) override;
    void visit_table(RDB_TABLE_OBJECT* table) override;
    void visit_grid_table(RDB_GRID_TABLE_OBJECT* grid) override;
    void visit_new_table(RDB_NEW_TABLE_OBJECT* table) override;
    void visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table) override;
    void visit_tcl_table(RDB_TCL_TABLE_OBJECT* table) override;
    void visit_link_table(RDB_LINK_TABLE_OBJECT* table) override;
    void visit_chart(RDB_CHART_TABLE_OBJECT* chart) override;
    void visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT* histogram) override;
    void visit_embedded(RDB_EMBEDDED_OBJECT* embedded) override;
    void visit_memory(RDB_MEMORY_OBJECT* memory) override;
    void visit_gauges(RDB_GAUGES_OBJECT* gauges) override;
    void visit_path(RDB_PATH_OBJECT* path) override;
    void visit_path_folder(RDB_PATH_FOLDER_OBJECT* folder) override;
    void visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT* waveform) override;
    void visit_table_element(RDB_TABLE_ELEMENT* element) override;
    void visit_table_string_element(RDB_TABLE_STRING_ELEMENT* element) override;
    void visit_table_tcl_cmd_element(RDB_TABLE_TCL_CMD_ELEMENT* element) override;
    void visit_table_delay_element(RDB_TABLE_DELAY_ELEMENT* element) override;
    void visit_table_int_element(RDB_TABLE_INT_ELEMENT* element) override;
    void visit_table_data_valid_window_element(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* element) override;
    void visit_table_location_schema_element(RDB_TABLE_LOCATION_SCHEMA_ELEMENT* element) override;

private:
    struct JSON; // the root object and the stack of objects being built

    // Adds "object_list" to the folder's object on top of the stack: one object per child.
    void add_children(RDB_FOLDER_OBJECT* folder);
    // Adds "rows" to the table's object on top of the stack: each row an array of its cells' objects.
    // The one place that reads a table's rows.
    void add_rows(RDB_TABLE_OBJECT* table);
    // Visits object and adds its JSON object under key to the object on top of the stack.
    void add_visited(const char* key, RDB_OBJECT* object);
    // Overwrites the "class_name" of the object on top of the stack.
    void set_class_name(const char* class_name);

    RDB_REPORT* m_report;
    std::unique_ptr<JSON> m_json;
    // The folder lists being walked: a link folder leading back into one of them is not walked again.
    std::set<const void*> m_walking;
};
