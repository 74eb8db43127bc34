// The XML reader's handler of grid tables (an element of our own).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_grid_table.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_xml_parse.h"

namespace RDB::XML {

namespace {

// Grid tables. The rule set comes first: the table is made and placed once it is read (or at the first
// other child). Each header list is read as one row of a scratch table by the table reader's cell
// code, then its cells move into the grid. Every value the grid would answer with an internal error
// (a negative counter, a rule naming no text, an entry outside the headers) fails the read instead.
class RDB_XML_GRID_TABLE_HANDLER : public RDB_XML_TABLE_HANDLER {
public:
    using RDB_XML_TABLE_HANDLER::RDB_XML_TABLE_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_attributes = attributes;
            m_panel_root = m_state.panel_root_pending;
            return;
        }
        if (depth() == 2 && name == "ruleset" && m_grid == nullptr) return start_ruleset(attributes);
        if (m_in_ruleset) return start_ruleset_child(name, attributes);
        if (depth() == 2) make_grid();
        if (m_grid == nullptr) return;
        if (depth() == 2 && (name == "row_headers" || name == "column_headers")) {
            m_table = &m_scratch;
            return RDB_XML_TABLE_HANDLER::on_start("row", attributes);
        }
        if (m_in_row) return RDB_XML_TABLE_HANDLER::on_start(name, attributes);
        if (depth() == 2 && (name == "header_cmd" || name == "cell_cmd")) {
            m_cmd_attributes = attributes;
        } else if (depth() == 2 && name == "entry") {
            std::optional<std::uint32_t> row = number<std::uint32_t>(attributes.get("row"), "row");
            std::optional<std::uint32_t> column = number<std::uint32_t>(attributes.get("column"), "column");
            std::optional<int> category = number<int>(attributes.get("category"), "category");
            if (!row || !column || !category) return;
            m_entry_index = RDB_GRID_TABLE_OBJECT::INDEX(*row, *column);
            m_entry.emplace();
            m_entry->set_category(*category);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() == 1) return make_grid();
        if (m_in_ruleset) return end_ruleset_child(name);
        if (m_grid == nullptr) return;
        if (depth() == 2 && (name == "row_headers" || name == "column_headers")) {
            RDB_XML_TABLE_HANDLER::on_end("row");
            RDB_TABLE_ROW_PTR cells = m_scratch.remove_row();
            if (std::find(cells->begin(), cells->end(), nullptr) != cells->end())
                return fail("grid table \"" + m_grid->get_name() + "\" has a missing header cell");
            for (RDB_TABLE_ELEMENT*& cell : *cells) {
                if (name == "row_headers")
                    m_grid->add_row_header(cell);
                else
                    m_grid->add_column_header(cell);
                cell = nullptr; // the grid owns it now
            }
            return;
        }
        if (m_in_row) return RDB_XML_TABLE_HANDLER::on_end(name);
        if (depth() == 2) {
            if (name == "header_cmd" || name == "cell_cmd") return end_cmd(name);
            if (name == "entry") return end_entry();
            end_common_child(*m_grid, name);
            return;
        }
        if (depth() == 3 && m_entry) end_entry_slot(name);
    }

private:
    enum class RECORD { NONE, TEXT, LEGEND, COMMAND };

    // An attribute's number; an absent attribute leaves value as it is. False when the read failed.
    template <class T> bool read_attribute(const XML_ATTRIBUTES& attributes, const char* name, T& value)
    {
        const std::string* text = attributes.find(name);
        if (text == nullptr) return true;
        std::optional<T> parsed = number<T>(*text, name);
        if (parsed) value = *parsed;
        return parsed.has_value();
    }

    void start_ruleset(const XML_ATTRIBUTES& attributes)
    {
        m_in_ruleset = true;
        int category = 0;
        int time_unit = BIG_TIME::AUTO;
        int decimal_places = 3;
        if (!read_attribute(attributes, "default_category", category) ||
            !read_attribute(attributes, "time_unit", time_unit) ||
            !read_attribute(attributes, "decimal_places", decimal_places))
            return;
        if (time_unit < BIG_TIME::AUTO || time_unit > BIG_TIME::GHZ)
            return fail("time unit " + std::to_string(time_unit));
        m_ruleset.set_default_category(category);
        m_ruleset.set_time_unit(static_cast<BIG_TIME::TIME_UNIT>(time_unit));
        m_ruleset.set_decimal_places(decimal_places);
    }

