// The whole-report JSON document, built with Qt's JSON classes. Each visit pushes the visited object's
// JSON object onto a stack; a folder or table takes its children's objects off the stack as it visits
// them, so that the main folder's object is the one left at the end.

#include "rdb_object_json_visitor.h"

#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_grid_table.h"
#include "rdb_histogram.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_rgb.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "gen/gen_utf8.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"

struct RDB_OBJECT_JSON_VISITOR::JSON {
    QJsonObject root;
    QList<QJsonObject> stack;

    QJsonObject& top() { return stack.last(); }
};

namespace {

// The text as UTF-16, each invalid byte as U+FFFD (as every other writer replaces it), so the document is
// always valid UTF-8. Qt's decoder drops a byte order mark at the start of a text, so leading marks are
// carried over by hand: a cell whose text starts with one keeps it.
QString text_of(const std::string& text)
{
    static constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    std::string_view rest = text;
    QString converted;
    while (rest.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK) {
        converted += QChar(0xFEFF);
        rest.remove_prefix(BYTE_ORDER_MARK.size());
    }
    return converted + QString::fromStdString(gen_valid_utf8(rest));
}

const char* type_name(RDB_OBJECT_TYPE type)
{
    switch (type) {
    case RDB_FOLDER_TYPE:
        return "RDB_FOLDER_TYPE";
    case RDB_TEXT_TYPE:
        return "RDB_TEXT_TYPE";
    case RDB_TABLE_TYPE:
        return "RDB_TABLE_TYPE";
    case RDB_CHART_TYPE:
        return "RDB_CHART_TYPE";
    case RDB_EMBEDDED_TYPE:
        return "RDB_EMBEDDED_TYPE";
    case RDB_SUMMARY_TABLE_TYPE:
        return "RDB_SUMMARY_TABLE_TYPE";
    case RDB_GAUGES_TYPE:
        return "RDB_GAUGES_TYPE";
    case RDB_TCL_TABLE_TYPE:
        return "RDB_TCL_TABLE_TYPE";
    case RDB_GRID_TABLE_TYPE:
        return "RDB_GRID_TABLE_TYPE";
    case RDB_HISTOGRAM_TYPE:
        return "RDB_HISTOGRAM_TYPE";
    case RDB_LINK_TABLE_TYPE:
        return "RDB_LINK_TABLE_TYPE";
    case RDB_PATH_TYPE:
        return "RDB_PATH_TYPE";
    case RDB_WAVEFORM_DISPLAY_TYPE:
        return "RDB_WAVEFORM_DISPLAY_TYPE";
    case RDB_HEATMAP_TYPE:
        return "RDB_HEATMAP_TYPE";
    case RDB_OBJECT_TYPE_MAX:
        return "RDB_OBJECT_TYPE_MAX";
    default:
        return "Unknown";
    }
}

// The enumerator's own name for the first 35 colours and the unknown colour; the value 26 has long
// been written with the name of 25, and readers expect it. Every other colour is "default".
const char* color_name(RDB_COLOR_NAME color)
{
    static const char* const NAMES[] = {
        "RDB_COLOR_DEFAULT",
        "RDB_COLOR_RED",
        "RDB_COLOR_LIGHT_RED",
        "RDB_COLOR_LIME",
        "RDB_COLOR_BLUE",
        "RDB_COLOR_LIGHT_PURPLE",
        "RDB_COLOR_BLACK",
        "RDB_COLOR_WHITE",
        "RDB_COLOR_BROWN",
        "RDB_COLOR_ORANGE",
        "RDB_COLOR_LIGHT_YELLOW",
        "RDB_COLOR_DARK_ORCHID",
        "RDB_COLOR_TEAL",
        "RDB_COLOR_MEDIUM_BLUE",
        "RDB_COLOR_DARK_ORANGE",
        "RDB_COLOR_FIRE_BRICK",
        "RDB_COLOR_GREEN",
        "RDB_COLOR_LIGHT_GREEN",
        "RDB_COLOR_GRAY60",
        "RDB_COLOR_GRAY67",
        "RDB_COLOR_GRAY75",
        "RDB_COLOR_GRAY83",
        "RDB_COLOR_GRAY87",
        "RDB_COLOR_GRAY93",
        "RDB_COLOR_VEXA_RED",
        "RDB_COLOR_VEXA_ORANGE",
        "RDB_COLOR_VEXA_ORANGE",
        "RDB_COLOR_VEXA_GREEN",
        "RDB_COLOR_VEXA_LIGHT_BLUE",
        "RDB_COLOR_VEXA_BLUE",
        "RDB_COLOR_VEXA_DARK_BLUE",
        "RDB_COLOR_VEXA_LIGHT_GRAY",
        "RDB_COLOR_VEXA_GRAY",
        "RDB_COLOR_VEXA_DARK_GRAY",
        "RDB_COLOR_VEXA_CHARCOAL",
    };
    const int value = color;
    if (value >= 0 && value < static_cast<int>(std::size(NAMES))) return NAMES[value];
    if (color == RDB_COLOR_UNKNOWN) return "RDB_COLOR_UNKNOWN";
    return "default";
}

// ---- Writing. QJsonDocument::toJson makes the whole text in one QByteArray, which Qt 5 limits to 2 GB;
// a report with a few million cells is larger. The document is therefore written value by value in
// toJson's indented form (four spaces a level, keys in the objects' sorted order), straight to the stream.

void write_string(std::ostream& out, const QString& text)
{
    static const char HEX[] = "0123456789abcdef";
    const QByteArray bytes = text.toUtf8();
    std::string escaped;
    escaped.reserve(static_cast<std::size_t>(bytes.size()) + 2);
    escaped += '"';
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            escaped += "\\\"";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        case '\b':
            escaped += "\\b";
            break;
        case '\f':
            escaped += "\\f";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\t':
            escaped += "\\t";
            break;
        default:
            if (byte < 0x20) {
                escaped += "\\u00";
                escaped += HEX[byte >> 4];
                escaped += HEX[byte & 0xF];
            } else {
                escaped += c;
            }
        }
    }
    escaped += '"';
    out << escaped;
}

