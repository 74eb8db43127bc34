// Tcl tables: command templates built from rows, their copies through the store and the XML form, and
// table cells carried through the real Tcl interpreter as Tcl values.

#include <tcl.h>

#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_tcl_table.h"
#include "rdb_utility.h"
#include "report_copies.h"
#include "tcl/atcl.h"
#include "test_support.h"

namespace {

// A Tcl table with a header and data rows of text cells.
std::unique_ptr<RDB_TCL_TABLE_OBJECT> table_of(const std::vector<std::vector<std::string>>& rows)
{
    std::unique_ptr<RDB_TCL_TABLE_OBJECT> table(rdb_create_rdb_tcl_table("Paths"));
    table->add_row(rdb_create_row({"Slack", "From", "To"}));
    for (const auto& row : rows)
        table->add_row(rdb_create_row(row));
    return table;
}

// The command the template builds for a row of a table whose only data row is cells.
std::string built(const std::string& cmd_template, const std::vector<std::string>& cells, unsigned row = 1)
{
    auto table = table_of({cells});
    table->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template("Cmd", "", "", cmd_template, -1, -1));
    return table->build_cmd(0, row);
}

// Two Tcl tables, the first offering its commands on the context menu.
std::unique_ptr<RDB_REPORT> make_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    auto table = table_of({{"-0.125", "a|q", "b|d"}, {"0.250", "c|q", ""}});
    table->set_show_tcl_commands_on_context_menu(true);
    table->hide_column(0);
    table->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template(
        "Report <Path>", "Reports \"the\" path", "help & more", "report_path -from {%COL_1%}<-to {%COL_2%}>", 1, -1));
    table->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template("Bus", "", "", "select %COL_1/\\|q$/|*/%", -1, 2));
    report->get_main_folder()->push_back(std::move(table));
    report->get_main_folder()->push_back(table_of({{"1", "x", "y"}}));
    return report;
}

RDB_TCL_TABLE_OBJECT& tcl_table_at(RDB_REPORT& report, int index)
{
    return as<RDB_TCL_TABLE_OBJECT>(*std::next(report.get_main_folder()->begin(), index));
}

// Runs a script in the shared interpreter; its result, or "ERROR: " and the message.
std::string eval(const std::string& script)
{
    Tcl_Interp* interp = atcl_get_interpreter();
    const int code = Tcl_EvalEx(interp, script.c_str(), -1, TCL_EVAL_GLOBAL);
    return (code == TCL_OK ? "" : "ERROR: ") + std::string(Tcl_GetStringResult(interp));
}

// Wraps the cell and puts it into a global variable, which holds the only reference.
RDB_TABLE_ELEMENT_TCL_OBJ set_cell_variable(const char* name, RDB_TABLE_ELEMENT* cell)
{
    RDB_TABLE_ELEMENT_TCL_OBJ handle{std::unique_ptr<RDB_TABLE_ELEMENT>(cell)};
    Tcl_SetVar2Ex(atcl_get_interpreter(), name, nullptr, handle.get_tcl_obj(), TCL_GLOBAL_ONLY);
    return handle;
}

} // namespace

