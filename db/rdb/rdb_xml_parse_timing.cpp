// The XML reader's handlers of timing paths and waveform displays (elements of our own). A path's
// sub-objects are read by the handlers of their kinds and handed to the path in their roles.

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "msg/msg.h"
#include "rdb_path.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"
#include "rdb_xml_parse.h"

namespace RDB::XML {

namespace {

// A waveform display: its waveforms are rebuilt through add_waveform, so ids, rows and spans are
// checked against what the display itself would hand out, and anything else fails the read.
class RDB_XML_WAVEFORM_DISPLAY_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_display = m_state.create<RDB_WAVEFORM_DISPLAY_OBJECT>(attributes.get("name"));
            apply_common_attributes(*m_display, attributes);
            attach(*m_display, attributes);
        } else if (depth() == 2 && name == "wave") {
            start_wave(attributes);
        } else if (depth() == 3 && name == "event") {
            add_event(attributes);
        } else if (depth() == 2 && name == "arrow") {
            add_arrow(attributes);
        } else if (depth() == 2 && name == "event_label") {
            add_label(attributes);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || m_display == nullptr) return;
        if (name != "wave") {
            end_common_child(*m_display, name);
        } else if (m_wave != nullptr) {
            if (m_wave->get_begin_time() != m_begin || m_wave->get_end_time() != m_end)
                fail("waveform " + std::to_string(m_wave->get_id()) + " has a span its edges do not give");
            m_wave = nullptr;
        }
    }

