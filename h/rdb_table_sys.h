#pragma once
// Tables: RDB_TABLE_OBJECT, an ordered list of rows of owned cells whose row 0 is the header row,
// and the small table kinds built on it (new-style, summary and link tables).
//
// A table owns its rows and their cells. When the header row exists, its cell count is the table's
// column count. A table is either held in memory or is a placeholder (one marker row) for a table
// kept in an SQLite file.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "rdb_object.h"
#include "rdb_table_element.h"

class HDB_INSTANCE_NAME;

// Deletes a row and its cells.
struct RDB_TABLE_ROW_DELETER {
    void operator()(RDB_TABLE_ROW* row) const;
};
// An owned row, as handed back by the operations that detach rows from a table.
using RDB_TABLE_ROW_PTR = std::unique_ptr<RDB_TABLE_ROW, RDB_TABLE_ROW_DELETER>;

// How find_matched_rows compares: Tcl regular expression, or bus-aware Tcl glob.
enum RDB_MATCH_MODE : int { RDB_MATCH_REGEXP = 0, RDB_MATCH_GLOB = 1 };

class RDB_TABLE_OBJECT : public RDB_OBJECT {
public:
    static constexpr std::uint32_t INDEX_OUT_OF_RANGE = 0xFFFFFFFFu;
    // Outcome of get_element.
    enum STATE_OF_GET_ELEMENT_ENUM : int {
        ELEMENT_FOUND = 0,
        ROW_OUT_OF_RANGE = 1,
        ROW_IS_NULL = 2,
        COLUMN_OUT_OF_RANGE = 3,
        ELEMENT_IS_NULL = 4,
    };
    // The bool trait that switches hierarchical row colouring.
    static constexpr const char* ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT = "rdb_alternating_hierarchical_row_colors";

    using ROW_LIST = std::vector<RDB_TABLE_ROW*>;

    explicit RDB_TABLE_OBJECT(const std::string& name);
    RDB_TABLE_OBJECT(const RDB_TABLE_OBJECT&) = delete;
    RDB_TABLE_OBJECT& operator=(const RDB_TABLE_OBJECT&) = delete;
    // Deletes every row and cell.
    ~RDB_TABLE_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    std::string get_data_string(unsigned int row, unsigned int col) const override;
    // The object keys, then "rows": every row as an array of its cell texts.
    void fill_json_object(nlohmann::json* object) override;
    // Header text, the table boxed with its name as title (or, with the compact-tables user switch on,
    // no_compact unset and at least 3 columns, a record list in an 80-wide box), then the footer text.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    // ---- Rows. Writers require the table to be writable (internal error "is_writable()").
    // Appends a row and takes ownership; a null row is ignored.
    void add_row(RDB_TABLE_ROW* row);
    // Inserts a row in front of the current header row; a null row is ignored.
    void add_row_to_top(RDB_TABLE_ROW* row);
    // Appends a row of text cells and location cells (a pair of display text and instance); its cell
    // count must equal the column count (internal error otherwise).
    using STRING_OR_LOCATION = std::variant<std::string, std::pair<std::string, const HDB_INSTANCE_NAME*>>;
    RDB_TABLE_ROW* add_string_or_location_schema_row(std::vector<STRING_OR_LOCATION>& items);
    // Appends a row of text cells from C strings, stopping at the first null pointer (RDB_ROW_END);
    // its cell count must equal the column count (internal error otherwise).
    template <class... STRINGS> RDB_TABLE_ROW* add_row_of_strings(STRINGS... strings)
    {
        const char* texts[] = {static_cast<const char*>(strings)..., nullptr};
        return add_row_of_c_strings(texts);
    }
    RDB_TABLE_ROW* add_row_of_c_strings(const char* const* texts);
    // Detaches the last row and hands it to the caller; empty when there are no rows.
    RDB_TABLE_ROW_PTR remove_row();
    // Detaches the row at index (later rows move up) and hands it to the caller; empty when index is
    // not below the row count.
    RDB_TABLE_ROW_PTR remove_row_at(unsigned int index);
    // Deletes every row and cell; no writability check.
    void clear_rows();
    // The row at index, unchecked: callers stay below get_number_of_rows().
    RDB_TABLE_ROW* get_row(int index) { return m_rows[static_cast<std::size_t>(index)]; }
    const RDB_TABLE_ROW* get_row(int index) const { return m_rows[static_cast<std::size_t>(index)]; }
    ROW_LIST::iterator begin() { return m_rows.begin(); }
    ROW_LIST::iterator end() { return m_rows.end(); }
    ROW_LIST::const_iterator begin() const { return m_rows.begin(); }
    ROW_LIST::const_iterator end() const { return m_rows.end(); }
    // Rows including the header row (from the file for the SQLite form).
    unsigned int get_number_of_rows() const;
    // Cells of row 0, or 0 when there are no rows (from the file for the SQLite form).
    unsigned int get_number_of_columns() const;

