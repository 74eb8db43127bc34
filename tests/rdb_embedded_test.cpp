// Embedded objects and memory contents: accessors and preconditions, their plain-text forms, and
// their binary and XML round trips.

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_vocabulary.h"
#include "report_copies.h"
#include "test_support.h"
#include "ver/ver.h"

namespace {

namespace fs = std::filesystem;

std::string memory_listing(RDB_MEMORY_OBJECT& memory)
{
    std::ostringstream out;
    memory.output_ascii_memory_object(out);
    return out.str();
}

// The box an embedded object writes before its notice.
std::string box(const std::string& name)
{
    const std::string line = "+" + std::string(name.size() + 2, '-') + "+\n";
    return line + "; " + name + " ;\n" + line;
}

// The fixed lines before the words of a memory listing named name.
std::string memory_listing_head(const std::string& name)
{
    const std::string top = "+" + std::string(258, '-') + "+\n";
    std::string head = "RAM content values are presented in the following format: (Binary) (Octal) (Decimal) "
                       "(Hexadecimal) \n" +
                       top + "; " + name + std::string(256 - name.size(), ' ') + " ;\n" + top + ";   Addr   ";
    std::string rule = "\n+" + std::string(10, '-');
    for (int column = 0; column < 8; ++column) {
        head += ";" + std::string(14, ' ') + "+" + std::to_string(column) + std::string(14, ' ');
        rule += "+" + std::string(30, '-');
    }
    return head + ";" + rule + "+";
}

void set_word(RDB_MEMORY_OBJECT& memory, unsigned address, unsigned long long value)
{
    for (unsigned bit = 0; bit < memory.get_width() && bit < 64; ++bit)
        memory.set_value_at(address, bit, (value >> bit) & 1 ? CDB_CAM_DATA_ONE : CDB_CAM_DATA_ZERO);
}

// A report holding one embedded object of every type and a memory object with names and values.
std::unique_ptr<RDB_REPORT> make_report()
{
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT* main = report->get_main_folder();
    auto* stage = new RDB_FOLDER_OBJECT("Fitter");
    main->add_object_to_list(stage);
    for (unsigned type = 0; type <= EMBEDDED_OBJECT_TEXT_EDITOR_TYPE; ++type) {
        auto* embedded = new RDB_EMBEDDED_OBJECT("embedded " + std::to_string(type),
                                                 static_cast<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM>(type));
        embedded->set_info_str("top.fit." + std::to_string(type) + " <&>\n");
        if (type % 2 == 1) {
            embedded->add_message_file("top.fit.plan");
            embedded->add_message_file("top.fit.route");
        }
        embedded->set_header("header " + std::to_string(type));
        embedded->set_enable(type != 4);
        stage->add_object_to_list(embedded);
    }
    auto* memory = new RDB_MEMORY_OBJECT("ram|block", "ram.mif", 3, 70, 2, nullptr);
    memory->set_logical_name("logical ram");
    memory->set_address_name(1, "a1");
    memory->set_data_name(69, "d69");
    memory->set_value_at(0, 69, CDB_CAM_DATA_ONE);
    memory->set_value_at(1, 0, CDB_CAM_DATA_UNKNOWN);
    memory->set_value_at(2, 33, CDB_CAM_DATA_ONE);
    memory->set_footer("memory footer");
    stage->add_object_to_list(memory);
    return report;
}

// A panel document holding one memory element with the given attributes and content.
std::string memory_document(const std::string& sizes, const std::string& content)
{
    return "<?xml version=\"1.0\"?>\n<memory name=\"m\" " + sizes + ">" + content + "</memory>\n";
}

} // namespace

TEST(RdbEmbeddedObject, KindsMessageFilePathsAndMemoryBounds)
{
    RDB_EMBEDDED_OBJECT messages("Fitter Messages", EMBEDDED_OBJECT_MESSAGES_TYPE);
    RDB_MEMORY_OBJECT memory("ram", "ram.mif", 5, 12, 3, nullptr);
    EXPECT_EQ(messages.dynamic_cast_to_RDB_MEMORY_OBJECT(), nullptr);

    EXPECT_INTERNAL_ERROR(memory.get_value_at(5, 0), "address < m_depth");
    EXPECT_INTERNAL_ERROR(memory.set_value_at(5, 0, CDB_CAM_DATA_ONE), "address < m_depth");
    EXPECT_INTERNAL_ERROR(memory.get_value_at(0, 12), "bit_number < m_data_width");
    EXPECT_INTERNAL_ERROR(memory.set_address_name(3, "x"), "bit_number < m_address_width");
    EXPECT_INTERNAL_ERROR(memory.get_data_name(12), "bit_number < m_data_width");

    TEMP_PROJECT project("rdb_embedded_test");
    EXPECT_EQ(RDB_EMBEDDED_OBJECT::get_message_file_path("a.msg"), project.db_file("a.msg"));
    EXPECT_EQ(RDB_EMBEDDED_OBJECT::get_message_file_path("/abs/a.msg"), "/abs/a.msg");
    EXPECT_EQ(RDB_EMBEDDED_OBJECT::get_message_file_path(project.db_file("a.msg")), project.db_file("a.msg"));
}

