// Plain-text layouts: boxed tables, record lists, text boxes, gauges and folders, compared byte for byte
// with golden files in tests/golden/ascii (regenerate on purpose with RDB_UPDATE_GOLDEN=1).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "gen/gen_legal.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_report.h"
#include "rdb_report_controller.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_utility.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

using LINES = std::vector<std::string>;
using ROWS = std::vector<std::vector<std::string>>;

template <class TABLE> TABLE& fill(TABLE& table, const ROWS& rows)
{
    for (const auto& cells : rows)
        table.add_row(rdb_create_row(cells));
    return table;
}

// Every line of a boxed table spans as many screen columns (code points) as the top line.
void expect_aligned_box(const std::string& text)
{
    const LINES lines = lines_of(text);
    for (const std::string& line : lines)
        EXPECT_EQ(screen_width(line), screen_width(lines.at(0))) << line;
}

// A table whose cells exist only through get_data_string ("r<row>c<col>"), with its protected layout
// operations exposed.
class COMPUTED_TABLE : public RDB_TABLE_OBJECT {
public:
    using RDB_TABLE_OBJECT::output_wrapped_row;
    using RDB_TABLE_OBJECT::RDB_TABLE_OBJECT;
    using RDB_TABLE_OBJECT::update_table_info;
    std::string get_data_string(unsigned int row, unsigned int col) const override
    {
        return "r" + std::to_string(row) + "c" + std::to_string(col);
    }
};

// A text cell whose display text is not its stored text.
class SHOUTING_CELL : public RDB_TABLE_STRING_ELEMENT {
public:
    using RDB_TABLE_STRING_ELEMENT::RDB_TABLE_STRING_ELEMENT;
    std::string get_string() const override { return "LOUD " + std::string(get_c_string()); }
};

const ROWS FLOW_ROWS = {{"Name", "Value"}, {"a", "bb"}};

template <class KIND> KIND* add(RDB_FOLDER_OBJECT& folder, const std::string& name, const std::string& text = "")
{
    auto* object = new KIND(name);
    if constexpr (std::is_same_v<KIND, RDB_TEXT_OBJECT>)
        if (!text.empty()) object->set_text(text);
    folder.add_object_to_list(object);
    return object;
}

} // namespace

TEST(RdbTableAscii, TableKindsDrawOneBoxFramedByHeaderAndFooter)
{
    RDB_TABLE_OBJECT table("Flow");
    const std::string text = ascii_of(fill(table, FLOW_ROWS));
    expect_golden("ascii/flow_table.txt", text);

    // Header and footer texts frame the box unless switched off; the footer's check suffix never shows.
    table.set_header("Before");
    table.set_footer("After");
    table.set_checked(1, true);
    EXPECT_EQ(ascii_of(table), "Before\n" + text + "After\n");
    table.set_to_output_ascii_header(false);
    table.set_to_output_ascii_footer(false);
    EXPECT_EQ(ascii_of(table), text);

    // A summary's rows are all data (no heading line); the other kinds' boxes are in the every-kind golden.
    RDB_SUMMARY_TABLE_OBJECT summary("Kinds");
    const ROWS rows = {{"Family", "Series A"}, {"Device", "X1"}, {"Pins", "12 / 40"}};
    expect_golden("ascii/summary_table.txt", ascii_of(fill(summary, rows)));
}

TEST(RdbTableAscii, TitleFitsTheBoxAndHiddenColumnsLeaveNoTrace)
{
    RDB_TABLE_OBJECT empty("Nothing here");
    empty.set_header("Header text");
    expect_golden("ascii/empty_table.txt", ascii_of(empty));

    // A title wider than the columns widens the last visible column.
    RDB_TABLE_OBJECT table("A rather long table title");
    expect_golden("ascii/wide_title.txt", ascii_of(fill(table, {{"A", "B", "C"}, {"1", "2", "3"}})));
    table.hide_column(2);
    const std::string hidden = ascii_of(table);
    expect_aligned_box(hidden);
    EXPECT_EQ(lines_of(hidden)[5].substr(0, 6), "; 1 ; ");

    const ROWS rows = {{"Keep", "Drop", "Also"}, {"k1", "a very wide text", "a1"}, {"k2", "x", "a2"}};
    RDB_TABLE_OBJECT dropped("Hidden");
    RDB_TABLE_OBJECT reference("Hidden");
    // Duplicates and columns the table does not have must not change the arithmetic.
    fill(dropped, rows).hide_columns({1, 1, 7, 1});
    const std::string text = ascii_of(dropped);
    EXPECT_EQ(text, ascii_of(fill(reference, {{"Keep", "Also"}, {"k1", "a1"}, {"k2", "a2"}})));
    expect_golden("ascii/hidden_columns.txt", text);

    // Every column hidden: the title box, closed like an empty table's.
    dropped.hide_columns({2, 0, 1, 0});
    RDB_TABLE_OBJECT none("Hidden");
    EXPECT_EQ(ascii_of(dropped), ascii_of(none));
}