void write_value(std::ostream& out, const QJsonValue& value, int indent);

void write_object(std::ostream& out, const QJsonObject& object, int indent)
{
    out << "{\n";
    const std::string inner(static_cast<std::size_t>(4 * (indent + 1)), ' ');
    for (auto item = object.begin(); item != object.end(); ++item) {
        if (item != object.begin()) out << ",\n";
        out << inner;
        write_string(out, item.key());
        out << ": ";
        write_value(out, item.value(), indent + 1);
    }
    if (!object.isEmpty()) out << '\n';
    out << std::string(static_cast<std::size_t>(4 * indent), ' ') << '}';
}

void write_array(std::ostream& out, const QJsonArray& array, int indent)
{
    out << "[\n";
    const std::string inner(static_cast<std::size_t>(4 * (indent + 1)), ' ');
    for (auto item = array.begin(); item != array.end(); ++item) {
        if (item != array.begin()) out << ",\n";
        out << inner;
        write_value(out, *item, indent + 1);
    }
    if (!array.isEmpty()) out << '\n';
    out << std::string(static_cast<std::size_t>(4 * indent), ' ') << ']';
}

void write_value(std::ostream& out, const QJsonValue& value, int indent)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        out << (value.toBool() ? "true" : "false");
        break;
    case QJsonValue::String:
        write_string(out, value.toString());
        break;
    case QJsonValue::Array:
        write_array(out, value.toArray(), indent);
        break;
    case QJsonValue::Object:
        write_object(out, value.toObject(), indent);
        break;
    default: // the document holds no numbers; null and undefined are written as null
        out << "null";
        break;
    }
}

} // namespace

RDB_OBJECT_JSON_VISITOR::RDB_OBJECT_JSON_VISITOR(RDB_REPORT* report) : m_report(report), m_json(new JSON)
{
    RDB_ASSERT_MSG(m_report != nullptr, "m_report != nullptr");
    visit_folder(m_report->get_main_folder());
    RDB_ASSERT_MSG(m_json->stack.size() == 1, "m_json_stack.size() == 1");
    m_json->root.insert("main_folder", m_json->stack.takeLast());
}

RDB_OBJECT_JSON_VISITOR::~RDB_OBJECT_JSON_VISITOR() = default;

std::string RDB_OBJECT_JSON_VISITOR::to_json() const
{
    std::ostringstream out;
    write_json(out);
    return std::move(out).str();
}

bool RDB_OBJECT_JSON_VISITOR::write_json(std::ostream& out) const
{
    write_object(out, m_json->root, 0);
    out << '\n';
    return static_cast<bool>(out);
}

bool RDB_OBJECT_JSON_VISITOR::write_json_file(const std::string& path)
{
    const FIO_WRITE_OUTCOME outcome =
        fio_write_stream_atomically(path, [this](std::ostream& out) { return write_json(out); });
    if (outcome.written()) return true;
    msg_local_vdebug("RDB", 2, "Cannot write the JSON file %s: %s", path.c_str(),
                     outcome.reason.empty() ? "write failed" : outcome.reason.c_str());
    return false;
}

