#include "rdb_table_element.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "msg/msg.h"
#include "rdb_cell_pool.h"
#include "rdb_visitor.h"
#include "rdb_vocabulary.h"
#include "tcl/atcl.h"
#include "time/big_time.h"

namespace {

// A pool copy of text with exactly its length + 1 bytes; the caller owns it (RDB_CELL_POOL::release).
char* duplicate_text(const char* text, std::size_t length)
{
    char* copy = RDB_CELL_POOL::allocate_text(length + 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

char* duplicate_text(const char* text) { return text ? duplicate_text(text, std::strlen(text)) : nullptr; }

// Replaces the pool text held in place by a copy of text.
void replace_text(char*& place, std::string_view text)
{
    char* copy = duplicate_text(text.data(), text.size());
    RDB_CELL_POOL::release(place);
    place = copy;
}

// Appends a printf-formatted text to out.
__attribute__((format(printf, 2, 3))) void append_format(std::string& out, const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) return;
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(length));
        return;
    }
    std::string large(static_cast<std::size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(large.data(), large.size(), format, args);
    va_end(args);
    out.append(large.data(), static_cast<std::size_t>(length));
}

// Fills the "%s" places of a vocabulary template in order; other text is copied as it is.
std::string fill_template(const char* text_template, std::initializer_list<std::string> args)
{
    std::string out;
    auto arg = args.begin();
    for (const char* p = text_template; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && arg != args.end()) {
            out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace

// ---- RDB_TABLE_ELEMENT ---------------------------------------------------------------------------

void* RDB_TABLE_ELEMENT::operator new(std::size_t size) { return RDB_CELL_POOL::allocate_cell(size); }

void* RDB_TABLE_ELEMENT::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return RDB_CELL_POOL::allocate_cell(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void RDB_TABLE_ELEMENT::operator delete(void* memory) noexcept { RDB_CELL_POOL::release(memory); }

void RDB_TABLE_ELEMENT::operator delete(void* memory, const std::nothrow_t&) noexcept
{
    RDB_CELL_POOL::release(memory);
}

RDB_TABLE_ELEMENT::RDB_TABLE_ELEMENT(const RDB_TABLE_ELEMENT& other)
    : m_tooltip(duplicate_text(other.m_tooltip)), m_foreground(other.m_foreground), m_background(other.m_background)
{
}

RDB_TABLE_ELEMENT::~RDB_TABLE_ELEMENT() { RDB_CELL_POOL::release(m_tooltip); }

RDB_TABLE_ELEMENT* RDB_TABLE_ELEMENT::clone() const { return new RDB_TABLE_ELEMENT(*this); }

void RDB_TABLE_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_table_element(this); }

std::string RDB_TABLE_ELEMENT::get_string() const { return std::string(); }

std::string RDB_TABLE_ELEMENT::get_string_element_data() const
{
    RDB_INTERNAL_ERROR("Illegal call: RDB_TABLE_ELEMENT::get_string_element_data()");
}

void RDB_TABLE_ELEMENT::set_string_element_data(const std::string&)
{
    RDB_INTERNAL_ERROR("Illegal call: RDB_TABLE_ELEMENT::set_string_element_data");
}

int RDB_TABLE_ELEMENT::get_int_element_data() const
{
    RDB_INTERNAL_ERROR("Illegal call: RDB_TABLE_ELEMENT::get_int_element_data");
}

void RDB_TABLE_ELEMENT::set_int_element_data(int)
{
    RDB_INTERNAL_ERROR("Illegal call: RDB_TABLE_ELEMENT::set_int_element_data");
}

void RDB_TABLE_ELEMENT::set_string(const std::string&) {}

void RDB_TABLE_ELEMENT::set_tooltip(const std::string& tooltip) { assign_tooltip(tooltip); }

void RDB_TABLE_ELEMENT::assign_tooltip(std::string_view tooltip) { replace_text(m_tooltip, tooltip); }

// ---- RDB_TABLE_STRING_ELEMENT --------------------------------------------------------------------

// Short texts in the cell keep a text cell at the size it had with a pointer only; the other kinds
// fill the bytes after the base's colours as well.
static_assert(sizeof(RDB_TABLE_ELEMENT) == 24 && sizeof(RDB_TABLE_STRING_ELEMENT) == 32 &&
              sizeof(RDB_TABLE_TCL_CMD_ELEMENT) == 40 && sizeof(RDB_TABLE_LOCATION_SCHEMA_ELEMENT) == 96 &&
              sizeof(RDB_TABLE_INT_ELEMENT) == 24 && sizeof(RDB_TABLE_DELAY_ELEMENT) == 32 &&
              sizeof(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT) == 40);

RDB_TABLE_STRING_ELEMENT::RDB_TABLE_STRING_ELEMENT(const std::string& text) { assign_text(text); }

RDB_TABLE_STRING_ELEMENT::RDB_TABLE_STRING_ELEMENT(const char* text) { set_string(text); }

RDB_TABLE_STRING_ELEMENT::RDB_TABLE_STRING_ELEMENT(const RDB_TABLE_STRING_ELEMENT& other) : RDB_TABLE_ELEMENT(other)
{
    if (other.text_place() == TEXT_IN_POOL)
        assign_text(other.pool_text());
    else
        std::memcpy(m_data, other.m_data, TEXT_BYTES);
}

RDB_TABLE_STRING_ELEMENT::~RDB_TABLE_STRING_ELEMENT()
{
    if (text_place() == TEXT_IN_POOL) RDB_CELL_POOL::release(pool_text());
}

RDB_TABLE_ELEMENT* RDB_TABLE_STRING_ELEMENT::clone() const { return new RDB_TABLE_STRING_ELEMENT(*this); }

void RDB_TABLE_STRING_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor)
{
    visitor->visit_table_string_element(this);
}

std::string RDB_TABLE_STRING_ELEMENT::get_string() const { return std::string(get_c_string()); }

void RDB_TABLE_STRING_ELEMENT::set_string(const std::string& text) { assign_text(text); }

void RDB_TABLE_STRING_ELEMENT::set_string(const char* data)
{
    RDB_ASSERT(data != 0);
    assign_text(data);
}

char* RDB_TABLE_STRING_ELEMENT::pool_text() const
{
    char* text;
    std::memcpy(&text, m_data, sizeof text);
    return text;
}

void RDB_TABLE_STRING_ELEMENT::assign_text(std::string_view text)
{
    // The new text may be a view of the old one: the old text goes only once the new one is in place.
    char* old = text_place() == TEXT_IN_POOL ? pool_text() : nullptr;
    if (text.size() <= SHORT_TEXT) {
        if (!text.empty()) std::memmove(m_data, text.data(), text.size());
        m_data[text.size()] = '\0';
        m_data[TEXT_BYTES - 1] = TEXT_IN_CELL;
    } else {
        char* copy = duplicate_text(text.data(), text.size());
        std::memcpy(m_data, &copy, sizeof copy);
        m_data[TEXT_BYTES - 1] = TEXT_IN_POOL;
    }
    RDB_CELL_POOL::release(old);
}

// ---- RDB_TABLE_LOCATION_SCHEMA_ELEMENT -----------------------------------------------------------

RDB_TABLE_LOCATION_SCHEMA_ELEMENT::RDB_TABLE_LOCATION_SCHEMA_ELEMENT(const std::string& text,
                                                                     const MSG_LOCATION_SCHEMA* schema)
    : RDB_TABLE_STRING_ELEMENT(text)
{
    set_location_schema(schema);
}

RDB_TABLE_LOCATION_SCHEMA_ELEMENT::RDB_TABLE_LOCATION_SCHEMA_ELEMENT(const std::string& text,
                                                                     const MSG_LOCATION_SCHEMA* schema,
                                                                     const std::string& hierarchy_path)
    : RDB_TABLE_STRING_ELEMENT(text), m_hierarchy_path(hierarchy_path)
{
    set_location_schema(schema);
}

RDB_TABLE_ELEMENT* RDB_TABLE_LOCATION_SCHEMA_ELEMENT::clone() const
{
    return new RDB_TABLE_LOCATION_SCHEMA_ELEMENT(*this);
}

void RDB_TABLE_LOCATION_SCHEMA_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor)
{
    visitor->visit_table_location_schema_element(this);
}

void RDB_TABLE_LOCATION_SCHEMA_ELEMENT::set_location_schema(const MSG_LOCATION_SCHEMA* schema)
{
    m_location_schema_tcl_string.clear();
    if (schema == nullptr) return;

    std::string location_schema_tcl_string;
    schema->to_tcl_string(location_schema_tcl_string);
    RDB_ASSERT_MSG(!location_schema_tcl_string.empty() && location_schema_tcl_string.front() == '{', "i == 0");
    // The closing brace must be a second character of its own: "{" alone is not a braced list.
    std::size_t i = location_schema_tcl_string.rfind('}');
    RDB_ASSERT_MSG(i != std::string::npos && i != 0 && i == location_schema_tcl_string.length() - 1,
                   "i == location_schema_tcl_string.length() - 1");
    m_location_schema_tcl_string = location_schema_tcl_string.substr(1, i - 1);
}

MSG_LOCATION_SCHEMA* RDB_TABLE_LOCATION_SCHEMA_ELEMENT::get_location_schema() const
{
    if (m_location_schema_tcl_string.empty()) return nullptr;

    Tcl_Interp* interp = atcl_get_interpreter();
    RDB_ASSERT(interp != nullptr);

    std::string list = "func " + m_location_schema_tcl_string;
    int argc = 0;
    const char** argv = nullptr;
    if (Tcl_SplitList(interp, list.c_str(), &argc, &argv) != TCL_OK) {
        Tcl_ResetResult(interp);
        return nullptr;
    }

    MSG_LOCATION_SCHEMA* location_schema = nullptr;
    bool decoded = MSG_LOCATION_SCHEMA::from_tcl_string(interp, argc, argv) == TCL_OK;
    if (decoded) location_schema = static_cast<MSG_LOCATION_SCHEMA*>(atcl_get_ptr(Tcl_GetStringResult(interp)));
    Tcl_Free(reinterpret_cast<char*>(argv));
    Tcl_ResetResult(interp);
    if (decoded) RDB_ASSERT_MSG(location_schema != nullptr, "location_schema != NULL");
    return location_schema;
}

// ---- RDB_TABLE_TCL_CMD_ELEMENT -------------------------------------------------------------------

RDB_TABLE_TCL_CMD_ELEMENT::RDB_TABLE_TCL_CMD_ELEMENT(const std::string& text, const std::string& tcl_cmd)
    : RDB_TABLE_STRING_ELEMENT(text), m_tcl_cmd(duplicate_text(tcl_cmd.data(), tcl_cmd.size()))
{
}

RDB_TABLE_TCL_CMD_ELEMENT::RDB_TABLE_TCL_CMD_ELEMENT(const RDB_TABLE_TCL_CMD_ELEMENT& other)
    : RDB_TABLE_STRING_ELEMENT(other), m_tcl_cmd(duplicate_text(other.m_tcl_cmd))
{
}

RDB_TABLE_TCL_CMD_ELEMENT::~RDB_TABLE_TCL_CMD_ELEMENT() { RDB_CELL_POOL::release(m_tcl_cmd); }

RDB_TABLE_ELEMENT* RDB_TABLE_TCL_CMD_ELEMENT::clone() const { return new RDB_TABLE_TCL_CMD_ELEMENT(*this); }

void RDB_TABLE_TCL_CMD_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor)
{
    visitor->visit_table_tcl_cmd_element(this);
}