TEST(RdbTableAscii, CellsWrapAtLineBreaksAndPadByCodePoints)
{
    RDB_TABLE_OBJECT wrap("Wrap");
    expect_golden("ascii/multi_line_cells.txt",
                  ascii_of(fill(wrap, {{"Key", "Two\nlines"}, {"x\nyyy", "v"}, {"", "last\n"}, {"\nbelow", "z"}})));

    // Two-, three- and four-byte characters, and a sequence cut short by the end of its cell.
    RDB_TABLE_OBJECT unicode("Unicode");
    const std::string text = ascii_of(fill(unicode, {{"Name", "Unit"},
                                                     {"\xC3\xA9t\xC3\xA9", "\xC2\xB5s"},
                                                     {"\xE2\x82\xAC", "\xF0\x9F\x99\x82\xF0\x9F\x99\x82"},
                                                     {"ok\xF0", "ascii"}}));
    expect_golden("ascii/utf8_cells.txt", text);

    // Characters and line breaks at the edges of the words the measurement reads (first and last
    // bytes of texts of 4 to 7, 8 to 16 and more bytes), and padding wider than a short cell's.
    RDB_TABLE_OBJECT edges("Edges");
    expect_golden("ascii/word_edge_cells.txt", ascii_of(fill(edges, {{"A column heading far wider than its cells", "B"},
                                                                     {"abcdefg\xC3\xA9", "\xC3\xA9"
                                                                                         "bcd"},
                                                                     {"abcdefghi\nxy", "abc\xE2\x82\xAC"},
                                                                     {"abcdefghijklmnop\xE2\x82\xAC", "abcdefgh"},
                                                                     {"\nabcdefg", "abcdefghijklmno\n"}})));
}

TEST(RdbTableAscii, LayoutReadsCellsThroughGetDataString)
{
    COMPUTED_TABLE layout("Computed");
    fill(layout, {{"", ""}, {"", ""}, {"", ""}});
    EXPECT_EQ(lines_of(ascii_of(layout))[6], "; r2c0 ; r2c1 ;");
    layout.update_table_info();
    std::ostringstream row;
    layout.output_wrapped_row(row, 1);
    EXPECT_EQ(row.str(), "; r1c0 ; r1c1 ;\n");
    EXPECT_INTERNAL_ERROR(layout.output_wrapped_row(row, 3), "m_wrapped_line_cnt.size() > i");

    // A text cell of a class of its own is read through its get_string, in a plain table too.
    RDB_TABLE_OBJECT plain("Plain");
    fill(plain, {{"Key", "Value"}});
    plain.add_row(new RDB_TABLE_ROW{new SHOUTING_CELL("quiet"), new RDB_TABLE_STRING_ELEMENT("x")});
    EXPECT_EQ(lines_of(ascii_of(plain))[5], "; LOUD quiet ; x     ;");

    // Measuring needs no write permission: a read-only copy of a report prints.
    const std::string writable = ascii_of(layout);
    layout._chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_EQ(ascii_of(layout), writable);
}

TEST(RdbTableAscii, CompactSwitchTurnsWideTablesIntoRecordLists)
{
    const ROWS rows = {{"Entity", "Logic\nCells", "Registers"}, {"top", "120", "64"}, {"top|sub", "7", "3"}};
    RDB_TABLE_OBJECT narrow("Two columns");
    RDB_TABLE_OBJECT wide("Resources");
    RDB_TABLE_OBJECT kept("Resources");
    fill(kept, rows).set_no_compact_format(true);
    fill(wide, rows).set_footer("End");
    const std::string narrow_boxed = ascii_of(fill(narrow, FLOW_ROWS));
    const std::string kept_boxed = ascii_of(kept);

    cfg_set_user_ini_value(CFG_USER_INI_COMPACT_TABLES, true);
    EXPECT_EQ(ascii_of(narrow), narrow_boxed);
    EXPECT_EQ(ascii_of(kept), kept_boxed);
    expect_golden("ascii/compact_records.txt", ascii_of(wide));

    // Hidden columns are left out of the records too.
    wide.hide_column(1);
    EXPECT_EQ(lines_of(ascii_of(wide))[4], "Registers : 64");
    cfg_set_user_ini_value(CFG_USER_INI_COMPACT_TABLES, false);
}

