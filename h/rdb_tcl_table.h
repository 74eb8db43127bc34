#pragma once
// Tcl tables: tables whose rows feed Tcl command templates, and table cells that travel through a Tcl
// interpreter as Tcl values.
//
// A command template is text with placeholders, expanded for one row of the table:
// - "%COL_n%" becomes the display text of column n (decimal, from 0) of that row; "%col_n%" is plain text;
// - "%COL_n/regex/replacement/%" becomes that text with every match of the ECMAScript regex replaced
//   ($1 and the like refer to groups); a "/" preceded by an odd number of backslashes belongs to the regex;
// - "<" and ">" delimit segments and are not copied; a segment whose placeholders all expand to nothing
//   is left out ("cmd<-from %COL_1%>" gives "cmd" when column 1 is empty).
// The library only builds the text; user interfaces run it.

#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "rdb_menu_cmd.h"
#include "rdb_table_sys.h"

// From tcl.h, which is not included here: it defines macros (INLINE) that clash with ordinary names.
struct Tcl_Obj;
struct Tcl_ObjType;
class RDB_TCL_TABLE_OBJECT;

// One command template of a Tcl table with its menu label, tool tip and help text. The column and row
// indices travel with it for the user interface; the library does not interpret them.
class RDB_TCL_TABLE_CMD : public PDB_VIRTUAL_OBJECT, public RDB_MENU_CMD_TEXTS {
public:
    RDB_TCL_TABLE_CMD() = default;
    RDB_TCL_TABLE_CMD(const std::string& gui_cmd_name, const std::string& tool_tip, const std::string& help,
                      const std::string& cmd_template, int col_index, int row_index);
    RDB_TCL_TABLE_CMD(const RDB_TCL_TABLE_CMD&) = default;
    RDB_TCL_TABLE_CMD& operator=(const RDB_TCL_TABLE_CMD&) = default;

    const void* pdb_this_ptr() const { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TCL_TABLE_CMD)

    int get_col_index() const { return m_col_index; }
    void set_col_index(int col_index) { m_col_index = col_index; }
    int get_row_index() const { return m_row_index; }
    void set_row_index(int row_index) { m_row_index = row_index; }

    // The template expanded for a row of table; a column or row out of range expands to nothing.
    // Internal errors: a null table ("table != 0"), a null cell under a placeholder, a regex
    // placeholder without its closing "/" or without a "/" between regex and replacement. A regex that
    // does not compile throws std::regex_error.
    std::string build_cmd(RDB_TCL_TABLE_OBJECT* table, unsigned row) const;

private:
    int m_col_index = -1;
    int m_row_index = -1;
};

// A table with an owned list of command templates (a command index is a position in it) and a flag
// telling user interfaces whether to offer the commands on a context menu.
class RDB_TCL_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    explicit RDB_TCL_TABLE_OBJECT(const std::string& name);
    // For loading.
    RDB_TCL_TABLE_OBJECT();
    // Deletes the commands and the compiled expressions, then the table.
    ~RDB_TCL_TABLE_OBJECT() override;

    const void* pdb_this_ptr() const override { return this; }
    PDB_DECLARE_PERSISTENT(RDB_TCL_TABLE_OBJECT)
    RDB_OVERRIDE_DOWNCAST(RDB_TCL_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    // Appends a command and takes ownership; null is the internal error "cmd != 0".
    void add_cmd_template(RDB_TCL_TABLE_CMD* cmd);
    // Deletes every command.
    void clear_cmds();
    unsigned get_number_of_cmds() const { return static_cast<unsigned>(m_cmd_list.size()); }
    // The command at index, or null when index is out of range.
    RDB_TCL_TABLE_CMD* get_cmd_template(unsigned index);
    const RDB_TCL_TABLE_CMD* get_cmd_template(unsigned index) const;
    // The command at cmd_index built for row; cmd_index must be below the command count (internal
    // error "cmd_index < m_cmd_list.size()").
    std::string build_cmd(unsigned cmd_index, unsigned row);
    // The compiled (ECMAScript) expression of pattern, compiled on first request and kept for the
    // table's life. A pattern that does not compile throws std::regex_error.
    const std::regex& get_regex_pattern(const std::string& pattern);

    bool get_show_tcl_commands_on_context_menu() const { return m_show_tcl_commands_on_context_menu; }
    void set_show_tcl_commands_on_context_menu(bool show) { m_show_tcl_commands_on_context_menu = show; }

private:
    std::vector<RDB_TCL_TABLE_CMD*> m_cmd_list;
    bool m_show_tcl_commands_on_context_menu : 1 = false;
    std::map<std::string, std::unique_ptr<std::regex>> m_regex_cache;
};

// A new Tcl table (owned by the caller).
RDB_TCL_TABLE_OBJECT* rdb_create_rdb_tcl_table(const std::string& name);
// A new command template with these values (owned by the caller).
RDB_TCL_TABLE_CMD* rdb_create_rdb_tcl_table_cmd_template(const std::string& gui_cmd_name, const std::string& tool_tip,
                                                         const std::string& help, const std::string& cmd_template,
                                                         int col_index, int row_index);
// Self-check: builds a small Tcl table with two templates and posts each command built for its three
// data rows as the level-2 debug line "CMD <command>".
void rdb_tcl_table_test();

// A handle on a Tcl value whose internal form owns one table cell; its string form is the cell's text.
// The handle holds no Tcl reference: the value lives as long as Tcl references it and frees its cell
// with it. Tcl may also convert the value to another type (a script using it as a list or a number),
// which frees the cell; the handle notices that on every use.
class RDB_TABLE_ELEMENT_TCL_OBJ {
public:
    // Keeps obj when it is a value of the cell type; otherwise the handle is not valid.
    explicit RDB_TABLE_ELEMENT_TCL_OBJ(Tcl_Obj* obj);
    // A new Tcl value (no references yet) owning element; a null element is the internal error "element".
    explicit RDB_TABLE_ELEMENT_TCL_OBJ(std::unique_ptr<RDB_TABLE_ELEMENT> element);

    // True while the handle holds a value that is still of the cell type.
    bool is_valid() const;
    // The Tcl value; a handle without one is the internal error "m_obj".
    Tcl_Obj* get_tcl_obj() const;
    // The cell, owned by the Tcl value; null once Tcl has converted the value to another type. A handle
    // without a value is the internal error "m_obj".
    RDB_TABLE_ELEMENT* get_element() const;

    // The Tcl object type of cell values ("RDB_TABLE_ELEMENT_TCL_OBJ"), registered with Tcl on first use.
    static const Tcl_ObjType* get_tcl_obj_type();

private:
    Tcl_Obj* m_obj = nullptr;
};