void RDB_TABLE_TCL_CMD_ELEMENT::set_tcl_cmd(const std::string& tcl_cmd) { assign_tcl_cmd(tcl_cmd); }

void RDB_TABLE_TCL_CMD_ELEMENT::set_tcl_cmd(const char* tcl_cmd)
{
    RDB_ASSERT(tcl_cmd != 0);
    assign_tcl_cmd(tcl_cmd);
}

void RDB_TABLE_TCL_CMD_ELEMENT::assign_tcl_cmd(std::string_view tcl_cmd) { replace_text(m_tcl_cmd, tcl_cmd); }

// ---- RDB_TABLE_INT_ELEMENT -----------------------------------------------------------------------

RDB_TABLE_ELEMENT* RDB_TABLE_INT_ELEMENT::clone() const { return new RDB_TABLE_INT_ELEMENT(*this); }

void RDB_TABLE_INT_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_table_int_element(this); }

std::string RDB_TABLE_INT_ELEMENT::get_string() const { return std::to_string(m_data); }

// ---- RDB_TABLE_DELAY_ELEMENT ---------------------------------------------------------------------

RDB_TABLE_ELEMENT* RDB_TABLE_DELAY_ELEMENT::clone() const { return new RDB_TABLE_DELAY_ELEMENT(*this); }

