#pragma once
// Table cells ("table elements"): small polymorphic values held by pointer in the rows of a table.
//
// Every cell has a foreground and a background colour and an optional tooltip; the kinds carry text,
// an integer, a delay, a data-valid window, a text with a design location, or a text with a Tcl
// command. A cell renders itself as plain text (get_string), HTML (get_html) and, for the
// data-valid window, SVG (get_svg). A cell owns its strings; a row owns its cells.

#include <cstddef>
#include <new>
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

class RDB_TABLE_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    RDB_TABLE_ELEMENT() = default;
    RDB_TABLE_ELEMENT(const RDB_TABLE_ELEMENT& other);
    RDB_TABLE_ELEMENT& operator=(const RDB_TABLE_ELEMENT&) = delete;
    virtual ~RDB_TABLE_ELEMENT();

    // Cells of every kind and their texts live in the library's cell pool, packed by table rather than
    // spread over the heap; these forms keep plain, nothrow and placement new-expressions working.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* memory) noexcept;
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;
    static void operator delete(void*, void*) noexcept {}

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
    virtual RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT()
    {
        return nullptr;
    }
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
    // Appends get_html() to out; a kind that can write its HTML without a temporary text does so.
    virtual void append_html(std::string& out) const;
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
    // Copies the text once, straight into the cell's storage (the store's reading path hands a view).
    void assign_tooltip(std::string_view tooltip);

    // The tooltip first: the colours then end the base's data at byte 18 and a derived kind may place
    // its own fields in the bytes after them.
    char* m_tooltip = nullptr;
    RDB_COLOR_NAME m_foreground = RDB_COLOR_DEFAULT;
    RDB_COLOR_NAME m_background = RDB_COLOR_DEFAULT;
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
    // The text without copying (empty when none); valid while the cell lives and its text is not replaced.
    const char* get_c_string() const
    {
        const char* text = stored_text();
        return text ? text : "";
    }
    void append_html(std::string& out) const override;

private:
    // A text of up to SHORT_TEXT characters lives in the cell with its zero; a longer one in the cell
    // pool, its address kept in the first bytes. The last byte tells which, or that there is no text
    // (not the same as an empty text: the store keeps the difference).
    static constexpr std::size_t TEXT_BYTES = 14;
    static constexpr std::size_t SHORT_TEXT = TEXT_BYTES - 2;
    enum TEXT_PLACE : char { NO_TEXT = 0, TEXT_IN_CELL = 1, TEXT_IN_POOL = 2 };

    TEXT_PLACE text_place() const { return static_cast<TEXT_PLACE>(m_data[TEXT_BYTES - 1]); }
    char* pool_text() const;
    // The text, or null when there is none.
    const char* stored_text() const
    {
        return text_place() == TEXT_IN_CELL ? m_data : text_place() == TEXT_IN_POOL ? pool_text() : nullptr;
    }
    void assign_text(std::string_view text);

    char m_data[TEXT_BYTES] = {};
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
    void assign_tcl_cmd(std::string_view tcl_cmd);

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
        : m_delay(delay), m_display_option(option)
    {
    }
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
