// Grid tables and rule sets: saturating counters, entry aggregation, rule evaluation and cell texts,
// command templates, bounds and default entries, the text layout (golden files), and copies through
// the store and the XML form, damaged ones included.

#include <cstring>
#include <random>

#include <boost/numeric/conversion/cast.hpp>

#include "rdb_folder.h"
#include "rdb_grid_table.h"
#include "rdb_report.h"
#include "rdb_table_element.h"
#include "rdb_visitor.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

using RULESET = RDB_GRID_TABLE_RULESET;
using ENTRY = RDB_GRID_TABLE_MERGEABLE_ELEMENT;
using COUNTER = RDB_GRID_TABLE_SAFE_COUNTER;
using CMD = RDB_GRID_TABLE_CMD;

constexpr int NO_SLACK = 0x7FFFFFFF;

// Texts 0 "Paths: " (counter, hidden at 0), 1 "Slack: " (minimum time, hidden when none), 2 "Total: "
// (total time), 3 "Weak" and 4 "Strong" (flags; Strong only in category 2). Legends: category 0
// "Failing" when the slack is negative, else "Other"; category 2 "Unsafe". Commands 1 and 2 when
// there are paths; command 3 in category 2.
RULESET make_ruleset()
{
    RULESET rules;
    rules.set_time_unit(BIG_TIME::NS);
    EXPECT_EQ(rules.add_counter("Paths: ", "Number of paths", false, {}, COUNTER(0)), 0u);
    EXPECT_EQ(rules.add_min_time("Slack: ", "Worst slack", false, {}, NO_SLACK), 1u);
    EXPECT_EQ(rules.add_total_time("Total: ", "Total delay", true, {}, BIG_TIME(0)), 2u);
    EXPECT_EQ(rules.add_weak_flag("Weak", "All paths weak", {}), 3u);
    EXPECT_EQ(rules.add_strong_flag("Strong", "Some path strong", {2}), 4u);
    rules.add_legend_info("Failing", RDB_COLOR_LIGHT_RED, RDB_COLOR_BLACK, 0, {{{1, RULESET::LESS_THAN_ZERO}}});
    rules.add_legend_info("Other", RDB_COLOR_DEFAULT, RDB_COLOR_DEFAULT, 0, {});
    rules.add_legend_info("Unsafe", RDB_COLOR_ORANGE, RDB_COLOR_WHITE, 2, {});
    rules.add_command_info({1, 2}, {{{0, RULESET::GREATER_THAN_ZERO}}}, {});
    rules.add_command_info({3}, {}, {2});
    rules.add_command_info({}, {{}}, {9}); // an empty group is always met
    return rules;
}

ENTRY make_entry(int paths, int slack, std::int64_t total_ps, bool weak, bool strong, int category)
{
    ENTRY entry;
    entry.add_counter(COUNTER(paths));
    entry.add_min_time(slack);
    entry.add_total_time(BIG_TIME(total_ps));
    entry.add_weak_flag(weak);
    entry.add_strong_flag(strong);
    entry.set_category(category);
    return entry;
}

// A 2 x 3 grid with entries at (0, 0), (0, 2) and (1, 1), and commands on cells and headers.
std::unique_ptr<RDB_GRID_TABLE_OBJECT> make_grid()
{
    auto grid = std::make_unique<RDB_GRID_TABLE_OBJECT>("Transfers", "From", "To", make_ruleset(), "clocks");
    grid->add_row_header(new RDB_TABLE_STRING_ELEMENT("clk_a"));
    auto* second = new RDB_TABLE_STRING_ELEMENT("clk_b\n(gated)");
    second->set_foreground(RDB_COLOR_RED);
    second->set_tooltip("a gated clock");
    grid->add_row_header(second);
    grid->add_column_header(new RDB_TABLE_STRING_ELEMENT("clk_a"));
    grid->add_column_header(new RDB_TABLE_INT_ELEMENT(42));
    grid->add_column_header(new RDB_TABLE_STRING_ELEMENT("clk_c\n&\n<d>"));
    grid->add_header_cmd_template(new CMD("Clock", "Report the clock", "help", "report_clock {%VAL%}"));
    grid->add_cell_cmd_template(2, new CMD("Crossing", "", "", "report_crossing %ROW% %COL%"));
    grid->add_cell_cmd_template(1, new CMD("Timing", "tip", "", "report_timing -from %ROW% -to %COL%"));
    grid->set_grid_entry(0, 0, make_entry(1482, 412, 123456, true, false, 0));
    grid->set_grid_entry(0, 2, make_entry(12, -135, 0, false, true, 2));
    grid->set_grid_entry(1, 1, make_entry(COUNTER::MAX_VALUE, NO_SLACK, 5, true, true, 0));
    grid->set_header("Clock transfers of the slow corner");
    grid->set_footer("Slack in ns.");
    grid->use_monospace_font(true);
    return grid;
}

