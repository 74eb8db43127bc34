#include "rdb_messages.h"

#include "test_support.h"

TEST(RdbMessages, AllFiveNumbersAreRegisteredAtLoad)
{
    for (int id : {144000, 144001, 14661, 22352, 22354})
        EXPECT_TRUE(MSG_ID_REGISTRAR::is_registered(id)) << id;
}

TEST(RdbMessages, TemplatesAreFilledWithTheirArguments)
{
    EXPECT_EQ(rdb_make_message(ERDB_REPORT_SAVE_FAILED, {"top.fit"})->get_text(),
              "Failed to save reporting database 'top.fit'.");
    EXPECT_EQ(rdb_make_message(ERDB_LOAD_REPORT_FAILED_ERRC, {"top.sta"})->get_text(),
              "Failed to load reporting database 'top.sta'.");
    EXPECT_EQ(rdb_make_message(IRDB_WROTE_JSON_REPORTS, {"out/json"})->get_text(),
              "Generated JSON formatted report files in out/json");
    EXPECT_EQ(rdb_message_template(IRDB_WROTE_SUPPRESSED_MSGS), "Generated suppressed messages file %1!s!");
    EXPECT_EQ(rdb_message_template(ERDB_GENERIC), "");
}

TEST(RdbMessages, SuppressedInformationIsNotBuiltButErrorsAlwaysAre)
{
    MSG_INDEX& index = MSG_INDEX::get_default_index();
    index.set_suppressed(IRDB_WROTE_JSON_REPORTS, true);
    index.set_suppressed(ERDB_REPORT_SAVE_FAILED, true);

    EXPECT_FALSE(rdb_make_message(IRDB_WROTE_JSON_REPORTS, {"dir"})->is_postable());
    std::unique_ptr<MSG_BASE> error = rdb_make_message(ERDB_REPORT_SAVE_FAILED, {"r"});
    EXPECT_TRUE(error->is_postable());
    EXPECT_EQ(error->get_type(), MSG_TYPE::ERROR);

    MSG_REPORT* report = msg_get_default_report();
    report->set_echo(false);
    report->clear();
    rdb_post_message(IRDB_WROTE_JSON_REPORTS, {"dir"});
    rdb_post_message(ERDB_REPORT_SAVE_FAILED, {"r"});
    std::vector<MSG_RECORD> posted = report->get_messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, ERDB_REPORT_SAVE_FAILED);

    index.set_suppressed(IRDB_WROTE_JSON_REPORTS, false);
    index.set_suppressed(ERDB_REPORT_SAVE_FAILED, false);
    rdb_post_message(IRDB_WROTE_JSON_REPORTS, {"dir"});
    EXPECT_EQ(report->get_messages().size(), 2u);
    report->clear();
}
