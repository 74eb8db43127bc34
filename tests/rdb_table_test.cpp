#include "rdb_table_sys.h"

#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "rdb_enum.h"
#include "rdb_gauges.h"
#include "rdb_visitor.h"
#include "test_support.h"

namespace {

// A new row of text cells; a null text leaves a null cell.
RDB_TABLE_ROW* make_row(std::initializer_list<const char*> texts)
{
    RDB_TABLE_ROW* row = new RDB_TABLE_ROW;
    for (const char* text : texts) row->push_back(text ? new RDB_TABLE_STRING_ELEMENT(text) : nullptr);
    return row;
}

// The texts of one column, row by row.
std::vector<std::string> column(const RDB_TABLE_OBJECT& table, unsigned col)
{
    std::vector<std::string> texts;
    for (unsigned r = 0; r < table.get_number_of_rows(); ++r) texts.push_back(table.get_data_string(r, col));
    return texts;
}

// A table with header "Name", "Value" and the given names (values "v" + name).
void fill(RDB_TABLE_OBJECT& table, std::initializer_list<const char*> names)
{
    table.add_row(make_row({"Name", "Value"}));
    for (const char* name : names) table.add_row(make_row({name, (std::string("v") + name).c_str()}));
}

// Appends a null row, as a damaged stored table may hold (add_row ignores null rows).
void add_null_row(RDB_TABLE_OBJECT& table)
{
    table.add_row(new RDB_TABLE_ROW);
    RDB_TABLE_ROW*& slot = *(table.end() - 1);
    delete slot;
    slot = nullptr;
}

using STRINGS = std::vector<std::string>;

// Records which visitor operation an object chose.
struct KIND_VISITOR : RDB_OBJECT_VISITOR {
    std::string seen;
    void visit_table(RDB_TABLE_OBJECT*) override { seen = "table"; }
    void visit_new_table(RDB_NEW_TABLE_OBJECT*) override { seen = "new_table"; }
    void visit_summary_table(RDB_SUMMARY_TABLE_OBJECT*) override { seen = "summary_table"; }
    void visit_link_table(RDB_LINK_TABLE_OBJECT*) override { seen = "link_table"; }
    void visit_gauges(RDB_GAUGES_OBJECT*) override { seen = "gauges"; }
};

// A gauges panel that reports its own deletion.
struct COUNTED_GAUGES : RDB_GAUGES_OBJECT {
    explicit COUNTED_GAUGES(int* deleted) : RDB_GAUGES_OBJECT("g", 1), m_deleted(deleted) {}
    ~COUNTED_GAUGES() override { ++*m_deleted; }
    int* m_deleted;
};

} // namespace

TEST(RdbTable, NewTableIsEmpty)
{
    RDB_TABLE_OBJECT table("t");
    EXPECT_EQ(table.get_type(), RDB_TABLE_TYPE);
    EXPECT_EQ(table.get_number_of_rows(), 0u);
    EXPECT_EQ(table.get_number_of_columns(), 0u);
    EXPECT_EQ(table.find_col_index("*"), 0xFFFFFFFFu);
    EXPECT_EQ(table.find_row_index("*"), RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE);
    EXPECT_FALSE(table.is_sqlite());
    EXPECT_EQ(table.get_data_string(0, 0), "");
    EXPECT_TRUE(table.use_alternating_row_colors());
    EXPECT_EQ(table.get_expand_level(), -1);
}

TEST(RdbTable, HierarchicalRowColoursArePerTable)
{
    RDB_TABLE_OBJECT a("a");
    RDB_TABLE_OBJECT b("b");
    EXPECT_FALSE(a.use_alternating_hierarchical_row_colors());
    a.set_alternate_hierarchical_row_colors(true);
    EXPECT_TRUE(a.use_alternating_hierarchical_row_colors());
    EXPECT_FALSE(b.use_alternating_hierarchical_row_colors());
    RDB_NEW_TABLE_OBJECT c("c"); // a new table starts off as well
    EXPECT_FALSE(c.use_alternating_hierarchical_row_colors());
}

