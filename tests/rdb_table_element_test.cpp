#include "rdb_table_element.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_visitor.h"
#include "test_support.h"
#include "time/big_time.h"

namespace {

// A schema whose Tcl form is whatever text the test gives.
class TEXT_SCHEMA : public MSG_LOCATION_SCHEMA {
public:
    explicit TEXT_SCHEMA(std::string text) : m_text(std::move(text)) {}
    void to_tcl_string(std::string& out) const override { out = m_text; }
    MSG_LOCATION_SCHEMA* clone() const override { return new TEXT_SCHEMA(*this); }

private:
    std::string m_text;
};

// Names the one visitor operation that was called.
class RECORDING_VISITOR : public RDB_OBJECT_VISITOR {
public:
    std::vector<std::string> calls;
    void* last = nullptr;
    void visit_table_element(RDB_TABLE_ELEMENT* e) override { record("element", e); }
    void visit_table_string_element(RDB_TABLE_STRING_ELEMENT* e) override { record("string", e); }
    void visit_table_tcl_cmd_element(RDB_TABLE_TCL_CMD_ELEMENT* e) override { record("tcl_cmd", e); }
    void visit_table_delay_element(RDB_TABLE_DELAY_ELEMENT* e) override { record("delay", e); }
    void visit_table_int_element(RDB_TABLE_INT_ELEMENT* e) override { record("int", e); }
    void visit_table_data_valid_window_element(RDB_TABLE_DATA_VALID_WINDOW_ELEMENT* e) override
    {
        record("data_valid_window", e);
    }
    void visit_table_location_schema_element(RDB_TABLE_LOCATION_SCHEMA_ELEMENT* e) override
    {
        record("location_schema", e);
    }

private:
    void record(const char* name, void* element)
    {
        calls.emplace_back(name);
        last = element;
    }
};

// The instance names held by a decoded schema, in order.
std::vector<std::string> decoded_instances(const RDB_TABLE_LOCATION_SCHEMA_ELEMENT& cell)
{
    std::unique_ptr<MSG_LOCATION_SCHEMA> schema(cell.get_location_schema());
    std::vector<std::string> names;
    auto* general = dynamic_cast<MSG_GEN_LOCATION_SCHEMA*>(schema.get());
    if (general == nullptr) return names;
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

std::string html_cell(int percent, const char* color)
{
    return "<td style=\"width:" + std::to_string(percent) + "%;background-color:" + color + "\">&nbsp;</td>";
}

const std::string HTML_OPEN = "<table style=\"width:300px;border-spacing:0px\"><tr>";
const std::string HTML_MARKER = "<td style=\"width:2px;background-color:black\">&nbsp;</td>";
const std::string HTML_DISABLED =
    HTML_OPEN + "<td style=\"width:100%;background-color:#c0c0c0\">&nbsp;</td></tr></table>";
const std::string SVG_DISABLED =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" viewBox=\"-150 0 300 10\">"
    "<rect x=\"-150\" y=\"0\" width=\"300\" height=\"10\" style=\"fill:#c0c0c0\"/></svg>";

void delete_row(RDB_TABLE_ROW* row)
{
    for (RDB_TABLE_ELEMENT* e : *row)
        delete e;
    delete row;
}

} // namespace

TEST(RdbTextToHtml, SpacesFollowTheLineRules)
{
    EXPECT_EQ(rdb_text_to_html("", false), "&nbsp;");
    EXPECT_EQ(rdb_text_to_html("", true), "&nbsp;");
    EXPECT_EQ(rdb_text_to_html("abc", false), "abc");
    EXPECT_EQ(rdb_text_to_html("  ab", false), "&nbsp;&nbsp;ab");
    EXPECT_EQ(rdb_text_to_html("a b", false), "a b");
    EXPECT_EQ(rdb_text_to_html("a  b", false), "a&nbsp; b");
    EXPECT_EQ(rdb_text_to_html("a   b", false), "a&nbsp;&nbsp; b");
    EXPECT_EQ(rdb_text_to_html(" a  b c", false), "&nbsp;a&nbsp; b c");
    // A single trailing blank is an ordinary single blank; a longer trailing run goes.
    EXPECT_EQ(rdb_text_to_html("ab ", false), "ab ");
    EXPECT_EQ(rdb_text_to_html("ab   ", false), "ab");
    // A line of blanks only is all leading blanks.
    EXPECT_EQ(rdb_text_to_html("   ", false), "&nbsp;&nbsp;&nbsp;");
    EXPECT_EQ(rdb_text_to_html("\tx", false), "\tx");
}

TEST(RdbTextToHtml, LinesAndEmptyLines)
{
    EXPECT_EQ(rdb_text_to_html("a\nb", false), "a<br>\nb");
    EXPECT_EQ(rdb_text_to_html("a  \n  b", false), "a<br>\n&nbsp;&nbsp;b");
    // An empty line in the middle.
    EXPECT_EQ(rdb_text_to_html("a\n\nb", false), "a<br>\nb");
    EXPECT_EQ(rdb_text_to_html("a\n\nb", true), "a<br>\n<br>\nb");
    // A trailing newline leaves an empty last line.
    EXPECT_EQ(rdb_text_to_html("a\n", false), "a<br>\n");
    EXPECT_EQ(rdb_text_to_html("a\n", true), "a<br>\n<br>\n");
    EXPECT_EQ(rdb_text_to_html("\na", false), "a");
    EXPECT_EQ(rdb_text_to_html("\na", true), "<br>\na");
    EXPECT_EQ(rdb_text_to_html("\n", false), "");
    EXPECT_EQ(rdb_text_to_html("\n", true), "<br>\n<br>\n");
}

TEST(RdbTextToHtml, MarkupCharactersAreEscaped)
{
    EXPECT_EQ(rdb_text_to_html("<b>x</b> & \"y\"", false), "&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;");
    EXPECT_EQ(rdb_text_to_html("&nbsp;", false), "&amp;nbsp;");
    EXPECT_EQ(rdb_text_to_html(" <a  >", false), "&nbsp;&lt;a&nbsp; &gt;");
    EXPECT_EQ(rdb_text_to_html("a &   ", false), "a &amp;");
    EXPECT_EQ(rdb_text_to_html("top|<script>alert(1)</script>", false), "top|&lt;script&gt;alert(1)&lt;/script&gt;");
    RDB_TABLE_STRING_ELEMENT cell("a<b  c");
    EXPECT_EQ(cell.get_html(), "a&lt;b&nbsp; c");
    EXPECT_EQ(cell.get_string(), "a<b  c");
}

TEST(RdbTableElement, BlankCellAndTypedAccessors)
{
    RDB_TABLE_ELEMENT blank;
    EXPECT_EQ(blank.get_string(), "");
    EXPECT_EQ(blank.get_html(), "&nbsp;");
    EXPECT_EQ(blank.get_svg(), "");
    EXPECT_EQ(blank.get_foreground(), RDB_COLOR_DEFAULT);
    EXPECT_EQ(blank.get_background(), RDB_COLOR_DEFAULT);
    blank.set_string("ignored");
    EXPECT_EQ(blank.get_string(), "");

    EXPECT_INTERNAL_ERROR(blank.get_string_element_data(),
                          "Illegal call: RDB_TABLE_ELEMENT::get_string_element_data()");
    EXPECT_INTERNAL_ERROR(blank.set_string_element_data("x"),
                          "Illegal call: RDB_TABLE_ELEMENT::set_string_element_data");
    EXPECT_INTERNAL_ERROR(blank.get_int_element_data(), "Illegal call: RDB_TABLE_ELEMENT::get_int_element_data");
    EXPECT_INTERNAL_ERROR(blank.set_int_element_data(1), "Illegal call: RDB_TABLE_ELEMENT::set_int_element_data");

    RDB_TABLE_STRING_ELEMENT text("x");
    EXPECT_INTERNAL_ERROR(text.get_int_element_data(), "Illegal call: RDB_TABLE_ELEMENT::get_int_element_data");
    EXPECT_INTERNAL_ERROR(text.set_int_element_data(1), "Illegal call: RDB_TABLE_ELEMENT::set_int_element_data");
    RDB_TABLE_DELAY_ELEMENT delay(10, TABLE_DELAY_ELEMENT_NO_SLACK);
    EXPECT_INTERNAL_ERROR(delay.get_string_element_data(),
                          "Illegal call: RDB_TABLE_ELEMENT::get_string_element_data()");
    EXPECT_INTERNAL_ERROR(delay.get_int_element_data(), "Illegal call: RDB_TABLE_ELEMENT::get_int_element_data");
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window;
    EXPECT_INTERNAL_ERROR(window.set_string_element_data("x"),
                          "Illegal call: RDB_TABLE_ELEMENT::set_string_element_data");
}

TEST(RdbTableElement, TooltipEmptyIsNotNone)
{
    RDB_TABLE_INT_ELEMENT cell(3);
    EXPECT_FALSE(cell.has_tooltip());
    EXPECT_EQ(cell.get_tooltip(), "");
    cell.set_tooltip("");
    EXPECT_TRUE(cell.has_tooltip());
    EXPECT_EQ(cell.get_tooltip(), "");
    cell.set_tooltip("first");
    cell.set_tooltip("second tip");
    EXPECT_EQ(cell.get_tooltip(), "second tip");
}

TEST(RdbTableStringElement, TextAndNullTexts)
{
    RDB_TABLE_STRING_ELEMENT unset;
    EXPECT_EQ(unset.get_string(), "");
    EXPECT_EQ(unset.get_html(), "&nbsp;");
    EXPECT_STREQ(unset.get_c_string(), "");

    RDB_TABLE_STRING_ELEMENT empty(std::string{});
    EXPECT_EQ(empty.get_string(), "");
    EXPECT_EQ(empty.get_html(), "&nbsp;");

    RDB_TABLE_STRING_ELEMENT cell("alpha");
    EXPECT_EQ(cell.get_string_element_data(), "alpha");
    cell.set_string_element_data("beta");
    EXPECT_EQ(cell.get_string(), "beta");
    cell.set_string(std::string("gamma  delta"));
    EXPECT_STREQ(cell.get_c_string(), "gamma  delta");
    EXPECT_EQ(cell.get_html(), "gamma&nbsp; delta");
    EXPECT_EQ(cell.dynamic_cast_to_RDB_TABLE_STRING_ELEMENT(), &cell);
    EXPECT_EQ(cell.dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT(), nullptr);

    EXPECT_INTERNAL_ERROR(cell.set_string(static_cast<const char*>(nullptr)), "data != 0");
    EXPECT_EQ(cell.get_string(), "gamma  delta");
    EXPECT_INTERNAL_ERROR(RDB_TABLE_STRING_ELEMENT{static_cast<const char*>(nullptr)}, "data != 0");
    EXPECT_LE(sizeof(RDB_TABLE_STRING_ELEMENT), 32u);
}

TEST(RdbTableTclCmdElement, CommandIsOptionalAndOwned)
{
    RDB_TABLE_TCL_CMD_ELEMENT none;
    EXPECT_EQ(none.get_tcl_cmd(), "");
    EXPECT_EQ(none.get_string(), "");

    RDB_TABLE_TCL_CMD_ELEMENT cell("open", "puts hello");
    EXPECT_EQ(cell.get_string(), "open");
    EXPECT_EQ(cell.get_tcl_cmd(), "puts hello");
    cell.set_tcl_cmd(std::string("puts bye"));
    EXPECT_EQ(cell.get_tcl_cmd(), "puts bye");
    EXPECT_INTERNAL_ERROR(cell.set_tcl_cmd(static_cast<const char*>(nullptr)), "tcl_cmd != 0");
    EXPECT_EQ(cell.get_tcl_cmd(), "puts bye");
}

TEST(RdbTableIntElement, ValueAndText)
{
    RDB_TABLE_INT_ELEMENT cell(-7);
    EXPECT_EQ(cell.get_string(), "-7");
    EXPECT_EQ(cell.get_html(), "-7");
    EXPECT_EQ(cell.get_int_element_data(), -7);
    EXPECT_INTERNAL_ERROR(cell.get_string_element_data(), "Illegal call: RDB_TABLE_ELEMENT::get_string_element_data()");
    cell.set_int_element_data(INT_MIN);
    EXPECT_EQ(cell.get_data(), INT_MIN);
    EXPECT_EQ(cell.get_string(), "-2147483648");
    EXPECT_EQ(RDB_TABLE_INT_ELEMENT().get_string(), "0");
}

TEST(RdbTableDelayElement, TextPerDisplayOption)
{
    RDB_TABLE_DELAY_ELEMENT cell(1234, TABLE_DELAY_ELEMENT_NORMAL_DELAY);
    EXPECT_EQ(cell.get_string(), "1.234 ns");
    EXPECT_EQ(cell.get_html(), "1.234 ns");

    cell.set_delay(4000);
    cell.set_display_option(TABLE_DELAY_ELEMENT_NORMAL_FREQUENCY);
    EXPECT_EQ(cell.get_string(), "250.00 MHz ( period = 4.000 ns )");

    cell.set_delay(1500);
    cell.set_display_option(TABLE_DELAY_ELEMENT_NO_UNITS);
    BIG_TIME time(1500);
    EXPECT_EQ(cell.get_string(), time.to_string_without_unit(BIG_TIME::AUTO, 2, true));
    EXPECT_EQ(cell.get_string().find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos);

    const std::pair<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM, const char*> fixed[] = {
        {TABLE_DELAY_ELEMENT_NOT_OPERATIONAL, "Not operational: Clock Skew > Data Delay"},
        {TABLE_DELAY_ELEMENT_NEGATIVE_HOLD, "<= 0 ns"},
        {TABLE_DELAY_ELEMENT_NO_SLACK, "N/A"},
        {TABLE_DELAY_ELEMENT_NOT_OPERATIONAL_PIN, "Not operational: Hold Time > Input Delay"},
        {TABLE_DELAY_ELEMENT_NO_REQ, "None"},
    };
    for (const auto& [option, text] : fixed) {
        for (int delay : {0, -5, 987654}) {
            RDB_TABLE_DELAY_ELEMENT c(delay, option);
            EXPECT_EQ(c.get_string(), text) << option << " " << delay;
        }
    }
    EXPECT_EQ(RDB_TABLE_DELAY_ELEMENT(1, TABLE_DELAY_ELEMENT_NEGATIVE_HOLD).get_html(), "&lt;= 0 ns");

    RDB_TABLE_DELAY_ELEMENT obsolete(1, TABLE_DELAY_ELEMENT_RESTRICTED_FMAX);
    EXPECT_INTERNAL_ERROR(obsolete.get_string(), "This TAN_TSU_OBJECT display option was obsoleted");
    RDB_TABLE_DELAY_ELEMENT wrong(1, static_cast<RDB_TABLE_DELAY_ELEMENT_DISPLAY_OPTION_ENUM>(9));
    EXPECT_INTERNAL_ERROR(wrong.get_string(), "Incorrect TAN_TSU_OBJECT display option");
    EXPECT_INTERNAL_ERROR(wrong.get_html(), "Incorrect TAN_TSU_OBJECT display option");
}

TEST(RdbTableDataValidWindowElement, TextAndHtml)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(-100, -50, 50, 100);
    EXPECT_EQ(window.get_string(), "-100 .. [-50 .. 50] .. 100");
    // Each part's share of the window: the four parts together fill the bar.
    EXPECT_EQ(window.get_html(), HTML_OPEN + html_cell(25, "#dd180f") + html_cell(25, "#24dd0f") + HTML_MARKER +
                                     html_cell(25, "#24dd0f") + html_cell(25, "#dd180f") + "</tr></table>");
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT skewed = make_window(-100, -40, 60, 200);
    EXPECT_EQ(skewed.get_html(), HTML_OPEN + html_cell(20, "#dd180f") + html_cell(13, "#24dd0f") + HTML_MARKER +
                                     html_cell(20, "#24dd0f") + html_cell(46, "#dd180f") + "</tr></table>");
    // Widths truncate toward zero.
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT odd = make_window(-3, -1, 1, 4);
    EXPECT_EQ(odd.get_html(), HTML_OPEN + html_cell(28, "#dd180f") + html_cell(14, "#24dd0f") + HTML_MARKER +
                                  html_cell(14, "#24dd0f") + html_cell(42, "#dd180f") + "</tr></table>");
}

