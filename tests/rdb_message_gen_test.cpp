// Message files, the message listing, message sessions of report files and the suppressed-message
// file.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_message_gen.h"
#include "rdb_messages.h"
#include "rdb_vocabulary.h"
#include "test_support.h"
#include "ver/ver.h"

namespace {

namespace fs = std::filesystem;

// A temporary project with a product name for the notices.
class MESSAGE_PROJECT : public TEMP_PROJECT {
public:
    MESSAGE_PROJECT() : TEMP_PROJECT("rdb_message_gen_test") { ver_set_product("TestSuite", "", ""); }
    ~MESSAGE_PROJECT() { ver_set_product("", "", ""); }
};

MSG_FILE_MESSAGE message(MSG_FILE_MESSAGE_TYPE type, int id, const std::string& text, bool suppressed = false,
                         const std::string& source = "")
{
    return {type, suppressed ? MSG_FILE_MESSAGE::SUPPRESSED_FLAG : 0u, id, source, text, {}};
}

// Two messages with sub-messages three levels deep, texts with every escaped character.
std::vector<MSG_FILE_MESSAGE> sample_messages()
{
    MSG_FILE_MESSAGE first =
        message(MSG_FILE_MESSAGE_TYPE::WARNING, 101, "first\nline two\ttab \\ back\r", false, "/src/a\tb.v");
    MSG_FILE_MESSAGE sub = message(MSG_FILE_MESSAGE_TYPE::INFO, 0, "sub");
    sub.sub_messages.push_back(message(MSG_FILE_MESSAGE_TYPE::INFO, 7, "sub sub"));
    sub.sub_messages.push_back(message(MSG_FILE_MESSAGE_TYPE::INFO, 8, "hidden sub sub", true));
    first.sub_messages.push_back(sub);
    first.sub_messages.push_back(message(MSG_FILE_MESSAGE_TYPE::ERROR, 9, "second sub"));
    return {first, message(MSG_FILE_MESSAGE_TYPE::ERROR, 202, "hidden", true),
            message(MSG_FILE_MESSAGE_TYPE::INFO, 0, "")};
}

struct COLLECTOR : MSG_POST_FUNCTOR {
    void operator()(const MSG_FILE_MESSAGE* post) override { messages.push_back(*post); }
    std::vector<MSG_FILE_MESSAGE> messages;
};

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Reading answers false and hands out nothing.
void expect_unreadable(const std::string& path)
{
    COLLECTOR collector;
    EXPECT_FALSE(MSG_REPORT_FILE(path).read_messages(collector)) << read_file(path);
    EXPECT_TRUE(collector.messages.empty());
}

std::string listing(const std::string& path, bool suppressed)
{
    std::ostringstream out;
    RDB_MESSAGE_GEN::output_messages(out, path, suppressed);
    return out.str();
}

const std::string CANT_READ_TAIL =
    ".\nMake sure the file exists and is up to date, and you have permission to read and write the file.\n";

} // namespace

TEST(MsgFile, WrittenMessagesReadBackWithSubMessagesAndEscapes)
{
    MESSAGE_PROJECT project;
    const std::string path = project.db_file("a.msg");
    ASSERT_TRUE(msg_write_message_file(path, sample_messages()));
    COLLECTOR collector;
    MSG_REPORT_FILE file;
    file.set_file_name(path);
    ASSERT_TRUE(file.read_messages(collector));
    EXPECT_EQ(collector.messages, sample_messages());
    EXPECT_EQ(read_file(path).find('\r'), std::string::npos); // every line break is escaped

    EXPECT_EQ(file.get_source_files(), (std::vector<std::string>{"/src/a\tb.v", ""}));
    ASSERT_EQ(file.get_warnings_in_source_file("/src/a\tb.v").size(), 1u);

    // A new file name reads the new file.
    ASSERT_TRUE(msg_write_message_file(project.db_file("b.msg"), {message(MSG_FILE_MESSAGE_TYPE::INFO, 1, "b")}));
    file.set_file_name(project.db_file("b.msg"));
    COLLECTOR second;
    ASSERT_TRUE(file.read_messages(second));
    EXPECT_EQ(second.messages, (std::vector<MSG_FILE_MESSAGE>{message(MSG_FILE_MESSAGE_TYPE::INFO, 1, "b")}));
}

