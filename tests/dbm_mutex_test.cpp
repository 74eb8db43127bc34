#include <atomic>
#include <csignal>
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

// A fresh project folder for the lock files of each test.
class DbmMutex : public ::testing::Test {
protected:
    TEMP_PROJECT m_project{"rdb_dbm_test"};
};

// Whether another open file description could take the lock right now.
bool lock_file_is_free(const THR_IP_MUTEX_OBJ* mutex)
{
    int fd = ::open(mutex->get_lock_file_path().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// One-byte messages between a parent and its forked child.
struct PIPE {
    PIPE() { (void)!::pipe(fd); }
    ~PIPE()
    {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    void send(char c) const { (void)!::write(fd[1], &c, 1); }
    // The next byte; with wait false, the byte already sent or 0.
    char receive(bool wait = true) const
    {
        if (!wait) ::fcntl(fd[0], F_SETFL, O_NONBLOCK);
        char c = 0;
        return ::read(fd[0], &c, 1) == 1 ? c : 0;
    }
    int fd[2] = {-1, -1};
};

} // namespace

TEST_F(DbmMutex, OneRecursiveObjectPerNameThatOtherThreadsCannotRelease)
{
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("/some/where/top.fit.rdb");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(DBM_INFO::get_interprocess_mutex("/some/where/top.fit.rdb"), mutex);
    EXPECT_NE(DBM_INFO::get_interprocess_mutex("top.sta.rdb"), mutex);
    EXPECT_EQ(DBM_INFO::get_interprocess_mutex(""), nullptr);
    EXPECT_EQ(thr_ip_mutex_lock(nullptr), 0);
    EXPECT_EQ(mutex->get_lock_file_path(), gen_get_db_dir_path_string() + "/top.fit.rdb.lock");

    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 0);
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_FALSE(lock_file_is_free(mutex));
    bool other_held = true;
    int other_unlock = -1;
    std::thread([&] {
        other_held = mutex->is_held_by_this_thread();
        other_unlock = thr_ip_mutex_unlock(mutex);
    }).join();
    EXPECT_FALSE(other_held);
    EXPECT_EQ(other_unlock, 0);

    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_FALSE(lock_file_is_free(mutex));
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_TRUE(lock_file_is_free(mutex));
    EXPECT_FALSE(mutex->is_held_by_this_thread());
}

TEST_F(DbmMutex, ThreadsOfOneProcessExcludeEachOther)
{
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("threads");
    std::atomic<int> occupants{0}, overlaps{0};
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200 && thr_ip_mutex_lock(mutex) == 1; ++i) {
                if (occupants.fetch_add(1) != 0) ++overlaps;
                ++counter;
                occupants.fetch_sub(1);
                thr_ip_mutex_unlock(mutex);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 800);
}

TEST_F(DbmMutex, ChildsHoldBlocksTheParentUntilTheChildUnlocksOrDies)
{
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("shared.report");
    PIPE locked, go, unlocking;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (thr_ip_mutex_lock(mutex) == 0) _exit(1);
        locked.send('L');
        go.receive();
        unlocking.send('U');
        if (thr_ip_mutex_unlock(mutex) != 1) _exit(2);
        go.receive();
        if (thr_ip_mutex_lock(mutex) == 0) _exit(1);
        locked.send('L');
        go.receive(); // killed while waiting here
        _exit(3);
    }
    ASSERT_EQ(locked.receive(), 'L');
    EXPECT_FALSE(lock_file_is_free(mutex));
    go.send('G');
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_EQ(unlocking.receive(false), 'U') << "the parent got the lock before the child's unlock";
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);

    // The child takes the lock again and is killed holding it.
    go.send('G');
    ASSERT_EQ(locked.receive(), 'L');
    EXPECT_FALSE(lock_file_is_free(mutex));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_TRUE(lock_file_is_free(mutex));
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
}

TEST_F(DbmMutex, ForkedChildDoesNotShareOrReleaseTheParentsHold)
{
    THR_IP_MUTEX_OBJ* mutex = DBM_INFO::get_interprocess_mutex("forked.report");
    ASSERT_EQ(thr_ip_mutex_lock(mutex), 1);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The parent's hold is not the child's: it neither holds the mutex nor can release it.
        int code = mutex->is_held_by_this_thread() ? 1 : 0;
        code |= thr_ip_mutex_unlock(mutex) != 0 ? 2 : 0;
        _exit(code | (lock_file_is_free(mutex) ? 4 : 0));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(mutex->is_held_by_this_thread());
    EXPECT_FALSE(lock_file_is_free(mutex));
    EXPECT_EQ(thr_ip_mutex_unlock(mutex), 1);
    EXPECT_TRUE(lock_file_is_free(mutex));
}
