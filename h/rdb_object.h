#pragma once
// RDB_OBJECT: the base of every node of a report tree.
//
// A node carries its name, parent folder, header and footer texts, help id, Tcl command, timing
// corner, colour, flags, permission and ownership, plus typed named values (traits) kept in the
// process's trait table. Nodes are made by callers and handed to a folder, which then owns them; an
// OWNED node must not be deleted directly.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "pdb/pdb.h"
#include "rdb_rgb.h"
#include "trait/dtrait.h"

class RDB_OBJECT;
class RDB_FOLDER_OBJECT;
class RDB_LINK_RPT_OBJECT;
class RDB_TEXT_OBJECT;
class RDB_LEGAL_OBJECT;
class RDB_INTERACTIVE_REPORT_DATA_OBJECT;
class RDB_PATH_OBJECT;
class RDB_TABLE_OBJECT;
class RDB_NEW_TABLE_OBJECT;
class RDB_CHART_TABLE_OBJECT;
class RDB_GAUGES_OBJECT;
class RDB_EMBEDDED_OBJECT;
class RDB_MEMORY_OBJECT;
class RDB_SUMMARY_TABLE_OBJECT;
class RDB_TCL_TABLE_OBJECT;
class RDB_GRID_TABLE_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_HEATMAP_TABLE_OBJECT;
class RDB_LINK_TABLE_OBJECT;
class RDB_WAVEFORM_DISPLAY_OBJECT;
class RDB_PATH_FOLDER_OBJECT;
class RDB_MASTER_DETAIL_OBJECT;
class RDB_MULTI_CORNER_FOLDER_OBJECT;
class RDB_OBJECT_VISITOR;
class RDB_FOLDER_ACCESS;

enum RDB_OBJECT_TYPE : std::uint32_t;

enum RDB_OWNERSHIP : int { NOT_OWNED = 0, OWNED = 1 };

// Access keys: only folder code can make them, so only a folder sets a node's parent and ownership.
class RDB_OBJECT_SET_PARENT_KEY {
    RDB_OBJECT_SET_PARENT_KEY() = default;
    friend class RDB_FOLDER_OBJECT;
    friend class RDB_FOLDER_ACCESS;
    friend class RDB_REPORT; // a report owns its main folder
};
class RDB_OBJECT_SET_OWNED_KEY {
    RDB_OBJECT_SET_OWNED_KEY() = default;
    friend class RDB_FOLDER_OBJECT;
    friend class RDB_FOLDER_ACCESS;
    friend class RDB_REPORT; // a report owns its main folder
};

// Declares the non-const and const down-cast of one class; the base answers null.
#define RDB_DECLARE_DOWNCAST(CLASS)                                                                                    \
    virtual CLASS* dynamic_cast_to_##CLASS() { return nullptr; }                                                       \
    virtual const CLASS* dynamic_cast_to_##CLASS() const { return nullptr; }
// Overrides the down-cast of a class in that class (or a descendant): the object itself.
#define RDB_OVERRIDE_DOWNCAST(CLASS)                                                                                   \
    CLASS* dynamic_cast_to_##CLASS() override { return this; }                                                         \
    const CLASS* dynamic_cast_to_##CLASS() const override { return this; }

// Called by every object's destructor with the object going away, so that what refers to the object
// from outside the tree (a viewer's panel id) does not outlive it. The report controller installs it
// when it is made; before that nothing can refer to an object, and no hook is called.
using RDB_OBJECT_DESTROY_HOOK = void (*)(RDB_OBJECT* object);
// Installs the hook (null: none) and answers the previous one.
RDB_OBJECT_DESTROY_HOOK rdb_set_object_destroy_hook(RDB_OBJECT_DESTROY_HOOK hook);

class RDB_OBJECT : public PDB_VIRTUAL_OBJECT, public DTRAIT::BASIC_ENABLE<RDB_OBJECT> {
public:
    enum PERMISSION : std::int32_t { READ_ONLY = 0, READ_WRITE = 1 };

