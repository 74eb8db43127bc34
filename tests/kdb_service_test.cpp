// The project database service: safe and reversible file names, the handler registry, and storing,
// loading, listing and deleting models with the backup fallback.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "kdb/kdb.h"
#include "test_support.h"

namespace {

// A model with a text payload.
class TEST_MODEL : public KDB_MODEL {
public:
    explicit TEST_MODEL(const std::string& type = "tst") : KDB_MODEL(type) {}
    PDB_DECLARE_PERSISTENT(TEST_MODEL)
    std::string payload;
};

PDB_CLASS_THUNK<TEST_MODEL> TEST_MODEL::s_thunk("TEST_MODEL", KDB_MODEL::pdb_thunk(),
                                                []() -> PDB_VIRTUAL_OBJECT* { return new TEST_MODEL(); });

void TEST_MODEL::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    KDB_MODEL::serialize(segment);
    segment.transfer(payload);
    segment.end_class();
}

bool g_bak_support = true;
bool g_fail_bak_write = false;

// Models of type "tst", model name "testmodel"; the backup is the payload as plain text.
class TEST_HANDLER : public KDB_MODEL_HANDLER {
public:
    std::string name_of_handled_type() const override { return "tst"; }
    std::string name_of_handled_model() const override { return "testmodel"; }
    std::string get_type_extension() const override { return "tst"; }
    bool has_bak_support() const override { return g_bak_support; }
    std::unique_ptr<KDB_MODEL> create_new_model(const KDB_PATH&) const override
    {
        return std::make_unique<TEST_MODEL>();
    }
    std::unique_ptr<KDB_MODEL> read_model_from_file(const KDB_PATH&, const KDB_FILE& file) const override
    {
        if (file.is_bak()) {
            auto model = std::make_unique<TEST_MODEL>();
            std::getline(std::ifstream(file.get_full_path()), model->payload);
            model->payload += " (from bak)";
            return model;
        }
        std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE(file.get_full_path()).read_root();
        if (dynamic_cast<TEST_MODEL*>(root.get()) == nullptr) return nullptr;
        return std::unique_ptr<KDB_MODEL>(static_cast<TEST_MODEL*>(root.release()));
    }
    bool write_model_to_file(KDB_MODEL* model, const KDB_FILE& file, bool bak) const override
    {
        auto* test_model = dynamic_cast<TEST_MODEL*>(model);
        if (test_model == nullptr || model->get_type() != "tst") return false;
        if (bak)
            return !g_fail_bak_write && pdb_write_file_atomically(file.get_full_path(), test_model->payload, nullptr);
        return PDB_ARCHIVE(file.get_full_path()).write_root(*model);
    }
    // The backup: the payload on one line, the binary stamp on the next.
    bool write_bak_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, const PDB_ARCHIVE_STAMP& stamp,
                        std::string* error) const override
    {
        if (g_fail_bak_write) {
            *error = "no backup today";
            return false;
        }
        return file.write(static_cast<TEST_MODEL&>(model).payload + "\n" + std::to_string(stamp.length) + " " +
                          std::to_string(stamp.crc32) + "\n");
    }
    std::optional<PDB_ARCHIVE_STAMP> read_bak_stamp(const KDB_FILE& file) const override
    {
        std::ifstream in(file.get_full_path());
        std::string payload;
        PDB_ARCHIVE_STAMP stamp;
        if (std::getline(in, payload) && in >> stamp.length >> stamp.crc32) return stamp;
        return std::nullopt;
    }
};

const bool g_registered = [] {
    kdb_register_model_handler(std::make_unique<TEST_HANDLER>());
    return true;
}();

KDB_PATH make_path(const std::string& revision, const std::string& model = "testmodel.fit")
{
    KDB_PATH path;
    path.set_component(KDB_PATH::REVISION_COMPONENT, revision);
    path.set_component(KDB_PATH::SNAPSHOT_COMPONENT, "_all");
    path.set_component(KDB_PATH::MODEL_COMPONENT, model);
    return path;
}

std::string payload_of(const std::unique_ptr<KDB_MODEL>& model)
{
    auto* test_model = dynamic_cast<TEST_MODEL*>(model.get());
    return test_model == nullptr ? "<none>" : test_model->payload;
}

