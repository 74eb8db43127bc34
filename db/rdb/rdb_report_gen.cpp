// The report files: the text report file (banner, table of contents and every object's text form, with
// the flow message objects gathering the message files of every stage and, in a message session, the
// message listings filled in when the session ends), and the HTML, JSON and SQLite files the settings
// ask for beside it.

#include "rdb_report_gen.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <list>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "hier/hdb_name_mgr.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_ascii_layout.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_html_write.h"
#include "rdb_qml_write.h"
#include "rdb_message_gen.h"
#include "rdb_object.h"
#include "rdb_report.h"
#include "rdb_report_gen_json.h"
#include "rdb_table_to_sqlite.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"
#include "ver/ver.h"

namespace {

std::atomic<bool> s_ff_flow_compile{false};

using ENTRY_LIST = std::list<RDB_OBJECT*>;

bool is_folder(const RDB_OBJECT& object) { return object.get_type() == RDB_FOLDER_TYPE; }

bool is_json_text(const RDB_OBJECT& object)
{
    if (object.get_type() != RDB_TEXT_TYPE) return false;
    const RDB_TEXT_OBJECT* text = object.dynamic_cast_to_RDB_TEXT_OBJECT();
    return text != nullptr && text->is_json();
}

bool is_embedded_of_type(const RDB_OBJECT& object, RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type)
{
    if (object.get_type() != RDB_EMBEDDED_TYPE) return false;
    const RDB_EMBEDDED_OBJECT* embedded = object.dynamic_cast_to_RDB_EMBEDDED_OBJECT();
    return embedded != nullptr && embedded->get_embedded_type() == type;
}

// Whether the object has a line (or a stage section) in the table of contents at depth d.
bool qualifies_for_toc(const RDB_OBJECT& object, int depth)
{
    if (!object.is_visible()) return false;
    if (!object.is_ascii_writable() && object.get_not_ascii_writable_msg().empty()) return false;
    if (is_json_text(object)) return false;
    if (depth > 1 && is_embedded_of_type(object, EMBEDDED_OBJECT_MESSAGES_TYPE)) return false;
    if (!is_folder(object) || !object.is_ascii_writable()) return true;
    // A stage folder at the top level is a section too, so the depth is not required to be above 0
    // here: otherwise no stage section could ever be listed.
    const RDB_FOLDER_OBJECT* folder = object.dynamic_cast_to_RDB_FOLDER_OBJECT();
    if (folder == nullptr || !folder->get_is_stage_folder()) return false;
    for (const RDB_OBJECT* child : *folder)
        if (child != nullptr && qualifies_for_toc(*child, depth + 1)) return true;
    return false;
}

// A temporary text object written in place of an object that has no text form.
std::unique_ptr<RDB_TEXT_OBJECT> make_stand_in_text(const std::string& name, const std::string& text)
{
    auto stand_in = std::make_unique<RDB_TEXT_OBJECT>(name);
    stand_in->set_text(text);
    return stand_in;
}

} // namespace

class RDB_REPORT_GEN::IMPL {
public:
    RDB_OBJECT* m_root = nullptr;
    std::string m_name;
    ENTRY_LIST m_toc_entries;

    // The entries given, else the root folder's children (else the root itself).
    ENTRY_LIST entries() const;
    void write_report(std::ostream& os) const;

private:
    void write_banner(std::ostream& os) const;
    void write_toc(std::ostream& os, const ENTRY_LIST& entries) const;
    void list_toc_object(std::ostream& os, RDB_OBJECT* object, int level, int& number) const;
    void write_entry(std::ostream& os, RDB_OBJECT* object, int level) const;
    void write_embedded(std::ostream& os, RDB_OBJECT* object, int level) const;
    void write_flow_messages(std::ostream& os, RDB_EMBEDDED_OBJECT& flow_object) const;
};

ENTRY_LIST RDB_REPORT_GEN::IMPL::entries() const
{
    if (!m_toc_entries.empty() || m_root == nullptr) return m_toc_entries;
    const RDB_FOLDER_OBJECT* folder = m_root->dynamic_cast_to_RDB_FOLDER_OBJECT();
    if (folder == nullptr) return ENTRY_LIST{m_root};
    ENTRY_LIST children;
    for (RDB_OBJECT* child : *folder)
        children.push_back(child);
    return children;
}

void RDB_REPORT_GEN::IMPL::write_report(std::ostream& os) const
{
    const RDB::ASCII::RENDERING rendering;
    write_banner(os);
    const ENTRY_LIST list = entries();
    write_toc(os, list);
    for (RDB_OBJECT* entry : list)
        write_entry(os, entry, 0);
}

void RDB_REPORT_GEN::IMPL::write_banner(std::ostream& os) const
{
    os << m_name << "\n";
    os << gen_get_current_date_and_time() << "\n";
    os << ver_get_pellam_product_name() << " " << ver_get_full_version(1);
    os << "\n\n\n";
}

