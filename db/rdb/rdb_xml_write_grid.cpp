// The XML writer's grid tables: an element of this library's own, which readers that do not know
// it skip. Enumerations and colours are written as their numbers; commands by ascending id, entries
// by ascending position.

#include <string>

#include "rdb_enum.h"
#include "rdb_grid_table.h"
#include "rdb_xml_write.h"

namespace RDB::XML {

void RDB_XML_DOCUMENT_WRITER::write_grid_table(const RDB_GRID_TABLE_OBJECT& grid)
{
    ATTRIBUTES attributes = common_attributes(grid, m_context.parent_of(&grid), false);
    attributes.emplace_back("row_label", grid.get_row_label());
    attributes.emplace_back("column_label", grid.get_column_label());
    attributes.emplace_back("valid_collections", grid.get_valid_collections());
    attributes.emplace_back("monospace", bool_text(grid.using_monospace_font()));
    open("grid_table", LAYOUT::BLOCK, attributes);
    write_ruleset(grid.get_ruleset());
    write_common_children(grid);
    for (const auto& [name, headers] :
         {std::pair{"row_headers", &grid.get_row_headers()}, std::pair{"column_headers", &grid.get_column_headers()}}) {
        open(name, LAYOUT::BLOCK);
        for (const RDB_TABLE_ELEMENT* header : *headers)
            write_cell(header);
        close(name, LAYOUT::BLOCK);
    }
    for (const RDB_GRID_TABLE_CMD* cmd : grid.get_header_cmds())
        write_grid_cmd("header_cmd", *cmd, {});
    std::vector<std::pair<int, const RDB_GRID_TABLE_CMD*>> cmds(grid.get_cell_cmds().begin(),
                                                                grid.get_cell_cmds().end());
    std::sort(cmds.begin(), cmds.end());
    for (const auto& [id, cmd] : cmds)
        write_grid_cmd("cell_cmd", *cmd, {{"id", std::to_string(id)}});
    std::vector<std::pair<RDB_GRID_TABLE_OBJECT::INDEX, const RDB_GRID_TABLE_MERGEABLE_ELEMENT*>> entries;
    for (const auto& [index, entry] : grid.get_grid_entries())
        entries.emplace_back(index, &entry);
    std::sort(entries.begin(), entries.end());
    for (const auto& [index, entry] : entries)
        write_grid_entry(index, *entry);
    close("grid_table", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_ruleset(const RDB_GRID_TABLE_RULESET& ruleset)
{
    open("ruleset", LAYOUT::BLOCK,
         {{"default_category", std::to_string(ruleset.get_default_category())},
          {"time_unit", std::to_string(ruleset.get_time_unit())},
          {"decimal_places", std::to_string(ruleset.get_decimal_places())}});
    for (const RDB_GRID_TABLE_RULESET::TEXT_INFO& text : ruleset.get_texts()) {
        ATTRIBUTES attributes = {{"type", std::to_string(text.data_type)},
                                 {"name", text.name},
                                 {"full_name", text.full_name},
                                 {"show_if_default", bool_text(text.show_if_default)}};
        if (text.data_type == RDB_GRID_TABLE_RULESET::COUNTER)
            attributes.emplace_back("default",
                                    std::to_string(ruleset.get_counter_defaults().at(text.index).get_value()));
        else if (text.data_type == RDB_GRID_TABLE_RULESET::MIN_TIME)
            attributes.emplace_back("default", std::to_string(ruleset.get_min_time_defaults().at(text.index)));
        else if (text.data_type == RDB_GRID_TABLE_RULESET::TOTAL_TIME)
            attributes.emplace_back("default",
                                    std::to_string(ruleset.get_total_time_defaults().at(text.index).get_picoseconds()));
        const LAYOUT layout = block_unless(text.visible_categories.empty() && text.compare_rule_group.empty());
        open("text_info", layout, attributes);
        for (int category : text.visible_categories)
            text_element("category", std::to_string(category));
        write_rule_groups(text.compare_rule_group);
        close("text_info", layout);
    }
    for (const RDB_GRID_TABLE_RULESET::LEGEND_INFO& legend : ruleset.get_legend_infos()) {
        const LAYOUT layout = block_unless(legend.compare_rule_group.empty());
        open("legend_info", layout,
             {{"name", legend.name},
              {"background", std::to_string(legend.background)},
              {"foreground", std::to_string(legend.foreground)},
              {"category", std::to_string(legend.category)}});
        write_rule_groups(legend.compare_rule_group);
        close("legend_info", layout);
    }
    for (const RDB_GRID_TABLE_RULESET::COMMAND_INFO& command : ruleset.get_command_infos()) {
        const LAYOUT layout = block_unless(command.command_ids.empty() && command.categories.empty() &&
                                           command.compare_rule_group.empty());
        open("command_info", layout);
        for (int id : command.command_ids)
            text_element("command_id", std::to_string(id));
        for (int category : command.categories)
            text_element("category", std::to_string(category));
        write_rule_groups(command.compare_rule_group);
        close("command_info", layout);
    }
    close("ruleset", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_rule_groups(const RDB_GRID_TABLE_RULESET::RULE_GROUPS& groups)
{
    for (const RDB_GRID_TABLE_RULESET::RULE_GROUP& group : groups) {
        const LAYOUT layout = block_unless(group.empty());
        open("rules", layout);
        for (const RDB_GRID_TABLE_RULESET::COMPARE_RULE& rule : group)
            element("rule", LAYOUT::EMPTY,
                    {{"text", std::to_string(rule.index)}, {"compare", std::to_string(rule.type)}});
        close("rules", layout);
    }
}

void RDB_XML_DOCUMENT_WRITER::write_grid_cmd(const char* name, const RDB_GRID_TABLE_CMD& cmd, ATTRIBUTES attributes)
{
    attributes.emplace_back("name", cmd.get_gui_cmd_name());
    attributes.emplace_back("tool_tip", cmd.get_tool_tip());
    attributes.emplace_back("help", cmd.get_help());
    text_element(name, cmd.get_cmd_template(), attributes);
}

void RDB_XML_DOCUMENT_WRITER::write_grid_entry(const RDB_GRID_TABLE_OBJECT::INDEX& index,
                                               const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry)
{
    open("entry", LAYOUT::BLOCK,
         {{"row", std::to_string(index.first)},
          {"column", std::to_string(index.second)},
          {"category", std::to_string(entry.get_category())}});
    for (const RDB_GRID_TABLE_SAFE_COUNTER& counter : entry.get_counters())
        text_element("counter", std::to_string(counter.get_value()));
    for (std::int32_t min_time : entry.get_min_times())
        text_element("min_time", std::to_string(min_time));
    for (const BIG_TIME& total_time : entry.get_total_times())
        text_element("total_time", std::to_string(total_time.get_picoseconds()));
    for (std::size_t i = 0; i < entry.get_weak_flags().size(); ++i)
        text_element("weak_flag", bool_text(entry.get_weak_flags().get(i)));
    for (std::size_t i = 0; i < entry.get_strong_flags().size(); ++i)
        text_element("strong_flag", bool_text(entry.get_strong_flags().get(i)));
    close("entry", LAYOUT::BLOCK);
}

} // namespace RDB::XML
