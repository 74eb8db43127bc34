#include "dbm/dbm.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gen/gen_project.h"

namespace {

// The project's database folder, where every process of the project looks for the lock files.
std::string lock_directory() { return gen_get_db_dir_path_string(); }

// The lock file's name inside the database folder: a name that carries directories keeps only its
// last part, so every lock file sits in the one folder all processes of the project agree on.
std::string lock_file_name(const std::string& name)
{
    std::size_t slash = name.find_last_of('/');
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return base + ".lock";
}

// Opens the lock file on a description of its own and waits for the exclusive lock; -1 on failure.
//
// Why flock() and not fcntl() record locks. POSIX record locks (fcntl F_SETLK and lockf) belong to
// the process, not to the file descriptor: two threads of one process never exclude each other, and
// closing *any* descriptor the process has on the file silently drops every lock the process holds
// on it, even one taken through another descriptor (some library that opens and closes the same file
// would unlock us behind our back). flock() locks belong to the open file description instead: the
// lock is held until LOCK_UN or until the last descriptor sharing that description is closed, and the
// kernel drops it when the holder dies, however it dies (SIGKILL included), so a crashed process never
// leaves the report locked.
//
// That ownership model has its own hazards, handled here:
// - fork: a child inherits descriptors that share the parent's description, and so shares the
//   parent's lock. Locking again through such a descriptor would succeed at once (same description)
//   and unlocking it would release the parent's lock. So every acquisition opens the file afresh
//   (O_CLOEXEC, never shared with a child across exec), and a child that finds a hold inherited from
//   its parent forgets it without unlocking (see forget_hold_of_parent_process); closing the child's
//   copy of the descriptor does not release the parent's lock, since the parent's copy stays open.
// - Threads: flock() on two descriptions in one process does exclude them, but the in-process state
//   (owner thread and depth) must still be guarded, so threads queue on a condition variable first and
//   only the thread that wins there waits on the file.
// - The lock file is never deleted. Unlinking it while another process waits on the old inode would
//   let a third process create a new file and lock that one, and two processes would both believe
//   they hold the mutex.
// - NFS: Linux emulates flock() on NFS with whole-file fcntl() locks through the lock manager, which
//   brings back the per-process semantics above and depends on the lock daemons being healthy; the
//   database folder should be on a local file system.
// - Signals: a wait interrupted by a signal (EINTR) is simply resumed.
int open_and_lock(const std::string& directory, const std::string& file, std::string& error)
{
    if (directory.empty()) {
        error = "there is no database folder";
        return -1;
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    const std::string path = (std::filesystem::path(directory) / file).string();
    // The database folder may be writable by others. O_NOFOLLOW keeps a symbolic link planted under
    // the lock file's name from making us create or open a file wherever the link points, and
    // O_NONBLOCK keeps a FIFO planted there from stalling the open; only a regular file is a lock.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) {
        error = errno == ELOOP ? "the lock file '" + path + "' is a symbolic link"
                               : "cannot open the lock file '" + path + "': " + std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = "the lock file '" + path + "' is not a regular file";
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error = "cannot lock '" + path + "': " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

THR_IP_MUTEX_OBJ::THR_IP_MUTEX_OBJ(std::string name) : m_name(std::move(name)) {}

THR_IP_MUTEX_OBJ::~THR_IP_MUTEX_OBJ()
{
    std::lock_guard<std::mutex> state(m_state_mutex);
    if (m_fd >= 0 && m_pid == ::getpid()) ::flock(m_fd, LOCK_UN);
    if (m_fd >= 0) ::close(m_fd);
}

std::string THR_IP_MUTEX_OBJ::get_lock_file_path() const
{
    return (std::filesystem::path(lock_directory()) / lock_file_name(m_name)).string();
}

void THR_IP_MUTEX_OBJ::forget_hold_of_parent_process()
{
    if (m_depth == 0 || m_pid == ::getpid()) return;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_depth = 0;
    m_owner = std::thread::id();
    m_pid = 0;
}

bool THR_IP_MUTEX_OBJ::lock()
{
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock<std::mutex> state(m_state_mutex);
    forget_hold_of_parent_process();
    if (m_depth > 0 && m_owner == me) {
        ++m_depth;
        return true;
    }
    m_released.wait(state, [this] { return m_depth == 0; });
    // Claimed inside the process first, so that only this thread goes on to wait for the file.
    m_owner = me;
    m_depth = 1;
    m_pid = ::getpid();
    state.unlock();

    std::string error;
    const int fd = open_and_lock(lock_directory(), lock_file_name(m_name), error);

    state.lock();
    if (fd < 0) {
        m_last_error = error;
        m_owner = std::thread::id();
        m_depth = 0;
        m_pid = 0;
        m_released.notify_all();
        return false;
    }
    m_fd = fd;
    return true;
}

bool THR_IP_MUTEX_OBJ::unlock()
{
    std::lock_guard<std::mutex> state(m_state_mutex);
    forget_hold_of_parent_process();
    if (m_depth == 0 || m_owner != std::this_thread::get_id()) return false;
    if (--m_depth > 0) return true;
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    m_fd = -1;
    m_owner = std::thread::id();
    m_pid = 0;
    m_released.notify_all();
    return true;
}

std::string THR_IP_MUTEX_OBJ::get_last_error() const
{
    std::lock_guard<std::mutex> state(m_state_mutex);
    return m_last_error;
}

bool THR_IP_MUTEX_OBJ::is_held_by_this_thread() const
{
    std::lock_guard<std::mutex> state(m_state_mutex);
    return m_depth > 0 && m_pid == ::getpid() && m_owner == std::this_thread::get_id();
}

THR_IP_MUTEX_OBJ* DBM_INFO::get_interprocess_mutex(const std::string& name)
{
    if (name.empty()) return nullptr;
    // Never destroyed: a mutex may be unlocked by destructors that run at process exit.
    static auto* table_mutex = new std::mutex;
    static auto* table = new std::map<std::string, std::unique_ptr<THR_IP_MUTEX_OBJ>>;
    std::lock_guard<std::mutex> guard(*table_mutex);
    std::unique_ptr<THR_IP_MUTEX_OBJ>& slot = (*table)[name];
    if (!slot) slot = std::make_unique<THR_IP_MUTEX_OBJ>(name);
    return slot.get();
}

int thr_ip_mutex_lock(THR_IP_MUTEX_OBJ* mutex) { return mutex != nullptr && mutex->lock() ? 1 : 0; }

int thr_ip_mutex_unlock(THR_IP_MUTEX_OBJ* mutex) { return mutex != nullptr && mutex->unlock() ? 1 : 0; }
