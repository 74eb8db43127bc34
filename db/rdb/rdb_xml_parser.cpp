// The reader of XML report files: a stack of SAX handlers, one per open report object, that rebuild
// the folder tree from the "folders" section and attach every panel to the folder its parent_id
// names.
//
// The reader defends itself against documents that are malformed or hostile. Whatever the input, it
// must end with either a complete report or none, and in both cases with every object it created
// owned by someone or deleted. So: every object it creates is remembered until the end of the read,
// and whatever is left unattached then is deleted; every number is parsed strictly (a text that is
// not a number, or that overflows, fails the read); and every check the object model would answer
// with an internal error (placing an object twice, a folder inside itself, a cell before any row) is
// made here first and fails the read instead.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "gen/gen_util.h"
#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_path.h"
#include "rdb_histogram.h"
#include "rdb_grid_table.h"
#include "rdb_report.h"
#include "rdb_rgb.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"
#include "rdb_xml.h"
#include "trait/dtrait_tracker.h"
#include "xml/xml_parse.h"

namespace {

// The capacity of a gauges object read from a file (RDB_MAX_GAUGES); more gauges are appended.
constexpr int GAUGES_CAPACITY = 128;

std::string lower(std::string_view text)
{
    // ASCII only, independent of the locale (the names compared are ASCII).
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool is_true(std::string_view text) { return lower(text) == "true"; }

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
        on_start(lower(name), attributes);
    }
    void end_element(const std::string& name) final
    {
        on_end(lower(name));
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
    std::optional<std::string> own_text(const std::string& text, const char* what)
    {
        std::optional<std::string> decoded = gen_percent_decode(text);
        if (!decoded) fail(std::string(what) + " is not a well-formed percent-encoded text");
        return decoded;
    }

    // enabled and visible, and our own color, timing_corner, ascii_header, ascii_footer and
    // footer_suffix (which a later footer element keeps after its text); creator is ignored.
    void apply_common_attributes(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
    {
        if (const std::string* enabled = attributes.find("enabled")) object.set_enable(is_true(*enabled));
        if (const std::string* visible = attributes.find("visible")) object.set_visible(is_true(*visible));
        if (const std::string* text = attributes.find("color")) {
            const std::optional<int> color = number<int>(*text, "color");
            if (!color) return;
            if (*color < 0 || *color >= RDB_COLOR_COUNT) return fail("colour " + std::to_string(*color));
            object.set_color(static_cast<RDB_COLOR_NAME>(*color));
        }
        if (const std::string* text = attributes.find("timing_corner")) {
            const std::optional<std::string> corner = own_text(*text, "timing_corner");
            if (!corner) return;
            object.set_timing_corner(*corner);
        }
        if (const std::string* header = attributes.find("ascii_header"))
            object.set_to_output_ascii_header(is_true(*header));
        if (const std::string* footer = attributes.find("ascii_footer"))
            object.set_to_output_ascii_footer(is_true(*footer));
        m_footer_suffix.clear();
        if (const std::string* text = attributes.find("footer_suffix")) {
            const std::optional<std::string> suffix = own_text(*text, "footer_suffix");
            if (!suffix) return;
            object.set_footer(*suffix);
            if (object.get_footer_suffix() != *suffix)
                return fail("footer_suffix \"" + *suffix + "\" is not a checked/expanded suffix");
            m_footer_suffix = *suffix;
        }
    }

    // header, footer, tcl_cmd, help_id; true when name was one of them.
    bool end_common_child(RDB_OBJECT& object, const std::string& name)
    {
        if (name == "header")
            object.set_header(m_text);
        else if (name == "footer")
            object.set_footer(m_text + m_footer_suffix);
        else if (name == "tcl_cmd")
            object.set_tcl_command(m_text);
        else if (name == "help_id")
            object.set_help_id(m_text);
        else
            return false;
        return true;
    }

    RDB_FOLDER_OBJECT* find_parent(const XML_ATTRIBUTES& attributes)
    {
        if (const std::string* id_text = attributes.find("parent_id")) {
            std::optional<int> id = number<int>(*id_text, "parent_id");
            if (!id) return nullptr;
            auto found = m_state.folders_by_id.find(*id);
            return found != m_state.folders_by_id.end() ? found->second : nullptr;
        }
        if (const std::string* name = attributes.find("parent")) {
            auto found = m_state.folders_by_name.find(*name);
            return found != m_state.folders_by_name.end() ? found->second : nullptr;
        }
        return nullptr;
    }

    // Puts the object into the folder its attributes name; a master-detail folder also takes its
    // first child as master table and the others as details. Fails the read when there is no such
    // folder or the placement would break the tree.
    void attach(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
    {
        if (failed()) return;
        if (m_state.place_nested) return std::exchange(m_state.place_nested, nullptr)(object);
        RDB_FOLDER_OBJECT* parent = find_parent(attributes);
        if (failed()) return;
        if (parent == nullptr && m_state.panel_root_pending) parent = m_state.report->get_main_folder();
        m_state.panel_root_pending = false;
        if (parent == nullptr) return fail("\"" + object.get_name() + "\" names no known parent folder");
        if (object.get_ownership_status() != NOT_OWNED || m_state.link_content.count(&object) != 0)
            return fail("\"" + object.get_name() + "\" is placed twice");
        for (const RDB_OBJECT* ancestor = parent; ancestor != nullptr; ancestor = ancestor->get_parent())
            if (ancestor == &object) return fail("folder \"" + object.get_name() + "\" would be inside itself");
        RDB_MASTER_DETAIL_OBJECT* master_detail = parent->dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT();
        if (m_state.explicit_details.count(parent) != 0) master_detail = nullptr;
        RDB_TABLE_OBJECT* table_obj = object.dynamic_cast_to_RDB_TABLE_OBJECT();
        if (master_detail != nullptr && master_detail->get_master_table() == nullptr && nullptr == table_obj)
            return fail("the first object of master-detail folder \"" + parent->get_name() + "\" is not a table");
        // A link folder's children in the file are the linked report's, written for readers that do
        // not know links. The link read back reaches that report through the registry, as one loaded
        // from the binary store does, so they are not copied into it (and are deleted at the end).
        if (parent->dynamic_cast_to_RDB_LINK_RPT_OBJECT() != nullptr) {
            m_state.link_content.insert(&object);
            return;
        }
        parent->add_object_to_list(&object);
        if (master_detail == nullptr) return;
        if (master_detail->get_master_table() == nullptr)
            master_detail->add_master_table(table_obj);
        else
            master_detail->add_detail_object(&object);
    }

    // Our own "trait_id": the number under which the trait archive holds a nested object's values.
    void number_nested(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
    {
        const std::string* text = attributes.find("trait_id");
        if (text == nullptr) return;
        const std::optional<int> id = number<int>(*text, "trait_id");
        if (!id) return;
        if (!m_state.nested_by_id.emplace(*id, &object).second) fail("trait_id " + *text + " is given twice");
    }

    // A nested object replaced by a later one of the same role is deleted: its number goes too.
    void forget_nested(const RDB_OBJECT* object)
    {
        std::erase_if(m_state.nested_by_id, [object](const auto& entry) { return entry.second == object; });
    }

    // Hands the element being started, and everything inside it, to handler; an object that handler
    // attaches goes to place instead of a folder.
    void hand_over(std::unique_ptr<RDB_XML_CONTENT_HANDLER> handler, const std::string& name,
                   const XML_ATTRIBUTES& attributes, std::function<void(RDB_OBJECT&)> place)
    {
        --m_depth; // the element's end goes to handler
        m_state.place_nested = std::move(place);
        get_parser().push_handler(std::move(handler)).start_element(name, attributes);
        m_state.place_nested = nullptr;
    }

    READ_STATE& m_state;
    std::string m_text;

private:
    int m_depth = 0;
    std::string m_footer_suffix;
};

// Elements the reader does not know: the whole subtree is passed over.
class RDB_XML_SKIP_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;
    void characters(std::string_view) override {}

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES&) override
    {
        if (depth() != 1) return;
        msg_local_vdebug("RDB", 2, "XML element %s is not supported; skipped", name.c_str());
    }
    void on_end(const std::string&) override {}
};

class RDB_XML_FOLDERS_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (name != "root" && name != "folder") return;
        const std::string full_name = attributes.get("name");
        std::optional<int> id;
        const std::string id_text = attributes.get("name_id");
        if (!id_text.empty() && !(id = number<int>(id_text, "name_id"))) return;
        if (name == "root") {
            if (m_state.root_seen) return fail("second root folder");
            m_state.root_seen = true;
            std::unique_ptr<RDB_FOLDER_OBJECT> root = new_folder(attributes, full_name);
            if (!root) return;
            RDB_FOLDER_OBJECT& main_folder = *root;
            m_state.report->add_main_folder(root.release()); // the report owns it from here
            m_state.report->set_current_folder(&main_folder);
            apply_main_folder_attributes(main_folder, attributes);
            enter(&main_folder, id, full_name);
            return;
        }
        std::unique_ptr<RDB_FOLDER_OBJECT> folder = new_folder(attributes, folder_name(full_name, id.has_value()));
        if (!folder) return;
        const std::string plain_name = folder->get_name();
        enter(m_state.adopt(std::move(folder)), id, plain_name);
    }
    void on_end(const std::string&) override {}

private:
    // A folder of the class the attributes name, with its stage flag; null (and the read failed) when
    // a link key is malformed.
    std::unique_ptr<RDB_FOLDER_OBJECT> new_folder(const XML_ATTRIBUTES& attributes, const std::string& name)
    {
        std::unique_ptr<RDB_FOLDER_OBJECT> folder;
        const std::string* rev_name = attributes.find("link_rev_name");
        const std::string* rpt_type = attributes.find("link_rpt_type");
        if (is_true(attributes.get("master_detail"))) {
            folder = std::make_unique<RDB_MASTER_DETAIL_OBJECT>(name);
        } else if (is_true(attributes.get("path_folder"))) {
            folder = std::make_unique<RDB_PATH_FOLDER_OBJECT>(name);
        } else if (is_true(attributes.get("multi_corner"))) {
            folder = std::make_unique<RDB_MULTI_CORNER_FOLDER_OBJECT>(name);
        } else if (rev_name != nullptr || rpt_type != nullptr) {
            const std::optional<std::string> rev = own_text(rev_name ? *rev_name : "", "link_rev_name");
            const std::optional<std::string> type = own_text(rpt_type ? *rpt_type : "", "link_rpt_type");
            if (!rev || !type) return nullptr;
            auto link = std::make_unique<RDB_LINK_RPT_OBJECT>(name);
            link->set_rev_name_and_rpt_type(*rev, *type, false);
            folder = std::move(link);
        } else {
            folder = std::make_unique<RDB_FOLDER_OBJECT>(name);
        }
        folder->set_is_stage_folder(is_true(attributes.get("stage_folder")));
        if (folder->dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT() != nullptr &&
            is_true(attributes.get("explicit_details")))
            m_state.explicit_details.insert(folder.get());
        return folder;
    }

