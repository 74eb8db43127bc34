// Comparison of two report trees: the walk over both trees and the comparison of tables.
//
// A table of a million rows must compare in about the time it takes to load, so its texts are copied once
// into one buffer per table (no string per cell), rows are matched through an open-addressing index of
// row numbers hashed by key, and only the cells that differ are copied into the result.

#include "rdb_diff.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"

namespace {

// Every text of a table in one buffer: cell (r, c) is the text between the ends of cells r * columns + c - 1
// and r * columns + c. The header row comes first; a summary table has none (its rows are all names and
// values), and its columns are known by position as "#1", "#2", ...
class TABLE_TEXTS {
public:
    explicit TABLE_TEXTS(const RDB_TABLE_OBJECT& table)
        : m_header_rows(table.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr ? 0 : 1)
    {
        // A converted table would open its file once more to count its rows.
        const std::size_t rows_hint = table.is_sqlite() ? 0 : table.get_number_of_rows();
        table.for_each_data_row([this, rows_hint](const std::vector<std::string>& texts) {
            if (m_rows == 0) {
                m_columns = texts.size();
                m_ends.reserve(m_columns * (rows_hint + 1));
            }
            for (std::size_t c = 0; c < m_columns; ++c) {
                m_buffer.append(texts[c]);
                m_ends.push_back(m_buffer.size());
            }
            // Room for the rest at the size of the first rows, so that a big table's texts are not copied
            // again and again as the buffer grows.
            if (++m_rows == 2) m_buffer.reserve(m_buffer.size() / 2 * (rows_hint + 1) / 8 * 9);
        });
        if (m_header_rows == 0)
            for (std::size_t c = 0; c < m_columns; ++c)
                m_labels.push_back("#" + std::to_string(c + 1));
    }
    std::size_t columns() const { return m_columns; }
    // Rows under the header.
    std::size_t data_rows() const { return m_rows < m_header_rows ? 0 : m_rows - m_header_rows; }
    std::string_view header(std::size_t c) const { return m_header_rows == 0 ? m_labels[c] : cell(0, c); }
    // The cell of a data row (0 is the first row under the header).
    std::string_view data(std::size_t r, std::size_t c) const { return cell(r + m_header_rows, c); }
    std::vector<std::string> data_row(std::size_t r) const
    {
        std::vector<std::string> texts;
        for (std::size_t c = 0; c < m_columns; ++c)
            texts.emplace_back(data(r, c));
        return texts;
    }

private:
    std::string_view cell(std::size_t r, std::size_t c) const
    {
        const std::size_t index = r * m_columns + c;
        const std::size_t begin = index == 0 ? 0 : m_ends[index - 1];
        return std::string_view(m_buffer).substr(begin, m_ends[index] - begin);
    }

    std::size_t m_header_rows;
    std::string m_buffer;
    std::vector<std::size_t> m_ends;
    std::vector<std::string> m_labels;
    std::size_t m_columns = 0;
    std::size_t m_rows = 0;
};

// The data rows of a table by the text of their first column, when every such text is non-empty and
// unique; an open-addressing table of row numbers (plus one, 0 marking a free slot).
class ROW_KEYS {
public:
    explicit ROW_KEYS(const TABLE_TEXTS& table) : m_table(table)
    {
        if (table.columns() == 0) return;
        std::size_t capacity = 16;
        while (capacity < table.data_rows() * 2)
            capacity *= 2;
        m_slots.assign(capacity, 0);
        for (std::size_t r = 0; r < table.data_rows(); ++r) {
            const std::string_view key = table.data(r, 0);
            if (key.empty()) return;
            std::size_t slot = first_slot(key);
            for (; m_slots[slot] != 0; slot = (slot + 1) & (m_slots.size() - 1))
                if (table.data(m_slots[slot] - 1, 0) == key) return;
            m_slots[slot] = r + 1;
        }
        m_usable = true;
    }
    bool usable() const { return m_usable; }
    // The data row whose key is key, or npos.
    std::size_t find(std::string_view key) const
    {
        for (std::size_t slot = first_slot(key); m_slots[slot] != 0; slot = (slot + 1) & (m_slots.size() - 1))
            if (m_table.data(m_slots[slot] - 1, 0) == key) return m_slots[slot] - 1;
        return std::string_view::npos;
    }

private:
    std::size_t first_slot(std::string_view key) const
    {
        return std::hash<std::string_view>()(key) & (m_slots.size() - 1);
    }