    void start_ruleset_child(const std::string& name, const XML_ATTRIBUTES& attributes)
    {
        if (depth() == 3) {
            m_record = name == "text_info"      ? RECORD::TEXT
                       : name == "legend_info"  ? RECORD::LEGEND
                       : name == "command_info" ? RECORD::COMMAND
                                                : RECORD::NONE;
            m_record_attributes = attributes;
            m_groups.clear();
            m_categories.clear();
            m_command_ids.clear();
        } else if (depth() == 4 && name == "rules") {
            m_groups.emplace_back();
        } else if (depth() == 5 && name == "rule") {
            std::optional<std::uint32_t> text = number<std::uint32_t>(attributes.get("text"), "rule text");
            std::optional<int> compare = number<int>(attributes.get("compare"), "rule compare");
            if (!text || !compare) return;
            if (*compare < RDB_GRID_TABLE_RULESET::EQUAL_ZERO || *compare > RDB_GRID_TABLE_RULESET::NOT_ZERO)
                return fail("comparison type " + std::to_string(*compare));
            if (m_groups.empty()) return fail("rule outside rules");
            m_groups.back().push_back({*text, static_cast<RDB_GRID_TABLE_RULESET::COMPARE_TYPE>(*compare)});
        }
    }

    void end_ruleset_child(const std::string& name)
    {
        if (depth() == 2) {
            m_in_ruleset = false;
            return make_grid();
        }
        if (depth() == 4 && (name == "category" || name == "command_id")) {
            std::optional<int> value = number<int>(m_text, name.c_str());
            if (value) (name == "category" ? m_categories : m_command_ids).push_back(*value);
        } else if (depth() == 3) {
            if (m_record == RECORD::TEXT) add_text();
            if (m_record == RECORD::LEGEND) add_legend();
            if (m_record == RECORD::COMMAND) m_ruleset.add_command_info(m_command_ids, m_groups, m_categories);
            m_record = RECORD::NONE;
        }
    }

    void add_text()
    {
        const XML_ATTRIBUTES& attributes = m_record_attributes;
        std::optional<int> type = number<int>(attributes.get("type"), "text type");
        if (!type) return;
        const std::string name = attributes.get("name");
        const std::string full_name = attributes.get("full_name");
        const bool show = is_true(attributes, "show_if_default");
        std::uint32_t id = 0;
        switch (*type) {
        case RDB_GRID_TABLE_RULESET::COUNTER: {
            std::optional<int> value = number<int>(attributes.get("default"), "counter default");
            if (!value) return;
            if (*value < 0) return fail("negative counter default");
            id = m_ruleset.add_counter(name, full_name, show, m_categories, RDB_GRID_TABLE_SAFE_COUNTER(*value));
            break;
        }
        case RDB_GRID_TABLE_RULESET::MIN_TIME: {
            std::optional<int> value = number<int>(attributes.get("default"), "minimum time default");
            if (!value) return;
            id = m_ruleset.add_min_time(name, full_name, show, m_categories, *value);
            break;
        }
        case RDB_GRID_TABLE_RULESET::TOTAL_TIME: {
            std::optional<std::int64_t> value = number<std::int64_t>(attributes.get("default"), "total time default");
            if (!value) return;
            id = m_ruleset.add_total_time(name, full_name, show, m_categories, BIG_TIME(*value));
            break;
        }
        case RDB_GRID_TABLE_RULESET::WEAK_FLAG:
            id = m_ruleset.add_weak_flag(name, full_name, m_categories);
            break;
        case RDB_GRID_TABLE_RULESET::STRONG_FLAG:
            id = m_ruleset.add_strong_flag(name, full_name, m_categories);
            break;
        default:
            return fail("text type " + std::to_string(*type));
        }
        m_ruleset.set_appear_rules(id, m_groups);
    }

    void add_legend()
    {
        const XML_ATTRIBUTES& attributes = m_record_attributes;
        std::optional<int> background = number<int>(attributes.get("background"), "background");
        std::optional<int> foreground = number<int>(attributes.get("foreground"), "foreground");
        std::optional<int> category = number<int>(attributes.get("category"), "category");
        if (!background || !foreground || !category) return;
        for (int color : {*background, *foreground})
            if (color < 0 || color >= RDB_COLOR_COUNT) return fail("colour " + std::to_string(color));
        m_ruleset.add_legend_info(attributes.get("name"), static_cast<RDB_COLOR_NAME>(*background),
                                  static_cast<RDB_COLOR_NAME>(*foreground), *category, m_groups);
    }