class KdbService : public ::testing::Test {
protected:
    KdbService()
    {
        char pattern[] = "/tmp/kdb_test_XXXXXX";
        m_dir = ::mkdtemp(pattern);
    }
    ~KdbService() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir;
};

} // namespace

TEST(KdbPath, FileStemsAreSafeAndReversible)
{
    EXPECT_EQ(make_path("top").to_string(), "/top///_all//testmodel.fit/");
    EXPECT_INTERNAL_ERROR(make_path("top").get_component(8), "index >= 0 && index < COMPONENT_COUNT");
    EXPECT_EQ(kdb_model_file_stem(make_path("rev.1.2", "report.placed.sta")), "rev.1.2+_all+report.placed.sta");

    const std::vector<std::string> hostile = {
        "../../etc/passwd", "..", "/abs", "a+b", "50%", "x=y", std::string("nul\0byte", 8), "\xc3\xa9t\xc3\xa9", ""};
    for (const std::string& revision : hostile) {
        KDB_PATH path = make_path(revision);
        path.set_component(7, revision.empty() ? std::string() : "extra+" + revision);
        const std::string stem = kdb_model_file_stem(path);
        EXPECT_TRUE(stem.find('/') == std::string::npos && stem.find('\0') == std::string::npos && stem[0] != '.')
            << stem;
        EXPECT_EQ(kdb_path_from_file_stem(stem), std::optional<KDB_PATH>(path)) << stem;
    }
    // Texts that no path makes are not stems.
    for (const char* text : {"top", "a+b", "a+b+c+9=x", "a+b+c+1=x", "%zz+b+c", "%2e+b+c", "a+b+c+7=x+3=y"})
        EXPECT_FALSE(kdb_path_from_file_stem(text)) << text;
}

TEST_F(KdbService, StoresLoadsListsAndDeletesModels)
{
    KDB_SERVICE service(m_dir);
    const KDB_PATH path = make_path("rev.1");
    EXPECT_EQ(kdb_find_model_handler_for_path(path), kdb_find_model_handler("tst"));
    EXPECT_EQ(kdb_find_model_handler_for_path(make_path("top", "unknown.fit")), nullptr);
    EXPECT_FALSE(service.get_model(path));
    EXPECT_FALSE(service.delete_model(path));

    TEST_MODEL model;
    model.payload = "first";
    ASSERT_TRUE(service.put_model(path, model));
    EXPECT_EQ(service.get_model_file_path(path), m_dir + "/rev.1+_all+testmodel.fit.tst");
    EXPECT_TRUE(std::filesystem::exists(m_dir + "/rev.1+_all+testmodel.fit.tst.bak"));
    std::unique_ptr<KDB_MODEL> loaded = service.get_model(path);
    EXPECT_EQ(payload_of(loaded), "first");
    EXPECT_EQ(loaded->get_path(), path);

    // A model of another type is refused by its handler and leaves the stored one alone.
    TEST_MODEL foreign("other");
    EXPECT_FALSE(service.put_model(path, foreign));
    EXPECT_EQ(payload_of(service.get_model(path)), "first");
    EXPECT_FALSE(service.put_model(make_path("rev.1", "nothing.fit"), model));

    ASSERT_TRUE(service.put_model(make_path("a/b"), model));
    std::ofstream(m_dir + "/unrelated.txt") << "x";
    std::ofstream(m_dir + "/" + pdb_temp_file_name("x.tst")) << "x";
    std::vector<KDB_MODEL_INFO> models = service.list_models();
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[0].revision, "a/b");
    EXPECT_EQ(models[1].path, path);
    EXPECT_EQ(models[1].type_key + " " + models[1].type, "fit tst");
    EXPECT_TRUE(models[1].has_binary && models[1].has_bak);
    EXPECT_EQ(models[1].size, std::filesystem::file_size(service.get_model_file_path(path)));

    EXPECT_TRUE(service.delete_model(path));
    EXPECT_FALSE(service.model_exists(path));
    EXPECT_EQ(service.list_models().size(), 1u);
}

