#include "rdb_table_sys.h"

#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "rdb_enum.h"
#include "rdb_gauges.h"
#include "test_support.h"

namespace {

const char* const COLUMN_COUNT_ERROR =
    "Error: Column count of the inserted row is different from the table defined value.";

// A new row of text cells; a null text leaves a null cell.
RDB_TABLE_ROW* make_row(std::initializer_list<const char*> texts)
{
    RDB_TABLE_ROW* row = new RDB_TABLE_ROW;
    for (const char* text : texts)
        row->push_back(text ? new RDB_TABLE_STRING_ELEMENT(text) : nullptr);
    return row;
}

using STRINGS = std::vector<std::string>;

// The texts of one column, row by row.
STRINGS column(const RDB_TABLE_OBJECT& table, unsigned col)
{
    STRINGS texts;
    for (unsigned r = 0; r < table.get_number_of_rows(); ++r)
        texts.push_back(table.get_data_string(r, col));
    return texts;
}

// A table with header "Name", "Value" and the given names (values "v" + name).
void fill(RDB_TABLE_OBJECT& table, std::initializer_list<const char*> names)
{
    table.add_row(make_row({"Name", "Value"}));
    for (const char* name : names)
        table.add_row(make_row({name, (std::string("v") + name).c_str()}));
}

// Appends a null row, as a damaged stored table may hold (add_row ignores null rows).
void add_null_row(RDB_TABLE_OBJECT& table)
{
    table.add_row(new RDB_TABLE_ROW);
    delete std::exchange(*(table.end() - 1), nullptr);
}

// A gauges panel that counts its deletion.
struct COUNTED_GAUGES : RDB_GAUGES_OBJECT {
    explicit COUNTED_GAUGES(int* deleted) : RDB_GAUGES_OBJECT("g", 1), m_deleted(deleted) {}
    ~COUNTED_GAUGES() override { ++*m_deleted; }
    int* m_deleted;
};

} // namespace

TEST(RdbTable, HierarchicalRowColoursArePerTable)
{
    RDB_TABLE_OBJECT a("a");
    RDB_NEW_TABLE_OBJECT b("b");
    a.set_alternate_hierarchical_row_colors(true);
    EXPECT_TRUE(a.use_alternating_hierarchical_row_colors());
    EXPECT_FALSE(b.use_alternating_hierarchical_row_colors());
}

TEST(RdbTable, AddedRowsAreCheckedAfterAppending)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(nullptr);
    table.add_row_to_top(nullptr);
    table.add_row_of_strings("A", "B");
    RDB_TABLE_ROW* row = table.add_row_of_strings("1", "2", nullptr, "ignored");
    EXPECT_EQ(row, table.get_row(1));
    // A row of the wrong width stays in the table (which frees it) before the error.
    EXPECT_INTERNAL_ERROR(table.add_row_of_strings("x"), COLUMN_COUNT_ERROR);
    std::vector<RDB_TABLE_OBJECT::STRING_OR_LOCATION> items{
        std::string("plain"), std::pair<std::string, const HDB_INSTANCE_NAME*>("shown", nullptr)};
    RDB_TABLE_STRING_ELEMENT* location =
        (*table.add_string_or_location_schema_row(items))[1]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT();
    EXPECT_NE(location->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT(), nullptr);
    items.pop_back();
    EXPECT_INTERNAL_ERROR(table.add_string_or_location_schema_row(items), COLUMN_COUNT_ERROR);
    table.add_row_to_top(make_row({"top"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"top", "A", "1", "x", "plain", "plain"}));
    EXPECT_EQ(table.get_number_of_columns(), 1u);
}

TEST(RdbTable, RemovedRowsAreHandedBackToTheCaller)
{
    RDB_TABLE_OBJECT table("t");
    EXPECT_FALSE(table.remove_row());
    fill(table, {"a", "b", "c"});
    EXPECT_EQ((*table.remove_row())[0]->get_string(), "c");
    EXPECT_EQ((*table.remove_row_at(1))[0]->get_string(), "a");
    EXPECT_FALSE(table.remove_row_at(2));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "b"}));
}

