#include "acf/acf.h"

void ACF_REVISION_MANAGER::read_lock()
{
    m_mutex.lock_shared();
    ++m_readers;
}

void ACF_REVISION_MANAGER::read_unlock()
{
    --m_readers;
    m_mutex.unlock_shared();
}

void ACF_REVISION_MANAGER::write_lock()
{
    m_mutex.lock();
    m_writer = true;
}

void ACF_REVISION_MANAGER::write_unlock()
{
    m_writer = false;
    m_mutex.unlock();
}

namespace {

ACF_MANAGER*& installed_manager()
{
    static ACF_MANAGER process_manager;
    static ACF_MANAGER* installed = &process_manager;
    return installed;
}

} // namespace

ACF_MANAGER* ACF_MANAGER::get_acf_manager() { return installed_manager(); }

ACF_MANAGER* ACF_MANAGER::set_acf_manager(ACF_MANAGER* manager)
{
    ACF_MANAGER* previous = installed_manager();
    installed_manager() = manager;
    return previous;
}

void ACF_MANAGER::open_project(DSTR_DEV_PART_ENUM part)
{
    m_project_open = true;
    m_part = part;
}

void ACF_MANAGER::close_project()
{
    m_project_open = false;
    m_part = DSTR_DEV_PART_NONE;
}
