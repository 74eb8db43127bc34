#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "rdb_qml_archive.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// The standard output of unzip run with args, without a shell, through the file out (empty when unzip
// could not run).
std::string unzip(const fs::path& out, std::vector<std::string> args)
{
    args.insert(args.begin(), "unzip");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int status = 0;
    const bool ran =
        posix_spawnp(&pid, "unzip", &actions, nullptr, argv.data(), environ) == 0 && ::waitpid(pid, &status, 0) == pid;
    posix_spawn_file_actions_destroy(&actions);
    std::string text = ran ? read_file(out.string()) : "";
    fs::remove(out);
    return text;
}

class QML_ARCHIVE_TEST : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/rdb_qml_archive_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_scratch = pattern;
        m_base = m_scratch / "base";
        fs::create_directories(m_base);
        if (unzip(m_scratch / "unzip.out", {"-v"}).empty()) GTEST_SKIP() << "unzip is not installed";
    }
    void TearDown() override { fs::remove_all(m_scratch); }

    void put(const std::string& name, const std::string& bytes)
    {
        fs::create_directories((m_base / name).parent_path());
        std::ofstream(m_base / name, std::ios::binary) << bytes;
    }
    std::set<std::string> listing(const fs::path& folder) const
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path m_scratch;
    fs::path m_base;
};

const std::string HOSTILE_NAME = "a b;$(touch pwned) 'single' \"double\".qml";

TEST_F(QML_ARCHIVE_TEST, ArchivesFilesAndFoldersUnderRelativeNamesAndSkipsLinks)
{
    const std::map<std::string, std::string> files = {
        {"r.qml", "import QtQuick 2.15\nItem {}\n"},
        {"r.qml_files/components/text1.qml", std::string("binary\0\xff\xfe bytes", 16)},
        {"r.qml_files/waveform_x.gif", std::string(70000, 'G') + "end"},
        {"r.qmlproject", "import QmlProject 1.1\n"},
        {HOSTILE_NAME, "hostile"},
        {HOSTILE_NAME + "_files/in side; $(touch pwned).qml", "inside"},
        {"not a member.qml", "left out"},
    };
    for (const auto& [name, bytes] : files)
        put(name, bytes);
    fs::create_directories(m_base / "r.qml_files/javascript");
    fs::create_symlink("../r.qml", m_base / "r.qml_files/link.qml");
    fs::create_directory_symlink("/etc", m_base / "r.qml_files/etc");
    fs::create_symlink("r.qml", m_base / "link member.qml");

    const fs::path zip = m_scratch / "out put;$(touch pwned).zip";
    std::string error;
    ASSERT_TRUE(rdb_write_zip_archive(
        zip.string(), m_base.string(),
        {"r.qml", "./r.qml_files/", "r.qmlproject", HOSTILE_NAME, HOSTILE_NAME + "_files", "link member.qml"}, &error))
        << error;

    const fs::path out = m_scratch / "unzip.out";
    EXPECT_THAT(unzip(out, {"-t", zip.string()}), ::testing::HasSubstr("No errors detected"));
    std::set<std::string> entries;
    for (const std::string& line : lines_of(unzip(out, {"-Z1", zip.string()})))
        entries.insert(line);
    const std::set<std::string> expected = {"r.qml",
                                            "r.qml_files/",
                                            "r.qml_files/components/",
                                            "r.qml_files/components/text1.qml",
                                            "r.qml_files/javascript/",
                                            "r.qml_files/waveform_x.gif",
                                            "r.qmlproject",
                                            HOSTILE_NAME,
                                            HOSTILE_NAME + "_files/",
                                            HOSTILE_NAME + "_files/in side; $(touch pwned).qml"};
    EXPECT_EQ(entries, expected);
    for (const auto& [name, bytes] : files) {
        if (expected.count(name) == 0) continue;
        EXPECT_EQ(unzip(out, {"-p", zip.string(), name}), bytes) << name;
    }

    for (const fs::path& folder : {m_scratch, m_base, fs::current_path()})
        EXPECT_FALSE(fs::exists(folder / "pwned")) << folder;
    EXPECT_EQ(listing(m_scratch), (std::set<std::string>{"base", zip.filename().string()}));
}

TEST_F(QML_ARCHIVE_TEST, RefusedMembersAndFailedWritesLeaveTheEarlierArchive)
{
    put("r.qml", "page");
    put("r.qml_files/a.qml", "component");
    fs::create_symlink("r.qml", m_base / "link.qml");
    const fs::path zip = m_scratch / "r.zip";
    ASSERT_TRUE(rdb_write_zip_archive(zip.string(), m_base.string(), {"r.qml"}));
    const std::string earlier = read_file(zip.string());

    const struct {
        fs::path zip;
        std::vector<std::string> members;
    } cases[] = {
        {zip, {"r.qml", ""}},
        {zip, {"/etc/passwd"}},
        {zip, {"../base/r.qml"}},
        {zip, {"r.qml_files/../r.qml"}},
        {zip, {"r.qml_files/.."}},
        {zip, {"."}},
        {zip, {}},
        {zip, {"r.qml", "missing.qml"}},
        {zip, {"link.qml"}},
        {m_scratch / "no such folder" / "r.zip", {"r.qml"}},
        {m_base / "r.qml_files", {"r.qml"}},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(rdb_write_zip_archive(c.zip.string(), m_base.string(), c.members, &error)) << c.zip;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(read_file(zip.string()), earlier);
        EXPECT_EQ(listing(m_scratch), (std::set<std::string>{"base", "r.zip"}));
        EXPECT_EQ(listing(m_base), (std::set<std::string>{"r.qml", "r.qml_files", "link.qml"}));
    }
}

} // namespace
