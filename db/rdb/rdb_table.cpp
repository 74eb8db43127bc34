#include "rdb_table_sys.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <boost/numeric/conversion/cast.hpp>
#include <tcl.h>

#include "gen/gen_util.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_gauges.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_utility.h"
#include "rdb_visitor.h"
#include "tcl/atcl.h"

namespace {

const char* const GET_DATA_STRING_ERROR = " #RDB_TABLE_OBJ_GET_DATA_STRING_ERROR! ";
const char* const COLUMN_COUNT_ERROR =
    "Error: Column count of the inserted row is different from the table defined value.";
const char* const SQLITE_MARKER = "SQLITE";

// The text a search compares: the row's first cell; null when the row has no first cell.
const RDB_TABLE_ELEMENT* first_cell(const RDB_TABLE_ROW* row)
{
    return (row != nullptr && !row->empty()) ? row->front() : nullptr;
}

// Orders rows by the natural order of one column's texts; check_sortable has vetted every row.
class ROW_ORDER {
public:
    ROW_ORDER(int column, bool ascending) : m_column(static_cast<std::size_t>(column)), m_ascending(ascending) {}
    bool operator()(const RDB_TABLE_ROW* a, const RDB_TABLE_ROW* b) const
    {
        const int result = gen_signed_lexcmp((*a)[m_column]->get_string(), (*b)[m_column]->get_string());
        return m_ascending ? result < 0 : result > 0;
    }

private:
    std::size_t m_column;
    bool m_ascending;
};

} // namespace

void RDB_TABLE_ROW_DELETER::operator()(RDB_TABLE_ROW* row) const
{
    if (row == nullptr) return;
    for (RDB_TABLE_ELEMENT* element : *row)
        delete element;
    delete row;
}

// ---- RDB_TABLE_OBJECT ----------------------------------------------------------------------------

RDB_TABLE_OBJECT::RDB_TABLE_OBJECT(const std::string& name)
    : RDB_OBJECT(name), m_no_compact(false), m_use_alternating_row_colors(true), m_display_row_numbers(true),
      m_uniform_row_heights(true), m_sort_enabled(true)
{
    set_bool_trait(ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, false);
}

RDB_TABLE_OBJECT::RDB_TABLE_OBJECT()
    : m_no_compact(false), m_use_alternating_row_colors(true), m_display_row_numbers(true), m_uniform_row_heights(true),
      m_sort_enabled(true)
{
    set_bool_trait(ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, false);
}

RDB_TABLE_OBJECT::~RDB_TABLE_OBJECT() { clear_rows(); }

RDB_OBJECT_TYPE RDB_TABLE_OBJECT::get_type() const { return RDB_TABLE_TYPE; }

void RDB_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_table(this); }

std::string RDB_TABLE_OBJECT::get_data_string(unsigned int row, unsigned int col) const
{
    std::string out;
    get_data_string(row, col, out);
    return out;
}

// ---- Rows

void RDB_TABLE_OBJECT::add_row(RDB_TABLE_ROW* row)
{
    if (row == nullptr) return;
    RDB_ASSERT(is_writable());
    m_rows.push_back(row);
}

void RDB_TABLE_OBJECT::add_row_to_top(RDB_TABLE_ROW* row)
{
    if (row == nullptr) return;
    RDB_ASSERT(is_writable());
    m_rows.insert(m_rows.begin(), row);
}

RDB_TABLE_ROW* RDB_TABLE_OBJECT::add_string_or_location_schema_row(std::vector<STRING_OR_LOCATION>& items)
{
    RDB_ASSERT(is_writable());
    RDB_TABLE_ROW* row = new RDB_TABLE_ROW;
    row->reserve(items.size());
    for (const STRING_OR_LOCATION& item : items) {
        if (const std::string* text = std::get_if<std::string>(&item)) {
            row->push_back(new RDB_TABLE_STRING_ELEMENT(*text));
        } else {
            const auto& location = std::get<std::pair<std::string, const HDB_INSTANCE_NAME*>>(item);
            row->push_back(rdb_create_table_element_from_iname(location.second, std::string_view(location.first)));
        }
    }
    m_rows.push_back(row);
    if (row->size() != get_number_of_columns()) RDB_INTERNAL_ERROR(COLUMN_COUNT_ERROR);
    return row;
}