    // The main folder has no element of its own for its fields: our own attributes of the root
    // element carry them.
    void apply_main_folder_attributes(RDB_FOLDER_OBJECT& folder, const XML_ATTRIBUTES& attributes)
    {
        apply_common_attributes(folder, attributes);
        const std::pair<const char*, void (RDB_OBJECT::*)(const std::string&)> texts[] = {
            {"header", &RDB_OBJECT::set_header},
            {"tcl_cmd", &RDB_OBJECT::set_tcl_command},
            {"help_id", &RDB_OBJECT::set_help_id}};
        for (const auto& [name, set] : texts)
            if (const std::string* text = attributes.find(name))
                if (const std::optional<std::string> value = own_text(*text, name)) (folder.*set)(*value);
        // After the suffix apply_common_attributes set.
        if (const std::string* text = attributes.find("footer"))
            if (const std::optional<std::string> footer = own_text(*text, "footer"))
                folder.set_footer(*footer + folder.get_footer_suffix());
    }

    // With a number, the name is written as number, colon, name.
    static std::string folder_name(const std::string& full_name, bool numbered)
    {
        const std::size_t colon = full_name.find(':');
        if (!numbered || colon == std::string::npos) return full_name;
        return full_name.substr(colon + 1);
    }

    void enter(RDB_FOLDER_OBJECT* folder, const std::optional<int>& id, const std::string& name)
    {
        const bool added = id ? m_state.folders_by_id.emplace(*id, folder).second
                              : m_state.folders_by_name.emplace(name, folder).second;
        if (!added)
            fail(id ? "folder number " + std::to_string(*id) + " is listed twice"
                    : "folder \"" + name + "\" is listed twice");
    }
};

class RDB_XML_FOLDER_REF_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        if (const std::string* id_text = attributes.find("name_id"); id_text != nullptr && !id_text->empty()) {
            std::optional<int> id = number<int>(*id_text, "name_id");
            if (!id) return;
            auto found = m_state.folders_by_id.find(*id);
            if (found != m_state.folders_by_id.end()) m_folder = found->second;
        } else {
            auto found = m_state.folders_by_name.find(attributes.get("name"));
            if (found != m_state.folders_by_name.end()) m_folder = found->second;
        }
        if (m_folder == nullptr) return fail("folder_ref names no listed folder");
        apply_common_attributes(*m_folder, attributes);
        attach(*m_folder, attributes);
    }
    void on_end(const std::string& name) override
    {
        if (depth() == 2 && m_folder != nullptr) end_common_child(*m_folder, name);
    }

private:
    RDB_FOLDER_OBJECT* m_folder = nullptr;
};

// Text and legal objects, and interactive data (a text holding a notice for other readers; our own
// attributes carry its contents).
class RDB_XML_TEXT_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            const std::string object_name = attributes.get("name");
            if (is_true(attributes.get("interactive"))) {
                m_object = make_interactive(object_name, attributes);
                if (m_object == nullptr) return;
            } else {
                if (name == "legal")
                    m_text_object = m_state.create<RDB_LEGAL_OBJECT>(object_name);
                else
                    m_text_object = m_state.create<RDB_TEXT_OBJECT>(object_name);
                m_object = m_text_object;
                m_text_object->set_is_webkit_html(is_true(attributes.get("webkit_html")));
                m_text_object->set_is_json(is_true(attributes.get("json")));
                // A text never set: the legal object's own notice goes too.
                m_no_text = is_true(attributes.get("no_text"));
                if (m_no_text) m_text_object->add_text(nullptr);
            }
            apply_common_attributes(*m_object, attributes);
            attach(*m_object, attributes);
        } else if (depth() == 2 && name == "ascii_text" && m_text_object != nullptr && !m_no_text) {
            m_text_object->set_text(std::string());
        }
    }
    void on_end(const std::string& name) override
    {
        if (depth() != 2) return;
        if (end_common_child(*m_object, name) || m_text_object == nullptr) return;
        if (name == "ascii_text" && !m_no_text)
            m_text_object->set_text(m_text);
        else if (name == "show_html")
            m_text_object->set_is_html(is_true(m_text));
        else if (name == "is_qml")
            m_text_object->set_is_qml(is_true(m_text));
    }

