#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <tcl.h>

#include "msg/msg.h"
#include "tcl/atcl.h"
#include "test_support.h"

namespace {

struct CUSTOM_ERROR {
    std::string condition, component, file;
    int line;
};

void custom_throwing_handler(const char* condition, const char* component, const char* file, int line)
{
    throw CUSTOM_ERROR{condition, component, file, line};
}

void returning_handler(const char* condition, const char*, const char*, int)
{
    std::fprintf(stderr, "handler saw %s\n", condition);
}

// Restores the test handler when a test swaps it.
struct HANDLER_GUARD {
    MSG_INTERNAL_ERROR_HANDLER previous;
    explicit HANDLER_GUARD(MSG_INTERNAL_ERROR_HANDLER handler) : previous(msg_set_internal_error_handler(handler)) {}
    ~HANDLER_GUARD() { msg_set_internal_error_handler(previous); }
};

void fail_if_negative(int value) { RDB_ASSERT(value >= 0); }

} // namespace

TEST(MsgInternalError, InstalledHandlerGetsConditionComponentFileAndLine)
{
    {
        HANDLER_GUARD guard(&custom_throwing_handler);
        try {
            fail_if_negative(-1);
            ADD_FAILURE() << "no internal error";
        } catch (const CUSTOM_ERROR& e) {
            EXPECT_EQ(e.condition, "value >= 0");
            EXPECT_EQ(e.component, "RDB");
            EXPECT_NE(e.file.find("platform_msg_test.cpp"), std::string::npos);
            EXPECT_GT(e.line, 0);
        }
        EXPECT_NO_THROW(fail_if_negative(3));
    }
    // The guard put the suite's handler back.
    EXPECT_INTERNAL_ERROR(fail_if_negative(-2), "value >= 0");
    EXPECT_INTERNAL_ERROR(RDB_INTERNAL_ERROR("explicit text"), "explicit text");
    EXPECT_INTERNAL_ERROR(RDB_ASSERT_MSG(1 + 1 == 3, "arithmetic broke"), "arithmetic broke");
}

TEST(MsgInternalError, SetHandlerReturnsPreviousAndNullRestoresDefault)
{
    MSG_INTERNAL_ERROR_HANDLER suite_handler = msg_set_internal_error_handler(&custom_throwing_handler);
    EXPECT_EQ(msg_set_internal_error_handler(nullptr), &custom_throwing_handler);
    MSG_INTERNAL_ERROR_HANDLER default_handler = msg_set_internal_error_handler(suite_handler);
    EXPECT_NE(default_handler, nullptr);
    EXPECT_NE(default_handler, suite_handler);
}

TEST(MsgInternalErrorDeathTest, DefaultHandlerPrintsAndAborts)
{
    EXPECT_EXIT(
        {
            msg_set_internal_error_handler(nullptr);
            fail_if_negative(-1);
        },
        testing::KilledBySignal(SIGABRT), "Internal error: value >= 0.*RDB.*platform_msg_test.cpp");
}

TEST(MsgInternalErrorDeathTest, ReturningHandlerStillAborts)
{
    EXPECT_EXIT(
        {
            msg_set_internal_error_handler(&returning_handler);
            RDB_INTERNAL_ERROR("must stop");
        },
        testing::KilledBySignal(SIGABRT), "handler saw must stop");
}

TEST(MsgDebug, HandlerReceivesFormattedLinesAtEveryLevel)
{
    DEBUG_RECORDER rec;
    msg_local_vdebug("RDB", 9, "value %d of %s", 42, "x");
    mem_msg_local_vdebug("RDB", "freed %u bytes", 16u);
    std::string long_text(2000, 'z');
    msg_local_vdebug("RDB", 1, "<%s>", long_text.c_str());
    ASSERT_EQ(rec.lines().size(), 3u);
    EXPECT_EQ(rec.lines()[0].component, "RDB");
    EXPECT_EQ(rec.lines()[0].level, 9);
    EXPECT_TRUE(rec.saw("value 42 of x"));
    EXPECT_EQ(rec.lines()[1].level, 3);
    EXPECT_EQ(rec.lines()[1].text, "freed 16 bytes");
    EXPECT_EQ(rec.lines()[2].text, "<" + long_text + ">");
}