TEST(RdbTable, ColumnListsAnswerMembership)
{
    RDB_TABLE_OBJECT table("t");
    table.hide_column(2);
    EXPECT_TRUE(table.is_column_hidden(2));
    EXPECT_FALSE(table.is_column_hidden(0));
    table.hide_columns({0, 4});
    EXPECT_FALSE(table.is_column_hidden(2));
    EXPECT_TRUE(table.is_column_hidden(4));
    table.disable_iname_lookup_for_col(1);
    EXPECT_FALSE(table.is_iname_lookup_enabled(1));
    EXPECT_TRUE(table.is_iname_lookup_enabled(3));
}

TEST(RdbTable, HeaderOnlyTableCountsAndStaysUnsorted)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"C", "A", "B"}));
    EXPECT_EQ(table.get_number_of_rows(), 1u);
    EXPECT_EQ(table.get_number_of_columns(), 3u);
    table.sort_rows(0, true);
    EXPECT_TRUE(table.sort_rows_and_get_sorting_order(0, true).empty());
    EXPECT_EQ(table.get_data_string(0, 0), "C");
    EXPECT_EQ(table.get_data_string(0, 2), "B");
    EXPECT_EQ(table.find_col_index("B"), 2u);
}

TEST(RdbTable, AddRowIgnoresNullAndAddRowToTopGoesAboveHeader)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"a"});
    table.add_row(nullptr);
    table.add_row_to_top(nullptr);
    EXPECT_EQ(table.get_number_of_rows(), 2u);
    table.add_row_to_top(make_row({"top", "x", "y"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"top", "Name", "a"}));
    EXPECT_EQ(table.get_number_of_columns(), 3u);
}

TEST(RdbTable, AddRowOfStringsChecksColumnCountAfterAppending)
{
    RDB_TABLE_OBJECT table("t");
    RDB_TABLE_ROW* header = table.add_row_of_strings("A", "B", "C");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->size(), 3u);
    RDB_TABLE_ROW* row = table.add_row_of_strings("1", "2", "3", nullptr, "ignored");
    EXPECT_EQ(row, table.get_row(1));
    EXPECT_EQ(column(table, 2), (STRINGS{"C", "3"}));
    EXPECT_INTERNAL_ERROR(table.add_row_of_strings("x", "y"),
                          "Error: Column count of the inserted row is different from the table defined value.");
    EXPECT_EQ(table.get_number_of_rows(), 3u);
    EXPECT_EQ(table.get_data_string(2, 0), "x");
}

TEST(RdbTable, AddStringOrLocationRowMakesTextAndLocationCells)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"Name", "Where"}));
    std::vector<RDB_TABLE_OBJECT::STRING_OR_LOCATION> items{
        std::string("plain"), std::pair<std::string, const HDB_INSTANCE_NAME*>("shown", nullptr)};
    RDB_TABLE_ROW* row = table.add_string_or_location_schema_row(items);
    ASSERT_EQ(row->size(), 2u);
    EXPECT_EQ((*row)[0]->get_string(), "plain");
    ASSERT_NE((*row)[1]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT(), nullptr);
    EXPECT_NE((*row)[1]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT()->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT(),
              nullptr);

    std::vector<RDB_TABLE_OBJECT::STRING_OR_LOCATION> short_items{std::string("only")};
    EXPECT_INTERNAL_ERROR(table.add_string_or_location_schema_row(short_items),
                          "Error: Column count of the inserted row is different from the table defined value.");
    EXPECT_EQ(table.get_number_of_rows(), 3u);
}

TEST(RdbTable, RemovedRowsAreHandedBackToTheCaller)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"a", "b", "c"});
    RDB_TABLE_ROW_PTR last = table.remove_row();
    ASSERT_TRUE(last);
    EXPECT_EQ((*last)[0]->get_string(), "c");
    RDB_TABLE_ROW_PTR middle = table.remove_row_at(1);
    ASSERT_TRUE(middle);
    EXPECT_EQ((*middle)[0]->get_string(), "a");
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "b"}));
    EXPECT_FALSE(table.remove_row_at(2));
    table.remove_row(); // an ignored row is freed, not leaked
    table.remove_row();
    EXPECT_EQ(table.get_number_of_rows(), 0u);
    EXPECT_FALSE(table.remove_row());
}