RDB_TABLE_ROW* RDB_TABLE_OBJECT::add_row_of_c_strings(const char* const* texts)
{
    RDB_ASSERT(is_writable());
    RDB_TABLE_ROW* row = new RDB_TABLE_ROW;
    for (const char* const* text = texts; text != nullptr && *text != nullptr; ++text)
        row->push_back(new RDB_TABLE_STRING_ELEMENT(*text));
    m_rows.push_back(row);
    if (row->size() != get_number_of_columns()) RDB_INTERNAL_ERROR(COLUMN_COUNT_ERROR);
    return row;
}

RDB_TABLE_ROW_PTR RDB_TABLE_OBJECT::remove_row()
{
    if (m_rows.empty()) return {};
    RDB_ASSERT(is_writable());
    RDB_TABLE_ROW_PTR row(m_rows.back());
    m_rows.pop_back();
    return row;
}

RDB_TABLE_ROW_PTR RDB_TABLE_OBJECT::remove_row_at(unsigned int index)
{
    if (index >= m_rows.size()) return {};
    RDB_ASSERT(is_writable());
    RDB_TABLE_ROW_PTR row(m_rows[index]);
    m_rows.erase(m_rows.begin() + index);
    return row;
}

void RDB_TABLE_OBJECT::clear_rows()
{
    for (RDB_TABLE_ROW* row : m_rows)
        RDB_TABLE_ROW_DELETER()(row);
    m_rows.clear();
}

unsigned int RDB_TABLE_OBJECT::get_number_of_rows() const
{
    if (has_sqlite_marker()) return sqlite_number_of_rows();
    return boost::numeric_cast<unsigned int>(m_rows.size());
}

unsigned int RDB_TABLE_OBJECT::get_number_of_columns() const
{
    if (has_sqlite_marker()) return sqlite_number_of_columns();
    if (m_rows.empty() || m_rows.front() == nullptr) return 0;
    return boost::numeric_cast<unsigned int>(m_rows.front()->size());
}

// ---- Cells

RDB_TABLE_ELEMENT* RDB_TABLE_OBJECT::get_element(unsigned int row, unsigned int col,
                                                 STATE_OF_GET_ELEMENT_ENUM* state) const
{
    STATE_OF_GET_ELEMENT_ENUM outcome = ELEMENT_FOUND;
    RDB_TABLE_ELEMENT* element = nullptr;
    if (row >= m_rows.size()) {
        outcome = ROW_OUT_OF_RANGE;
    } else if (m_rows[row] == nullptr) {
        outcome = ROW_IS_NULL;
    } else if (col >= m_rows[row]->size()) {
        outcome = COLUMN_OUT_OF_RANGE;
    } else {
        element = (*m_rows[row])[col];
        if (element == nullptr) outcome = ELEMENT_IS_NULL;
    }
    if (state != nullptr) *state = outcome;
    return element;
}

RDB_TABLE_ELEMENT* RDB_TABLE_OBJECT::get_element(unsigned int row, unsigned int col, bool report) const
{
    STATE_OF_GET_ELEMENT_ENUM state = ELEMENT_FOUND;
    RDB_TABLE_ELEMENT* element = get_element(row, col, &state);
    if (report) {
        switch (state) {
        case ROW_OUT_OF_RANGE:
        case ROW_IS_NULL:
            msg_local_vdebug("RDB", 2, "specified row does not exist");
            break;
        case COLUMN_OUT_OF_RANGE:
            msg_local_vdebug("RDB", 2, "specified column does not exist");
            break;
        case ELEMENT_IS_NULL:
            msg_local_vdebug("RDB", 2, "specified element does not exist");
            break;
        case ELEMENT_FOUND:
            break;
        }
    }
    return element;
}