void RDB_TABLE_DELAY_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_table_delay_element(this); }

std::string RDB_TABLE_DELAY_ELEMENT::get_string() const
{
    BIG_TIME time;
    time.set_storage_number(m_delay);
    switch (m_display_option) {
    case TABLE_DELAY_ELEMENT_NO_UNITS:
        return time.to_string_without_unit(BIG_TIME::AUTO, 2, true);
    case TABLE_DELAY_ELEMENT_NORMAL_DELAY:
        return time.to_string(BIG_TIME::NS, 3, false);
    case TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY:
        return fill_template(RDB_NORMAL_FMAX_VAL,
                             {time.to_string(BIG_TIME::MHZ, 2, false), time.to_string(BIG_TIME::NS, 3, false)});
    case TABLE_DELAY_ELEMENT_NOT_OPERATIONAL:
        return RDB_NOT_OPERATIONAL_FMAX_VAL;
    case TABLE_DELAY_ELEMENT_NEGATIVE_HOLD:
        return RDB_NEGATIVE_HOLD_VAL;
    case TABLE_DELAY_ELEMENT_RESTRICTED_FMAX:
        RDB_INTERNAL_ERROR("This TAN_TSU_OBJECT display option was obsoleted");
    case TABLE_DELAY_ELEMENT_NO_SLACK:
        return RDB_NO_SLACK_VAL;
    case TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN:
        return RDB_NOT_OPERATIONAL_PIN_FMAX_VAL;
    case TABLE_DELAY_ELEMENT_NO_REQ:
        return RDB_NO_REQUIREMENT_VAL;
    }
    RDB_INTERNAL_ERROR("Incorrect TAN_TSU_OBJECT display option");
}

// ---- RDB_TABLE_DATA_VALID_WINDOW_ELEMENT ---------------------------------------------------------

RDB_TABLE_ELEMENT* RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::clone() const
{
    return new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT(*this);
}

void RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::accept_visitor(RDB_OBJECT_VISITOR* visitor)
{
    visitor->visit_table_data_valid_window_element(this);
}

void RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::set_disabled(bool disabled)
{
    m_disabled = disabled;
    m_window_min = -100;
    m_valid_min = -50;
    m_valid_max = 50;
    m_window_max = 100;
}

std::string RDB_TABLE_DATA_VALID_WINDOW_ELEMENT::get_string() const
{
    if (m_disabled) return "-- disabled --";
    std::string out;
    append_format(out, "%d .. [%d .. %d] .. %d", m_window_min, m_valid_min, m_valid_max, m_window_max);
    return out;
}