TEST(RdbTable, WritersOnReadOnlyTableStop)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"b", "a"});
    RDB_TABLE_OBJECT source("s");
    fill(source, {"z"});
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
    EXPECT_INTERNAL_ERROR(table.merge_table_from(&source), "is_writable()");
    // Nothing to detach: no writability needed.
    EXPECT_FALSE(table.remove_row_at(table.get_number_of_rows()));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "b", "a"}));
    EXPECT_EQ(source.get_number_of_rows(), 2u);
}

TEST(RdbTable, SortRowsKeepsHeaderAndUsesNaturalOrder)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"b", "a", "c"});
    table.sort_rows(0, true);
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "a", "b", "c"}));
    EXPECT_EQ(column(table, 1), (STRINGS{"Value", "va", "vb", "vc"}));
    table.sort_rows(0, false);
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "c", "b", "a"}));

    RDB_TABLE_OBJECT items("items");
    fill(items, {"item10", "item2", "item1"});
    items.sort_rows(0, true);
    EXPECT_EQ(column(items, 0), (STRINGS{"Name", "item1", "item2", "item10"}));
}

TEST(RdbTable, SortingOrderNamesFormerDataIndices)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"b", "a", "c"});
    EXPECT_EQ(table.sort_rows_and_get_sorting_order(0, true), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "a", "b", "c"}));
    EXPECT_EQ(table.sort_rows_and_get_sorting_order(1, false), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "c", "b", "a"}));
}

TEST(RdbTable, SortRejectsShortRowsAndNullCellsBeforeMovingAnything)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"d", "c", "b", "a"});
    table.add_row(make_row({"e"}));
    const STRINGS before = column(table, 0);
    EXPECT_THROW(table.sort_rows(1, true), std::out_of_range);
    EXPECT_EQ(column(table, 0), before);
    EXPECT_THROW(table.sort_rows_and_get_sorting_order(1, true), std::out_of_range);
    EXPECT_EQ(column(table, 0), before);
    EXPECT_THROW(table.sort_rows(-1, true), std::out_of_range);
    try {
        table.sort_rows(1, false);
        ADD_FAILURE() << "expected std::out_of_range";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid vector subscript");
    }

    RDB_TABLE_OBJECT nulls("n");
    fill(nulls, {"d", "c", "b"});
    nulls.add_row(make_row({"a", nullptr}));
    const STRINGS null_before = column(nulls, 0);
    EXPECT_INTERNAL_ERROR(nulls.sort_rows(1, true), "element_a && element_b");
    EXPECT_EQ(column(nulls, 0), null_before);
    EXPECT_INTERNAL_ERROR(nulls.sort_rows_and_get_sorting_order(1, true), "element_a && element_b");
    EXPECT_EQ(column(nulls, 0), null_before);
    // Column 0 is complete, so it sorts.
    nulls.sort_rows(0, true);
    EXPECT_EQ(column(nulls, 0), (STRINGS{"Name", "a", "b", "c", "d"}));
}

TEST(RdbTable, MergeIntoEmptyTableTakesEverything)
{
    RDB_TABLE_OBJECT target("target");
    RDB_TABLE_OBJECT source("source");
    source.add_row(make_row({"A", "B", "C"}));
    source.add_row(make_row({"1", "2", "3"}));
    EXPECT_TRUE(target.merge_table_from(&source));
    EXPECT_EQ(target.get_number_of_rows(), 2u);
    EXPECT_EQ(target.get_number_of_columns(), 3u);
    EXPECT_EQ(column(target, 0), (STRINGS{"A", "1"}));
    EXPECT_EQ(source.get_number_of_rows(), 0u);
    // An empty source merges nothing.
    EXPECT_FALSE(target.merge_table_from(&source));
    EXPECT_EQ(target.get_number_of_rows(), 2u);
    EXPECT_INTERNAL_ERROR(target.merge_table_from(nullptr), "source_table != 0");
}

