// The element writers of XML report files: the report and panel documents, one writer per object
// kind, and the trait archive at the end of a report document.

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_histogram.h"
#include "rdb_grid_table.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_rgb.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_tiny_numberer.h"
#include "rdb_waveform_display.h"
#include "rdb_xml.h"
#include "trait/dtrait_tracker.h"
#include "xml/xml_parse.h"

namespace {

constexpr const char* INTERACTIVE_NOTICE =
    "This report does not have BAK support. Please recompile the design to view the report";

enum class LAYOUT { EMPTY, INLINE, BLOCK };
using ATTRIBUTES = std::vector<std::pair<const char*, std::string>>;

const char* bool_text(bool value) { return value ? "true" : "false"; }

void append(ATTRIBUTES& attributes, ATTRIBUTES more)
{
    for (auto& attribute : more)
        attributes.push_back(std::move(attribute));
}

// A text this library adds to the format: '%' and the bytes the escaping would drop percent-encoded,
// so that it reads back byte for byte.
std::string own_text(std::string_view text) { return xml_percent_encode(text); }

// The numbering of one document and the parent recorded for each object written as a panel.
struct RDB_XML_WRITER_CONTEXT {
    RDB_TINY_NUMBERER numberer;
    std::unordered_map<const RDB_OBJECT*, const RDB_OBJECT*> parents;