void RDB_TABLE_OBJECT::get_data_string(unsigned int row, unsigned int col, std::string& out) const
{
    out.clear();
    if (has_sqlite_marker()) {
        out = sqlite_data_string(row, col);
        return;
    }
    if (row >= m_rows.size()) return;
    const RDB_TABLE_ROW* table_row = m_rows[row];
    if (table_row == nullptr) {
        out = GET_DATA_STRING_ERROR;
        msg_local_vdebug("RDB", 2, "table row does not exist");
        return;
    }
    if (col >= table_row->size()) return;
    const RDB_TABLE_ELEMENT* element = (*table_row)[col];
    if (element == nullptr) {
        out = GET_DATA_STRING_ERROR;
        msg_local_vdebug("RDB", 2, "table element does not exist");
        return;
    }
    out = element->get_string();
}

void RDB_TABLE_OBJECT::for_each_data_row(const std::function<void(const std::vector<std::string>&)>& visit) const
{
    std::optional<RDB_SQLITE_TABLE_READER> reader;
    if (has_sqlite_marker()) reader.emplace(*this);
    const unsigned int row_count = reader ? reader->get_number_of_rows() : get_number_of_rows();
    const unsigned int col_count = reader ? reader->get_number_of_columns() : get_number_of_columns();
    std::vector<std::string> texts(col_count);
    for (unsigned int r = 0; r < row_count; ++r) {
        for (unsigned int c = 0; c < col_count; ++c) {
            if (reader)
                texts[c] = reader->get_data_string(r, c);
            else
                get_data_string(r, c, texts[c]);
        }
        visit(texts);
    }
}

void RDB_TABLE_OBJECT::output_data_strings(std::ostream& os, const char* const* separators) const
{
    for_each_data_row([&](const std::vector<std::string>& texts) {
        for (std::size_t c = 0; c < texts.size(); ++c) {
            os << texts[c];
            if (separators != nullptr && separators[c] != nullptr) os << separators[c];
        }
    });
}

// ---- Searching

std::uint32_t RDB_TABLE_OBJECT::find_col_index(const std::string& pattern) const
{
    if (has_sqlite_marker()) {
        RDB_SQLITE_TABLE_READER reader(*this);
        const unsigned int columns = reader.get_number_of_columns();
        for (unsigned int c = 0; c < columns; ++c)
            if (atcl_tcl_stringmatch_for_bus(reader.get_data_string(0, c), pattern, true)) return c;
        return INDEX_OUT_OF_RANGE;
    }
    if (m_rows.empty()) return INDEX_OUT_OF_RANGE;
    const RDB_TABLE_ROW* header_row = m_rows.front();
    RDB_ASSERT(header_row != 0);
    for (std::size_t c = 0; c < header_row->size(); ++c) {
        const RDB_TABLE_ELEMENT* element = (*header_row)[c];
        if (element != nullptr && atcl_tcl_stringmatch_for_bus(element->get_string(), pattern, true))
            return boost::numeric_cast<std::uint32_t>(c);
    }
    return INDEX_OUT_OF_RANGE;
}

RDB_TABLE_ROW* RDB_TABLE_OBJECT::find_row(const std::string& pattern)
{
    // The rows of a converted table live in its file: there is no row here to hand out.
    if (has_sqlite_marker()) return nullptr;
    const std::uint32_t index = find_row_index(pattern);
    return index == INDEX_OUT_OF_RANGE ? nullptr : m_rows[index];
}

std::uint32_t RDB_TABLE_OBJECT::find_row_index(const std::string& pattern) const
{
    if (has_sqlite_marker()) {
        std::uint32_t found = INDEX_OUT_OF_RANGE;
        rdb_for_each_table_row(*this, [&](unsigned int index, const RDB_TABLE_ROW* row) {
            const RDB_TABLE_ELEMENT* element = first_cell(row);
            if (found == INDEX_OUT_OF_RANGE && element != nullptr &&
                atcl_tcl_stringmatch_for_bus(element->get_string(), pattern, true))
                found = index;
        });
        return found;
    }
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const RDB_TABLE_ELEMENT* element = first_cell(m_rows[r]);
        if (element != nullptr && atcl_tcl_stringmatch_for_bus(element->get_string(), pattern, true))
            return boost::numeric_cast<std::uint32_t>(r);
    }
    return INDEX_OUT_OF_RANGE;
}