TEST(RdbTable, MergeWithOtherColumnCountChangesNothing)
{
    RDB_TABLE_OBJECT target("target");
    fill(target, {"a"});
    RDB_TABLE_OBJECT source("source");
    source.add_row(make_row({"A", "B", "C"}));
    source.add_row(make_row({"1", "2", "3"}));
    EXPECT_FALSE(target.merge_table_from(&source));
    EXPECT_EQ(target.get_number_of_rows(), 2u);
    EXPECT_EQ(source.get_number_of_rows(), 2u);
}

TEST(RdbTable, MergeWithSameColumnsAppendsDataRows)
{
    RDB_TABLE_OBJECT target("target");
    fill(target, {"a"});
    RDB_TABLE_OBJECT source("source");
    source.add_row(make_row({"Other", "Header"}));
    source.add_row(make_row({"b", "vb"}));
    add_null_row(source);
    source.add_row(make_row({"c", "vc"}));
    EXPECT_TRUE(target.merge_table_from(&source));
    EXPECT_EQ(column(target, 0), (STRINGS{"Name", "a", "b", "c"}));
    EXPECT_EQ(column(source, 0), (STRINGS{"Other"}));
    // A header-only source agrees but has nothing to give.
    EXPECT_TRUE(target.merge_table_from(&source));
    EXPECT_EQ(target.get_number_of_rows(), 4u);
    EXPECT_EQ(source.get_number_of_rows(), 1u);
}

TEST(RdbTable, MergeIntoItselfChangesNothing)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"a", "b"});
    EXPECT_TRUE(table.merge_table_from(&table));
    EXPECT_EQ(column(table, 0), (STRINGS{"Name", "a", "b"}));
}

TEST(RdbTable, FindColumnsAndRowsByGlob)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"Name", "data[3]", "Total"}));
    table.add_row(new RDB_TABLE_ROW);
    table.add_row(make_row({"alpha", "1", "2"}));
    table.add_row(make_row({"beta", "1", "2"}));
    EXPECT_EQ(table.find_col_index("T*"), 2u);
    EXPECT_EQ(table.find_col_index("data[3]"), 1u);
    EXPECT_EQ(table.find_col_index("data[4]"), RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE);
    EXPECT_EQ(table.find_row_index("b*"), 3u);
    EXPECT_EQ(table.find_row_index("Na*"), 0u);
    EXPECT_EQ(table.find_row("alpha"), table.get_row(2));
    EXPECT_EQ(table.find_row("gamma"), nullptr);

    RDB_TABLE_OBJECT no_header("n");
    add_null_row(no_header);
    no_header.add_row(make_row({"x"}));
    EXPECT_INTERNAL_ERROR(no_header.find_col_index("x"), "header_row != 0");
    RDB_TABLE_OBJECT empty_header("e");
    empty_header.add_row(new RDB_TABLE_ROW);
    EXPECT_EQ(empty_header.find_col_index("*"), RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE);
}

TEST(RdbTable, FindMatchedRowsHonoursInvertLimitAndMode)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"apple", "banana", "avocado", "cherry"});
    std::vector<RDB_TABLE_ROW*> found{table.get_row(0)};
    table.find_matched_rows(found, "a*", RDB_MATCH_GLOB, false, 10);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], table.get_row(1));
    EXPECT_EQ(found[1], table.get_row(3));

    table.find_matched_rows(found, "a*", RDB_MATCH_GLOB, true, 10);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], table.get_row(0)); // the header does not match, so it is taken
    EXPECT_EQ(found[1], table.get_row(2));
    EXPECT_EQ(found[2], table.get_row(4));

    table.find_matched_rows(found, "a*", RDB_MATCH_GLOB, true, 2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1], table.get_row(2));

    table.find_matched_rows(found, "^(ban|che)", RDB_MATCH_REGEXP, false, 10);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], table.get_row(2));
    EXPECT_EQ(found[1], table.get_row(4));
    table.find_matched_rows(found, "an", RDB_MATCH_REGEXP, true, 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], table.get_row(0));

    // A broken expression is neither a match nor a non-match.
    table.find_matched_rows(found, "(", RDB_MATCH_REGEXP, false, 10);
    EXPECT_TRUE(found.empty());
    table.find_matched_rows(found, "(", RDB_MATCH_REGEXP, true, 10);
    EXPECT_TRUE(found.empty());

    EXPECT_INTERNAL_ERROR(table.find_matched_rows(found, "*", RDB_MATCH_GLOB, false, 0),
                          "max_number_of_found_rows > 0");
}