TEST(RdbTable, WritersOnReadOnlyTableStop)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"b", "a"});
    table._chmod(RDB_OBJECT::READ_ONLY);
    RDB_TABLE_ROW_PTR row(make_row({"x", "y"}));
    EXPECT_INTERNAL_ERROR(table.add_row(row.get()), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.add_row_to_top(row.get()), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.add_row_of_strings("x", "y"), "is_writable()");
    std::vector<RDB_TABLE_OBJECT::STRING_OR_LOCATION> items{std::string("x"), std::string("y")};
    EXPECT_INTERNAL_ERROR(table.add_string_or_location_schema_row(items), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.remove_row(), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.remove_row_at(0), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.sort_rows(0, true), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.sort_rows_and_get_sorting_order(0, true), "is_writable()");
    EXPECT_INTERNAL_ERROR(table.merge_table_from(&table), "is_writable()");
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "b", "a"}));
}

TEST(RdbTable, SortKeepsHeaderFirstAndUsesNaturalOrder)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"item10", "item2", "item1"});
    table.sort_rows(0, true);
    EXPECT_EQ(column(table, 1), (STRINGS{"Value", "vitem1", "vitem2", "vitem10"}));
    table.sort_rows(0, false);
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "item10", "item2", "item1"}));
    // The order names, per new position, the former data index.
    EXPECT_EQ(table.sort_rows_and_get_sorting_order(1, true), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "item1", "item2", "item10"}));

    RDB_TABLE_OBJECT one("one"); // a single data row compares nothing, so its width is not checked
    fill(one, {"a"});
    one.sort_rows(5, true);
    EXPECT_EQ(one.sort_rows_and_get_sorting_order(5, true), std::vector<int>{0});
}

TEST(RdbTable, SortRejectsShortRowsAndNullCellsBeforeMovingAnything)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"d", "c", "b", "a"});
    table.add_row(make_row({"e"}));
    try {
        table.sort_rows(1, true);
        ADD_FAILURE() << "expected std::out_of_range";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid vector subscript");
    }
    EXPECT_THROW(table.sort_rows_and_get_sorting_order(-1, true), std::out_of_range);
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "d", "c", "b", "a", "e"}));

    table.remove_row();
    table.add_row(make_row({"e", nullptr}));
    EXPECT_INTERNAL_ERROR(table.sort_rows(1, true), "element_a && element_b");
    EXPECT_INTERNAL_ERROR(table.sort_rows_and_get_sorting_order(1, true), "element_a && element_b");
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "d", "c", "b", "a", "e"}));
}

TEST(RdbTable, MergeTakesAllRowsOrAppendsDataRowsWhenColumnsAgree)
{
    RDB_TABLE_OBJECT target("target");
    RDB_TABLE_OBJECT wide("wide");
    wide.add_row(make_row({"A", "B", "C"}));
    wide.add_row(make_row({"1", "2", "3"}));
    EXPECT_FALSE(target.merge_table_from(&target)); // nothing to merge, even from itself
    EXPECT_INTERNAL_ERROR(target.merge_table_from(nullptr), "source_table != 0");
    fill(target, {"a"});
    EXPECT_FALSE(target.merge_table_from(&wide));
    RDB_TABLE_OBJECT empty("empty");
    EXPECT_TRUE(empty.merge_table_from(&wide));
    EXPECT_EQ(column(empty, 2), (STRINGS{"C", "3"}));
    EXPECT_EQ(wide.get_number_of_rows(), 0u);

    RDB_TABLE_OBJECT source("source");
    source.add_row(make_row({"Other", "Header"}));
    source.add_row(make_row({"b", "vb"}));
    add_null_row(source);
    source.add_row(make_row({"c", "vc"}));
    EXPECT_TRUE(target.merge_table_from(&source));
    EXPECT_EQ(column(source, 0), (STRINGS{"Other"}));
    EXPECT_TRUE(target.merge_table_from(&source)); // header only: agrees, gives nothing
    EXPECT_TRUE(target.merge_table_from(&target)); // merging into itself changes nothing
    EXPECT_EQ(column(target, 0), (STRINGS{"Name", "a", "b", "c"}));
}