private:
    RDB_OBJECT* make_interactive(const std::string& object_name, const XML_ATTRIBUTES& attributes)
    {
        std::string texts[3];
        const char* names[3] = {"interactive_data", "data_type", "report_implementation"};
        for (int i = 0; i < 3; ++i) {
            const std::optional<std::string> text = own_text(attributes.get(names[i]), names[i]);
            if (!text) return nullptr;
            texts[i] = *text;
        }
        return m_state.create<RDB_INTERACTIVE_REPORT_DATA_OBJECT>(object_name, texts[0], texts[1], texts[2]);
    }

    RDB_OBJECT* m_object = nullptr;
    // Null for interactive data, whose text children (the notice) are passed over.
    RDB_TEXT_OBJECT* m_text_object = nullptr;
    bool m_no_text = false;
};

class RDB_XML_TABLE_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) return start_table(name, attributes);
        if (name == "data" && depth() == 2 && m_chart != nullptr) return start_chart_data(attributes);
        if (name == "row") {
            if (depth() != 2) return fail("row outside its table");
            m_table->add_row(rdb_create_empty_row());
            m_row = m_table->get_row(static_cast<int>(m_table->get_number_of_rows() - 1));
            m_in_row = true;
            return;
        }
        if (depth() == 2 && start_tcl_table_child(name, attributes)) return;
        if (name != "location_cell" && name != "string_cell" && name != "iname_cell" && name != "int_cell" &&
            name != "delay_cell")
            return;
        std::unique_ptr<RDB_TABLE_ELEMENT> cell = new_cell(name, attributes);
        if (failed()) return;
        if (!m_in_row || depth() != 3) return fail(name + " outside a row");
        if (cell != nullptr) apply_cell_attributes(*cell, attributes);
        m_row->push_back(cell.release());
    }

    // The cell an element starts. A text cell's own attribute "kind" names the cells written as text
    // cells: "none" (a missing cell, null here), "plain", "tcl_cmd" and "window"; an unknown kind
    // reads as a text cell.
    std::unique_ptr<RDB_TABLE_ELEMENT> new_cell(const std::string& name, const XML_ATTRIBUTES& attributes)
    {
        if (name == "location_cell") {
            auto cell = std::make_unique<RDB_TABLE_LOCATION_SCHEMA_ELEMENT>();
            m_location_cell = cell.get();
            return cell;
        }
        if (name == "int_cell") {
            auto cell = std::make_unique<RDB_TABLE_INT_ELEMENT>();
            m_int_cell = cell.get();
            return cell;
        }
        if (name == "delay_cell") {
            auto cell = std::make_unique<RDB_TABLE_DELAY_ELEMENT>(0, TABLE_DELAY_ELEMENT_NO_UNITS);
            m_delay_cell = cell.get();
            return cell;
        }
        const std::string kind = attributes.get("kind");
        if (kind == "none") return nullptr;
        if (kind == "plain") return std::make_unique<RDB_TABLE_ELEMENT>();
        if (kind == "window") return new_window_cell(attributes);
        std::unique_ptr<RDB_TABLE_STRING_ELEMENT> cell;
        if (kind == "tcl_cmd") {
            const std::optional<std::string> command = own_text(attributes.get("tcl_cmd"), "tcl_cmd");
            if (!command) return nullptr;
            cell = std::make_unique<RDB_TABLE_TCL_CMD_ELEMENT>("", *command);
        } else {
            if (!kind.empty()) msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", kind.c_str());
            cell = std::make_unique<RDB_TABLE_STRING_ELEMENT>();
        }
        m_string_cell = cell.get();
        return cell;
    }

    // Null (and the read failed) when a bound is not a number.
    std::unique_ptr<RDB_TABLE_ELEMENT> new_window_cell(const XML_ATTRIBUTES& attributes)
    {
        using WINDOW = RDB_TABLE_DATA_VALID_WINDOW_ELEMENT;
        auto window = std::make_unique<WINDOW>();
        // Before the bounds, which disabling resets.
        if (is_true(attributes.get("disabled"))) window->set_disabled(true);
        const std::pair<const char*, void (WINDOW::*)(int)> bounds[] = {{"window_min", &WINDOW::set_window_min},
                                                                        {"valid_min", &WINDOW::set_valid_min},
                                                                        {"valid_max", &WINDOW::set_valid_max},
                                                                        {"window_max", &WINDOW::set_window_max}};
        for (const auto& [bound, set] : bounds) {
            const std::optional<int> value = number<int>(attributes.get(bound), bound);
            if (!value) return nullptr;
            ((*window).*set)(*value);
        }
        window->set_is_scale(is_true(attributes.get("is_scale")));
        return window;
    }

    void on_end(const std::string& name) override
    {
        if (m_command != nullptr && end_command_child(name)) return;
        if (depth() == 1) return end_table();
        if (depth() == 2) {
            if (name == "row")
                m_in_row = false;
            else if (name == "disable_iname_column")
                add_column(&RDB_TABLE_OBJECT::disable_iname_lookup_for_col);
            else if (name == "hidden_column")
                add_column(&RDB_TABLE_OBJECT::hide_column);
            else if (name == "link_info") {
                if (RDB_LINK_TABLE_OBJECT* link = m_table->dynamic_cast_to_RDB_LINK_TABLE_OBJECT())
                    link->set_link_info(m_text);
            } else if (!end_chart_or_histogram_child(name))
                end_common_child(*m_table, name);
            return;
        }
        if (name == "string_cell" || name == "iname_cell") {
            if (m_string_cell) m_string_cell->set_string(m_text);
            m_string_cell = nullptr;
        } else if (name == "int_cell") {
            std::optional<int> value = number<int>(m_text, "int_cell");
            if (m_int_cell && value) m_int_cell->set_data(*value);
            m_int_cell = nullptr;
        } else if (name == "location_cell") {
            m_location_cell = nullptr;
        } else if (name == "delay_cell") {
            m_delay_cell = nullptr;
        } else if (name == "cell_text" || name == "location" || name == "hpath") {
            if (m_location_cell == nullptr) return;
            if (name == "cell_text")
                m_location_cell->set_string(m_text);
            else if (name == "location")
                m_location_cell->set_location_schema_tcl_string(m_text);
            else
                m_location_cell->set_hierarchy_path(m_text);
        } else if (name == "delay") {
            std::optional<int> value = number<int>(m_text, "delay");
            if (m_delay_cell && value) m_delay_cell->set_delay(*value);
        } else if (name == "display_option") {
            if (m_delay_cell == nullptr) return;
            if (rdb_exists_rdb_table_delay_element_display_option_enum_by_string(m_text.c_str()))
                m_delay_cell->set_display_option(
                    rdb_get_rdb_table_delay_element_display_option_enum_by_string(m_text.c_str()));
            else
                msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", m_text.c_str());
        }
    }

