// Tcl tables and their command templates, their transfer routines, and table cells as Tcl values.

#include "rdb_tcl_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string_view>

#include <tcl.h>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_utility.h"
#include "rdb_visitor.h"
#include "tcl/atcl.h"

namespace {

// The text get_data_string answers for a null row or cell.
const char* const GET_DATA_STRING_ERROR = " #RDB_TABLE_OBJ_GET_DATA_STRING_ERROR! ";
constexpr std::string_view COL_MARKER = "%COL_";

// The column named by the decimal text (atoi-like: no digits give 0); negative or too large numbers
// name no column.
unsigned column_of(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < 0 || value > static_cast<long long>(UINT32_MAX)) return RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE;
    return static_cast<unsigned>(value);
}

// The first "/" not preceded by an odd number of backslashes, or npos.
std::size_t find_unescaped_slash(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '/') continue;
        std::size_t backslashes = 0;
        while (backslashes < i && text[i - 1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0) return i;
    }
    return std::string::npos;
}

// The value of one placeholder, given the text between "%COL_" and the closing "%".
std::string expand_placeholder(RDB_TCL_TABLE_OBJECT* table, unsigned row, const std::string& field)
{
    const std::size_t slash = field.find('/');
    const unsigned column = column_of(field.substr(0, slash));
    std::string pattern;
    std::string replacement;
    if (slash != std::string::npos) {
        std::string regex_str = field.substr(slash + 1);
        const std::string regex_end_pattern = "/";
        const std::size_t regex_end_pattern_len = regex_end_pattern.size();
        // An empty rest ("%COL_0/%") has no closing "/" either.
        RDB_ASSERT_MSG(regex_str.size() >= regex_end_pattern_len &&
                           regex_str.compare(regex_str.size() - regex_end_pattern_len, regex_end_pattern_len,
                                             regex_end_pattern) == 0,
                       "regex_str.substr(regex_str.size()-regex_end_pattern_len) == regex_end_pattern");
        regex_str.resize(regex_str.size() - regex_end_pattern_len);
        const std::size_t sep_pos = find_unescaped_slash(regex_str);
        RDB_ASSERT(sep_pos != std::string::npos);
        pattern = regex_str.substr(0, sep_pos);
        replacement = regex_str.substr(sep_pos + 1);
    }
    const std::string cell_str = table->get_data_string(row, column);
    RDB_ASSERT_MSG(cell_str != GET_DATA_STRING_ERROR, "cell_str != RDB_TABLE_OBJ_GET_DATA_STRING_ERROR");
    if (slash == std::string::npos) return cell_str;
    return std::regex_replace(cell_str, table->get_regex_pattern(pattern), replacement);
}

// Appends the expanded segment to command, unless it has placeholders and all of them are empty.
void append_segment(std::string& command, RDB_TCL_TABLE_OBJECT* table, unsigned row, std::string_view segment)
{
    std::string text;
    unsigned placeholders = 0;
    unsigned empty = 0;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t marker = segment.find(COL_MARKER, pos);
        if (marker == std::string_view::npos) break;
        const std::size_t field_begin = marker + COL_MARKER.size();
        const std::size_t close = segment.find('%', field_begin);
        // A marker without its closing "%" is copied with the rest of the segment.
        if (close == std::string_view::npos) break;
        text.append(segment.substr(pos, marker - pos));
        const std::string value =
            expand_placeholder(table, row, std::string(segment.substr(field_begin, close - field_begin)));
        ++placeholders;
        empty += value.empty();
        text += value;
        pos = close + 1;
    }
    text.append(segment.substr(pos));
    if (placeholders > 0 && empty == placeholders) return;
    command += text;
}

} // namespace

// ---- RDB_TCL_TABLE_CMD ---------------------------------------------------------------------------

RDB_TCL_TABLE_CMD::RDB_TCL_TABLE_CMD(const std::string& gui_cmd_name, const std::string& tool_tip,
                                     const std::string& help, const std::string& cmd_template, int col_index,
                                     int row_index)
    : RDB_MENU_CMD_TEXTS(gui_cmd_name, tool_tip, help, cmd_template), m_col_index(col_index), m_row_index(row_index)
{
}

