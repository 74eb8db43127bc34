// The HTML forms: the every-kind report's panels and table of contents against a golden file, tables in
// both forms (colours, hidden columns, converted tables), histograms, template directives, link loops,
// and the report files written under their switches, with the SQLite file's table names.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "every_kind_report.h"
#include "rdb.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

class RdbHtml : public ::testing::Test {
protected:
    // The templates come from a data folder of the test's own: panels hold their title and content only.
    RdbHtml()
    {
        fs::create_directories(m_data / "htdocs/css");
        fs::create_directories(m_data / "htdocs/img");
        std::ofstream(m_data / "htdocs/panel.html") << "<% block(title) %>\n<% block(content) %>\n";
        std::ofstream(m_data / "htdocs/report.html") << "<% block(title) %>|<% block(dir) %>|<% block(content) %>";
        std::ofstream(m_data / "htdocs/part.txt") << "<% block(title) %>";
        std::ofstream(m_data / "htdocs/css/rdb.css") << "body {}";
        ::setenv("RDB_DATA_DIR", m_data.c_str(), 1);
    }
    ~RdbHtml() override
    {
        ::unsetenv("RDB_DATA_DIR");
        cfg_reset();
        RDB_REPORT::free_all_reports();
    }

    // The table of contents and every panel file, each after a line naming it.
    std::string panels_of(RDB_OBJECT& root)
    {
        const fs::path directory = fs::path(m_project.dir()) / "panels";
        fs::create_directories(directory);
        std::ostringstream toc;
        RDB_OBJECT_HTML_VISITOR visitor(&toc, directory.string(), false);
        std::list<RDB_OBJECT*> entries = {&root};
        visitor.output_child_list(entries.begin(), entries.end());
        std::string text = "== toc\n" + toc.str() + "\n";
        for (std::uint64_t n = 1; n < visitor.get_panel_counter(); ++n)
            text +=
                "== " + std::to_string(n) + ".html\n" + read_file((directory / (std::to_string(n) + ".html")).string());
        EXPECT_EQ(visitor.get_failed_panel_count(), 0u);
        EXPECT_FALSE(fs::exists(directory / (std::to_string(visitor.get_panel_counter()) + ".html")));
        return text;
    }

    TEMP_PROJECT m_project{"rdb_html_test"};
    fs::path m_data = fs::path(m_project.dir()) / "data";
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

std::string html_of(RDB_OBJECT& object)
{
    std::ostringstream os;
    object.output_html(os);
    return os.str();
}

RDB_TABLE_OBJECT* table_of(std::vector<std::vector<std::string>> rows, const std::string& name = "T")
{
    auto* table = new RDB_TABLE_OBJECT(name);
    for (const std::vector<std::string>& row : rows)
        table->add_row(rdb_create_row(row));
    return table;
}

} // namespace

// Every entry's id is the number of its own panel file: objects without an HTML form get a notice panel.
TEST_F(RdbHtml, EveryKindReportPanelsAndFragments)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    expect_golden("every_kind_panels.html", panels_of(*report->get_main_folder()));
    expect_golden("every_kind.html", html_of(*report->get_main_folder()));
    // The waveform display's panel and the timing path's show their diagrams, which ImageMagick reads.
    for (const char* image : {"20.gif", "23.gif"}) {
        const fs::path gif = fs::path(m_project.dir()) / "panels" / image;
        const std::string identify = "identify -format '%m %w' '" + gif.string() + "' > '" + gif.string() + ".txt'";
        ASSERT_EQ(std::system(identify.c_str()), 0) << image;
        EXPECT_EQ(read_file(gif.string() + ".txt"), "GIF 1400") << image;
    }
}