    const TABLE_TEXTS& m_table;
    std::vector<std::size_t> m_slots;
    bool m_usable = false;
};

// The columns of the new table that hold each column of the old one, matched by header text (the n-th
// column of a text with the n-th of that text); npos for a column the new table lacks.
std::vector<std::size_t> match_columns(const TABLE_TEXTS& old_table, const TABLE_TEXTS& new_table)
{
    std::map<std::string_view, std::vector<std::size_t>> new_columns;
    for (std::size_t c = new_table.columns(); c-- > 0;)
        new_columns[new_table.header(c)].push_back(c);
    std::vector<std::size_t> matched;
    for (std::size_t c = 0; c < old_table.columns(); ++c) {
        std::vector<std::size_t>& candidates = new_columns[old_table.header(c)];
        if (candidates.empty()) {
            matched.push_back(std::string_view::npos);
        } else {
            matched.push_back(candidates.back());
            candidates.pop_back();
        }
    }
    return matched;
}

class TABLE_COMPARISON {
public:
    TABLE_COMPARISON(const TABLE_TEXTS& old_table, const TABLE_TEXTS& new_table, RDB_OBJECT_DIFF& diff)
        : m_old(old_table), m_new(new_table), m_diff(diff), m_columns(match_columns(old_table, new_table))
    {
    }

    void run()
    {
        compare_headers();
        const ROW_KEYS old_keys(m_old);
        const ROW_KEYS new_keys(m_new);
        if (old_keys.usable() && new_keys.usable())
            compare_rows_by_key(new_keys);
        else
            compare_rows_by_position();
    }

private:
    using KIND = RDB_DIFF_CHANGE::KIND;

    void compare_headers()
    {
        std::vector<bool> kept(m_new.columns(), false);
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c] == std::string_view::npos)
                add(KIND::COLUMN_REMOVED).column = m_old.header(c);
            else
                kept[m_columns[c]] = true;
        }
        for (std::size_t c = 0; c < kept.size(); ++c)
            if (!kept[c]) add(KIND::COLUMN_ADDED).column = m_new.header(c);
    }

    void compare_rows_by_key(const ROW_KEYS& new_keys)
    {
        std::vector<bool> matched(m_new.data_rows(), false);
        for (std::size_t r = 0; r < m_old.data_rows(); ++r) {
            const std::size_t n = new_keys.find(m_old.data(r, 0));
            if (n == std::string_view::npos) {
                add_row(KIND::ROW_REMOVED, m_old, r);
            } else {
                matched[n] = true;
                compare_cells(r, n);
            }
        }
        for (std::size_t n = 0; n < matched.size(); ++n)
            if (!matched[n]) add_row(KIND::ROW_ADDED, m_new, n);
    }

    void compare_rows_by_position()
    {
        m_diff.rows_by_position = true;
        const std::size_t common = std::min(m_old.data_rows(), m_new.data_rows());
        for (std::size_t r = 0; r < common; ++r)
            compare_cells(r, r);
        for (std::size_t r = common; r < m_old.data_rows(); ++r)
            add_row(KIND::ROW_REMOVED, m_old, r);
        for (std::size_t r = common; r < m_new.data_rows(); ++r)
            add_row(KIND::ROW_ADDED, m_new, r);
    }

    void compare_cells(std::size_t old_row, std::size_t new_row)
    {
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c] == std::string_view::npos) continue;
            const std::string_view old_text = m_old.data(old_row, c);
            const std::string_view new_text = m_new.data(new_row, m_columns[c]);
            if (old_text == new_text) continue;
            RDB_DIFF_CHANGE& change = add(KIND::CELL_CHANGED);
            change.row = m_new.columns() > 0 ? m_new.data(new_row, 0) : std::string_view();
            change.row_number = new_row + 1;
            change.column = m_old.header(c);
            change.old_text = old_text;
            change.new_text = new_text;
            const std::optional<RDB_CELL_NUMBER> old_number = rdb_read_cell_number(old_text);
            const std::optional<RDB_CELL_NUMBER> new_number =
                old_number ? rdb_read_cell_number(new_text) : std::nullopt;
            if (new_number)
                change.number_change = rdb_format_number_change(old_number->value, new_number->value,
                                                                std::max(old_number->decimals, new_number->decimals));
        }
    }

    void add_row(KIND kind, const TABLE_TEXTS& table, std::size_t r)
    {
        RDB_DIFF_CHANGE& change = add(kind);
        change.row = table.columns() > 0 ? table.data(r, 0) : std::string_view();
        change.row_number = r + 1;
        change.cells = table.data_row(r);
    }

    RDB_DIFF_CHANGE& add(KIND kind)
    {
        m_diff.changes.push_back(RDB_DIFF_CHANGE{kind, {}, 0, {}, {}, {}, {}, {}});
        return m_diff.changes.back();
    }

    const TABLE_TEXTS& m_old;
    const TABLE_TEXTS& m_new;
    RDB_OBJECT_DIFF& m_diff;
    std::vector<std::size_t> m_columns;
};

std::string kind_of(const RDB_OBJECT& object)
{
    if (object.dynamic_cast_to_RDB_LINK_RPT_OBJECT() != nullptr) return "link";
    const RDB_OBJECT_TYPE type = object.get_type();
    return type < RDB_OBJECT_TYPE_MAX ? rdb_object_type_to_rdb_string(type) : "unknown";
}