TEST(MsgDebug, NestedRecordersAndRemovedHandler)
{
    DEBUG_RECORDER outer;
    {
        DEBUG_RECORDER inner;
        msg_local_vdebug("RDB", 2, "inner line");
        EXPECT_TRUE(inner.saw("inner line"));
    }
    EXPECT_FALSE(outer.saw("inner line"));
    MSG_DEBUG_HANDLER previous = msg_set_debug_handler(nullptr);
    msg_local_vdebug("RDB", 2, "nobody listens");
    EXPECT_EQ(msg_set_debug_handler(previous), nullptr);
    EXPECT_TRUE(outer.lines().empty());
}

// The display level is read once per process, so the check runs in a fresh child process that
// captures its own stderr and exits 0 only when the shown and hidden lines are right.
TEST(MsgDebugDeathTest, StderrShowsOnlyLinesUpToTheDisplayLevel)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string path = testing::TempDir() + "rdb_debug_level.txt";
    EXPECT_EXIT(
        {
            setenv("RDB_DEBUG_LEVEL", "2", 1);
            if (!std::freopen(path.c_str(), "w", stderr)) std::_Exit(3);
            msg_local_vdebug("RDB", 2, "shown %d", 2);
            msg_local_vdebug("RDB", 3, "hidden %d", 3);
            std::fflush(stderr);
            std::ifstream in(path);
            std::stringstream text;
            text << in.rdbuf();
            std::_Exit(text.str() == "RDB(2): shown 2\n" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MsgNumbered, FillArgsReplacesNumberedPlaceholders)
{
    EXPECT_EQ(MSG_BASE::fill_args("Failed to load reporting database '%1!s!'.", {"a.rdb"}),
              "Failed to load reporting database 'a.rdb'.");
    EXPECT_EQ(MSG_BASE::fill_args("%2!s!-%1!s!-%2!s!", {"a", "b"}), "b-a-b");
    EXPECT_EQ(MSG_BASE::fill_args("x%3!s!y", {"a"}), "xy");
    EXPECT_EQ(MSG_BASE::fill_args("%9!s!", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}), "nine");
    // Not placeholders: no number, zero, another conversion, cut short.
    EXPECT_EQ(MSG_BASE::fill_args("100% %0!s! %1!d! %1!s", {"a"}), "100% %0!s! %1!d! %1!s");
    // An argument is inserted as it is, never expanded again.
    EXPECT_EQ(MSG_BASE::fill_args("%1!s!", {"%2!s!", "no"}), "%2!s!");
    EXPECT_EQ(MSG_BASE::fill_args("", {}), "");
}

TEST(MsgNumbered, MessagesCarryIdTypeAndFilledText)
{
    MSG_E error(22354, "Failed to save reporting database '%1!s!'.", {"r.rdb"});
    EXPECT_EQ(error.get_id(), 22354);
    EXPECT_EQ(error.get_type(), MSG_TYPE::ERROR);
    EXPECT_EQ(error.get_text(), "Failed to save reporting database 'r.rdb'.");
    EXPECT_TRUE(error.is_postable());
    MSG_I info(14661, "Generated JSON formatted report files in %1!s!", {"/tmp/out"});
    EXPECT_EQ(info.get_type(), MSG_TYPE::INFO);
    EXPECT_EQ(info.get_text(), "Generated JSON formatted report files in /tmp/out");
    MSG_I_NULL suppressed(144001);
    EXPECT_FALSE(suppressed.is_postable());
    EXPECT_EQ(suppressed.get_id(), 144001);
}

TEST(MsgNumbered, RegistrarRegistersUntilDestroyed)
{
    const int ids[] = {990001, 990002};
    const MSG_TYPE types[] = {MSG_TYPE::ERROR, MSG_TYPE::INFO};
    EXPECT_FALSE(MSG_ID_REGISTRAR::is_registered(990001));
    {
        MSG_ID_REGISTRAR first(ids, types, 2);
        EXPECT_TRUE(MSG_ID_REGISTRAR::is_registered(990001));
        EXPECT_TRUE(MSG_ID_REGISTRAR::is_registered(990002));
        {
            MSG_ID_REGISTRAR second(ids, types, 1);
        }
        // The other registrar still holds the number.
        EXPECT_TRUE(MSG_ID_REGISTRAR::is_registered(990001));
    }
    EXPECT_FALSE(MSG_ID_REGISTRAR::is_registered(990001));
    EXPECT_FALSE(MSG_ID_REGISTRAR::is_registered(990002));
}

TEST(MsgNumbered, IndexSuppressesAndReleasesNumbers)
{
    MSG_INDEX& index = MSG_INDEX::get_default_index();
    EXPECT_EQ(&index, &MSG_INDEX::get_default_index());
    EXPECT_FALSE(index.is_suppressed(990010));
    index.set_suppressed(990010, true);
    index.set_suppressed(990010, true);
    EXPECT_TRUE(index.is_suppressed(990010));
    EXPECT_FALSE(index.is_suppressed(990011));
    index.set_suppressed(990010, false);
    EXPECT_FALSE(index.is_suppressed(990010));
}

TEST(MsgReport, PostRecordsAndSkipsSuppressedMessages)
{
    MSG_REPORT report;
    report.set_echo(false);
    msg_post(MSG_E(22352, "Failed '%1!s!'", {"x"}), &report);
    msg_post(MSG_I_NULL(144001), &report);
    msg_post(MSG_I(14661, "done", {}), &report);
    std::vector<MSG_RECORD> messages = report.get_messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].id, 22352);
    EXPECT_EQ(messages[0].type, MSG_TYPE::ERROR);
    EXPECT_EQ(messages[0].text, "Failed 'x'");
    EXPECT_EQ(messages[1].id, 14661);
    EXPECT_EQ(messages[1].type, MSG_TYPE::INFO);
    report.clear();
    EXPECT_TRUE(report.get_messages().empty());
}

