#include "rdb_dms_model_handler.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string_view>

#include "dbm/dbm.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "pdb/pdb.h"
#include "rdb_report.h"
#include "rdb_serialize_util.h"
#include "rdb_xml.h"

// ---- RDB_REPORT ----------------------------------------------------------------------------------

void rdb_transfer_report(PDB_SEGMENT& segment, RDB_REPORT& report)
{
    segment.begin_class("RDB_REPORT", &report);
    RDB_TRACE(m_main_folder);
    RDB_FOLDER_OBJECT* main_folder = segment.is_writing() ? report.get_main_folder() : nullptr;
    segment.transfer_owned(main_folder);
    if (segment.is_reading()) {
        if (main_folder == nullptr) segment.fail("a report without a main folder");
        const bool owned = main_folder->get_ownership_status() == OWNED;
        // The report takes a NOT_OWNED folder and marks it OWNED again.
        RDB_OBJECT::pdb_thunk()->disown(main_folder);
        report.add_main_folder(main_folder);
        if (!owned || main_folder->get_parent() != nullptr) segment.fail("a main folder inside another folder");
    }
    RDB_TRACE(m_current_folder);
    RDB_FOLDER_OBJECT* current = segment.is_writing() ? report.get_current_folder() : nullptr;
    segment.transfer_ptr(current);
    if (segment.is_reading()) {
        const RDB_FOLDER_OBJECT* folder = current;
        for (int depth = 0; folder != nullptr && folder != report.get_main_folder(); ++depth) {
            if (depth > PDB_MAX_NESTING) segment.fail("a current folder outside the report");
            folder = folder->get_parent();
        }
        if (current != nullptr && folder == nullptr) segment.fail("a current folder outside the report");
        report.set_current_folder(current);
    }
    segment.end_class();
}

// ---- RDB_KDB_MODEL -------------------------------------------------------------------------------

const char* const RDB_KDB_MODEL::s_model_type_string = "rdb";
const char* const RDB_KDB_MODEL::s_model_name_string = "report";

PDB_CLASS_THUNK<RDB_KDB_MODEL> RDB_KDB_MODEL::s_thunk("RDB_KDB_MODEL", KDB_MODEL::pdb_thunk(),
                                                      []() -> PDB_VIRTUAL_OBJECT* { return new RDB_KDB_MODEL(); });

RDB_KDB_MODEL::RDB_KDB_MODEL() : KDB_MODEL(s_model_type_string) {}

RDB_KDB_MODEL::RDB_KDB_MODEL(RDB_REPORT* report) : KDB_MODEL(s_model_type_string), m_report(report) {}

RDB_KDB_MODEL::~RDB_KDB_MODEL() { delete m_report; }

std::unique_ptr<RDB_REPORT> RDB_KDB_MODEL::release_report()
{
    std::unique_ptr<RDB_REPORT> report(m_report);
    orphan_payload();
    return report;
}

void RDB_KDB_MODEL::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    segment.trace(__LINE__, "KDB_MODEL");
    KDB_MODEL::serialize(segment);
    if (segment.is_reading()) {
        if (get_type() != s_model_type_string) segment.fail("a report model of type \"" + get_type() + "\"");
        delete m_report;
        m_report = new RDB_REPORT();
    } else if (m_report == nullptr) {
        segment.fail("a report model without a report");
    }
    segment.trace(__LINE__, "m_report");
    rdb_transfer_report(segment, *m_report);
    segment.end_class();
}

// ---- RDB_MODEL_HANDLER ---------------------------------------------------------------------------

bool RDB_MODEL_HANDLER::has_bak_support() const { return cfg_is_on("rdb_support_bak", true); }

std::unique_ptr<KDB_MODEL> RDB_MODEL_HANDLER::create_new_model(const KDB_PATH& path) const
{
    RDB_REPORT* report = new RDB_REPORT();
    RDB_ASSERT_MSG(report != nullptr, "created_db");
    auto model = std::make_unique<RDB_KDB_MODEL>(report);
    model->set_path(path);
    return model;
}

