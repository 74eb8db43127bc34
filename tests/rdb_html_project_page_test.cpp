// The project page's file names: safe on every file system and unique, whatever the revision holds.
// (The page itself is checked in the headless browser and through the tool, failed reports included.)

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "rdb.h"
#include "test_support.h"

TEST(RdbHtmlProjectPage, FileNamesAreSafeAndUnique)
{
    const std::string long_name(300, '%');
    const std::vector<std::pair<std::string, std::string>> reports = {{"top", "fit"},      {"TOP", "fit"},
                                                                      {"top", "fit"},      {"x.placed", "sta"},
                                                                      {"x", "placed.sta"}, {"../../etc", "fit"},
                                                                      {"-rf", "fit"},      {".hidden", "fit"},
                                                                      {"a..b.", "fit"},    {"a/b c;<i>'\"\\\n", "fit"},
                                                                      {"\xff\xfe", "fit"}, {"top.fit-2", "fit"},
                                                                      {long_name, "fit"},  {long_name + "x", "fit"},
                                                                      {"", "fit"},         {"a;", "fit"},
                                                                      {"a_3B", "fit"}};
    std::vector<RDB_HTML_PROJECT_ENTRY> entries;
    for (const auto& [revision, type] : reports)
        entries.push_back({revision, type, 0, 0, {}});
    const std::vector<std::string> names = rdb_html_project_file_names(entries);
    ASSERT_EQ(names.size(), reports.size());
    EXPECT_EQ(names[0], "top.fit.html");
    const std::regex safe("[A-Za-z0-9_][A-Za-z0-9._-]*\\.html");
    std::set<std::string> seen;
    for (std::string name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(std::regex_match(name, safe));
        EXPECT_EQ(name.find(".."), std::string::npos);
        EXPECT_LT(name.size() + std::string("_files").size(), 255u);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(name).second) << "names differing only in case clash on case-blind file systems";
    }
}
