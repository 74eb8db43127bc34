#pragma once
// The XML reader's shared declarations (library-internal): the state of one read, the base of the
// SAX handlers (one per open report object) with the steps every handler shares, the table reader
// that the summary and grid table readers extend, and the handlers each family file makes.
// rdb_xml_parser.cpp walks the document and dispatches its elements; rdb_xml_parse_<family>.cpp
// reads the elements of one family of objects.

#include <algorithm>
#include <charconv>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "rdb_object.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "xml/xml_parse.h"

class RDB_CHART_TABLE_OBJECT;
class RDB_FOLDER_OBJECT;
class RDB_HISTOGRAM_TABLE_OBJECT;
class RDB_REPORT;
class RDB_TCL_TABLE_CMD;
class RDB_TCL_TABLE_OBJECT;

namespace RDB::XML {

inline std::string lower(std::string_view text)
{
    // ASCII only, independent of the locale (the names compared are ASCII).
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// True when text holds an upper-case ASCII letter, which lower would change.
inline bool has_upper(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// "true" in any case.
inline bool is_true(std::string_view text)
{
    constexpr std::string_view TRUE_TEXT = "true";
    return text.size() == TRUE_TEXT.size() &&
           std::equal(text.begin(), text.end(), TRUE_TEXT.begin(), [](char c, char t) {
               return (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == t;
           });
}

// The attribute is present and "true" in any case.
inline bool is_true(const XML_ATTRIBUTES& attributes, std::string_view name)
{
    const std::string* value = attributes.find(name);
    return value != nullptr && is_true(*value);
}

// A decimal number with an optional sign and surrounding blanks, entirely in range of T.
template <class T> std::optional<T> parse_number(std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    T value{};
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// The state of one read.
struct READ_STATE {
    RDB_REPORT* report = nullptr;
    std::unordered_map<std::string, RDB_FOLDER_OBJECT*> folders_by_name;
    std::unordered_map<int, RDB_FOLDER_OBJECT*> folders_by_id;
    // Every object made (the main folder excepted), so that those left unattached can be deleted.
    std::vector<RDB_OBJECT*> created;
    // The objects written as the content of a link folder: left unattached (see attach).
    std::unordered_set<const RDB_OBJECT*> link_content;
    // Master-detail folders whose master and details an element of our own names after their
    // children, instead of the order of the children.
    std::unordered_set<const RDB_FOLDER_OBJECT*> explicit_details;
    // Nested objects numbered for the trait archive (our own "trait_id").
    std::unordered_map<int, RDB_OBJECT*> nested_by_id;
    bool root_seen = false;
    // Set while the document's outermost element is an object (a panel document): it goes into the
    // main folder.
    bool panel_root_pending = false;
    // Set while a nested object's element starts (a sub-object of a path): the object goes here
    // instead of into a folder.
    std::function<void(RDB_OBJECT&)> place_nested;

    template <class OBJECT, class... ARGS> OBJECT* create(ARGS&&... args)
    {
        return adopt(std::make_unique<OBJECT>(std::forward<ARGS>(args)...));
    }
    template <class OBJECT> OBJECT* adopt(std::unique_ptr<OBJECT> object)
    {
        created.reserve(created.size() + 1);
        created.push_back(object.get());
        return object.release();
    }

    // The object is owned outside any folder from now on, so the end of the read leaves it alone.
    void release(const RDB_OBJECT* object)
    {
        auto found = std::find(created.rbegin(), created.rend(), object);
        if (found != created.rend()) created.erase(std::next(found).base());
    }

    // The objects nobody owns: roots of subtrees that never reached the report.
    std::vector<RDB_OBJECT*> unattached() const
    {
        std::vector<RDB_OBJECT*> out;
        for (RDB_OBJECT* object : created)
            if (object->get_ownership_status() == NOT_OWNED) out.push_back(object);
        return out;
    }
};

// Base of the report handlers: the text buffer, the element depth, and the shared steps.
class RDB_XML_CONTENT_HANDLER : public XML_CONTENT_HANDLER {
public:
    explicit RDB_XML_CONTENT_HANDLER(READ_STATE& state) : m_state(state) {}

    void start_element(const std::string& name, const XML_ATTRIBUTES& attributes) final
    {
        m_text.clear();
        ++m_depth;
        // The names compared are lower case, as documents write them: those need no lower-case copy.
        if (has_upper(name))
            on_start(lower(name), attributes);
        else
            on_start(name, attributes);
    }
    void end_element(const std::string& name) final
    {
        if (has_upper(name))
            on_end(lower(name));
        else
            on_end(name);
        // Removes itself at the end of the element it was made for.
        if (--m_depth == 0) get_parser().pop_handler();
    }
    void characters(std::string_view text) override { m_text += text; }

protected:
    virtual void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) = 0;
    virtual void on_end(const std::string& name) = 0;

    // Depth of the element being started or ended: 1 for the handler's own element.
    int depth() const { return m_depth; }
    bool failed() const { return get_parser().has_failed(); }
    void fail(const std::string& message) { get_parser().fail(message); }

    template <class T> std::optional<T> number(std::string_view text, const char* what)
    {
        std::optional<T> value = parse_number<T>(text);
        if (!value) fail(std::string(what) + " is not a number in range: \"" + std::string(text) + "\"");
        return value;
    }

    // A text of our own additions, percent-encoded; nullopt (and the read failed) when malformed.
    std::optional<std::string> own_text(const std::string& text, const char* what);

    // enabled and visible, and our own color, timing_corner, ascii_header, ascii_footer and
    // footer_suffix (which a later footer element keeps after its text); creator is ignored.
    void apply_common_attributes(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes);

    // header, footer, tcl_cmd, help_id; true when name was one of them.
    bool end_common_child(RDB_OBJECT& object, const std::string& name);

    RDB_FOLDER_OBJECT* find_parent(const XML_ATTRIBUTES& attributes);

    // Puts the object into the folder its attributes name; a master-detail folder also takes its
    // first child as master table and the others as details. Fails the read when there is no such
    // folder or the placement would break the tree.
    void attach(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes);

    // Our own "trait_id": the number under which the trait archive holds a nested object's values.
    void number_nested(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes);

    // A nested object replaced by a later one of the same role is deleted: its number goes too.
    void forget_nested(const RDB_OBJECT* object);

    // Hands the element being started, and everything inside it, to handler; an object that handler
    // attaches goes to place instead of a folder.
    void hand_over(std::unique_ptr<RDB_XML_CONTENT_HANDLER> handler, const std::string& name,
                   const XML_ATTRIBUTES& attributes, std::function<void(RDB_OBJECT&)> place);

    READ_STATE& m_state;
    std::string m_text;

private:
    int m_depth = 0;
    std::string m_footer_suffix;
};

// Tables, heat maps, link tables and Tcl tables, their rows and cells; the summary and grid table
// readers derive from it for its cell code. Its members are defined in rdb_xml_parse_tables.cpp, those
// for charts and histograms in rdb_xml_parse_charts.cpp.
class RDB_XML_TABLE_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override;
    void on_end(const std::string& name) override;

    // Tables, rows, cells and Tcl tables (rdb_xml_parse_tables.cpp).
    void start_table(const std::string& name, const XML_ATTRIBUTES& attributes);
    std::unique_ptr<RDB_TABLE_ELEMENT> new_cell(const std::string& name, const XML_ATTRIBUTES& attributes);
    std::unique_ptr<RDB_TABLE_ELEMENT> new_window_cell(const XML_ATTRIBUTES& attributes);
    static void apply_cell_attributes(RDB_TABLE_ELEMENT& cell, const XML_ATTRIBUTES& attributes);
    RDB_TCL_TABLE_OBJECT* start_tcl_table(const std::string& object_name, const XML_ATTRIBUTES& attributes);
    bool start_tcl_table_child(const std::string& name, const XML_ATTRIBUTES& attributes);
    bool end_command_child(const std::string& name);
    RDB_TABLE_OBJECT* start_heatmap(const std::string& object_name, const std::string& threshold_text);
    bool apply_changed_table_flags(RDB_TABLE_OBJECT& table, const XML_ATTRIBUTES& attributes);
    void add_column(void (RDB_TABLE_OBJECT::*add)(int));

    // Charts and histograms (rdb_xml_parse_charts.cpp).
    void start_chart(const XML_ATTRIBUTES& attributes);
    void start_chart_data(const XML_ATTRIBUTES& attributes);
    bool end_chart_or_histogram_child(const std::string& name);
    void end_partition_values(RDB_HISTOGRAM_TABLE_OBJECT& histogram);
    void end_table();

    RDB_TABLE_OBJECT* m_table = nullptr;
    RDB_TABLE_ROW* m_row = nullptr;
    bool m_in_row = false;
    RDB_TABLE_STRING_ELEMENT* m_string_cell = nullptr;
    RDB_TABLE_INT_ELEMENT* m_int_cell = nullptr;
    RDB_TABLE_DELAY_ELEMENT* m_delay_cell = nullptr;
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT* m_location_cell = nullptr;
    RDB_TCL_TABLE_CMD* m_command = nullptr;
    RDB_CHART_TABLE_OBJECT* m_chart = nullptr;
    bool m_chart_full_rows = false;
};

// The handlers of the other elements, each made for the element that starts it and defined in the
// file of its family.
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_skip_handler(READ_STATE& state);
// rdb_xml_parse_objects.cpp
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_text_handler(READ_STATE& state);
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_embedded_handler(READ_STATE& state);
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_path_folder_links_handler(READ_STATE& state);
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_master_detail_links_handler(READ_STATE& state);
// rdb_xml_parse_tables.cpp
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_summary_handler(READ_STATE& state);
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_gauges_handler(READ_STATE& state);
// rdb_xml_parse_grid.cpp
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_grid_table_handler(READ_STATE& state);
// rdb_xml_parse_timing.cpp
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_waveform_display_handler(READ_STATE& state);
std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_path_handler(READ_STATE& state);

// Runs a parse of a whole document into root; answers as xml_parse does.
using PARSE = std::function<int(XML_CONTENT_HANDLER& root, std::string* error)>;
// The report read from the document parse delivers; null, with the reason in error, when the
// document is broken or inconsistent. Writes no message.
std::unique_ptr<RDB_REPORT> read_report(const PARSE& parse, std::string& error);

} // namespace RDB::XML