    // ---- Cells.
    // The cell, or null; state (when not null) receives the outcome.
    RDB_TABLE_ELEMENT* get_element(unsigned int row, unsigned int col, STATE_OF_GET_ELEMENT_ENUM* state) const;
    // The cell, or null; with report set, a missing cell writes a debug line saying what is missing.
    RDB_TABLE_ELEMENT* get_element(unsigned int row, unsigned int col, bool report) const;
    // The display text of a cell into out: empty for indices out of range, an error marker for null
    // rows and cells.
    void get_data_string(unsigned int row, unsigned int col, std::string& out) const;
    // Every cell text, row by row, each followed by separators[column].
    void output_data_strings(std::ostream& os, const char* const* separators) const;
    // Calls visit(texts) for every row with the texts of its columns (get_number_of_columns of them),
    // as get_data_string reads them; a converted table is read through one open of its file.
    void for_each_data_row(const std::function<void(const std::vector<std::string>&)>& visit) const;

    // ---- Searching, with bus-aware glob patterns on cell texts.
    // A converted table is searched through its file: its header and rows, never its marker row; find_row
    // and find_matched_rows find nothing there, as its rows are not held in memory.
    // Index of the first header cell matching pattern; INDEX_OUT_OF_RANGE when none or no header.
    std::uint32_t find_col_index(const std::string& pattern) const;
    // The first row (header included) whose first cell matches, or null.
    RDB_TABLE_ROW* find_row(const std::string& pattern);
    // Index of that row, or INDEX_OUT_OF_RANGE; rows without cells are skipped.
    std::uint32_t find_row_index(const std::string& pattern) const;
    // Collects into found the rows (header included) whose first cell matches (or, with invert, does
    // not match), at most max_number_of_found_rows of them (which must be above 0).
    void find_matched_rows(std::vector<RDB_TABLE_ROW*>& found, const std::string& pattern, RDB_MATCH_MODE mode,
                           bool invert, std::uint64_t max_number_of_found_rows);

    // ---- Sorting and merging (writable). Every data row must have a cell at column (checked before
    // anything moves).
    // Sorts the data rows by the natural order of column's texts; the header stays first.
    void sort_rows(int column, bool ascending);
    // Sorts like sort_rows and returns, per new position, the former data index of the row.
    std::vector<int> sort_rows_and_get_sorting_order(int column, bool ascending);
    // Moves the data rows of source to the end of this table when both have the same columns, or takes
    // all of source's rows when this table is empty. Returns whether the column counts agree. A converted
    // source gives copies of its rows and stays as it is; a converted table takes no rows (false).
    bool merge_table_from(RDB_TABLE_OBJECT* source);

    // ---- Display settings.
    void set_no_compact_format(bool on) { m_no_compact = on; }
    bool get_no_compact_format() const { return m_no_compact; }
    void set_alternating_row_colors(bool on) { m_use_alternating_row_colors = on; }
    bool use_alternating_row_colors() const { return m_use_alternating_row_colors; }
    void set_display_of_row_numbers(bool on) { m_display_row_numbers = on; }
    bool should_display_row_numbers() const { return m_display_row_numbers; }
    void set_uniform_row_heights(bool on) { m_uniform_row_heights = on; }
    bool uniform_row_heights() const { return m_uniform_row_heights; }
    void set_sort_enabled(bool on) { m_sort_enabled = on; }
    bool get_sort_enabled() const { return m_sort_enabled; }
    void expand_to_level(int level) { m_expand_to_level = level; }
    int get_expand_level() const { return m_expand_to_level; }
    void set_alternate_hierarchical_row_colors(bool on);
    bool use_alternating_hierarchical_row_colors() const;

    // ---- Column lists.
    void hide_column(int col) { m_hidden_columns.push_back(static_cast<unsigned>(col)); }
    void hide_columns(const std::vector<unsigned>& cols) { m_hidden_columns = cols; }
    std::vector<unsigned> hidden_columns() const { return m_hidden_columns; }
    bool is_column_hidden(int col) const;
    void disable_iname_lookup_for_col(int col) { m_disable_iname_columns.push_back(static_cast<unsigned>(col)); }
    void disable_iname_lookup_for_cols(const std::vector<unsigned>& cols) { m_disable_iname_columns = cols; }
    std::vector<unsigned> get_disable_iname_lookup() const { return m_disable_iname_columns; }
    bool is_iname_lookup_enabled(int col) const;

