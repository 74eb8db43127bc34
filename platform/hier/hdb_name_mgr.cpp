#include "hier/hdb_name_mgr.h"

HDB_NAME_MGR::HDB_NAME_MGR() = default;

HDB_NAME_MGR::~HDB_NAME_MGR()
{
    for (auto& [number, values] : m_options)
        for (TEXT_OPTION* value : values)
            delete value;
}

void HDB_NAME_MGR::add_derived_option(int number, const std::string& text)
{
    m_options[number].push_back(new TEXT_OPTION(text));
}

const HDB_NAME_MGR::TEXT_OPTION* HDB_NAME_MGR::get_single_derived_option(int number) const
{
    const auto found = m_options.find(number);
    return found == m_options.end() || found->second.empty() ? nullptr : found->second.front();
}

std::list<HDB_NAME_MGR::TEXT_OPTION*>* HDB_NAME_MGR::get_derived_options(int number)
{
    const auto found = m_options.find(number);
    return found == m_options.end() ? nullptr : &found->second;
}

namespace {
HDB_NAME_MGR* g_current_name_mgr = nullptr;
} // namespace

HDB_NAME_MGR* hdb_get_current_name_mgr() { return g_current_name_mgr; }

void hdb_set_current_name_mgr(HDB_NAME_MGR* manager) { g_current_name_mgr = manager; }