std::string RDB_TCL_TABLE_CMD::build_cmd(RDB_TCL_TABLE_OBJECT* table, unsigned row) const
{
    RDB_ASSERT(table != 0);
    // Segments alternate: up to the next "<", then up to the next ">", and so on.
    const std::string_view text = get_cmd_template();
    std::string command;
    bool inside = false;
    for (std::size_t pos = 0; pos <= text.size(); inside = !inside) {
        const std::size_t end = std::min(text.find(inside ? '>' : '<', pos), text.size());
        append_segment(command, table, row, text.substr(pos, end - pos));
        pos = end + 1;
    }
    return command;
}

// ---- RDB_TCL_TABLE_OBJECT ------------------------------------------------------------------------

RDB_TCL_TABLE_OBJECT::RDB_TCL_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}

RDB_TCL_TABLE_OBJECT::RDB_TCL_TABLE_OBJECT() = default;

RDB_TCL_TABLE_OBJECT::~RDB_TCL_TABLE_OBJECT() { clear_cmds(); }

RDB_OBJECT_TYPE RDB_TCL_TABLE_OBJECT::get_type() const { return RDB_TCL_TABLE_TYPE; }

void RDB_TCL_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_tcl_table(this); }

void RDB_TCL_TABLE_OBJECT::add_cmd_template(RDB_TCL_TABLE_CMD* cmd)
{
    RDB_ASSERT(cmd != 0);
    m_cmd_list.push_back(cmd);
}

void RDB_TCL_TABLE_OBJECT::clear_cmds()
{
    for (RDB_TCL_TABLE_CMD* cmd : m_cmd_list)
        delete cmd;
    m_cmd_list.clear();
}

RDB_TCL_TABLE_CMD* RDB_TCL_TABLE_OBJECT::get_cmd_template(unsigned index)
{
    return index < m_cmd_list.size() ? m_cmd_list[index] : nullptr;
}

const RDB_TCL_TABLE_CMD* RDB_TCL_TABLE_OBJECT::get_cmd_template(unsigned index) const
{
    return index < m_cmd_list.size() ? m_cmd_list[index] : nullptr;
}

std::string RDB_TCL_TABLE_OBJECT::build_cmd(unsigned cmd_index, unsigned row)
{
    RDB_ASSERT(cmd_index < m_cmd_list.size());
    return m_cmd_list[cmd_index]->build_cmd(this, row);
}

const std::regex& RDB_TCL_TABLE_OBJECT::get_regex_pattern(const std::string& pattern)
{
    std::unique_ptr<std::regex>& cached = m_regex_cache[pattern];
    if (!cached) {
        try {
            cached = std::make_unique<std::regex>(pattern, std::regex::ECMAScript);
        } catch (...) {
            m_regex_cache.erase(pattern);
            throw;
        }
    }
    return *cached;
}

// ---- Free functions ------------------------------------------------------------------------------

RDB_TCL_TABLE_OBJECT* rdb_create_rdb_tcl_table(const std::string& name)
{
    RDB_TCL_TABLE_OBJECT* table = new (std::nothrow) RDB_TCL_TABLE_OBJECT(name);
    RDB_ASSERT(table != 0);
    return table;
}

RDB_TCL_TABLE_CMD* rdb_create_rdb_tcl_table_cmd_template(const std::string& gui_cmd_name, const std::string& tool_tip,
                                                         const std::string& help, const std::string& cmd_template,
                                                         int col_index, int row_index)
{
    RDB_TCL_TABLE_CMD* cmd =
        new (std::nothrow) RDB_TCL_TABLE_CMD(gui_cmd_name, tool_tip, help, cmd_template, col_index, row_index);
    RDB_ASSERT(cmd != 0);
    return cmd;
}