TEST(MsgFile, CorruptAndMissingFilesAreUnreadable)
{
    MESSAGE_PROJECT project;
    const std::string path = project.db_file("bad.msg");
    expect_unreadable(project.db_file("missing.msg"));
    const std::string head = "rdb-messages 1\n";
    // Bad headings, a sub-message without a parent, and records that are cut short or malformed.
    std::vector<std::string> bodies = {"", "rdb-messages 2\n", "other 1\n", "rdb-messages 1",
                                       head + "1\tinfo\t0\t0\t\tsub\n"};
    for (const char* record : {"0\tinfo\t0\t0\t\ttext", "0\tinfo\t0\t0\ttext\n", "2\tinfo\t0\t0\t\tskips a level\n",
                               "0\tnotice\t0\t0\t\ttype\n", "0\tinfo\t0\t12a\t\tid\n", "-1\tinfo\t0\t0\t\tlevel\n",
                               "0\tinfo\t0\t0\t\tescape \\q\n", "0\tinfo\t0\t0\t\tbackslash \\\n"})
        bodies.push_back(head + "0\tinfo\t0\t0\t\tfirst\n" + record);
    for (const std::string& body : bodies) {
        write_file(path, body);
        expect_unreadable(path);
    }
    // Nesting as deep as allowed is read.
    std::string deep = head;
    for (int level = 0; level <= MSG_FILE_MAX_LEVEL; ++level)
        deep += std::to_string(level) + "\tinfo\t0\t0\t\tlevel\n";
    write_file(path, deep);
    COLLECTOR collector;
    EXPECT_TRUE(MSG_REPORT_FILE(path).read_messages(collector));
    EXPECT_EQ(collector.messages.size(), 1u);
}

TEST(RdbMessageListing, ListsSelectedMessagesWithIndentedSubMessagesOrAReferenceBlockInASession)
{
    MESSAGE_PROJECT project;
    const std::string path = project.db_file("top.fit.msg");
    ASSERT_TRUE(msg_write_message_file(path, sample_messages()));
    DEBUG_RECORDER recorder;
    EXPECT_EQ(listing(path, false), "Warning 101: first\nline two\ttab \\ back\r\n"
                                    "    Info: sub\n"
                                    "        Info 7: sub sub\n"
                                    "    Error 9: second sub\n"
                                    "Info: \n");
    EXPECT_TRUE(recorder.saw("Trying to read: " + path));
    EXPECT_EQ(listing(path, true), "Error 202: hidden\n");
    EXPECT_EQ(listing(project.db_file("none.msg"), false),
              "Can't read TestSuite message file " + project.db_file("none.msg") + CANT_READ_TAIL);

    std::ostringstream out;
    RDB_OUTPUT_MESSAGES_FUNCTOR functor(out, false);
    EXPECT_INTERNAL_ERROR(functor(nullptr), "post != NULL");

    // A messages object lists its files, or writes a reference block in a session.
    ASSERT_TRUE(msg_write_message_file(project.db_file("a.msg"), {message(MSG_FILE_MESSAGE_TYPE::INFO, 1, "from a")}));
    ASSERT_TRUE(msg_write_message_file(project.db_file("b.msg"), {message(MSG_FILE_MESSAGE_TYPE::INFO, 2, "from b")}));
    RDB_EMBEDDED_OBJECT messages("Msgs", EMBEDDED_OBJECT_MESSAGES_TYPE);
    messages.set_info_str("a.msg");
    messages.add_message_file("b.msg");
    const std::string box = "+------+\n; Msgs ;\n+------+\n";
    std::ostringstream text;
    messages.output_ascii(text);
    EXPECT_EQ(text.str(), box + "Info 1: from a\nInfo 2: from b\n");

    RDB_MESSAGE_GEN& generator = RDB_MESSAGE_GEN::get_message_gen();
    generator.start_session(project.output_file("top.rpt"));
    text.str("");
    messages.output_ascii(text);
    EXPECT_EQ(text.str(), box + "<<<<message_ref>>>>\n" + project.db_file("a.msg") + "\n" + project.db_file("b.msg") +
                              "\n<<<</message_ref>>>>\n");
    // The flow object names only its additional files: it has none.
    RDB_EMBEDDED_OBJECT flow(RDB_FLOW_MESSAGE_RPT_NAME, EMBEDDED_OBJECT_MESSAGES_TYPE);
    flow.set_info_str(RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES);
    flow.output_ascii(text);
    generator.end_session();
    EXPECT_TRUE(
        text.str().ends_with("; Flow Messages ;\n+---------------+\n<<<<message_ref>>>>\n<<<</message_ref>>>>\n"));
}