std::unique_ptr<KDB_MODEL> RDB_MODEL_HANDLER::read_model_from_file(const KDB_PATH&, const KDB_FILE& file) const
{
    if (!file.exists()) return nullptr;
    msg_local_vdebug("RDB", 3, "RDB_MODEL_HANDLER: reading from %s", file.get_full_path().c_str());
    try {
        if (file.get_extension() == get_bak_extension()) {
            std::unique_ptr<RDB_REPORT> report = rdb_read_xml_report(file.get_full_path().c_str());
            if (!report) {
                msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: %s is not a readable XML report",
                                 file.get_full_path().c_str());
                return nullptr;
            }
            return std::make_unique<RDB_KDB_MODEL>(report.release());
        }
        PDB_ARCHIVE archive(file.get_full_path());
        std::unique_ptr<PDB_VIRTUAL_OBJECT> root = archive.read_root();
        if (!root) {
            msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: %s", archive.last_error().c_str());
            return nullptr;
        }
        if (dynamic_cast<RDB_KDB_MODEL*>(root.get()) == nullptr) {
            msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: %s does not hold a report model",
                             file.get_full_path().c_str());
            return nullptr;
        }
        return std::unique_ptr<KDB_MODEL>(static_cast<RDB_KDB_MODEL*>(root.release()));
    } catch (const std::exception& e) {
        msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: reading %s failed: %s", file.get_full_path().c_str(), e.what());
        return nullptr;
    }
}

namespace {

// A backup names the binary file it was written with in a processing instruction after the root
// element: XML readers skip it, and it is found again by reading only the end of the file.
constexpr std::string_view BAK_STAMP_START = "<?rdb-backup-of binary-length=\"";
constexpr std::string_view BAK_STAMP_CRC = "\" binary-crc32=\"";
constexpr std::string_view BAK_STAMP_END = "\"?>\n";

std::string bak_stamp_text(const PDB_ARCHIVE_STAMP& stamp)
{
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(stamp.crc32));
    return std::string(BAK_STAMP_START) + std::to_string(stamp.length) + std::string(BAK_STAMP_CRC) + crc +
           std::string(BAK_STAMP_END);
}

std::optional<PDB_ARCHIVE_STAMP> parse_bak_stamp(std::string_view tail)
{
    const std::size_t start = tail.rfind(BAK_STAMP_START);
    if (start == std::string_view::npos || !tail.ends_with(BAK_STAMP_END)) return std::nullopt;
    std::string_view rest = tail.substr(start + BAK_STAMP_START.size());
    rest.remove_suffix(BAK_STAMP_END.size());
    PDB_ARCHIVE_STAMP stamp;
    auto [length_end, length_error] = std::from_chars(rest.data(), rest.data() + rest.size(), stamp.length);
    if (length_error != std::errc()) return std::nullopt;
    rest.remove_prefix(static_cast<std::size_t>(length_end - rest.data()));
    if (!rest.starts_with(BAK_STAMP_CRC)) return std::nullopt;
    rest.remove_prefix(BAK_STAMP_CRC.size());
    if (rest.size() != 8) return std::nullopt;
    auto [crc_end, crc_error] = std::from_chars(rest.data(), rest.data() + rest.size(), stamp.crc32, 16);
    if (crc_error != std::errc() || crc_end != rest.data() + rest.size()) return std::nullopt;
    return stamp;
}

const RDB_REPORT* report_of(KDB_MODEL* model, const std::string& handled_type)
{
    if (model == nullptr || model->get_type() != handled_type) return nullptr;
    auto* report_model = dynamic_cast<RDB_KDB_MODEL*>(model);
    return report_model == nullptr ? nullptr : report_model->get_rdb_report();
}

// The XML report form of the report into file, followed by the binary stamp when there is one.
bool write_xml_form(const RDB_REPORT& report, PDB_ATOMIC_FILE& file, const PDB_ARCHIVE_STAMP* stamp, std::string* error)
{
    PDB_OUTPUT_BUF buffer(file);
    std::ostream out(&buffer);
    bool ok = rdb_xml_write(out, &report);
    if (ok && stamp != nullptr) out << bak_stamp_text(*stamp);
    ok = buffer.flush_all() && ok && static_cast<bool>(out);
    if (!ok && error != nullptr)
        *error = file.error().empty() ? "cannot write the XML report " + file.temp_path() : file.error();
    return ok;
}

// Runs one write of a stored form; a failure (a false answer or an exception) is posted as the
// database write error, its reason at the more detailed level, and handed to the caller in error.
template <class WRITE> bool write_form(const std::string& target, std::string* error, WRITE write)
{
    msg_local_vdebug("RDB", 3, "RDB_MODEL_HANDLER: writing to %s", target.c_str());
    std::string why;
    bool ok = false;
    try {
        ok = write(why);
    } catch (const std::exception& e) {
        why = e.what();
    }
    if (!ok) {
        msg_local_vdebug("RDB", 3, "RDB_MODEL_HANDLER: %s", why.c_str());
        msg_local_vdebug("RDB", 2, "An error occurred while writing the database.");
        if (error != nullptr) *error = why;
    }
    return ok;
}