protected: // the grid table reader reads its header cells with this reader's cell code
    void start_table(const std::string& name, const XML_ATTRIBUTES& attributes)
    {
        if (name == "chart") return start_chart(attributes);
        const std::string object_name = attributes.get("name");
        if (name == "histogram")
            m_table = m_state.create<RDB_HISTOGRAM_TABLE_OBJECT>(object_name, "", 1u);
        else if (const std::string* threshold = attributes.find("heatmap_threshold"); name == "table" && threshold)
            m_table = start_heatmap(object_name, *threshold);
        else if (name == "link_table")
            m_table = m_state.create<RDB_LINK_TABLE_OBJECT>(object_name);
        else if (name == "tcl_table")
            m_table = start_tcl_table(object_name, attributes);
        else if (name == "table" && is_true(attributes.get("new_table")))
            m_table = m_state.create<RDB_NEW_TABLE_OBJECT>(object_name);
        else
            m_table = m_state.create<RDB_TABLE_OBJECT>(object_name);
        m_table->set_no_compact_format(is_true(attributes.get("no_compact")));
        m_table->set_alternating_row_colors(is_true(attributes.get("altrn_row_colors")));
        // Set only when on, so that a table without the trait gets no trait value.
        if (is_true(attributes.get("altrn_hierarchical_row_colors")))
            m_table->set_alternate_hierarchical_row_colors(true);
        m_table->set_display_of_row_numbers(is_true(attributes.get("display_row_numbers")));
        m_table->set_uniform_row_heights(is_true(attributes.get("uniform_rows")));
        if (const std::string* sort = attributes.find("sort_enabled")) m_table->set_sort_enabled(is_true(*sort));
        std::optional<int> expand_to = number<int>(attributes.get("expand_to"), "expand_to");
        if (!expand_to) return;
        m_table->expand_to_level(*expand_to);
        apply_common_attributes(*m_table, attributes);
        attach(*m_table, attributes);
    }

    // The context-menu flag is read from the tcl_table element, where it is written, as well as from a
    // show_tcl_commands_on_context_menu element inside the table.
    RDB_TCL_TABLE_OBJECT* start_tcl_table(const std::string& object_name, const XML_ATTRIBUTES& attributes)
    {
        auto* table = m_state.create<RDB_TCL_TABLE_OBJECT>(object_name);
        table->set_show_tcl_commands_on_context_menu(is_true(attributes.get("show_tcl_commands_on_context_menu")));
        return table;
    }

    // command and show_tcl_commands_on_context_menu; true when name was one of them.
    bool start_tcl_table_child(const std::string& name, const XML_ATTRIBUTES& attributes)
    {
        if (name != "command" && name != "show_tcl_commands_on_context_menu") return false;
        RDB_TCL_TABLE_OBJECT* table = m_table->dynamic_cast_to_RDB_TCL_TABLE_OBJECT();
        if (table == nullptr) return true;
        if (name == "command") {
            m_command = new RDB_TCL_TABLE_CMD();
            table->add_cmd_template(m_command);
        } else {
            table->set_show_tcl_commands_on_context_menu(is_true(attributes.get(name)));
        }
        return true;
    }

    // The end of command or of one of its children; true when name was one of them.
    bool end_command_child(const std::string& name)
    {
        if (depth() == 2 && name == "command") {
            m_command = nullptr;
            return true;
        }
        if (depth() != 3) return false;
        if (name == "gui_cmd_name") {
            m_command->set_gui_cmd_name(m_text);
        } else if (name == "tool_tip") {
            m_command->set_tool_tip(m_text);
        } else if (name == "help") {
            m_command->set_help(m_text);
        } else if (name == "cmd_template") {
            m_command->set_cmd_template(m_text);
        } else if (name == "col_index" || name == "row_index") {
            std::optional<int> index = number<int>(m_text, name.c_str());
            if (index) (name == "col_index" ? m_command->set_col_index(*index) : m_command->set_row_index(*index));
        } else {
            return false;
        }
        return true;
    }

    // Our own attribute marks a heat map (a threshold that is not a number fails the read).
    RDB_TABLE_OBJECT* start_heatmap(const std::string& object_name, const std::string& threshold_text)
    {
        auto* heatmap = m_state.create<RDB_HEATMAP_TABLE_OBJECT>(object_name);
        if (std::optional<int> threshold = number<int>(threshold_text, "heatmap_threshold"))
            heatmap->set_threshold_percentage(*threshold);
        return heatmap;
    }

    // A chart of "size" rows gets its header row here, unless it has none or our own "full_rows"
    // says that its rows follow as table rows.
    void start_chart(const XML_ATTRIBUTES& attributes)
    {
        const std::string object_name = attributes.get("name");
        std::optional<int> size = 1;
        if (const std::string* size_text = attributes.find("size")) size = number<int>(*size_text, "size");
        if (!size) return;
        m_chart = m_state.create<RDB_CHART_TABLE_OBJECT>(object_name, *size);
        m_table = m_chart;
        m_chart_full_rows = is_true(attributes.get("full_rows"));
        if (!m_chart_full_rows && *size != 0) m_chart->add_row_of_strings("", "");
        if (!apply_changed_table_flags(*m_chart, attributes)) return;
        apply_common_attributes(*m_chart, attributes);
        attach(*m_chart, attributes);
    }

    // The table flags of the kinds whose standard element has none: our own attributes, each present
    // only when it differs from a new table's. False when the read failed.
    bool apply_changed_table_flags(RDB_TABLE_OBJECT& table, const XML_ATTRIBUTES& attributes)
    {
        const std::pair<const char*, void (RDB_TABLE_OBJECT::*)(bool)> flags[] = {
            {"no_compact", &RDB_TABLE_OBJECT::set_no_compact_format},
            {"altrn_row_colors", &RDB_TABLE_OBJECT::set_alternating_row_colors},
            {"altrn_hierarchical_row_colors", &RDB_TABLE_OBJECT::set_alternate_hierarchical_row_colors},
            {"display_row_numbers", &RDB_TABLE_OBJECT::set_display_of_row_numbers},
            {"uniform_rows", &RDB_TABLE_OBJECT::set_uniform_row_heights},
            {"sort_enabled", &RDB_TABLE_OBJECT::set_sort_enabled}};
        for (const auto& [flag, set] : flags)
            if (const std::string* value = attributes.find(flag)) (table.*set)(is_true(*value));
        if (const std::string* expand_text = attributes.find("expand_to")) {
            std::optional<int> expand_to = number<int>(*expand_text, "expand_to");
            if (!expand_to) return false;
            table.expand_to_level(*expand_to);
        }
        return true;
    }

    void start_chart_data(const XML_ATTRIBUTES& attributes)
    {
        if (m_chart_full_rows) return;
        m_chart->add_row(attributes.get("name"), 0);
        m_row = m_chart->get_row(static_cast<int>(m_chart->get_number_of_rows() - 1));
    }

    // The children of a histogram or chart besides rows, column lists and the common ones; false for
    // any other element.
    bool end_chart_or_histogram_child(const std::string& name)
    {
        if (RDB_HISTOGRAM_TABLE_OBJECT* histogram = m_table->dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT()) {
            if (name == "x_label") {
                histogram->set_x_axis_label(m_text);
            } else if (name == "y_label") {
                histogram->set_y_axis_label(m_text);
            } else if (name == "unit") {
                histogram->set_x_unit(m_text);
            } else if (name == "scale") {
                if (std::optional<unsigned> scale = number<unsigned>(m_text, "scale")) histogram->restore_x_scale(*scale);
            } else if (name == "partition_name") {
                std::vector<std::string> names = histogram->get_partition_names();
                names.push_back(m_text);
                histogram->add_partition_names(names);
            } else if (name == "partition_values") {
                end_partition_values(*histogram);
            } else {
                return false;
            }
            return true;
        }
        if (m_chart == nullptr) return false;
        if (name == "type") {
            // The writer leaves the text empty for the one type without a user text.
            if (m_text.empty())
                m_chart->set_default_chart_type(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE);
            else if (rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(m_text.c_str()))
                m_chart->set_default_chart_type(rdb_get_rdb_chart_table_object_chart_types_enum_by_string(m_text.c_str()));
            else
                msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", m_text.c_str());
        } else if (name == "show_labels") {
            m_chart->display_labels(is_true(m_text));
        } else if (name != "x_label" && name != "y_label" && name != "data") {
            return false;
        } else if (m_chart_full_rows) {
            // The rows that follow carry the captions and the data.
        } else if (name == "data") {
            std::optional<int> value = number<int>(m_text, "data");
            if (value && m_row != nullptr) (*m_row)[1]->set_int_element_data(*value);
            m_row = nullptr;
        } else if (m_chart->get_number_of_rows() > 0 && m_chart->get_element(0, name == "x_label" ? 0 : 1, nullptr) == nullptr) {
            fail("chart \"" + m_chart->get_name() + "\" has no header cell for its " + name);
        } else if (!m_text.empty() || m_chart->get_number_of_rows() > 0) {
            // An empty caption of a chart without rows is no header row.
            if (name == "x_label")
                m_chart->set_x_axis(m_text);
            else
                m_chart->set_y_axis(m_text);
        }
        return true;
    }

    // One list per element, in row order: integers separated by blanks.
    void end_partition_values(RDB_HISTOGRAM_TABLE_OBJECT& histogram)
    {
        std::vector<int> values;
        std::size_t at = 0;
        while ((at = m_text.find_first_not_of(" \t\n\r", at)) != std::string::npos) {
            const std::size_t end = std::min(m_text.find_first_of(" \t\n\r", at), m_text.size());
            std::optional<int> value = number<int>(std::string_view(m_text).substr(at, end - at), "partition value");
            if (!value) return;
            values.push_back(*value);
            at = end;
        }
        histogram.add_partition_for_row(values, static_cast<int>(histogram.get_all_partition_values().size()));
    }

    // Every data row of a histogram must hold the three integers its accessors and text form read.
    void end_table()
    {
        const RDB_HISTOGRAM_TABLE_OBJECT* histogram = m_table->dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT();
        if (histogram == nullptr) return;
        for (unsigned r = 1; r < histogram->get_number_of_rows(); ++r)
            for (unsigned c = 0; c < 3; ++c) {
                const RDB_TABLE_ELEMENT* cell = histogram->get_element(r, c, nullptr);
                if (cell == nullptr || cell->dynamic_cast_to_RDB_TABLE_INT_ELEMENT() == nullptr)
                    return fail("histogram \"" + histogram->get_name() + "\" has a bin that is not three integers");
            }
    }

    void add_column(void (RDB_TABLE_OBJECT::*add)(int))
    {
        std::optional<unsigned> column = number<unsigned>(m_text, "column number");
        if (column) (m_table->*add)(static_cast<int>(*column));
    }

    static void apply_cell_attributes(RDB_TABLE_ELEMENT& cell, const XML_ATTRIBUTES& attributes)
    {
        const std::string foreground = attributes.get("foreground");
        if (!foreground.empty()) cell.set_foreground(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(foreground)));
        const std::string background = attributes.get("background");
        if (!background.empty()) cell.set_background(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(background)));
        if (is_true(attributes.get("unknown_foreground"))) cell.set_foreground(RDB_COLOR_UNKNOWN);
        if (is_true(attributes.get("unknown_background"))) cell.set_background(RDB_COLOR_UNKNOWN);
        if (const std::string* tooltip = attributes.find("tooltip")) cell.set_tooltip(*tooltip);
    }

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

