// Transfer routines and class records of grid tables and their rule sets, entries and commands.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_enum.h"
#include "rdb_grid_table.h"
#include "rdb_table_element.h"
#include "rdb_serialize_util.h"

namespace {

// Transfers a vector element by element (count first); on reading every element is made anew.
template <class T, class TRANSFER>
void transfer_each(PDB_SEGMENT& segment, std::vector<T>& values, std::size_t min_item_size, TRANSFER transfer_one)
{
    std::uint32_t count = static_cast<std::uint32_t>(values.size());
    segment.transfer(count);
    if (segment.is_reading()) {
        segment.require_items(count, min_item_size);
        values.assign(count, T());
    }
    for (T& value : values)
        transfer_one(value);
}

void transfer_times(PDB_SEGMENT& segment, std::vector<BIG_TIME>& times)
{
    transfer_each(segment, times, 8, [&segment](BIG_TIME& time) {
        std::int64_t picoseconds = time.get_picoseconds();
        segment.transfer(picoseconds);
        time = BIG_TIME(picoseconds);
    });
}

void transfer_counters(PDB_SEGMENT& segment, std::vector<RDB_GRID_TABLE_SAFE_COUNTER>& counters)
{
    transfer_each(segment, counters, 4,
                  [&segment](RDB_GRID_TABLE_SAFE_COUNTER& counter) { counter.serialize(segment); });
}

void transfer_rule_groups(PDB_SEGMENT& segment, RDB_GRID_TABLE_RULESET::RULE_GROUPS& groups)
{
    transfer_each(segment, groups, 4, [&segment](RDB_GRID_TABLE_RULESET::RULE_GROUP& group) {
        transfer_each(segment, group, 8,
                      [&segment](RDB_GRID_TABLE_RULESET::COMPARE_RULE& rule) { rule.serialize(segment); });
    });
}

// The keys of a map in ascending order.
template <class MAP> std::vector<typename MAP::key_type> sorted_keys(const MAP& map)
{
    std::vector<typename MAP::key_type> keys;
    keys.reserve(map.size());
    for (const auto& item : map)
        keys.push_back(item.first);
    std::sort(keys.begin(), keys.end());
    return keys;
}

void transfer_color(PDB_SEGMENT& segment, RDB_COLOR_NAME& color)
{
    segment.transfer_enum(color, RDB_COLOR_DEFAULT, RDB_COLOR_COUNT - 1);
}

} // namespace

void RDB_GRID_TABLE_FLAGS::transfer(PDB_SEGMENT& segment)
{
    std::uint32_t count = static_cast<std::uint32_t>(m_size);
    segment.transfer(count);
    const std::size_t words = (std::size_t{count} + 31) / 32;
    if (segment.is_reading()) {
        segment.require_items(words, 4);
        m_words.assign(words, 0u);
        m_size = count;
    }
    for (std::size_t i = 0; i < words; ++i)
        segment.transfer(m_words[i]);
    if (segment.is_reading() && count % 32 != 0 && (m_words.back() >> (count % 32)) != 0)
        segment.fail("flag bits beyond the flag count");
}

PDB_CLASS_THUNK<RDB_GRID_TABLE_SAFE_COUNTER>
    RDB_GRID_TABLE_SAFE_COUNTER::s_thunk("RDB_GRID_TABLE_SAFE_COUNTER", nullptr,
                                         []() -> PDB_VIRTUAL_OBJECT* { return new RDB_GRID_TABLE_SAFE_COUNTER(); });

void RDB_GRID_TABLE_SAFE_COUNTER::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRANSFER(segment, m_value);
    if (segment.is_reading() && m_value < 0) segment.fail("a negative counter");
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GRID_TABLE_MERGEABLE_ELEMENT>
    RDB_GRID_TABLE_MERGEABLE_ELEMENT::s_thunk("RDB_GRID_TABLE_MERGEABLE_ELEMENT", nullptr, []() -> PDB_VIRTUAL_OBJECT* {
        return new RDB_GRID_TABLE_MERGEABLE_ELEMENT();
    });

