#pragma once
// Table cells ("table elements"): small polymorphic values held by pointer in the rows of a table.
//
// Every cell has a foreground and a background colour and an optional tooltip; the kinds carry text,
// an integer, a delay, a data-valid window, a text with a design location, or a text with a Tcl
// command. A cell renders itself as plain text (get_string), HTML (get_html) and, for the
// data-valid window, SVG (get_svg). A cell owns its strings; a row owns its cells.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_enum.h"
#include "rdb_escape.h" // rdb_text_to_html
#include "rdb_rgb.h"

class RDB_OBJECT_VISITOR;
class RDB_TABLE_STRING_ELEMENT;
class RDB_TABLE_DELAY_ELEMENT;
class RDB_TABLE_INT_ELEMENT;
class RDB_TABLE_DATA_VALID_WINDOW_ELEMENT;
class RDB_TABLE_LOCATION_SCHEMA_ELEMENT;
class MSG_LOCATION_SCHEMA;
class HDB_INSTANCE_NAME;
class HDB_NAMESPACE;

class RDB_TABLE_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    RDB_TABLE_ELEMENT() = default;
    RDB_TABLE_ELEMENT(const RDB_TABLE_ELEMENT& other);
    RDB_TABLE_ELEMENT& operator=(const RDB_TABLE_ELEMENT&) = delete;
    virtual ~RDB_TABLE_ELEMENT();

    virtual const void* pdb_this_ptr() const { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_ELEMENT)
    virtual RDB_TABLE_ELEMENT* dynamic_cast_to_RDB_TABLE_ELEMENT() { return this; }
    virtual const RDB_TABLE_ELEMENT* dynamic_cast_to_RDB_TABLE_ELEMENT() const { return this; }
    virtual RDB_TABLE_STRING_ELEMENT* dynamic_cast_to_RDB_TABLE_STRING_ELEMENT() { return nullptr; }
    virtual const RDB_TABLE_STRING_ELEMENT* dynamic_cast_to_RDB_TABLE_STRING_ELEMENT() const { return nullptr; }
    virtual RDB_TABLE_DELAY_ELEMENT* dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT() { return nullptr; }
    virtual const RDB_TABLE_DELAY_ELEMENT* dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT() const { return nullptr; }
    virtual RDB_TABLE_INT_ELEMENT* dynamic_cast_to_RDB_TABLE_INT_ELEMENT() { return nullptr; }
    virtual const RDB_TABLE_INT_ELEMENT* dynamic_cast_to_RDB_TABLE_INT_ELEMENT() const { return nullptr; }
    virtual RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT() { return nullptr; }
    virtual const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT() const
    {
        return nullptr;
    }
    // A new copy of the same class; the caller owns it.
    virtual RDB_TABLE_ELEMENT* clone() const;
    virtual void accept_visitor(RDB_OBJECT_VISITOR* visitor);
    // Plain text of the cell; empty for a blank cell.
    virtual std::string get_string() const;
    // HTML text of the cell: the HTML form of get_string() unless a kind draws its own.
    virtual std::string get_html() const;
    // SVG picture; empty except for the data-valid window.
    virtual std::string get_svg() const;
    // Typed accessors; each is an internal error on a cell of another kind.
    virtual std::string get_string_element_data() const;
    virtual void set_string_element_data(const std::string& text);
    virtual int get_int_element_data() const;
    virtual void set_int_element_data(int value);
    // Replaces the text of a text cell; does nothing on other kinds.
    virtual void set_string(const std::string& text);

    RDB_COLOR_NAME get_foreground() const { return m_foreground; }
    void set_foreground(RDB_COLOR_NAME color) { m_foreground = color; }
    RDB_COLOR_NAME get_background() const { return m_background; }
    void set_background(RDB_COLOR_NAME color) { m_background = color; }
    // Empty when the cell has no tooltip.
    std::string get_tooltip() const { return m_tooltip ? std::string(m_tooltip) : std::string(); }
    bool has_tooltip() const { return m_tooltip != nullptr; }
    // Replaces the tooltip; an empty text is kept as an empty tooltip.
    void set_tooltip(const std::string& tooltip);

private:
    RDB_COLOR_NAME m_foreground = RDB_COLOR_DEFAULT;
    RDB_COLOR_NAME m_background = RDB_COLOR_DEFAULT;
    char* m_tooltip = nullptr;
};