bool no_report(std::string* error)
{
    if (error != nullptr) *error = "the model holds no report";
    return false;
}

} // namespace

bool RDB_MODEL_HANDLER::write_model_to_file(KDB_MODEL* model, const KDB_FILE& file, bool bak) const
{
    const RDB_REPORT* report = report_of(model, name_of_handled_type());
    if (report == nullptr) return false;
    return write_form(file.get_full_path(), nullptr, [&](std::string& why) {
        PDB_ATOMIC_FILE target(file.get_full_path());
        const bool written = bak ? write_xml_form(*report, target, nullptr, &why)
                                 : PDB_ARCHIVE::write_root_to(target, *model, nullptr, &why);
        if (!written) return false;
        if (target.commit()) return true;
        why = target.error();
        return false;
    });
}

bool RDB_MODEL_HANDLER::write_binary_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, PDB_ARCHIVE_STAMP& stamp,
                                          std::string* error) const
{
    if (report_of(&model, name_of_handled_type()) == nullptr) return no_report(error);
    return write_form(file.target(), error,
                      [&](std::string& why) { return PDB_ARCHIVE::write_root_to(file, model, &stamp, &why); });
}

bool RDB_MODEL_HANDLER::write_bak_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, const PDB_ARCHIVE_STAMP& binary_stamp,
                                       std::string* error) const
{
    const RDB_REPORT* report = report_of(&model, name_of_handled_type());
    if (report == nullptr) return no_report(error);
    return write_form(file.target(), error,
                      [&](std::string& why) { return write_xml_form(*report, file, &binary_stamp, &why); });
}

std::optional<PDB_ARCHIVE_STAMP> RDB_MODEL_HANDLER::read_bak_stamp(const KDB_FILE& file) const
{
    std::ifstream in(file.get_full_path(), std::ios::binary);
    if (!in) return std::nullopt;
    constexpr std::streamoff TAIL = 128;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return std::nullopt;
    in.seekg(std::max<std::streamoff>(0, size - TAIL));
    std::string tail(static_cast<std::size_t>(std::min(size, TAIL)), '\0');
    if (!in.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return std::nullopt;
    return parse_bak_stamp(tail);
}

// ---- Helpers -------------------------------------------------------------------------------------

std::unique_ptr<RDB_REPORT> rdb_take_report_from_model(std::unique_ptr<KDB_MODEL> model)
{
    if (!model || model->get_type() != RDB_KDB_MODEL::s_model_type_string) return nullptr;
    auto* report_model = dynamic_cast<RDB_KDB_MODEL*>(model.get());
    if (report_model == nullptr) return nullptr;
    return report_model->release_report();
}

std::unique_ptr<RDB_REPORT> rdb_load_report_model(KDB_SERVICE& service, const KDB_PATH& path, KDB_LOAD_INFO* info)
{
    if (info != nullptr) *info = KDB_LOAD_INFO();
    if (!service.model_exists(path)) return nullptr;
    return rdb_take_report_from_model(service.get_model(path, info));
}

bool rdb_store_report_model(KDB_SERVICE& service, const KDB_PATH& path, RDB_REPORT& report, std::string* error)
{
    RDB_LENT_REPORT_MODEL lent(&report, path);
    return service.put_model(path, lent.model(), error);
}

RDB_REPORT_MODEL_LOCK::RDB_REPORT_MODEL_LOCK(const KDB_SERVICE& service, const KDB_PATH& path)
    : m_mutex(DBM_INFO::get_interprocess_mutex(kdb_model_file_name(path)))
{
    if (m_mutex == nullptr) {
        m_error = "the report has no lock (no handler or no database folder)";
        return;
    }
    m_held = m_mutex->lock();
    if (!m_held) {
        m_error = m_mutex->get_last_error();
        return;
    }
    service.remove_stale_temp_files(path);
}

RDB_REPORT_MODEL_LOCK::~RDB_REPORT_MODEL_LOCK()
{
    if (m_held) m_mutex->unlock();
}

// Registered when the library is loaded.
namespace {
const bool g_handler_registered = [] {
    kdb_register_model_handler(std::make_unique<RDB_MODEL_HANDLER>());
    return true;
}();
} // namespace