TEST(RdbTable, GetDataStringMarksNullRowsAndCellsOnly)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"A", "B", "C"}));
    table.add_row(make_row({"short"}));
    add_null_row(table);
    table.add_row(make_row({"x", nullptr, "z"}));
    const std::string marker = " #RDB_TABLE_OBJ_GET_DATA_STRING_ERROR! ";
    {
        DEBUG_RECORDER rec;
        std::string out = "stale";
        table.get_data_string(1, 2, out);
        EXPECT_EQ(out, "");
        EXPECT_EQ(table.get_data_string(9, 0), "");
        EXPECT_EQ(table.get_data_string(3, 2), "z");
        EXPECT_TRUE(rec.lines().empty());
    }
    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(table.get_data_string(2, 0), marker);
        ASSERT_EQ(rec.lines().size(), 1u);
        EXPECT_EQ(rec.lines()[0].text, "table row does not exist");
        EXPECT_EQ(rec.lines()[0].component, "RDB");
        EXPECT_EQ(rec.lines()[0].level, 2);
    }
    {
        DEBUG_RECORDER rec;
        std::string out;
        table.get_data_string(3, 1, out);
        EXPECT_EQ(out, marker);
        EXPECT_TRUE(rec.saw("table element does not exist"));
    }
    const RDB_OBJECT& as_object = table;
    EXPECT_EQ(as_object.get_data_string(0, 1), "B");
}

TEST(RdbTable, GetElementReportsWhatIsMissing)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"A", nullptr}));
    add_null_row(table);
    RDB_TABLE_OBJECT::STATE_OF_GET_ELEMENT_ENUM state = RDB_TABLE_OBJECT::ELEMENT_IS_NULL;
    EXPECT_EQ(table.get_element(0, 0, &state), table.get_row(0)->at(0));
    EXPECT_EQ(state, RDB_TABLE_OBJECT::ELEMENT_FOUND);
    EXPECT_EQ(table.get_element(5, 0, &state), nullptr);
    EXPECT_EQ(state, RDB_TABLE_OBJECT::ROW_OUT_OF_RANGE);
    EXPECT_EQ(table.get_element(1, 0, &state), nullptr);
    EXPECT_EQ(state, RDB_TABLE_OBJECT::ROW_IS_NULL);
    EXPECT_EQ(table.get_element(0, 2, &state), nullptr);
    EXPECT_EQ(state, RDB_TABLE_OBJECT::COLUMN_OUT_OF_RANGE);
    EXPECT_EQ(table.get_element(0, 1, &state), nullptr);
    EXPECT_EQ(state, RDB_TABLE_OBJECT::ELEMENT_IS_NULL);
    EXPECT_EQ(table.get_element(0, 1, static_cast<RDB_TABLE_OBJECT::STATE_OF_GET_ELEMENT_ENUM*>(nullptr)), nullptr);

    DEBUG_RECORDER rec;
    EXPECT_EQ(table.get_element(5, 0, false), nullptr);
    EXPECT_TRUE(rec.lines().empty());
    EXPECT_NE(table.get_element(0, 0, true), nullptr);
    EXPECT_TRUE(rec.lines().empty());
    table.get_element(5, 0, true);
    table.get_element(1, 0, true);
    table.get_element(0, 2, true);
    table.get_element(0, 1, true);
    ASSERT_EQ(rec.lines().size(), 4u);
    EXPECT_EQ(rec.lines()[0].text, "specified row does not exist");
    EXPECT_EQ(rec.lines()[1].text, "specified row does not exist");
    EXPECT_EQ(rec.lines()[2].text, "specified column does not exist");
    EXPECT_EQ(rec.lines()[3].text, "specified element does not exist");
    EXPECT_EQ(rec.lines()[3].level, 2);
}

