// The link folder: a folder that shows the main folder of another report, found in the report
// registry by revision name and report type. Its registry calls live here, apart from the other
// folders, so that the folder family does not depend on the report and its registry.

#include "rdb_folder.h"

#include "msg/msg.h"
#include "rdb_report.h"
#include "rdb_visitor.h"

RDB_LINK_RPT_OBJECT::RDB_LINK_RPT_OBJECT() = default;

RDB_LINK_RPT_OBJECT::RDB_LINK_RPT_OBJECT(const std::string& name) : RDB_FOLDER_OBJECT(name) {}

void RDB_LINK_RPT_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_link_rpt(this); }

void RDB_LINK_RPT_OBJECT::set_rev_name_and_rpt_type(const std::string& rev_name, const std::string& rpt_type,
                                                    bool delete_report)
{
    if (rev_name != m_rev_name || rpt_type != m_rpt_type) {
        RDB_ASSERT_MSG(m_rev_name.empty() && m_rpt_type.empty(), "Change report key is not allowed.");
        m_rev_name = rev_name;
        m_rpt_type = rpt_type;
    }
    if (delete_report) RDB_REPORT::delete_report(m_rev_name, m_rpt_type);
}

void RDB_LINK_RPT_OBJECT::set_link_rpt(RDB_REPORT* report) { RDB_REPORT::add_report(m_rev_name, m_rpt_type, report); }

RDB_REPORT* RDB_LINK_RPT_OBJECT::get_link_rpt() const
{
    if (m_rev_name.empty() || m_rpt_type.empty()) return nullptr;
    return RDB_REPORT::get_report(m_rev_name, m_rpt_type);
}

RDB_FOLDER_OBJECT* RDB_LINK_RPT_OBJECT::get_main_folder() const
{
    RDB_REPORT* report = get_link_rpt();
    return report == nullptr ? nullptr : report->get_main_folder();
}

RDB_FOLDER_OBJECT& RDB_LINK_RPT_OBJECT::get_main_folder_or_die() const
{
    RDB_FOLDER_OBJECT* main_folder = get_main_folder();
    RDB_ASSERT(main_folder != 0);
    return *main_folder;
}

void RDB_LINK_RPT_OBJECT::add_object_to_list(RDB_OBJECT* object)
{
    get_main_folder_or_die().add_object_to_list(object);
}

void RDB_LINK_RPT_OBJECT::add_object_to_list_top(RDB_OBJECT* object)
{
    get_main_folder_or_die().add_object_to_list_top(object);
}

void RDB_LINK_RPT_OBJECT::remove_object_from_list(RDB_OBJECT* object)
{
    get_main_folder_or_die().remove_object_from_list(object);
}

void RDB_LINK_RPT_OBJECT::remove_object_from_list(const std::string& name)
{
    get_main_folder_or_die().remove_object_from_list(name);
}

RDB_OBJECT_LIST* RDB_LINK_RPT_OBJECT::get_object_list()
{
    RDB_FOLDER_OBJECT* main_folder = get_main_folder();
    return main_folder == nullptr ? nullptr : main_folder->get_object_list();
}

const RDB_OBJECT_LIST* RDB_LINK_RPT_OBJECT::get_object_list() const
{
    RDB_REPORT* report = get_link_rpt();
    if (report == nullptr) return nullptr;
    RDB_FOLDER_OBJECT* folder = report->get_current_folder();
    if (folder == nullptr) folder = report->get_main_folder();
    return folder == nullptr ? nullptr : folder->get_object_list();
}

RDB_OBJECT_LIST::iterator RDB_LINK_RPT_OBJECT::begin_object_iter()
{
    RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr ? RDB_OBJECT_LIST::iterator() : list->begin();
}

RDB_OBJECT_LIST::iterator RDB_LINK_RPT_OBJECT::end_object_iter()
{
    RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr ? RDB_OBJECT_LIST::iterator() : list->end();
}

RDB_OBJECT_LIST::const_iterator RDB_LINK_RPT_OBJECT::begin_object_const_iter() const
{
    const RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr ? RDB_OBJECT_LIST::const_iterator() : list->cbegin();
}

RDB_OBJECT_LIST::const_iterator RDB_LINK_RPT_OBJECT::end_object_const_iter() const
{
    const RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr ? RDB_OBJECT_LIST::const_iterator() : list->cend();
}