TEST(RdbTclTableCmd, TemplatesTakeTheCellTextsOfTheRow)
{
    struct CASE {
        const char* cmd_template;
        std::vector<std::string> cells;
        const char* expected;
        unsigned row = 1;
    };
    const CASE cases[] = {
        {"list_path -from %COL_1% -to %COL_2%", {"0.1", "a", "b"}, "list_path -from a -to b"},
        // Lower-case markers are plain text; a marker without its closing "%" is copied with the rest.
        {"echo %col_1% %COL_1% %COL_2", {"0", "a", "b"}, "echo %col_1% a %COL_2"},
        // Columns and rows out of range expand to nothing; so does a segment whose placeholders all do.
        {"[%COL_3%][%COL_-1%][%COL_99999999999%][%COL_1%]", {"0", "a", "b"}, "[][][][a]"},
        {"row <%COL_1%>!", {"0", "a", "b"}, "row !", 2},
        {"row %COL_1%!", {"0", "a", "b"}, "", 2},
        // Segments whose fields are all empty are left out; one without placeholders stays, and one
        // with any non-empty placeholder stays whole.
        {"cmd<-from %COL_1%>", {"0", "", ""}, "cmd"},
        {"cmd<-from %COL_1%>", {"0", "x", ""}, "cmd-from x"},
        {"a<b>c< d><>", {"0", "", ""}, "abc d"},
        {"go< -x %COL_1% -y %COL_2%>< -z %COL_1%>", {"0", "", "y"}, "go -x  -y y"},
        // Regex placeholders rewrite the cell text; a "/" after one backslash belongs to the regex, after
        // two it separates; a rewrite to nothing counts as empty for its segment.
        {"%COL_0/^(\\w+)_.*$/$1/%", {"clk_main", "", ""}, "clk"},
        {"%COL_0/a/X/%", {"banana", "", ""}, "bXnXnX"},
        {"%COL_0/a\\/b/X/%", {"a/b", "", ""}, "X"},
        {"%COL_0/a\\\\/X/%", {"a\\b", "", ""}, "Xb"},
        {"x< -y %COL_0/.*//%>", {"abc", "", ""}, "x"},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(built(c.cmd_template, c.cells, c.row), c.expected) << c.cmd_template;

    auto table = table_of({});
    EXPECT_EQ(&table->get_regex_pattern("a+"), &table->get_regex_pattern("a+"));
    EXPECT_THROW(built("%COL_0/(/x/%", {"a", "", ""}), std::regex_error);
}

TEST(RdbTclTableCmd, MalformedTemplatesAndBadIndicesAreInternalErrors)
{
    const char* no_closing_slash = "regex_str.substr(regex_str.size()-regex_end_pattern_len) == regex_end_pattern";
    // An empty regex part must not read before the start of the text.
    EXPECT_INTERNAL_ERROR(built("%COL_0/%", {"a", "", ""}), no_closing_slash);
    EXPECT_INTERNAL_ERROR(built("%COL_0/abc%", {"a", "", ""}), no_closing_slash);
    EXPECT_INTERNAL_ERROR(built("%COL_0//%", {"a", "", ""}), "sep_pos != std::string::npos");
    EXPECT_INTERNAL_ERROR(built("%COL_0/a\\/b/%", {"a", "", ""}), "sep_pos != std::string::npos");

    auto table = table_of({{"0", "a", "b"}});
    table->get_row(1)->push_back(nullptr);
    table->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template("Cmd", "", "", "x %COL_3%", -1, -1));
    EXPECT_INTERNAL_ERROR(table->build_cmd(0, 1), "cell_str != RDB_TABLE_OBJ_GET_DATA_STRING_ERROR");
    EXPECT_EQ(table->get_cmd_template(1), nullptr);
    EXPECT_INTERNAL_ERROR(table->build_cmd(1, 1), "cmd_index < m_cmd_list.size()");
    EXPECT_INTERNAL_ERROR(table->get_cmd_template(0)->build_cmd(nullptr, 1), "table != 0");
    EXPECT_INTERNAL_ERROR(table->add_cmd_template(nullptr), "cmd != 0");
}

TEST(RdbTclTableCmd, SelfCheckPostsTheCommandsOfItsThreeRows)
{
    DEBUG_RECORDER recorder;
    rdb_tcl_table_test();
    std::vector<std::string> lines;
    for (const DEBUG_LINE& line : recorder.lines())
        lines.push_back(line.text);
    EXPECT_EQ(lines, (std::vector<std::string>{"CMD expr {12 + 13}", "CMD puts 1 -and 1", "CMD expr {34 + 35}",
                                               "CMD puts 3 -and 3", "CMD expr {56 + 57}", "CMD puts 5 -and 5"}));
}

// Each copy writes the same bytes as the report in both forms, so a field one form drops shows; the
// commands are rebuilt from the copied templates.
TEST(RdbTclTableStorage, CopiesKeepCommandsAndTheContextMenuFlag)
{
    auto report = make_report();
    const REPORT_COPIES copies = copies_of(*report);
    ASSERT_TRUE(copies.stored && copies.read);
    EXPECT_EQ(tcl_table_at(*copies.read, 0).build_cmd(0, 1), "report_path -from {a|q}-to {b|d}");
}

TEST(RdbTclTableStorage, XmlReaderTakesTheFlagElementAndSingleIndices)
{
    auto read = report_from_xml("<tcl_table name=\"T\" expand_to=\"-1\">"
                                "<show_tcl_commands_on_context_menu show_tcl_commands_on_context_menu=\"TRUE\"/>"
                                "<row><string_cell>a</string_cell></row>"
                                "<command><cmd_template>x %COL_0%</cmd_template><row_index>7</row_index></command>"
                                "<command><col_index>3</col_index></command></tcl_table>");
    ASSERT_NE(read, nullptr);
    RDB_TCL_TABLE_OBJECT& table = tcl_table_at(*read, 0);
    EXPECT_TRUE(table.get_show_tcl_commands_on_context_menu());
    ASSERT_EQ(table.get_number_of_cmds(), 2u);
    EXPECT_EQ(table.get_cmd_template(0)->get_row_index(), 7);
    EXPECT_EQ(table.get_cmd_template(0)->get_col_index(), -1);
    EXPECT_EQ(table.get_cmd_template(1)->get_col_index(), 3);
    EXPECT_EQ(table.build_cmd(0, 0), "x a");
    EXPECT_EQ(report_from_xml("<tcl_table name=\"T\" expand_to=\"-1\">"
                              "<command><col_index>x</col_index></command></tcl_table>"),
              nullptr);
}