    // Makes and places the table with the rule set read so far, once.
    void make_grid()
    {
        if (m_grid != nullptr || failed()) return;
        m_in_ruleset = false;
        const std::size_t texts = m_ruleset.get_num_texts();
        auto names_a_text = [texts](const RDB_GRID_TABLE_RULESET::RULE_GROUPS& groups) {
            for (const RDB_GRID_TABLE_RULESET::RULE_GROUP& group : groups)
                for (const RDB_GRID_TABLE_RULESET::COMPARE_RULE& rule : group)
                    if (rule.index >= texts) return false;
            return true;
        };
        for (const auto& text : m_ruleset.get_texts())
            if (!names_a_text(text.compare_rule_group)) return fail("a grid rule names no text");
        for (const auto& legend : m_ruleset.get_legend_infos())
            if (!names_a_text(legend.compare_rule_group)) return fail("a grid rule names no text");
        for (const auto& command : m_ruleset.get_command_infos())
            if (!names_a_text(command.compare_rule_group)) return fail("a grid rule names no text");
        m_grid = m_state.create<RDB_GRID_TABLE_OBJECT>(m_attributes.get("name"), m_attributes.get("row_label"),
                                                       m_attributes.get("column_label"), m_ruleset,
                                                       m_attributes.get("valid_collections"));
        m_grid->use_monospace_font(is_true(m_attributes.get("monospace")));
        apply_common_attributes(*m_grid, m_attributes);
        m_state.panel_root_pending = m_panel_root;
        attach(*m_grid, m_attributes);
        m_state.panel_root_pending = false;
    }

    void end_cmd(const std::string& name)
    {
        const XML_ATTRIBUTES& attributes = m_cmd_attributes;
        std::optional<int> id;
        if (name == "cell_cmd" && !(id = number<int>(attributes.get("id"), "command id"))) return;
        auto cmd = std::make_unique<RDB_GRID_TABLE_CMD>(attributes.get("name"), attributes.get("tool_tip"),
                                                        attributes.get("help"), m_text);
        if (id)
            m_grid->add_cell_cmd_template(*id, cmd.release());
        else
            m_grid->add_header_cmd_template(cmd.release());
    }

    void end_entry_slot(const std::string& name)
    {
        if (name == "counter") {
            std::optional<int> value = number<int>(m_text, "counter");
            if (!value) return;
            if (*value < 0) return fail("negative counter");
            m_entry->add_counter(RDB_GRID_TABLE_SAFE_COUNTER(*value));
        } else if (name == "min_time") {
            if (std::optional<int> value = number<int>(m_text, "min_time")) m_entry->add_min_time(*value);
        } else if (name == "total_time") {
            if (std::optional<std::int64_t> value = number<std::int64_t>(m_text, "total_time"))
                m_entry->add_total_time(BIG_TIME(*value));
        } else if (name == "weak_flag") {
            m_entry->add_weak_flag(is_true(m_text));
        } else if (name == "strong_flag") {
            m_entry->add_strong_flag(is_true(m_text));
        }
    }

    void end_entry()
    {
        if (!m_entry) return;
        const auto [row, column] = m_entry_index;
        if (!m_grid->is_index_in_bounds(row, column))
            return fail("grid entry " + std::to_string(row) + ", " + std::to_string(column) + " outside the headers");
        m_grid->set_grid_entry(row, column, *m_entry);
        m_entry.reset();
    }

    XML_ATTRIBUTES m_attributes;
    bool m_panel_root = false;
    RDB_GRID_TABLE_RULESET m_ruleset;
    bool m_in_ruleset = false;
    RECORD m_record = RECORD::NONE;
    XML_ATTRIBUTES m_record_attributes;
    RDB_GRID_TABLE_RULESET::RULE_GROUPS m_groups;
    std::vector<int> m_categories;
    std::vector<int> m_command_ids;
    RDB_GRID_TABLE_OBJECT* m_grid = nullptr;
    RDB_TABLE_OBJECT m_scratch{"grid headers"};
    XML_ATTRIBUTES m_cmd_attributes;
    std::optional<RDB_GRID_TABLE_MERGEABLE_ELEMENT> m_entry;
    RDB_GRID_TABLE_OBJECT::INDEX m_entry_index;
};

} // namespace

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_grid_table_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_GRID_TABLE_HANDLER>(state);
}

} // namespace RDB::XML