TEST(RdbTableDataValidWindowElement, DisabledFormsIgnoreBounds)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(1, 2, 3, 4);
    window.set_disabled(true);
    EXPECT_TRUE(window.is_disabled());
    EXPECT_EQ(window.get_window_min(), -100);
    EXPECT_EQ(window.get_valid_min(), -50);
    EXPECT_EQ(window.get_valid_max(), 50);
    EXPECT_EQ(window.get_window_max(), 100);
    window.set_window_min(7); // out of order: the disabled forms do not look at the bounds
    EXPECT_EQ(window.get_string(), "-- disabled --");
    EXPECT_EQ(window.get_html(), HTML_DISABLED);
    EXPECT_EQ(window.get_svg(), SVG_DISABLED);
    window.set_is_scale(true);
    EXPECT_EQ(window.get_svg(), SVG_DISABLED);

    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT enabled = make_window(-1, 0, 0, 1);
    enabled.set_disabled(false);
    EXPECT_FALSE(enabled.is_disabled());
    EXPECT_EQ(enabled.get_window_min(), -100);
    EXPECT_EQ(enabled.get_valid_min(), -50);
    EXPECT_EQ(enabled.get_valid_max(), 50);
    EXPECT_EQ(enabled.get_window_max(), 100);
}

TEST(RdbTableDataValidWindowElement, SvgBarAndScale)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(-100, -40, 60, 200);
    const std::string bar = window.get_svg();
    EXPECT_EQ(bar, "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                   "viewBox=\"-100 0 300 10\">"
                   "<rect x=\"-100\" y=\"0\" width=\"60\" height=\"10\" style=\"fill:#dd180f\"/>"
                   "<rect x=\"-40\" y=\"0\" width=\"40\" height=\"10\" style=\"fill:#24dd0f\"/>"
                   "<rect x=\"0\" y=\"0\" width=\"60\" height=\"10\" style=\"fill:#24dd0f\"/>"
                   "<rect x=\"60\" y=\"0\" width=\"140\" height=\"10\" style=\"fill:#dd180f\"/>"
                   "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"10\" style=\"stroke:black;stroke-width:2\" "
                   "vector-effect=\"non-scaling-stroke\"/></svg>");

    window.set_is_scale(true);
    const std::string scale = window.get_svg();
    EXPECT_NE(scale.find("viewBox=\"-100 -10 300 13\">"), std::string::npos);
    EXPECT_NE(scale.find("<line x1=\"-100\" y1=\"0\" x2=\"200\" y2=\"0\" style=\"stroke:black;stroke-width:1\""),
              std::string::npos);
    for (int x : {-100, 200, -40, 60})
        EXPECT_NE(
            scale.find("<line x1=\"" + std::to_string(x) + "\" y1=\"0\" x2=\"" + std::to_string(x) + "\" y2=\"3\""),
            std::string::npos)
            << x;
    EXPECT_NE(scale.find("<text transform=\"translate(-100,0) scale(1.000000,1)\" x=\"0\" y=\"-2\" "
                         "style=\"font-family:Arial\">-100</text>"),
              std::string::npos);
    EXPECT_NE(scale.find("<text transform=\"translate(200,0) scale(1.000000,1)\" x=\"0\" y=\"-2\" "
                         "text-anchor=\"end\" style=\"font-family:Arial\">200</text>"),
              std::string::npos);
    EXPECT_NE(scale.find("text-anchor=\"middle\" style=\"font-family:Arial\">-40</text>"), std::string::npos);
    EXPECT_NE(scale.find("text-anchor=\"middle\" style=\"font-family:Arial\">60</text>"), std::string::npos);
    EXPECT_NE(scale.find("<text transform=\"scale(1.000000,1)\" x=\"0\" y=\"-2\" text-anchor=\"middle\" "
                         "style=\"font-family:Arial\">0</text>"),
              std::string::npos);
    EXPECT_EQ(scale.rfind("</svg>"), scale.size() - 6);
    EXPECT_EQ(scale.find("<rect"), std::string::npos);
}

