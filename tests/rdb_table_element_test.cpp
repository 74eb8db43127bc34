#include "rdb_table_element.h"

#include <climits>
#include <memory>
#include <typeinfo>

#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_sys.h"
#include "rdb_visitor.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

// A schema whose Tcl form is whatever text the test gives.
struct TEXT_SCHEMA : MSG_LOCATION_SCHEMA {
    explicit TEXT_SCHEMA(std::string tcl_text) : text(std::move(tcl_text)) {}
    void to_tcl_string(std::string& out) const override { out = text; }
    MSG_LOCATION_SCHEMA* clone() const override { return new TEXT_SCHEMA(*this); }
    std::string text;
};

// The instance names held by the cell's decoded schema, in order.
std::vector<std::string> decoded_instances(const RDB_TABLE_LOCATION_SCHEMA_ELEMENT& cell)
{
    std::unique_ptr<MSG_LOCATION_SCHEMA> schema(cell.get_location_schema());
    std::vector<std::string> names;
    if (auto* general = dynamic_cast<MSG_GEN_LOCATION_SCHEMA*>(schema.get()))
        for (size_t i = 0; i < general->size(); ++i)
            names.push_back(general->get_object(i)->get_location());
    return names;
}

RDB_TABLE_DATA_VALID_WINDOW_ELEMENT make_window(int window_min, int valid_min, int valid_max, int window_max)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window;
    window.set_window_min(window_min);
    window.set_valid_min(valid_min);
    window.set_valid_max(valid_max);
    window.set_window_max(window_max);
    return window;
}

// The enabled HTML bar with the given percentages of its four parts.
std::string html_bar(int invalid_low, int valid_low, int valid_high, int invalid_high)
{
    auto cell = [](int percent, const char* color) {
        return "<td style=\"width:" + std::to_string(percent) + "%;background-color:" + color + "\">&nbsp;</td>";
    };
    return "<table style=\"width:300px;border-spacing:0px\"><tr>" + cell(invalid_low, "#dd180f") +
           cell(valid_low, "#24dd0f") + "<td style=\"width:2px;background-color:black\">&nbsp;</td>" +
           cell(valid_high, "#24dd0f") + cell(invalid_high, "#dd180f") + "</tr></table>";
}

const std::string HTML_DISABLED = "<table style=\"width:300px;border-spacing:0px\"><tr>"
                                  "<td style=\"width:100%;background-color:#c0c0c0\">&nbsp;</td></tr></table>";
const std::string SVG_DISABLED =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" viewBox=\"-150 0 300 10\">"
    "<rect x=\"-150\" y=\"0\" width=\"300\" height=\"10\" style=\"fill:#c0c0c0\"/></svg>";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(RdbTableElement, HtmlFormIsTheEscapedText)
{
    EXPECT_EQ(RDB_TABLE_STRING_ELEMENT("a<b  c").get_html(), "a&lt;b&nbsp; c");
    EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(1, TABLE_DELAY_ELEMENT_NEGATIVE_HOLD).get_html(), "&lt;= 0 ns");
}

TEST(RdbTableElement, BlankCellTypedAccessorsAndTooltip)
{
    RDB_TABLE_ELEMENT blank;
    blank.set_string("ignored");
    EXPECT_EQ(blank.get_string(), "");
    EXPECT_INTERNAL_ERROR(blank.get_string_element_data(),
                          "Illegal call: RDB_TABLE_ELEMENT::get_string_element_data()");
    EXPECT_INTERNAL_ERROR(blank.set_string_element_data("x"),
                          "Illegal call: RDB_TABLE_ELEMENT::set_string_element_data");
    EXPECT_INTERNAL_ERROR(blank.get_int_element_data(), "Illegal call: RDB_TABLE_ELEMENT::get_int_element_data");
    EXPECT_INTERNAL_ERROR(blank.set_int_element_data(1), "Illegal call: RDB_TABLE_ELEMENT::set_int_element_data");
    // An empty tooltip is a tooltip.
    EXPECT_FALSE(blank.has_tooltip());
    blank.set_tooltip("");
    EXPECT_TRUE(blank.has_tooltip());
}

