#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <tcl.h>

#include "msg/msg.h"
#include "tcl/atcl.h"
#include "test_support.h"

namespace {

void returning_handler(const char* condition, const char*, const char*, int)
{
    std::fprintf(stderr, "handler saw %s\n", condition);
}

void fail_if_negative(int value) { RDB_ASSERT(value >= 0); }

} // namespace

TEST(MsgInternalError, SetHandlerReturnsPreviousAndNullRestoresDefault)
{
    MSG_INTERNAL_ERROR_HANDLER suite_handler = msg_set_internal_error_handler(&returning_handler);
    EXPECT_EQ(msg_set_internal_error_handler(nullptr), &returning_handler);
    MSG_INTERNAL_ERROR_HANDLER default_handler = msg_set_internal_error_handler(suite_handler);
    EXPECT_NE(default_handler, nullptr);
    EXPECT_NE(default_handler, suite_handler);
    EXPECT_INTERNAL_ERROR(RDB_ASSERT_MSG(1 + 1 == 3, "arithmetic broke"), "arithmetic broke");
}

TEST(MsgInternalErrorDeathTest, AbortsEvenWhenTheHandlerReturns)
{
    EXPECT_EXIT((msg_set_internal_error_handler(nullptr), fail_if_negative(-1)), testing::KilledBySignal(SIGABRT),
                "Internal error: value >= 0.*RDB.*platform_msg_test.cpp");
    EXPECT_EXIT((msg_set_internal_error_handler(&returning_handler), RDB_INTERNAL_ERROR("must stop")),
                testing::KilledBySignal(SIGABRT), "handler saw must stop");
}

TEST(MsgDebug, HandlerGetsWholeFormattedLines)
{
    DEBUG_RECORDER rec;
    mem_msg_local_vdebug("RDB", "freed %u bytes", 16u);
    std::string long_text(2000, 'z'); // longer than the formatter's stack buffer
    msg_local_vdebug("RDB", 9, "<%s>", long_text.c_str());
    MSG_DEBUG_HANDLER previous = msg_set_debug_handler(nullptr);
    msg_local_vdebug("RDB", 2, "nobody listens");
    EXPECT_EQ(msg_set_debug_handler(previous), nullptr);
    ASSERT_EQ(rec.lines().size(), 2u);
    EXPECT_EQ(rec.lines()[0].component, "RDB");
    EXPECT_EQ(rec.lines()[0].level, 3);
    EXPECT_EQ(rec.lines()[0].text, "freed 16 bytes");
    EXPECT_EQ(rec.lines()[1].text, "<" + long_text + ">");
}

// The display level is read once per process, so a fresh child checks what reaches its stderr.
TEST(MsgDebugDeathTest, StderrShowsOnlyLinesUpToTheDisplayLevel)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("RDB_DEBUG_LEVEL", "2", 1);
            testing::internal::CaptureStderr();
            msg_local_vdebug("RDB", 2, "shown %d", 2);
            msg_local_vdebug("RDB", 3, "hidden %d", 3);
            std::_Exit(testing::internal::GetCapturedStderr() == "RDB(2): shown 2\n" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MsgNumbered, FillArgsReplacesOnlyNumberedPlaceholders)
{
    EXPECT_EQ(MSG_BASE::fill_args("%2!s!-%1!s!-%2!s!", {"a", "b"}), "b-a-b");
    EXPECT_EQ(MSG_BASE::fill_args("x%3!s!y", {"a"}), "xy");
    EXPECT_EQ(MSG_BASE::fill_args("%9!s!", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}), "nine");
    // Not placeholders: no number, zero, another conversion, cut short at the end.
    EXPECT_EQ(MSG_BASE::fill_args("100% %0!s! %1!d! %1!s", {"a"}), "100% %0!s! %1!d! %1!s");
    // An argument is inserted as it is, never expanded again.
    EXPECT_EQ(MSG_BASE::fill_args("%1!s!", {"%2!s!", "no"}), "%2!s!");
}

TEST(MsgNumbered, RegistrarsAndSuppressionCountEachHolder)
{
    const int ids[] = {990001, 990002};
    const MSG_TYPE types[] = {MSG_TYPE::ERROR, MSG_TYPE::INFO};
    {
        MSG_ID_REGISTRAR first(ids, types, 2);
        {
            MSG_ID_REGISTRAR second(ids, types, 1);
        }
        EXPECT_TRUE(MSG_ID_REGISTRAR::is_registered(990001)); // the first registrar still holds it
    }
    EXPECT_FALSE(MSG_ID_REGISTRAR::is_registered(990001));
    // Suppressing twice and releasing once leaves the number free.
    MSG_INDEX& index = MSG_INDEX::get_default_index();
    index.set_suppressed(990010, true);
    index.set_suppressed(990010, true);
    EXPECT_TRUE(index.is_suppressed(990010));
    index.set_suppressed(990010, false);
    EXPECT_FALSE(index.is_suppressed(990010));
}