TEST_F(RdbHtml, TablesShowTheirColoursRowsAndVisibleColumnsOnlyAndHistogramsTheirBars)
{
    std::unique_ptr<RDB_TABLE_OBJECT> table(
        table_of({{"A", "B", "Hidden"}, {"1", "a  b", "x"}, {"2", "", "y"}, {"3", "<i>", "z"}}));
    table->hide_column(2);
    (*table->get_row(1))[0]->set_background(RDB_COLOR_RED);
    (*table->get_row(1))[1]->set_foreground(RDB_COLOR_UNKNOWN);
    (*table->get_row(2))[0]->set_foreground(RDB_COLOR_BLUE);
    const std::string red = "#" + rdb_get_string_color(rdb_get_rgb_value_by_name(RDB_COLOR_RED));
    const std::string blue = "#" + rdb_get_string_color(rdb_get_rgb_value_by_name(RDB_COLOR_BLUE));
    const std::string fragment = "<TABLE>\n<TR  bgcolor=\"#C0C0C0\">\n<TH>A</TH>\n<TH>B</TH>\n</TR>\n"
                                 "<TR >\n<TD  bgcolor=\"" +
                                 red +
                                 "\">1</TD>\n<TD >a&nbsp; b</TD>\n</TR>\n"
                                 "<TR >\n<TD  style=\"color: " +
                                 blue +
                                 "\">2</TD>\n<TD >&nbsp;</TD>\n</TR>\n"
                                 "<TR >\n<TD >3</TD>\n<TD >&lt;i&gt;</TD>\n</TR>\n</TABLE>\n";
    EXPECT_EQ(html_of(*table), fragment);

    // The panel: rows in thead/tbody, alternating white and gray 93 below the gray header.
    table->set_alternating_row_colors(true);
    const std::string panel = panels_of(*table);
    for (const char* row :
         {"<thead><TR  bgcolor=\"#BFBFBF\">", "<tbody><TR  bgcolor=\"#FFFFFF\">\n<TD  bgcolor",
          "<tbody><TR  bgcolor=\"#EDEDED\">\n<TD  style", "</TR>\n</tbody><tbody><TR  bgcolor=\"#FFFFFF\">\n<TD >3"})
        EXPECT_NE(panel.find(row), std::string::npos) << row << "\n" << panel;

    // A table in SQLite form shows its real rows, never its marker row.
    ASSERT_TRUE(rdb_convert_table_to_sqlite(m_project.dir() + "/t", table.get()));
    EXPECT_EQ(html_of(*table), fragment);
    EXPECT_EQ(panels_of(*table), panel);

    // Histogram bars are block characters in the bin's colour.
    RDB_HISTOGRAM_TABLE_OBJECT empty("Empty", "", 1);
    EXPECT_EQ(html_of(empty), "<PRE></PRE>\n\n");
    struct CASE {
        unsigned int scale;
        int count;
        std::string bounds;
        std::string bar;
    };
    const std::string block = "\xE2\x96\x88";
    for (const CASE& c : std::vector<CASE>{{1, 3, "[ 0 , 5 ]", block + block + block},
                                           {0, 2, "[ 0 , 5 ]", block + block}, // scale 0 counts as 1
                                           {10, 25, "[ 0.0 , 0.5 ]", block + block},
                                           {1, -4, "[ 0 , 5 ]", ""}}) { // a negative count draws nothing
        RDB_HISTOGRAM_TABLE_OBJECT histogram("H", "", c.scale);
        histogram.add_row(rdb_create_row({"From", "To", "Count"}));
        histogram.add_row(0, 5, c.count, RDB_COLOR_GREEN);
        const std::string html = html_of(histogram);
        const std::string green = "#" + rdb_get_string_color(rdb_get_rgb_value_by_name(RDB_COLOR_GREEN));
        EXPECT_NE(html.find("<TD >" + c.bounds + "</TD>\n<TD >" + std::to_string(c.count) +
                            "</TD>\n<TD  style=\"color: " + green + "\">" + (c.bar.empty() ? "&nbsp;" : c.bar) +
                            "</TD>"),
                  std::string::npos)
            << html;
    }
}

TEST_F(RdbHtml, TemplateDirectives)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<% block(title) %>-<% block (content) %>-<%block(dir)%>", "T-C-D"},
        {"a<% include(part.txt) %>b", "a<% block(title) %>b"}, // included text is not expanded again
        {"<% other(title) %><% block(nothing) %>", "<% other(title) %><% block(nothing) %>"},
        {"no directives", "no directives"},
    };
    const auto block = [](std::ostream& os, std::string_view name) {
        os << (name == "title" ? "T" : name == "content" ? "C" : "D");
    };
    for (const auto& [text, expanded] : cases) {
        std::ostringstream os;
        EXPECT_TRUE(rdb_expand_html_template(os, text, block)) << text;
        EXPECT_EQ(os.str(), expanded) << text;
    }
    // Only files of the htdocs folder itself can be included.
    for (const char* name : {"missing.txt", "../htdocs/part.txt", "/etc/passwd"}) {
        std::ostringstream os;
        EXPECT_FALSE(rdb_expand_html_template(os, std::string("<% include(") + name + ") %>", block)) << name;
        EXPECT_EQ(os.str(), "") << name;
    }
    std::ostringstream os;
    EXPECT_INTERNAL_ERROR(rdb_expand_html_template(os, "x<% block(title)", block), "close_pos != STL_STRING::npos");
}

