// The JSON panels of a report for the browser-based report viewer: the panel filter, the table of
// contents, the content of each panel kind and the numbered panel files.

#include "rdb_report_gen_json.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "fio/fio.h"
#include "ktl/ktl_regexp.h"
#include "gen/gen_utf8.h"
#include "msg/msg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_escape.h"
#include "rdb_folder.h"
#include "rdb_object.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"

namespace {

using JSON = nlohmann::json;

constexpr const char* SITE_PATH = "/site_media/report_viewer/";
constexpr const char* ICON_PREFIX = "img/mirel_";
constexpr const char* PATH_SEPARATOR = "||";
constexpr const char* REGEXP_PATH_SEPARATOR = "\\|\\|";

// The text with every invalid UTF-8 byte replaced by U+FFFD, so that every value the panels hold can be
// written as strict JSON.
std::string valid_utf8(const std::string& text) { return gen_valid_utf8(text); }

std::string icon_of(const std::string& kind) { return std::string(ICON_PREFIX) + kind + ".png"; }

bool is_message_list(const RDB_EMBEDDED_OBJECT& embedded)
{
    return embedded.get_embedded_type() == EMBEDDED_OBJECT_MESSAGES_TYPE ||
           embedded.get_embedded_type() == EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE;
}

const RDB_TABLE_OBJECT* panel_table(const RDB_OBJECT& object)
{
    const RDB_OBJECT_TYPE type = object.get_type();
    if (type != RDB_TABLE_TYPE && type != RDB_TCL_TABLE_TYPE && type != RDB_SUMMARY_TABLE_TYPE) return nullptr;
    return object.dynamic_cast_to_RDB_TABLE_OBJECT();
}

const char* content_type_of(const RDB_OBJECT& object)
{
    switch (object.get_type()) {
    case RDB_FOLDER_TYPE:
        return "folder";
    case RDB_TEXT_TYPE:
        return object.dynamic_cast_to_RDB_TEXT_OBJECT() != nullptr ? "text" : "rdb_unknown_type";
    case RDB_TABLE_TYPE:
        return panel_table(object) != nullptr ? "table" : "rdb_unknown_type";
    case RDB_TCL_TABLE_TYPE:
        return panel_table(object) != nullptr ? "table_timing" : "rdb_unknown_type";
    case RDB_SUMMARY_TABLE_TYPE:
        return panel_table(object) != nullptr ? "table_summary" : "rdb_unknown_type";
    case RDB_EMBEDDED_TYPE: {
        const RDB_EMBEDDED_OBJECT* embedded = object.dynamic_cast_to_RDB_EMBEDDED_OBJECT();
        return embedded != nullptr && is_message_list(*embedded) ? "messages" : "rdb_unknown_type";
    }
    default:
        return "rdb_unknown_type";
    }
}

// A cell or message text as the viewer shows it, in HTML: escaped, with the degree sign as its entity.
// Only the character U+00B0 (bytes C2 B0) is replaced: a lone 0xB0 byte is the second byte of other
// characters (Cyrillic "а" is D0 B0, "İ" is C4 B0).
std::string viewer_html(const std::string& text)
{
    std::string html = rdb_html_escape(text);
    static const std::string degree = "\xC2\xB0";
    for (std::size_t at = html.find(degree); at != std::string::npos; at = html.find(degree, at + 5))
        html.replace(at, degree.size(), "&deg;");
    return html;
}

// ---- Messages ------------------------------------------------------------------------------------

const char* message_type_of(MSG_FILE_MESSAGE_TYPE type)
{
    switch (type) {
    case MSG_FILE_MESSAGE_TYPE::INFO:
        return "msg_info";
    case MSG_FILE_MESSAGE_TYPE::WARNING:
        return "msg_warning";
    case MSG_FILE_MESSAGE_TYPE::ERROR:
        return "msg_error";
    }
    return "unknown_message_type";
}

JSON message_entry(const char* type, const std::string& text, JSON sub_messages)
{
    const bool leaf = sub_messages.empty();
    return JSON{{"type", type},
                {"icon", icon_of(type)},
                {"message", viewer_html(text)},
                {"leaf", leaf},
                {"messages", std::move(sub_messages)}};
}

// The messages whose suppressed flag equals the selector, with their sub-messages of the same flag.
class PANEL_MESSAGES_FUNCTOR : public MSG_POST_FUNCTOR {
public:
    PANEL_MESSAGES_FUNCTOR(JSON& messages, bool suppressed) : m_messages(messages), m_suppressed(suppressed) {}
    void operator()(const MSG_FILE_MESSAGE* post) override
    {
        RDB_ASSERT(post != NULL);
        if (post->is_suppressed() == m_suppressed) m_messages.push_back(entry(*post));
    }

private:
    JSON entry(const MSG_FILE_MESSAGE& message) const
    {
        JSON sub_messages = JSON::array();
        for (const MSG_FILE_MESSAGE& sub : message.sub_messages)
            if (sub.is_suppressed() == m_suppressed) sub_messages.push_back(entry(sub));
        return message_entry(message_type_of(message.type), message.text, std::move(sub_messages));
    }