TEST(RdbTableDataValidWindowElement, SvgOrderChecks)
{
    EXPECT_INTERNAL_ERROR(make_window(-10, -20, 5, 10).get_svg(), "m_window_min <= m_valid_min");
    EXPECT_INTERNAL_ERROR(make_window(-10, 1, 5, 10).get_svg(), "m_valid_min <= 0");
    EXPECT_INTERNAL_ERROR(make_window(-10, -5, -1, 10).get_svg(), "0 <= m_valid_max");
    EXPECT_INTERNAL_ERROR(make_window(-10, -5, 11, 10).get_svg(), "m_valid_max <= m_window_max");
    // The first failing check is the one reported.
    EXPECT_INTERNAL_ERROR(make_window(10, 5, -1, -10).get_svg(), "m_window_min <= m_valid_min");
}

TEST(RdbTableDataValidWindowElement, ZeroWidthWindowDrawsDisabledForm)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT blank;
    EXPECT_EQ(blank.get_string(), "0 .. [0 .. 0] .. 0");
    EXPECT_EQ(blank.get_html(), HTML_DISABLED);
    EXPECT_EQ(blank.get_svg(), SVG_DISABLED);
    blank.set_is_scale(true);
    EXPECT_EQ(blank.get_svg(), SVG_DISABLED);
    // Inverted windows have no width either.
    EXPECT_EQ(make_window(5, 0, 0, -5).get_html(), HTML_DISABLED);
    EXPECT_EQ(make_window(3, 3, 3, 3).get_html(), HTML_DISABLED);
}