TEST(RdbMemoryText, ListsWordsInEveryBaseEightToALineAndWideWordsExactly)
{
    RDB_MEMORY_OBJECT memory("ram", "ram.mif", 3, 4, 2, nullptr);
    set_word(memory, 0, 0x5);
    set_word(memory, 1, 0xA);
    set_word(memory, 2, 0xF);
    EXPECT_EQ(memory_listing(memory), memory_listing_head("ram") +
                                          "\n;0;(0101) (5) (5) (05)    ;(1010) (12) (10) (0A)   ;"
                                          "(1111) (17) (15) (0F)   ;\n\n\n");

    // The ninth word starts a second line, whose first word again ends with a space.
    RDB_MEMORY_OBJECT nine("nine", "", 9, 8, 4, nullptr);
    set_word(nine, 8, 200);
    const std::string listing = memory_listing(nine);
    EXPECT_NE(listing.find("(00000000) (0) (0) (00)   ;\n;8;(11001000) (310) (200) (C8)    ;\n\n\n"),
              std::string::npos);

    RDB_MEMORY_OBJECT empty("empty", "", 0, 8, 0, nullptr);
    EXPECT_EQ(memory_listing(empty), memory_listing_head("empty") + "\n\n\n");

    // Words wider than 64 bits print exact values.
    RDB_MEMORY_OBJECT wide("wide", "", 3, 72, 2, nullptr);
    for (unsigned bit = 0; bit < 72; ++bit)
        wide.set_value_at(0, bit, CDB_CAM_DATA_ONE);
    wide.set_value_at(1, 71, CDB_CAM_DATA_ONE);
    wide.set_value_at(2, 64, CDB_CAM_DATA_ONE);
    wide.set_value_at(2, 0, CDB_CAM_DATA_ONE);
    const std::string word1_bits = "1" + std::string(71, '0');
    const std::string word2_bits = std::string(7, '0') + "1" + std::string(63, '0') + "1";
    EXPECT_EQ(memory_listing(wide),
              memory_listing_head("wide") + "\n;0;(" + std::string(72, '1') + ") (" + std::string(24, '7') +
                  ") (4722366482869645213695) (" + std::string(18, 'F') + ")    ;(" + word1_bits + ") (4" +
                  std::string(23, '0') + ") (2361183241434822606848) (8" + std::string(17, '0') + ")   ;(" +
                  word2_bits + ") (2000000000000000000001) (18446744073709551617) (10000000000000001)   ;\n\n\n");
}

TEST(RdbEmbeddedText, EveryTypeWritesItsBoxAndNotice)
{
    TEMP_PROJECT project("rdb_embedded_test");
    ver_set_product("TestSuite", "", "");
    auto ascii = [](RDB_OBJECT& object) {
        std::ostringstream out;
        object.output_ascii(out);
        return out.str();
    };
    auto text_of = [&](RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type, const std::string& info) {
        RDB_EMBEDDED_OBJECT object("Panel", type);
        object.set_info_str(info);
        return ascii(object);
    };
    // The memory notice is in the every-kind golden.
    const std::pair<RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM, const char*> notices[] = {
        {EMBEDDED_OBJECT_TIMING_ANALYSIS_TYPE, ""},
        {EMBEDDED_OBJECT_WAVEFORM_TYPE, "Waveform report data cannot be output to ASCII.\n"
                                        "Please use TestSuite to view the waveform report data.\n"},
        {EMBEDDED_OBJECT_EQUATION_TYPE, "The equations can be found in notes.txt.\n"},
        {EMBEDDED_OBJECT_TEXT_EDITOR_TYPE, "The file can be found in notes.txt.\n"}};
    for (const auto& [type, notice] : notices)
        EXPECT_EQ(text_of(type, "notes.txt"), box("Panel") + notice) << type;
    {
        DEBUG_RECORDER recorder;
        EXPECT_EQ(text_of(EMBEDDED_OBJECT_HIERARCHY_TYPE, ""), box("Panel"));
        EXPECT_TRUE(recorder.saw("Action Point instance not found or incomplete."));
    }

    cfg_set_value("rdb_no_msgs_in_report", "on");
    EXPECT_EQ(text_of(EMBEDDED_OBJECT_MESSAGES_TYPE, "top.fit.msg"),
              box("Panel") + "Messages disabled by INI rdb_no_msgs_in_report=on\n");
    cfg_set_value("rdb_no_msgs_in_report", "");

    // Suppressed messages: the file is written when its message file can be read.
    const std::string please = box("Panel") + "Please use TestSuite to view the suppressed messages.\n";
    EXPECT_EQ(text_of(EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE, "top.fit.msg"), please);
    MSG_FILE_MESSAGE suppressed;
    suppressed.flags = MSG_FILE_MESSAGE::SUPPRESSED_FLAG;
    suppressed.text = "hidden";
    EXPECT_TRUE(msg_write_message_file(project.db_file("top.fit.msg"), {suppressed}));
    const std::string target = fio_join(gen_get_project_output_directory(), "top.fit.smsg");
    EXPECT_EQ(text_of(EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE, "top.fit.msg"),
              box("Panel") + "The suppressed messages can be found in " + target + ".\n");
    EXPECT_TRUE(fio_exists(target));
    // The flow object has no file of its own.
    EXPECT_EQ(text_of(EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE, RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES), please);
    ver_set_product("", "", "");
}