    JSON& m_messages;
    bool m_suppressed;
};

// The flow message objects have no file of their own: as in the text report, those in the main folder
// show the messages of every stage folder's message objects.
std::vector<std::string> stage_message_files(const RDB_EMBEDDED_OBJECT& flow_object)
{
    std::vector<std::string> files;
    const RDB_FOLDER_OBJECT* main_folder = flow_object.get_parent();
    if (main_folder == nullptr || main_folder->get_parent() != nullptr) return files;
    for (const RDB_OBJECT* child : *main_folder) {
        const RDB_FOLDER_OBJECT* stage = child != nullptr ? child->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
        if (stage == nullptr || child->get_type() != RDB_FOLDER_TYPE) continue;
        for (const RDB_OBJECT* candidate : *stage) {
            const RDB_EMBEDDED_OBJECT* messages =
                candidate != nullptr ? candidate->dynamic_cast_to_RDB_EMBEDDED_OBJECT() : nullptr;
            if (messages == nullptr || messages->get_embedded_type() != EMBEDDED_OBJECT_MESSAGES_TYPE) continue;
            files.push_back(messages->get_info_str());
            for (const std::string& file : messages->get_message_files())
                files.push_back(file);
        }
    }
    return files;
}

// ---- Files ---------------------------------------------------------------------------------------

// True for the names the panel writer gives its files: a decimal number without leading zeros and
// the JSON extension.
bool is_numbered_file_name(const std::string& name)
{
    const std::string extension = std::string(".") + fio_get_extension(FIO_EXTENSION_TYPE_INFO::JSON);
    if (name.size() <= extension.size() || name.compare(name.size() - extension.size(), extension.size(), extension))
        return false;
    const std::string number = name.substr(0, name.size() - extension.size());
    return number[0] != '0' && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

// ---- RDB_PANEL_FILTER ----------------------------------------------------------------------------

std::size_t RDB_PANEL_FILTER::NAME_HASH::operator()(const std::string& text) const
{
    std::size_t h = 0;
    for (const char c : text)
        h ^= (h << 5) + (h >> 2) + static_cast<std::size_t>(static_cast<long>(static_cast<signed char>(c)));
    return h;
}

bool RDB_PANEL_FILTER::add_name(const std::string& panel_path) { return m_names.insert(panel_path).second; }

void RDB_PANEL_FILTER::add_regexp(std::shared_ptr<const KTL_REGEXP> matcher)
{
    RDB_ASSERT(matcher != nullptr && matcher->is_pattern_valid());
    m_regexps.push_back(std::move(matcher));
}

bool RDB_PANEL_FILTER::accepts(const std::string& panel_path) const
{
    if (!m_on || has_name(panel_path)) return true;
    return std::any_of(
        m_regexps.begin(), m_regexps.end(),
        [&panel_path](const std::shared_ptr<const KTL_REGEXP>& matcher) { return matcher->search(panel_path); });
}

// ---- RDB_REPORT_GEN_JSON -------------------------------------------------------------------------

const std::vector<std::string> RDB_REPORT_GEN_JSON::s_dse_panel_names = {
    "Legal Notice",
    "Flow Summary",
    "Flow Settings",
    "Flow Non-Default Global Settings",
    "Flow Elapsed Time",
    "Flow OS Summary",
    "Fitter||Fitter Summary",
    "Fitter||Resource Section||Fitter Resource Usage Summary",
    "Fitter||Place Stage||Fitter Resource Usage Summary",
    "Timing Analyzer||Legal Notice",
    "Timing Analyzer||Clocks",
    "Timing Analyzer||Multicorner Timing Analysis Summary",
    "^Timing Analyzer\\|\\|(Fast|Slow)\\s.*Model\\|\\|(Fast|Slow)\\s.*Model (Fmax|Setup|Hold|Recovery|Removal) "
    "Summary$",
    "^Timing Analyzer\\|\\|(Fast|Slow)\\s.*Model\\|\\|Top Failing Paths\\|\\|(Setup|Hold) Summary$",
};

RDB_REPORT_GEN_JSON::RDB_REPORT_GEN_JSON(RDB_OBJECT* root, char const* directory)
    : m_root(root), m_directory(directory != nullptr ? directory : "")
{
}

RDB_PANEL_FILTER RDB_REPORT_GEN_JSON::project_panel_filter()
{
    RDB_PANEL_FILTER filter;
    HDB_NAME_MGR* manager = hdb_get_current_name_mgr();
    if (manager == nullptr || manager->get_single_derived_option(HDB_NAME_MGR::DSE_REPORT_PANELS_OPTION) == nullptr)
        return filter;
    filter.set_on(true);
    for (const std::string& name : s_dse_panel_names) {
        if (name.empty() || name[0] != '^') {
            filter.add_name(name);
            continue;
        }
        auto matcher = std::make_shared<const KTL_REGEXP>(name);
        RDB_ASSERT_MSG(matcher->is_pattern_valid(), "matcher->is_pattern_valid()");
        filter.add_regexp(std::move(matcher));
    }
    enable_report_panel_from_acf(manager->get_derived_options(HDB_NAME_MGR::REPORT_PANEL_NAMES_OPTION), &filter);
    return filter;
}

int RDB_REPORT_GEN_JSON::enable_report_panel_from_acf(std::list<HDB_DERIVED_OPTION<2, 0>*>* options,
                                                      RDB_PANEL_FILTER* filter)
{
    RDB_ASSERT(filter != NULL);
    if (options == nullptr) return 0;
    int added = 0;
    for (const HDB_DERIVED_OPTION<2, 0>* option : *options) {
        RDB_ASSERT_MSG(option != nullptr, "str_op");
        const std::string& text = option->get_string();
        const bool is_regexp = !text.empty() && text[0] == '^';
        std::string name;
        for (const char c : text)
            name += c == '/' ? (is_regexp ? REGEXP_PATH_SEPARATOR : PATH_SEPARATOR) : std::string(1, c);
        if (!is_regexp) {
            added += filter->add_name(name) ? 1 : 0;
            continue;
        }
        // A project setting the user typed: one bad expression must not stop the report writer.
        auto matcher = std::make_shared<const KTL_REGEXP>(name);
        if (!matcher->is_pattern_valid()) {
            msg_local_vdebug("RDB", 2, "Skipping the invalid panel expression %s", name.c_str());
            continue;
        }
        filter->add_regexp(std::move(matcher));
        ++added;
    }
    return added;
}

// ---- Table of contents ---------------------------------------------------------------------------

std::vector<RDB_REPORT_GEN_JSON::TOC_ENTRY> RDB_REPORT_GEN_JSON::toc_entries(const RDB_FOLDER_OBJECT& folder,
                                                                             const std::string& prefix,
                                                                             const RDB_PANEL_FILTER& filter,
                                                                             std::vector<const RDB_OBJECT*>& ancestors)
{
    std::vector<TOC_ENTRY> entries;
    if (folder.empty()) return entries;
    const RDB_OBJECT* first = *folder.begin();
    if (std::find(ancestors.begin(), ancestors.end(), first) != ancestors.end()) return entries;
    ancestors.push_back(first);
    for (RDB_OBJECT* child : folder) {
        RDB_ASSERT_MSG(child != nullptr, "object != NULL");
        if (!child->is_visible()) continue;
        TOC_ENTRY entry;
        entry.object = child;
        entry.panel_path = prefix.empty() ? child->get_name() : prefix + PATH_SEPARATOR + child->get_name();
        const RDB_FOLDER_OBJECT* child_folder = child->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (child->get_type() == RDB_FOLDER_TYPE && child_folder != nullptr) {
            entry.children = toc_entries(*child_folder, entry.panel_path, filter, ancestors);
            if (entry.children.empty()) continue;
        } else if (!filter.accepts(entry.panel_path)) {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    ancestors.pop_back();
    return entries;
}

nlohmann::json RDB_REPORT_GEN_JSON::toc_json(const std::vector<TOC_ENTRY>& entries)
{
    JSON list = JSON::array();
    for (const TOC_ENTRY& entry : entries) {
        JSON item = {{"name", valid_utf8(entry.object->get_name())}};
        if (!entry.children.empty()) {
            item["children"] = toc_json(entry.children);
            list.push_back(std::move(item));
            continue;
        }
        const std::string content_type = content_type_of(*entry.object);
        item["leaf"] = true;
        item["content_type"] = content_type;
        item["icon"] = icon_of(content_type);
        item["panel_path"] = valid_utf8(entry.panel_path);
        if (const RDB_TABLE_OBJECT* table = panel_table(*entry.object)) {
            JSON field_names = JSON::array();
            JSON display_names = JSON::array();
            const unsigned int columns = table->get_number_of_columns();
            for (unsigned int column = 0; column < columns; ++column) {
                field_names.push_back(std::to_string(column));
                display_names.push_back(valid_utf8(rdb_text_to_html(table->get_data_string(0, column), false)));
            }
            item["field_names"] = std::move(field_names);
            item["field_display_names"] = std::move(display_names);
        }
        list.push_back(std::move(item));
    }
    return list;
}

nlohmann::json RDB_REPORT_GEN_JSON::get_json_toc(std::string const& report)
{
    const RDB_FOLDER_OBJECT* root = m_root != nullptr ? m_root->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
    const RDB_FOLDER_OBJECT* folder = root;
    if (root != nullptr && !report.empty()) {
        RDB_OBJECT* found = root->find_object_by_path(report);
        folder = found != nullptr ? found->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
    }
    if (folder == nullptr)
        return JSON{{"error", "Could not generate table of contents JSON; error opening the report object."}};
    std::vector<const RDB_OBJECT*> ancestors;
    return JSON{{"children", toc_json(toc_entries(*folder, report, RDB_PANEL_FILTER(), ancestors))}};
}

// ---- Panel contents ------------------------------------------------------------------------------

nlohmann::json RDB_REPORT_GEN_JSON::get_json_panel(std::string const& panel_path)
{
    if (m_root == nullptr || m_root->dynamic_cast_to_RDB_FOLDER_OBJECT() == nullptr)
        return JSON{{"error", "Could JSON for panel; error opening the report object."}};
    return output_json_report_panel_content(panel_path);
}

nlohmann::json RDB_REPORT_GEN_JSON::output_json_report_panel_content(const std::string& panel_path)
{
    const RDB_FOLDER_OBJECT* root = m_root != nullptr ? m_root->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
    RDB_OBJECT* object = root != nullptr ? root->find_object_by_path(panel_path) : nullptr;
    return output_json_report_panel_content(object);
}

nlohmann::json RDB_REPORT_GEN_JSON::output_json_report_panel_content(RDB_OBJECT* object)
{
    if (object == nullptr) return JSON{{"error", "Could not find the specified panel in the report."}};
    if (object->get_type() == RDB_TEXT_TYPE) {
        if (const RDB_TEXT_OBJECT* text = object->dynamic_cast_to_RDB_TEXT_OBJECT())
            return JSON{{"text", valid_utf8(text->get_text() != nullptr ? *text->get_text() : std::string())}};
    }
    if (const RDB_TABLE_OBJECT* table = panel_table(*object)) return output_json_for_table_object(*table);
    if (object->get_type() == RDB_EMBEDDED_TYPE) {
        if (const RDB_EMBEDDED_OBJECT* embedded = object->dynamic_cast_to_RDB_EMBEDDED_OBJECT()) {
            if (is_message_list(*embedded)) return output_json_for_messages(*embedded);
            return JSON{{"error", "This embedded object type is not currently supported."}};
        }
    }
    return JSON{{"error", "This panel type is not currently supported."}};
}

nlohmann::json RDB_REPORT_GEN_JSON::output_json_for_table_object(const RDB_TABLE_OBJECT& table)
{
    JSON rows = JSON::array();
    const unsigned int row_count = table.get_number_of_rows();
    const unsigned int columns = table.get_number_of_columns();
    const unsigned int last = std::min(row_count, s_max_json_rows + 1);
    for (unsigned int row = 1; row < last; ++row) {
        JSON cells = JSON::array();
        for (unsigned int column = 0; column < columns; ++column)
            cells.push_back(viewer_html(table.get_data_string(row, column)));
        rows.push_back(std::move(cells));
    }
    return JSON{{"data", std::move(rows)}};
}

nlohmann::json RDB_REPORT_GEN_JSON::output_json_for_messages(const RDB_EMBEDDED_OBJECT& embedded)
{
    const bool suppressed = embedded.get_embedded_type() == EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE;
    std::vector<std::string> files;
    if (embedded.get_info_str() != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES)
        files.push_back(embedded.get_info_str());
    else
        files = stage_message_files(embedded);
    for (const std::string& file : embedded.get_message_files())
        files.push_back(file);

    JSON messages = JSON::array();
    bool unreadable = false;
    for (const std::string& file : files) {
        const std::string path = RDB_EMBEDDED_OBJECT::get_message_file_path(file);
        msg_local_vdebug("RDB", 2, "Trying to read: %s", path.c_str());
        MSG_REPORT_FILE reader(path);
        PANEL_MESSAGES_FUNCTOR functor(messages, suppressed);
        unreadable = !reader.read_messages(functor) || unreadable;
    }
    // The messages of the files that could be read stay; one entry says that some could not.
    if (unreadable) messages.push_back(message_entry("msg_error", "Could not retrieve messages.", JSON::array()));
    return JSON{{"messages", std::move(messages)}};
}

void RDB_REPORT_GEN_JSON::report_message_icon_adjustment(nlohmann::json& content)
{
    const auto messages = content.find("messages");
    if (messages == content.end() || !messages->is_array()) return;
    for (JSON& message : *messages) {
        const auto icon = message.find("icon");
        if (icon != message.end() && icon->is_string()) *icon = SITE_PATH + icon->get<std::string>();
        report_message_icon_adjustment(message);
    }
}

// ---- Files ---------------------------------------------------------------------------------------

bool RDB_REPORT_GEN_JSON::output_json_report_panel(const std::vector<TOC_ENTRY>& entries, nlohmann::json& toc)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TOC_ENTRY& entry = entries[i];
        JSON& item = toc[i];
        if (!entry.children.empty()) {
            if (!output_json_report_panel(entry.children, item["children"])) return false;
            continue;
        }
        item["icon"] = SITE_PATH + item["icon"].get<std::string>();
        JSON content = output_json_report_panel_content(entry.object);
        if (item["content_type"] == "messages") report_message_icon_adjustment(content);
        if (!write_json_report_panel(JSON{{"title", valid_utf8(entry.panel_path)}, {"data", std::move(content)}}))
            return false;
    }
    return true;
}

bool RDB_REPORT_GEN_JSON::write_json_report_panel(const nlohmann::json& json)
{
    ++m_file_counter;
    const std::string path =
        fio_join(m_directory, std::to_string(m_file_counter) + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::JSON));
    msg_local_vdebug("RDB", 2, "writing %s", path.c_str());
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(path, [&json](std::ostream& out) {
        out << json.dump(-1, ' ', false, JSON::error_handler_t::replace);
        return static_cast<bool>(out);
    });
    if (!outcome.written())
        msg_local_vdebug("RDB", 2, "cannot write the panel file %s: %s", path.c_str(), outcome.reason.c_str());
    return outcome.written();
}

bool RDB_REPORT_GEN_JSON::remove_numbered_files() const
{
    const std::filesystem::path directory(m_directory.empty() ? std::string(".") : m_directory);
    std::error_code error;
    std::vector<std::string> stale;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        if (is_numbered_file_name(it->path().filename().string())) stale.push_back(it->path().string());
    if (error) {
        msg_local_vdebug("RDB", 2, "cannot list the panel directory %s: %s", directory.c_str(),
                         error.message().c_str());
        return false;
    }
    for (const std::string& file : stale) {
        if (!fio_remove(file)) {
            msg_local_vdebug("RDB", 2, "cannot remove the old panel file %s", file.c_str());
            return false;
        }
    }
    return true;
}

bool RDB_REPORT_GEN_JSON::write_json_report_files(const RDB_PANEL_FILTER& filter)
{
    m_file_counter = 0;
    m_written = false;
    const RDB_FOLDER_OBJECT* root = m_root != nullptr ? m_root->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
    if (!m_directory.empty()) {
        std::error_code error;
        std::filesystem::create_directories(m_directory, error);
        if (error) {
            msg_local_vdebug("RDB", 2, "cannot make the panel directory %s: %s", m_directory.c_str(),
                             error.message().c_str());
            return false;
        }
    }
    // A table of contents from an earlier, longer run must not be taken for this run's.
    if (!remove_numbered_files()) return false;

    std::vector<const RDB_OBJECT*> ancestors;
    const std::vector<TOC_ENTRY> entries =
        root != nullptr ? toc_entries(*root, std::string(), filter, ancestors) : std::vector<TOC_ENTRY>();
    JSON toc =
        root != nullptr ? JSON{{"children", toc_json(entries)}} : get_json_toc(std::string()); // the error member
    if (toc.contains("children") && !toc.contains("error") && !output_json_report_panel(entries, toc["children"]))
        return false;
    m_written = write_json_report_panel(JSON{{"title", "table_of_contents"}, {"data", std::move(toc)}});
    return m_written;
}

void RDB_REPORT_GEN_JSON::write_json_report_files() { write_json_report_files(project_panel_filter()); }
