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
//
// This file holds the steps every handler shares, the handlers of the document's own sections
// (folders, trait archive, current folder) and the dispatch of the other elements; the handlers of
// each family of objects are in rdb_xml_parse_<family>.cpp, their shared declarations in
// rdb_xml_parse.h.

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gen/gen_util.h"
#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_xml.h"
#include "rdb_xml_parse.h"
#include "trait/dtrait_tracker.h"
#include "xml/xml_parse.h"

namespace RDB::XML {

std::optional<std::string> RDB_XML_CONTENT_HANDLER::own_text(const std::string& text, const char* what)
{
    std::optional<std::string> decoded = gen_percent_decode(text);
    if (!decoded) fail(std::string(what) + " is not a well-formed percent-encoded text");
    return decoded;
}

void RDB_XML_CONTENT_HANDLER::apply_common_attributes(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
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

bool RDB_XML_CONTENT_HANDLER::end_common_child(RDB_OBJECT& object, const std::string& name)
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

RDB_FOLDER_OBJECT* RDB_XML_CONTENT_HANDLER::find_parent(const XML_ATTRIBUTES& attributes)
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

void RDB_XML_CONTENT_HANDLER::attach(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
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

void RDB_XML_CONTENT_HANDLER::number_nested(RDB_OBJECT& object, const XML_ATTRIBUTES& attributes)
{
    const std::string* text = attributes.find("trait_id");
    if (text == nullptr) return;
    const std::optional<int> id = number<int>(*text, "trait_id");
    if (!id) return;
    if (!m_state.nested_by_id.emplace(*id, &object).second) fail("trait_id " + *text + " is given twice");
}

void RDB_XML_CONTENT_HANDLER::forget_nested(const RDB_OBJECT* object)
{
    std::erase_if(m_state.nested_by_id, [object](const auto& entry) { return entry.second == object; });
}

void RDB_XML_CONTENT_HANDLER::hand_over(std::unique_ptr<RDB_XML_CONTENT_HANDLER> handler, const std::string& name,
                                        const XML_ATTRIBUTES& attributes, std::function<void(RDB_OBJECT&)> place)
{
    --m_depth; // the element's end goes to handler
    m_state.place_nested = std::move(place);
    get_parser().push_handler(std::move(handler)).start_element(name, attributes);
    m_state.place_nested = nullptr;
}

namespace {

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
        if (is_true(attributes, "master_detail")) {
            folder = std::make_unique<RDB_MASTER_DETAIL_OBJECT>(name);
        } else if (is_true(attributes, "path_folder")) {
            folder = std::make_unique<RDB_PATH_FOLDER_OBJECT>(name);
        } else if (is_true(attributes, "multi_corner")) {
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
        folder->set_is_stage_folder(is_true(attributes, "stage_folder"));
        if (folder->dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT() != nullptr && is_true(attributes, "explicit_details"))
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
            handler = new_text_handler(m_state);
        else if (key == "table" || key == "tan_slack_table" || key == "link_table")
            handler = std::make_unique<RDB_XML_TABLE_HANDLER>(m_state);
        else if (key == "tcl_table" || key == "histogram" || key == "chart")
            handler = std::make_unique<RDB_XML_TABLE_HANDLER>(m_state);
        else if (key == "gauges")
            handler = new_gauges_handler(m_state);
        else if (key == "summary")
            handler = new_summary_handler(m_state);
        else if (key == "embedded" || key == "waveform" || key == "memory")
            handler = new_embedded_handler(m_state);
        else if (key == "path")
            handler = new_path_handler(m_state);
        else if (key == "waveform_display")
            handler = new_waveform_display_handler(m_state);
        else if (key == "path_folder_links")
            handler = new_path_folder_links_handler(m_state);
        else if (key == "master_detail_links")
            handler = new_master_detail_links_handler(m_state);
        else if (key == "grid_table")
            handler = new_grid_table_handler(m_state);
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

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_skip_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_SKIP_HANDLER>(state);
}

std::unique_ptr<RDB_REPORT> read_report(const PARSE& parse, std::string& error)
{
    auto report = std::make_unique<RDB_REPORT>();
    READ_STATE state;
    state.report = report.get();
    RDB_XML_ROOT_HANDLER root(state);
    int result = parse(root, &error);
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
    if (result != 0) report.reset();
    for (RDB_OBJECT* object : unattached)
        delete object;
    return report;
}

} // namespace RDB::XML

std::unique_ptr<RDB_REPORT> rdb_read_xml_report(gsl::span<const char> text)
{
    std::string error;
    std::unique_ptr<RDB_REPORT> report = RDB::XML::read_report(
        [text](XML_CONTENT_HANDLER& root, std::string* reason) { return xml_parse(root, text, "rdb_schema", reason); },
        error);
    if (report == nullptr) msg_local_vdebug("RDB", 2, "XML report is not valid: %s", error.c_str());
    return report;
}
