// The rdb tool under the faults a hostile user or an unlucky machine brings: output names that are not
// regular files, file-size limits, planted lock files, unreadable and unlistable folders, a store
// killed between its two renames, temporary files of killed writers, and names with control bytes.
// After each, what is on disk is the old report or the new one, whole, and the exit status and the
// one-line message say which.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "gen/gen_project.h"
#include "kdb/kdb.h"
#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_utility.h"
#include "rdb_xml.h"
#include "tool_runner.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t NOBODY = 65534;

std::unique_ptr<RDB_REPORT> report_with(const std::vector<std::string>& texts)
{
    auto report = std::make_unique<RDB_REPORT>();
    auto* table = new RDB_TABLE_OBJECT("Table");
    for (const std::string& text : texts)
        table->add_row(rdb_create_row(std::vector<std::string>{text}));
    report->get_main_folder()->add_object_to_list(table);
    return report;
}

bool is_one_line(const std::string& text) { return text.find('\n') == text.size() - 1; }

class TOOL_FAULTS : public TOOL_TEST {
protected:
    void SetUp() override
    {
        TOOL_TEST::SetUp();
        if (m_root.empty()) return;
        fs::create_directories(db());
        store("top", {"old"});
    }

    fs::path db() const { return m_project / "db"; }
    KDB_SERVICE service() const { return KDB_SERVICE(db().string()); }
    fs::path stored_file(const std::string& rev, bool bak = false) const
    {
        return service().get_model_file_path(RDB_REPORT::get_kdb_path(rev, "fit"), bak);
    }
    void store(const std::string& rev, const std::vector<std::string>& texts) const
    {
        std::unique_ptr<RDB_REPORT> report = report_with(texts);
        KDB_SERVICE kdb = service();
        ASSERT_TRUE(rdb_store_report_model(kdb, RDB_REPORT::get_kdb_path(rev, "fit"), *report));
    }
    // The first text of the table in one stored form, read on its own; "<unreadable>" when it does not load.
    std::string form_text(const std::string& rev, bool bak) const
    {
        RDB_MODEL_HANDLER handler;
        const KDB_FILE file(stored_file(rev, bak), bak ? handler.get_bak_extension() : handler.get_type_extension(),
                            bak);
        std::unique_ptr<RDB_REPORT> report =
            rdb_take_report_from_model(handler.read_model_from_file(RDB_REPORT::get_kdb_path(rev, "fit"), file));
        if (!report) return "<unreadable>";
        auto* table = report->get_main_folder()->find_object("Table");
        std::string text;
        if (table != nullptr && table->dynamic_cast_to_RDB_TABLE_OBJECT() != nullptr)
            table->dynamic_cast_to_RDB_TABLE_OBJECT()->get_data_string(0, 0, text);
        return text;
    }
    // Both stored forms hold the report whose first text is text, and no temporary file is left.
    void expect_stored(const std::string& text) const
    {
        EXPECT_EQ(form_text("top", false), text);
        EXPECT_EQ(form_text("top", true), text);
        for (const fs::directory_entry& entry : fs::directory_iterator(db()))
            EXPECT_FALSE(pdb_is_temp_file_name(entry.path().filename().string())) << entry.path();
    }
    fs::path xml_of(const std::vector<std::string>& texts, const std::string& name) const
    {
        const fs::path file = m_root / name;
        std::ofstream out(file);
        rdb_xml_write(out, report_with(texts).get());
        return file;
    }
    // Lets an unprivileged user into the temporary folders, for the tests that run the tool as one.
    bool can_drop_privileges() const
    {
        if (::geteuid() != 0) return false;
        for (const fs::path& dir : {m_root, m_project, db()})
            fs::permissions(dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                     fs::perms::group_read | fs::perms::others_read);
        return true;
    }
    static void as_nobody()
    {
        if (::setgid(NOBODY) != 0 || ::setuid(NOBODY) != 0) ::_exit(126);
    }
};

} // namespace