void RDB_TABLE_OBJECT::find_matched_rows(std::vector<RDB_TABLE_ROW*>& found, const std::string& pattern,
                                         RDB_MATCH_MODE mode, bool invert, std::uint64_t max_number_of_found_rows)
{
    RDB_ASSERT(max_number_of_found_rows > 0);
    found.clear();
    if (has_sqlite_marker()) return;
    for (RDB_TABLE_ROW* row : m_rows) {
        const RDB_TABLE_ELEMENT* element = first_cell(row);
        if (element == nullptr) continue;
        const std::string text = element->get_string();
        int result = 0;
        if (mode == RDB_MATCH_REGEXP)
            result = Tcl_RegExpMatch(atcl_get_interpreter(), text.c_str(), pattern.c_str());
        else
            result = atcl_tcl_stringmatch_for_bus(text, pattern, true) ? 1 : 0;
        // A regular-expression error (-1) is neither a match nor a non-match.
        const bool taken = invert ? result == 0 : result == 1;
        if (!taken) continue;
        found.push_back(row);
        if (found.size() >= max_number_of_found_rows) break;
    }
}

// ---- Sorting and merging

void RDB_TABLE_OBJECT::check_sortable(int column) const
{
    for (std::size_t r = 1; r < m_rows.size(); ++r) {
        const RDB_TABLE_ROW* row = m_rows[r];
        if (row != nullptr && (column < 0 || static_cast<std::size_t>(column) >= row->size()))
            throw std::out_of_range("invalid vector subscript");
        const RDB_TABLE_ELEMENT* element = row != nullptr ? (*row)[static_cast<std::size_t>(column)] : nullptr;
        if (element == nullptr) RDB_INTERNAL_ERROR("element_a && element_b");
    }
}

void RDB_TABLE_OBJECT::sort_rows(int column, bool ascending)
{
    RDB_ASSERT(is_writable());
    // Fewer than two data rows compare nothing, so they are left as they are.
    if (m_rows.size() < 3) return;
    check_sortable(column);
    std::sort(m_rows.begin() + 1, m_rows.end(), ROW_ORDER(column, ascending));
}

std::vector<int> RDB_TABLE_OBJECT::sort_rows_and_get_sorting_order(int column, bool ascending)
{
    RDB_ASSERT(is_writable());
    std::vector<int> order;
    if (m_rows.size() < 2) return order;
    if (m_rows.size() > 2) check_sortable(column);
    std::vector<std::pair<RDB_TABLE_ROW*, int>> indexed;
    indexed.reserve(m_rows.size() - 1);
    for (std::size_t r = 1; r < m_rows.size(); ++r)
        indexed.emplace_back(m_rows[r], boost::numeric_cast<int>(r - 1));
    const ROW_ORDER row_order(column, ascending);
    std::sort(indexed.begin(), indexed.end(),
              [&row_order](const auto& a, const auto& b) { return row_order(a.first, b.first); });
    order.reserve(indexed.size());
    for (std::size_t k = 0; k < indexed.size(); ++k) {
        m_rows[k + 1] = indexed[k].first;
        order.push_back(indexed[k].second);
    }
    return order;
}

bool RDB_TABLE_OBJECT::merge_table_from(RDB_TABLE_OBJECT* source_table)
{
    RDB_ASSERT(source_table != 0);
    RDB_ASSERT(is_writable());
    // Rows are not added to a table kept in a file. A converted source gives copies of its real rows (its
    // file is left as it is) instead of its marker row.
    if (has_sqlite_marker()) return false;
    const SQLITE_ROWS_LOADED source_rows_loaded(*source_table);
    const unsigned int source_rows = source_table->get_number_of_rows();
    const unsigned int source_cols = source_table->get_number_of_columns();
    const unsigned int own_rows = get_number_of_rows();
    const unsigned int own_cols = get_number_of_columns();
    if (source_rows == 0 || source_cols == 0) return false;
    // Merging a table into itself would append it to itself while reading it.
    if (source_table == this) return true;
    if (own_rows == 0 || own_cols == 0) {
        m_rows.swap(source_table->m_rows);
        return true;
    }
    const bool same_columns = own_cols == source_cols;
    if (!same_columns || source_rows == 1) return same_columns;
    ROW_LIST& from = source_table->m_rows;
    for (std::size_t r = 1; r < from.size(); ++r) {
        if (from[r] != nullptr) add_row(from[r]);
    }
    from.resize(1);
    return true;
}

