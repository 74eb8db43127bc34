// The project page: report pages under safe and unique file names; a report that cannot be loaded or
// written is listed with its reason while the others are written; a folder that cannot be made fails all.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "rdb.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using LOADER = std::function<std::unique_ptr<RDB_REPORT>(std::string* error)>;

std::unique_ptr<RDB_REPORT> stage_report(std::string*)
{
    auto report = std::make_unique<RDB_REPORT>();
    auto* stage = new RDB_FOLDER_OBJECT("Stage");
    report->get_main_folder()->add_object_to_list(stage);
    RDB_SUMMARY_TABLE_OBJECT* summary = rdb_create_summary_object("Stage Summary");
    stage->add_object_to_list(summary);
    rdb_set_summary_data(summary, "LUTs", "1,024 / 2,048");
    return report;
}

std::vector<RDB_HTML_PROJECT_ENTRY> entries_of(const std::vector<std::pair<std::string, LOADER>>& reports)
{
    std::vector<RDB_HTML_PROJECT_ENTRY> entries;
    for (const auto& [revision, load] : reports)
        entries.push_back({revision, "fit", 0, 100, load});
    return entries;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(RdbHtmlProjectPage, FileNamesAreSafeAndUnique)
{
    const std::string long_name(300, '%');
    const std::vector<std::pair<std::string, std::string>> reports = {
        {"top", "fit"},      {"TOP", "fit"},           {"top", "fit"},      {"x.placed", "sta"},
        {"x", "placed.sta"}, {"../../etc", "fit"},     {"-rf", "fit"},      {".hidden", "fit"},
        {"a..b.", "fit"},    {"a/b c;<i>'\"", "fit"},  {"\xff\xfe", "fit"}, {"top.fit-2", "fit"},
        {long_name, "fit"},  {long_name + "x", "fit"}, {"", "fit"},         {"a;", "fit"},
        {"a_3B", "fit"}};
    std::vector<RDB_HTML_PROJECT_ENTRY> entries;
    for (const auto& [revision, type] : reports)
        entries.push_back({revision, type, 0, 0, {}});
    const std::vector<std::string> names = rdb_html_project_file_names(entries);
    ASSERT_EQ(names.size(), reports.size());
    EXPECT_EQ(names[0], "top.fit.html");
    const std::regex safe("[A-Za-z0-9_][A-Za-z0-9._-]*\\.html");
    std::set<std::string> seen;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(std::regex_match(name, safe));
        EXPECT_EQ(name.find(".."), std::string::npos);
        EXPECT_LT(name.size() + std::string("_files").size(), 255u);
        EXPECT_TRUE(seen.insert(lower(name)).second);
    }
}

TEST(RdbHtmlProjectPage, ReportsThatFailAreListedWithTheirReason)
{
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE scope;
    TEMP_PROJECT project("rdb_html_project_page_test");
    const std::string site = project.dir() + "/site";
    // A folder where the page of "blocked" goes: it loads but cannot be written.
    fs::create_directories(site + "/blocked.fit.html");
    struct CASE {
        std::string revision;
        LOADER load;
        std::string note; // empty: written and linked
    };
    const std::vector<CASE> cases = {
        {"good", stage_report, ""},
        {"damaged",
         [](std::string* error) {
             *error = "the file is <damaged>";
             return nullptr;
         },
         "could not be written: the file is &lt;damaged&gt;"},
        {"throws", [](std::string*) -> std::unique_ptr<RDB_REPORT> { throw std::runtime_error("no memory & more"); },
         "could not be written: no memory &amp; more"},
        {"blocked", stage_report, "could not be written: the page or its folder blocked.fit.html_files"},
    };
    std::vector<std::pair<std::string, LOADER>> reports;
    for (const CASE& c : cases)
        reports.emplace_back(c.revision, c.load);
    const RDB_HTML_PROJECT_PAGE_OUTCOME outcome = rdb_write_html_project_page(site, "Site", entries_of(reports));
    EXPECT_EQ(outcome.index_error, "");
    EXPECT_FALSE(outcome.all_written());
    ASSERT_EQ(outcome.reports.size(), cases.size());
    const std::string index = read_file(site + "/index.html");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].revision);
        const std::string& file = outcome.reports[i].file_name;
        const bool written = cases[i].note.empty();
        EXPECT_EQ(outcome.reports[i].error.empty(), written);
        EXPECT_EQ(fs::is_regular_file(site + "/" + file), written);
        EXPECT_EQ(index.find("href=\"" + file + "\"") != std::string::npos, written);
        EXPECT_TRUE(written || index.find(cases[i].note) != std::string::npos) << cases[i].note;
    }
    EXPECT_NE(index.find("<td>LUTs</td><td>1,024 / 2,048</td>"), std::string::npos);

    // Without the blocked and failing reports all is written; a folder that cannot be made fails them all.
    EXPECT_TRUE(rdb_write_html_project_page(site, "Site", entries_of({{"good", stage_report}})).all_written());
    std::ofstream(project.dir() + "/file") << "a file where the folder goes";
    const RDB_HTML_PROJECT_PAGE_OUTCOME blocked =
        rdb_write_html_project_page(project.dir() + "/file/site", "Site", entries_of({{"good", stage_report}}));
    EXPECT_NE(blocked.index_error, "");
    ASSERT_EQ(blocked.reports.size(), 1u);
    EXPECT_NE(blocked.reports[0].error, "");
}

} // namespace
