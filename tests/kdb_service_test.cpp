// The project database service: paths, safe and reversible file names, the handler registry, and
// storing, loading, listing and deleting models with the backup fallback.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "kdb/kdb.h"
#include "test_support.h"

namespace {

// A model with a text payload; the payload's destructor counts how often payloads die.
class TEST_MODEL : public KDB_MODEL {
public:
    TEST_MODEL() : KDB_MODEL("tst") {}
    explicit TEST_MODEL(const std::string& type) : KDB_MODEL(type) {}
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

// Test switches of the handler.
bool g_bak_support = true;
bool g_fail_bak_write = false;

// Models of type "tst", model name "testmodel"; the backup is the payload as plain text.
class TEST_HANDLER : public KDB_MODEL_HANDLER {
public:
    std::string name_of_handled_type() const override { return "tst"; }
    std::string name_of_handled_model() const override { return "testmodel"; }
    std::string get_type_extension() const override { return "tst"; }
    bool has_bak_support() const override { return g_bak_support; }
    std::unique_ptr<KDB_MODEL> create_new_model(const KDB_PATH& path) const override
    {
        auto model = std::make_unique<TEST_MODEL>();
        model->set_path(path);
        return model;
    }
    std::unique_ptr<KDB_MODEL> read_model_from_file(const KDB_PATH&, const KDB_FILE& file) const override
    {
        if (file.is_bak()) {
            std::ifstream in(file.get_full_path());
            auto model = std::make_unique<TEST_MODEL>();
            std::getline(in, model->payload);
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
        if (bak) return !g_fail_bak_write && pdb_write_file_atomically(file.get_full_path(), test_model->payload, nullptr);
        return PDB_ARCHIVE(file.get_full_path()).write_root(*model);
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

class TEMP_DIR {
public:
    TEMP_DIR()
    {
        char pattern[] = "/tmp/kdb_test_XXXXXX";
        m_path = ::mkdtemp(pattern);
    }
    ~TEMP_DIR() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::vector<std::string> files_in(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(KdbService, PathComponentsTextAndEquality)
{
    KDB_PATH path = make_path("top");
    EXPECT_EQ(path.get_component(1), "top");
    EXPECT_EQ(path.to_string(), "/top///_all//testmodel.fit/");
    EXPECT_FALSE(path.empty());
    EXPECT_TRUE(KDB_PATH().empty());
    EXPECT_EQ(path, make_path("top"));
    EXPECT_FALSE(path == make_path("other"));
    EXPECT_INTERNAL_ERROR(path.get_component(8), "index >= 0 && index < COMPONENT_COUNT");
    EXPECT_INTERNAL_ERROR(path.set_component(-1, "x"), "index >= 0 && index < COMPONENT_COUNT");
}

TEST(KdbService, FileStemsAreSafeAndReversible)
{
    EXPECT_EQ(kdb_model_file_stem(make_path("top", "report.fit")), "top+_all+report.fit");
    EXPECT_EQ(kdb_model_file_stem(make_path("rev.1.2", "report.placed.sta")), "rev.1.2+_all+report.placed.sta");

    const std::vector<std::string> hostile = {"../../etc/passwd", "..", ".", "/abs", "a/b", "a+b", "50%", "x=y",
                                              std::string("nul\0byte", 8), "sp ace", "\xc3\xa9t\xc3\xa9", ""};
    for (const std::string& revision : hostile) {
        KDB_PATH path = make_path(revision);
        path.set_component(7, revision.empty() ? std::string() : "extra+" + revision);
        const std::string stem = kdb_model_file_stem(path);
        EXPECT_EQ(stem.find('/'), std::string::npos) << stem;
        EXPECT_EQ(stem.find('\0'), std::string::npos) << stem;
        EXPECT_NE(stem[0], '.') << stem;
        std::optional<KDB_PATH> back = kdb_path_from_file_stem(stem);
        ASSERT_TRUE(back) << stem;
        EXPECT_EQ(*back, path) << stem;
    }
    // Texts that no path makes are not stems.
    for (const char* text : {"top", "a+b", "a+b+c+9=x", "a+b+c+1=x", "%zz+b+c", "%2e+b+c", "a+b+c+7=", "a+b+c+7=x+3=y"})
        EXPECT_FALSE(kdb_path_from_file_stem(text)) << text;
}

TEST(KdbService, HandlerRegistryFindsByTypeAndByPath)
{
    ASSERT_NE(kdb_find_model_handler("tst"), nullptr);
    EXPECT_EQ(kdb_find_model_handler("tst")->get_bak_extension(), "tst.bak");
    EXPECT_EQ(kdb_find_model_handler_for_path(make_path("top")), kdb_find_model_handler("tst"));
    EXPECT_EQ(kdb_find_model_handler_for_path(make_path("top", "unknown.fit")), nullptr);
    EXPECT_EQ(kdb_find_model_handler("none"), nullptr);
}

TEST(KdbService, StoresLoadsListsAndDeletesModels)
{
    TEMP_DIR dir;
    KDB_SERVICE service(dir.path());
    const KDB_PATH path = make_path("rev.1");
    g_bak_support = true;

    EXPECT_FALSE(service.model_exists(path));
    EXPECT_FALSE(service.get_model(path));
    EXPECT_FALSE(service.delete_model(path));

    TEST_MODEL model;
    model.payload = "first";
    ASSERT_TRUE(service.put_model(path, model));
    EXPECT_EQ(model.get_path(), path);
    EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"rev.1+_all+testmodel.fit.tst", "rev.1+_all+testmodel.fit.tst.bak"}));
    EXPECT_EQ(service.get_model_file_path(path), dir.path() + "/rev.1+_all+testmodel.fit.tst");
    EXPECT_TRUE(service.model_exists(path));

    std::unique_ptr<KDB_MODEL> loaded = service.get_model(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->get_type(), "tst");
    EXPECT_EQ(loaded->get_path(), path);
    EXPECT_EQ(dynamic_cast<TEST_MODEL&>(*loaded).payload, "first");

    // A model of another type is refused by its handler and leaves the stored one alone.
    TEST_MODEL foreign("other");
    foreign.payload = "foreign";
    EXPECT_FALSE(service.put_model(path, foreign));
    EXPECT_EQ(dynamic_cast<TEST_MODEL&>(*service.get_model(path)).payload, "first");
    // No handler serves the path.
    EXPECT_FALSE(service.put_model(make_path("rev.1", "nothing.fit"), model));

    const KDB_PATH second = make_path("a/b");
    ASSERT_TRUE(service.put_model(second, model));
    std::ofstream(dir.path() + "/unrelated.txt") << "x";
    std::ofstream(dir.path() + "/" + pdb_temp_file_name("x.tst")) << "x";
    std::vector<KDB_MODEL_INFO> models = service.list_models();
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[0].revision, "a/b");
    EXPECT_EQ(models[1].revision, "rev.1");
    EXPECT_EQ(models[1].path, path);
    EXPECT_EQ(models[1].model_name, "testmodel.fit");
    EXPECT_EQ(models[1].type_key, "fit");
    EXPECT_EQ(models[1].type, "tst");
    EXPECT_TRUE(models[1].has_binary);
    EXPECT_TRUE(models[1].has_bak);
    EXPECT_EQ(models[1].file_path, service.get_model_file_path(path));
    EXPECT_EQ(models[1].size, std::filesystem::file_size(models[1].file_path));
    EXPECT_GT(models[1].modification_time, 0);

    EXPECT_TRUE(service.delete_model(path));
    EXPECT_FALSE(service.model_exists(path));
    EXPECT_FALSE(service.delete_model(path));
    EXPECT_EQ(service.list_models().size(), 1u);
}

TEST(KdbService, FallsBackToTheBackupWhenTheBinaryIsMissingOrUnreadable)
{
    TEMP_DIR dir;
    KDB_SERVICE service(dir.path());
    const KDB_PATH path = make_path("top");
    g_bak_support = true;
    TEST_MODEL model;
    model.payload = "saved";
    ASSERT_TRUE(service.put_model(path, model));
    const std::string binary = service.get_model_file_path(path);

    // Damaged binary file.
    std::ofstream(binary, std::ios::trunc) << "garbage";
    {
        DEBUG_RECORDER recorder;
        std::unique_ptr<KDB_MODEL> loaded = service.get_model(path);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(dynamic_cast<TEST_MODEL&>(*loaded).payload, "saved (from bak)");
        EXPECT_TRUE(recorder.saw("kdb: " + binary + " is unreadable; reading the backup " +
                                 service.get_model_file_path(path, true)));
    }
    // Missing binary file.
    ASSERT_EQ(::unlink(binary.c_str()), 0);
    EXPECT_TRUE(service.model_exists(path));
    {
        DEBUG_RECORDER recorder;
        ASSERT_TRUE(service.get_model(path));
        EXPECT_TRUE(recorder.saw("kdb: " + binary + " is missing; reading the backup " +
                                 service.get_model_file_path(path, true)));
    }
    // Without backup support the backup is neither read nor written.
    g_bak_support = false;
    EXPECT_FALSE(service.model_exists(path));
    EXPECT_FALSE(service.get_model(path));
    const KDB_PATH other = make_path("nobak");
    ASSERT_TRUE(service.put_model(other, model));
    EXPECT_FALSE(std::filesystem::exists(service.get_model_file_path(other, true)));
    g_bak_support = true;

    // A failed backup write fails the put.
    g_fail_bak_write = true;
    EXPECT_FALSE(service.put_model(other, model));
    g_fail_bak_write = false;
}

TEST(KdbService, ProjectDirectoryAndDefaultService)
{
    TEMP_DIR dir;
    gen_set_project_directory(dir.path());
    EXPECT_EQ(gen_get_project_directory(), dir.path());
    const std::string db = gen_get_db_dir_path_string();
    EXPECT_EQ(db, dir.path() + "/db");
    EXPECT_TRUE(std::filesystem::is_directory(db));

    KDB_SERVICE* service = kdb_get_default_service();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(&kdb_get_default_service_or_die(), service);
    EXPECT_EQ(service->get_db_dir(), db);
    EXPECT_EQ(kdb_model_file_name(make_path("top")), db + "/top+_all+testmodel.fit.tst");
    EXPECT_EQ(kdb_model_file_name(make_path("top", "unknown.x")), "");

    ::setenv("RDB_PROJECT_DIR", "/some/where", 1);
    gen_set_project_directory("");
    EXPECT_EQ(gen_get_project_directory(), "/some/where");
    ::unsetenv("RDB_PROJECT_DIR");
    EXPECT_EQ(gen_get_project_directory(), std::filesystem::current_path().string());
}