TEST(MsgReport, PostRecordsFilledMessagesAndSkipsSuppressedOnes)
{
    MSG_REPORT report;
    report.set_echo(false);
    msg_post(MSG_E(22352, "Failed '%1!s!'", {"x"}), &report);
    msg_post(MSG_I_NULL(144001), &report);
    msg_post(MSG_I(14661, "in %1!s!", {"/tmp/out"}), &report);
    std::vector<MSG_RECORD> messages = report.get_messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].id, 22352);
    EXPECT_EQ(messages[0].type, MSG_TYPE::ERROR);
    EXPECT_EQ(messages[0].text, "Failed 'x'");
    EXPECT_EQ(messages[1].type, MSG_TYPE::INFO);
    EXPECT_EQ(messages[1].text, "in /tmp/out");
    // The default report echoes to stderr.
    MSG_REPORT* fallback = msg_get_default_report();
    fallback->clear();
    testing::internal::CaptureStderr();
    msg_post(MSG_E(22354, "saving '%1!s!' failed", {"a"}));
    msg_post(MSG_I(144001, "wrote", {}));
    MSG_REPORT::flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error (22354): saving 'a' failed\nInfo (144001): wrote\n");
    EXPECT_EQ(fallback->get_messages().size(), 2u);
    fallback->clear();
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

std::string tcl_text(const MSG_LOCATION_SCHEMA& schema)
{
    std::string text;
    schema.to_tcl_string(text);
    return text;
}

// What a table cell does: strip the outer braces, split "func <inner>", decode; null on error.
std::unique_ptr<MSG_GEN_LOCATION_SCHEMA> decode(const std::string& text)
{
    Tcl_Interp* interp = atcl_get_interpreter();
    int argc = 0;
    const char** argv = nullptr;
    if (Tcl_SplitList(interp, ("func " + text.substr(1, text.size() - 2)).c_str(), &argc, &argv) != TCL_OK)
        return nullptr;
    int status = MSG_LOCATION_SCHEMA::from_tcl_string(interp, argc, argv);
    Tcl_Free(reinterpret_cast<char*>(argv));
    auto* schema = static_cast<MSG_LOCATION_SCHEMA*>(atcl_get_ptr(Tcl_GetStringResult(interp)));
    EXPECT_EQ(status == TCL_OK, schema != nullptr); // an error leaves no schema behind
    return std::unique_ptr<MSG_GEN_LOCATION_SCHEMA>(dynamic_cast<MSG_GEN_LOCATION_SCHEMA*>(schema));
}

} // namespace

TEST(MsgLocationSchema, TclFormRoundTripsAwkwardNames)
{
    EXPECT_EQ(tcl_text(*make_schema({"a", "has space"})), "{instance a instance {has space}}");
    EXPECT_EQ(decode(tcl_text(*make_schema({})))->size(), 0u);
    const std::vector<std::string> names = {"top|u1|reg", "br{ace", "cl}ose",   "{both}", "back\\slash",
                                            "ends\\",     "bus[3]", "$var;cmd", "",       "\"q\""};
    auto decoded = decode(tcl_text(*make_schema(names)));
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(decoded->get_object(i)->get_location(), names[i]) << i;
}

TEST(MsgLocationSchema, MalformedWordsAreRejected)
{
    EXPECT_EQ(decode("{instance}"), nullptr);
    // An odd word count is refused, whatever lies past the last word.
    const char* words[] = {"func", "instance", "a", "instance", "b"};
    EXPECT_EQ(MSG_LOCATION_SCHEMA::from_tcl_string(atcl_get_interpreter(), 4, words), TCL_ERROR);
    EXPECT_EQ(decode("{instance a pin b}"), nullptr);
    EXPECT_NE(std::string(Tcl_GetStringResult(atcl_get_interpreter())).find("\"pin\""), std::string::npos);
}

TEST(MsgLocationSchema, CopiesAreDeep)
{
    auto original = make_schema({"top|a", "top|b"});
    std::unique_ptr<MSG_LOCATION_SCHEMA> copy(original->clone());
    const MSG_LOCATION* first = original->get_object(0);
    original.reset();
    EXPECT_NE(dynamic_cast<MSG_GEN_LOCATION_SCHEMA&>(*copy).get_object(0), first);
    EXPECT_EQ(tcl_text(*copy), "{instance top|a instance top|b}");
}