std::unique_ptr<RDB_REPORT> report_with(std::unique_ptr<RDB_GRID_TABLE_OBJECT> grid)
{
    auto report = std::make_unique<RDB_REPORT>();
    auto* folder = new RDB_FOLDER_OBJECT("Timing");
    report->get_main_folder()->add_object_to_list(folder);
    folder->add_object_to_list(grid.release());
    return report;
}

RDB_GRID_TABLE_OBJECT& grid_of(RDB_REPORT& report)
{
    return as<RDB_GRID_TABLE_OBJECT>(report.get_main_folder()->find_object("Timing||Transfers"));
}

// The image with 4 bytes at offset (from the first occurrence of marker) set to value.
std::string with_word(std::string image, std::uint32_t marker, std::ptrdiff_t offset, std::uint32_t value)
{
    const std::size_t at = image.find(std::string(reinterpret_cast<const char*>(&marker), 4));
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos)
        std::memcpy(&image[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + offset)], &value, 4);
    return image;
}

} // namespace

TEST(RdbGridSafeCounter, SaturatesAndPrintsItsLimit)
{
    COUNTER counter(2147483646);
    ++counter;
    ++counter;
    EXPECT_EQ(counter.to_string(), "> 2147483647");
    EXPECT_EQ(COUNTER(5).to_string(), "5");
    COUNTER sum(2000000000);
    sum += COUNTER(2000000000);
    EXPECT_EQ(sum.get_value(), 2147483647);
    EXPECT_INTERNAL_ERROR(COUNTER(-1), "m_value >= 0");
}

