#pragma once
// The XML writer's shared declarations (library-internal): the element layouts and attribute lists,
// and the document writer, one class whose members are defined by family: rdb_xml_writer.cpp walks
// the report and writes what every object shares; rdb_xml_write_<family>.cpp writes the elements of
// one family of objects.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "rdb_grid_table.h"
#include "rdb_object.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tiny_numberer.h"
#include "trait/dtrait_tracker.h"
#include "xml/xml_parse.h"

class RDB_CHART_TABLE_OBJECT;
class RDB_EMBEDDED_OBJECT;
class RDB_FOLDER_OBJECT;
struct RDB_GAUGES_DATA_ELEMENT;
class RDB_GAUGES_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_INTERACTIVE_REPORT_DATA_OBJECT;
class RDB_LINE_PROPERTIES;
class RDB_LINK_TABLE_OBJECT;
class RDB_MASTER_DETAIL_OBJECT;
class RDB_MEMORY_OBJECT;
class RDB_PATH_FOLDER_OBJECT;
class RDB_PATH_OBJECT;
class RDB_SUMMARY_TABLE_OBJECT;
class RDB_TCL_TABLE_OBJECT;
class RDB_TEXT_OBJECT;
class RDB_WAVEFORM_DISPLAY_OBJECT;

namespace RDB::XML {

enum class LAYOUT { EMPTY, INLINE, BLOCK };
using ATTRIBUTES = std::vector<std::pair<const char*, std::string>>;

inline const char* bool_text(bool value) { return value ? "true" : "false"; }

inline void append(ATTRIBUTES& attributes, ATTRIBUTES more)
{
    for (auto& attribute : more)
        attributes.push_back(std::move(attribute));
}

// A text this library adds to the format: '%' and the bytes the escaping would drop percent-encoded,
// so that it reads back byte for byte.
inline std::string own_text(std::string_view text) { return xml_percent_encode(text); }

// Whether the object is written into files (the kinds without a file form are left out).
bool has_file_form(const RDB_OBJECT& object);

// Whether a master-detail folder's master and details are what a reader makes of its children: the
// first child the master table, every later child a detail, in order.
bool has_implicit_details(const RDB_MASTER_DETAIL_OBJECT& folder);

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

class RDB_XML_DOCUMENT_WRITER {
public:
    explicit RDB_XML_DOCUMENT_WRITER(std::ostream& out) : m_out(out) {}

    // current_folder: the report's current folder, written (in an element of our own) when it is a
    // folder below the main folder; a report read back has its main folder as current otherwise.
    void write_report(const RDB_FOLDER_OBJECT& main_folder, const RDB_FOLDER_OBJECT* current_folder = nullptr);
    void write_panel(const RDB_OBJECT& object);

private:
    // The document walk, the element writer, the common attributes and the trait archive
    // (rdb_xml_writer.cpp).
    void open(const char* name, LAYOUT layout, const ATTRIBUTES& attributes = {});
    void close(const char* name, LAYOUT layout);
    void element(const char* name, LAYOUT layout, const ATTRIBUTES& attributes);
    void text_element(const char* name, std::string_view text, const ATTRIBUTES& attributes = {});
    void list_folders(const RDB_FOLDER_OBJECT& folder, std::unordered_set<const RDB_FOLDER_OBJECT*>& listed);
    static std::string rdb_xml_escape_free_name(const RDB_OBJECT& object);
    void write_children_as_panels(const RDB_FOLDER_OBJECT& folder);
    void write_object(const RDB_OBJECT& object);
    ATTRIBUTES common_attributes(const RDB_OBJECT& object, const RDB_OBJECT* parent, bool folder_reference);
    void write_common_children(const RDB_OBJECT& object);
    void write_folder_ref(const RDB_FOLDER_OBJECT& folder);
    ATTRIBUTES nested_trait_attributes(const RDB_OBJECT& object);
    static bool is_below(const RDB_FOLDER_OBJECT* folder, const RDB_FOLDER_OBJECT& main_folder);
    void write_dtraits();
    int number(const RDB_OBJECT* object) { return m_context.numberer.number(object); }

