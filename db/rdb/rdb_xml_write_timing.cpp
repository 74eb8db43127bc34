// The XML writer's timing paths and waveform displays. The document format has no elements for
// these kinds; these are our own, which a reader that does not know them passes over. A path holds
// its sub-objects nested, each in a "sub_object" element naming its role.

#include <string>
#include <utility>
#include <vector>

#include "rdb_path.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"
#include "rdb_xml_write.h"

namespace RDB::XML {

namespace {

// A path's sub-objects with the role names the file gives them.
std::vector<std::pair<const char*, const RDB_OBJECT*>> path_sub_objects(const RDB_PATH_OBJECT& path)
{
    return {{"summary", path.get_summary_table()},
            {"data_arrival", path.get_data_arrival_table()},
            {"data_required", path.get_data_required_table()},
            {"path_stats", path.get_path_stats_table()},
            {"extra_info", path.get_extra_info_table()},
            {"waveform", path.get_waveform()},
            {"idb_text", path.get_idb_text()},
            {"critical_chain", path.get_critical_chain_table()},
            {"recommendations", path.get_recommendations_table()},
            {"internal_negative_cycle", path.get_internal_negative_cycle_table()},
            {"optimizations_analyzed", path.get_optimizations_analyzed_table()}};
}

} // namespace

void RDB_XML_DOCUMENT_WRITER::write_path(const RDB_PATH_OBJECT& path)
{
    ATTRIBUTES attributes = common_attributes(path, m_context.parent_of(&path), false);
    attributes.emplace_back("slack", std::to_string(path.get_slack()));
    attributes.emplace_back("highlight_violations", bool_text(path.get_highlight_violations()));
    open("path", LAYOUT::BLOCK, attributes);
    write_common_children(path);
    const std::pair<const char*, const std::string&> locations[] = {
        {"loc_path", path.get_gen_loc_path_str()},
        {"arrival_loc_path", path.get_gen_arrival_loc_path_str()},
        {"required_loc_path", path.get_gen_required_loc_path_str()}};
    for (const auto& [name, text] : locations)
        if (!text.empty()) text_element(name, text);
    for (const auto& [role, object] : path_sub_objects(path)) {
        if (object == nullptr || !has_file_form(*object)) continue;
        ATTRIBUTES sub_attributes = {{"role", role}};
        append(sub_attributes, nested_trait_attributes(*object));
        open("sub_object", LAYOUT::BLOCK, sub_attributes);
        write_object(*object);
        close("sub_object", LAYOUT::BLOCK);
    }
    close("path", LAYOUT::BLOCK);
}

ATTRIBUTES RDB_XML_DOCUMENT_WRITER::line_attributes(const RDB_LINE_PROPERTIES& line)
{
    return {{"line_type", std::to_string(line.get_line_type())},
            {"thickness", std::to_string(line.get_thickness())},
            {"color", std::to_string(line.get_color())}};
}

void RDB_XML_DOCUMENT_WRITER::write_waveform_display(const RDB_WAVEFORM_DISPLAY_OBJECT& display)
{
    open("waveform_display", LAYOUT::BLOCK, common_attributes(display, m_context.parent_of(&display), false));
    write_common_children(display);
    for (auto it = display.begin_waveforms(); it != display.end_waveforms(); ++it) {
        const RDB_WAVEFORM_ELEMENT& waveform = **it;
        ATTRIBUTES attributes = {{"id", std::to_string(waveform.get_id())},
                                 {"position", std::to_string(waveform.get_position())},
                                 {"label", waveform.get_label()},
                                 {"period", std::to_string(waveform.get_period())},
                                 {"begin", std::to_string(waveform.get_begin_time())},
                                 {"end", std::to_string(waveform.get_end_time())}};
        append(attributes, line_attributes(waveform.get_properties()));
        const bool has_events = waveform.begin_events() != waveform.end_events();
        open("wave", has_events ? LAYOUT::BLOCK : LAYOUT::EMPTY, attributes);
        for (auto event = waveform.begin_events(); event != waveform.end_events(); ++event)
            element("event", LAYOUT::EMPTY,
                    {{"time", std::to_string(event->get_time())}, {"type", std::to_string(event->get_type())}});
        close("wave", has_events ? LAYOUT::BLOCK : LAYOUT::EMPTY);
    }
    for (auto it = display.begin_arrows(); it != display.end_arrows(); ++it) {
        const RDB_ARROW_ELEMENT& arrow = **it;
        const RDB_ARROW_PROPERTIES& properties = arrow.get_properties();
        ATTRIBUTES attributes = {{"label", arrow.get_label()},
                                 {"begin_id", std::to_string(arrow.get_begin_id())},
                                 {"begin_time", std::to_string(arrow.get_begin_time())},
                                 {"end_id", std::to_string(arrow.get_end_id())},
                                 {"end_time", std::to_string(arrow.get_end_time())}};
        append(attributes, line_attributes(properties));
        attributes.emplace_back("begin_arrowhead", bool_text(properties.has_begin_arrowhead()));
        attributes.emplace_back("end_arrowhead", bool_text(properties.has_end_arrowhead()));
        attributes.emplace_back("direct", bool_text(properties.is_direct()));
        attributes.emplace_back("shaded", bool_text(properties.is_shaded()));
        attributes.emplace_back("reference_bars", bool_text(properties.show_reference_bars()));
        element("arrow", LAYOUT::EMPTY, attributes);
    }
    for (auto it = display.begin_labels(); it != display.end_labels(); ++it) {
        const RDB_LABEL_ELEMENT& label = **it;
        ATTRIBUTES attributes = {{"label", label.get_label()},
                                 {"waveform_id", std::to_string(label.get_waveform_id())},
                                 {"time", std::to_string(label.get_time())}};
        append(attributes, line_attributes(label.get_properties()));
        element("event_label", LAYOUT::EMPTY, attributes);
    }
    close("waveform_display", LAYOUT::BLOCK);
}

} // namespace RDB::XML
