#pragma once
// Database manager and thread service: named mutexes shared by every process of the suite.
//
// A THR_IP_MUTEX_OBJ excludes other processes (through a lock file in the project's database
// folder) and the other threads of its own process. The same thread may lock it again while it holds
// it; each lock needs its own unlock. A process that dies while holding it releases it: the
// operating system drops the lock with the process.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <sys/types.h>

class THR_IP_MUTEX_OBJ {
public:
    explicit THR_IP_MUTEX_OBJ(std::string name);
    THR_IP_MUTEX_OBJ(const THR_IP_MUTEX_OBJ&) = delete;
    THR_IP_MUTEX_OBJ& operator=(const THR_IP_MUTEX_OBJ&) = delete;
    // Releases the lock if this process still holds it.
    ~THR_IP_MUTEX_OBJ();

    const std::string& get_name() const { return m_name; }
    // The lock file: "<name>.lock" in the database folder (folder made when missing).
    std::string get_lock_file_path() const;

    // Blocks until this thread holds the mutex; false when the lock file cannot be opened or locked,
    // or is not a regular file (a symbolic link, a FIFO or a device is never followed or used).
    bool lock();
    // Why the last lock failed.
    std::string get_last_error() const;
    // Drops one level of this thread's hold; false when this thread does not hold the mutex.
    bool unlock();
    // True when the calling thread holds the mutex.
    bool is_held_by_this_thread() const;

private:
    // Forgets a hold inherited through fork: the lock belongs to the parent, not to this process.
    void forget_hold_of_parent_process();

    std::string m_name;
    mutable std::mutex m_state_mutex;
    std::condition_variable m_released;
    std::thread::id m_owner;
    unsigned m_depth = 0;
    int m_fd = -1;
    pid_t m_pid = 0;
    std::string m_last_error;
};

class DBM_INFO {
public:
    // The process's mutex of that name, made on first use and kept for the life of the process; null
    // for an empty name.
    static THR_IP_MUTEX_OBJ* get_interprocess_mutex(const std::string& name);
};

// Thread service entry points: non-zero on success. Lock blocks; a null mutex fails.
int thr_ip_mutex_lock(THR_IP_MUTEX_OBJ* mutex);
int thr_ip_mutex_unlock(THR_IP_MUTEX_OBJ* mutex);