void RDB_REPORT_GEN::IMPL::write_toc(std::ostream& os, const ENTRY_LIST& list) const
{
    std::ostringstream toc;
    int number = 1;
    for (RDB_OBJECT* entry : list)
        list_toc_object(toc, entry, 0, number);
    std::unique_ptr<RDB_TEXT_OBJECT> toc_object = make_stand_in_text(RDB_TABLE_OF_CONTENTS, toc.str());
    write_entry(os, toc_object.get(), 0);
}

void RDB_REPORT_GEN::IMPL::list_toc_object(std::ostream& os, RDB_OBJECT* object, int level, int& number) const
{
    if (object == nullptr || !qualifies_for_toc(*object, level)) return;
    const std::string indent(static_cast<std::size_t>(5 * level), ' ');
    RDB_FOLDER_OBJECT* folder = is_folder(*object) ? object->dynamic_cast_to_RDB_FOLDER_OBJECT() : nullptr;
    if (folder != nullptr && object->is_ascii_writable()) {
        os << indent << "---- " << object->get_name() << " Reports ----\n";
        for (RDB_OBJECT* child : *folder)
            list_toc_object(os, child, level + 1, number);
        return;
    }
    char line_number[16];
    std::snprintf(line_number, sizeof line_number, "%3d", number++);
    os << indent << line_number << ". " << object->get_name() << "\n";
}

void RDB_REPORT_GEN::IMPL::write_entry(std::ostream& os, RDB_OBJECT* object, int level) const
{
    RDB_ASSERT(object != 0);
    if (!object->is_visible()) return;
    if (!object->is_ascii_writable()) {
        if (object->get_not_ascii_writable_msg().empty()) return;
        std::unique_ptr<RDB_TEXT_OBJECT> stand_in =
            make_stand_in_text(object->get_name(), object->get_not_ascii_writable_msg());
        write_entry(os, stand_in.get(), level);
        return;
    }
    switch (object->get_type()) {
    case RDB_FOLDER_TYPE: {
        RDB_FOLDER_OBJECT* folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT();
        RDB_ASSERT(folder != 0);
        for (RDB_OBJECT* child : *folder)
            write_entry(os, child, level + 1);
        return;
    }
    case RDB_TEXT_TYPE:
        if (is_json_text(*object)) return;
        break;
    case RDB_EMBEDDED_TYPE:
        write_embedded(os, object, level);
        return;
    default:
        break;
    }
    object->output_ascii(os);
    os << "\n\n";
}

void RDB_REPORT_GEN::IMPL::write_embedded(std::ostream& os, RDB_OBJECT* object, int level) const
{
    RDB_EMBEDDED_OBJECT* em_object = object->dynamic_cast_to_RDB_EMBEDDED_OBJECT();
    RDB_ASSERT(em_object);
    const RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type = em_object->get_embedded_type();
    if (type == EMBEDDED_OBJECT_MEMORY_TYPE) {
        RDB_MEMORY_OBJECT* memory_object = em_object->dynamic_cast_to_RDB_MEMORY_OBJECT();
        RDB_ASSERT(memory_object);
        memory_object->output_ascii_memory_object(os);
        return;
    }
    const bool message_type = type == EMBEDDED_OBJECT_MESSAGES_TYPE || type == EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE;
    if (message_type && em_object->get_info_str() == RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES) {
        write_flow_messages(os, *em_object);
        return;
    }
    if (level > 1) return;
    em_object->output_ascii(os);
    os << "\n\n";
}

// The flow message objects have no file of their own: they list the message files of every stage
// folder's message objects.
void RDB_REPORT_GEN::IMPL::write_flow_messages(std::ostream& os, RDB_EMBEDDED_OBJECT& flow_object) const
{
    const RDB_EMBEDDED_OBJECT* em_object = &flow_object;
    RDB_ASSERT(em_object->get_name() == RDB_FLOW_MESSAGE_RPT_NAME ||
               em_object->get_name() == RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME);
    const RDB_FOLDER_OBJECT* main_folder = em_object->get_parent();
    RDB_ASSERT(main_folder);
    RDB_ASSERT(main_folder->get_parent() == nullptr);

    RDB_EMBEDDED_OBJECT gathered(em_object->get_name(), em_object->get_embedded_type());
    gathered.set_info_str(em_object->get_info_str());
    gathered.set_enable(em_object->is_enable());
    for (const RDB_OBJECT* child : *main_folder) {
        if (child == nullptr || !is_folder(*child)) continue;
        const RDB_FOLDER_OBJECT* stage = child->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (stage == nullptr) continue;
        for (const RDB_OBJECT* candidate : *stage) {
            if (candidate == nullptr || !is_embedded_of_type(*candidate, EMBEDDED_OBJECT_MESSAGES_TYPE)) continue;
            const RDB_EMBEDDED_OBJECT* messages = candidate->dynamic_cast_to_RDB_EMBEDDED_OBJECT();
            gathered.add_message_file(RDB_EMBEDDED_OBJECT::get_message_file_path(messages->get_info_str()));
            for (const std::string& file : messages->get_message_files())
                gathered.add_message_file(file);
        }
    }
    gathered.output_ascii(os);
    os << "\n\n";
}