// Summaries: a row per name and value element, or with our own "full_rows" the rows as a table has
// them (read by the table reader's code, as are the column lists), and the gauges.
class RDB_XML_SUMMARY_HANDLER : public RDB_XML_TABLE_HANDLER {
public:
    using RDB_XML_TABLE_HANDLER::RDB_XML_TABLE_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_summary = m_state.create<RDB_SUMMARY_TABLE_OBJECT>(attributes.get("name"));
            m_table = m_summary;
            m_full_rows = is_true(attributes.get("full_rows"));
            if (!apply_changed_table_flags(*m_summary, attributes)) return;
            apply_common_attributes(*m_summary, attributes);
            attach(*m_summary, attributes);
        } else if (m_full_rows && (name == "row" || m_in_row)) {
            RDB_XML_TABLE_HANDLER::on_start(name, attributes);
        } else if (name == "element") {
            if (m_full_rows) return;
            m_summary->add_row(rdb_create_row(attributes.get("name"), std::string()));
            m_row = m_summary->get_row(static_cast<int>(m_summary->get_number_of_rows() - 1));
        } else if (name == "gauges") {
            // Our own "all_slots" lists every slot, so the gauges are made without slots of their own.
            const std::string* gauges_name = attributes.find("name");
            m_gauges = new RDB_GAUGES_OBJECT(gauges_name ? *gauges_name : "This name should not be observed",
                                             is_true(attributes.get("all_slots")) ? 0 : GAUGES_CAPACITY);
            forget_nested(m_summary->get_gauges());
            m_summary->set_gauges(m_gauges);
            number_nested(*m_gauges, attributes);
            m_next_gauge = 0;
            m_gauge = nullptr;
        } else if (name == "empty_slot") {
            if (m_gauges == nullptr) return fail("empty_slot outside gauges");
            if (m_next_gauge >= m_gauges->get_size()) m_gauges->add_data(nullptr);
            ++m_next_gauge;
        } else if (name == "gauge") {
            if (m_gauges == nullptr) return fail("gauge outside gauges");
            m_gauge = new RDB_GAUGES_DATA_ELEMENT(attributes.get("name"), is_true(attributes.get("percent")), 0, 0, 0,
                                                  !is_true(attributes.get("enabled")));
            if (m_next_gauge < m_gauges->get_size())
                m_gauges->set_data_at(static_cast<unsigned>(m_next_gauge), m_gauge);
            else
                m_gauges->add_data(m_gauge);
            ++m_next_gauge;
        }
    }

    void on_end(const std::string& name) override
    {
        if (m_in_row || (depth() == 2 && (name == "hidden_column" || name == "disable_iname_column")))
            return RDB_XML_TABLE_HANDLER::on_end(name);
        if (depth() == 2 && end_common_child(*m_summary, name)) return;
        if (name == "element") {
            if (m_row != nullptr) (*m_row)[1]->set_string(m_text);
            m_row = nullptr;
        } else if (name == "min" || name == "max" || name == "value") {
            std::optional<int> value = number<int>(m_text, name.c_str());
            if (!value) return;
            if (m_gauge == nullptr) return fail(name + " outside a gauge");
            (name == "min" ? m_gauge->m_min_range : name == "max" ? m_gauge->m_max_range : m_gauge->m_status) = *value;
        }
    }