// What a text object says, or where a link leads: the content compared for objects that are neither
// folders nor tables. Nothing for other kinds.
std::optional<std::string> content_of(const RDB_OBJECT& object)
{
    if (const RDB_LINK_RPT_OBJECT* link = object.dynamic_cast_to_RDB_LINK_RPT_OBJECT())
        return link->get_rev_name() + "." + link->get_rpt_type();
    if (const RDB_TEXT_OBJECT* text = object.dynamic_cast_to_RDB_TEXT_OBJECT())
        return text->get_text() != nullptr ? *text->get_text() : std::string();
    return std::nullopt;
}

class TREE_COMPARISON {
public:
    explicit TREE_COMPARISON(RDB_REPORT_DIFF& result) : m_result(result) {}

    void compare_folders(const RDB_FOLDER_OBJECT& old_folder, const RDB_FOLDER_OBJECT& new_folder,
                         std::vector<std::string>& path)
    {
        // The n-th child of a name in one folder matches the n-th child of that name in the other.
        std::map<std::string, std::vector<const RDB_OBJECT*>> new_children;
        for (const RDB_OBJECT* child : new_folder)
            if (child != nullptr) new_children[child->get_name()].push_back(child);
        for (auto& [name, children] : new_children)
            std::reverse(children.begin(), children.end());
        std::vector<const RDB_OBJECT*> matched;
        for (const RDB_OBJECT* child : old_folder) {
            if (child == nullptr) continue;
            std::vector<const RDB_OBJECT*>& candidates = new_children[child->get_name()];
            path.push_back(child->get_name());
            if (candidates.empty()) {
                add_object(path, *child, RDB_DIFF_CHANGE::KIND::OBJECT_REMOVED);
            } else {
                compare_objects(*child, *candidates.back(), path);
                matched.push_back(candidates.back());
                candidates.pop_back();
            }
            path.pop_back();
        }
        std::sort(matched.begin(), matched.end());
        for (const RDB_OBJECT* child : new_folder) {
            if (child == nullptr || std::binary_search(matched.begin(), matched.end(), child)) continue;
            path.push_back(child->get_name());
            add_object(path, *child, RDB_DIFF_CHANGE::KIND::OBJECT_ADDED);
            path.pop_back();
        }
    }

private:
    void compare_objects(const RDB_OBJECT& old_object, const RDB_OBJECT& new_object, std::vector<std::string>& path)
    {
        const std::string old_kind = kind_of(old_object);
        const std::string new_kind = kind_of(new_object);
        if (old_kind != new_kind) {
            RDB_DIFF_CHANGE& change = add_change(path, new_kind, RDB_DIFF_CHANGE::KIND::KIND_CHANGED);
            change.old_text = old_kind;
            change.new_text = new_kind;
            return;
        }
        const RDB_FOLDER_OBJECT* old_folder = old_object.dynamic_cast_to_RDB_FOLDER_OBJECT();
        const RDB_FOLDER_OBJECT* new_folder = new_object.dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (old_folder != nullptr && new_folder != nullptr && new_kind != "link") {
            compare_folders(*old_folder, *new_folder, path);
            return;
        }
        const RDB_TABLE_OBJECT* old_table = old_object.dynamic_cast_to_RDB_TABLE_OBJECT();
        const RDB_TABLE_OBJECT* new_table = new_object.dynamic_cast_to_RDB_TABLE_OBJECT();
        if (old_table != nullptr && new_table != nullptr) {
            RDB_OBJECT_DIFF diff{path, new_kind, false, {}};
            {
                const TABLE_TEXTS old_texts(*old_table);
                const TABLE_TEXTS new_texts(*new_table);
                TABLE_COMPARISON(old_texts, new_texts, diff).run();
            }
            if (!diff.changes.empty()) m_result.objects.push_back(std::move(diff));
            return;
        }
        const std::optional<std::string> old_content = content_of(old_object);
        const std::optional<std::string> new_content = content_of(new_object);
        if (old_content && new_content && *old_content != *new_content) {
            RDB_DIFF_CHANGE& change = add_change(path, new_kind, RDB_DIFF_CHANGE::KIND::TEXT_CHANGED);
            change.old_text = *old_content;
            change.new_text = *new_content;
        }
    }

    void add_object(const std::vector<std::string>& path, const RDB_OBJECT& object, RDB_DIFF_CHANGE::KIND kind)
    {
        add_change(path, kind_of(object), kind);
    }

    RDB_DIFF_CHANGE& add_change(const std::vector<std::string>& path, const std::string& kind,
                                RDB_DIFF_CHANGE::KIND change_kind)
    {
        m_result.objects.push_back(RDB_OBJECT_DIFF{path, kind, false, {}});
        m_result.objects.back().changes.push_back(RDB_DIFF_CHANGE{change_kind, {}, 0, {}, {}, {}, {}, {}});
        return m_result.objects.back().changes.back();
    }

    RDB_REPORT_DIFF& m_result;
};

} // namespace

RDB_REPORT_DIFF rdb_diff_reports(const RDB_FOLDER_OBJECT& old_main, const RDB_FOLDER_OBJECT& new_main)
{
    RDB_REPORT_DIFF result;
    std::vector<std::string> path;
    TREE_COMPARISON(result).compare_folders(old_main, new_main, path);
    return result;
}