TEST_F(TOOL_FAULTS, OutputFilesThatAreNotRegularFilesAreWrittenInPlaceAndLinksStayLinks)
{
    // A FIFO is written through, not replaced: a reader on the other end gets the report.
    const fs::path fifo = m_root / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] {
        std::ifstream in(fifo);
        piped.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    });
    const TOOL_RESULT to_fifo = run({"report", "top", "fit", "-o", fifo.string()});
    reader.join();
    EXPECT_EQ(to_fifo.status, 0) << to_fifo.err;
    EXPECT_NE(piped.find("; Table"), std::string::npos) << piped;
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A link to a regular file: the file gets the output and the link stays a link.
    const fs::path target = m_root / "target.xml", link = m_root / "link.xml";
    std::ofstream(target) << "before";
    fs::create_symlink(target, link);
    EXPECT_EQ(run({"export-xml", "top", "fit", link.string()}).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(tool_read_file(target).find("<report>"), std::string::npos);

    // A link to nothing is refused, and left as it was.
    const fs::path dangling = m_root / "dangling.xml";
    fs::create_symlink(m_root / "absent" / "file.xml", dangling);
    const TOOL_RESULT refused = run({"export-xml", "top", "fit", dangling.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(is_one_line(refused.err) && refused.err.find("symbolic link") != std::string::npos) << refused.err;
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_FALSE(fs::exists(m_root / "absent"));

    // Devices stay devices: the null device swallows the output, the full one fails with its reason.
    const fs::path null_device = m_root / "null", full_device = m_root / "full";
    if (::mknod(null_device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0 ||
        ::mknod(full_device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";
    EXPECT_EQ(run({"export-xml", "top", "fit", null_device.string()}).status, 0);
    const TOOL_RESULT full = run({"report", "top", "fit", "-o", full_device.string()});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(is_one_line(full.err) && full.err.find("No space left on device") != std::string::npos) << full.err;
    EXPECT_TRUE(fs::is_character_file(null_device) && fs::is_character_file(full_device));
}

TEST_F(TOOL_FAULTS, AFileSizeLimitBetweenTheTwoFilesChangesNothingAndSaysWhy)
{
    // Sizes of the new report's two forms, measured in a scratch database.
    const std::vector<std::string> texts(2000, "x");
    const fs::path scratch = m_root / "scratch";
    fs::create_directories(scratch);
    KDB_SERVICE scratch_service(scratch.string());
    std::unique_ptr<RDB_REPORT> report = report_with(texts);
    ASSERT_TRUE(rdb_store_report_model(scratch_service, RDB_REPORT::get_kdb_path("top", "fit"), *report));
    const auto binary_size = fs::file_size(scratch_service.get_model_file_path(RDB_REPORT::get_kdb_path("top", "fit")));
    const auto bak_size =
        fs::file_size(scratch_service.get_model_file_path(RDB_REPORT::get_kdb_path("top", "fit"), true));
    ASSERT_LT(binary_size * 2, bak_size) << binary_size << " " << bak_size;
    const rlim_t limit = static_cast<rlim_t>((binary_size + bak_size) / 2);
    const auto limited = [limit] {
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
    };

    // The binary file fits under the limit, the backup does not: the store fails whole.
    const TOOL_RESULT stored =
        run({"import-xml", xml_of(texts, "new.xml").string(), "top", "fit"}, "/dev/null", "", limited);
    EXPECT_EQ(stored.status, 1);
    EXPECT_TRUE(is_one_line(stored.err)) << stored.err;
    EXPECT_TRUE(stored.err.starts_with("rdb: cannot store the report 'top' of type 'fit': ")) << stored.err;
    EXPECT_NE(stored.err.find("File too large"), std::string::npos) << stored.err;
    expect_stored("old");

    // An output file past the limit: the old file stays and no temporary file is left beside it.
    store("big", texts);
    const fs::path out = m_root / "big.rpt";
    std::ofstream(out) << "previous";
    const TOOL_RESULT printed = run({"report", "big", "fit", "-o", out.string()}, "/dev/null", "", [] {
        const rlimit size{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    EXPECT_EQ(printed.status, 1);
    EXPECT_TRUE(is_one_line(printed.err) && printed.err.find("File too large") != std::string::npos) << printed.err;
    EXPECT_EQ(tool_read_file(out), "previous");
    for (const fs::directory_entry& entry : fs::directory_iterator(m_root))
        EXPECT_FALSE(pdb_is_temp_file_name(entry.path().filename().string())) << entry.path();
}

TEST_F(TOOL_FAULTS, AStoreKilledBetweenItsRenamesIsDetectedByCheckAndByTheFallback)
{
    const pid_t child = ::fork();
    if (child == 0) {
        gen_set_project_directory(m_project.string());
        // The first rename (the backup) goes through; the process dies before the second.
        pdb_set_write_fault_hook([](PDB_WRITE_STEP step) {
            static int renames = 0;
            if (step == PDB_WRITE_STEP::RENAME && ++renames == 2) ::_exit(0);
            return false;
        });
        std::unique_ptr<RDB_REPORT> report = report_with({"new"});
        KDB_SERVICE kdb(db().string());
        rdb_store_report_model(kdb, RDB_REPORT::get_kdb_path("top", "fit"), *report);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(form_text("top", false), "old");
    EXPECT_EQ(form_text("top", true), "new");

    // The killed store also left its finished binary temporary file, never renamed.
    const TOOL_RESULT check = run({"check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_TRUE(check.out.starts_with("warning top  fit (backup file stale (not stored with the binary file))\n"))
        << check.out;
    EXPECT_NE(check.out.find("(a temporary file left by a writer that was killed)\n"), std::string::npos);
    EXPECT_TRUE(check.out.ends_with("1 report checked, 0 failed, 2 warnings\n")) << check.out;
    const TOOL_RESULT strict = run({"check", "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err, "rdb: 1 warning (--strict)\n");

    // With the binary payload damaged (its header intact) the fallback is taken, and said to be stale.
    std::string bytes = tool_read_file(stored_file("top"));
    bytes.back() ^= 0x5A;
    std::ofstream(stored_file("top"), std::ios::binary | std::ios::trunc) << bytes;
    const TOOL_RESULT shown = run({"show", "top", "fit", "Table"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("new"), std::string::npos);
    EXPECT_EQ(shown.err, "rdb: the report 'top' of type 'fit' was read from its backup: its binary file is damaged "
                         "(warning: the backup was not stored with the binary file: it may be older or newer)\n");
}

TEST_F(TOOL_FAULTS, TemporaryFilesOfKilledWritersAreListedByCheckAndRemovedUnderTheLock)
{
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
    const fs::path binary = stored_file("top"), bak = stored_file("top", true);
    const std::vector<fs::path> stale = {db() / ("." + binary.filename().string() + ".tmp-" + dead + "-1"),
                                         db() / ("." + bak.filename().string() + ".tmp-" + dead + "-2")};
    const fs::path live = db() / ("." + binary.filename().string() + ".tmp-" + alive + "-3");
    for (const fs::path& file : {stale[0], stale[1], live})
        std::ofstream(file) << "partial";

    const TOOL_RESULT check = run({"check"});
    EXPECT_EQ(check.status, 0);
    for (const fs::path& file : stale) {
        EXPECT_NE(check.out.find("warning '" + file.string() + "' (a temporary file left by a writer that was killed)"),
                  std::string::npos)
            << check.out;
        EXPECT_FALSE(fs::exists(file)) << "check took the report's lock, which clears them";
    }
    EXPECT_TRUE(fs::exists(live)) << "a live writer's temporary file stays";
    EXPECT_TRUE(check.out.ends_with("1 report checked, 0 failed, 2 warnings\n")) << check.out;
}

TEST_F(TOOL_FAULTS, PlantedLockFilesAreNeverFollowedOrUsed)
{
    const fs::path lock = db() / (stored_file("top").filename().string() + ".lock");
    const fs::path victim = m_root / "victim";
    const std::string xml = xml_of({"new"}, "new.xml").string();
    fs::remove(lock);
    fs::create_symlink(victim, lock);
    const TOOL_RESULT refused = run({"import-xml", xml, "top", "fit"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "rdb: cannot lock the report 'top' of type 'fit': the lock file '" + lock.string() +
                               "' is a symbolic link\n");
    EXPECT_EQ(run({"show", "top", "fit", "Table"}).status, 0) << "reads go on without the lock";
    EXPECT_FALSE(fs::exists(victim));
    EXPECT_TRUE(fs::is_symlink(lock));

    fs::remove(lock);
    ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
    const TOOL_RESULT fifo = run({"import-xml", xml, "top", "fit"});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.err.find("is not a regular file"), std::string::npos) << fifo.err;
    expect_stored("old");
}

TEST_F(TOOL_FAULTS, FoldersThatCannotBeListedAndFilesThatCannotBeReadAreSaidSo)
{
    // A database "folder" that is a file.
    const fs::path real_db = m_project / "db.real";
    fs::rename(db(), real_db);
    std::ofstream(db()) << "not a folder";
    for (const char* command : {"ls", "check"}) {
        const TOOL_RESULT result = run({command});
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.out, "") << command;
        EXPECT_EQ(result.err, "rdb: cannot list the database folder '" + db().string() + "': Not a directory\n");
    }
    fs::remove(db());
    fs::rename(real_db, db());

    if (!can_drop_privileges()) GTEST_SKIP() << "permission faults need root to set up";
    fs::permissions(stored_file("top"), fs::perms::owner_read | fs::perms::owner_write);
    const TOOL_RESULT check = run({"check"}, "/dev/null", "", as_nobody);
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "warning top  fit (binary file unreadable (Permission denied), loaded from the backup, "
                         "backup file unverified (no stamp to check it against the binary file))\n"
                         "1 report checked, 0 failed, 3 warnings\n");

    fs::permissions(db(), fs::perms::owner_all);
    const TOOL_RESULT listing = run({"ls"}, "/dev/null", "", as_nobody);
    EXPECT_EQ(listing.status, 1);
    EXPECT_EQ(listing.err, "rdb: cannot list the database folder '" + db().string() + "': Permission denied\n");
}

TEST_F(TOOL_FAULTS, NamesWithControlBytesArePrintedEscaped)
{
    const std::string rev = "ev\nil\x1b[31m\xc2\x9b";
    ASSERT_EQ(run({"import-xml", xml_of({"x"}, "x.xml").string(), rev, "fit"}).status, 0);
    const TOOL_RESULT listing = run({"ls"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_NE(listing.out.find("ev\\nil\\x1b[31m\\xc2\\x9b  fit  "), std::string::npos) << listing.out;
    EXPECT_EQ(lines_of(listing.out).size(), 2u);

    const TOOL_RESULT missing = run({"show", rev, "fit", "no\nsuch\x07"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(is_one_line(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find("'no\\nsuch\\x07'"), std::string::npos) << missing.err;
}