    // The trait group of every report-object trait.
    static constexpr const char* TRAIT_GROUP = "rdb_object_property";
    static constexpr int TRAIT_CATEGORY = 1;

    // A copy has no parent, is NOT_OWNED and carries no trait values; everything else is copied.
    RDB_OBJECT(const RDB_OBJECT& other);
    // Removes the destination's trait values, then copies every attribute except the destination's
    // own parent and ownership, which stay.
    RDB_OBJECT& operator=(const RDB_OBJECT& other);
    // Internal error unless NOT_OWNED. Removes the object's trait values.
    virtual ~RDB_OBJECT();

    // Own address, for the persistence layer.
    virtual const void* pdb_this_ptr() const { return this; }
    PDB_DECLARE_PERSISTENT(RDB_OBJECT)

    RDB_OBJECT* dynamic_cast_to_RDB_OBJECT() { return this; }
    const RDB_OBJECT* dynamic_cast_to_RDB_OBJECT() const { return this; }
    RDB_DECLARE_DOWNCAST(RDB_FOLDER_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_LINK_RPT_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_TEXT_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_INTERACTIVE_REPORT_DATA_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_PATH_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_NEW_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_CHART_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_GAUGES_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_EMBEDDED_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_MEMORY_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_SUMMARY_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_TCL_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_GRID_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_HISTOGRAM_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_LINK_TABLE_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_WAVEFORM_DISPLAY_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_PATH_FOLDER_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_MASTER_DETAIL_OBJECT)
    RDB_DECLARE_DOWNCAST(RDB_MULTI_CORNER_FOLDER_OBJECT)

    // The object's kind; RDB_OBJECT itself answers RDB_NO_OBJECT_TYPE.
    virtual RDB_OBJECT_TYPE get_type() const;
    // Calls the visitor's operation for this object's class (visit_object here).
    virtual void accept_visitor(RDB_OBJECT_VISITOR* visitor);
    // Text of the datum at a row and column; empty here, tables answer their cells.
    virtual std::string get_data_string(unsigned int row, unsigned int col) const;
    // Plain-text form: the name and a line break here.
    virtual void output_ascii(std::ostream& os);
    // HTML form: nothing here.
    virtual void output_html(std::ostream& os);
    // Fills a JSON object with "name", "header" and "footer"; a null object is an internal error.
    virtual void fill_json_object(nlohmann::json* object);
    // Sets the permission; folders apply it to their whole subtree.
    virtual void _chmod(PERMISSION permission) { m_permission = permission; }

    const std::string& get_name() const { return m_name; }
    void set_name(const std::string& name) { m_name = name; }
    std::string get_header() const { return m_header; }
    void set_header(const std::string& header) { m_header = header; }
    // The footer without the checked/expanded suffix.
    std::string get_footer() const;
    // The checked/expanded suffix alone (from the last "_CHECKED_" on), or empty.
    std::string get_footer_suffix() const;
    // Stores the text as given (which drops any checked/expanded suffix).
    void set_footer(const std::string& footer) { m_footer = footer; }
    std::string get_help_id() const { return m_help_id; }
    void set_help_id(const std::string& help_id); // writable
    std::string get_tcl_command() const { return m_tcl_command; }
    void set_tcl_command(const std::string& command) { m_tcl_command = command; }
    std::string get_timing_corner() const { return m_timing_corner; }
    void set_timing_corner(const std::string& corner); // writable
    RDB_COLOR_NAME get_color() const { return m_color; }
    void set_color(const RDB_COLOR_NAME& color) { m_color = color; }
    bool is_enable() const { return m_enable; }
    void set_enable(bool enable) { m_enable = enable; }
    bool is_visible() const { return m_visible; }
    void set_visible(bool visible) { m_visible = visible; }
    bool get_to_output_ascii_header() const { return m_to_output_ascii_header; }
    void set_to_output_ascii_header(bool on) { m_to_output_ascii_header = on; }
    bool get_to_output_ascii_footer() const { return m_to_output_ascii_footer; }
    void set_to_output_ascii_footer(bool on) { m_to_output_ascii_footer = on; }
    bool is_ascii_writable() const { return m_is_ascii_writable; }
    const std::string& get_not_ascii_writable_msg() const { return m_not_ascii_writable_msg; }
    // Marks the object as having no plain-text form and keeps the text shown instead.
    void set_not_ascii_writable(const std::string& msg);