void RDB_OBJECT_JSON_VISITOR::write_file(const std::string& path) { write_json_file(path); }

void RDB_OBJECT_JSON_VISITOR::set_class_name(const char* class_name) { m_json->top()["class_name"] = class_name; }

void RDB_OBJECT_JSON_VISITOR::add_visited(const char* key, RDB_OBJECT* object)
{
    object->accept_visitor(this);
    QJsonObject visited = m_json->stack.takeLast();
    m_json->top().insert(key, visited);
}

void RDB_OBJECT_JSON_VISITOR::add_children(RDB_FOLDER_OBJECT* folder)
{
    QJsonArray children;
    const void* list = folder->get_object_list();
    if (list != nullptr && !m_walking.insert(list).second) {
        // A link back into a folder being written would repeat it without end.
        msg_local_vdebug("RDB", 2, "Folder %s leads back into a folder being written: its objects are left out",
                         folder->get_path().c_str());
        m_json->top().insert("object_list", children);
        return;
    }
    for (RDB_OBJECT* object : *folder) {
        RDB_ASSERT_MSG(object != nullptr, "object != nullptr");
        object->accept_visitor(this);
        children.append(m_json->stack.takeLast());
    }
    if (list != nullptr) m_walking.erase(list);
    m_json->top().insert("object_list", children);
}

// A table converted to SQLite keeps only its marker row in memory: the rows it shows are the ones read
// here, so this is where its stored rows are to be read. A missing row or cell is written as null, so
// that the document stays complete and the other cells keep their columns.
void RDB_OBJECT_JSON_VISITOR::add_rows(RDB_TABLE_OBJECT* table)
{
    // The table's real rows: those in memory, or those of its file for a table in SQLite form (never
    // the marker row that stands for them).
    QJsonArray rows;
    rdb_for_each_table_row(*table, [&](unsigned int, const RDB_TABLE_ROW* row) {
        if (row == nullptr) {
            rows.append(QJsonValue());
            return;
        }
        QJsonArray cells;
        for (RDB_TABLE_ELEMENT* element : *const_cast<RDB_TABLE_ROW*>(row)) {
            if (element == nullptr) {
                cells.append(QJsonValue());
                continue;
            }
            element->accept_visitor(this);
            cells.append(m_json->stack.takeLast());
        }
        rows.append(cells);
    });
    m_json->top().insert("rows", rows);
}

void RDB_OBJECT_JSON_VISITOR::visit_object(RDB_OBJECT* object)
{
    QJsonObject json;
    json.insert("class_name", "RDB_OBJECT");
    json.insert("name", text_of(object->get_name()));
    json.insert("type", type_name(object->get_type()));
    json.insert("enable", object->is_enable());
    json.insert("visible", object->is_visible());
    json.insert("header", text_of(object->get_header()));
    json.insert("footer", text_of(object->get_footer()));
    m_json->stack.append(json);
}

void RDB_OBJECT_JSON_VISITOR::visit_folder(RDB_FOLDER_OBJECT* folder)
{
    visit_object(folder);
    set_class_name("RDB_FOLDER_OBJECT");
    add_children(folder);
}

void RDB_OBJECT_JSON_VISITOR::visit_link_rpt(RDB_LINK_RPT_OBJECT* link) { visit_folder(link); }

void RDB_OBJECT_JSON_VISITOR::visit_text(RDB_TEXT_OBJECT* text)
{
    visit_object(text);
    set_class_name("RDB_TEXT_OBJECT");
    QJsonObject& json = m_json->top();
    json.insert("text", text->get_text() != nullptr ? text_of(*text->get_text()) : QString());
    json.insert("is_html", text->is_html());
    json.insert("is_webkit_html", text->is_webkit_html());
    json.insert("is_qml", text->is_qml());
}

void RDB_OBJECT_JSON_VISITOR::visit_legal(RDB_LEGAL_OBJECT* legal)
{
    visit_text(legal);
    set_class_name("RDB_LEGAL_OBJECT");
}

void RDB_OBJECT_JSON_VISITOR::visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT* data)
{
    visit_object(data);
    set_class_name("RDB_INTERACTIVE_REPORT_DATA_OBJECT");
    m_json->top().insert("data", "This report is not availabe in json format.");
}

void RDB_OBJECT_JSON_VISITOR::visit_table(RDB_TABLE_OBJECT* table)
{
    visit_object(table);
    set_class_name("RDB_TABLE_OBJECT");
    add_rows(table);
}