    // The first record wins.
    void record_parent(const RDB_OBJECT* object, const RDB_OBJECT* parent) { parents.emplace(object, parent); }
    const RDB_OBJECT* parent_of(const RDB_OBJECT* object) const
    {
        auto found = parents.find(object);
        return found != parents.end() ? found->second : nullptr;
    }
};

// A bool trait that may never have been defined in this process answers its default.
bool bool_trait_or_default(const RDB_OBJECT& object, const char* name, bool default_value)
{
    const DCL_TRAIT_NAME full_name(RDB_OBJECT::TRAIT_CATEGORY, RDB_OBJECT::TRAIT_GROUP, name);
    if (!DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_definition_impl(typeid(RDB_OBJECT), full_name))
        return default_value;
    return object.get_bool_trait(name, default_value);
}

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

// Whether the object is written into files (the kinds without a file form are left out).
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

// The children of a folder that are written, in order.
std::vector<const RDB_OBJECT*> written_children(const RDB_FOLDER_OBJECT& folder)
{
    std::vector<const RDB_OBJECT*> children;
    for (const RDB_OBJECT* child : folder)
        if (has_file_form(*child)) children.push_back(child);
    return children;
}

// Whether a master-detail folder's master and details are what a reader makes of its children: the
// first child the master table, every later child a detail, in order.
bool has_implicit_details(const RDB_MASTER_DETAIL_OBJECT& folder)
{
    const std::vector<const RDB_OBJECT*> children = written_children(folder);
    if (children.empty()) return folder.get_master_table() == nullptr && folder.get_detail_count() == 0;
    if (folder.get_master_table() != children.front() || folder.get_detail_count() != children.size() - 1) return false;
    for (std::size_t i = 1; i < children.size(); ++i)
        if (folder.get_detail_object(static_cast<unsigned>(i - 1)) != children[i]) return false;
    return true;
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

class RDB_XML_DOCUMENT_WRITER {
public:
    explicit RDB_XML_DOCUMENT_WRITER(std::ostream& out) : m_out(out) {}

    // current_folder: the report's current folder, written (in an element of our own) when it is a
    // folder below the main folder; a report read back has its main folder as current otherwise.
    void write_report(const RDB_FOLDER_OBJECT& main_folder, const RDB_FOLDER_OBJECT* current_folder = nullptr)
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

    void write_panel(const RDB_OBJECT& object)
    {
        m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        write_object(object);
    }

private:
    // ---- Element writer ----

    void open(const char* name, LAYOUT layout, const ATTRIBUTES& attributes = {})
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

    void close(const char* name, LAYOUT layout)
    {
        --m_depth;
        if (layout == LAYOUT::EMPTY) return;
        if (layout == LAYOUT::BLOCK) m_out << std::string(static_cast<std::size_t>(4 * m_depth), ' ');
        m_out << "</" << name << ">\n";
    }

    void element(const char* name, LAYOUT layout, const ATTRIBUTES& attributes)
    {
        open(name, layout, attributes);
        close(name, layout);
    }

    void text_element(const char* name, std::string_view text, const ATTRIBUTES& attributes = {})
    {
        open(name, LAYOUT::INLINE, attributes);
        m_out << rdb_xml_escape(text);
        close(name, LAYOUT::INLINE);
    }

    int number(const RDB_OBJECT* object) { return m_context.numberer.number(object); }

    // ---- Folders section ----

    // Pre-order walk: each child folder's element, then its own child folders. A folder whose
    // children were listed already (a second link to the same report, or a link back into this
    // report) is listed without them, so the walk ends.
    void list_folders(const RDB_FOLDER_OBJECT& folder, std::unordered_set<const RDB_FOLDER_OBJECT*>& listed)
    {
        const RDB_FOLDER_OBJECT* shown = shown_folder(folder);
        DTRAIT::SAVE_TRACKER::CHILDREN traced;
        if (shown != nullptr && listed.insert(shown).second) {
            for (const RDB_OBJECT* child : folder) {
                if (has_file_form(*child))
                    traced.emplace_back(rdb_xml_escape_free_name(*child), child->get_dtrait_key());
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
    static std::string rdb_xml_escape_free_name(const RDB_OBJECT& object)
    {
        return xml_to_clean_utf8(object.get_name());
    }

    // ---- Panels section ----

    void write_children_as_panels(const RDB_FOLDER_OBJECT& folder)
    {
        const RDB_FOLDER_OBJECT* shown = shown_folder(folder);
        if (shown == nullptr || !m_walked.insert(shown).second) return;
        for (const RDB_OBJECT* child : folder) {
            m_context.record_parent(child, &folder);
            write_object(*child);
        }
    }

    void write_object(const RDB_OBJECT& object)
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
            if (const RDB_LINK_TABLE_OBJECT* link = object.dynamic_cast_to_RDB_LINK_TABLE_OBJECT())
                write_link_table(*link);
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
            if (const RDB_GRID_TABLE_OBJECT* grid = object.dynamic_cast_to_RDB_GRID_TABLE_OBJECT())
                write_grid_table(*grid);
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
    ATTRIBUTES common_attributes(const RDB_OBJECT& object, const RDB_OBJECT* parent, bool folder_reference)
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

    void write_common_children(const RDB_OBJECT& object)
    {
        const std::pair<const char*, std::string> children[] = {{"header", object.get_header()},
                                                                {"footer", object.get_footer()},
                                                                {"tcl_cmd", object.get_tcl_command()},
                                                                {"help_id", object.get_help_id()}};
        for (const auto& [name, text] : children)
            if (!text.empty()) text_element(name, text);
    }

    void write_folder_ref(const RDB_FOLDER_OBJECT& folder)
    {
        open("folder_ref", LAYOUT::BLOCK, common_attributes(folder, m_context.parent_of(&folder), true));
        write_common_children(folder);
        close("folder_ref", LAYOUT::BLOCK);
        write_children_as_panels(folder);
        write_folder_links(folder);
    }

    // After a folder's children: a path folder's pointers at them, and a master-detail folder's when
    // its children alone do not give them.
    void write_folder_links(const RDB_FOLDER_OBJECT& folder)
    {
        if (const RDB_PATH_FOLDER_OBJECT* paths = folder.dynamic_cast_to_RDB_PATH_FOLDER_OBJECT())
            write_path_folder_links(*paths);
        if (const RDB_MASTER_DETAIL_OBJECT* master_detail = folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT())
            if (!has_implicit_details(*master_detail)) write_master_detail_links(*master_detail);
    }

    // Our own element, as path_folder_links: the master table and the details as indices among the
    // children written (a pointer at a child without a file form is left out).
    void write_master_detail_links(const RDB_MASTER_DETAIL_OBJECT& folder)
    {
        const std::vector<const RDB_OBJECT*> children = written_children(folder);
        auto index_of = [&children](const RDB_OBJECT* object) {
            return static_cast<int>(std::find(children.begin(), children.end(), object) - children.begin());
        };
        const int count = static_cast<int>(children.size());
        ATTRIBUTES attributes = {{"name_id", std::to_string(number(&folder))}};
        if (const int master = index_of(folder.get_master_table()); master < count)
            attributes.emplace_back("master", std::to_string(master));
        open("master_detail_links", LAYOUT::BLOCK, attributes);
        std::string ids;
        for (unsigned i = 0; i < folder.get_detail_count(); ++i)
            if (const int detail = index_of(folder.get_detail_object(i)); detail < count)
                ids += (ids.empty() ? "" : " ") + std::to_string(detail);
        text_element("detail_ids", ids);
        close("master_detail_links", LAYOUT::BLOCK);
    }

    // Our own attribute numbering a nested object whose traits travel in the trait archive.
    ATTRIBUTES nested_trait_attributes(const RDB_OBJECT& object)
    {
        if (!has_own_traits(object)) return {};
        m_traced.emplace_back(object.get_dtrait_key(), DTRAIT::SAVE_TRACKER::CHILDREN());
        return {{"trait_id", std::to_string(number(&object))}};
    }

    static bool is_below(const RDB_FOLDER_OBJECT* folder, const RDB_FOLDER_OBJECT& main_folder)
    {
        if (folder == &main_folder) return false;
        for (const RDB_FOLDER_OBJECT* ancestor = folder; ancestor != nullptr; ancestor = ancestor->get_parent())
            if (ancestor == &main_folder) return true;
        return false;
    }

    // Our own attributes: the flags the standard children leave out, and a text never set.
    void write_text(const RDB_TEXT_OBJECT& text, const RDB_OBJECT* parent)
    {
        ATTRIBUTES attributes = common_attributes(text, parent, false);
        if (text.is_webkit_html()) attributes.emplace_back("webkit_html", "true");
        if (text.is_json()) attributes.emplace_back("json", "true");
        if (text.get_text() == nullptr) attributes.emplace_back("no_text", "true");
        write_text_element(text.dynamic_cast_to_RDB_LEGAL_OBJECT() ? "legal" : "text", text, attributes,
                           text.get_text() ? std::string_view(*text.get_text()) : std::string_view(), text.is_html(),
                           text.is_qml());
    }

    // A text holding a notice, which is what readers that do not know the kind show; our own
    // attributes carry the contents.
    void write_interactive(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& data)
    {
        ATTRIBUTES attributes = common_attributes(data, m_context.parent_of(&data), false);
        attributes.emplace_back("interactive", "true");
        const std::pair<const char*, std::string> texts[] = {
            {"interactive_data", data.get_data()},
            {"data_type", data.get_data_type()},
            {"report_implementation", data.get_report_implementation()}};
        for (const auto& [name, text] : texts)
            if (!text.empty()) attributes.emplace_back(name, own_text(text));
        write_text_element("text", data, attributes, INTERACTIVE_NOTICE, false, false);
    }

    void write_text_element(const char* name, const RDB_OBJECT& object, const ATTRIBUTES& attributes,
                            std::string_view text, bool html, bool qml)
    {
        open(name, LAYOUT::BLOCK, attributes);
        write_common_children(object);
        text_element("ascii_text", text);
        text_element("show_html", bool_text(html));
        text_element("is_qml", bool_text(qml));
        close(name, LAYOUT::BLOCK);
    }

    ATTRIBUTES table_attributes(const RDB_TABLE_OBJECT& table)
    {
        ATTRIBUTES attributes = common_attributes(table, m_context.parent_of(&table), false);
        const ATTRIBUTES flags = table_flag_attributes(table);
        attributes.insert(attributes.end(), flags.begin(), flags.end());
        if (!table.get_sort_enabled()) attributes.emplace_back("sort_enabled", "false");
        return attributes;
    }

    // For the kinds whose standard element has no table flags (our own additions): the flags that
    // differ from a new table's, in the order of table_flag_attributes, then the sort flag.
    static ATTRIBUTES changed_table_flags(const RDB_TABLE_OBJECT& table)
    {
        static const char* const NEW_TABLE_FLAGS[] = {"false", "true", "false", "true", "true", "-1"};
        ATTRIBUTES attributes;
        const ATTRIBUTES flags = table_flag_attributes(table);
        for (std::size_t i = 0; i < flags.size(); ++i)
            if (flags[i].second != NEW_TABLE_FLAGS[i]) attributes.push_back(flags[i]);
        if (!table.get_sort_enabled()) attributes.emplace_back("sort_enabled", "false");
        return attributes;
    }

    static ATTRIBUTES table_flag_attributes(const RDB_TABLE_OBJECT& table)
    {
        ATTRIBUTES attributes;
        attributes.emplace_back("no_compact", bool_text(table.get_no_compact_format()));
        attributes.emplace_back("altrn_row_colors", bool_text(table.use_alternating_row_colors()));
        attributes.emplace_back("altrn_hierarchical_row_colors",
                                bool_text(bool_trait_or_default(
                                    table, RDB_TABLE_OBJECT::ALTERNATING_HIERARCHICAL_ROW_COLORS_TRAIT, false)));
        attributes.emplace_back("display_row_numbers", bool_text(table.should_display_row_numbers()));
        attributes.emplace_back("uniform_rows", bool_text(table.uniform_row_heights()));
        attributes.emplace_back("expand_to", std::to_string(table.get_expand_level()));
        return attributes;
    }

    void write_column_lists(const RDB_TABLE_OBJECT& table)
    {
        for (unsigned column : table.get_disable_iname_lookup())
            text_element("disable_iname_column", std::to_string(column));
        for (unsigned column : table.hidden_columns())
            text_element("hidden_column", std::to_string(column));
    }

    void write_table(const RDB_TABLE_OBJECT& table)
    {
        ATTRIBUTES attributes = table_attributes(table);
        // Our own attributes: a heat map and its threshold; a new-style table.
        if (const auto* heatmap = dynamic_cast<const RDB_HEATMAP_TABLE_OBJECT*>(&table))
            attributes.emplace_back("heatmap_threshold", std::to_string(heatmap->get_threshold_percentage()));
        if (table.dynamic_cast_to_RDB_NEW_TABLE_OBJECT() != nullptr) attributes.emplace_back("new_table", "true");
        open("table", LAYOUT::BLOCK, attributes);
        write_common_children(table);
        write_column_lists(table);
        write_rows(table);
        close("table", LAYOUT::BLOCK);
    }

    void write_link_table(const RDB_LINK_TABLE_OBJECT& table)
    {
        open("link_table", LAYOUT::BLOCK, table_attributes(table));
        write_common_children(table);
        write_column_lists(table);
        write_rows(table);
        text_element("link_info", table.get_link_info());
        close("link_table", LAYOUT::BLOCK);
    }

    void write_tcl_table(const RDB_TCL_TABLE_OBJECT& table)
    {
        ATTRIBUTES attributes = table_attributes(table);
        attributes.emplace_back("show_tcl_commands_on_context_menu",
                                bool_text(table.get_show_tcl_commands_on_context_menu()));
        open("tcl_table", LAYOUT::BLOCK, attributes);
        write_common_children(table);
        write_column_lists(table);
        write_rows(table);
        for (unsigned i = 0; i < table.get_number_of_cmds(); ++i) {
            const RDB_TCL_TABLE_CMD* cmd = table.get_cmd_template(i);
            open("command", LAYOUT::BLOCK);
            text_element("gui_cmd_name", cmd->get_gui_cmd_name());
            text_element("tool_tip", cmd->get_tool_tip());
            text_element("help", cmd->get_help());
            text_element("cmd_template", cmd->get_cmd_template());
            text_element("col_index", std::to_string(cmd->get_col_index()));
            text_element("row_index", std::to_string(cmd->get_row_index()));
            close("command", LAYOUT::BLOCK);
        }
        close("tcl_table", LAYOUT::BLOCK);
    }

    // ---- Rows and cells ----

    void write_rows(const RDB_TABLE_OBJECT& table)
    {
        for (const RDB_TABLE_ROW* row : table) {
            open("row", LAYOUT::BLOCK);
            if (row != nullptr)
                for (const RDB_TABLE_ELEMENT* cell : *row)
                    write_cell(cell);
            close("row", LAYOUT::BLOCK);
        }
    }

    static ATTRIBUTES cell_attributes(const RDB_TABLE_ELEMENT& cell)
    {
        ATTRIBUTES attributes;
        auto add_color = [&](const char* name, const char* unknown_name, RDB_COLOR_NAME color) {
            if (color == RDB_COLOR_DEFAULT) return;
            // The unknown colour has no RGB value: our own attribute names it.
            if (color == RDB_COLOR_UNKNOWN) {
                attributes.emplace_back(unknown_name, "true");
                return;
            }
            attributes.emplace_back(name, rdb_get_string_color(rdb_get_rgb_value_by_name(color)));
        };
        add_color("foreground", "unknown_foreground", cell.get_foreground());
        add_color("background", "unknown_background", cell.get_background());
        if (cell.has_tooltip()) attributes.emplace_back("tooltip", cell.get_tooltip());
        return attributes;
    }

    // A missing cell and the kinds without an element of their own keep their column as a text cell
    // holding their text; our own attribute "kind" names what the cell is.
    void write_cell(const RDB_TABLE_ELEMENT* cell)
    {
        if (cell == nullptr) {
            text_element("string_cell", "", {{"kind", "none"}});
            return;
        }
        ATTRIBUTES attributes = cell_attributes(*cell);
        if (const RDB_TABLE_STRING_ELEMENT* text = cell->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT()) {
            if (const RDB_TABLE_LOCATION_SCHEMA_ELEMENT* location =
                    text->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT()) {
                open("location_cell", LAYOUT::BLOCK, attributes);
                text_element("cell_text", location->get_string());
                text_element("location", location->get_location_schema_tcl_string());
                text_element("hpath", location->get_hierarchy_path());
                close("location_cell", LAYOUT::BLOCK);
                return;
            }
            if (const auto* tcl = dynamic_cast<const RDB_TABLE_TCL_CMD_ELEMENT*>(text)) {
                attributes.emplace_back("kind", "tcl_cmd");
                attributes.emplace_back("tcl_cmd", own_text(tcl->get_tcl_cmd()));
            }
            text_element("string_cell", text->get_string(), attributes);
            return;
        }
        if (cell->dynamic_cast_to_RDB_TABLE_INT_ELEMENT() != nullptr) {
            text_element("int_cell", cell->get_string(), attributes);
            return;
        }
        if (const RDB_TABLE_DELAY_ELEMENT* delay = cell->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT()) {
            const char* option = rdb_get_user_string(delay->get_display_option());
            RDB_ASSERT(option != 0);
            open("delay_cell", LAYOUT::BLOCK, attributes);
            text_element("delay", std::to_string(delay->get_delay()));
            text_element("display_option", option);
            close("delay_cell", LAYOUT::BLOCK);
            return;
        }
        if (const RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* window =
                cell->dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT()) {
            attributes.emplace_back("kind", "window");
            if (window->is_disabled()) attributes.emplace_back("disabled", "true");
            attributes.emplace_back("window_min", std::to_string(window->get_window_min()));
            attributes.emplace_back("valid_min", std::to_string(window->get_valid_min()));
            attributes.emplace_back("valid_max", std::to_string(window->get_valid_max()));
            attributes.emplace_back("window_max", std::to_string(window->get_window_max()));
            if (window->is_scale()) attributes.emplace_back("is_scale", "true");
        } else if (typeid(*cell) == typeid(RDB_TABLE_ELEMENT)) {
            attributes.emplace_back("kind", "plain");
        }
        text_element("string_cell", cell->get_string(), attributes);
    }

    // ---- Summary ----

    static std::string cell_text(const RDB_TABLE_ROW* row, std::size_t column)
    {
        if (row == nullptr || column >= row->size() || (*row)[column] == nullptr) return std::string();
        return (*row)[column]->get_string();
    }

    // After the standard children, our own: the table flags that differ from a new summary's, the
    // column lists and, when the elements cannot restore the rows, "full_rows" and every row as a
    // table writes it.
    void write_summary(const RDB_SUMMARY_TABLE_OBJECT& summary)
    {
        ATTRIBUTES attributes = common_attributes(summary, m_context.parent_of(&summary), false);
        append(attributes, changed_table_flags(summary));
        const bool full_rows =
            !rows_are_pairs(summary, typeid(RDB_TABLE_STRING_ELEMENT), typeid(RDB_TABLE_STRING_ELEMENT));
        if (full_rows) attributes.emplace_back("full_rows", "true");
        open("summary", LAYOUT::BLOCK, attributes);
        write_common_children(summary);
        open("elements", LAYOUT::BLOCK);
        for (const RDB_TABLE_ROW* row : summary)
            text_element("element", cell_text(row, 1), {{"name", cell_text(row, 0)}});
        close("elements", LAYOUT::BLOCK);
        if (const RDB_GAUGES_OBJECT* gauges = summary.get_gauges()) {
            // Our own additions keep the gauges whole: their name and every slot, an empty one as
            // "empty_slot" (a reader that does not know them takes the gauges in order).
            ATTRIBUTES gauges_attributes = {{"name", gauges->get_name()}, {"all_slots", "true"}};
            append(gauges_attributes, nested_trait_attributes(*gauges));
            open("gauges", LAYOUT::BLOCK, gauges_attributes);
            write_gauge_slots(*gauges);
            close("gauges", LAYOUT::BLOCK);
        }
        write_column_lists(summary);
        if (full_rows) write_rows(summary);
        close("summary", LAYOUT::BLOCK);
    }

    void write_gauge(const RDB_GAUGES_DATA_ELEMENT& gauge)
    {
        open("gauge", LAYOUT::BLOCK,
             {{"name", gauge.name}, {"percent", bool_text(gauge.m_percent)}, {"enabled", bool_text(!gauge.m_disable)}});
        text_element("min", std::to_string(gauge.m_min_range));
        text_element("max", std::to_string(gauge.m_max_range));
        text_element("value", std::to_string(gauge.m_status));
        close("gauge", LAYOUT::BLOCK);
    }

    // Our own element for a gauges object in a folder: every slot, an empty one as "empty_slot".
    void write_gauges(const RDB_GAUGES_OBJECT& gauges)
    {
        open("gauges", LAYOUT::BLOCK, common_attributes(gauges, m_context.parent_of(&gauges), false));
        write_common_children(gauges);
        write_gauge_slots(gauges);
        close("gauges", LAYOUT::BLOCK);
    }

    void write_gauge_slots(const RDB_GAUGES_OBJECT& gauges)
    {
        for (unsigned i = 0; i < gauges.get_size(); ++i) {
            if (const RDB_GAUGES_DATA_ELEMENT* gauge = gauges.get_data_at(i))
                write_gauge(*gauge);
            else
                element("empty_slot", LAYOUT::EMPTY, {});
        }
    }

    // ---- Histograms and charts ----

    // After the standard children, our own: the column lists, the partition names and, per row from
    // row 0, its partition values separated by blanks.
    void write_histogram(const RDB_HISTOGRAM_TABLE_OBJECT& histogram)
    {
        open("histogram", LAYOUT::BLOCK, table_attributes(histogram));
        write_common_children(histogram);
        write_rows(histogram);
        text_element("x_label", histogram.get_x_axis_label());
        text_element("y_label", histogram.get_y_axis_label());
        text_element("unit", histogram.get_x_unit());
        text_element("scale", std::to_string(histogram.get_x_scale()));
        write_column_lists(histogram);
        for (const std::string& name : histogram.get_partition_names()) text_element("partition_name", name);
        for (const std::vector<int>& values : histogram.get_all_partition_values()) {
            std::string text;
            for (int value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
            text_element("partition_values", text);
        }
        close("histogram", LAYOUT::BLOCK);
    }

    // Whether name and value elements restore every row: rows of a text cell and a cell of
    // value_kind (text for the first row), all without colours or tooltips.
    static bool rows_are_pairs(const RDB_TABLE_OBJECT& table, const std::type_info& header_kind,
                               const std::type_info& value_kind)
    {
        auto plain = [](const RDB_TABLE_ELEMENT* cell, const std::type_info& kind) {
            return cell != nullptr && typeid(*cell) == kind && cell->get_foreground() == RDB_COLOR_DEFAULT &&
                   cell->get_background() == RDB_COLOR_DEFAULT && !cell->has_tooltip();
        };
        for (unsigned r = 0; r < table.get_number_of_rows(); ++r) {
            const RDB_TABLE_ROW* row = table.get_row(static_cast<int>(r));
            if (row == nullptr || row->size() != 2 || !plain((*row)[0], typeid(RDB_TABLE_STRING_ELEMENT)) ||
                !plain((*row)[1], r == 0 ? header_kind : value_kind))
                return false;
        }
        return true;
    }

    // Our own additions: the table flags that differ from a new chart's and the column lists; and,
    // when the data elements cannot restore the rows, "full_rows" and every row as a table writes it.
    void write_chart(const RDB_CHART_TABLE_OBJECT& chart)
    {
        const unsigned rows = chart.get_number_of_rows();
        ATTRIBUTES attributes = common_attributes(chart, m_context.parent_of(&chart), false);
        attributes.emplace_back("size", std::to_string(rows));
        append(attributes, changed_table_flags(chart));
        const bool full_rows = !rows_are_pairs(chart, typeid(RDB_TABLE_STRING_ELEMENT), typeid(RDB_TABLE_INT_ELEMENT));
        if (full_rows) attributes.emplace_back("full_rows", "true");
        open("chart", LAYOUT::BLOCK, attributes);
        write_common_children(chart);
        const char* type = rdb_get_user_string(chart.get_default_chart_type());
        text_element("type", type != nullptr ? type : "");
        text_element("x_label", chart.get_x_axis());
        text_element("y_label", chart.get_y_axis());
        text_element("show_labels", bool_text(chart.display_labels()));
        for (unsigned r = 1; r < rows; ++r) {
            const RDB_TABLE_ROW* row = chart.get_row(static_cast<int>(r));
            text_element("data", cell_text(row, 1), {{"name", cell_text(row, 0)}});
        }
        write_column_lists(chart);
        if (full_rows) write_rows(chart);
        close("chart", LAYOUT::BLOCK);
    }

    // ---- Embedded and memory objects ----

    void write_embedded(const RDB_EMBEDDED_OBJECT& embedded)
    {
        ATTRIBUTES attributes = common_attributes(embedded, m_context.parent_of(&embedded), false);
        // The types without a user text (none, waveform, memory) are written with their debug text,
        // which the reader's translator accepts as well.
        const char* type = rdb_xml_embedded_type_text(embedded.get_embedded_type());
        RDB_ASSERT(type != 0);
        attributes.emplace_back("type", type);
        open("embedded", LAYOUT::BLOCK, attributes);
        write_common_children(embedded);
        text_element("info", embedded.get_info_str());
        for (const std::string& file : embedded.get_message_files())
            text_element("message_file", file);
        close("embedded", LAYOUT::BLOCK);
    }

    void write_memory(const RDB_MEMORY_OBJECT& memory)
    {
        ATTRIBUTES attributes = common_attributes(memory, m_context.parent_of(&memory), false);
        attributes.emplace_back("logical_name", memory.get_logical_name());
        attributes.emplace_back("depth", std::to_string(memory.get_depth()));
        attributes.emplace_back("width", std::to_string(memory.get_width()));
        attributes.emplace_back("address_width", std::to_string(memory.get_address_width()));
        open("memory", LAYOUT::BLOCK, attributes);
        write_common_children(memory);
        text_element("original_filename", memory.get_original_file_name());
        open("address_names", LAYOUT::BLOCK);
        for (unsigned bit = 0; bit < memory.get_address_width(); ++bit)
            text_element("name", memory.get_address_name(bit));
        close("address_names", LAYOUT::BLOCK);
        open("data_names", LAYOUT::BLOCK);
        for (unsigned bit = 0; bit < memory.get_width(); ++bit)
            text_element("name", memory.get_data_name(bit));
        close("data_names", LAYOUT::BLOCK);
        open("content", LAYOUT::BLOCK);
        for (unsigned address = 0; address < memory.get_depth(); ++address) {
            open("address", LAYOUT::BLOCK);
            for (unsigned bit = 0; bit < memory.get_width(); ++bit)
                text_element("data", std::to_string(static_cast<int>(memory.get_value_at(address, bit))));
            close("address", LAYOUT::BLOCK);
        }
        close("content", LAYOUT::BLOCK);
        close("memory", LAYOUT::BLOCK);
    }

    // ---- Grid tables ----
    // An element of this library's own: readers that do not know it skip it. Enumerations and
    // colours are written as their numbers; commands by ascending id, entries by ascending position.

    void write_grid_table(const RDB_GRID_TABLE_OBJECT& grid)
    {
        ATTRIBUTES attributes = common_attributes(grid, m_context.parent_of(&grid), false);
        attributes.emplace_back("row_label", grid.get_row_label());
        attributes.emplace_back("column_label", grid.get_column_label());
        attributes.emplace_back("valid_collections", grid.get_valid_collections());
        attributes.emplace_back("monospace", bool_text(grid.using_monospace_font()));
        open("grid_table", LAYOUT::BLOCK, attributes);
        write_ruleset(grid.get_ruleset());
        write_common_children(grid);
        for (const auto& [name, headers] : {std::pair{"row_headers", &grid.get_row_headers()},
                                            std::pair{"column_headers", &grid.get_column_headers()}}) {
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

    void write_ruleset(const RDB_GRID_TABLE_RULESET& ruleset)
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
                attributes.emplace_back(
                    "default", std::to_string(ruleset.get_total_time_defaults().at(text.index).get_picoseconds()));
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

    void write_rule_groups(const RDB_GRID_TABLE_RULESET::RULE_GROUPS& groups)
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

    static LAYOUT block_unless(bool empty) { return empty ? LAYOUT::EMPTY : LAYOUT::BLOCK; }

    void write_grid_cmd(const char* name, const RDB_GRID_TABLE_CMD& cmd, ATTRIBUTES attributes)
    {
        attributes.emplace_back("name", cmd.get_gui_cmd_name());
        attributes.emplace_back("tool_tip", cmd.get_tool_tip());
        attributes.emplace_back("help", cmd.get_help());
        text_element(name, cmd.get_cmd_template(), attributes);
    }

    void write_grid_entry(const RDB_GRID_TABLE_OBJECT::INDEX& index, const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry)
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

    // ---- Timing paths and waveform displays ----
    // The document format has no elements for these kinds; these are our own, which a reader that
    // does not know them passes over. A path holds its sub-objects nested, each in a "sub_object"
    // element naming its role; a path folder's pointers at its children follow its children in a
    // "path_folder_links" element, as indices among the children written.

    void write_path(const RDB_PATH_OBJECT& path)
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

    static ATTRIBUTES line_attributes(const RDB_LINE_PROPERTIES& line)
    {
        return {{"line_type", std::to_string(line.get_line_type())},
                {"thickness", std::to_string(line.get_thickness())},
                {"color", std::to_string(line.get_color())}};
    }

    void write_waveform_display(const RDB_WAVEFORM_DISPLAY_OBJECT& display)
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

    void write_path_folder_links(const RDB_PATH_FOLDER_OBJECT& folder)
    {
        // Pointers that name no written child (a removed child leaves them dangling) are left out, or
        // as a path id written as -1, so that the later ids keep their numbers.
        std::unordered_map<const RDB_OBJECT*, int> indices;
        for (const RDB_OBJECT* child : folder)
            if (has_file_form(*child)) indices.emplace(child, static_cast<int>(indices.size()));
        auto index_of = [&indices](const RDB_OBJECT* object) {
            const auto found = indices.find(object);
            return found != indices.end() ? found->second : -1;
        };
        ATTRIBUTES attributes = {{"name_id", std::to_string(number(&folder))}};
        if (const int summary = index_of(folder.get_path_summary_table()); summary >= 0)
            attributes.emplace_back("summary_table", std::to_string(summary));
        if (const int option = index_of(folder.get_option_summary_panel()); option >= 0)
            attributes.emplace_back("option_summary_panel", std::to_string(option));
        open("path_folder_links", LAYOUT::BLOCK, attributes);
        std::string ids;
        for (const RDB_PATH_OBJECT* path : folder.get_path_id_table())
            ids += (ids.empty() ? "" : " ") + std::to_string(index_of(path));
        text_element("path_ids", ids);
        close("path_folder_links", LAYOUT::BLOCK);
    }

    // ---- Traits ----

    void write_dtraits()
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

    std::ostream& m_out;
    RDB_XML_WRITER_CONTEXT m_context;
    int m_depth = 0;
    std::unordered_set<const RDB_FOLDER_OBJECT*> m_walked;
    std::vector<std::pair<DTRAIT::KEY, DTRAIT::SAVE_TRACKER::CHILDREN>> m_traced;
};

} // namespace

bool rdb_xml_write(std::ostream& out, const RDB_REPORT* report)
{
    if (report == nullptr) return false;
    RDB_XML_DOCUMENT_WRITER(out).write_report(*report->get_main_folder(), report->get_current_folder());
    return static_cast<bool>(out);
}

bool rdb_xml_write(std::ostream& out, const RDB_OBJECT* object)
{
    if (object == nullptr) return false;
    // A folder's panel is the report document rooted at it: the only flat form that is one
    // well-formed document and keeps the names of the folders below it.
    if (const RDB_FOLDER_OBJECT* folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT())
        RDB_XML_DOCUMENT_WRITER(out).write_report(*folder);
    else
        RDB_XML_DOCUMENT_WRITER(out).write_panel(*object);
    return static_cast<bool>(out);
}