TEST(RdbTable, FindColumnsAndRowsByBusAwareGlob)
{
    RDB_TABLE_OBJECT table("t");
    EXPECT_EQ(table.find_col_index("*"), RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE);
    table.add_row(make_row({"Name", "data[3]", "Total"}));
    table.add_row(new RDB_TABLE_ROW);
    table.add_row(make_row({"alpha", "1", "2"}));
    table.add_row(make_row({"beta", "1", "2"}));
    EXPECT_EQ(table.find_col_index("data[3]"), 1u);
    EXPECT_EQ(table.find_col_index("data[4]"), RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE);
    EXPECT_EQ(table.find_row_index("Na*"), 0u);
    EXPECT_EQ(table.find_row("b*"), table.get_row(3));
    EXPECT_EQ(table.find_row("gamma"), nullptr);
    RDB_TABLE_OBJECT no_header("n");
    add_null_row(no_header);
    EXPECT_INTERNAL_ERROR(no_header.find_col_index("x"), "header_row != 0");
}

TEST(RdbTable, FindMatchedRowsHonoursInvertLimitAndMode)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"apple", "banana", "avocado", "cherry"});
    using ROWS = std::vector<RDB_TABLE_ROW*>;
    auto row = [&table](int index) { return table.get_row(index); };
    ROWS found{row(0)};
    table.find_matched_rows(found, "a*", RDB_MATCH_GLOB, false, 10);
    EXPECT_EQ(found, (ROWS{row(1), row(3)}));
    table.find_matched_rows(found, "a*", RDB_MATCH_GLOB, true, 2); // the header is taken too
    EXPECT_EQ(found, (ROWS{row(0), row(2)}));
    table.find_matched_rows(found, "^(ban|che)", RDB_MATCH_REGEXP, false, 10);
    EXPECT_EQ(found, (ROWS{row(2), row(4)}));
    // A broken expression is neither a match nor a non-match.
    table.find_matched_rows(found, "(", RDB_MATCH_REGEXP, false, 10);
    EXPECT_TRUE(found.empty());
    table.find_matched_rows(found, "(", RDB_MATCH_REGEXP, true, 10);
    EXPECT_TRUE(found.empty());
    EXPECT_INTERNAL_ERROR(table.find_matched_rows(found, "*", RDB_MATCH_GLOB, false, 0),
                          "max_number_of_found_rows > 0");
}

TEST(RdbTable, MissingRowsAndCellsAreMarkedAndReported)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"A", "B", "C"}));
    table.add_row(make_row({"short"}));
    add_null_row(table);
    table.add_row(make_row({"x", nullptr, "z"}));
    const std::string marker = " #RDB_TABLE_OBJ_GET_DATA_STRING_ERROR! ";
    DEBUG_RECORDER rec;
    std::string out = "stale";
    table.get_data_string(1, 2, out); // out of range: empty, silent
    EXPECT_EQ(out, "");
    EXPECT_EQ(table.get_data_string(2, 0), marker);
    EXPECT_EQ(static_cast<const RDB_OBJECT&>(table).get_data_string(3, 1), marker);
    ASSERT_EQ(rec.lines().size(), 2u);
    EXPECT_EQ(rec.lines()[0].component, "RDB");
    EXPECT_EQ(rec.lines()[0].level, 2);
    EXPECT_EQ(rec.lines()[0].text, "table row does not exist");
    EXPECT_EQ(rec.lines()[1].text, "table element does not exist");

    using STATE = RDB_TABLE_OBJECT::STATE_OF_GET_ELEMENT_ENUM;
    const struct {
        unsigned row, col;
        STATE state;
        const char* line;
    } cases[] = {{9, 0, RDB_TABLE_OBJECT::ROW_OUT_OF_RANGE, "specified row does not exist"},
                 {2, 0, RDB_TABLE_OBJECT::ROW_IS_NULL, "specified row does not exist"},
                 {1, 2, RDB_TABLE_OBJECT::COLUMN_OUT_OF_RANGE, "specified column does not exist"},
                 {3, 1, RDB_TABLE_OBJECT::ELEMENT_IS_NULL, "specified element does not exist"}};
    for (const auto& c : cases) {
        STATE state = RDB_TABLE_OBJECT::ELEMENT_FOUND;
        EXPECT_EQ(table.get_element(c.row, c.col, &state), nullptr);
        EXPECT_EQ(state, c.state);
        DEBUG_RECORDER inner;
        table.get_element(c.row, c.col, false);
        table.get_element(c.row, c.col, true);
        ASSERT_EQ(inner.lines().size(), 1u);
        EXPECT_EQ(inner.lines()[0].text, c.line);
    }
    EXPECT_EQ(table.get_element(3, 2, true), table.get_row(3)->at(2));
    EXPECT_EQ(rec.lines().size(), 2u);
}

