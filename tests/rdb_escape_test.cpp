// The escapers, each fed the same hostile texts, and numbers written under a decimal-comma locale.

#include "rdb_escape.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "rdb_table_element.h"
#include "test_support.h"

namespace {

struct ESCAPE_CASE {
    std::string text;
    std::string escaped;
};

std::string repeated(const std::string& piece, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

const std::string FFFD = "\xEF\xBF\xBD";

} // namespace

TEST(RdbEscape, XmlEscapeKeepsLineBreaksAndDropsWhatXmlForbids)
{
    const std::vector<ESCAPE_CASE> cases = {
        {"a\"&'<>\032b", "a&quot;&amp;&apos;&lt;&gt;b"},
        {"<script>x||y</script>", "&lt;script&gt;x||y&lt;/script&gt;"},
        {"]]>", "]]&gt;"},
        {"1\t2\n3\r4", "1&#9;2&#10;3&#13;4"},
        {std::string("x\x01\x00y\xFF\xC3", 7), "xy"},
        {"\xED\xA0\x80\xEF\xBF\xBE|\xC0\xAF", "|"}, // surrogate, U+FFFE, overlong
        {std::string(5000, '\xE2'), ""},
        {repeated("\xE2\x82\xAC&", 3000), repeated("\xE2\x82\xAC&amp;", 3000)},
    };
    for (const ESCAPE_CASE& c : cases)
        EXPECT_EQ(rdb_xml_escape(c.text), c.escaped) << c.text.substr(0, 40);
}

TEST(RdbEscape, HtmlEscapeLeavesNoMarkupAndNoInvalidUtf8)
{
    const std::vector<ESCAPE_CASE> cases = {
        {"", ""},
        {"say \"hi\" it's", "say &quot;hi&quot; it&#39;s"},
        {"</script><script>a||b && c", "&lt;/script&gt;&lt;script&gt;a||b &amp;&amp; c"},
        {"]]>", "]]&gt;"},
        {"l1\nl2\r\t\x01\x1F", "l1\nl2\r\t\x01\x1F"},
        {"\xFF|\xC3", FFFD + "|" + FFFD},
        {"\xED\xA0\x80", FFFD + FFFD + FFFD}, // a surrogate is three stray bytes
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    };
    for (const ESCAPE_CASE& c : cases)
        EXPECT_EQ(rdb_html_escape(c.text), c.escaped) << c.text;
}

TEST(RdbEscape, TextToHtmlKeepsBlanksAndLinesVisible)
{
    struct CASE {
        std::string text;
        bool keep_empty_lines;
        std::string html;
    };
    const std::vector<CASE> cases = {
        {"", true, "&nbsp;"},
        {" a  b   c", false, "&nbsp;a&nbsp; b&nbsp;&nbsp; c"},
        // A single trailing blank stays; a longer trailing run goes; a blank-only line is all leading blanks.
        {"ab ", false, "ab "},
        {"ab   ", false, "ab"},
        {"   \n  b", false, "&nbsp;&nbsp;&nbsp;<br>\n&nbsp;&nbsp;b"},
        // Empty lines give a break only on request; a trailing newline leaves an empty last line.
        {"a\n\nb", false, "a<br>\nb"},
        {"a\n\nb", true, "a<br>\n<br>\nb"},
        {"\na\n", false, "a<br>\n"},
        {"\n", true, "<br>\n<br>\n"},
        {"<b>x</b> & \"y\"", false, "&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;"},
        {"&nbsp;", false, "&amp;nbsp;"},
        {" <a  >", false, "&nbsp;&lt;a&nbsp; &gt;"},
        {"</script>||]]>", false, "&lt;/script&gt;||]]&gt;"},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(rdb_text_to_html(c.text, c.keep_empty_lines), c.html) << c.text;
}

TEST(RdbEscape, JsStringLiteralCannotEndTheLiteralOrTheScript)
{
    const std::vector<ESCAPE_CASE> cases = {
        {"", "\"\""},
        {"say \"hi\" it's a\\b", "\"say \\\"hi\\\" it\\'s a\\\\b\""},
        {"</script><!--", "\"\\u003C/script\\u003E\\u003C!--\""},
        {"a||b && c", "\"a||b \\u0026\\u0026 c\""},
        {"]]>", "\"]]\\u003E\""},
        {"l1\nl2\r\tx", "\"l1\\nl2\\r\\tx\""},
        {"\x01\x1F\x7F", "\"\\u0001\\u001F\\u007F\""},
        {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
        {"\xFF\xC0\xAF\xE2\x82", "\"\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\""}, // stray, overlong, truncated
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
    };
    for (const ESCAPE_CASE& c : cases)
        EXPECT_EQ(rdb_js_string_literal(c.text), c.escaped) << c.text;
}

TEST(RdbEscape, JsonStringsAndSqlIdentifiersKeepTheirText)
{
    const std::vector<ESCAPE_CASE> json_cases = {
        {"", "\"\""},
        {"say \"hi\" a\\b </script>", "\"say \\\"hi\\\" a\\\\b </script>\""},
        {"l1\nl2\r\t\b\f\x01", "\"l1\\nl2\\r\\t\\b\\f\\u0001\""},
        {"\xFF\xC3\xA9", "\"" + FFFD + "\xC3\xA9\""},
    };
    for (const ESCAPE_CASE& c : json_cases) {
        std::string out = "[";
        rdb_append_json_string(out, c.text);
        EXPECT_EQ(out, "[" + c.escaped) << c.text;
    }
    const std::vector<ESCAPE_CASE> sql_cases = {
        {"", "\"\""},
        {"t_1", "\"t_1\""},
        {"a\"; DROP TABLE t; --", "\"a\"\"; DROP TABLE t; --\""},
        {"Fitter||Summary", "\"Fitter||Summary\""},
    };
    for (const ESCAPE_CASE& c : sql_cases)
        EXPECT_EQ(rdb_sql_identifier(c.text), c.escaped) << c.text;
}

TEST(RdbEscape, FixedNumbersAreWhatPrintfWritesInTheCLocale)
{
    EXPECT_EQ(rdb_format_fixed(0.5, 6), "0.500000");
    EXPECT_EQ(rdb_format_fixed(-0.0, 2), "-0.00");
    EXPECT_EQ(rdb_format_fixed(2.5, 0), "2");
    const double values[] = {0.0, 1.0 / 3.0, -123.456, 1e-7, 4294967295.0 / 300.0, 1e300, -DBL_MAX, INFINITY, NAN};
    for (double value : values) {
        for (int decimals : {0, 1, 6, 17, 32}) {
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
            EXPECT_EQ(rdb_format_fixed(value, decimals), expected) << decimals;
        }
    }
    EXPECT_INTERNAL_ERROR(rdb_format_fixed(1.0, 33), "0 <= decimals && decimals <= 32");
}

TEST(RdbEscape, NumbersIgnoreADecimalCommaLocale)
{
    RDB_TABLE_DATA_VALID_WINDOW_ELEMENT window;
    window.set_window_min(-100);
    window.set_valid_min(-40);
    window.set_valid_max(20);
    window.set_window_max(50);
    window.set_is_scale(true);
    const std::string c_locale_svg = window.get_svg();

    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the package locales-all is needed";
    char printed[32];
    std::snprintf(printed, sizeof printed, "%f", 0.5);
    const std::string formatted = rdb_format_fixed(0.5, 6);
    const std::string svg = window.get_svg();
    std::setlocale(LC_NUMERIC, saved.c_str());

    EXPECT_STREQ(printed, "0,500000"); // the locale does change what printf writes
    EXPECT_EQ(formatted, "0.500000");
    EXPECT_EQ(svg, c_locale_svg);
    EXPECT_NE(svg.find("scale(0.500000,1)"), std::string::npos);
}