TEST(RdbMessageSession, OneSessionAtATimeReplacingReferenceBlocksAndKeepingTheFileOnFailure)
{
    MESSAGE_PROJECT project;
    RDB_MESSAGE_GEN& generator = RDB_MESSAGE_GEN::get_message_gen();
    EXPECT_INTERNAL_ERROR(generator.use_session(), "m_in_session == true");
    EXPECT_INTERNAL_ERROR(generator.end_session(), "m_in_session == true");
    for (const char* name : {"first.fit.rpt", "second.fit.rpt"}) {
        const std::string final_file = project.output_file(name);
        const std::string temp = generator.start_session(final_file);
        EXPECT_EQ(temp, project.db_file(fio_replace_extension(name, "tmp")));
        generator.use_session();
        EXPECT_INTERNAL_ERROR(generator.start_session(project.output_file("other.rpt")), "m_in_session == false");
        write_file(temp, std::string("report ") + name + "\nlast line without end");
        EXPECT_TRUE(generator.end_session());
        EXPECT_FALSE(generator.is_in_session());
        EXPECT_EQ(read_file(final_file), std::string("report ") + name + "\nlast line without end");
        EXPECT_FALSE(fio_exists(temp));
    }

    // Reference blocks are replaced by the messages, after lines of any length.
    ASSERT_TRUE(msg_write_message_file(project.db_file("a.msg"), sample_messages()));
    ASSERT_TRUE(msg_write_message_file(project.db_file("b.msg"), {message(MSG_FILE_MESSAGE_TYPE::INFO, 2, "from b")}));
    const std::string final_file = project.output_file("top.rpt");
    const std::string temp = generator.start_session(final_file);
    const std::string long_line(100000, 'x');
    write_file(temp, "before\n" + long_line + "\n<<<<message_ref>>>>\n" + project.db_file("a.msg") + "\n" +
                         project.db_file("b.msg") + "\n" + project.db_file("gone.msg") +
                         "\n<<<</message_ref>>>>\nafter\n");
    EXPECT_TRUE(generator.end_session());
    EXPECT_EQ(read_file(final_file), "before\n" + long_line + "\n" + listing(project.db_file("a.msg"), false) +
                                         "Info 2: from b\nCan't read TestSuite message file " +
                                         project.db_file("gone.msg") + CANT_READ_TAIL + "after\n");
    EXPECT_FALSE(fio_exists(temp));

    // A failed session leaves the previous final file.
    generator.start_session(final_file); // the writer never writes the temporary file
    EXPECT_FALSE(generator.end_session());
    EXPECT_FALSE(generator.is_in_session());
    EXPECT_EQ(read_file(final_file).substr(0, 7), "before\n");

    // A final file named like its own temporary file keeps the resolved content.
    const std::string same = project.db_file("top.tmp");
    ASSERT_EQ(generator.start_session(same), same);
    write_file(same, "<<<<message_ref>>>>\n" + project.db_file("none.msg") + "\n<<<</message_ref>>>>\n");
    EXPECT_TRUE(generator.end_session());
    EXPECT_EQ(read_file(same), "Can't read TestSuite message file " + project.db_file("none.msg") + CANT_READ_TAIL);
}

TEST(RdbSuppressedMessages, WritesTheSuppressedMessagesAndNeverCountsAStaleFile)
{
    MESSAGE_PROJECT project;
    MSG_REPORT* report = msg_get_default_report();
    report->set_echo(false);
    report->clear();
    const std::string target = project.output_file("top.map.smsg");

    // A file from an earlier run is removed, not reported as written.
    write_file(target, "stale");
    EXPECT_FALSE(rdb_generate_suppressed_message_file("top.map.msg", true));
    EXPECT_FALSE(fio_exists(target));
    write_file(project.db_file("top.map.msg"), "corrupt\n");
    write_file(target, "stale");
    EXPECT_FALSE(rdb_generate_suppressed_message_file("top.map.msg", true));
    EXPECT_FALSE(fio_exists(target));
    EXPECT_TRUE(report->get_messages().empty());

    ASSERT_TRUE(msg_write_message_file(project.db_file("top.map.msg"), sample_messages()));
    EXPECT_TRUE(rdb_generate_suppressed_message_file("top.map.msg", false));
    EXPECT_TRUE(report->get_messages().empty());
    EXPECT_TRUE(rdb_generate_suppressed_message_file("top.map.msg", true));
    COLLECTOR collector;
    ASSERT_TRUE(MSG_REPORT_FILE(target).read_messages(collector));
    EXPECT_EQ(collector.messages, (std::vector<MSG_FILE_MESSAGE>{sample_messages()[1]}));
    const std::vector<MSG_RECORD> posted = report->get_messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, IRDB_WROTE_SUPPRESSED_MSGS);
    EXPECT_NE(posted[0].text.find(target), std::string::npos);
    report->clear();
    report->set_echo(true);
}