void RDB_OBJECT_JSON_VISITOR::visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table)
{
    visit_table(table);
    set_class_name("RDB_SUMMARY_TABLE_OBJECT");
}

void RDB_OBJECT_JSON_VISITOR::visit_tcl_table(RDB_TCL_TABLE_OBJECT* table)
{
    visit_table(table);
    set_class_name("RDB_TCL_TABLE_OBJECT");
}

void RDB_OBJECT_JSON_VISITOR::visit_new_table(RDB_NEW_TABLE_OBJECT* table) { visit_table(table); }
void RDB_OBJECT_JSON_VISITOR::visit_link_table(RDB_LINK_TABLE_OBJECT* table) { visit_table(table); }
void RDB_OBJECT_JSON_VISITOR::visit_chart(RDB_CHART_TABLE_OBJECT* chart) { visit_table(chart); }
void RDB_OBJECT_JSON_VISITOR::visit_histogram(RDB_HISTOGRAM_TABLE_OBJECT* histogram) { visit_table(histogram); }
void RDB_OBJECT_JSON_VISITOR::visit_grid_table(RDB_GRID_TABLE_OBJECT* grid) { visit_object(grid); }
void RDB_OBJECT_JSON_VISITOR::visit_embedded(RDB_EMBEDDED_OBJECT* embedded) { visit_object(embedded); }
void RDB_OBJECT_JSON_VISITOR::visit_memory(RDB_MEMORY_OBJECT* memory) { visit_object(memory); }
void RDB_OBJECT_JSON_VISITOR::visit_gauges(RDB_GAUGES_OBJECT* gauges) { visit_object(gauges); }

void RDB_OBJECT_JSON_VISITOR::visit_path(RDB_PATH_OBJECT* path)
{
    visit_object(path);
    set_class_name("RDB_PATH_OBJECT");
    const std::pair<const char*, RDB_TABLE_OBJECT*> parts[] = {
        {"summary", path->get_summary_table()},
        {"extra_info", path->get_extra_info_table()},
        {"data_arrival", path->get_data_arrival_table()},
        {"data_required", path->get_data_required_table()},
        {"critical_chain", path->get_critical_chain_table()},
    };
    for (const auto& [key, table] : parts)
        if (table != nullptr) add_visited(key, table);
}

void RDB_OBJECT_JSON_VISITOR::visit_path_folder(RDB_PATH_FOLDER_OBJECT* folder)
{
    visit_folder(folder);
    set_class_name("RDB_PATH_FOLDER_OBJECT");
    if (RDB_TABLE_OBJECT* summary = folder->get_path_summary_table()) add_visited("path_summary_table", summary);
    if (RDB_OBJECT* options = folder->get_option_summary_panel()) add_visited("option_summary", options);
}

void RDB_OBJECT_JSON_VISITOR::visit_waveform_display(RDB_WAVEFORM_DISPLAY_OBJECT* waveform)
{
    visit_object(waveform);
    set_class_name("RDB_WAVEFORM_DISPLAY_OBJECT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_element(RDB_TABLE_ELEMENT* element)
{
    QJsonObject json;
    json.insert("class_name", "RDB_TABLE_ELEMENT");
    json.insert("foreground", color_name(element->get_foreground()));
    json.insert("background", color_name(element->get_background()));
    json.insert("tooltip", text_of(element->get_tooltip()));
    json.insert("string", text_of(element->get_string()));
    m_json->stack.append(json);
}

void RDB_OBJECT_JSON_VISITOR::visit_table_string_element(RDB_TABLE_STRING_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_STRING_ELEMENT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_tcl_cmd_element(RDB_TABLE_TCL_CMD_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_TCL_CMD_ELEMENT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_delay_element(RDB_TABLE_DELAY_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_DELAY_ELEMENT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_int_element(RDB_TABLE_INT_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_INT_ELEMENT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_data_valid_window_element(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_VALID_WINDOW_ELEMENT");
}

void RDB_OBJECT_JSON_VISITOR::visit_table_location_schema_element(RDB_TABLE_LOCATION_SCHEMA_ELEMENT* element)
{
    visit_table_element(element);
    set_class_name("RDB_TABLE_LOCATION_SCHEMA_ELEMENT");
    QJsonObject& json = m_json->top();
    json.insert("location_schema", text_of(element->get_location_schema_tcl_string()));
    json.insert("hierarchy_path", text_of(element->get_hierarchy_path()));
}