TEST(RdbTableStringElement, NullTextsAreRefusedAndKeepTheOldText)
{
    EXPECT_STREQ(RDB_TABLE_STRING_ELEMENT().get_c_string(), "");
    RDB_TABLE_STRING_ELEMENT cell("alpha");
    cell.set_string_element_data("beta");
    EXPECT_EQ(cell.get_string_element_data(), "beta");
    EXPECT_INTERNAL_ERROR(cell.set_string(static_cast<const char*>(nullptr)), "data != 0");
    EXPECT_EQ(cell.get_string(), "beta");
    EXPECT_INTERNAL_ERROR(RDB_TABLE_STRING_ELEMENT{static_cast<const char*>(nullptr)}, "data != 0");
    EXPECT_LE(sizeof(RDB_TABLE_STRING_ELEMENT), 32u); // tables hold millions of cells

    RDB_TABLE_TCL_CMD_ELEMENT tcl("open", "puts hello");
    EXPECT_INTERNAL_ERROR(tcl.set_tcl_cmd(static_cast<const char*>(nullptr)), "tcl_cmd != 0");
    EXPECT_EQ(tcl.get_tcl_cmd(), "puts hello");
}

TEST(RdbTableDelayElement, TextPerDisplayOption)
{
    EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(1234, TABLE_DELAY_ELEMENT_NORMAL_DELAY).get_string(), "1.234 ns");
    EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(4000, TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY).get_string(),
              "250.00 MHz ( period = 4.000 ns )");
    EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(1500, TABLE_DELAY_ELEMENT_NO_UNITS).get_string(), "1.5");
    const std::pair<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM, const char*> fixed[] = {
        {TABLE_DELAY_ELEMENT_NOT_OPERATIONAL, "Not operational: Clock Skew > Data Delay"},
        {TABLE_DELAY_ELEMENT_NEGATIVE_HOLD, "<= 0 ns"},
        {TABLE_DELAY_ELEMENT_NO_SLACK, "N/A"},
        {TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN, "Not operational: Hold Time > Input Delay"},
        {TABLE_DELAY_ELEMENT_NO_REQ, "None"},
    };
    for (const auto& [option, text] : fixed)
        EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(-5, option).get_string(), text);

    EXPECT_INTERNAL_ERROR(RDB_TABLE_DELAY_ELEMENT(1, TABLE_DELAY_ELEMENT_RESTRICTED_FMAX).get_string(),
                          "This TAN_TSU_OBJECT display option was obsoleted");
    EXPECT_INTERNAL_ERROR(RDB_TABLE_DELAY_ELEMENT(1, RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM(9)).get_html(),
                          "Incorrect TAN_TSU_OBJECT display option");
}

TEST(RdbTableDataValidWindowElement, HtmlSharesTruncateAndDoNotOverflow)
{
    EXPECT_EQ(make_window(-100, -40, 60, 200).get_html(), html_bar(20, 13, 20, 46));
    EXPECT_EQ(make_window(-3, -1, 1, 4).get_html(), html_bar(28, 14, 14, 42));
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT extreme = make_window(INT_MIN, -(1 << 30), 1 << 30, INT_MAX);
    EXPECT_EQ(extreme.get_html(), html_bar(25, 25, 25, 24));
    EXPECT_TRUE(contains(extreme.get_svg(), "viewBox=\"-2147483648 0 4294967295 10\">"));
}

TEST(RdbTableDataValidWindowElement, DisabledAndZeroWidthWindowsDrawTheDisabledForm)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(1, 2, 3, 4);
    window.set_disabled(false); // resets the bounds even when enabling
    EXPECT_EQ(window.get_string(), "-100 .. [-50 .. 50] .. 100");
    window.set_disabled(true);
    window.set_window_min(7); // out of order: the disabled forms do not look at the bounds
    EXPECT_EQ(window.get_string(), "-- disabled --");
    EXPECT_EQ(window.get_html(), HTML_DISABLED);
    EXPECT_EQ(window.get_svg(), SVG_DISABLED);

    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT blank;
    EXPECT_EQ(blank.get_string(), "0 .. [0 .. 0] .. 0");
    EXPECT_EQ(blank.get_html(), HTML_DISABLED);
    blank.set_is_scale(true);
    EXPECT_EQ(blank.get_svg(), SVG_DISABLED);
    EXPECT_EQ(make_window(5, 0, 0, -5).get_html(), HTML_DISABLED);
}