TEST(RdbTableAscii, TwoThreadsRenderDifferentTablesAtOnce)
{
    RDB_TABLE_OBJECT tables[2] = {RDB_TABLE_OBJECT("Tall"), RDB_TABLE_OBJECT("Wide table with a long title")};
    for (int r = 0; r < 200; ++r) {
        tables[0].add_row(rdb_create_row(std::to_string(r), r % 7 == 0 ? "two\nlines" : "one"));
        tables[1].add_row(rdb_create_row(std::vector<std::string>{"1", "22", "333", "4444", std::to_string(r * r)}));
    }
    tables[1].hide_column(2);
    std::string alone[2] = {ascii_of(tables[0]), ascii_of(tables[1])};
    int mismatches[2] = {0, 0};
    auto render = [&](int t) {
        for (int i = 0; i < 300; ++i)
            mismatches[t] += ascii_of(tables[t]) != alone[t];
    };
    std::thread first(render, 0), second(render, 1);
    first.join();
    second.join();
    EXPECT_EQ(mismatches[0] + mismatches[1], 0);
}

TEST(RdbObjectAscii, NotAsciiWritableFlagIsKeptByCopiesAndIgnoredByTheLayout)
{
    RDB_INTERACTIVE_REPORT_DATA_OBJECT interactive("Interactive view", "{}", "json", "viewer");
    const std::string text = ascii_of(interactive);
    interactive.set_not_ascii_writable("Shown instead");
    EXPECT_EQ(ascii_of(interactive), text);
    RDB_INTERACTIVE_REPORT_DATA_OBJECT copy(interactive);
    RDB_INTERACTIVE_REPORT_DATA_OBJECT assigned;
    assigned = interactive;
    EXPECT_FALSE(copy.is_ascii_writable() || assigned.is_ascii_writable());
    EXPECT_EQ(assigned.get_not_ascii_writable_msg(), "Shown instead");
}

// The switch is read when a rendering begins, so turning it off shows the notice again.
TEST(RdbObjectAscii, WebkitHtmlIsPrintedWhileTheSwitchIsOn)
{
    RDB_TEXT_OBJECT webkit("Webkit");
    webkit.set_text("<p>shown</p>");
    webkit.set_is_webkit_html(true);
    const std::string box = "----------\n; Webkit ;\n----------\n";
    cfg_set_value("rdb_dump_webkit_html_as_plain_text", "on");
    EXPECT_EQ(ascii_of(webkit), box + "<p>shown</p>\n");
    cfg_set_value("rdb_dump_webkit_html_as_plain_text", "off");
    EXPECT_EQ(ascii_of(webkit), box + "HTML report is unavailable in plain text report export.\n");
}

// Every kind in one folder: tables, gauges, text boxes with their notices, interactive data, folders.
TEST(RdbObjectAscii, FoldersSeparateTheirChildrenByAnEmptyLine)
{
    RDB_FOLDER_OBJECT root("Root");
    fill(*add<RDB_TABLE_OBJECT>(root, "Flow"), FLOW_ROWS);
    fill(*add<RDB_SUMMARY_TABLE_OBJECT>(root, "Summary"), {{"Status", "Successful"}, {"Pins", "3"}});
    auto* gauges = new RDB_GAUGES_OBJECT("Gauges", 2);
    gauges->set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic", true, 0, 100, 42, false));
    gauges->set_data_at(1, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -5, 5, -1, false));
    root.add_object_to_list(gauges);
    add<RDB_TEXT_OBJECT>(root, "Notes", "first line\nsecond line");
    add<RDB_TEXT_OBJECT>(root, "No text");
    add<RDB_TEXT_OBJECT>(root, "Html", "<b>as is</b>")->set_is_html(true);
    add<RDB_TEXT_OBJECT>(root, "Json", "{\"a\": 1}")->set_is_json(true);
    RDB_TEXT_OBJECT* webkit = add<RDB_TEXT_OBJECT>(root, "Webkit", "<p>hidden</p>");
    webkit->set_is_webkit_html(true);
    webkit->set_is_qml(true); // web-kit HTML is tested first
    add<RDB_TEXT_OBJECT>(root, "Qml", "Item {}")->set_is_qml(true);
    root.add_object_to_list(new RDB_INTERACTIVE_REPORT_DATA_OBJECT("Interactive", "{}", "json", "viewer"));
    add<RDB_TEXT_OBJECT>(*add<RDB_MULTI_CORNER_FOLDER_OBJECT>(root, "Corners"), "Slow corner", "no paths");
    add<RDB_MASTER_DETAIL_OBJECT>(root, "Details")
        ->add_master_table(&fill(*new RDB_TABLE_OBJECT("Master"), {{"Id"}, {"7"}}));
    add<RDB_FOLDER_OBJECT>(root, "Empty folder");

    std::string expected;
    for (RDB_OBJECT* child : root)
        expected += ascii_of(*child) + "\n";
    EXPECT_EQ(ascii_of(root), expected);
    expect_golden("ascii/folder.txt", expected);

    RDB_LEGAL_OBJECT legal("Legal");
    EXPECT_EQ(ascii_of(legal), "---------\n; Legal ;\n---------\n" + gen_get_legal_text(nullptr) + "\n");
}