TEST(RdbTable, OutputDataStringsWritesSeparatorAfterEveryCell)
{
    RDB_TABLE_OBJECT table("t");
    fill(table, {"a", "b"});
    table.add_row(make_row({"c"}));
    const char* const separators[] = {",", ";\n"};
    std::ostringstream os;
    table.output_data_strings(os, separators);
    EXPECT_EQ(os.str(), "Name,Value;\na,va;\nb,vb;\nc,;\n");
}

TEST(RdbTable, SqliteFormIsRecognisedByItsMarkerRow)
{
    RDB_TABLE_OBJECT table("t");
    table.add_row(make_row({"SQLITE", "/tmp/x.db", "t_7"}));
    EXPECT_TRUE(table.is_sqlite());
    EXPECT_EQ(table.get_sqlite_filepath(), "/tmp/x.db");
    EXPECT_EQ(table.get_sqlite_tablename(), "t_7");

    table.add_row(make_row({"1", "2", "3"}));
    EXPECT_FALSE(table.is_sqlite());
    EXPECT_EQ(table.get_sqlite_filepath(), "");
    EXPECT_EQ(table.get_sqlite_tablename(), "");

    RDB_TABLE_OBJECT four("four");
    four.add_row(make_row({"SQLITE", "f", "n", "extra"}));
    EXPECT_FALSE(four.is_sqlite());
    RDB_TABLE_OBJECT lower("lower");
    lower.add_row(make_row({"sqlite", "f", "n"}));
    EXPECT_FALSE(lower.is_sqlite());
    RDB_TABLE_OBJECT null_row("null");
    add_null_row(null_row);
    EXPECT_INTERNAL_ERROR(null_row.is_sqlite(), "row");
}

TEST(RdbTable, JsonHoldsObjectKeysAndRowsOfCellTexts)
{
    RDB_TABLE_OBJECT table("t");
    table.set_header("head");
    fill(table, {"a"});
    table.add_row(make_row({"b"}));
    nlohmann::json object = nlohmann::json::object();
    table.fill_json_object(&object);
    EXPECT_EQ(object["name"], "t");
    EXPECT_EQ(object["header"], "head");
    EXPECT_TRUE(object.contains("footer"));
    const nlohmann::json expected = nlohmann::json::parse(R"([["Name","Value"],["a","va"],["b",""]])");
    EXPECT_EQ(object["rows"], expected);

    RDB_TABLE_OBJECT empty("e");
    nlohmann::json empty_object = nlohmann::json::object();
    empty.fill_json_object(&empty_object);
    EXPECT_EQ(empty_object["rows"], nlohmann::json::array());
    EXPECT_INTERNAL_ERROR(table.fill_json_object(nullptr), "object != NULL");
}

TEST(RdbNewTable, RowCountLeavesOutHeader)
{
    RDB_NEW_TABLE_OBJECT table("n");
    EXPECT_EQ(table.get_number_of_rows(), 0u);
    EXPECT_EQ(table.get_type(), RDB_TABLE_TYPE);
    fill(table, {"a", "b"});
    EXPECT_EQ(table.get_number_of_rows(), 2u);
    EXPECT_EQ(static_cast<RDB_TABLE_OBJECT&>(table).get_number_of_rows(), 3u);

    RDB_TABLE_ROW_PTR removed = table.remove_row();
    ASSERT_TRUE(removed);
    EXPECT_EQ((*removed)[0]->get_string(), "b");
    EXPECT_TRUE(table.remove_row());
    EXPECT_FALSE(table.remove_row());
    EXPECT_EQ(table.get_number_of_rows(), 0u);
    EXPECT_EQ(table.get_data_string(0, 0), "Name");
}

TEST(RdbNewTable, AddRowToTopGoesBelowHeader)
{
    RDB_NEW_TABLE_OBJECT table("n");
    table.add_row_to_top(make_row({"first"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"first"}));
    table.add_row_to_top(make_row({"second"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"first", "second"}));
    table.add_row_to_top(make_row({"third"}));
    EXPECT_EQ(column(table, 0), (STRINGS{"first", "third", "second"}));
    table.add_row_to_top(nullptr);
    EXPECT_EQ(table.get_number_of_rows(), 2u);
}