TEST(RdbTable, SqliteFormIsOneExactMarkerRow)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"SQLITE", "/tmp/x.db", "t_7"}));
    EXPECT_EQ(table.get_sqlite_filepath(), "/tmp/x.db");
    EXPECT_EQ(table.get_sqlite_tablename(), "t_7");
    table.add_row(make_row({"1", "2", "3"}));
    EXPECT_EQ(table.get_sqlite_filepath(), "");
    for (auto cells : {std::initializer_list<const char*>{"sqlite", "f", "n"}, {"SQLITE", "f", "n", "extra"}}) {
        RDB_TABLE_OBJECT other("other");
        other.add_row(make_row(cells));
        EXPECT_FALSE(other.is_sqlite());
    }
    RDB_TABLE_OBJECT null_row("null");
    add_null_row(null_row);
    EXPECT_INTERNAL_ERROR(null_row.is_sqlite(), "row");
}

TEST(RdbTable, DumpsListEveryCellOfEveryColumn)
{
    RDB_TABLE_OBJECT table("t");
    table.set_header("head");
    fill(table, {"a"});
    table.add_row(make_row({"b"}));
    const char* const separators[] = {",", ";\n"};
    std::ostringstream os;
    table.output_data_strings(os, separators);
    EXPECT_EQ(os.str(), "Name,Value;\na,va;\nb,;\n");
    nlohmann::json object = nlohmann::json::object();
    table.fill_json_object(&object);
    EXPECT_EQ(object["header"], "head"); // the object keys are there too
    EXPECT_EQ(object["rows"], nlohmann::json::parse(R"([["Name","Value"],["a","va"],["b",""]])"));
    EXPECT_INTERNAL_ERROR(table.fill_json_object(nullptr), "object != NULL");
}

TEST(RdbNewTable, HeaderIsNotCountedMovedOrRemoved)
{
    RDB_NEW_TABLE_OBJECT table("n");
    EXPECT_EQ(table.get_number_of_rows(), 0u);
    table.add_row_to_top(make_row({"Name"})); // at the top of a table without rows
    table.add_row_to_top(make_row({"second"}));
    table.add_row_to_top(make_row({"first"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "first", "second"}));
    EXPECT_EQ(table.get_number_of_rows(), 2u);
    EXPECT_EQ((*table.remove_row())[0]->get_string(), "second");
    EXPECT_TRUE(table.remove_row());
    EXPECT_FALSE(table.remove_row());
    EXPECT_EQ(table.get_data_string(0, 0), "Name");
}

TEST(RdbSummaryTable, SetGaugesDeletesOnlyAReplacedPanel)
{
    int first_deleted = 0;
    int second_deleted = 0;
    {
        RDB_SUMMARY_TABLE_OBJECT owner("o");
        auto* first = new COUNTED_GAUGES(&first_deleted);
        owner.set_gauges(first);
        owner.set_gauges(first); // the same panel again: kept, not deleted
        EXPECT_EQ(first_deleted, 0);
        owner.set_gauges(new COUNTED_GAUGES(&second_deleted));
        EXPECT_EQ(first_deleted + second_deleted, 1);
    }
    EXPECT_EQ(second_deleted, 1);
}