    // Folder links, texts, interactive data, embedded objects and memories (rdb_xml_write_objects.cpp).
    void write_folder_links(const RDB_FOLDER_OBJECT& folder);
    void write_master_detail_links(const RDB_MASTER_DETAIL_OBJECT& folder);
    void write_text(const RDB_TEXT_OBJECT& text, const RDB_OBJECT* parent);
    void write_interactive(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& data);
    void write_text_element(const char* name, const RDB_OBJECT& object, const ATTRIBUTES& attributes,
                            std::string_view text, bool html, bool qml);
    void write_embedded(const RDB_EMBEDDED_OBJECT& embedded);
    void write_memory(const RDB_MEMORY_OBJECT& memory);
    void write_path_folder_links(const RDB_PATH_FOLDER_OBJECT& folder);

    // Tables, rows and cells, Tcl tables, summaries and gauges (rdb_xml_write_tables.cpp).
    ATTRIBUTES table_attributes(const RDB_TABLE_OBJECT& table);
    static ATTRIBUTES changed_table_flags(const RDB_TABLE_OBJECT& table);
    static ATTRIBUTES table_flag_attributes(const RDB_TABLE_OBJECT& table);
    void write_column_lists(const RDB_TABLE_OBJECT& table);
    void write_table(const RDB_TABLE_OBJECT& table);
    void write_link_table(const RDB_LINK_TABLE_OBJECT& table);
    void write_tcl_table(const RDB_TCL_TABLE_OBJECT& table);
    void write_rows(const RDB_TABLE_OBJECT& table);
    static ATTRIBUTES cell_attributes(const RDB_TABLE_ELEMENT& cell);
    void write_cell(const RDB_TABLE_ELEMENT* cell);
    static std::string cell_text(const RDB_TABLE_ROW* row, std::size_t column);
    void write_summary(const RDB_SUMMARY_TABLE_OBJECT& summary);
    void write_gauge(const RDB_GAUGES_DATA_ELEMENT& gauge);
    void write_gauges(const RDB_GAUGES_OBJECT& gauges);
    void write_gauge_slots(const RDB_GAUGES_OBJECT& gauges);

    // Histograms and charts (rdb_xml_write_charts.cpp).
    void write_histogram(const RDB_HISTOGRAM_TABLE_OBJECT& histogram);
    static bool rows_are_pairs(const RDB_TABLE_OBJECT& table, const std::type_info& header_kind,
                               const std::type_info& value_kind);
    void write_chart(const RDB_CHART_TABLE_OBJECT& chart);

    // Grid tables (rdb_xml_write_grid.cpp).
    void write_grid_table(const RDB_GRID_TABLE_OBJECT& grid);
    void write_ruleset(const RDB_GRID_TABLE_RULESET& ruleset);
    void write_rule_groups(const RDB_GRID_TABLE_RULESET::RULE_GROUPS& groups);
    void write_grid_cmd(const char* name, const RDB_GRID_TABLE_CMD& cmd, ATTRIBUTES attributes);
    void write_grid_entry(const RDB_GRID_TABLE_OBJECT::INDEX& index, const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry);
    static LAYOUT block_unless(bool empty) { return empty ? LAYOUT::EMPTY : LAYOUT::BLOCK; }

    // Timing paths and waveform displays (rdb_xml_write_timing.cpp).
    void write_path(const RDB_PATH_OBJECT& path);
    static ATTRIBUTES line_attributes(const RDB_LINE_PROPERTIES& line);
    void write_waveform_display(const RDB_WAVEFORM_DISPLAY_OBJECT& display);

    std::ostream& m_out;
    RDB_XML_WRITER_CONTEXT m_context;
    int m_depth = 0;
    std::unordered_set<const RDB_FOLDER_OBJECT*> m_walked;
    std::vector<std::pair<DTRAIT::KEY, DTRAIT::SAVE_TRACKER::CHILDREN>> m_traced;
};

} // namespace RDB::XML