RDB_REPORT_GEN::RDB_REPORT_GEN() : m_impl(std::make_unique<IMPL>()) {}

RDB_REPORT_GEN::RDB_REPORT_GEN(RDB_OBJECT* root, const char* name) : m_impl(std::make_unique<IMPL>())
{
    m_impl->m_root = root;
    if (name != nullptr) m_impl->m_name = name;
}

RDB_REPORT_GEN::RDB_REPORT_GEN(RDB_REPORT* report, const char* name)
    : RDB_REPORT_GEN(report != nullptr ? static_cast<RDB_OBJECT*>(report->get_main_folder()) : nullptr, name)
{
}

RDB_REPORT_GEN::~RDB_REPORT_GEN() = default;

void RDB_REPORT_GEN::add_toc_entry(RDB_OBJECT* object)
{
    if (object != nullptr) m_impl->m_toc_entries.push_back(object);
}

bool RDB_REPORT_GEN::write_report_files(const char* file_name, bool use_message_session)
{
    bool written = true;
    const bool reports_enabled = !cfg_is_on("rpl_no_reports", false);
    if (reports_enabled) {
        MSG_REPORT::flush_all();
        written = write_ascii_report_file(file_name, use_message_session) && written;
        if (cfg_user_ini_is_on(CFG_USER_INI_HTML_REPORT, false))
            written = write_html_report_file(file_name, use_message_session) && written;
    }
    const std::string file = file_name != nullptr ? file_name : "";
    // The panels of a project's report viewer need the project's settings.
    bool json = cfg_is_on("write_one_json_per_report", false);
    if (!json && cfg_user_ini_is_on(CFG_USER_INI_JSON_REPORT, false)) {
        json = hdb_get_current_name_mgr() != nullptr;
        if (!json) msg_local_vdebug("RDB", 2, "No project settings: the JSON report panels are not written");
    }
    if (json && !file.empty() && m_impl->m_root != nullptr) {
        const std::string directory =
            fio_replace_extension(file, fio_get_extension(FIO_EXTENSION_TYPE_INFO::JSON)) + "_files";
        RDB_REPORT_GEN_JSON panels(m_impl->m_root, directory.c_str());
        panels.write_json_report_files();
        written = panels.was_written() && written;
    }
    if (cfg_is_on("write_report_tables_to_sqlite", false) && !file.empty()) {
        const std::string tables = file + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::SQLITE);
        written = rdb_write_report_tables_to_sqlite(tables, m_impl->m_root) && written;
    }
    return written;
}

bool RDB_REPORT_GEN::write_html_report_file(const char* file_name, bool use_message_session)
{
    if (file_name == nullptr || file_name[0] == '\0') return false;
    const std::string html = fio_get_extension(FIO_EXTENSION_TYPE_INFO::HTML);
    std::string page = file_name;
    if (!page.ends_with("." + html)) page = fio_replace_extension(page, html);
    std::error_code error;
    page = std::filesystem::absolute(page, error).string();
    return RDB::HTML::write_report_page(page, m_impl->m_name, m_impl->m_root, m_impl->m_toc_entries,
                                        use_message_session);
}

bool RDB_REPORT_GEN::write_qml_report_file(const std::string& file, bool use_message_session)
{
    if (file.empty()) return false;
    std::error_code error;
    const std::string path = std::filesystem::absolute(file, error).string();
    return RDB::QML::write_report_file(path, m_impl->m_name, m_impl->m_root, m_impl->m_toc_entries,
                                       use_message_session);
}

bool RDB_REPORT_GEN::write_ascii_report_file(const char* file_name, bool use_message_session)
{
    if (file_name == nullptr || file_name[0] == '\0') return false;
    std::string path = file_name;
    RDB_MESSAGE_GEN* session = use_message_session ? &RDB_MESSAGE_GEN::get_message_gen() : nullptr;
    if (session != nullptr) path = session->start_session(path);

    // Replaced only when whole: a failure, or a crash, leaves the previous file as it was.
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(path, [this](std::ostream& os) {
        m_impl->write_report(os);
        return static_cast<bool>(os);
    });
    bool written = outcome.written();
    if (!written)
        msg_local_vdebug("RDB", 2, "cannot write the report file %s: %s", path.c_str(), outcome.reason.c_str());
    if (session != nullptr) {
        // An older temporary file must not become the report: without it the session keeps the
        // previous final file.
        if (outcome.result == FIO_WRITE_RESULT::FAILED) fio_remove(path);
        const bool resolved = session->end_session();
        written = written && resolved;
    }
    return written;
}

bool RDB_REPORT_GEN::write_ascii_report(std::ostream& os)
{
    m_impl->write_report(os);
    return static_cast<bool>(os);
}

bool RDB_REPORT_GEN::get_ff_flow_compile() { return s_ff_flow_compile; }
void RDB_REPORT_GEN::set_ff_flow_compile(bool on) { s_ff_flow_compile = on; }