void RDB_GRID_TABLE_MERGEABLE_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(m_counters);
    transfer_counters(segment, m_counters);
    RDB_TRANSFER(segment, m_min_times);
    RDB_TRACE(m_total_times);
    transfer_times(segment, m_total_times);
    RDB_TRACE(m_weak_flags);
    m_weak_flags.transfer(segment);
    RDB_TRACE(m_strong_flags);
    m_strong_flags.transfer(segment);
    RDB_TRANSFER(segment, m_category);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GRID_TABLE_CMD> RDB_GRID_TABLE_CMD::s_thunk("RDB_GRID_TABLE_CMD", nullptr,
                                                                []() -> PDB_VIRTUAL_OBJECT* {
                                                                    return new RDB_GRID_TABLE_CMD();
                                                                });

void RDB_GRID_TABLE_CMD::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    transfer_texts(segment);
    segment.end_class();
}

void RDB_GRID_TABLE_RULESET::COMPARE_RULE::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GRID_TABLE_RULESET::COMPARE_RULE", this);
    RDB_TRANSFER(segment, index);
    RDB_TRACE(type);
    segment.transfer_enum(type, EQUAL_ZERO, NOT_ZERO);
    segment.end_class();
}

void RDB_GRID_TABLE_RULESET::TEXT_INFO::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GRID_TABLE_RULESET::TEXT_INFO", this);
    RDB_TRANSFER(segment, name);
    RDB_TRANSFER(segment, full_name);
    RDB_TRACE(data_type);
    segment.transfer_enum(data_type, COUNTER, STRONG_FLAG);
    RDB_TRANSFER(segment, index);
    RDB_TRANSFER(segment, show_if_default);
    RDB_TRANSFER(segment, visible_categories);
    RDB_TRACE(compare_rule_group);
    transfer_rule_groups(segment, compare_rule_group);
    segment.end_class();
}

void RDB_GRID_TABLE_RULESET::LEGEND_INFO::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GRID_TABLE_RULESET::LEGEND_INFO", this);
    RDB_TRANSFER(segment, name);
    RDB_TRACE(background);
    transfer_color(segment, background);
    RDB_TRACE(foreground);
    transfer_color(segment, foreground);
    RDB_TRACE(compare_rule_group);
    transfer_rule_groups(segment, compare_rule_group);
    RDB_TRANSFER(segment, category);
    segment.end_class();
}

void RDB_GRID_TABLE_RULESET::COMMAND_INFO::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GRID_TABLE_RULESET::COMMAND_INFO", this);
    RDB_TRANSFER(segment, command_ids);
    RDB_TRACE(compare_rule_group);
    transfer_rule_groups(segment, compare_rule_group);
    RDB_TRANSFER(segment, categories);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GRID_TABLE_RULESET> RDB_GRID_TABLE_RULESET::s_thunk("RDB_GRID_TABLE_RULESET", nullptr,
                                                                        []() -> PDB_VIRTUAL_OBJECT* {
                                                                            return new RDB_GRID_TABLE_RULESET();
                                                                        });