TEST(RdbTableElementTclObj, StringFormIsTheCellTextAndNoTextConverts)
{
    RDB_TABLE_ELEMENT_TCL_OBJ number{std::make_unique<RDB_TABLE_INT_ELEMENT>(42)};
    Tcl_Obj* obj = number.get_tcl_obj();
    Tcl_IncrRefCount(obj);
    EXPECT_EQ(std::string(Tcl_GetString(obj)), "42");
    EXPECT_EQ(RDB_TABLE_ELEMENT_TCL_OBJ(obj).get_element()->get_int_element_data(), 42);
    EXPECT_EQ(Tcl_GetObjType("RDB_TABLE_ELEMENT_TCL_OBJ"), RDB_TABLE_ELEMENT_TCL_OBJ::get_tcl_obj_type());
    Tcl_DecrRefCount(obj);

    Tcl_Obj* plain = Tcl_NewStringObj("42", -1);
    Tcl_IncrRefCount(plain);
    RDB_TABLE_ELEMENT_TCL_OBJ not_a_cell(plain);
    EXPECT_FALSE(not_a_cell.is_valid());
    EXPECT_INTERNAL_ERROR(not_a_cell.get_element(), "m_obj");
    EXPECT_INTERNAL_ERROR(not_a_cell.get_tcl_obj(), "m_obj");
    Tcl_Interp* interp = atcl_get_interpreter();
    EXPECT_EQ(Tcl_ConvertToType(interp, plain, RDB_TABLE_ELEMENT_TCL_OBJ::get_tcl_obj_type()), TCL_ERROR);
    EXPECT_EQ(std::string(Tcl_GetStringResult(interp)), "Cannot set the element object from any string");
    Tcl_ResetResult(interp);
    Tcl_DecrRefCount(plain);
    EXPECT_INTERNAL_ERROR(RDB_TABLE_ELEMENT_TCL_OBJ{std::unique_ptr<RDB_TABLE_ELEMENT>()}, "element");
}

TEST(RdbTableElementTclObj, ScriptsPrintAndChangeCopiesOfSharedCells)
{
    RDB_TABLE_ELEMENT_TCL_OBJ cell = set_cell_variable("rdb_cell", new RDB_TABLE_STRING_ELEMENT("clk main"));
    EXPECT_EQ(eval("format {<%s>} $rdb_cell"), "<clk main>");
    // Changing a shared value makes the interpreter duplicate it first; the original keeps its cell.
    EXPECT_EQ(eval("set copy $rdb_cell; append copy _x; append copy _y"), "clk main_x_y");
    EXPECT_EQ(eval("set other $rdb_cell; lset other 1 y; set other"), "clk y");
    EXPECT_EQ(eval("set more $rdb_cell; lappend more z"), "clk main z");
    EXPECT_EQ(eval("set rdb_cell"), "clk main");
    ASSERT_TRUE(cell.is_valid());
    EXPECT_EQ(cell.get_element()->get_string(), "clk main");
    eval("unset rdb_cell copy other more");
}

// A script that uses a cell as a list, a number or a string of characters converts the value in
// place, which frees the cell.
TEST(RdbTableElementTclObj, HandlesNoticeWhenScriptsConvertTheValue)
{
    RDB_TABLE_ELEMENT_TCL_OBJ list = set_cell_variable("rdb_list", new RDB_TABLE_STRING_ELEMENT("a b c"));
    RDB_TABLE_ELEMENT_TCL_OBJ number = set_cell_variable("rdb_number", new RDB_TABLE_INT_ELEMENT(41));
    RDB_TABLE_ELEMENT_TCL_OBJ text = set_cell_variable("rdb_text", new RDB_TABLE_STRING_ELEMENT("clk"));
    const RDB_TABLE_ELEMENT_TCL_OBJ* handles[] = {&list, &number, &text};
    for (const RDB_TABLE_ELEMENT_TCL_OBJ* handle : handles)
        Tcl_IncrRefCount(handle->get_tcl_obj());
    EXPECT_EQ(eval("llength $rdb_list"), "3");
    EXPECT_EQ(eval("expr {$rdb_number + 1}"), "42");
    EXPECT_EQ(eval("string length $rdb_text"), "3");
    for (const RDB_TABLE_ELEMENT_TCL_OBJ* handle : handles) {
        EXPECT_FALSE(handle->is_valid());
        EXPECT_EQ(handle->get_element(), nullptr);
    }
    EXPECT_EQ(eval("list $rdb_list $rdb_number $rdb_text"), "{a b c} 41 clk");
    eval("unset rdb_list rdb_number rdb_text");
    for (const RDB_TABLE_ELEMENT_TCL_OBJ* handle : handles)
        Tcl_DecrRefCount(handle->get_tcl_obj());
}
