// Grid tables and their rule sets: counters, entries, command templates, rule evaluation and the text
// layout. The transfer routines and class records are in rdb_serialize_grid.cpp.

#include "rdb_grid_table.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <ostream>

#include <boost/numeric/conversion/cast.hpp>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_table_element.h"
#include "rdb_visitor.h"

namespace {

// A slot's default; a text whose slot has no default is an internal error.
template <class T> const T& default_of(const std::vector<T>& defaults, std::uint32_t slot)
{
    RDB_ASSERT(slot < defaults.size());
    return defaults[slot];
}

// The entry's value of a slot, or the slot's default when the entry has fewer slots.
template <class T> const T& slot_of(const std::vector<T>& values, const std::vector<T>& defaults, std::uint32_t slot)
{
    return slot < values.size() ? values[slot] : default_of(defaults, slot);
}

bool contains(const std::vector<std::int32_t>& values, std::int32_t value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Whether a value compared with zero (order = value <=> zero) meets the comparison type.
bool meets(std::strong_ordering order, RDB_GRID_TABLE_RULESET::COMPARE_TYPE type)
{
    switch (type) {
    case RDB_GRID_TABLE_RULESET::EQUAL_ZERO:
        return order == 0;
    case RDB_GRID_TABLE_RULESET::LESS_THAN_ZERO:
        return order < 0;
    case RDB_GRID_TABLE_RULESET::AT_MOST_ZERO:
        return order <= 0;
    case RDB_GRID_TABLE_RULESET::GREATER_THAN_ZERO:
        return order > 0;
    case RDB_GRID_TABLE_RULESET::AT_LEAST_ZERO:
        return order >= 0;
    case RDB_GRID_TABLE_RULESET::NOT_ZERO:
        return order != 0;
    }
    RDB_INTERNAL_ERROR("Unsupported comparison type");
}

std::uint32_t to_index(std::size_t value) { return boost::numeric_cast<std::uint32_t>(value); }

} // namespace

// ---- RDB_GRID_TABLE_SAFE_COUNTER -----------------------------------------------------------------

RDB_GRID_TABLE_SAFE_COUNTER::RDB_GRID_TABLE_SAFE_COUNTER(int value) : m_value(value) { RDB_ASSERT(m_value >= 0); }

RDB_GRID_TABLE_SAFE_COUNTER& RDB_GRID_TABLE_SAFE_COUNTER::operator++()
{
    if (m_value < MAX_VALUE) ++m_value;
    return *this;
}

RDB_GRID_TABLE_SAFE_COUNTER& RDB_GRID_TABLE_SAFE_COUNTER::operator+=(const RDB_GRID_TABLE_SAFE_COUNTER& other)
{
    m_value = MAX_VALUE - m_value <= other.m_value ? MAX_VALUE : m_value + other.m_value;
    return *this;
}

std::string RDB_GRID_TABLE_SAFE_COUNTER::to_string() const
{
    return is_saturated() ? "> " + std::to_string(MAX_VALUE) : std::to_string(m_value);
}

// ---- RDB_GRID_TABLE_FLAGS ------------------------------------------------------------------------

void RDB_GRID_TABLE_FLAGS::push_back(bool value)
{
    // A full sequence grows to 1.5 times its bits plus one, in whole words.
    if (m_size == m_words.size() * 32) m_words.resize((m_size * 3 / 2 + 1 + 31) / 32, 0u);
    ++m_size;
    set(m_size - 1, value);
}

void RDB_GRID_TABLE_FLAGS::set(std::size_t index, bool value)
{
    RDB_ASSERT(index < m_size);
    const std::uint32_t bit = 1u << (index % 32);
    m_words[index / 32] = value ? m_words[index / 32] | bit : m_words[index / 32] & ~bit;
}

bool RDB_GRID_TABLE_FLAGS::operator==(const RDB_GRID_TABLE_FLAGS& other) const
{
    if (m_size != other.m_size) return false;
    for (std::size_t i = 0; i < m_size; ++i)
        if (get(i) != other.get(i)) return false;
    return true;
}

// ---- RDB_GRID_TABLE_MERGEABLE_ELEMENT ------------------------------------------------------------

void RDB_GRID_TABLE_MERGEABLE_ELEMENT::aggregate(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& other)
{
    RDB_ASSERT(m_counters.size() == other.m_counters.size());
    RDB_ASSERT(m_min_times.size() == other.m_min_times.size());
    RDB_ASSERT(m_total_times.size() == other.m_total_times.size());
    for (std::size_t i = 0; i < m_counters.size(); ++i)
        m_counters[i] += other.m_counters[i];
    for (std::size_t i = 0; i < m_min_times.size(); ++i)
        m_min_times[i] = std::min(m_min_times[i], other.m_min_times[i]);
    for (std::size_t i = 0; i < m_total_times.size(); ++i)
        m_total_times[i] += other.m_total_times[i];
    // The other entry's flag sequences may be shorter: a flag it lacks is clear.
    for (std::size_t i = 0; i < m_weak_flags.size(); ++i)
        m_weak_flags.set(i, m_weak_flags.get(i) && other.m_weak_flags.get(i));
    for (std::size_t i = 0; i < m_strong_flags.size(); ++i)
        m_strong_flags.set(i, m_strong_flags.get(i) || other.m_strong_flags.get(i));
    m_category = std::min(m_category, other.m_category);
}

bool RDB_GRID_TABLE_MERGEABLE_ELEMENT::operator==(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& other) const
{
    return m_counters == other.m_counters && m_min_times == other.m_min_times && m_total_times == other.m_total_times &&
           m_weak_flags == other.m_weak_flags && m_strong_flags == other.m_strong_flags &&
           m_category == other.m_category;
}

// ---- RDB_GRID_TABLE_CMD --------------------------------------------------------------------------

void RDB_GRID_TABLE_CMD::replace_pattern_in_cmd(std::string& cmd, const std::string& pattern,
                                                const std::string& replacement)
{
    for (std::size_t at = cmd.find(pattern); at != std::string::npos; at = cmd.find(pattern, at + replacement.size()))
        cmd.replace(at, pattern.size(), replacement);
}

std::string RDB_GRID_TABLE_CMD::build_cell_cmd(const std::string& cmd_template, const std::string& row,
                                               const std::string& col)
{
    std::string cmd = cmd_template;
    replace_pattern_in_cmd(cmd, "%ROW%", row);
    replace_pattern_in_cmd(cmd, "%COL%", col);
    replace_pattern_in_cmd(cmd, "%NO_REC%", "");
    return cmd;
}

std::string RDB_GRID_TABLE_CMD::build_header_cmd(const std::string& cmd_template, const std::string& value)
{
    std::string cmd = cmd_template;
    replace_pattern_in_cmd(cmd, "%VAL%", value);
    for (const char* marker : {"%ROW_ONLY%", "%COL_ONLY%", "%NO_REC%"})
        replace_pattern_in_cmd(cmd, marker, "");
    return cmd;
}

bool RDB_GRID_TABLE_CMD::does_command_belong_to_header(const std::string& cmd_template, bool is_row_header)
{
    return cmd_template.find(is_row_header ? "%COL_ONLY%" : "%ROW_ONLY%") == std::string::npos;
}

bool RDB_GRID_TABLE_CMD::does_command_use_header_children(const std::string& cmd_template)
{
    return cmd_template.find("%NO_REC%") == std::string::npos;
}

// ---- RDB_GRID_TABLE_RULESET: declaration ---------------------------------------------------------

std::uint32_t RDB_GRID_TABLE_RULESET::add_text(const std::string& name, const std::string& full_name, DATA_TYPE type,
                                               std::size_t slot, bool show_if_default,
                                               const std::vector<int>& visible_categories)
{
    TEXT_INFO text;
    text.name = name;
    text.full_name = full_name;
    text.data_type = type;
    text.index = to_index(slot);
    text.show_if_default = show_if_default;
    text.visible_categories = visible_categories;
    m_texts.push_back(std::move(text));
    return to_index(m_texts.size() - 1);
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_counter(const std::string& name, const std::string& full_name,
                                                  bool show_if_default, const std::vector<int>& visible_categories,
                                                  const RDB_GRID_TABLE_SAFE_COUNTER& default_value)
{
    const std::uint32_t id =
        add_text(name, full_name, COUNTER, m_counter_defaults.size(), show_if_default, visible_categories);
    m_counter_defaults.push_back(default_value);
    return id;
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_min_time(const std::string& name, const std::string& full_name,
                                                   bool show_if_default, const std::vector<int>& visible_categories,
                                                   int default_value)
{
    const std::uint32_t id =
        add_text(name, full_name, MIN_TIME, m_min_time_defaults.size(), show_if_default, visible_categories);
    m_min_time_defaults.push_back(default_value);
    return id;
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_total_time(const std::string& name, const std::string& full_name,
                                                     bool show_if_default, const std::vector<int>& visible_categories,
                                                     const BIG_TIME& default_value)
{
    const std::uint32_t id =
        add_text(name, full_name, TOTAL_TIME, m_total_time_defaults.size(), show_if_default, visible_categories);
    m_total_time_defaults.push_back(default_value);
    return id;
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_weak_flag(const std::string& name, const std::string& full_name,
                                                    const std::vector<int>& visible_categories)
{
    const std::uint32_t id = add_text(name, full_name, WEAK_FLAG, m_num_weak_flags, true, visible_categories);
    ++m_num_weak_flags;
    return id;
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_strong_flag(const std::string& name, const std::string& full_name,
                                                      const std::vector<int>& visible_categories)
{
    const std::uint32_t id = add_text(name, full_name, STRONG_FLAG, m_num_strong_flags, true, visible_categories);
    ++m_num_strong_flags;
    return id;
}

void RDB_GRID_TABLE_RULESET::set_appear_rules(std::uint32_t text_id, const RULE_GROUPS& groups)
{
    RDB_ASSERT(text_id < m_texts.size());
    m_texts[text_id].compare_rule_group = groups;
}

std::uint32_t RDB_GRID_TABLE_RULESET::add_legend_info(const std::string& name, RDB_COLOR_NAME background,
                                                      RDB_COLOR_NAME foreground, int category,
                                                      const RULE_GROUPS& groups)
{
    m_legend_infos.push_back(LEGEND_INFO{name, background, foreground, groups, category});
    return to_index(m_legend_infos.size() - 1);
}

void RDB_GRID_TABLE_RULESET::add_command_info(const std::vector<int>& command_ids, const RULE_GROUPS& groups,
                                              const std::vector<int>& categories)
{
    m_command_infos.push_back(COMMAND_INFO{command_ids, groups, categories});
}

const std::string& RDB_GRID_TABLE_RULESET::get_name(std::size_t text_id) const
{
    RDB_ASSERT(text_id < m_texts.size());
    return m_texts[text_id].name;
}

const std::string& RDB_GRID_TABLE_RULESET::get_full_name(std::size_t text_id) const
{
    RDB_ASSERT(text_id < m_texts.size());
    return m_texts[text_id].full_name;
}

const std::string& RDB_GRID_TABLE_RULESET::get_legend_name(std::size_t legend_id) const
{
    RDB_ASSERT(legend_id < m_legend_infos.size());
    return m_legend_infos[legend_id].name;
}

RDB_COLOR_NAME RDB_GRID_TABLE_RULESET::get_legend_background(std::size_t legend_id) const
{
    RDB_ASSERT(legend_id < m_legend_infos.size());
    return m_legend_infos[legend_id].background;
}

RDB_COLOR_NAME RDB_GRID_TABLE_RULESET::get_legend_foreground(std::size_t legend_id) const
{
    RDB_ASSERT(legend_id < m_legend_infos.size());
    return m_legend_infos[legend_id].foreground;
}

// ---- RDB_GRID_TABLE_RULESET: evaluation ----------------------------------------------------------

RDB_GRID_TABLE_MERGEABLE_ELEMENT RDB_GRID_TABLE_RULESET::get_default_entry() const
{
    RDB_GRID_TABLE_MERGEABLE_ELEMENT entry;
    for (const RDB_GRID_TABLE_SAFE_COUNTER& counter : m_counter_defaults)
        entry.add_counter(counter);
    for (std::int32_t min_time : m_min_time_defaults)
        entry.add_min_time(min_time);
    for (const BIG_TIME& total_time : m_total_time_defaults)
        entry.add_total_time(total_time);
    for (std::uint32_t i = 0; i < m_num_weak_flags; ++i)
        entry.add_weak_flag(false);
    for (std::uint32_t i = 0; i < m_num_strong_flags; ++i)
        entry.add_strong_flag(false);
    entry.set_category(m_default_category);
    return entry;
}

bool RDB_GRID_TABLE_RULESET::meets_rule(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const COMPARE_RULE& rule) const
{
    RDB_ASSERT(rule.index < m_texts.size());
    const TEXT_INFO& text = m_texts[rule.index];
    switch (text.data_type) {
    case COUNTER:
        return meets(slot_of(entry.get_counters(), m_counter_defaults, text.index).get_value() <=> 0, rule.type);
    case MIN_TIME:
        return meets(slot_of(entry.get_min_times(), m_min_time_defaults, text.index) <=> 0, rule.type);
    case TOTAL_TIME:
        return meets(slot_of(entry.get_total_times(), m_total_time_defaults, text.index) <=> BIG_TIME(0), rule.type);
    case WEAK_FLAG:
    case STRONG_FLAG: {
        const RDB_GRID_TABLE_FLAGS& flags =
            text.data_type == WEAK_FLAG ? entry.get_weak_flags() : entry.get_strong_flags();
        const bool set = flags.get(text.index);
        switch (rule.type) {
        case EQUAL_ZERO:
        case LESS_THAN_ZERO:
        case AT_MOST_ZERO:
            return !set;
        case GREATER_THAN_ZERO:
        case AT_LEAST_ZERO:
        case NOT_ZERO:
            return set;
        }
        RDB_INTERNAL_ERROR("Unsupported comparison type");
    }
    }
    RDB_INTERNAL_ERROR("Unsupported data type");
}

bool RDB_GRID_TABLE_RULESET::meets_comparison(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry,
                                              const RULE_GROUPS& groups) const
{
    if (groups.empty()) return true;
    for (const RULE_GROUP& group : groups)
        if (std::all_of(group.begin(), group.end(), [&](const COMPARE_RULE& rule) { return meets_rule(entry, rule); }))
            return true;
    return false;
}

std::uint32_t RDB_GRID_TABLE_RULESET::get_legend_id(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const
{
    for (std::size_t id = 0; id < m_legend_infos.size(); ++id) {
        const LEGEND_INFO& legend = m_legend_infos[id];
        if (legend.category == entry.get_category() && meets_comparison(entry, legend.compare_rule_group))
            return to_index(id);
    }
    RDB_INTERNAL_ERROR("No matching legend type");
}

std::vector<int> RDB_GRID_TABLE_RULESET::get_command_ids(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const
{
    std::vector<int> ids;
    for (const COMMAND_INFO& command : m_command_infos) {
        if (!command.categories.empty() && !contains(command.categories, entry.get_category())) continue;
        if (meets_comparison(entry, command.compare_rule_group))
            ids.insert(ids.end(), command.command_ids.begin(), command.command_ids.end());
    }
    return ids;
}

bool RDB_GRID_TABLE_RULESET::get_value_text(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const TEXT_INFO& text,
                                            std::string& value) const
{
    switch (text.data_type) {
    case COUNTER: {
        const RDB_GRID_TABLE_SAFE_COUNTER& counter = slot_of(entry.get_counters(), m_counter_defaults, text.index);
        if (!text.show_if_default && counter == default_of(m_counter_defaults, text.index)) return false;
        value = counter.to_string();
        return true;
    }
    case MIN_TIME: {
        const std::int32_t min_time = slot_of(entry.get_min_times(), m_min_time_defaults, text.index);
        if (!text.show_if_default && min_time == default_of(m_min_time_defaults, text.index)) return false;
        if (min_time == -0x7FFFFFFF || min_time == 0x7FFFFFFF) {
            value = "N/A";
            return true;
        }
        BIG_TIME time;
        time.set_storage_number(min_time);
        value = time.to_string_without_unit(m_time_unit, m_decimal_places, false);
        return true;
    }
    case TOTAL_TIME: {
        const BIG_TIME& total_time = slot_of(entry.get_total_times(), m_total_time_defaults, text.index);
        if (!text.show_if_default && total_time == default_of(m_total_time_defaults, text.index)) return false;
        value = total_time.is_legal() ? total_time.to_string_without_unit(m_time_unit, m_decimal_places, false) : "N/A";
        return true;
    }
    case WEAK_FLAG:
        value.clear();
        return entry.get_weak_flags().get(text.index);
    case STRONG_FLAG:
        value.clear();
        return entry.get_strong_flags().get(text.index);
    }
    RDB_INTERNAL_ERROR("Unsupported data type");
}

std::string RDB_GRID_TABLE_RULESET::get_string(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry,
                                               const std::vector<bool>& active_texts) const
{
    RDB_ASSERT(active_texts.size() == m_texts.size());
    std::string result;
    std::string value;
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        const TEXT_INFO& text = m_texts[i];
        if (!active_texts[i]) continue;
        if (!text.visible_categories.empty() && !contains(text.visible_categories, entry.get_category())) continue;
        if (!meets_comparison(entry, text.compare_rule_group)) continue;
        if (get_value_text(entry, text, value)) result += text.name + value + "\n";
    }
    while (!result.empty() && result.back() == '\n')
        result.pop_back();
    return result;
}

std::string RDB_GRID_TABLE_RULESET::get_full_string(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const
{
    return get_string(entry, std::vector<bool>(m_texts.size(), true));
}

// ---- RDB_GRID_TABLE_OBJECT -----------------------------------------------------------------------

namespace {

// The initial bucket count of the grid's hash maps.
std::size_t initial_buckets() { return ktl_hash_lite_get_next_prime(60); }

} // namespace

RDB_GRID_TABLE_OBJECT::RDB_GRID_TABLE_OBJECT() : m_cell_cmd_map(initial_buckets()), m_grid_entries(initial_buckets())
{
    m_cell_cmd_map.max_load_factor(0.8f);
    m_grid_entries.max_load_factor(0.8f);
}

RDB_GRID_TABLE_OBJECT::RDB_GRID_TABLE_OBJECT(const std::string& name, const std::string& row_label,
                                             const std::string& column_label, const RDB_GRID_TABLE_RULESET& ruleset,
                                             const std::string& valid_collections)
    : RDB_GRID_TABLE_OBJECT()
{
    set_name(name);
    m_ruleset = ruleset;
    m_row_label = row_label;
    m_column_label = column_label;
    m_valid_collections = valid_collections;
    m_default_entry = m_ruleset.get_default_entry();
}

RDB_GRID_TABLE_OBJECT::~RDB_GRID_TABLE_OBJECT()
{
    for (RDB_TABLE_ELEMENT* header : m_row_headers)
        delete header;
    for (RDB_TABLE_ELEMENT* header : m_column_headers)
        delete header;
    for (RDB_GRID_TABLE_CMD* cmd : m_header_cmds)
        delete cmd;
    for (auto& [id, cmd] : m_cell_cmd_map)
        delete cmd;
}

RDB_OBJECT_TYPE RDB_GRID_TABLE_OBJECT::get_type() const { return RDB_GRID_TABLE_TYPE; }

void RDB_GRID_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_grid_table(this); }

void RDB_GRID_TABLE_OBJECT::add_row_header(RDB_TABLE_ELEMENT* row)
{
    RDB_ASSERT(row != nullptr);
    m_row_headers.push_back(row);
}

void RDB_GRID_TABLE_OBJECT::add_column_header(RDB_TABLE_ELEMENT* column)
{
    RDB_ASSERT(column != nullptr);
    m_column_headers.push_back(column);
}

const RDB_TABLE_ELEMENT* RDB_GRID_TABLE_OBJECT::get_row_header(std::size_t row) const
{
    RDB_ASSERT(row < m_row_headers.size());
    return m_row_headers[row];
}

const RDB_TABLE_ELEMENT* RDB_GRID_TABLE_OBJECT::get_column_header(std::size_t column) const
{
    RDB_ASSERT(column < m_column_headers.size());
    return m_column_headers[column];
}

void RDB_GRID_TABLE_OBJECT::add_header_cmd_template(RDB_GRID_TABLE_CMD* cmd)
{
    RDB_ASSERT(cmd != nullptr);
    m_header_cmds.push_back(cmd);
}

void RDB_GRID_TABLE_OBJECT::add_cell_cmd_template(int id, RDB_GRID_TABLE_CMD* cmd)
{
    RDB_ASSERT(cmd != nullptr);
    auto [found, inserted] = m_cell_cmd_map.emplace(id, cmd);
    // The table took ownership: a command it does not keep is released here.
    if (!inserted && found->second != cmd) delete cmd;
}

const RDB_GRID_TABLE_CMD* RDB_GRID_TABLE_OBJECT::get_cell_cmd_template(int id) const
{
    auto found = m_cell_cmd_map.find(id);
    return found != m_cell_cmd_map.end() ? found->second : nullptr;
}

std::vector<int> RDB_GRID_TABLE_OBJECT::get_cell_cmd_templates_for_cell(std::size_t row, std::size_t col) const
{
    if (!is_index_in_bounds(row, col)) return {};
    return m_ruleset.get_command_ids(*get_grid_entry_without_bounds_check(row, col));
}

bool RDB_GRID_TABLE_OBJECT::is_index_in_bounds(std::size_t row, std::size_t col) const
{
    return row < m_row_headers.size() || col < m_column_headers.size();
}

RDB_GRID_TABLE_OBJECT::INDEX RDB_GRID_TABLE_OBJECT::make_index(std::size_t row, std::size_t col)
{
    return INDEX(to_index(row), to_index(col));
}

void RDB_GRID_TABLE_OBJECT::set_grid_entry(std::size_t row, std::size_t column,
                                           const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry)
{
    const INDEX index = make_index(row, column);
    RDB_ASSERT(is_index_in_bounds(row, column));
    m_grid_entries.insert_or_assign(index, entry);
}

const RDB_GRID_TABLE_MERGEABLE_ELEMENT* RDB_GRID_TABLE_OBJECT::get_grid_entry(std::size_t row, std::size_t col) const
{
    make_index(row, col);
    if (!is_index_in_bounds(row, col)) return nullptr;
    return get_grid_entry_without_bounds_check(row, col);
}

const RDB_GRID_TABLE_MERGEABLE_ELEMENT*
RDB_GRID_TABLE_OBJECT::get_grid_entry_without_bounds_check(std::size_t row, std::size_t col) const
{
    auto found = m_grid_entries.find(make_index(row, col));
    return found != m_grid_entries.end() ? &found->second : &m_default_entry;
}