TEST_F(RdbHtml, LinkBackIntoItsOwnReportIsListedOnce)
{
    auto* report = new RDB_REPORT();
    RDB_REPORT::add_report("loop", "fit", report);
    auto* link = new RDB_LINK_RPT_OBJECT("Back");
    report->get_main_folder()->add_object_to_list(link);
    link->set_rev_name_and_rpt_type("loop", "fit", false);
    const std::string panels = panels_of(*report->get_main_folder());
    EXPECT_NE(panels.find("<span class=\"toc_entry\" id=\"toc_2\">Back</span>"), std::string::npos) << panels;
    EXPECT_EQ(panels.find("toc_3"), std::string::npos) << panels;
}

TEST_F(RdbHtml, ReportFilesFollowTheirSwitchesAndSayWhenOneFails)
{
    RDB_REPORT report;
    auto* stage = new RDB_FOLDER_OBJECT("Timing <Analyzer>");
    report.get_main_folder()->add_object_to_list(stage);
    stage->add_object_to_list(table_of({{"Slack"}, {"-0.5"}}));
    auto* paths = new RDB_PATH_FOLDER_OBJECT("Paths");
    stage->add_object_to_list(paths);
    for (const char* name : {"Path 1", "Path 1"}) { // two paths of one name: their sub-tables are both kept
        auto* path = new RDB_PATH_OBJECT(name);
        path->set_data_arrival_table(table_of({{"Node"}, {name}}, "Data Arrival Path"));
        paths->add_object_to_list(path);
    }
    const std::string file = m_project.output_file("top.sta.rpt");
    fs::create_directories(fs::path(file).parent_path());
    cfg_set_user_ini_value(CFG_USER_INI_HTML_REPORT, true);
    cfg_set_value("write_one_json_per_report", "on");
    cfg_set_value("write_report_tables_to_sqlite", "on");
    RDB_REPORT_GEN gen(&report, "Timing \"Report\"");
    ASSERT_TRUE(gen.write_report_files(file.c_str(), false));
    const std::string stem = m_project.output_file("top.sta");
    EXPECT_TRUE(fs::exists(stem + ".rpt"));
    EXPECT_TRUE(fs::exists(stem + ".json_files/1.json"));
    EXPECT_TRUE(fs::exists(stem + ".html_files/css/rdb.css"));
    EXPECT_EQ(read_file(stem + ".html").rfind("Timing &quot;Report&quot;|top.sta.html_files/|<ul>", 0), 0u);
    EXPECT_EQ(read_file(stem + ".html_files/1.html"),
              "Timing &lt;Analyzer&gt;\nClick on an entry below this folder.\n");

    const std::string tables = file + ".sqlite3";
    const std::string stage_path = stage->get_path(true);
    for (const std::string& name : {stage_path + "||T", stage_path + "||Paths||Path 1||Data Arrival Path",
                                    stage_path + "||Paths||Path 1||Data Arrival Path (2)"})
        EXPECT_NE(rdb_dump_sqlite_to_json(tables, name), "[]") << name;

    // A report whose tables are gone leaves none of the earlier file's; a folder that cannot be made fails.
    stage->remove_object_from_list("T");
    ASSERT_TRUE(gen.write_report_files(file.c_str(), false));
    EXPECT_EQ(rdb_dump_sqlite_to_json(tables, stage_path + "||T"), "[]");
    EXPECT_NE(rdb_dump_sqlite_to_json(tables, stage_path + "||Paths||Path 1||Data Arrival Path (2)"), "[]");
    std::ofstream(m_project.output_file("blocker.html_files")) << "a file where the folder goes";
    DEBUG_RECORDER debug;
    EXPECT_FALSE(gen.write_html_report_file(m_project.output_file("blocker.html").c_str(), false));
    EXPECT_TRUE(gen.write_report_files(file.c_str(), false));
}