TEST(RdbTableDataValidWindowElement, ExtremeBoundsDoNotOverflow)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window = make_window(INT_MIN, -(1 << 30), 1 << 30, INT_MAX);
    EXPECT_EQ(window.get_html(), HTML_OPEN + html_cell(25, "#dd180f") + html_cell(25, "#24dd0f") + HTML_MARKER +
                                     html_cell(25, "#24dd0f") + html_cell(24, "#dd180f") + "</tr></table>");
    EXPECT_NE(window.get_svg().find("viewBox=\"-2147483648 0 4294967295 10\">"), std::string::npos);
}

TEST(RdbTableLocationSchemaElement, StoresTclFormWithoutOuterBraces)
{
    TEXT_SCHEMA two_words("{a b}");
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT cell("shown", &two_words, "top|a");
    EXPECT_EQ(cell.get_string(), "shown");
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "a b");
    EXPECT_EQ(cell.get_hierarchy_path(), "top|a");
    EXPECT_EQ(cell.dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT(), &cell);

    TEXT_SCHEMA nested("{{x y} z}");
    cell.set_location_schema(&nested);
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "{x y} z");
    TEXT_SCHEMA empty_list("{}");
    cell.set_location_schema(&empty_list);
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "");

    cell.set_location_schema(&two_words);
    cell.set_location_schema(nullptr);
    EXPECT_EQ(cell.get_location_schema_tcl_string(), "");
    EXPECT_EQ(cell.get_location_schema(), nullptr);
}