void rdb_tcl_table_test()
{
    std::unique_ptr<RDB_TCL_TABLE_OBJECT> table(rdb_create_rdb_tcl_table("Tcl Table Test"));
    table->add_row(rdb_create_row("Tens", "Ones"));
    for (int value : {12, 34, 56})
        table->add_row(new RDB_TABLE_ROW{new RDB_TABLE_INT_ELEMENT(value), new RDB_TABLE_INT_ELEMENT(value + 1)});
    table->add_cmd_template(
        rdb_create_rdb_tcl_table_cmd_template("Add", "Adds both numbers", "", "expr {%COL_0% + %COL_1%}", -1, -1));
    table->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template(
        "Digits", "Prints the first digits", "", "puts %COL_0/^(\\d)\\d$/$1/%< -and %COL_1/^(\\d)\\d$/$1/%>", -1, -1));
    for (unsigned row = 1; row <= 3; ++row)
        for (unsigned cmd = 0; cmd < table->get_number_of_cmds(); ++cmd)
            msg_local_vdebug("RDB", 2, "CMD %s", table->build_cmd(cmd, row).c_str());
}

// ---- Table cells as Tcl values -------------------------------------------------------------------

namespace {

RDB_TABLE_ELEMENT* element_of(const Tcl_Obj* obj)
{
    return static_cast<RDB_TABLE_ELEMENT*>(obj->internalRep.otherValuePtr);
}

void free_element(Tcl_Obj* obj)
{
    delete element_of(obj);
    obj->internalRep.otherValuePtr = nullptr;
}

// Scripts duplicate a shared value before changing it (append, lset): the copy owns a clone.
void duplicate_element(Tcl_Obj* source, Tcl_Obj* copy)
{
    const RDB_TABLE_ELEMENT* element = element_of(source);
    copy->internalRep.otherValuePtr = element != nullptr ? element->clone() : nullptr;
    copy->typePtr = source->typePtr;
}

void update_string(Tcl_Obj* obj)
{
    const RDB_TABLE_ELEMENT* element = element_of(obj);
    const std::string text = element != nullptr ? element->get_string() : std::string();
    const std::size_t length = std::strlen(text.c_str());
    obj->bytes = Tcl_Alloc(static_cast<unsigned>(length + 1));
    std::memcpy(obj->bytes, text.c_str(), length + 1);
    obj->length = static_cast<int>(length);
}

int set_element_from_any(Tcl_Interp* interp, Tcl_Obj*)
{
    atcl_error_msg_impl(interp, "Cannot set the element object from any string");
    return TCL_ERROR;
}

const Tcl_ObjType g_element_type = {"RDB_TABLE_ELEMENT_TCL_OBJ", free_element, duplicate_element, update_string,
                                    set_element_from_any};

} // namespace

const Tcl_ObjType* RDB_TABLE_ELEMENT_TCL_OBJ::get_tcl_obj_type()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        atcl_get_interpreter(); // Tcl's object system is set up with the interpreter
        Tcl_RegisterObjType(&g_element_type);
    });
    return &g_element_type;
}

RDB_TABLE_ELEMENT_TCL_OBJ::RDB_TABLE_ELEMENT_TCL_OBJ(Tcl_Obj* obj)
    : m_obj(obj != nullptr && obj->typePtr == &g_element_type ? obj : nullptr)
{
}

RDB_TABLE_ELEMENT_TCL_OBJ::RDB_TABLE_ELEMENT_TCL_OBJ(std::unique_ptr<RDB_TABLE_ELEMENT> element)
{
    RDB_ASSERT(element);
    const Tcl_ObjType* type = get_tcl_obj_type();
    m_obj = Tcl_NewObj();
    m_obj->typePtr = type;
    Tcl_InvalidateStringRep(m_obj);
    m_obj->internalRep.otherValuePtr = element.release();
}

bool RDB_TABLE_ELEMENT_TCL_OBJ::is_valid() const { return m_obj != nullptr && m_obj->typePtr == &g_element_type; }

Tcl_Obj* RDB_TABLE_ELEMENT_TCL_OBJ::get_tcl_obj() const
{
    RDB_ASSERT(m_obj);
    return m_obj;
}

RDB_TABLE_ELEMENT* RDB_TABLE_ELEMENT_TCL_OBJ::get_element() const
{
    RDB_ASSERT(m_obj);
    // Converted to another type since: Tcl has freed the cell.
    if (m_obj->typePtr != &g_element_type) return nullptr;
    return element_of(m_obj);
}
