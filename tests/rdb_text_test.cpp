#include <memory>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "gen/gen_legal.h"
#include "ini/cfg.h"
#include "rdb_enum.h"
#include "rdb_text.h"
#include "rdb_visitor.h"
#include "test_support.h"

namespace {

// Records which visit operation an object chose.
class WHICH_VISIT : public RDB_OBJECT_VISITOR {
public:
    void visit_text(RDB_TEXT_OBJECT*) override { m_seen = "text"; }
    void visit_legal(RDB_LEGAL_OBJECT*) override { m_seen = "legal"; }
    void visit_interactive_report(RDB_INTERACTIVE_REPORT_DATA_OBJECT*) override { m_seen = "interactive"; }
    const std::string& seen() const { return m_seen; }

private:
    std::string m_seen;
};

std::string ascii_of(RDB_OBJECT& object)
{
    std::ostringstream os;
    object.output_ascii(os);
    return os.str();
}

std::string html_of(RDB_OBJECT& object)
{
    std::ostringstream os;
    object.output_html(os);
    return os.str();
}

} // namespace

TEST(RdbText, TextIsMadeBySetTextAndReplacedByAddText)
{
    RDB_TEXT_OBJECT text("Notes");
    EXPECT_EQ(text.get_text(), nullptr);
    EXPECT_FALSE(text.is_html() || text.is_webkit_html() || text.is_qml() || text.is_json());

    text.set_text(std::string());
    ASSERT_NE(text.get_text(), nullptr);
    EXPECT_EQ(*text.get_text(), "");
    const std::string* made = text.get_text();
    text.set_text(std::string("copied"));
    EXPECT_EQ(text.get_text(), made);
    EXPECT_EQ(*text.get_text(), "copied");

    std::string moved = "moved in";
    text.set_text(std::move(moved));
    EXPECT_EQ(*text.get_text(), "moved in");
    EXPECT_EQ(moved, "copied");

    text.add_text(new std::string("owned"));
    EXPECT_EQ(*text.get_text(), "owned");
    text.add_text(nullptr);
    EXPECT_EQ(text.get_text(), nullptr);
}

TEST(RdbText, AddingTheOwnTextAgainKeepsIt)
{
    RDB_TEXT_OBJECT text("Notes");
    auto* own = new std::string("kept");
    text.add_text(own);
    text.add_text(own);
    ASSERT_EQ(text.get_text(), own);
    EXPECT_EQ(*text.get_text(), "kept");
    text.set_text(std::string("still usable"));
    EXPECT_EQ(*own, "still usable");
}

TEST(RdbText, LegalObjectHoldsTheNotice)
{
    RDB_LEGAL_OBJECT named("Legal Notice");
    ASSERT_NE(named.get_text(), nullptr);
    EXPECT_EQ(*named.get_text(), gen_get_legal_text(nullptr));
    EXPECT_FALSE(named.get_text()->empty());
    RDB_LEGAL_OBJECT unnamed;
    EXPECT_EQ(unnamed.get_text(), nullptr);

    RDB_TEXT_OBJECT text("t");
    EXPECT_EQ(text.dynamic_cast_to_RDB_LEGAL_OBJECT(), nullptr);
    EXPECT_EQ(named.dynamic_cast_to_RDB_LEGAL_OBJECT(), &named);
    const RDB_TEXT_OBJECT& as_text = named;
    EXPECT_EQ(as_text.dynamic_cast_to_RDB_LEGAL_OBJECT(), &named);
    EXPECT_EQ(named.dynamic_cast_to_RDB_TEXT_OBJECT(), &named);
    EXPECT_EQ(named.get_type(), RDB_TEXT_TYPE);
}