TEST(RdbGridEntry, AggregateMergesSlotWise)
{
    ENTRY entry = make_entry(2000000000, 7, 100, true, false, 2);
    entry.aggregate(make_entry(2000000000, -3, 23, false, true, 1));
    EXPECT_EQ(entry, make_entry(COUNTER::MAX_VALUE, -3, 123, false, true, 1));
    ENTRY weak = make_entry(1, 1, 1, true, false, 0);
    weak.aggregate(make_entry(1, 1, 1, true, false, 0));
    EXPECT_TRUE(weak.get_weak_flags().get(0));
    EXPECT_FALSE(weak.get_strong_flags().get(0));

    ENTRY shorter;
    EXPECT_INTERNAL_ERROR(entry.aggregate(shorter), "m_counters.size() == other.m_counters.size()");
    shorter.add_counter(COUNTER(1));
    EXPECT_INTERNAL_ERROR(entry.aggregate(shorter), "m_min_times.size() == other.m_min_times.size()");
    shorter.add_min_time(1);
    EXPECT_INTERNAL_ERROR(entry.aggregate(shorter), "m_total_times.size() == other.m_total_times.size()");

    // An entry aggregated with one that has fewer flags (here none) reads the missing flags as clear.
    shorter.add_total_time(BIG_TIME(1));
    ENTRY flagged = make_entry(1, 1, 1, true, true, 0);
    flagged.add_weak_flag(true);
    flagged.aggregate(shorter);
    EXPECT_FALSE(flagged.get_weak_flags().get(0));
    EXPECT_FALSE(flagged.get_weak_flags().get(1));
    EXPECT_TRUE(flagged.get_strong_flags().get(0));
    EXPECT_EQ(flagged.get_weak_flags().size(), 2u);

    // Flag sequences grow past a word and keep every bit.
    ENTRY many;
    for (int i = 0; i < 100; ++i)
        many.add_weak_flag(i % 3 == 0);
    ASSERT_EQ(many.get_weak_flags().size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(many.get_weak_flags().get(i), i % 3 == 0) << i;
}

TEST(RdbGridRuleset, RulesChooseLegendsAndCommands)
{
    const RULESET rules = make_ruleset();
    EXPECT_EQ(rules.get_legend_id(make_entry(3, -1, 0, false, false, 0)), 0u);
    EXPECT_EQ(rules.get_legend_id(make_entry(3, 0, 0, false, false, 0)), 1u);
    EXPECT_EQ(rules.get_legend_id(make_entry(3, -1, 0, false, false, 2)), 2u);
    EXPECT_INTERNAL_ERROR(rules.get_legend_id(make_entry(3, 0, 0, false, false, 1)), "No matching legend type");

    EXPECT_EQ(rules.get_command_ids(make_entry(3, 0, 0, false, false, 2)), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(rules.get_command_ids(make_entry(0, 0, 0, false, false, 2)), (std::vector<int>{3}));
    EXPECT_EQ(rules.get_command_ids(make_entry(3, 0, 0, false, false, 3)), (std::vector<int>{1, 2}));

    // Two groups: the first not met, the second met; then neither.
    RULESET groups = make_ruleset();
    groups.set_appear_rules(3, {{{0, RULESET::EQUAL_ZERO}}, {{2, RULESET::AT_LEAST_ZERO}, {4, RULESET::NOT_ZERO}}});
    EXPECT_EQ(groups.get_full_string(make_entry(1, NO_SLACK, 5, true, true, 0)), "Paths: 1\nTotal: 0.005\nWeak");
    EXPECT_EQ(groups.get_full_string(make_entry(1, NO_SLACK, 5, true, false, 0)), "Paths: 1\nTotal: 0.005");
    // Every comparison type on every kind of slot: the text, the type, the slot's value, whether it is met.
    struct CASE {
        std::uint32_t text;
        RULESET::COMPARE_TYPE type;
        int value;
        bool met;
    };
    const CASE cases[] = {
        {0, RULESET::EQUAL_ZERO, 0, true},         {0, RULESET::NOT_ZERO, 0, false},
        {1, RULESET::LESS_THAN_ZERO, -1, true},    {1, RULESET::AT_MOST_ZERO, 0, true},
        {1, RULESET::GREATER_THAN_ZERO, 0, false}, {2, RULESET::AT_LEAST_ZERO, -4, false},
        {2, RULESET::GREATER_THAN_ZERO, 4, true},  {3, RULESET::EQUAL_ZERO, 0, true},
        {3, RULESET::AT_LEAST_ZERO, 0, false},     {3, RULESET::LESS_THAN_ZERO, 0, true},
        {3, RULESET::GREATER_THAN_ZERO, 1, true},  {4, RULESET::NOT_ZERO, 1, true},
        {4, RULESET::AT_MOST_ZERO, 1, false},
    };
    for (const CASE& c : cases) {
        RULESET legends = make_ruleset();
        legends.add_legend_info("first", RDB_COLOR_RED, RDB_COLOR_RED, 7, {{{c.text, c.type}}});
        legends.add_legend_info("second", RDB_COLOR_RED, RDB_COLOR_RED, 7, {});
        const int v = c.value;
        const ENTRY entry = make_entry(c.text == 0 ? v : 0, c.text == 1 ? v : 0, c.text == 2 ? v : 0, c.text == 3 && v,
                                       c.text == 4 && v, 7);
        EXPECT_EQ(legends.get_legend_id(entry), c.met ? 3u : 4u) << c.text << " " << c.type;
    }
}

TEST(RdbGridRuleset, DefaultEntryNamesAndCellTexts)
{
    RULESET rules = make_ruleset();
    EXPECT_EQ(rules.get_default_entry(), make_entry(0, NO_SLACK, 0, false, false, 0));
    EXPECT_EQ(rules.get_texts().at(4).index, 0u);
    EXPECT_EQ(rules.get_name(1) + rules.get_full_name(3), "Slack: All paths weak");
    EXPECT_INTERNAL_ERROR(rules.get_name(5), "text_id < m_texts.size()");
    EXPECT_INTERNAL_ERROR(rules.set_appear_rules(9, {}), "text_id < m_texts.size()");
    // Counter and slack at their defaults are hidden; the total time is shown at its default.
    EXPECT_EQ(rules.get_full_string(rules.get_default_entry()), "Total: 0.000");
    EXPECT_EQ(rules.get_full_string(make_entry(1, 412, 1500, true, true, 2)),
              "Paths: 1\nSlack: 0.412\nTotal: 1.500\nWeak\nStrong");
    EXPECT_EQ(rules.get_full_string(make_entry(1, 412, 1500, true, true, 0)),
              "Paths: 1\nSlack: 0.412\nTotal: 1.500\nWeak");
    EXPECT_EQ(rules.get_tooltip(
                  make_entry(COUNTER::MAX_VALUE, -2147483647, BIG_TIME::illegal().get_picoseconds(), false, false, 0)),
              "Paths: > 2147483647\nSlack: N/A\nTotal: N/A");
    EXPECT_EQ(rules.get_string(make_entry(5, 1, 1, true, true, 2), std::vector<bool>(5, false)), "");
    EXPECT_EQ(rules.get_string(make_entry(5, 1, 1, true, true, 2), {false, false, false, true, false}), "Weak");
    EXPECT_INTERNAL_ERROR(rules.get_string(rules.get_default_entry(), {true}), "active_texts.size() == m_texts.size()");
    rules.set_default_category(2);
    EXPECT_EQ(rules.get_default_entry().get_category(), 2);

    RULESET shown;
    shown.add_counter("Count: ", "", true, {}, COUNTER(0));
    shown.add_counter("Hidden: ", "", false, {}, COUNTER(2));
    shown.add_min_time("Min: ", "", true, {}, 0);
    EXPECT_EQ(shown.get_full_string(shown.get_default_entry()), "Count: 0\nMin: 0.000");
    ENTRY above;
    above.add_counter(COUNTER(0));
    above.add_counter(COUNTER(3));
    above.add_min_time(NO_SLACK);
    EXPECT_EQ(shown.get_full_string(above), "Count: 0\nHidden: 3\nMin: N/A");
    // A name ending in a line feed still leaves no line feed at the end.
    RULESET trailing;
    trailing.add_weak_flag("flag\n", "", {});
    ENTRY flagged;
    flagged.add_weak_flag(true);
    EXPECT_EQ(trailing.get_full_string(flagged), "flag");
}

// An entry stored with fewer slots than the rule set declares reads defaults for the missing ones.
TEST(RdbGridShortEntries, MissingSlotsReadDefaultsAndUnknownTextsAreInternalErrors)
{
    const RULESET rules = make_ruleset();
    ENTRY empty;
    empty.set_category(2);
    EXPECT_EQ(rules.get_full_string(empty), "Total: 0.000");
    EXPECT_EQ(rules.get_legend_id(ENTRY()), 1u);
    EXPECT_EQ(rules.get_command_ids(empty), (std::vector<int>{3}));

    RULESET unknown = make_ruleset();
    unknown.add_command_info({9}, {{{17, RULESET::EQUAL_ZERO}}}, {});
    EXPECT_INTERNAL_ERROR(unknown.get_command_ids(empty), "rule.index < m_texts.size()");
}

TEST(RdbGridCmd, BuildsCommandsFromTemplates)
{
    EXPECT_EQ(CMD::build_cell_cmd("a %ROW% b %ROW% c %COL%%NO_REC%", "r1", "c1"), "a r1 b r1 c c1");
    EXPECT_EQ(CMD::build_cell_cmd("x %ROW% %COL%", "%ROW%", "%COL%%ROW%"), "x %ROW% %COL%%ROW%");
    EXPECT_EQ(CMD::build_cell_cmd("%ROW_ONLY%%ROW%", "r", "c"), "%ROW_ONLY%r");
    EXPECT_EQ(CMD::build_header_cmd("show %VAL% %VAL%%ROW_ONLY%%COL_ONLY% %NO_REC%", "%VAL%"), "show %VAL% %VAL% ");
    EXPECT_FALSE(CMD::does_command_belong_to_header("x %ROW_ONLY%", false));
    EXPECT_TRUE(CMD::does_command_belong_to_header("x %ROW_ONLY%", true));
    EXPECT_FALSE(CMD::does_command_belong_to_header("%COL_ONLY%", true));
    EXPECT_TRUE(CMD::does_command_belong_to_header("short", true));
    EXPECT_FALSE(CMD::does_command_use_header_children("a %NO_REC%"));
    EXPECT_TRUE(CMD::does_command_use_header_children("NO_REC"));
}

TEST(RdbGridTable, BoundsHeadersAndDefaultEntries)
{
    std::unique_ptr<RDB_GRID_TABLE_OBJECT> grid = make_grid();
    EXPECT_INTERNAL_ERROR(grid->get_row_header(2), "row < m_row_headers.size()");
    EXPECT_INTERNAL_ERROR(grid->get_column_header(3), "column < m_column_headers.size()");
    EXPECT_INTERNAL_ERROR(grid->add_row_header(nullptr), "row != nullptr");
    EXPECT_INTERNAL_ERROR(grid->add_column_header(nullptr), "column != nullptr");
    EXPECT_INTERNAL_ERROR(grid->add_cell_cmd_template(5, nullptr), "cmd != nullptr");

    EXPECT_EQ(grid->get_grid_entry(0, 1), &grid->get_cached_default_entry());
    // Either index in range suffices; beyond both there is no entry.
    EXPECT_TRUE(grid->is_index_in_bounds(1, 7) && grid->is_index_in_bounds(9, 2));
    EXPECT_EQ(grid->get_grid_entry(5, 1), &grid->get_cached_default_entry());
    EXPECT_EQ(grid->get_grid_entry(2, 3), nullptr);
    EXPECT_INTERNAL_ERROR(grid->set_grid_entry(2, 3, ENTRY()), "is_index_in_bounds(row, column)");
    grid->set_grid_entry(0, 0, make_entry(1, 1, 1, false, false, 0));
    EXPECT_EQ(grid->get_grid_entry(0, 0)->get_counters().at(0).get_value(), 1);
    EXPECT_EQ(grid->get_grid_entries().size(), 3u);
    EXPECT_EQ(RDB_GRID_TABLE_OBJECT::make_index(4294967295u, 3), RDB_GRID_TABLE_OBJECT::INDEX(4294967295u, 3));
    EXPECT_THROW(RDB_GRID_TABLE_OBJECT::make_index(4294967296u, 0), boost::numeric::positive_overflow);
    EXPECT_THROW(grid->get_grid_entry(0, 4294967296u), boost::numeric::positive_overflow);

    EXPECT_EQ(grid->get_cell_cmd_templates_for_cell(0, 0), (std::vector<int>{1, 2}));
    EXPECT_EQ(grid->get_cell_cmd_templates_for_cell(0, 2), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(grid->get_cell_cmd_templates_for_cell(0, 1), std::vector<int>{});
    EXPECT_EQ(grid->get_cell_cmd_templates_for_cell(7, 7), std::vector<int>{});
    EXPECT_EQ(grid->get_cell_cmd_template(4), nullptr);

    // A command offered under an id already present is released (the sanitizer build reports a leak
    // otherwise); the same command offered twice stays alive.
    const RDB_GRID_TABLE_CMD* first = grid->get_cell_cmd_template(1);
    grid->add_cell_cmd_template(1, new CMD("Second", "", "", "second"));
    EXPECT_EQ(grid->get_cell_cmd_template(1), first);
    auto* kept = new CMD("Kept", "", "", "kept");
    grid->add_cell_cmd_template(7, kept);
    grid->add_cell_cmd_template(7, kept);
    EXPECT_EQ(grid->get_cell_cmd_template(7)->get_cmd_template(), "kept");
    EXPECT_EQ(grid->get_cell_cmds().size(), 3u);
}

TEST(RdbGridTableAscii, LayoutMatchesGoldenFiles)
{
    expect_golden("ascii/grid_table.txt", ascii_of(*make_grid()));
    // A title wider than the grid widens the last column; a tall heading puts the arrow at its foot;
    // a grid without columns has no box.
    RDB_GRID_TABLE_OBJECT wide("A grid whose title is wider than all its columns", "r", "c", make_ruleset(), "");
    wide.add_row_header(new RDB_TABLE_STRING_ELEMENT("x"));
    wide.add_column_header(new RDB_TABLE_STRING_ELEMENT("y\n1\n2\n3"));
    expect_golden("ascii/grid_table_wide_title.txt", ascii_of(wide));
    RDB_GRID_TABLE_OBJECT empty("Empty", "r", "c", make_ruleset(), "");
    empty.add_row_header(new RDB_TABLE_STRING_ELEMENT("x"));
    empty.set_footer("foot");
    EXPECT_EQ(ascii_of(empty), "Empty: nothing to report\nfoot\n");
}

// The grid's own fields at their edges (a saturated counter, a missing slack, an integer header, a
// coloured header with a tooltip, rules of every kind) and its traits come back from both forms: each copy
// writes the other form's bytes.
TEST(RdbGridSerialize, CopiesThroughTheStoreAndXmlKeepTheGrid)
{
    std::unique_ptr<RDB_REPORT> report = report_with(make_grid());
    grid_of(*report).set_int_trait("rdb_grid_trait", 5);
    const REPORT_COPIES copies = copies_of(*report);
    ASSERT_TRUE(copies.stored && copies.read);
    EXPECT_EQ(grid_of(*copies.read).get_grid_entries(), grid_of(*report).get_grid_entries());
}

// A damaged file fails the load, whatever the damage: cuts, byte flips, and values that the grid's
// operations would answer with an internal error.
TEST(RdbGridSerialize, DamagedGridsFailTheLoad)
{
    RULESET rules = make_ruleset();
    rules.add_command_info({0x5A5A5A5A}, {{{0, RULESET::EQUAL_ZERO}}}, {});
    auto marked = std::make_unique<RDB_GRID_TABLE_OBJECT>("Transfers", "From", "To", rules, "");
    marked->add_row_header(new RDB_TABLE_STRING_ELEMENT("r"));
    marked->add_column_header(new RDB_TABLE_STRING_ELEMENT("c"));
    marked->set_grid_entry(0, 0, make_entry(0x01020304, 0, 0, false, false, 0));
    std::unique_ptr<RDB_REPORT> report = report_with(std::move(marked));
    const std::string image = encode_report(*report);
    ASSERT_TRUE(decode_report(image));

    // The rule after the command id (group count, rule count, then its text).
    EXPECT_THAT(refusal(with_word(image, 0x5A5A5A5A, 12, 99)), testing::HasSubstr("naming a text that does not exist"));
    EXPECT_THAT(refusal(with_word(image, 0x5A5A5A5A, 16, 6)), testing::HasSubstr("out of range"));
    // The entry's position precedes its counter count and first counter.
    EXPECT_THAT(refusal(with_word(with_word(image, 0x01020304, -12, 5), 0x01020304, -8, 5)),
                testing::HasSubstr("outside the headers"));
    EXPECT_THAT(refusal(with_word(image, 0x01020304, 0, 0x80000000u)), testing::HasSubstr("negative counter"));
    // A flag count without its texts (whose default entry would hold billions of flags): after the
    // minimum-time default come the total-time count and the weak-flag count.
    RULESET timed;
    timed.add_min_time("t", "t", true, {}, 0x7A7A7A7A);
    const std::string timed_image =
        encode_report(*report_with(std::make_unique<RDB_GRID_TABLE_OBJECT>("Timed", "r", "c", timed, "")));
    ASSERT_TRUE(decode_report(timed_image));
    EXPECT_THAT(refusal(with_word(timed_image, 0x7A7A7A7A, 8, 0xFFFFFFF0u)),
                testing::HasSubstr("slots without a text"));

    for (std::size_t size = PDB_HEADER_SIZE; size < image.size(); size += 3)
        EXPECT_FALSE(decode_report(image.substr(0, size)));
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string flipped = image;
        const std::size_t at = PDB_HEADER_SIZE + random() % (image.size() - PDB_HEADER_SIZE);
        flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 + random() % 255));
        if (std::unique_ptr<RDB_REPORT> copy = decode_report(flipped))
            if (RDB_OBJECT* loaded = copy->get_main_folder()->find_object("Timing||Transfers"))
                ascii_of(*loaded); // a sound grid prints
    }
}

TEST(RdbGridXml, DamagedDocumentsFailTheRead)
{
    const std::string xml = xml_of(*report_with(make_grid()));
    // Values the grid would answer with an internal error.
    for (const auto& [from, to] : std::initializer_list<std::pair<const char*, const char*>>{
             {"<entry row=\"1\" column=\"1\"", "<entry row=\"9\" column=\"9\""},
             {"<rule text=\"1\"", "<rule text=\"5\""},
             {"compare=\"1\"", "compare=\"6\""},
             {"<counter>1482</counter>", "<counter>-1</counter>"},
             {"background=\"2\"", "background=\"74\""}})
        EXPECT_FALSE(report_from_xml(patched(xml, from, to))) << to;
    // Documents cut anywhere inside the grid table give no report (and leave nothing behind).
    for (std::size_t size = xml.find("<grid_table"); size < xml.find("</grid_table>"); size += 7)
        EXPECT_FALSE(report_from_xml(xml.substr(0, size))) << size;
}