    RDB_FOLDER_OBJECT* get_parent() const { return m_parent; }
    void set_parent(RDB_OBJECT_SET_PARENT_KEY, RDB_FOLDER_OBJECT* parent); // writable
    RDB_OWNERSHIP get_ownership_status() const { return m_ownership_status ? OWNED : NOT_OWNED; }
    // Any value but OWNED stores NOT_OWNED.
    void set_ownership_status(RDB_OBJECT_SET_OWNED_KEY, RDB_OWNERSHIP status) { m_ownership_status = status == OWNED; }
    bool is_writable() const { return m_permission == READ_WRITE; }
    PERMISSION get_permission() const { return m_permission; }

    // Viewer check-box and expansion state, kept as a suffix of the footer.
    void set_checked(int checked, bool expanded);
    int is_checked() const;
    bool is_expanded() const;

    // The names from the outermost folder down to this object joined by "||"; an object without a
    // parent gives "||" and its name. The flag does not change the result.
    std::string get_path(bool unused = false) const;

    // Typed traits. A getter of a name no code has ever set is an internal error; otherwise it
    // answers the object's value, else the definition's default, else the caller's default.
    void set_bool_trait(std::string_view name, bool value);
    bool get_bool_trait(std::string_view name, bool default_value) const;
    void set_int_trait(std::string_view name, int value);
    int get_int_trait(std::string_view name, int default_value) const;
    void set_long_trait(std::string_view name, std::int64_t value);
    std::int64_t get_long_trait(std::string_view name, std::int64_t default_value) const;
    void set_float_trait(std::string_view name, float value);
    float get_float_trait(std::string_view name, float default_value) const;
    void set_double_trait(std::string_view name, double value);
    double get_double_trait(std::string_view name, double default_value) const;
    void set_string_trait(std::string_view name, std::string value);
    std::string get_string_trait(std::string_view name, std::string default_value) const;
    void set_byte_array_trait(std::string_view name, std::span<const std::byte> value);
    // The view points into the trait table and stays valid until the value changes.
    std::span<const std::byte> get_byte_array_trait(std::string_view name,
                                                    std::span<const std::byte> default_value) const;

    // Removes every trait value of this object.
    void reset_traits();

protected:
    RDB_OBJECT();
    explicit RDB_OBJECT(const std::string& name);

    // "+", width times "-", "+", line break.
    void output_table_top_line(std::ostream& os, int width);
    // Top line, the boxed title line with the name, and for embedded objects a second top line.
    void output_ascii_table_header(std::ostream& os, int width);

private:
    friend class RDB_FOLDER_OBJECT;
    void set_trait_value(std::string_view name, DTRAIT::TYPE_ENUM type, DTRAIT::VALUE value);
    const DTRAIT::VALUE* find_trait_value(std::string_view name) const;
    // Clears the has-values flag; true when the caller must remove the values.
    bool take_trait_values() { return take_dtrait_values_flag(); }

    RDB_FOLDER_OBJECT* m_parent = nullptr;
    PERMISSION m_permission = READ_WRITE;
    bool m_ownership_status = false;
    bool m_enable = true;
    bool m_visible = true;
    RDB_COLOR_NAME m_color = RDB_COLOR_DEFAULT;
    std::string m_name;
    std::string m_header;
    bool m_to_output_ascii_header = true;
    std::string m_footer;
    bool m_to_output_ascii_footer = true;
    std::string m_tcl_command;
    std::string m_help_id;
    std::string m_timing_corner;
    bool m_is_ascii_writable = true;
    std::string m_not_ascii_writable_msg;
};