TEST(RdbTableDataValidWindowElement, SvgBarScaleAndOrderChecks)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(-100, -40, 60, 200);
    EXPECT_EQ(window.get_svg(), "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                                "viewBox=\"-100 0 300 10\">"
                                "<rect x=\"-100\" y=\"0\" width=\"60\" height=\"10\" style=\"fill:#dd180f\"/>"
                                "<rect x=\"-40\" y=\"0\" width=\"40\" height=\"10\" style=\"fill:#24dd0f\"/>"
                                "<rect x=\"0\" y=\"0\" width=\"60\" height=\"10\" style=\"fill:#24dd0f\"/>"
                                "<rect x=\"60\" y=\"0\" width=\"140\" height=\"10\" style=\"fill:#dd180f\"/>"
                                "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"10\" style=\"stroke:black;stroke-width:2\" "
                                "vector-effect=\"non-scaling-stroke\"/></svg>");
    window.set_is_scale(true);
    const std::string scale = window.get_svg();
    EXPECT_TRUE(contains(scale, "viewBox=\"-100 -10 300 13\">"));
    EXPECT_TRUE(contains(scale, "<text transform=\"translate(200,0) scale(1.000000,1)\" x=\"0\" y=\"-2\" "
                                "text-anchor=\"end\" style=\"font-family:Arial\">200</text>"));
    EXPECT_TRUE(contains(scale, "text-anchor=\"middle\" style=\"font-family:Arial\">-40</text>"));
    EXPECT_FALSE(contains(scale, "<rect"));

    EXPECT_INTERNAL_ERROR(make_window(-10, -20, 5, 10).get_svg(), "m_window_min <= m_valid_min");
    EXPECT_INTERNAL_ERROR(make_window(-10, 1, 5, 10).get_svg(), "m_valid_min <= 0");
    EXPECT_INTERNAL_ERROR(make_window(-10, -5, -1, 10).get_svg(), "0 <= m_valid_max");
    EXPECT_INTERNAL_ERROR(make_window(-10, -5, 11, 10).get_svg(), "m_valid_max <= m_window_max");
}

TEST(RdbTableLocationSchemaElement, StoresTclFormWithoutOuterBracesAndDecodesIt)
{
    MSG_GEN_LOCATION_SCHEMA schema;
    for (const char* name : {"top|u1|reg", "top|my inst|{odd}"}) {
        auto* instance = new MSG_GEN_LOC_INSTANCE;
        instance->set_instance_name(name);
        schema.add_object(instance);
    }
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT cell("reg", &schema);
    EXPECT_EQ(decoded_instances(cell), (std::vector<std::string>{"top|u1|reg", "top|my inst|{odd}"}));

    TEXT_SCHEMA nested("{{x y} z}");
    cell.set_location_schema(&nested);
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "{x y} z");
    cell.set_location_schema(nullptr);
    EXPECT_EQ(cell.get_location_schema(), nullptr);
    TEXT_SCHEMA empty_list("{}");
    cell.set_location_schema(&empty_list);
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "");
    cell.set_location_schema_tcl_string("instance {unbalanced");
    EXPECT_EQ(cell.get_location_schema(), nullptr);
}

TEST(RdbTableLocationSchemaElement, MalformedTclFormsAreInternalErrors)
{
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT cell;
    const char* const last = "i == location_schema_tcl_string.length() - 1";
    const std::pair<const char*, const char*> cases[] = {
        {"", "i == 0"}, {" {a}", "i == 0"}, {"{", last}, {"{a} b", last}};
    for (const auto& [text, condition] : cases) {
        SCOPED_TRACE(text);
        TEXT_SCHEMA schema(text);
        EXPECT_INTERNAL_ERROR(cell.set_location_schema(&schema), condition);
        EXPECT_INTERNAL_ERROR(RDB_TABLE_LOCATION_SCHEMA_ELEMENT("x", &schema), condition);
    }
}