private:
    std::optional<RDB_LINE_PROPERTIES> line_properties(const XML_ATTRIBUTES& attributes)
    {
        const std::optional<int> type = number<int>(attributes.get("line_type"), "line_type");
        const std::optional<int> thickness = number<int>(attributes.get("thickness"), "thickness");
        const std::optional<int> color = number<int>(attributes.get("color"), "color");
        if (!type || !thickness || !color) return std::nullopt;
        if (*type < RDB_LINE_PROPERTIES::SOLID || *type > RDB_LINE_PROPERTIES::DASHDOT ||
            *thickness < RDB_LINE_PROPERTIES::NORMAL || *thickness > RDB_LINE_PROPERTIES::THICK || *color < 0 ||
            *color >= RDB_COLOR_COUNT) {
            fail("line properties out of range");
            return std::nullopt;
        }
        return RDB_LINE_PROPERTIES(static_cast<RDB_LINE_PROPERTIES::TYPE>(*type),
                                   static_cast<RDB_LINE_PROPERTIES::THICKNESS>(*thickness),
                                   static_cast<RDB_COLOR_NAME>(*color));
    }

    void start_wave(const XML_ATTRIBUTES& attributes)
    {
        const std::optional<int> id = number<int>(attributes.get("id"), "id");
        const std::optional<unsigned> position = number<unsigned>(attributes.get("position"), "position");
        const std::optional<int> period = number<int>(attributes.get("period"), "period");
        const std::optional<int> begin = number<int>(attributes.get("begin"), "begin");
        const std::optional<int> end = number<int>(attributes.get("end"), "end");
        const std::optional<RDB_LINE_PROPERTIES> line = line_properties(attributes);
        if (!id || !position || !period || !begin || !end || !line) return;
        if (*period < 0 || std::int64_t{*begin} + *period > INT_MAX)
            return fail("waveform " + std::to_string(*id) + " has a period out of range");
        if (*id != static_cast<int>(m_display->get_waveform_count()))
            return fail("waveform " + std::to_string(*id) + " is out of order");
        // A waveform starts the next row or shares the row of an earlier one.
        int overlay = -1;
        if (*position != m_display->get_row_count()) {
            for (auto it = m_display->begin_waveforms(); it != m_display->end_waveforms() && overlay < 0; ++it)
                if ((*it)->get_position() == *position) overlay = (*it)->get_id();
            if (overlay < 0) return fail("waveform " + std::to_string(*id) + " is on a row not handed out");
        }
        auto wave = std::make_unique<RDB_WAVEFORM_ELEMENT>(*period, *begin);
        wave->set_label(attributes.get("label"));
        wave->get_properties() = *line;
        m_wave = wave.get();
        m_display->add_waveform(wave.release(), overlay);
        m_begin = *begin;
        m_end = *end;
    }

    void add_event(const XML_ATTRIBUTES& attributes)
    {
        if (m_wave == nullptr) return fail("event outside a wave");
        const std::optional<int> time = number<int>(attributes.get("time"), "time");
        const std::optional<int> type = number<int>(attributes.get("type"), "type");
        if (!time || !type) return;
        if (*type < RDB_WAVEFORM_EVENT::NON_EVENT || *type > RDB_WAVEFORM_EVENT::DATA_TRANSITION)
            return fail("event type " + std::to_string(*type));
        if (!m_wave->add_event(RDB_WAVEFORM_EVENT(*time, static_cast<RDB_WAVEFORM_EVENT::TYPE>(*type))))
            fail("waveform " + std::to_string(m_wave->get_id()) + " has an edge out of order or outside its period");
    }

    void add_arrow(const XML_ATTRIBUTES& attributes)
    {
        const std::optional<int> begin_id = number<int>(attributes.get("begin_id"), "begin_id");
        const std::optional<int> begin_time = number<int>(attributes.get("begin_time"), "begin_time");
        const std::optional<int> end_id = number<int>(attributes.get("end_id"), "end_id");
        const std::optional<int> end_time = number<int>(attributes.get("end_time"), "end_time");
        const std::optional<RDB_LINE_PROPERTIES> line = line_properties(attributes);
        if (!begin_id || !begin_time || !end_id || !end_time || !line) return;
        // The three range flags come only in the combinations of the three styles.
        const bool direct = is_true(attributes, "direct");
        const bool shaded = is_true(attributes, "shaded");
        const bool bars = is_true(attributes, "reference_bars");
        RDB_ARROW_PROPERTIES::STYLE style = RDB_ARROW_PROPERTIES::REFERENCE_BARS_STYLE;
        if (direct && !shaded && !bars)
            style = RDB_ARROW_PROPERTIES::DIRECT_STYLE;
        else if (!direct && shaded && bars)
            style = RDB_ARROW_PROPERTIES::SHADED_STYLE;
        else if (direct || shaded || !bars)
            return fail("arrow flags of no style");
        auto arrow =
            std::make_unique<RDB_ARROW_ELEMENT>(attributes.get("label"), *begin_id, *begin_time, *end_id, *end_time);
        RDB_ARROW_PROPERTIES& properties = arrow->get_properties();
        static_cast<RDB_LINE_PROPERTIES&>(properties) = *line;
        properties.set_style(style);
        properties.use_begin_arrowhead(is_true(attributes, "begin_arrowhead"));
        properties.use_end_arrowhead(is_true(attributes, "end_arrowhead"));
        m_display->add_arrow(arrow.release());
    }

    void add_label(const XML_ATTRIBUTES& attributes)
    {
        const std::optional<int> waveform_id = number<int>(attributes.get("waveform_id"), "waveform_id");
        const std::optional<int> time = number<int>(attributes.get("time"), "time");
        const std::optional<RDB_LINE_PROPERTIES> line = line_properties(attributes);
        if (!waveform_id || !time || !line) return;
        auto label = std::make_unique<RDB_LABEL_ELEMENT>(attributes.get("label"), *waveform_id, *time);
        label->get_properties() = *line;
        m_display->add_label(label.release());
    }

    RDB_WAVEFORM_DISPLAY_OBJECT* m_display = nullptr;
    RDB_WAVEFORM_ELEMENT* m_wave = nullptr;
    int m_begin = 0;
    int m_end = 0;
};

// A timing path: its attributes and location strings, and its sub-objects, each read by the handler
// of its kind and handed to the path in the role its "sub_object" element names. A sub-object of an
// unknown role is passed over; one of the wrong kind for its role fails the read.
class RDB_XML_PATH_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            std::optional<int> slack = 0;
            if (const std::string* text = attributes.find("slack")) slack = number<int>(*text, "slack");
            if (!slack) return;
            m_path = m_state.create<RDB_PATH_OBJECT>(attributes.get("name"));
            m_path->set_slack(*slack);
            if (const std::string* highlight = attributes.find("highlight_violations"))
                m_path->set_highlight_violations(is_true(*highlight));
            apply_common_attributes(*m_path, attributes);
            attach(*m_path, attributes);
        } else if (depth() == 2) {
            m_in_sub_object = name == "sub_object";
            m_role = attributes.get("role");
            m_sub_object_attributes = attributes;
        } else if (depth() == 3 && m_in_sub_object && m_path != nullptr) {
            start_sub_object(name, attributes);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || m_path == nullptr) return;
        if (name == "loc_path")
            m_path->set_gen_loc_path_str(m_text);
        else if (name == "arrival_loc_path")
            m_path->set_gen_arrival_loc_path_str(m_text);
        else if (name == "required_loc_path")
            m_path->set_gen_required_loc_path_str(m_text);
        else
            end_common_child(*m_path, name);
    }