TEST(RdbText, VisitorsAndTypes)
{
    WHICH_VISIT visitor;
    RDB_TEXT_OBJECT text("t");
    text.accept_visitor(&visitor);
    EXPECT_EQ(visitor.seen(), "text");
    RDB_LEGAL_OBJECT legal("l");
    legal.accept_visitor(&visitor);
    EXPECT_EQ(visitor.seen(), "legal");
    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("d", "payload", "kind", "view");
    data.accept_visitor(&visitor);
    EXPECT_EQ(visitor.seen(), "interactive");
    EXPECT_EQ(data.get_type(), RDB_INTERACTIVE_REPORT_DATA_TYPE);
    EXPECT_EQ(data.dynamic_cast_to_RDB_INTERACTIVE_REPORT_DATA_OBJECT(), &data);
    EXPECT_EQ(text.dynamic_cast_to_RDB_INTERACTIVE_REPORT_DATA_OBJECT(), nullptr);
}

TEST(RdbText, PlainTextForm)
{
    RDB_TEXT_OBJECT text("Notes");
    EXPECT_EQ(ascii_of(text), "---------\n; Notes ;\n---------\n\n");
    text.set_text(std::string("line one\nline two"));
    EXPECT_EQ(ascii_of(text), "---------\n; Notes ;\n---------\nline one\nline two\n");
    text.set_is_html(true);
    EXPECT_EQ(ascii_of(text), "---------\n; Notes ;\n---------\nline one\nline two\n");
    text.set_is_qml(true);
    EXPECT_EQ(ascii_of(text), "---------\n; Notes ;\n---------\nQML report is unavailable in plain text report export.\n");
    // Web-kit HTML is tested before QML.
    text.set_is_webkit_html(true);
    EXPECT_EQ(ascii_of(text),
              "---------\n; Notes ;\n---------\nHTML report is unavailable in plain text report export.\n");

    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("View", "payload", "kind", "impl");
    EXPECT_EQ(ascii_of(data), "--------\n; View ;\n--------\nThis report is unavailable in plain text report export.\n");
}

TEST(RdbText, HtmlAndJsonForms)
{
    RDB_TEXT_OBJECT text("Notes");
    EXPECT_EQ(html_of(text), "");
    nlohmann::json empty = nlohmann::json::object();
    text.fill_json_object(&empty);
    EXPECT_EQ(empty["text"], "");
    EXPECT_EQ(empty["name"], "Notes");

    text.set_text(std::string("<b>x</b>"));
    text.set_is_webkit_html(true);
    EXPECT_EQ(html_of(text), "<PRE><b>x</b></PRE>\n\n");
    nlohmann::json filled = nlohmann::json::object();
    text.fill_json_object(&filled);
    EXPECT_EQ(filled["text"], "<b>x</b>");
    EXPECT_INTERNAL_ERROR(text.fill_json_object(nullptr), "object != NULL");

    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("View", "payload", "kind", "impl");
    EXPECT_EQ(html_of(data), "<PRE>This report is unavailable in html report export.</PRE>\n\n");
    nlohmann::json data_json = nlohmann::json::object();
    data.fill_json_object(&data_json);
    EXPECT_EQ(data_json["text"], "This report is unavailable in json format");
    EXPECT_EQ(data_json["name"], "View");
}

TEST(RdbText, InteractiveDataCopiesItsStrings)
{
    RDB_INTERACTIVE_REPORT_DATA_OBJECT data("View", "payload", "kind", "impl");
    data.set_header("head");
    RDB_INTERACTIVE_REPORT_DATA_OBJECT copy(data);
    EXPECT_EQ(copy.get_name(), "View");
    EXPECT_EQ(copy.get_header(), "head");
    EXPECT_EQ(copy.get_data(), "payload");
    EXPECT_EQ(copy.get_data_type(), "kind");
    EXPECT_EQ(copy.get_report_implementation(), "impl");

    RDB_INTERACTIVE_REPORT_DATA_OBJECT assigned;
    EXPECT_EQ(assigned.get_data(), "");
    assigned = data;
    EXPECT_EQ(assigned.get_name(), "View");
    EXPECT_EQ(assigned.get_data(), "payload");
    EXPECT_EQ(assigned.get_report_implementation(), "impl");
}