TEST(MsgReport, DefaultReportIsASingletonThatEchoes)
{
    MSG_REPORT* report = msg_get_default_report();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report, msg_get_default_report());
    report->clear();
    testing::internal::CaptureStderr();
    msg_post(MSG_E(22354, "saving '%1!s!' failed", {"a"}));
    msg_post(MSG_I(144001, "wrote", {}));
    MSG_REPORT::flush_all();
    std::string echoed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(echoed, "Error (22354): saving 'a' failed\nInfo (144001): wrote\n");
    EXPECT_EQ(report->get_messages().size(), 2u);
    report->clear();
}

namespace {

std::unique_ptr<MSG_GEN_LOCATION_SCHEMA> make_schema(const std::vector<std::string>& names)
{
    auto schema = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    for (const std::string& name : names) {
        auto* location = new MSG_GEN_LOC_INSTANCE;
        location->set_instance_name(name);
        schema->add_object(location);
    }
    return schema;
}

// What a table cell does: strip the outer braces, split "func <inner>", decode.
std::unique_ptr<MSG_GEN_LOCATION_SCHEMA> decode(const std::string& tcl_text)
{
    EXPECT_GE(tcl_text.size(), 2u);
    EXPECT_EQ(tcl_text.front(), '{');
    EXPECT_EQ(tcl_text.back(), '}');
    std::string list = "func " + tcl_text.substr(1, tcl_text.size() - 2);
    Tcl_Interp* interp = atcl_get_interpreter();
    int argc = 0;
    const char** argv = nullptr;
    if (Tcl_SplitList(interp, list.c_str(), &argc, &argv) != TCL_OK) return nullptr;
    int status = MSG_LOCATION_SCHEMA::from_tcl_string(interp, argc, argv);
    Tcl_Free(reinterpret_cast<char*>(argv));
    if (status != TCL_OK) return nullptr;
    auto* schema = static_cast<MSG_LOCATION_SCHEMA*>(atcl_get_ptr(Tcl_GetStringResult(interp)));
    auto* general = dynamic_cast<MSG_GEN_LOCATION_SCHEMA*>(schema);
    EXPECT_NE(general, nullptr);
    if (general == nullptr) delete schema;
    return std::unique_ptr<MSG_GEN_LOCATION_SCHEMA>(general);
}

} // namespace