private:
    void start_sub_object(const std::string& name, const XML_ATTRIBUTES& attributes)
    {
        std::unique_ptr<RDB_XML_CONTENT_HANDLER> handler;
        if (name == "table" || name == "tan_slack_table" || name == "link_table")
            handler = std::make_unique<RDB_XML_TABLE_HANDLER>(m_state);
        else if (name == "summary")
            handler = new_summary_handler(m_state);
        else if (name == "text" || name == "legal")
            handler = new_text_handler(m_state);
        else if (name == "waveform_display")
            handler = std::make_unique<RDB_XML_WAVEFORM_DISPLAY_HANDLER>(m_state);
        else
            handler = new_skip_handler(m_state);
        hand_over(std::move(handler), name, attributes, [this, role = m_role](RDB_OBJECT& object) {
            RDB_OBJECT*& previous = m_placed[role];
            if (previous != nullptr) forget_nested(previous);
            previous = &object;
            number_nested(object, m_sub_object_attributes);
            place(role, object);
        });
    }

    void place(const std::string& role, RDB_OBJECT& object)
    {
        using TABLE_SETTER = void (RDB_PATH_OBJECT::*)(RDB_TABLE_OBJECT*);
        static const std::pair<const char*, TABLE_SETTER> table_roles[] = {
            {"summary", &RDB_PATH_OBJECT::set_summary_table},
            {"data_arrival", &RDB_PATH_OBJECT::set_data_arrival_table},
            {"data_required", &RDB_PATH_OBJECT::set_data_required_table},
            {"path_stats", &RDB_PATH_OBJECT::set_path_stats_table},
            {"extra_info", &RDB_PATH_OBJECT::set_extra_info_table},
            {"critical_chain", &RDB_PATH_OBJECT::set_critical_chain_table},
            {"recommendations", &RDB_PATH_OBJECT::set_recommendations_table},
            {"internal_negative_cycle", &RDB_PATH_OBJECT::set_internal_negative_cycle_table},
            {"optimizations_analyzed", &RDB_PATH_OBJECT::set_optimizations_analyzed_table}};
        const std::string wrong_kind = "sub-object \"" + object.get_name() + "\" of the wrong kind for role " + role;
        for (const auto& [table_role, setter] : table_roles) {
            if (role != table_role) continue;
            RDB_TABLE_OBJECT* table = object.dynamic_cast_to_RDB_TABLE_OBJECT();
            if (table == nullptr) return fail(wrong_kind);
            m_state.release(table);
            return (m_path->*setter)(table);
        }
        if (role == "waveform") {
            RDB_WAVEFORM_DISPLAY_OBJECT* display = object.dynamic_cast_to_RDB_WAVEFORM_DISPLAY_OBJECT();
            if (display == nullptr) return fail(wrong_kind);
            m_state.release(display);
            m_path->set_waveform(display);
        } else if (role == "idb_text") {
            RDB_TEXT_OBJECT* text = object.dynamic_cast_to_RDB_TEXT_OBJECT();
            if (text == nullptr) return fail(wrong_kind);
            m_state.release(text);
            m_path->set_idb_text(text);
        } else {
            msg_local_vdebug("RDB", 2, "XML path sub-object role %s is not supported; skipped", role.c_str());
        }
    }

    RDB_PATH_OBJECT* m_path = nullptr;
    bool m_in_sub_object = false;
    std::string m_role;
    XML_ATTRIBUTES m_sub_object_attributes;
    // The last object handed over for each role.
    std::unordered_map<std::string, RDB_OBJECT*> m_placed;
};

} // namespace

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_waveform_display_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_WAVEFORM_DISPLAY_HANDLER>(state);
}

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_path_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_PATH_HANDLER>(state);
}

} // namespace RDB::XML
