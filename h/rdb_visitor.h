#pragma once
// RDB_OBJECT_VISITOR: one operation per concrete report object and table cell class. Each object's
// accept_visitor calls the operation of its own class (double dispatch); visit_folder walks the
// folder's children by default, every other operation does nothing.

class RDB_OBJECT;
class RDB_FOLDER_OBJECT;
class RDB_LINK_RPT_OBJECT;
class RDB_TEXT_OBJECT;
class RDB_LEGAL_OBJECT;
class RDB_INTERACTIVE_REPORT_DATA_OBJECT;
class RDB_TABLE_OBJECT;
class RDB_GRID_TABLE_OBJECT;
class RDB_NEW_TABLE_OBJECT;
class RDB_SUMMARY_TABLE_OBJECT;
class RDB_TCL_TABLE_OBJECT;
class RDB_LINK_TABLE_OBJECT;
class RDB_CHART_TABLE_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_EMBEDDED_OBJECT;
class RDB_MEMORY_OBJECT;
class RDB_GAUGES_OBJECT;
class RDB_PATH_OBJECT;
class RDB_PATH_FOLDER_OBJECT;
class RDB_WAVEFORM_DISPLAY_OBJECT;
class RDB_TABLE_ELEMENT;
class RDB_TABLE_STRING_ELEMENT;
class RDB_TABLE_TCL_CMD_ELEMENT;
class RDB_TABLE_DELAY_ELEMENT;
class RDB_TABLE_INT_ELEMENT;
class RDB_TABLE_DATA_VALID_WINDOW_ELEMENT;
class RDB_TABLE_LOCATION_SCHEMA_ELEMENT;

class RDB_OBJECT_VISITOR {
public:
    RDB_OBJECT_VISITOR() = default;
    virtual ~RDB_OBJECT_VISITOR() = default;

    virtual void visit_object(RDB_OBJECT*) {}
    // Offers each child, in list order, to this visitor.
    virtual void visit_folder(RDB_FOLDER_OBJECT* folder);
    virtual void visit_link_rpt(RDB_LINK_RPT_OBJECT*) {}
    virtual void visit_text(RDB_TEXT_OBJECT*) {}
    virtual void visit_legal(RDB_LEGAL_OBJECT*) {}
    virtual void visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT*) {}
    virtual void visit_table(RDB_TABLE_OBJECT*) {}
    virtual void visit_grid_table(RDB_GRID_TABLE_OBJECT*) {}
    virtual void visit_new_table(RDB_NEW_TABLE_OBJECT*) {}
    virtual void visit_summary_table(RDB_SUMMARY_TABLE_OBJECT*) {}
    virtual void visit_tcl_table(RDB_TCL_TABLE_OBJECT*) {}
    virtual void visit_link_table(RDB_LINK_TABLE_OBJECT*) {}
    virtual void visit_chart(RDB_CHART_TABLE_OBJECT*) {}
    virtual void visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT*) {}
    virtual void visit_embedded(RDB_EMBEDDED_OBJECT*) {}
    virtual void visit_memory(RDB_MEMORY_OBJECT*) {}
    virtual void visit_gauges(RDB_GAUGES_OBJECT*) {}
    virtual void visit_path(RDB_PATH_OBJECT*) {}
    virtual void visit_path_folder(RDB_PATH_FOLDER_OBJECT*) {}
    virtual void visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT*) {}
    virtual void visit_table_element(RDB_TABLE_ELEMENT*) {}
    virtual void visit_table_string_element(RDB_TABLE_STRING_ELEMENT*) {}
    virtual void visit_table_tcl_cmd_element(RDB_TABLE_TCL_CMD_ELEMENT*) {}
    virtual void visit_table_delay_element(RDB_TABLE_DELAY_ELEMENT*) {}
    virtual void visit_table_int_element(RDB_TABLE_INT_ELEMENT*) {}
    virtual void visit_table_data_valid_window_element(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT*) {}
    virtual void visit_table_location_schema_element(RDB_TABLE_LOCATION_SCHEMA_ELEMENT*) {}
};