void RDB_GRID_TABLE_RULESET::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(m_counter_defaults);
    transfer_counters(segment, m_counter_defaults);
    RDB_TRANSFER(segment, m_min_time_defaults);
    RDB_TRACE(m_total_time_defaults);
    transfer_times(segment, m_total_time_defaults);
    RDB_TRANSFER(segment, m_num_weak_flags);
    RDB_TRANSFER(segment, m_num_strong_flags);
    RDB_TRACE(m_texts);
    transfer_each(segment, m_texts, 20, [&segment](TEXT_INFO& text) { text.serialize(segment); });
    RDB_TRACE(m_legend_infos);
    transfer_each(segment, m_legend_infos, 20, [&segment](LEGEND_INFO& legend) { legend.serialize(segment); });
    RDB_TRACE(m_command_infos);
    transfer_each(segment, m_command_infos, 12, [&segment](COMMAND_INFO& command) { command.serialize(segment); });
    RDB_TRANSFER(segment, m_default_category);
    RDB_TRACE(m_time_unit);
    segment.transfer_enum(m_time_unit, BIG_TIME::AUTO, BIG_TIME::GHZ);
    RDB_TRANSFER(segment, m_decimal_places);
    if (segment.is_reading()) {
        // Every slot has its text and every text names a slot that has a default (so a damaged flag
        // count cannot make a default entry of billions of flags), every rule names a text.
        const std::size_t slots[] = {m_counter_defaults.size(), m_min_time_defaults.size(),
                                     m_total_time_defaults.size(), m_num_weak_flags, m_num_strong_flags};
        std::size_t texts_of_type[std::size(slots)] = {};
        for (const TEXT_INFO& text : m_texts) {
            if (text.index >= slots[text.data_type]) segment.fail("a text naming a slot that does not exist");
            ++texts_of_type[text.data_type];
        }
        if (!std::equal(std::begin(slots), std::end(slots), std::begin(texts_of_type)))
            segment.fail("slots without a text");
        auto check_rules = [&](const RULE_GROUPS& groups) {
            for (const RULE_GROUP& group : groups)
                for (const COMPARE_RULE& rule : group)
                    if (rule.index >= m_texts.size()) segment.fail("a rule naming a text that does not exist");
        };
        for (const TEXT_INFO& text : m_texts)
            check_rules(text.compare_rule_group);
        for (const LEGEND_INFO& legend : m_legend_infos)
            check_rules(legend.compare_rule_group);
        for (const COMMAND_INFO& command : m_command_infos)
            check_rules(command.compare_rule_group);
    }
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GRID_TABLE_OBJECT> RDB_GRID_TABLE_OBJECT::s_thunk("RDB_GRID_TABLE_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                                      []() -> PDB_VIRTUAL_OBJECT* {
                                                                          return new RDB_GRID_TABLE_OBJECT();
                                                                      });

void RDB_GRID_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_ruleset);
    m_ruleset.serialize(segment);
    RDB_TRACE(m_row_headers);
    segment.transfer_owned(m_row_headers, false);
    RDB_TRACE(m_column_headers);
    segment.transfer_owned(m_column_headers, false);
    RDB_TRACE(m_header_cmds);
    segment.transfer_owned(m_header_cmds, false);

    // Commands by id and entries by position, in ascending order so that a table is always written
    // the same way. On reading, every key must be new and every entry's position in bounds.
    RDB_TRACE(m_cell_cmd_map);
    std::uint32_t count = static_cast<std::uint32_t>(m_cell_cmd_map.size());
    segment.transfer(count);
    if (segment.is_writing()) {
        for (int id : sorted_keys(m_cell_cmd_map)) {
            std::int32_t key = id;
            segment.transfer(key);
            segment.transfer_owned(m_cell_cmd_map.at(id));
        }
    } else {
        segment.require_items(count, 8);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::int32_t id = 0;
            segment.transfer(id);
            RDB_GRID_TABLE_CMD* cmd = nullptr;
            segment.transfer_owned(cmd);
            if (cmd == nullptr) segment.fail("a null cell command");
            if (!m_cell_cmd_map.emplace(id, cmd).second) {
                delete cmd;
                segment.fail("two cell commands with one id");
            }
        }
    }

    RDB_TRACE(m_grid_entries);
    count = static_cast<std::uint32_t>(m_grid_entries.size());
    segment.transfer(count);
    if (segment.is_writing()) {
        for (const INDEX& key : sorted_keys(m_grid_entries)) {
            INDEX index = key;
            segment.transfer(index.first);
            segment.transfer(index.second);
            m_grid_entries.at(key).serialize(segment);
        }
    } else {
        segment.require_items(count, 28);
        for (std::uint32_t i = 0; i < count; ++i) {
            INDEX index;
            segment.transfer(index.first);
            segment.transfer(index.second);
            RDB_GRID_TABLE_MERGEABLE_ELEMENT entry;
            entry.serialize(segment);
            if (!is_index_in_bounds(index.first, index.second)) segment.fail("a grid entry outside the headers");
            if (!m_grid_entries.emplace(index, std::move(entry)).second)
                segment.fail("two grid entries at one position");
        }
    }

    RDB_TRANSFER(segment, m_row_label);
    RDB_TRANSFER(segment, m_column_label);
    RDB_TRANSFER(segment, m_valid_collections);
    RDB_TRANSFER(segment, m_use_monospace_font);
    RDB_TRACE(m_default_entry);
    m_default_entry.serialize(segment);
    if (segment.is_reading() && !(m_default_entry == m_ruleset.get_default_entry()))
        segment.fail("a cached default entry that differs from the rule set's");
    segment.end_class();
}