TEST(RdbTableElement, ClonesAreDeepAndVisitAsTheirClass)
{
    TEXT_SCHEMA schema("{instance top|x}");
    auto window = make_window(-9, -3, 4, 8);
    window.set_is_scale(true);
    std::unique_ptr<RDB_TABLE_ELEMENT> originals[] = {
        std::make_unique<RDB_TABLE_ELEMENT>(),
        std::make_unique<RDB_TABLE_STRING_ELEMENT>("text"),
        std::make_unique<RDB_TABLE_TCL_CMD_ELEMENT>("cmd text", "puts 1"),
        std::make_unique<RDB_TABLE_INT_ELEMENT>(42),
        std::make_unique<RDB_TABLE_DELAY_ELEMENT>(77, TABLE_DELAY_ELEMENT_NORMAL_DELAY),
        std::make_unique<RDB_TABLE_DATA_VALID_WINDOW_ELEMENT>(window),
        std::make_unique<RDB_TABLE_LOCATION_SCHEMA_ELEMENT>("loc", &schema, "top|x"),
    };
    for (auto& original : originals) {
        RDB_TABLE_ELEMENT& o = *original;
        SCOPED_TRACE(typeid(o).name());
        o.set_background(RDB_COLOR_LIGHT_RED);
        o.set_tooltip("tip");
        std::unique_ptr<RDB_TABLE_ELEMENT> copy(o.clone());
        const std::string before = o.get_string();
        o.set_tooltip("changed");
        o.set_string("changed");
        EXPECT_EQ(typeid(*copy), typeid(o));
        EXPECT_EQ(copy->get_string(), before);
        EXPECT_EQ(copy->get_svg(), o.get_svg());
        EXPECT_EQ(copy->get_background(), RDB_COLOR_LIGHT_RED);
        EXPECT_EQ(copy->get_tooltip(), "tip");
    }

    auto& tcl = dynamic_cast<RDB_TABLE_TCL_CMD_ELEMENT&>(*originals[2]);
    std::unique_ptr<RDB_TABLE_ELEMENT> tcl_copy(tcl.clone());
    tcl.set_tcl_cmd("puts 2");
    EXPECT_EQ(dynamic_cast<RDB_TABLE_TCL_CMD_ELEMENT&>(*tcl_copy).get_tcl_cmd(), "puts 1");
}

namespace {

TEST(RdbTableStringElement, TextsOfEveryLengthKeepTheirNeighbours)
{
    const std::string texts[] = {"", "a", "eleven char", "twelve chars", "thirteen char", std::string(300, 'w')};
    for (const std::string& first : texts)
        for (const std::string& second : texts) {
            SCOPED_TRACE(first + " then " + second);
            RDB_TABLE_TCL_CMD_ELEMENT cell(first, "cmd");
            cell.set_foreground(RDB_COLOR_RED);
            cell.set_background(RDB_COLOR_LIGHT_RED);
            cell.set_tooltip(second);
            std::unique_ptr<RDB_TABLE_ELEMENT> copy(cell.clone());
            cell.set_string(second);
            cell.set_string(cell.get_c_string());
            EXPECT_EQ(std::string(cell.get_c_string()), second);
            EXPECT_EQ(copy->get_string(), first);
            const RDB_TABLE_ELEMENT* both[] = {copy.get(), &cell};
            for (const RDB_TABLE_ELEMENT* c : both) {
                EXPECT_EQ(c->get_foreground(), RDB_COLOR_RED);
                EXPECT_EQ(c->get_background(), RDB_COLOR_LIGHT_RED);
                EXPECT_EQ(c->get_tooltip(), second);
                EXPECT_EQ(static_cast<const RDB_TABLE_TCL_CMD_ELEMENT*>(c)->get_tcl_cmd(), "cmd");
            }
        }
}

TEST(RdbTableStringElement, NoTextStaysDistinctFromAnEmptyTextInTheStore)
{
    RDB_REPORT report;
    auto* table = new RDB_NEW_TABLE_OBJECT("T");
    report.get_main_folder()->add_object_to_list(table);
    table->add_row(new RDB_TABLE_ROW{new RDB_TABLE_STRING_ELEMENT(), new RDB_TABLE_STRING_ELEMENT("")});
    const std::string image = encode_report(report);
    table->get_row(0)->at(0)->set_string("");
    EXPECT_NE(encode_report(report), image);
    std::unique_ptr<RDB_REPORT> copy = decode_report(image);
    ASSERT_TRUE(copy);
    EXPECT_EQ(encode_report(*copy), image);
}

} // namespace