private:
    RDB_SUMMARY_TABLE_OBJECT* m_summary = nullptr;
    bool m_full_rows = false;
    RDB_GAUGES_OBJECT* m_gauges = nullptr;
    RDB_GAUGES_DATA_ELEMENT* m_gauge = nullptr;
    std::size_t m_next_gauge = 0;
};

// Our own element for a gauges object in a folder: one "gauge" or "empty_slot" per slot.
class RDB_XML_GAUGES_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            m_gauges = m_state.create<RDB_GAUGES_OBJECT>(attributes.get("name"), 0);
            apply_common_attributes(*m_gauges, attributes);
            attach(*m_gauges, attributes);
        } else if (depth() == 2 && (name == "gauge" || name == "empty_slot")) {
            m_gauge = name == "empty_slot" ? nullptr
                                           : new RDB_GAUGES_DATA_ELEMENT(attributes.get("name"),
                                                                         is_true(attributes.get("percent")), 0, 0, 0,
                                                                         !is_true(attributes.get("enabled")));
            m_gauges->add_data(m_gauge);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() == 2) {
            if (name != "gauge" && name != "empty_slot") end_common_child(*m_gauges, name);
            m_gauge = nullptr;
        } else if (depth() == 3 && (name == "min" || name == "max" || name == "value")) {
            std::optional<int> value = number<int>(m_text, name.c_str());
            if (!value) return;
            if (m_gauge == nullptr) return fail(name + " outside a gauge");
            (name == "min" ? m_gauge->m_min_range : name == "max" ? m_gauge->m_max_range : m_gauge->m_status) = *value;
        }
    }

private:
    RDB_GAUGES_OBJECT* m_gauges = nullptr;
    RDB_GAUGES_DATA_ELEMENT* m_gauge = nullptr;
};

// Embedded objects and memory contents. A memory's array is made from the sizes in its attributes,
// before its content is seen, so the sizes are bounded, and every name and value is checked against
// them before it is stored.
class RDB_XML_EMBEDDED_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

    // The bytes a memory of these sizes may take at most (the largest real memories need a few MB).
    static constexpr std::uint64_t MAX_MEMORY_BYTES = std::uint64_t(1) << 27;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            if (name == "embedded")
                start_embedded(attributes);
            else if (name == "memory")
                start_memory(attributes);
            return;
        }
        if (m_memory == nullptr) return;
        if (name == "address_names") {
            m_in_address_names = true;
            m_address_name_index = 0;
        } else if (name == "data_names") {
            m_in_data_names = true;
            m_data_bit_index = 0;
        } else if (name == "content") {
            m_address_index = 0;
        } else if (name == "address") {
            m_data_bit_index = 0;
        }
    }

    void on_end(const std::string& name) override
    {
        if (m_embedded == nullptr) return;
        if (depth() == 2 && end_common_child(*m_embedded, name)) return;
        if (name == "info")
            m_embedded->set_info_str(m_text);
        else if (name == "message_file")
            m_embedded->add_message_file(m_text);
        if (m_memory == nullptr) return;
        if (name == "original_filename") {
            m_memory->set_original_file_name(m_text);
        } else if (name == "name") {
            end_name();
        } else if (name == "data") {
            end_data();
        } else if (name == "address") {
            ++m_address_index;
        } else if (name == "address_names" || name == "data_names") {
            m_in_address_names = false;
            m_in_data_names = false;
        } else if (name == "content") {
            m_address_index = 0;
            m_data_bit_index = 0;
        }
    }

private:
    void start_embedded(const XML_ATTRIBUTES& attributes)
    {
        const std::string type_text = attributes.get("type");
        if (lower(type_text) == "floorplan") {
            msg_local_vdebug("RDB", 2, "Floorplan embedded type is no longer supported.");
            return;
        }
        RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type = EMBEDDED_OBJECT_NO_EMBEDDED_TYPE;
        if (rdb_exists_rdb_embedded_object_embedded_type_enum_by_string(type_text.c_str()))
            type = rdb_get_rdb_embedded_object_embedded_type_enum_by_string(type_text.c_str());
        else
            msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", type_text.c_str());
        m_embedded = m_state.create<RDB_EMBEDDED_OBJECT>(attributes.get("name"), type);
        apply_common_attributes(*m_embedded, attributes);
        attach(*m_embedded, attributes);
    }

    void start_memory(const XML_ATTRIBUTES& attributes)
    {
        std::optional<unsigned> depth = number<unsigned>(attributes.get("depth"), "depth");
        std::optional<unsigned> width = number<unsigned>(attributes.get("width"), "width");
        std::optional<unsigned> address_width = number<unsigned>(attributes.get("address_width"), "address_width");
        if (!depth || !width || !address_width) return;
        // Per word its bits and the vector holding them; per name a string.
        const std::uint64_t bytes =
            std::uint64_t(*depth) * (std::uint64_t(*width) + 32) + (std::uint64_t(*width) + *address_width) * 32;
        if (bytes > MAX_MEMORY_BYTES)
            return fail("memory \"" + attributes.get("name") + "\" is too large: " + std::to_string(*depth) + " x " +
                        std::to_string(*width));
        const std::string name = attributes.get("name");
        m_memory = m_state.create<RDB_MEMORY_OBJECT>(name, name, *depth, *width, *address_width, nullptr);
        m_embedded = m_memory;
        if (const std::string* logical_name = attributes.find("logical_name"))
            m_memory->set_logical_name(*logical_name);
        apply_common_attributes(*m_memory, attributes);
        attach(*m_memory, attributes);
    }

    void end_name()
    {
        if (m_in_address_names) {
            if (m_address_name_index >= m_memory->get_address_width())
                return fail("more address names than address bits in \"" + m_memory->get_name() + "\"");
            m_memory->set_address_name(m_address_name_index++, m_text);
        } else if (m_in_data_names) {
            if (m_data_bit_index >= m_memory->get_width())
                return fail("more data names than data bits in \"" + m_memory->get_name() + "\"");
            m_memory->set_data_name(m_data_bit_index++, m_text);
        }
    }

    void end_data()
    {
        if (m_address_index >= m_memory->get_depth() || m_data_bit_index >= m_memory->get_width())
            return fail("memory content outside the size of \"" + m_memory->get_name() + "\"");
        const std::string value = lower(m_text);
        const CDB_CAM_DATA_ENUM bit = value == "0"   ? CDB_CAM_DATA_ZERO
                                      : value == "1" ? CDB_CAM_DATA_ONE
                                                     : CDB_CAM_DATA_UNKNOWN;
        m_memory->set_value_at(m_address_index, m_data_bit_index++, bit);
    }

    RDB_EMBEDDED_OBJECT* m_embedded = nullptr;
    RDB_MEMORY_OBJECT* m_memory = nullptr;
    unsigned m_data_bit_index = 0;
    unsigned m_address_name_index = 0;
    unsigned m_address_index = 0;
    bool m_in_address_names = false;
    bool m_in_data_names = false;
};

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
        const bool show = is_true(attributes.get("show_if_default"));
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