TEST(RdbSummaryTable, TypeVisitorAndGaugesOwnership)
{
    RDB_SUMMARY_TABLE_OBJECT summary("s");
    EXPECT_EQ(summary.get_type(), RDB_SUMMARY_TABLE_TYPE);
    EXPECT_EQ(static_cast<int>(summary.get_type()), 7);
    EXPECT_EQ(summary.get_gauges(), nullptr);

    int first_deleted = 0;
    int second_deleted = 0;
    {
        RDB_SUMMARY_TABLE_OBJECT owner("o");
        auto* first = new COUNTED_GAUGES(&first_deleted);
        owner.set_gauges(first);
        owner.set_gauges(first);
        EXPECT_EQ(first_deleted, 0);
        EXPECT_EQ(owner.get_gauges(), first);
        owner.set_gauges(new COUNTED_GAUGES(&second_deleted));
        EXPECT_EQ(first_deleted, 1);
        EXPECT_EQ(second_deleted, 0);
    }
    EXPECT_EQ(second_deleted, 1);
}

TEST(RdbLinkTable, KeepsLinkInfo)
{
    RDB_LINK_TABLE_OBJECT link("l");
    EXPECT_EQ(link.get_type(), RDB_LINK_TABLE_TYPE);
    link.set_link_info("other.rpt");
    EXPECT_EQ(link.get_link_info(), "other.rpt");
}

TEST(RdbTableKinds, VisitorOperationFollowsClass)
{
    RDB_TABLE_OBJECT table("t");
    RDB_NEW_TABLE_OBJECT new_table("n");
    RDB_SUMMARY_TABLE_OBJECT summary("s");
    RDB_LINK_TABLE_OBJECT link("l");
    RDB_GAUGES_OBJECT gauges("g", 0);
    const std::vector<std::pair<RDB_OBJECT*, std::string>> cases{
        {&table, "table"}, {&new_table, "new_table"}, {&summary, "summary_table"}, {&link, "link_table"},
        {&gauges, "gauges"}};
    for (const auto& [object, expected] : cases) {
        KIND_VISITOR visitor;
        object->accept_visitor(&visitor);
        EXPECT_EQ(visitor.seen, expected);
    }
}

TEST(RdbTableKinds, DownCastsAnswerOwnClassAndTable)
{
    RDB_TABLE_OBJECT table("t");
    RDB_NEW_TABLE_OBJECT new_table("n");
    RDB_SUMMARY_TABLE_OBJECT summary("s");
    RDB_LINK_TABLE_OBJECT link("l");
    const RDB_OBJECT* t = &table;
    const RDB_OBJECT* n = &new_table;
    const RDB_OBJECT* s = &summary;
    RDB_OBJECT* l = &link;

    EXPECT_EQ(t->dynamic_cast_to_RDB_TABLE_OBJECT(), &table);
    EXPECT_EQ(t->dynamic_cast_to_RDB_NEW_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_LINK_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_TCL_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_GAUGES_OBJECT(), nullptr);
    EXPECT_EQ(t->dynamic_cast_to_RDB_GRID_TABLE_OBJECT(), nullptr);

    EXPECT_EQ(n->dynamic_cast_to_RDB_TABLE_OBJECT(), &new_table);
    EXPECT_EQ(n->dynamic_cast_to_RDB_NEW_TABLE_OBJECT(), &new_table);
    EXPECT_EQ(n->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT(), nullptr);

    EXPECT_EQ(s->dynamic_cast_to_RDB_TABLE_OBJECT(), &summary);
    EXPECT_EQ(s->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT(), &summary);
    EXPECT_EQ(s->dynamic_cast_to_RDB_LINK_TABLE_OBJECT(), nullptr);

    EXPECT_EQ(l->dynamic_cast_to_RDB_TABLE_OBJECT(), &link);
    EXPECT_EQ(l->dynamic_cast_to_RDB_LINK_TABLE_OBJECT(), &link);
    EXPECT_EQ(l->dynamic_cast_to_RDB_NEW_TABLE_OBJECT(), nullptr);
    EXPECT_EQ(l->dynamic_cast_to_RDB_FOLDER_OBJECT(), nullptr);
    EXPECT_EQ(l->dynamic_cast_to_RDB_OBJECT(), &link);
}
