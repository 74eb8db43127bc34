#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbm/dbm.h"
#include "gen/gen_project.h"
#include "test_support.h"

namespace {

// A fresh project folder for the lock files of one test.
class TEMP_PROJECT {
public:
    TEMP_PROJECT()
    {
        char pattern[] = "/tmp/rdb_dbm_test_XXXXXX";
        m_dir = mkdtemp(pattern);
        gen_set_project_directory(m_dir);
    }
    ~TEMP_PROJECT()
    {
        gen_set_project_directory(std::string());
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }

private:
    std::string m_dir;
};

// Whether another open file description could take the lock right now.
bool lock_file_is_free(const THR_IP_MUTEX_OBJ& mutex)
{
    int fd = ::open(mutex.get_lock_file_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// A pipe for one-byte signals between parent and child.
struct SIGNAL_PIPE {
    SIGNAL_PIPE()
    {
        int fds[2];
        if (::pipe(fds) == 0) {
            read_fd = fds[0];
            write_fd = fds[1];
        }
    }
    ~SIGNAL_PIPE()
    {
        ::close(read_fd);
        ::close(write_fd);
    }
    void send(char c) const { (void)!::write(write_fd, &c, 1); }
    char wait() const
    {
        char c = 0;
        while (::read(read_fd, &c, 1) < 0 && errno == EINTR) {
        }
        return c;
    }
    // The byte already sent, or 0 when nothing is waiting.
    char poll() const
    {
        int flags = ::fcntl(read_fd, F_GETFL);
        ::fcntl(read_fd, F_SETFL, flags | O_NONBLOCK);
        char c = 0;
        if (::read(read_fd, &c, 1) != 1) c = 0;
        ::fcntl(read_fd, F_SETFL, flags);
        return c;
    }
    int read_fd = -1;
    int write_fd = -1;
};

int wait_for(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

TEST(DbmMutex, OneObjectPerNameForTheProcess)
{
    THR_IP_MUTEX_OBJ* first = DBM_INFO::get_interprocess_mutex("top.fit.rdb");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DBM_INFO::get_interprocess_mutex("top.fit.rdb"), first);
    EXPECT_NE(DBM_INFO::get_interprocess_mutex("top.sta.rdb"), first);
    EXPECT_EQ(first->get_name(), "top.fit.rdb");
    EXPECT_EQ(DBM_INFO::get_interprocess_mutex(""), nullptr);
    EXPECT_EQ(thr_ip_mutex_lock(nullptr), 0);
    EXPECT_EQ(thr_ip_mutex_unlock(nullptr), 0);
}

TEST(DbmMutex, LockFileLivesInTheDatabaseFolder)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("/some/where/top.fit.rdb");
    EXPECT_EQ(mutex->get_lock_file_path(), gen_get_db_dir_path_string() + "/top.fit.rdb.lock");
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_TRUE(std::filesystem::exists(mutex->get_lock_file_path()));
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
}

TEST(DbmMutex, SameThreadMayLockAgainAndUnlocksEachLevel)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("recursive");
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 0);
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_TRUE(mutex->is_held_by_this_thread());
    EXPECT_FALSE(lock_file_is_free(*mutex));

    // Another thread neither holds it nor may release it.
    bool other_held = true;
    int other_unlock = -1;
    std::thread other([&] {
        other_held = mutex->is_held_by_this_thread();
        other_unlock = thr_ip_mutex_unlock(mutex);
    });
    other.join();
    EXPECT_FALSE(other_held);
    EXPECT_EQ(other_unlock, 0);

    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_FALSE(lock_file_is_free(*mutex));
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_TRUE(lock_file_is_free(*mutex));
    EXPECT_FALSE(mutex->is_held_by_this_thread());
}

TEST(DbmMutex, ThreadsOfOneProcessExcludeEachOther)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("threads");
    std::atomic<int> occupants{0};
    std::atomic<int> overlaps{0};
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                if (thr_ip_mutex_lock(mutex) == 0) return;
                if (occupants.fetch_add(1) != 0) ++overlaps;
                ++counter;
                occupants.fetch_sub(1);
                thr_ip_mutex_unlock(mutex);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 800);
}

TEST(DbmMutex, ChildHoldingTheLockBlocksTheParentUntilItUnlocks)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("shared.report");
    SIGNAL_PIPE locked, go, unlocking;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (thr_ip_mutex_lock(mutex) == 0) _exit(1);
        locked.send('L');
        go.wait();
        unlocking.send('U');
        _exit(thr_ip_mutex_unlock(mutex) == 1 ? 0 : 2);
    }
    ASSERT_EQ(locked.wait(), 'L');
    EXPECT_FALSE(lock_file_is_free(*mutex));

    std::atomic<bool> acquired{false};
    char seen_when_acquired = 0;
    std::thread waiter([&] {
        if (thr_ip_mutex_lock(mutex) == 0) return;
        seen_when_acquired = unlocking.poll();
        acquired = true;
        thr_ip_mutex_unlock(mutex);
    });
    EXPECT_FALSE(acquired.load());
    go.send('G');
    waiter.join();
    ASSERT_TRUE(acquired.load());
    // The parent got the lock only after the child had announced its unlock.
    EXPECT_EQ(seen_when_acquired, 'U');
    const int status = wait_for(child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(lock_file_is_free(*mutex));
}

TEST(DbmMutex, KilledChildReleasesTheLock)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("killed.report");
    SIGNAL_PIPE locked;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (thr_ip_mutex_lock(mutex) == 0) _exit(1);
        locked.send('L');
        for (;;) ::pause();
    }
    ASSERT_EQ(locked.wait(), 'L');
    EXPECT_FALSE(lock_file_is_free(*mutex));
    ::kill(child, SIGKILL);
    const int status = wait_for(child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(lock_file_is_free(*mutex));
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
}

TEST(DbmMutex, ForkedChildDoesNotShareOrReleaseTheParentsHold)
{
    TEMP_PROJECT project;
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("forked.report");
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The parent's hold is not the child's: it neither holds the mutex nor can release it, and
        // the lock file stays taken.
        int code = 0;
        if (mutex->is_held_by_this_thread()) code |= 1;
        if (thr_ip_mutex_unlock(mutex) != 0) code |= 2;
        if (lock_file_is_free(*mutex)) code |= 4;
        _exit(code);
    }
    const int status = wait_for(child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(mutex->is_held_by_this_thread());
    EXPECT_FALSE(lock_file_is_free(*mutex));
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_TRUE(lock_file_is_free(*mutex));
}