// ---- Timing paths and waveform displays (elements of our own) ----

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
        const bool direct = is_true(attributes.get("direct"));
        const bool shaded = is_true(attributes.get("shaded"));
        const bool bars = is_true(attributes.get("reference_bars"));
        RDB_ARROW_PROPERTIES::STYLE style = RDB_ARROW_PROPERTIES::REFERENCE_BARS_STYLE;
        if (direct && !shaded && !bars)
            style = RDB_ARROW_PROPERTIES::DIRECT_STYLE;
        else if (!direct && shaded && bars)
            style = RDB_ARROW_PROPERTIES::SHADED_STYLE;
        else if (direct || shaded || !bars)
            return fail("arrow flags of no style");
        auto arrow = std::make_unique<RDB_ARROW_ELEMENT>(attributes.get("label"), *begin_id, *begin_time, *end_id,
                                                         *end_time);
        RDB_ARROW_PROPERTIES& properties = arrow->get_properties();
        static_cast<RDB_LINE_PROPERTIES&>(properties) = *line;
        properties.set_style(style);
        properties.use_begin_arrowhead(is_true(attributes.get("begin_arrowhead")));
        properties.use_end_arrowhead(is_true(attributes.get("end_arrowhead")));
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
            handler = std::make_unique<RDB_XML_SUMMARY_HANDLER>(m_state);
        else if (name == "text" || name == "legal")
            handler = std::make_unique<RDB_XML_TEXT_HANDLER>(m_state);
        else if (name == "waveform_display")
            handler = std::make_unique<RDB_XML_WAVEFORM_DISPLAY_HANDLER>(m_state);
        else
            handler = std::make_unique<RDB_XML_SKIP_HANDLER>(m_state);
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

// Base of our own elements that give a folder's pointers at its children as indices among them.
class RDB_XML_CHILD_LINKS_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    // The folder of class FOLDER the element's name_id names; null (and the read failed) when there
    // is none. kind names the class in messages.
    template <class FOLDER> FOLDER* find_folder(const XML_ATTRIBUTES& attributes, const char* element, const char* kind)
    {
        const std::optional<int> id = number<int>(attributes.get("name_id"), "name_id");
        if (!id) return nullptr;
        auto found = m_state.folders_by_id.find(*id);
        FOLDER* folder = found != m_state.folders_by_id.end() ? dynamic_cast<FOLDER*>(found->second) : nullptr;
        if (folder == nullptr) {
            fail(std::string(element) + " names no " + kind);
            return nullptr;
        }
        m_links_folder = folder;
        m_kind = kind;
        m_children.assign(folder->begin(), folder->end());
        return folder;
    }

    // The child at the index the text gives; null (and the read failed) when there is none.
    RDB_OBJECT* child_at(const std::string& text)
    {
        const std::optional<std::size_t> index = number<std::size_t>(text, "child index");
        if (!index) return nullptr;
        if (*index >= m_children.size()) {
            fail("child index " + text + " beyond the children of " + m_kind + " \"" + m_links_folder->get_name() +
                 "\"");
            return nullptr;
        }
        return m_children[*index];
    }

    // The children at the indices of a text of blank-separated indices, "-1" giving null; nullopt
    // (and the read failed) when one names no child.
    std::optional<std::vector<RDB_OBJECT*>> children_at(const std::string& text)
    {
        std::vector<RDB_OBJECT*> children;
        std::istringstream in(text);
        for (std::string item; in >> item;) {
            RDB_OBJECT* child = item == "-1" ? nullptr : child_at(item);
            if (child == nullptr && item != "-1") return std::nullopt;
            children.push_back(child);
        }
        return children;
    }

private:
    const RDB_FOLDER_OBJECT* m_links_folder = nullptr;
    const char* m_kind = "";
    std::vector<RDB_OBJECT*> m_children;
};

// A path folder's pointers at its children.
class RDB_XML_PATH_FOLDER_LINKS_HANDLER : public RDB_XML_CHILD_LINKS_HANDLER {
public:
    using RDB_XML_CHILD_LINKS_HANDLER::RDB_XML_CHILD_LINKS_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        m_folder = find_folder<RDB_PATH_FOLDER_OBJECT>(attributes, "path_folder_links", "path folder");
        if (m_folder == nullptr) return;
        if (const std::string* text = attributes.find("summary_table")) {
            RDB_OBJECT* child = child_at(*text);
            if (child == nullptr) return;
            RDB_TABLE_OBJECT* table = child->dynamic_cast_to_RDB_TABLE_OBJECT();
            if (table == nullptr) return fail("the summary table of a path folder is not a table");
            m_folder->set_path_summary_table(table);
        }
        if (const std::string* text = attributes.find("option_summary_panel"))
            if (RDB_OBJECT* child = child_at(*text)) m_folder->set_option_summary_panel(child);
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || name != "path_ids" || m_folder == nullptr) return;
        const std::optional<std::vector<RDB_OBJECT*>> children = children_at(m_text);
        if (!children) return;
        std::vector<RDB_PATH_OBJECT*> table;
        for (RDB_OBJECT* child : *children) {
            RDB_PATH_OBJECT* path = child ? child->dynamic_cast_to_RDB_PATH_OBJECT() : nullptr;
            if (child != nullptr && path == nullptr) return fail("a path id names a child that is not a path");
            table.push_back(path);
        }
        m_folder->set_path_id_table(std::move(table));
    }

private:
    RDB_PATH_FOLDER_OBJECT* m_folder = nullptr;
};

// A master-detail folder's master table and details, for a folder listed with "explicit_details".
class RDB_XML_MASTER_DETAIL_LINKS_HANDLER : public RDB_XML_CHILD_LINKS_HANDLER {
public:
    using RDB_XML_CHILD_LINKS_HANDLER::RDB_XML_CHILD_LINKS_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        m_folder = find_folder<RDB_MASTER_DETAIL_OBJECT>(attributes, "master_detail_links", "master-detail folder");
        if (m_folder == nullptr) return;
        if (m_state.explicit_details.count(m_folder) == 0)
            return fail("master_detail_links names a folder whose children give them");
        if (const std::string* text = attributes.find("master")) {
            RDB_OBJECT* child = child_at(*text);
            if (child == nullptr) return;
            RDB_TABLE_OBJECT* table = child->dynamic_cast_to_RDB_TABLE_OBJECT();
            if (table == nullptr) return fail("the master of a master-detail folder is not a table");
            m_folder->add_master_table(table);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || name != "detail_ids" || m_folder == nullptr) return;
        const std::optional<std::vector<RDB_OBJECT*>> children = children_at(m_text);
        if (!children) return;
        for (RDB_OBJECT* child : *children) {
            if (child == nullptr) return fail("a detail id of -1");
            m_folder->add_detail_object(child);
        }
    }

private:
    RDB_MASTER_DETAIL_OBJECT* m_folder = nullptr;
};

