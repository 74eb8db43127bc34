// The element writers of XML report files: the report and panel documents, one writer per object
// kind, and the trait archive at the end of a report document.
//
// This file walks the report (the folders section, then every object as a panel), writes the
// elements and the attributes every object shares, and the trait archive; the elements of each
// family of objects are written by the members in rdb_xml_write_<family>.cpp, declared in
// rdb_xml_write.h.

#include <ostream>
#include <sstream>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_xml.h"
#include "rdb_xml_write.h"
#include "trait/dtrait_tracker.h"

namespace RDB::XML {

namespace {

// The folder whose children a folder shows: itself, or for a link folder the linked report's
// current (else main) folder, or null when the link reaches none.
const RDB_FOLDER_OBJECT* shown_folder(const RDB_FOLDER_OBJECT& folder)
{
    const RDB_LINK_RPT_OBJECT* link = folder.dynamic_cast_to_RDB_LINK_RPT_OBJECT();
    if (link == nullptr) return &folder;
    const RDB_REPORT* report = link->get_link_rpt();
    if (report == nullptr) return nullptr;
    return report->get_current_folder() != nullptr ? report->get_current_folder() : report->get_main_folder();
}

// Whether a nested object (a summary's gauges, a path's sub-object) holds a trait value that its
// element does not carry: any but a table's alternating hierarchical row colours, which every table
// has and its attribute carries.
bool has_own_traits(const RDB_OBJECT& object)
{
    if (!object.has_dtrait_values()) return false;
    const DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    for (DTRAIT::DEFINITION_HANDLE definition : table.all_definitions_impl(typeid(RDB_OBJECT)))
        if (table.get_value_impl(definition, object.get_dtrait_key()) != nullptr &&
            definition->name().get_basename_str() != RDB_TABLE_OBJECT::ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT)
            return true;
    return false;
}

// Our own attributes of an object's fields that the standard ones leave out, each present only when
// it differs from a new object's.
ATTRIBUTES own_object_attributes(const RDB_OBJECT& object)
{
    ATTRIBUTES attributes;
    if (object.get_color() != RDB_COLOR_DEFAULT) attributes.emplace_back("color", std::to_string(object.get_color()));
    if (!object.get_timing_corner().empty())
        attributes.emplace_back("timing_corner", own_text(object.get_timing_corner()));
    if (!object.get_to_output_ascii_header()) attributes.emplace_back("ascii_header", "false");
    if (!object.get_to_output_ascii_footer()) attributes.emplace_back("ascii_footer", "false");
    if (!object.get_footer_suffix().empty())
        attributes.emplace_back("footer_suffix", own_text(object.get_footer_suffix()));
    return attributes;
}

// Our own attributes of a folder's class and stage flag, each present only when it applies (a link
// folder's key always, so that an empty key still names the class).
ATTRIBUTES folder_kind_attributes(const RDB_FOLDER_OBJECT& folder)
{
    ATTRIBUTES attributes;
    if (folder.dynamic_cast_to_RDB_PATH_FOLDER_OBJECT() != nullptr) attributes.emplace_back("path_folder", "true");
    if (folder.dynamic_cast_to_RDB_MULTI_CORNER_FOLDER_OBJECT() != nullptr)
        attributes.emplace_back("multi_corner", "true");
    if (const RDB_LINK_RPT_OBJECT* link = folder.dynamic_cast_to_RDB_LINK_RPT_OBJECT()) {
        attributes.emplace_back("link_rev_name", own_text(link->get_rev_name()));
        attributes.emplace_back("link_rpt_type", own_text(link->get_rpt_type()));
    }
    if (folder.get_is_stage_folder()) attributes.emplace_back("stage_folder", "true");
    if (const RDB_MASTER_DETAIL_OBJECT* master_detail = folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT())
        if (!has_implicit_details(*master_detail)) attributes.emplace_back("explicit_details", "true");
    return attributes;
}

// The root element: the main folder's number and name, then our own attributes for its class and
// for every field that differs from a new folder's (its texts percent-encoded, as it has no
// elements of its own for them).
ATTRIBUTES root_attributes(const RDB_FOLDER_OBJECT& folder, int id)
{
    ATTRIBUTES attributes = {{"name_id", std::to_string(id)}, {"name", folder.get_name()}};
    if (folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT() != nullptr) attributes.emplace_back("master_detail", "true");
    append(attributes, folder_kind_attributes(folder));
    if (!folder.is_enable()) attributes.emplace_back("enabled", "false");
    if (!folder.is_visible()) attributes.emplace_back("visible", "false");
    append(attributes, own_object_attributes(folder));
    const std::pair<const char*, std::string> texts[] = {{"header", folder.get_header()},
                                                         {"footer", folder.get_footer()},
                                                         {"tcl_cmd", folder.get_tcl_command()},
                                                         {"help_id", folder.get_help_id()}};
    for (const auto& [name, text] : texts)
        if (!text.empty()) attributes.emplace_back(name, own_text(text));
    return attributes;
}

} // namespace

bool has_file_form(const RDB_OBJECT& object)
{
    switch (object.get_type()) {
    case RDB_FOLDER_TYPE:
        return object.dynamic_cast_to_RDB_FOLDER_OBJECT() != nullptr;
    case RDB_TEXT_TYPE:
        return object.dynamic_cast_to_RDB_TEXT_OBJECT() != nullptr;
    case RDB_INTERACTIVE_REPORT_DATA_TYPE:
        return object.dynamic_cast_to_RDB_INTERACTIVE_REPORT_DATA_OBJECT() != nullptr;
    case RDB_TABLE_TYPE:
    case RDB_HEATMAP_TYPE:
        return object.dynamic_cast_to_RDB_TABLE_OBJECT() != nullptr;
    case RDB_SUMMARY_TABLE_TYPE:
        return object.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr;
    case RDB_LINK_TABLE_TYPE:
        return object.dynamic_cast_to_RDB_LINK_TABLE_OBJECT() != nullptr;
    case RDB_TCL_TABLE_TYPE:
        return object.dynamic_cast_to_RDB_TCL_TABLE_OBJECT() != nullptr;
    case RDB_EMBEDDED_TYPE:
        return object.dynamic_cast_to_RDB_EMBEDDED_OBJECT() != nullptr;
    case RDB_HISTOGRAM_TYPE:
        return object.dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT() != nullptr;
    case RDB_CHART_TYPE:
        return object.dynamic_cast_to_RDB_CHART_TABLE_OBJECT() != nullptr;
    case RDB_GAUGES_TYPE:
        return object.dynamic_cast_to_RDB_GAUGES_OBJECT() != nullptr;
    case RDB_GRID_TABLE_TYPE:
        return object.dynamic_cast_to_RDB_GRID_TABLE_OBJECT() != nullptr;
    case RDB_PATH_TYPE:
        return object.dynamic_cast_to_RDB_PATH_OBJECT() != nullptr;
    case RDB_WAVEFORM_DISPLAY_TYPE:
        return object.dynamic_cast_to_RDB_WAVEFORM_DISPLAY_OBJECT() != nullptr;
    default:
        return false;
    }
}

void RDB_XML_DOCUMENT_WRITER::write_report(const RDB_FOLDER_OBJECT& main_folder,
                                           const RDB_FOLDER_OBJECT* current_folder)
{
    m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    open("report", LAYOUT::BLOCK);
    open("folders", LAYOUT::BLOCK);
    element("root", LAYOUT::EMPTY, root_attributes(main_folder, number(&main_folder)));
    std::unordered_set<const RDB_FOLDER_OBJECT*> listed;
    list_folders(main_folder, listed);
    close("folders", LAYOUT::BLOCK);
    if (is_below(current_folder, main_folder) && m_context.numberer.find(current_folder) != 0)
        element("current_folder", LAYOUT::EMPTY, {{"name_id", std::to_string(number(current_folder))}});
    open("panels", LAYOUT::BLOCK);
    write_children_as_panels(main_folder);
    write_folder_links(main_folder);
    close("panels", LAYOUT::BLOCK);
    write_dtraits();
    close("report", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_panel(const RDB_OBJECT& object)
{
    m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    write_object(object);
}

void RDB_XML_DOCUMENT_WRITER::open(const char* name, LAYOUT layout, const ATTRIBUTES& attributes)
{
    m_out << std::string(static_cast<std::size_t>(4 * m_depth), ' ') << '<' << name;
    for (const auto& [attribute, value] : attributes)
        m_out << ' ' << attribute << "=\"" << rdb_xml_escape(value) << '"';
    switch (layout) {
    case LAYOUT::EMPTY:
        m_out << "/>\n";
        break;
    case LAYOUT::INLINE:
        m_out << '>';
        break;
    case LAYOUT::BLOCK:
        m_out << ">\n";
        break;
    }
    ++m_depth;
}

void RDB_XML_DOCUMENT_WRITER::close(const char* name, LAYOUT layout)
{
    --m_depth;
    if (layout == LAYOUT::EMPTY) return;
    if (layout == LAYOUT::BLOCK) m_out << std::string(static_cast<std::size_t>(4 * m_depth), ' ');
    m_out << "</" << name << ">\n";
}

void RDB_XML_DOCUMENT_WRITER::element(const char* name, LAYOUT layout, const ATTRIBUTES& attributes)
{
    open(name, layout, attributes);
    close(name, layout);
}

void RDB_XML_DOCUMENT_WRITER::text_element(const char* name, std::string_view text, const ATTRIBUTES& attributes)
{
    open(name, LAYOUT::INLINE, attributes);
    m_out << rdb_xml_escape(text);
    close(name, LAYOUT::INLINE);
}

// Pre-order walk: each child folder's element, then its own child folders. A folder whose
// children were listed already (a second link to the same report, or a link back into this
// report) is listed without them, so the walk ends.
void RDB_XML_DOCUMENT_WRITER::list_folders(const RDB_FOLDER_OBJECT& folder,
                                           std::unordered_set<const RDB_FOLDER_OBJECT*>& listed)
{
    const RDB_FOLDER_OBJECT* shown = shown_folder(folder);
    DTRAIT::SAVE_TRACKER::CHILDREN traced;
    if (shown != nullptr && listed.insert(shown).second) {
        for (const RDB_OBJECT* child : folder) {
            if (has_file_form(*child)) traced.emplace_back(rdb_xml_escape_free_name(*child), child->get_dtrait_key());
            if (child->get_type() != RDB_FOLDER_TYPE) continue;
            const RDB_FOLDER_OBJECT* child_folder = child->dynamic_cast_to_RDB_FOLDER_OBJECT();
            if (child_folder == nullptr) continue;
            const int id = number(child_folder);
            ATTRIBUTES attributes = {
                {"name_id", std::to_string(id)},
                {"name", std::to_string(id) + ":" + child_folder->get_name()},
                {"master_detail", bool_text(child_folder->dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT() != nullptr)}};
            append(attributes, folder_kind_attributes(*child_folder));
            element("folder", LAYOUT::EMPTY, attributes);
            list_folders(*child_folder, listed);
        }
    }
    m_traced.emplace_back(folder.get_dtrait_key(), std::move(traced));
}

// A child's name as the file will hold it, so that the trait records match the names read back.
std::string RDB_XML_DOCUMENT_WRITER::rdb_xml_escape_free_name(const RDB_OBJECT& object)
{
    return xml_to_clean_utf8(object.get_name());
}

void RDB_XML_DOCUMENT_WRITER::write_children_as_panels(const RDB_FOLDER_OBJECT& folder)
{
    const RDB_FOLDER_OBJECT* shown = shown_folder(folder);
    if (shown == nullptr || !m_walked.insert(shown).second) return;
    for (const RDB_OBJECT* child : folder) {
        m_context.record_parent(child, &folder);
        write_object(*child);
    }
}

void RDB_XML_DOCUMENT_WRITER::write_object(const RDB_OBJECT& object)
{
    switch (object.get_type()) {
    case RDB_FOLDER_TYPE:
        if (const RDB_FOLDER_OBJECT* folder = object.dynamic_cast_to_RDB_FOLDER_OBJECT()) write_folder_ref(*folder);
        return;
    case RDB_TEXT_TYPE:
        if (const RDB_TEXT_OBJECT* text = object.dynamic_cast_to_RDB_TEXT_OBJECT())
            write_text(*text, m_context.parent_of(&object));
        return;
    case RDB_INTERACTIVE_REPORT_DATA_TYPE:
        if (const RDB_INTERACTIVE_REPORT_DATA_OBJECT* data =
                object.dynamic_cast_to_RDB_INTERACTIVE_REPORT_DATA_OBJECT())
            write_interactive(*data);
        return;
    case RDB_TABLE_TYPE:
    case RDB_HEATMAP_TYPE:
        if (const RDB_TABLE_OBJECT* table = object.dynamic_cast_to_RDB_TABLE_OBJECT()) write_table(*table);
        return;
    case RDB_SUMMARY_TABLE_TYPE:
        if (const RDB_SUMMARY_TABLE_OBJECT* summary = object.dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT())
            write_summary(*summary);
        return;
    case RDB_LINK_TABLE_TYPE:
        if (const RDB_LINK_TABLE_OBJECT* link = object.dynamic_cast_to_RDB_LINK_TABLE_OBJECT()) write_link_table(*link);
        return;
    case RDB_TCL_TABLE_TYPE:
        if (const RDB_TCL_TABLE_OBJECT* tcl_table = object.dynamic_cast_to_RDB_TCL_TABLE_OBJECT())
            write_tcl_table(*tcl_table);
        return;
    case RDB_EMBEDDED_TYPE:
        if (const RDB_MEMORY_OBJECT* memory = object.dynamic_cast_to_RDB_MEMORY_OBJECT())
            write_memory(*memory);
        else if (const RDB_EMBEDDED_OBJECT* embedded = object.dynamic_cast_to_RDB_EMBEDDED_OBJECT())
            write_embedded(*embedded);
        return;
    case RDB_HISTOGRAM_TYPE:
        if (const RDB_HISTOGRAM_TABLE_OBJECT* histogram = object.dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT())
            write_histogram(*histogram);
        return;
    case RDB_CHART_TYPE:
        if (const RDB_CHART_TABLE_OBJECT* chart = object.dynamic_cast_to_RDB_CHART_TABLE_OBJECT()) write_chart(*chart);
        return;
    case RDB_GAUGES_TYPE:
        if (const RDB_GAUGES_OBJECT* gauges = object.dynamic_cast_to_RDB_GAUGES_OBJECT()) write_gauges(*gauges);
        return;
    case RDB_GRID_TABLE_TYPE:
        if (const RDB_GRID_TABLE_OBJECT* grid = object.dynamic_cast_to_RDB_GRID_TABLE_OBJECT()) write_grid_table(*grid);
        return;
    case RDB_PATH_TYPE:
        if (const RDB_PATH_OBJECT* path = object.dynamic_cast_to_RDB_PATH_OBJECT()) write_path(*path);
        return;
    case RDB_WAVEFORM_DISPLAY_TYPE:
        if (const RDB_WAVEFORM_DISPLAY_OBJECT* display = object.dynamic_cast_to_RDB_WAVEFORM_DISPLAY_OBJECT())
            write_waveform_display(*display);
        return;
    default:
        // The kinds without a file form are left out.
        return;
    }
}

// name (or name_id for folder references), parent_id, enabled, visible.
ATTRIBUTES RDB_XML_DOCUMENT_WRITER::common_attributes(const RDB_OBJECT& object, const RDB_OBJECT* parent,
                                                      bool folder_reference)
{
    ATTRIBUTES attributes;
    if (folder_reference)
        attributes.emplace_back("name_id", std::to_string(number(&object)));
    else
        attributes.emplace_back("name", object.get_name());
    attributes.emplace_back("parent_id", std::to_string(number(parent)));
    attributes.emplace_back("enabled", bool_text(object.is_enable()));
    if (!object.is_visible()) attributes.emplace_back("visible", "false");
    append(attributes, own_object_attributes(object));
    return attributes;
}

void RDB_XML_DOCUMENT_WRITER::write_common_children(const RDB_OBJECT& object)
{
    const std::pair<const char*, std::string> children[] = {{"header", object.get_header()},
                                                            {"footer", object.get_footer()},
                                                            {"tcl_cmd", object.get_tcl_command()},
                                                            {"help_id", object.get_help_id()}};
    for (const auto& [name, text] : children)
        if (!text.empty()) text_element(name, text);
}

void RDB_XML_DOCUMENT_WRITER::write_folder_ref(const RDB_FOLDER_OBJECT& folder)
{
    open("folder_ref", LAYOUT::BLOCK, common_attributes(folder, m_context.parent_of(&folder), true));
    write_common_children(folder);
    close("folder_ref", LAYOUT::BLOCK);
    write_children_as_panels(folder);
    write_folder_links(folder);
}

// Our own attribute numbering a nested object whose traits travel in the trait archive.
ATTRIBUTES RDB_XML_DOCUMENT_WRITER::nested_trait_attributes(const RDB_OBJECT& object)
{
    if (!has_own_traits(object)) return {};
    m_traced.emplace_back(object.get_dtrait_key(), DTRAIT::SAVE_TRACKER::CHILDREN());
    return {{"trait_id", std::to_string(number(&object))}};
}

bool RDB_XML_DOCUMENT_WRITER::is_below(const RDB_FOLDER_OBJECT* folder, const RDB_FOLDER_OBJECT& main_folder)
{
    if (folder == &main_folder) return false;
    for (const RDB_FOLDER_OBJECT* ancestor = folder; ancestor != nullptr; ancestor = ancestor->get_parent())
        if (ancestor == &main_folder) return true;
    return false;
}

void RDB_XML_DOCUMENT_WRITER::write_dtraits()
{
    std::unordered_map<DTRAIT::KEY, int> numbering;
    for (const auto& [object, id] : m_context.numberer.get_numbers())
        if (object != nullptr) numbering.emplace(object->get_dtrait_key(), id);
    DTRAIT::SAVE_TRACKER tracker(typeid(RDB_OBJECT), std::move(numbering));
    for (const auto& [key, children] : m_traced)
        tracker.add_record(key, children);
    std::ostringstream archive;
    tracker.finalise(archive);
    text_element("dtraits", archive.str());
}

} // namespace RDB::XML

bool rdb_xml_write(std::ostream& out, const RDB_REPORT* report)
{
    if (report == nullptr) return false;
    RDB::XML::RDB_XML_DOCUMENT_WRITER(out).write_report(*report->get_main_folder(), report->get_current_folder());
    return static_cast<bool>(out);
}

bool rdb_xml_write(std::ostream& out, const RDB_OBJECT* object)
{
    if (object == nullptr) return false;
    // A folder's panel is the report document rooted at it: the only flat form that is one
    // well-formed document and keeps the names of the folders below it.
    if (const RDB_FOLDER_OBJECT* folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT())
        RDB::XML::RDB_XML_DOCUMENT_WRITER(out).write_report(*folder);
    else
        RDB::XML::RDB_XML_DOCUMENT_WRITER(out).write_panel(*object);
    return static_cast<bool>(out);
}
