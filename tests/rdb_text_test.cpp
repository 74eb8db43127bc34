#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "gen/gen_legal.h"
#include "rdb_text.h"
#include "test_support.h"

namespace {

std::string ascii_of(RDB_OBJECT& object, bool html = false)
{
    std::ostringstream os;
    html ? object.output_html(os) : object.output_ascii(os);
    return os.str();
}

nlohmann::json json_of(RDB_OBJECT& object)
{
    nlohmann::json json = nlohmann::json::object();
    object.fill_json_object(&json);
    return json;
}

} // namespace

TEST(RdbText, SetTextReusesTheStringAndAddTextReplacesIt)
{
    RDB_TEXT_OBJECT text("Notes");
    EXPECT_EQ(text.get_text(), nullptr);
    text.set_text(std::string("copied"));
    const std::string* made = text.get_text();
    std::string moved = "moved in";
    text.set_text(std::move(moved));
    EXPECT_EQ(text.get_text(), made);
    EXPECT_EQ(*text.get_text(), "moved in");
    EXPECT_EQ(moved, "copied"); // the strings are swapped

    auto* own = new std::string("owned");
    text.add_text(own);
    // Adding the own text again must keep it alive (the sanitizer build sees a use after free).
    text.add_text(own);
    ASSERT_EQ(text.get_text(), own);
    EXPECT_EQ(*own, "owned");
    text.add_text(nullptr);
    EXPECT_EQ(text.get_text(), nullptr);
}

TEST(RdbText, OnlyANamedLegalObjectHoldsTheNotice)
{
    RDB_LEGAL_OBJECT named("Legal Notice");
    ASSERT_NE(named.get_text(), nullptr);
    EXPECT_EQ(*named.get_text(), gen_get_legal_text(nullptr));
    EXPECT_EQ(RDB_LEGAL_OBJECT().get_text(), nullptr);
}

TEST(RdbText, OutputFormsOfTextAndInteractiveData)
{
    RDB_TEXT_OBJECT text("Notes");
    EXPECT_EQ(ascii_of(text, true), "");
    EXPECT_EQ(json_of(text)["text"], "");
    text.set_text(std::string("<b>x</b>"));
    EXPECT_EQ(ascii_of(text, true), "<PRE>&lt;b&gt;x&lt;/b&gt;</PRE>\n\n");
    // The plain-text notices of QML and web-kit HTML are in the folder golden.
    text.set_is_qml(true);
    text.set_is_webkit_html(true);
    EXPECT_EQ(ascii_of(text, true), "<PRE><b>x</b></PRE>\n\n");
    EXPECT_EQ(json_of(text)["text"], "<b>x</b>");
    EXPECT_INTERNAL_ERROR(text.fill_json_object(nullptr), "object != NULL");

    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("View", "payload", "kind", "impl");
    EXPECT_EQ(ascii_of(data, true), "<PRE>This report is unavailable in html report export.</PRE>\n\n");
    EXPECT_EQ(json_of(data)["text"], "This report is unavailable in json format");
    EXPECT_EQ(json_of(data)["name"], "View");
    EXPECT_INTERNAL_ERROR(data.fill_json_object(nullptr), "object != NULL");
}

TEST(RdbText, InteractiveDataCopiesKeepTheObjectFields)
{
    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("View", "payload", "kind", "impl");
    data.set_header("head");
    RDB_INTERACTIVE_REPORT_DATA_OBJECT assigned;
    assigned = RDB_INTERACTIVE_REPORT_DATA_OBJECT(data);
    EXPECT_EQ(assigned.get_header(), "head");
    EXPECT_EQ(assigned.get_data(), "payload");
    EXPECT_EQ(assigned.get_report_implementation(), "impl");
}