TEST_F(KdbService, FallsBackToTheBackupWhenTheBinaryIsMissingOrDamaged)
{
    KDB_SERVICE service(m_dir);
    const KDB_PATH path = make_path("top");
    TEST_MODEL model;
    model.payload = "saved";
    ASSERT_TRUE(service.put_model(path, model));
    const std::string binary = service.get_model_file_path(path);
    const std::string backup = service.get_model_file_path(path, true);

    for (const std::string damage : {"damaged", "missing"}) {
        if (damage == "missing")
            ASSERT_EQ(::unlink(binary.c_str()), 0);
        else
            std::ofstream(binary, std::ios::trunc) << "garbage";
        DEBUG_RECORDER recorder;
        EXPECT_TRUE(service.model_exists(path));
        EXPECT_EQ(payload_of(service.get_model(path)), "saved (from bak)");
        EXPECT_TRUE(recorder.saw("kdb: " + binary + " is " + damage + "; reading the backup " + backup));
    }
    // Without backup support the backup is neither read nor written.
    g_bak_support = false;
    EXPECT_FALSE(service.model_exists(path));
    EXPECT_FALSE(service.get_model(path));
    const KDB_PATH other = make_path("nobak");
    ASSERT_TRUE(service.put_model(other, model));
    EXPECT_FALSE(std::filesystem::exists(service.get_model_file_path(other, true)));
    g_bak_support = true;
}

TEST_F(KdbService, AStoreThatFailsBeforeItsRenamesChangesNothingAndStampsTellTheFormsApart)
{
    KDB_SERVICE service(m_dir);
    TEST_MODEL model;
    // A revision long enough that the binary file's temporary name fits and the backup's does not.
    const std::string probe = pdb_temp_file_name(service.get_model_file_path(make_path("x")));
    const std::size_t probe_length = probe.size() - probe.rfind('/') - 1;
    const std::string long_revision(254 - probe_length, 'r');
    for (const auto& [revision, fail_bak] : {std::pair{std::string("top"), true}, std::pair{long_revision, false}}) {
        const KDB_PATH path = make_path(revision);
        g_bak_support = false; // the old model exists as a binary file alone
        model.payload = "old";
        ASSERT_TRUE(service.put_model(path, model)) << revision;
        g_bak_support = true;
        g_fail_bak_write = fail_bak;
        model.payload = "new";
        std::string error;
        EXPECT_FALSE(service.put_model(path, model, &error));
        g_fail_bak_write = false;
        EXPECT_TRUE(fail_bak ? error == "no backup today" : error.ends_with(": File name too long")) << error;
        EXPECT_EQ(payload_of(service.get_model(path)), "old");
        EXPECT_FALSE(std::filesystem::exists(service.get_model_file_path(path, true)));
    }
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        EXPECT_FALSE(pdb_is_temp_file_name(entry.path().filename().string())) << entry.path();

    // The backup records the binary file it was stored with; a binary file stored without it is newer.
    const KDB_PATH path = make_path("top");
    ASSERT_TRUE(service.put_model(path, model));
    KDB_LOAD_INFO info;
    EXPECT_EQ(payload_of(service.check_model(path, info)), "new");
    EXPECT_EQ(info.backup.state, KDB_FORM_STATE::STATE::READABLE);
    EXPECT_EQ(info.backup_match(), KDB_BACKUP_MATCH::MATCHES);
    g_bak_support = false;
    model.payload = "newer";
    ASSERT_TRUE(service.put_model(path, model));
    g_bak_support = true;
    service.check_model(path, info);
    EXPECT_EQ(info.backup_match(), KDB_BACKUP_MATCH::STALE);
}

TEST_F(KdbService, ProjectDirectoryFallsBackToTheEnvironmentThenTheWorkingDirectory)
{
    gen_set_project_directory(m_dir);
    EXPECT_EQ(gen_get_db_dir_path_string(), m_dir + "/db");
    EXPECT_TRUE(std::filesystem::is_directory(m_dir + "/db")) << "created on demand";
    EXPECT_EQ(kdb_get_default_service()->get_db_dir(), m_dir + "/db");
    EXPECT_EQ(kdb_model_file_name(make_path("top")), m_dir + "/db/top+_all+testmodel.fit.tst");
    EXPECT_EQ(kdb_model_file_name(make_path("top", "unknown.x")), "");

    ::setenv("RDB_PROJECT_DIR", "/some/where", 1);
    gen_set_project_directory("");
    EXPECT_EQ(gen_get_project_directory(), "/some/where");
    ::unsetenv("RDB_PROJECT_DIR");
    EXPECT_EQ(gen_get_project_directory(), std::filesystem::current_path().string());
}