// Decodes the trait archive at the end of a report document.
class RDB_XML_DTRAITS_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES&) override {}
    void on_end(const std::string&) override
    {
        if (depth() != 1) return;
        DTRAIT::LOAD_TRACKER tracker(typeid(RDB_OBJECT));
        // Per folder, how many children of each name have had their values, so that siblings that
        // share a name each get their own.
        std::unordered_map<int, std::unordered_map<std::string, unsigned>> seen;
        auto on_record = [this](int number, DTRAIT::TRACKED_VALUES values) {
            if (RDB_FOLDER_OBJECT* folder = folder_of(number)) return apply(*folder, values);
            if (auto nested = m_state.nested_by_id.find(number); nested != m_state.nested_by_id.end())
                apply(*nested->second, values);
        };
        auto on_child = [this, &seen](int number, const std::string& name, DTRAIT::TRACKED_VALUES values) {
            RDB_FOLDER_OBJECT* folder = folder_of(number);
            // A link folder's children are another report's, which the file does not change.
            if (folder == nullptr || folder->dynamic_cast_to_RDB_LINK_RPT_OBJECT() != nullptr) return;
            unsigned wanted = seen[number][name]++;
            for (RDB_OBJECT* child : *folder) {
                if (child->get_name() != name) continue;
                if (wanted-- == 0) return apply(*child, values);
            }
        };
        try {
            tracker.load(m_text, on_record, on_child);
        } catch (const DTRAIT::ARCHIVE_ERROR& error) {
            msg_local_vdebug("RDB", 2, "%s", error.what());
        }
        tracker.finalise();
    }

private:
    RDB_FOLDER_OBJECT* folder_of(int number) const
    {
        auto found = m_state.folders_by_id.find(number);
        return found != m_state.folders_by_id.end() ? found->second : nullptr;
    }

    static void apply(RDB_OBJECT& object, const DTRAIT::TRACKED_VALUES& values)
    {
        for (const DTRAIT::TRACKED_VALUE& entry : values) {
            if (entry.name.get_category() != RDB_OBJECT::TRAIT_CATEGORY ||
                entry.name.get_group_str() != RDB_OBJECT::TRAIT_GROUP)
                continue;
            const std::string& name = entry.name.get_basename_str();
            switch (entry.type) {
            case DTRAIT::TYPE_ENUM::BOOL:
                object.set_bool_trait(name, std::get<bool>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::INT:
                object.set_int_trait(name, std::get<std::int32_t>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::LONG:
                object.set_long_trait(name, std::get<std::int64_t>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::FLOAT:
                object.set_float_trait(name, std::get<float>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::DOUBLE:
                object.set_double_trait(name, std::get<double>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::STRING:
                object.set_string_trait(name, std::get<std::string>(entry.value));
                break;
            case DTRAIT::TYPE_ENUM::BYTE_ARRAY:
                object.set_byte_array_trait(name, std::get<DTRAIT::BYTES>(entry.value));
                break;
            }
        }
    }
};

// Our own element after the folders section: the report's current folder, when it is not the main
// folder.
class RDB_XML_CURRENT_FOLDER_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        const std::optional<int> id = number<int>(attributes.get("name_id"), "name_id");
        if (!id) return;
        auto found = m_state.folders_by_id.find(*id);
        if (found == m_state.folders_by_id.end()) return fail("current_folder names no listed folder");
        m_state.report->set_current_folder(found->second);
    }
    void on_end(const std::string&) override {}
};

// Dispatches the outermost elements, and those inside "report" and "panels", to their handlers.
class RDB_XML_ROOT_HANDLER : public XML_CONTENT_HANDLER {
public:
    explicit RDB_XML_ROOT_HANDLER(READ_STATE& state) : m_state(state) {}

    void start_element(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        const std::string key = lower(name);
        const bool outermost = m_first;
        m_first = false;
        if (key == "report" || key == "panels") return;
        std::unique_ptr<XML_CONTENT_HANDLER> handler;
        if (key == "folders")
            handler = std::make_unique<RDB_XML_FOLDERS_HANDLER>(m_state);
        else if (key == "folder_ref")
            handler = std::make_unique<RDB_XML_FOLDER_REF_HANDLER>(m_state);
        else if (key == "text" || key == "legal")
            handler = std::make_unique<RDB_XML_TEXT_HANDLER>(m_state);
        else if (key == "table" || key == "tan_slack_table" || key == "link_table")
            handler = std::make_unique<RDB_XML_TABLE_HANDLER>(m_state);
        else if (key == "tcl_table" || key == "histogram" || key == "chart")
            handler = std::make_unique<RDB_XML_TABLE_HANDLER>(m_state);
        else if (key == "gauges")
            handler = std::make_unique<RDB_XML_GAUGES_HANDLER>(m_state);
        else if (key == "summary")
            handler = std::make_unique<RDB_XML_SUMMARY_HANDLER>(m_state);
        else if (key == "embedded" || key == "waveform" || key == "memory")
            handler = std::make_unique<RDB_XML_EMBEDDED_HANDLER>(m_state);
        else if (key == "path")
            handler = std::make_unique<RDB_XML_PATH_HANDLER>(m_state);
        else if (key == "waveform_display")
            handler = std::make_unique<RDB_XML_WAVEFORM_DISPLAY_HANDLER>(m_state);
        else if (key == "path_folder_links")
            handler = std::make_unique<RDB_XML_PATH_FOLDER_LINKS_HANDLER>(m_state);
        else if (key == "master_detail_links")
            handler = std::make_unique<RDB_XML_MASTER_DETAIL_LINKS_HANDLER>(m_state);
        else if (key == "grid_table")
            handler = std::make_unique<RDB_XML_GRID_TABLE_HANDLER>(m_state);
        else if (key == "dtraits")
            handler = std::make_unique<RDB_XML_DTRAITS_HANDLER>(m_state);
        else if (key == "current_folder")
            handler = std::make_unique<RDB_XML_CURRENT_FOLDER_HANDLER>(m_state);
        else
            handler = std::make_unique<RDB_XML_SKIP_HANDLER>(m_state);
        m_state.panel_root_pending = outermost;
        get_parser().push_handler(std::move(handler)).start_element(name, attributes);
        m_state.panel_root_pending = false;
    }
    void end_element(const std::string&) override {}
    void characters(std::string_view) override {}

private:
    READ_STATE& m_state;
    bool m_first = true;
};

} // namespace

std::unique_ptr<RDB_REPORT> rdb_read_xml_report(gsl::span<const char> text)
{
    auto report = std::make_unique<RDB_REPORT>();
    READ_STATE state;
    state.report = report.get();
    RDB_XML_ROOT_HANDLER root(state);
    std::string error;
    int result = xml_parse(root, text, "rdb_schema", &error);
    if (result == 0) {
        auto placed = [&state](const RDB_FOLDER_OBJECT* folder) {
            return folder->get_ownership_status() != NOT_OWNED || state.link_content.count(folder) != 0;
        };
        for (const auto& [id, folder] : state.folders_by_id)
            if (!placed(folder)) {
                error = "folder number " + std::to_string(id) + " is listed but never placed";
                result = 1;
            }
        for (const auto& [name, folder] : state.folders_by_name)
            if (!placed(folder)) {
                error = "folder \"" + name + "\" is listed but never placed";
                result = 1;
            }
        // The current folder must outlive the read: not one of a link folder's children.
        const RDB_FOLDER_OBJECT* current = report->get_current_folder();
        const RDB_FOLDER_OBJECT* ancestor = current;
        while (ancestor != nullptr && ancestor != report->get_main_folder())
            ancestor = ancestor->get_parent();
        if (current != nullptr && ancestor == nullptr) {
            error = "the current folder is not in the report";
            result = 1;
        }
    }
    const std::vector<RDB_OBJECT*> unattached = state.unattached();
    if (result != 0) {
        msg_local_vdebug("RDB", 2, "XML report is not valid: %s", error.c_str());
        report.reset();
    }
    for (RDB_OBJECT* object : unattached)
        delete object;
    return report;
}