TEST(RdbTableLocationSchemaElement, MalformedTclFormsAreInternalErrors)
{
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT cell;
    const std::pair<const char*, const char*> cases[] = {
        {"", "i == 0"},
        {"a b}", "i == 0"},
        {"}", "i == 0"},
        {" {a}", "i == 0"},
        {"{", "i == location_schema_tcl_string.length() - 1"},
        {"{a b", "i == location_schema_tcl_string.length() - 1"},
        {"{a} b", "i == location_schema_tcl_string.length() - 1"},
        {"{{", "i == location_schema_tcl_string.length() - 1"},
    };
    for (const auto& [text, condition] : cases) {
        SCOPED_TRACE(text);
        TEXT_SCHEMA schema(text);
        EXPECT_INTERNAL_ERROR(cell.set_location_schema(&schema), condition);
        EXPECT_INTERNAL_ERROR(RDB_TABLE_LOCATION_SCHEMA_ELEMENT("x", &schema), condition);
    }
}

TEST(RdbTableLocationSchemaElement, SchemaRoundTripsThroughTclForm)
{
    MSG_GEN_LOCATION_SCHEMA schema;
    auto* first = new MSG_GEN_LOC_INSTANCE;
    first->set_instance_name("top|u1|reg");
    schema.add_object(first);
    auto* second = new MSG_GEN_LOC_INSTANCE;
    second->set_instance_name("top|my inst|{odd}");
    schema.add_object(second);

    RDB_TABLE_LOCATION_SCHEMA_ELEMENT cell("reg", &schema);
    EXPECT_FALSE(cell.get_location_schema_tcl_string().empty());
    EXPECT_EQ(decoded_instances(cell), (std::vector<std::string>{"top|u1|reg", "top|my inst|{odd}"}));
    // Each call makes a new schema.
    std::unique_ptr<MSG_LOCATION_SCHEMA> a(cell.get_location_schema());
    std::unique_ptr<MSG_LOCATION_SCHEMA> b(cell.get_location_schema());
    EXPECT_NE(a.get(), nullptr);
    EXPECT_NE(a.get(), b.get());

    RDB_TABLE_LOCATION_SCHEMA_ELEMENT bad;
    bad.set_location_schema_tcl_string("unknown kind");
    EXPECT_EQ(bad.get_location_schema(), nullptr);
    bad.set_location_schema_tcl_string("instance {unbalanced");
    EXPECT_EQ(bad.get_location_schema(), nullptr);
}