// ---- Display settings and column lists

void RDB_TABLE_OBJECT::set_alternate_hierarchical_row_colors(bool on)
{
    set_bool_trait(ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, on);
}

bool RDB_TABLE_OBJECT::use_alternating_hierarchical_row_colors() const
{
    return get_bool_trait(ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, false);
}

bool RDB_TABLE_OBJECT::is_column_hidden(int col) const
{
    return std::find(m_hidden_columns.begin(), m_hidden_columns.end(), static_cast<unsigned>(col)) !=
           m_hidden_columns.end();
}

bool RDB_TABLE_OBJECT::is_iname_lookup_enabled(int col) const
{
    return std::find(m_disable_iname_columns.begin(), m_disable_iname_columns.end(), static_cast<unsigned>(col)) ==
           m_disable_iname_columns.end();
}

// ---- SQLite form

bool RDB_TABLE_OBJECT::is_sqlite() const
{
    if (m_rows.size() != 1) return false;
    const RDB_TABLE_ROW* row = m_rows.front();
    RDB_ASSERT(row);
    if (row->size() != 3) return false;
    const RDB_TABLE_ELEMENT* marker = row->front();
    return marker != nullptr && marker->get_string() == SQLITE_MARKER;
}

std::string RDB_TABLE_OBJECT::get_sqlite_filepath() const
{
    if (!is_sqlite()) return {};
    const RDB_TABLE_ELEMENT* element = (*m_rows.front())[1];
    return element != nullptr ? element->get_string() : std::string();
}

std::string RDB_TABLE_OBJECT::get_sqlite_tablename() const
{
    if (!is_sqlite()) return {};
    const RDB_TABLE_ELEMENT* element = (*m_rows.front())[2];
    return element != nullptr ? element->get_string() : std::string();
}

// ---- RDB_NEW_TABLE_OBJECT ------------------------------------------------------------------------

void RDB_NEW_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_new_table(this); }

unsigned int RDB_NEW_TABLE_OBJECT::get_number_of_rows() const
{
    const unsigned int all_rows = RDB_TABLE_OBJECT::get_number_of_rows();
    return all_rows == 0 ? 0 : all_rows - 1;
}

void RDB_NEW_TABLE_OBJECT::add_row_to_top(RDB_TABLE_ROW* row)
{
    if (row == nullptr) return;
    ROW_LIST& all = rows();
    all.insert(all.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(1, all.size())), row);
}

RDB_TABLE_ROW_PTR RDB_NEW_TABLE_OBJECT::remove_row()
{
    ROW_LIST& all = rows();
    if (all.size() <= 1) return {};
    RDB_TABLE_ROW_PTR row(all.back());
    all.pop_back();
    return row;
}

// ---- RDB_SUMMARY_TABLE_OBJECT --------------------------------------------------------------------

RDB_SUMMARY_TABLE_OBJECT::~RDB_SUMMARY_TABLE_OBJECT() { delete m_gauges; }

RDB_OBJECT_TYPE RDB_SUMMARY_TABLE_OBJECT::get_type() const { return RDB_SUMMARY_TABLE_TYPE; }

void RDB_SUMMARY_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_summary_table(this); }

void RDB_SUMMARY_TABLE_OBJECT::set_gauges(RDB_GAUGES_OBJECT* gauges)
{
    if (gauges == m_gauges) return;
    delete m_gauges;
    m_gauges = gauges;
}

// ---- RDB_LINK_TABLE_OBJECT -----------------------------------------------------------------------

RDB_OBJECT_TYPE RDB_LINK_TABLE_OBJECT::get_type() const { return RDB_LINK_TABLE_TYPE; }

void RDB_LINK_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_link_table(this); }
