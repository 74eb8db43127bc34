#include "rdb_report_controller.h"

#include <boost/numeric/conversion/cast.hpp>

#include "msg/msg.h"
#include "rdb_object.h"
#include "rdb_report.h"

namespace {

constexpr std::uint64_t NO_PANEL_INDEX = 0xFFFFFFFF;

// Every object going away leaves the panel table of the current controller.
void erase_destroyed_object(RDB_OBJECT* object)
{
    RDB_SINGLETON_STATE::get().get_rpt_controller().erase_panel_info(object);
}

} // namespace

// ---- RDB_SINGLETON_STATE -------------------------------------------------------------------------

std::unique_ptr<RDB_SINGLETON_STATE>& RDB_SINGLETON_STATE::instance()
{
    // The holder itself is never destroyed: objects destroyed at process exit (statics, reports still
    // registered) call erase_panel_info through the singleton, and must not find it gone.
    static auto* s_singleton = new std::unique_ptr<RDB_SINGLETON_STATE>();
    return *s_singleton;
}

RDB_SINGLETON_STATE& RDB_SINGLETON_STATE::get()
{
    std::unique_ptr<RDB_SINGLETON_STATE>& singleton = instance();
    if (!singleton) singleton.reset(new RDB_SINGLETON_STATE());
    return *singleton;
}

RDB_SINGLETON_STATE::RDB_SINGLETON_STATE()
{
    // From the first controller on, destroyed objects are taken out of the panel table. The hook goes
    // through get(), so it always reaches the controller in place (also after a unit-test reset).
    rdb_set_object_destroy_hook(&erase_destroyed_object);
}

void RDB_SINGLETON_STATE::utst_reset()
{
    std::unique_ptr<RDB_SINGLETON_STATE> fresh(new RDB_SINGLETON_STATE());
    instance().swap(fresh);
    // The old controller goes only once the new one is in place, in case a destructor calls in.
    fresh.reset();
}

// ---- Panels --------------------------------------------------------------------------------------

RDB_REPORT_CONTROLLER::~RDB_REPORT_CONTROLLER()
{
    for (RDB_PANEL_INFO* panel_info : m_panel_infos)
        delete panel_info;
}

int RDB_REPORT_CONTROLLER::add_panel_info(RDB_OBJECT* object)
{
    RDB_ASSERT(object != 0);
    RDB_ASSERT_MSG(find_panel_info(object, nullptr) == nullptr, "Specified object already existes.");
    for (std::size_t i = 0; i < m_panel_infos.size(); ++i) {
        if (m_panel_infos[i]->get_object() == nullptr) {
            m_panel_infos[i]->set_object(object);
            return boost::numeric_cast<int>(i);
        }
    }
    m_panel_infos.push_back(new RDB_PANEL_INFO(object));
    return boost::numeric_cast<int>(m_panel_infos.size() - 1);
}

void RDB_REPORT_CONTROLLER::erase_panel_info(RDB_OBJECT* object)
{
    RDB_ASSERT(object != 0);
    if (RDB_PANEL_INFO* panel_info = find_panel_info(object, nullptr)) panel_info->set_object(nullptr);
}

RDB_OBJECT* RDB_REPORT_CONTROLLER::get_panel_by_id(std::uint64_t id)
{
    if (id >= m_panel_infos.size()) return nullptr;
    return m_panel_infos[id]->get_object();
}

int RDB_REPORT_CONTROLLER::get_id_by_panel(RDB_OBJECT const* object) const
{
    std::uint64_t index = NO_PANEL_INDEX;
    if (find_panel_info(object, &index) == nullptr) return -1;
    return boost::numeric_cast<int>(index);
}

RDB_PANEL_INFO* RDB_REPORT_CONTROLLER::find_panel_info(RDB_OBJECT const* object, std::uint64_t* index)
{
    const RDB_REPORT_CONTROLLER& self = *this;
    return const_cast<RDB_PANEL_INFO*>(self.find_panel_info(object, index));
}

RDB_PANEL_INFO const* RDB_REPORT_CONTROLLER::find_panel_info(RDB_OBJECT const* object, std::uint64_t* index) const
{
    if (index != nullptr) *index = NO_PANEL_INDEX;
    for (std::size_t i = 0; i < m_panel_infos.size(); ++i) {
        const RDB_PANEL_INFO* panel_info = m_panel_infos[i];
        RDB_ASSERT(panel_info != 0);
        if (panel_info->get_object() == object) {
            if (index != nullptr) *index = i;
            return panel_info;
        }
    }
    return nullptr;
}