TEST(RdbTableElement, CopiesAndClonesAreDeepAndKeepTheirClass)
{
    std::vector<std::unique_ptr<RDB_TABLE_ELEMENT>> originals;
    originals.emplace_back(new RDB_TABLE_ELEMENT);
    originals.emplace_back(new RDB_TABLE_STRING_ELEMENT("text"));
    originals.emplace_back(new RDB_TABLE_TCL_CMD_ELEMENT("cmd text", "puts 1"));
    originals.emplace_back(new RDB_TABLE_INT_ELEMENT(42));
    originals.emplace_back(new RDB_TABLE_DELAY_ELEMENT(77, TABLE_DELAY_ELEMENT_NO_REQ));
    originals.emplace_back(new RDB_TABLE_DATA_VALID_WINDOW_ELEMENT(make_window(-9, -3, 4, 8)));
    TEXT_SCHEMA schema("{instance top|x}");
    originals.emplace_back(new RDB_TABLE_LOCATION_SCHEMA_ELEMENT("loc", &schema, "top|x"));

    for (auto& original : originals) {
        RDB_TABLE_ELEMENT& o = *original;
        SCOPED_TRACE(typeid(o).name());
        o.set_foreground(RDB_COLOR_RED);
        o.set_background(RDB_COLOR_LIGHT_RED);
        o.set_tooltip("tip");
        std::unique_ptr<RDB_TABLE_ELEMENT> copy(o.clone());
        EXPECT_EQ(typeid(*copy), typeid(o));
        EXPECT_EQ(copy->get_string(), o.get_string());
        EXPECT_EQ(copy->get_foreground(), RDB_COLOR_RED);
        EXPECT_EQ(copy->get_background(), RDB_COLOR_LIGHT_RED);
        EXPECT_EQ(copy->get_tooltip(), "tip");
        const std::string before = o.get_string();
        o.set_tooltip("changed");
        o.set_foreground(RDB_COLOR_DEFAULT);
        o.set_string("changed");
        EXPECT_EQ(copy->get_tooltip(), "tip");
        EXPECT_EQ(copy->get_foreground(), RDB_COLOR_RED);
        EXPECT_EQ(copy->get_string(), before);
    }

    auto& tcl = dynamic_cast<RDB_TABLE_TCL_CMD_ELEMENT&>(*originals[2]);
    RDB_TABLE_TCL_CMD_ELEMENT tcl_copy(tcl);
    tcl.set_tcl_cmd("puts 2");
    EXPECT_EQ(tcl_copy.get_tcl_cmd(), "puts 1");

    auto& loc = dynamic_cast<RDB_TABLE_LOCATION_SCHEMA_ELEMENT&>(*originals[6]);
    std::unique_ptr<RDB_TABLE_ELEMENT> loc_clone(loc.clone());
    auto* loc_copy =
        loc_clone->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT()->dynamic_cast_to_RDB_TABLE_LOCATION_SCHEMA_ELEMENT();
    ASSERT_NE(loc_copy, nullptr);
    loc.set_hierarchy_path("other");
    loc.set_location_schema(nullptr);
    EXPECT_EQ(loc_copy->get_hierarchy_path(), "top|x");
    EXPECT_EQ(loc_copy->get_location_schema_tcl_string(), "instance top|x");

    auto& window = dynamic_cast<RDB_TABLE_DATA_VALID_WINDOW_ELEMENT&>(*originals[5]);
    window.set_is_scale(true);
    std::unique_ptr<RDB_TABLE_ELEMENT> window_clone(window.clone());
    auto* w = window_clone->dynamic_cast_to_RDB_TABLE_DATA_VALID_WINDOW_ELEMENT();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->is_scale());
    EXPECT_EQ(w->get_svg(), window.get_svg());

    std::unique_ptr<RDB_TABLE_ELEMENT> delay_clone(originals[4]->clone());
    EXPECT_EQ(delay_clone->dynamic_cast_to_RDB_TABLE_DELAY_ELEMENT()->get_delay(), 77);
}