// Each format's copy is checked through the other format, so a field one of them drops shows.
TEST(RdbEmbeddedRoundTrip, BinaryAndXmlKeepEveryField)
{
    std::unique_ptr<RDB_REPORT> report = make_report();
    const REPORT_COPIES copies = copies_of(*report);
    ASSERT_TRUE(copies.stored && copies.read);
    const std::string& image = copies.image;
    // Types without a user text are written with their debug text; each message file on its own.
    EXPECT_NE(copies.xml.find("type=\"EMBEDDED_OBJECT_WAVEFORM_TYPE\""), std::string::npos);
    EXPECT_NE(copies.xml.find("<info>top.fit.1 &lt;&amp;&gt;&#10;</info>"), std::string::npos);
    EXPECT_NE(copies.xml.find("<message_file>top.fit.plan</message_file>"), std::string::npos);

    // A depth that disagrees with the stored words fails the load: the accessors trust it.
    const std::size_t at = image.find(std::string("\x0B\0\0\0", 4) + "logical ram");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(image.substr(at - 4, 4), std::string("\x03\0\0\0", 4));
    std::string bad = image;
    bad[at - 4] = '\x04';
    EXPECT_EQ(decode_report(bad), nullptr);
    // So does an embedded type beyond the last one (after the info text and an empty file list).
    bad = image;
    const std::string type0 = "top.fit.0 <&>\n" + std::string(8, '\0');
    const std::size_t type_at = bad.find(type0) + type0.size() - 4;
    ASSERT_LT(type_at, bad.size());
    bad[type_at] = '\x0A';
    EXPECT_EQ(decode_report(bad), nullptr);
    bad[type_at] = '\x09';
    EXPECT_NE(decode_report(bad), nullptr);
}

TEST(RdbEmbeddedXml, HostileMemoryDocumentsGiveNoReport)
{
    const std::string sizes = "depth=\"2\" width=\"2\" address_width=\"1\"";
    const std::string good = "<content><address><data>1</data><data>x</data></address></content>";
    std::unique_ptr<RDB_REPORT> read = report_from_xml(memory_document(sizes, good));
    ASSERT_NE(read, nullptr);
    const RDB_MEMORY_OBJECT* memory = read->get_main_folder()->find_object("m")->dynamic_cast_to_RDB_MEMORY_OBJECT();
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->get_value_at(0, 0), CDB_CAM_DATA_ONE);
    EXPECT_EQ(memory->get_value_at(0, 1), CDB_CAM_DATA_UNKNOWN);

    // Too many bits, words or names, and sizes that are absurd, negative or missing.
    for (const auto& [attributes, content] : std::vector<std::pair<std::string, std::string>>{
             {sizes, "<content><address><data>1</data><data>0</data><data>1</data></address></content>"},
             {sizes, "<content><address/><address/><address><data>1</data></address></content>"},
             {sizes, "<address_names><name>a</name><name>b</name></address_names>"},
             {sizes, "<data_names><name>a</name><name>b</name><name>c</name></data_names>"},
             {"depth=\"4000000000\" width=\"4000000000\" address_width=\"32\"", ""},
             {"depth=\"-1\" width=\"2\" address_width=\"1\"", ""},
             {"width=\"2\" address_width=\"1\"", ""}})
        EXPECT_EQ(report_from_xml(memory_document(attributes, content)), nullptr) << attributes << content;
}

// Floorplans, which are skipped too, are read in the XML suite.
TEST(RdbEmbeddedXml, UnknownTypesAndWaveforms)
{
    DEBUG_RECORDER recorder;
    auto read = [](const std::string& element) {
        return report_from_xml("<?xml version=\"1.0\"?>\n" + element + "\n");
    };
    std::unique_ptr<RDB_REPORT> report = read("<embedded name=\"e\" type=\"hologram\"><info>i</info></embedded>");
    ASSERT_NE(report, nullptr);
    const RDB_OBJECT* embedded = report->get_main_folder()->find_object("e");
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->dynamic_cast_to_RDB_EMBEDDED_OBJECT()->get_embedded_type(), EMBEDDED_OBJECT_NO_EMBEDDED_TYPE);
    EXPECT_TRUE(recorder.saw("Unrecognized enumeration type: hologram"));

    report = read("<waveform name=\"w\"><info>i</info></waveform>");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->get_main_folder()->find_object("w"), nullptr);
}