// ---- Reports -------------------------------------------------------------------------------------

RDB_REPORT* RDB_REPORT_CONTROLLER::get_report(std::string const& report_key)
{
    auto found = m_reports.find(report_key);
    if (found == m_reports.end() || found->second == nullptr) return nullptr;
    RDB_REPORT* report = found->second;
    // The conditions' texts are the ones callers and logs have always seen, spacing included.
    RDB_ASSERT_MSG(is_it_safe_for_rdb_controller_to_handle_the_report(report_key, report),
                   "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, report )");
    return report;
}

void RDB_REPORT_CONTROLLER::update_report(std::string const& report_key, RDB_REPORT* report)
{
    RDB_REPORT*& entry = m_reports[report_key];
    RDB_REPORT* old_report = entry;
    if (old_report != nullptr)
        RDB_ASSERT_MSG(is_it_safe_for_rdb_controller_to_handle_the_report(report_key, old_report),
                       "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, old_report )");
    if (report != nullptr)
        RDB_ASSERT_MSG(is_it_safe_for_rdb_controller_to_handle_the_report(report_key, report),
                       "is_it_safe_for_rdb_controller_to_handle_the_report( report_key, report)");
    entry = report;
}

void RDB_REPORT_CONTROLLER::temp_remove_all_of(std::string const& report_key) { m_reports.erase(report_key); }

void RDB_REPORT_CONTROLLER::clear_reports()
{
    std::vector<std::pair<std::string, RDB_REPORT*>> kept;
    for (const std::string& key : m_exe_reports) {
        auto found = m_reports.find(key);
        if (found != m_reports.end()) kept.emplace_back(found->first, found->second);
    }
    m_reports.clear();
    for (const auto& [key, report] : kept)
        if (report != nullptr) m_reports[key] = report;
}

void RDB_REPORT_CONTROLLER::set_report_identity(std::string const& report_key, std::string const& rev_name,
                                                std::string const& rpt_type)
{
    m_report_identities[report_key] = {rev_name, rpt_type};
}

bool RDB_REPORT_CONTROLLER::get_report_identity(std::string const& report_key, std::string& rev_name,
                                                std::string& rpt_type) const
{
    auto found = m_report_identities.find(report_key);
    if (found == m_report_identities.end()) return false;
    rev_name = found->second.first;
    rpt_type = found->second.second;
    return true;
}

bool RDB_REPORT_CONTROLLER::is_report_read_only(RDB_REPORT* report)
{
    if (report == nullptr) return false;
    RDB_FOLDER_OBJECT* main_folder = report->get_main_folder();
    if (main_folder == nullptr || main_folder->is_writable()) return false;
    RDB_FOLDER_OBJECT* current_folder = report->get_current_folder();
    return current_folder == nullptr || !current_folder->is_writable();
}

bool RDB_REPORT_CONTROLLER::is_it_safe_for_rdb_controller_to_handle_the_report(std::string const& report_key,
                                                                               RDB_REPORT* report)
{
    if (report != nullptr && is_report_read_only(report)) return true;
    return !is_report_concurrent_access_only(report_key);
}

// ---- Key sets ------------------------------------------------------------------------------------

void RDB_REPORT_CONTROLLER::set_report_to_concurrent_access_only(std::string const& report_key)
{
    m_concurrent_access_only.insert(report_key);
}

bool RDB_REPORT_CONTROLLER::is_report_concurrent_access_only(std::string const& report_key) const
{
    return m_concurrent_access_only.count(report_key) != 0;
}

void RDB_REPORT_CONTROLLER::hack_allow_non_concurrent_access_to_report(std::string const& report_key)
{
    m_concurrent_access_only.erase(report_key);
}

void RDB_REPORT_CONTROLLER::add_exe_report(std::string const& report_key) { m_exe_reports.insert(report_key); }

bool RDB_REPORT_CONTROLLER::is_exe_report(std::string const& report_key) const
{
    return m_exe_reports.count(report_key) != 0;
}

void RDB_REPORT_CONTROLLER::clear_exe_report() { m_exe_reports.clear(); }

void RDB_REPORT_CONTROLLER::reset_singleton_for_unit_test()
{
    RDB_REPORT_CONTROLLER& controller = RDB_SINGLETON_STATE::get().get_rpt_controller();
    controller.m_reports.clear();
    controller.m_report_identities.clear();
    for (RDB_PANEL_INFO* panel_info : controller.m_panel_infos)
        delete panel_info;
    controller.m_panel_infos.clear();
    controller.m_concurrent_access_only.clear();
}