TEST(RdbTableElement, AcceptVisitorCallsTheOperationOfItsClass)
{
    TEXT_SCHEMA schema("{a}");
    RDB_TABLE_ELEMENT blank;
    RDB_TABLE_STRING_ELEMENT text("t");
    RDB_TABLE_TCL_CMD_ELEMENT tcl("t", "c");
    RDB_TABLE_INT_ELEMENT number(1);
    RDB_TABLE_DELAY_ELEMENT delay(1, TABLE_DELAY_ELEMENT_NO_SLACK);
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window;
    RDB_TABLE_LOCATION_SCHEMA_ELEMENT location("l", &schema);
    const std::pair<RDB_TABLE_ELEMENT*, const char*> cases[] = {
        {&blank, "element"},
        {&text, "string"},
        {&tcl, "tcl_cmd"},
        {&number, "int"},
        {&delay, "delay"},
        {&window, "data_valid_window"},
        {&location, "location_schema"},
    };
    for (const auto& [element, name] : cases) {
        RECORDING_VISITOR visitor;
        element->accept_visitor(&visitor);
        EXPECT_EQ(visitor.calls, std::vector<std::string>{name});
        EXPECT_EQ(visitor.last, static_cast<void*>(element)) << name;
    }
}

TEST(RdbRowHelpers, BuildRowsAndColourThem)
{
    RDB_TABLE_ROW* empty = rdb_create_empty_row();
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->empty());
    delete_row(empty);

    RDB_TABLE_ROW* none = rdb_create_row(std::vector<std::string>{});
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->empty());
    delete_row(none);

    RDB_TABLE_ROW* pair = rdb_create_row("left", "right");
    ASSERT_EQ(pair->size(), 2u);
    EXPECT_EQ((*pair)[0]->get_string(), "left");
    EXPECT_EQ((*pair)[1]->get_string(), "right");
    EXPECT_NE((*pair)[0]->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT(), nullptr);
    delete_row(pair);

    RDB_TABLE_ROW* row = rdb_create_row(std::vector<std::string>{"a", "", "c"});
    ASSERT_EQ(row->size(), 3u);
    EXPECT_EQ((*row)[0]->get_string(), "a");
    EXPECT_EQ((*row)[1]->get_string(), "");
    EXPECT_EQ((*row)[2]->get_string(), "c");
    rdb_set_table_row_color(*row, RDB_COLOR_RED, true);
    for (RDB_TABLE_ELEMENT* e : *row) {
        EXPECT_EQ(e->get_foreground(), RDB_COLOR_RED);
        EXPECT_EQ(e->get_background(), RDB_COLOR_DEFAULT);
    }
    rdb_set_table_row_color(*row, RDB_COLOR_LIGHT_RED, false);
    for (RDB_TABLE_ELEMENT* e : *row) {
        EXPECT_EQ(e->get_foreground(), RDB_COLOR_RED);
        EXPECT_EQ(e->get_background(), RDB_COLOR_LIGHT_RED);
    }
    delete_row(row);
}