TEST(MsgLocationSchema, TclFormIsOneBracedList)
{
    std::string text;
    make_schema({"top|u1"})->to_tcl_string(text);
    EXPECT_EQ(text, "{instance top|u1}");
    make_schema({"a", "b|c"})->to_tcl_string(text);
    EXPECT_EQ(text, "{instance a instance b|c}");
    make_schema({"has space"})->to_tcl_string(text);
    EXPECT_EQ(text, "{instance {has space}}");
    make_schema({})->to_tcl_string(text);
    EXPECT_EQ(text, "{}");
}

TEST(MsgLocationSchema, TclRoundTripKeepsAwkwardNames)
{
    const std::vector<std::string> names = {"top|u1|reg", "name with space", "br{ace", "cl}ose", "{both}",
                                            "back\\slash", "ends\\", "bus[3]", "$var;cmd", "", "\"q\""};
    auto schema = make_schema(names);
    std::string text;
    schema->to_tcl_string(text);
    auto decoded = decode(text);
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(decoded->get_object(i)->get_location(), names[i]) << i;
}

TEST(MsgLocationSchema, MalformedWordsAreRejected)
{
    Tcl_Interp* interp = atcl_get_interpreter();
    const char* odd[] = {"func", "instance"};
    EXPECT_EQ(MSG_LOCATION_SCHEMA::from_tcl_string(interp, 2, odd), TCL_ERROR);
    EXPECT_NE(std::string(Tcl_GetStringResult(interp)), "");
    EXPECT_EQ(atcl_get_ptr(Tcl_GetStringResult(interp)), nullptr);
    const char* wrong_kind[] = {"func", "instance", "a", "pin", "b"};
    EXPECT_EQ(MSG_LOCATION_SCHEMA::from_tcl_string(interp, 5, wrong_kind), TCL_ERROR);
    EXPECT_NE(std::string(Tcl_GetStringResult(interp)).find("pin"), std::string::npos);
    const char* empty[] = {"func"};
    ASSERT_EQ(MSG_LOCATION_SCHEMA::from_tcl_string(interp, 1, empty), TCL_OK);
    std::unique_ptr<MSG_LOCATION_SCHEMA> none(static_cast<MSG_LOCATION_SCHEMA*>(atcl_get_ptr(Tcl_GetStringResult(interp))));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(dynamic_cast<MSG_GEN_LOCATION_SCHEMA&>(*none).size(), 0u);
}

TEST(MsgLocationSchema, CopiesAreDeep)
{
    auto original = make_schema({"top|a", "top|b"});
    std::unique_ptr<MSG_LOCATION_SCHEMA> copy(original->clone());
    const MSG_LOCATION* first = original->get_object(0);
    original.reset();
    auto& general = dynamic_cast<MSG_GEN_LOCATION_SCHEMA&>(*copy);
    ASSERT_EQ(general.size(), 2u);
    EXPECT_NE(general.get_object(0), first);
    EXPECT_EQ(general.get_object(0)->get_location(), "top|a");
    EXPECT_EQ(general.get_object(1)->get_location(), "top|b");
    std::string text;
    copy->to_tcl_string(text);
    EXPECT_EQ(text, "{instance top|a instance top|b}");
}