    // ---- SQLite form: one marker row "SQLITE", file path, table name.
    bool is_sqlite() const;
    std::string get_sqlite_filepath() const;
    std::string get_sqlite_tablename() const;

protected:
    RDB_TABLE_OBJECT();
    ROW_LIST& rows() { return m_rows; }
    const ROW_LIST& rows() const { return m_rows; }
    // While alive, a table in SQLite form holds the rows rebuilt from its file in place of its marker row,
    // so that a renderer reads the file once instead of once per cell; the marker row is back afterwards.
    // Other tables are left alone.
    class SQLITE_ROWS_LOADED {
    public:
        explicit SQLITE_ROWS_LOADED(RDB_TABLE_OBJECT& table);
        ~SQLITE_ROWS_LOADED();
        SQLITE_ROWS_LOADED(const SQLITE_ROWS_LOADED&) = delete;
        SQLITE_ROWS_LOADED& operator=(const SQLITE_ROWS_LOADED&) = delete;

    private:
        RDB_TABLE_OBJECT& m_table;
        ROW_LIST m_marker;
        bool m_loaded = false;
    };
    // Checks that every data row has a non-null cell at column: a row without that cell throws
    // std::out_of_range, a null row or cell is the internal error "element_a && element_b".
    void check_sortable(int column) const;

    // ---- Plain-text layout. The layout members below describe the table last measured by this
    // thread; output_table_row_line and output_wrapped_row read them and must follow
    // update_table_info() of the same table on the same thread.
    // Measures every visible cell into the layout members (a read-only table may be measured).
    void update_table_info();
    // "+", then per column (hidden ones too) its width in "-" and "+", then a line break.
    void output_table_row_line(std::ostream& os);
    // One row over its text lines, visible columns only; a row the measurement did not cover is the
    // internal error "m_wrapped_line_cnt.size() > i".
    void output_wrapped_row(std::ostream& os, std::uint64_t row);

    static thread_local std::uint64_t m_col_cnt; // columns, hidden ones included
    static thread_local std::vector<unsigned int> m_col_widths; // box cell widths; 0 when hidden
    static thread_local std::vector<unsigned int> m_wrapped_line_cnt; // text lines per row
    static thread_local std::uint64_t m_table_width; // dashes between the top corners

private:
    // True for the marker row alone (a null first row is no marker here, as the counts must not stop).
    bool has_sqlite_marker() const { return m_rows.size() == 1 && m_rows.front() != nullptr && is_sqlite(); }
    // The SQLite forms of the counts and of get_data_string, each through a read-only open of the file.
    unsigned int sqlite_number_of_rows() const;
    unsigned int sqlite_number_of_columns() const;
    std::string sqlite_data_string(unsigned int row, unsigned int col) const;
    void output_ascii_boxed(std::ostream& os);
    void output_ascii_compact(std::ostream& os);

    ROW_LIST m_rows;
    bool m_no_compact : 1;
    bool m_use_alternating_row_colors : 1;
    bool m_display_row_numbers : 1;
    bool m_uniform_row_heights : 1;
    bool m_sort_enabled : 1;
    std::vector<unsigned> m_disable_iname_columns;
    std::vector<unsigned> m_hidden_columns;
    int m_expand_to_level = -1;
};

// A table whose row count leaves out its header row.
class RDB_NEW_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    explicit RDB_NEW_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}
    RDB_NEW_TABLE_OBJECT() = default;
    RDB_OVERRIDE_DOWNCAST(RDB_NEW_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_NEW_TABLE_OBJECT)
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Data rows only (0 for a table without rows).
    unsigned int get_number_of_rows() const;
    // Inserts the row directly below the header (at the top of a table without rows); null is ignored.
    void add_row_to_top(RDB_TABLE_ROW* row);
    // Detaches the last data row; the header row is never removed this way.
    RDB_TABLE_ROW_PTR remove_row();
};

class RDB_GAUGES_OBJECT;

// Rows of names and values, all of them data, with an optional gauges panel that it owns.
class RDB_SUMMARY_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    explicit RDB_SUMMARY_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}
    RDB_SUMMARY_TABLE_OBJECT() = default;
    ~RDB_SUMMARY_TABLE_OBJECT() override;
    RDB_OVERRIDE_DOWNCAST(RDB_SUMMARY_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_SUMMARY_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Every cell, hidden columns included, escaped in a "report_summary_table".
    void output_html(std::ostream& os) override;
    RDB_GAUGES_OBJECT* get_gauges() { return m_gauges; }
    const RDB_GAUGES_OBJECT* get_gauges() const { return m_gauges; }
    // Takes ownership of gauges and deletes the previous gauges object (unless it is the same).
    void set_gauges(RDB_GAUGES_OBJECT* gauges);

private:
    RDB_GAUGES_OBJECT* m_gauges = nullptr;
};

// A table that also records where its data comes from.
class RDB_LINK_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    explicit RDB_LINK_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}
    RDB_LINK_TABLE_OBJECT() = default;
    RDB_OVERRIDE_DOWNCAST(RDB_LINK_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_LINK_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    const std::string& get_link_info() const { return m_link_info; }
    void set_link_info(const std::string& info) { m_link_info = info; }

private:
    std::string m_link_info;
};