TEST(RdbLocationCells, FromInstanceName)
{
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> blank(rdb_create_table_element_from_iname(nullptr));
    EXPECT_EQ(blank->get_string(), "");
    EXPECT_EQ(blank->get_location_schema_tcl_string(), "");
    EXPECT_EQ(blank->get_hierarchy_path(), "");
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> named(rdb_create_table_element_from_iname(nullptr, "shown"));
    EXPECT_EQ(named->get_string(), "shown");

    // No schema of its own: one is built from the full path.
    HDB_INSTANCE_NAME plain = HDB_INSTANCE_NAME::from_path("top|u1|reg");
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> cell(rdb_create_table_element_from_iname(&plain));
    EXPECT_EQ(cell->get_string(), plain.get_short_hpath(HDB_HPATH_SHORT));
    EXPECT_EQ(cell->get_hierarchy_path(), "top|u1|reg");
    EXPECT_EQ(decoded_instances(*cell), std::vector<std::string>{"top|u1|reg"});
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> display(rdb_create_table_element_from_iname(&plain, "alias"));
    EXPECT_EQ(display->get_string(), "alias");
    EXPECT_EQ(display->get_hierarchy_path(), "top|u1|reg");

    // A schema of its own is used (through a copy that is not kept).
    auto own = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    auto* where = new MSG_GEN_LOC_INSTANCE;
    where->set_instance_name("elsewhere|x");
    own->add_object(where);
    HDB_INSTANCE_NAME with_schema({{"top", ""}, {"u2", "core"}}, std::move(own));
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> own_cell(rdb_create_table_element_from_iname(&with_schema));
    EXPECT_EQ(own_cell->get_hierarchy_path(), "top|u2");
    EXPECT_EQ(decoded_instances(*own_cell), std::vector<std::string>{"elsewhere|x"});
}

TEST(RdbLocationCells, FromNameAndPin)
{
    HDB_NAMESPACE names;
    names.add_instance_name(HDB_INSTANCE_NAME::from_path("top|u1|reg"));
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> found(
        rdb_create_table_element_from_iname_string(&names, "top|u1|reg"));
    EXPECT_EQ(found->get_string(), "top|u1|reg");
    EXPECT_EQ(found->get_hierarchy_path(), "top|u1|reg");
    EXPECT_EQ(decoded_instances(*found), std::vector<std::string>{"top|u1|reg"});
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> missing(
        rdb_create_table_element_from_iname_string(&names, "top|nothing"));
    EXPECT_EQ(missing->get_string(), "top|nothing");
    EXPECT_EQ(missing->get_hierarchy_path(), "");
    EXPECT_EQ(missing->get_location_schema_tcl_string(), "");
    EXPECT_INTERNAL_ERROR(rdb_create_table_element_from_iname_string(nullptr, "x"), "cap_inst != nullptr");

    HDB_INSTANCE_NAME reg = HDB_INSTANCE_NAME::from_path("top|u1|reg");
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> pin(rdb_create_table_sta_pin_element(&reg, "D"));
    EXPECT_EQ(pin->get_string(), "top|u1|reg|D");
    EXPECT_EQ(pin->get_hierarchy_path(), "top|u1|reg");
    EXPECT_EQ(decoded_instances(*pin), std::vector<std::string>{"top|u1|reg"});
    std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> no_pin(rdb_create_table_sta_pin_element(nullptr, "D"));
    EXPECT_EQ(no_pin->get_string(), "");
    EXPECT_EQ(no_pin->get_hierarchy_path(), "");
    EXPECT_EQ(no_pin->get_location_schema_tcl_string(), "");
}

// The naming switch is read once per process, so each setting is checked in a fresh process.
TEST(RdbLocationCellsDeathTest, NamingSwitchIsReadOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto short_text = [](const char* setting_before, const char* setting_after) {
        cfg_set_value("khd_use_entity_inst_naming_in_reports", setting_before);
        HDB_INSTANCE_NAME name({{"top", "top_e"}, {"u1", "core"}, {"reg", "dff"}});
        std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> first(rdb_create_table_element_from_iname(&name));
        cfg_set_value("khd_use_entity_inst_naming_in_reports", setting_after);
        std::unique_ptr<RDB_TABLE_LOCATION_SCHEMA_ELEMENT> second(rdb_create_table_element_from_iname(&name));
        const bool same = first->get_string() == second->get_string();
        const bool entity = first->get_string() == name.get_short_hpath(HDB_HPATH_ENTITY_INSTANCE);
        const bool plain = first->get_string() == name.get_short_hpath(HDB_HPATH_SHORT);
        std::exit(!same ? 3 : entity ? 1 : plain ? 0 : 2);
    };
    EXPECT_EXIT(short_text("on", "off"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(short_text("off", "on"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(short_text("", "on"), testing::ExitedWithCode(0), "");
}