class RDB_TABLE_STRING_ELEMENT : public RDB_TABLE_ELEMENT {
public:
    // No text until loading sets one; get_string() then answers an empty text.
    RDB_TABLE_STRING_ELEMENT() = default;
    explicit RDB_TABLE_STRING_ELEMENT(const std::string& text);
    // A null text is an internal error.
    explicit RDB_TABLE_STRING_ELEMENT(const char* text);
    RDB_TABLE_STRING_ELEMENT(const RDB_TABLE_STRING_ELEMENT& other);
    ~RDB_TABLE_STRING_ELEMENT() override;

    RDB_TABLE_STRING_ELEMENT* dynamic_cast_to_RDB_TABLE_STRING_ELEMENT() override { return this; }
    const RDB_TABLE_STRING_ELEMENT* dynamic_cast_to_RDB_TABLE_STRING_ELEMENT() const override { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_STRING_ELEMENT)
    virtual RDB_TABLE_LOCATION_SCHEMA_ELEMENT* dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT() { return nullptr; }
    virtual const RDB_TABLE_LOCATION_SCHEMA_ELEMENT* dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT() const
    {
        return nullptr;
    }
    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    std::string get_string() const override;
    std::string get_string_element_data() const override { return get_string(); }
    void set_string_element_data(const std::string& text) override { set_string(text); }
    void set_string(const std::string& text) override;
    // A null text is the internal error "data != 0".
    void set_string(const char* text);
    // The text without copying (empty when none).
    const char* get_c_string() const { return m_data ? m_data : ""; }

private:
    char* m_data = nullptr;
};

// A text cell that names a place in the design: the Tcl form of its location schema (without the
// outer braces) and the full hierarchy path of the instance.
class RDB_TABLE_LOCATION_SCHEMA_ELEMENT : public RDB_TABLE_STRING_ELEMENT {
public:
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT() = default;
    // The schema is not kept: its Tcl form is; the caller keeps ownership of it.
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT(const std::string& text, const MSG_LOCATION_SCHEMA* schema);
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT(const std::string& text, const MSG_LOCATION_SCHEMA* schema,
                                      const std::string& hierarchy_path);
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT(const RDB_TABLE_LOCATION_SCHEMA_ELEMENT& other) = default;

    RDB_TABLE_LOCATION_SCHEMA_ELEMENT* dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT() override { return this; }
    const RDB_TABLE_LOCATION_SCHEMA_ELEMENT* dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT() const override
    {
        return this;
    }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_LOCATION_SCHEMA_ELEMENT)
    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    // Stores the schema's Tcl form without its outer braces; null clears it. A Tcl form that is not
    // one braced list is an internal error.
    void set_location_schema(const MSG_LOCATION_SCHEMA* schema);
    // A new schema decoded from the stored Tcl form (owned by the caller); null when there is none
    // or it does not decode.
    MSG_LOCATION_SCHEMA* get_location_schema() const;
    const std::string& get_location_schema_tcl_string() const { return m_location_schema_tcl_string; }
    void set_location_schema_tcl_string(const std::string& text) { m_location_schema_tcl_string = text; }
    const std::string& get_hierarchy_path() const { return m_hierarchy_path; }
    void set_hierarchy_path(const std::string& path) { m_hierarchy_path = path; }

private:
    std::string m_location_schema_tcl_string;
    std::string m_hierarchy_path;
};

// A text cell with a Tcl command that viewers run.
class RDB_TABLE_TCL_CMD_ELEMENT : public RDB_TABLE_STRING_ELEMENT {
public:
    RDB_TABLE_TCL_CMD_ELEMENT() = default;
    RDB_TABLE_TCL_CMD_ELEMENT(const std::string& text, const std::string& tcl_cmd);
    RDB_TABLE_TCL_CMD_ELEMENT(const RDB_TABLE_TCL_CMD_ELEMENT& other);
    ~RDB_TABLE_TCL_CMD_ELEMENT() override;
    PDB_DECLARE_PERSISTENT(RDB_TABLE_TCL_CMD_ELEMENT)

    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Empty when there is no command.
    std::string get_tcl_cmd() const { return m_tcl_cmd ? std::string(m_tcl_cmd) : std::string(); }
    void set_tcl_cmd(const std::string& tcl_cmd);
    // A null command is the internal error "tcl_cmd != 0".
    void set_tcl_cmd(const char* tcl_cmd);

private:
    char* m_tcl_cmd = nullptr;
};

