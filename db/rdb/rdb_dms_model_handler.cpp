#include "rdb_dms_model_handler.h"

#include <unistd.h>

#include "ini/cfg.h"
#include "msg/msg.h"
#include "pdb/pdb.h"
#include "rdb_report.h"
#include "rdb_xml.h"

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
            msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: %s does not hold a report model", file.get_full_path().c_str());
            return nullptr;
        }
        return std::unique_ptr<KDB_MODEL>(static_cast<RDB_KDB_MODEL*>(root.release()));
    } catch (const std::exception& e) {
        msg_local_vdebug("RDB", 2, "RDB_MODEL_HANDLER: reading %s failed: %s", file.get_full_path().c_str(), e.what());
        return nullptr;
    }
}

namespace {

// Writes the XML report form beside the target and renames it into place, so that a failed or
// interrupted write never damages the previous backup.
bool write_bak(const RDB_REPORT* report, const std::string& target, std::string* error)
{
    std::string temp = pdb_temp_file_name(target);
    if (!rdb_write_xml_report(report, temp.c_str(), false)) {
        ::unlink(temp.c_str());
        *error = "cannot write the XML report " + temp;
        return false;
    }
    return pdb_replace_file(temp, target, error);
}

} // namespace

bool RDB_MODEL_HANDLER::write_model_to_file(KDB_MODEL* model, const KDB_FILE& file, bool bak) const
{
    if (model == nullptr || model->get_type() != name_of_handled_type()) return false;
    auto* report_model = dynamic_cast<RDB_KDB_MODEL*>(model);
    if (report_model == nullptr || report_model->get_rdb_report() == nullptr) return false;
    msg_local_vdebug("RDB", 3, "RDB_MODEL_HANDLER: writing to %s", file.get_full_path().c_str());

    std::string error;
    bool ok = false;
    try {
        if (bak) {
            ok = write_bak(report_model->get_rdb_report(), file.get_full_path(), &error);
        } else {
            PDB_ARCHIVE archive(file.get_full_path());
            ok = archive.write_root(*report_model);
            error = archive.last_error();
        }
    } catch (const std::exception& e) {
        ok = false;
        error = e.what();
    }
    if (!ok) {
        msg_local_vdebug("RDB", 3, "RDB_MODEL_HANDLER: %s", error.c_str());
        msg_local_vdebug("RDB", 2, "An error occurred while writing the database.");
    }
    return ok;
}

// ---- Helpers -------------------------------------------------------------------------------------

std::unique_ptr<RDB_REPORT> rdb_take_report_from_model(std::unique_ptr<KDB_MODEL> model)
{
    if (!model || model->get_type() != RDB_KDB_MODEL::s_model_type_string) return nullptr;
    auto* report_model = dynamic_cast<RDB_KDB_MODEL*>(model.get());
    if (report_model == nullptr) return nullptr;
    return report_model->release_report();
}

std::unique_ptr<RDB_REPORT> rdb_load_report_model(KDB_SERVICE& service, const KDB_PATH& path)
{
    if (!service.model_exists(path)) return nullptr;
    return rdb_take_report_from_model(service.get_model(path));
}

bool rdb_store_report_model(KDB_SERVICE& service, const KDB_PATH& path, RDB_REPORT& report)
{
    RDB_LENT_REPORT_MODEL lent(&report, path);
    return service.put_model(path, lent.model());
}

// Registered when the library is loaded.
namespace {
const bool g_handler_registered = [] {
    kdb_register_model_handler(std::make_unique<RDB_MODEL_HANDLER>());
    return true;
}();
} // namespace
