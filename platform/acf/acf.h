#pragma once
// Project settings manager: whether a project is open, the device part it targets, and the
// reader/writer lock of the open revision's settings that readers of compilation results take.

#include <atomic>
#include <shared_mutex>

#include "dstr/dstr.h"

// The lock over the open revision's settings: many readers or one writer. The lock state is visible
// so that a caller that may already hold it (read or write) does not take it twice.
class ACF_REVISION_MANAGER {
public:
    // Blocks while a writer holds the lock.
    void read_lock();
    void read_unlock();
    // Blocks while readers or another writer hold the lock.
    void write_lock();
    void write_unlock();
    bool is_read_locked() const { return m_readers.load() > 0; }
    bool is_write_locked() const { return m_writer.load(); }

private:
    std::shared_mutex m_mutex;
    std::atomic<int> m_readers{0};
    std::atomic<bool> m_writer{false};
};

class ACF_MANAGER {
public:
    // The manager in effect (not owned): the process's own unless another was installed; null when
    // null was installed.
    static ACF_MANAGER* get_acf_manager();
    // Installs manager (not owned; null for none) and returns the one it replaces.
    static ACF_MANAGER* set_acf_manager(ACF_MANAGER* manager);

    // Opens a project whose device is part (DSTR_DEV_PART_NONE when not chosen yet).
    void open_project(DSTR_DEV_PART_ENUM part);
    void close_project();
    bool is_project_open() const { return m_project_open; }
    // The device part of the open project; DSTR_DEV_PART_NONE without one.
    DSTR_DEV_PART_ENUM get_project_part_enum() const { return m_project_open ? m_part : DSTR_DEV_PART_NONE; }
    ACF_REVISION_MANAGER& get_revision_manager() { return m_revision_manager; }

private:
    bool m_project_open = false;
    DSTR_DEV_PART_ENUM m_part = DSTR_DEV_PART_NONE;
    ACF_REVISION_MANAGER m_revision_manager;
};