class RDB_TABLE_INT_ELEMENT : public RDB_TABLE_ELEMENT {
public:
    RDB_TABLE_INT_ELEMENT() = default;
    explicit RDB_TABLE_INT_ELEMENT(int value) : m_data(value) {}
    RDB_TABLE_INT_ELEMENT(const RDB_TABLE_INT_ELEMENT& other) = default;

    RDB_TABLE_INT_ELEMENT* dynamic_cast_to_RDB_TABLE_INT_ELEMENT() override { return this; }
    const RDB_TABLE_INT_ELEMENT* dynamic_cast_to_RDB_TABLE_INT_ELEMENT() const override { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_INT_ELEMENT)
    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // The value in decimal.
    std::string get_string() const override;
    int get_int_element_data() const override { return get_data(); }
    void set_int_element_data(int value) override { set_data(value); }
    virtual void set_data(int value) { m_data = value; }
    virtual int get_data() const { return m_data; }

private:
    int m_data = 0;
};

// A delay or frequency, printed as its display option says. The delay is the storage number of a
// BIG_TIME (picoseconds).
class RDB_TABLE_DELAY_ELEMENT : public RDB_TABLE_ELEMENT {
public:
    RDB_TABLE_DELAY_ELEMENT(int delay, RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM option)
        : m_delay(delay), m_display_option(option) {}
    RDB_TABLE_DELAY_ELEMENT(const RDB_TABLE_DELAY_ELEMENT& other) = default;

    RDB_TABLE_DELAY_ELEMENT* dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT() override { return this; }
    const RDB_TABLE_DELAY_ELEMENT* dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT() const override { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_DELAY_ELEMENT)
    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // The obsolete option TABLE_DELAY_ELEMENT_RESTRICTED_FMAX and values out of range are internal errors.
    std::string get_string() const override;

    int get_delay() const { return m_delay; }
    void set_delay(int delay) { m_delay = delay; }
    RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM get_display_option() const { return m_display_option; }
    void set_display_option(RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM option) { m_display_option = option; }

private:
    int m_delay;
    RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM m_display_option;
};

// A data-valid window: window_min <= valid_min <= 0 <= valid_max <= window_max, drawn as a red and
// green bar (or a labelled scale) around a zero marker.
class RDB_TABLE_DATA_VALID_WINDOW_ELEMENT : public RDB_TABLE_ELEMENT {
public:
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT() = default;
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT(const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT& other) = default;

    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT() override { return this; }
    const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT() const override
    {
        return this;
    }
    PDB_DECLARE_PERSISTENT(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT)
    RDB_TABLE_ELEMENT* clone() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    std::string get_string() const override;
    // A 300-pixel one-row HTML table; a window of no width draws the disabled form.
    std::string get_html() const override;
    // An SVG bar or scale; bounds out of order are internal errors.
    std::string get_svg() const override;

    int get_window_min() const { return m_window_min; }
    void set_window_min(int v) { m_window_min = v; }
    int get_valid_min() const { return m_valid_min; }
    void set_valid_min(int v) { m_valid_min = v; }
    int get_valid_max() const { return m_valid_max; }
    void set_valid_max(int v) { m_valid_max = v; }
    int get_window_max() const { return m_window_max; }
    void set_window_max(int v) { m_window_max = v; }
    bool is_disabled() const { return m_disabled; }
    // Stores the flag and resets the bounds to -100, -50, 50, 100.
    void set_disabled(bool disabled);
    bool is_scale() const { return m_is_scale; }
    void set_is_scale(bool is_scale) { m_is_scale = is_scale; }

private:
    int m_window_min = 0;
    int m_valid_min = 0;
    int m_valid_max = 0;
    int m_window_max = 0;
    bool m_disabled = false;
    bool m_is_scale = false;
};

// A row: owned cell pointers, in column order.
using RDB_TABLE_ROW = std::vector<RDB_TABLE_ELEMENT*>;

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
RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_element_from_iname(
    const HDB_INSTANCE_NAME* instance, std::optional<std::string_view> display_text = std::nullopt);
// The location cell of the instance called name in the namespace, showing name. A null namespace is
// an internal error.
RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_element_from_iname_string(const HDB_NAMESPACE* name_space,
                                                                              const std::string& name);
// A location cell naming a pin of an instance: full path, separator, pin name.
RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_sta_pin_element(const HDB_INSTANCE_NAME* instance,
                                                                    const std::string& pin_name);

// ---- Report utilities: message objects and folders -----------------------------------------------

class RDB_FOLDER_OBJECT;
class RDB_EMBEDDED_OBJECT;

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
