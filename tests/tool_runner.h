#pragma once
// Runs the rdb tool (RDB_TOOL_PATH, empty when the tools are not built) as a separate process on a
// temporary folder of the test's own.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

struct TOOL_RESULT {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string tool_read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TOOL_TEST : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(RDB_TOOL_PATH).empty()) GTEST_SKIP() << "the tools are not built";
        char pattern[] = "/tmp/rdb_tool_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        m_project = m_root / "project";
    }
    void TearDown() override
    {
        if (!m_root.empty()) std::filesystem::remove_all(m_root);
    }

    // Runs the tool with standard input from input, RDB_PROJECT_DIR naming m_project, RDB_INI naming
    // ini (none when empty) and no RDB_DEBUG_LEVEL; its exit status (128 + the signal when it was
    // killed) and output. setup runs in the child just before the tool starts (limits, user).
    TOOL_RESULT run(std::vector<std::string> args, const std::filesystem::path& input = "/dev/null",
                    const std::string& ini = "", const std::function<void()>& setup = {}) const
    {
        const std::filesystem::path out = m_root / "stdout", err = m_root / "stderr";
        args.insert(args.begin(), RDB_TOOL_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::unsetenv("RDB_DEBUG_LEVEL");
            ::setenv("RDB_PROJECT_DIR", m_project.c_str(), 1);
            if (ini.empty())
                ::unsetenv("RDB_INI");
            else
                ::setenv("RDB_INI", ini.c_str(), 1);
            if (std::freopen(input.c_str(), "r", stdin) && std::freopen(out.c_str(), "w", stdout) &&
                std::freopen(err.c_str(), "w", stderr)) {
                if (setup) setup();
                ::execv(RDB_TOOL_PATH, argv.data());
            }
            ::_exit(127);
        }
        TOOL_RESULT result;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = tool_read_file(out);
        result.err = tool_read_file(err);
        return result;
    }

    std::filesystem::path m_root;
    std::filesystem::path m_project;
};
