// The QML form: the every-kind report's entries and components against a golden file, hostile texts read
// back from the string literals of every file they reach, waveform image names, and the failures that
// must answer false.

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "every_kind_report.h"
#include "rdb.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// The QML text split into its double-quoted literals (decoded as the QML engine decodes them) and the
// code between them. A literal that does not close fails the test.
struct SCANNED {
    std::vector<std::string> literals;
    std::string code;
};

void append_utf8(std::string& out, unsigned int c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

SCANNED scan(const std::string& qml)
{
    SCANNED scanned;
    for (std::size_t i = 0; i < qml.size(); ++i) {
        if (qml[i] != '"') {
            scanned.code += qml[i];
            continue;
        }
        std::string value;
        for (++i; i < qml.size() && qml[i] != '"'; ++i) {
            EXPECT_NE(qml[i], '\n') << "a line break inside a literal";
            if (qml[i] != '\\') {
                value += qml[i];
                continue;
            }
            const char e = qml[++i];
            if (e == 'u') {
                append_utf8(value, static_cast<unsigned int>(std::stoul(qml.substr(i + 1, 4), nullptr, 16)));
                i += 4;
            } else {
                value += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
        }
        EXPECT_LT(i, qml.size()) << "an unterminated literal";
        scanned.literals.push_back(value);
        scanned.code += "\"\"";
    }
    return scanned;
}

RDB_WAVEFORM_DISPLAY_OBJECT* diagram(const std::string& name)
{
    auto* display = new RDB_WAVEFORM_DISPLAY_OBJECT(name);
    auto* clock = new RDB_WAVEFORM_ELEMENT(10000, 0);
    clock->add_event(RDB_WAVEFORM_EVENT(0, RDB_WAVEFORM_EVENT::RISING_EDGE));
    display->add_waveform(clock);
    return display;
}

class RdbQml : public ::testing::Test {
protected:
    ~RdbQml() override
    {
        ::unsetenv("RDB_DATA_DIR");
        RDB_REPORT::free_all_reports();
    }

    // Visits root's children into files; answers the entries and every component file, each after a line
    // naming it, in the order they were numbered.
    std::string components_of(RDB_FOLDER_OBJECT& root, unsigned int expected_failures = 0)
    {
        fs::create_directories(m_files / "components");
        std::ostringstream toc;
        RDB_OBJECT_QML_VISITOR visitor(&toc, m_files.string(), false, "Title");
        visitor.output_child_list(root.begin_object_const_iter(), root.end_object_const_iter());
        EXPECT_EQ(visitor.get_failure_count(), expected_failures);
        std::string text = "== toc\n" + toc.str();
        std::set<std::pair<std::uint64_t, std::string>> numbered;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_files / "components")) {
            const std::string name = entry.path().filename().string();
            const std::size_t digits = name.find_first_of("0123456789");
            numbered.insert({std::stoull(name.substr(digits)), name});
        }
        EXPECT_EQ(numbered.size(), visitor.get_panel_counter() - 1);
        for (const auto& [number, name] : numbered)
            text += "== " + name + "\n" + read_file((m_files / "components" / name).string());
        return text;
    }

    TEMP_PROJECT m_project{"rdb_qml_test"};
    fs::path m_files = fs::path(m_project.dir()) / "r.qml_files";
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

// Every entry names a component file of its own; kinds without a QML form get their notices.
TEST_F(RdbQml, EveryKindReportEntriesAndComponents)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    const std::string text = components_of(*report->get_main_folder());
    expect_golden("every_kind_components.qml", text);
    const SCANNED scanned = scan(text);
    for (const std::string& literal : scanned.literals) {
        if (literal.starts_with("components/")) {
            EXPECT_TRUE(fs::exists(m_files / literal)) << literal;
        }
        if (literal.ends_with(".gif")) {
            EXPECT_TRUE(fs::is_regular_file(m_files / "components" / literal)) << literal;
        }
    }
}

// A hostile text, wherever it goes, reads back whole from one literal and leaves the code around the
// literals as it was; a table cell holding U+00B0 becomes rich text, other cells keep their bytes.
TEST_F(RdbQml, HostileTextsReadBackWholeFromTheirLiterals)
{
    struct CASE {
        std::string text;
        std::string read_back = {}; // as a literal gives it back, when not the text itself
        std::string cell = {}; // as a table cell's literal gives it back, when not read_back
    };
    const std::string replacement = "\xEF\xBF\xBD";
    const std::vector<CASE> cases = {
        {"a\"b'c"},
        {"back\\slash\\"},
        {"line\nbreak\r\ttab"},
        {"sep\xE2\x80\xA8 ar"},
        {"'); Qt.quit(); //"},
        {"\"); Qt.quit(); //<script>||"},
        {"bad\xFF\xC3", "bad" + replacement + replacement},
        {"\xC4\xB0stanbul \xD0\xB0"},
        {"\xC4\xB0 25\xC2\xB0"
         "C <b>",
         "",
         "<html>\xC4\xB0 25\xC2\xB0"
         "C &lt;b&gt;</html>"},
    };
    const std::string messages = m_project.db_file("hostile.msg");
    std::vector<MSG_FILE_MESSAGE> stored;
    for (const CASE& c : cases) {
        MSG_FILE_MESSAGE message;
        message.text = c.text;
        message.sub_messages.push_back(message);
        stored.push_back(message);
    }
    ASSERT_TRUE(msg_write_message_file(messages, stored));

    for (const CASE& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string read_back = c.read_back.empty() ? c.text : c.read_back;
        const std::string cell = c.cell.empty() ? read_back : c.cell;
        fs::remove_all(m_files);
        RDB_FOLDER_OBJECT root("root");
        auto* folder = new RDB_FOLDER_OBJECT(c.text);
        root.add_object_to_list(folder);
        auto* text = new RDB_TEXT_OBJECT(c.text);
        text->set_text(c.text);
        folder->add_object_to_list(text);
        auto* table = new RDB_TABLE_OBJECT(c.text);
        table->add_row(rdb_create_row({c.text}));
        table->add_row(rdb_create_row({c.text}));
        folder->add_object_to_list(table);
        auto* embedded = new RDB_EMBEDDED_OBJECT(c.text, EMBEDDED_OBJECT_MESSAGES_TYPE);
        embedded->set_info_str(messages);
        folder->add_object_to_list(embedded);
        const std::string all = components_of(root);
        const SCANNED scanned = scan(all);
        EXPECT_EQ(scanned.code.find("Qt.quit"), std::string::npos);
        EXPECT_EQ(scanned.code.find("<script>"), std::string::npos);
        auto count = [&](const std::string& value) {
            return std::count(scanned.literals.begin(), scanned.literals.end(), value);
        };
        // Names in the entries and headers, texts in the text area and the header cell, the cell's value.
        EXPECT_GE(count(read_back), 7);
        const bool rich = cell != read_back;
        if (rich) {
            EXPECT_EQ(count(cell), 1);
        }
        EXPECT_EQ(all.find("ListElement { format: \"rich\" }") != std::string::npos, rich);
        // The message and its sub-message, each with the listing's prefix.
        EXPECT_EQ(count("Info: " + read_back), 2);
    }
}

// Image names never leave the files folder or break a URL, and two diagrams never share one.
TEST_F(RdbQml, WaveformImagesGetDistinctPlainNamesInTheFilesFolder)
{
    RDB_FOLDER_OBJECT root("root");
    const std::vector<std::string> names = {"Waveform", "Waveform", "WAVEFORM", "../up", "a/b", "x#y?z%20", ""};
    for (const std::string& name : names)
        root.add_object_to_list(diagram(name));
    const SCANNED scanned = scan(components_of(root));
    std::set<std::string> images;
    for (const std::string& literal : scanned.literals) {
        if (!literal.ends_with(".gif")) continue;
        ASSERT_TRUE(literal.starts_with("../waveform_")) << literal;
        const std::string file = literal.substr(3);
        EXPECT_EQ(file.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-."),
                  std::string::npos)
            << file;
        EXPECT_TRUE(fs::is_regular_file(m_files / file)) << file;
        images.insert(file);
    }
    EXPECT_EQ(images.size(), names.size());
    EXPECT_EQ(images.count("waveform_Waveform.gif"), 1u);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_project.dir()))
        if (entry.path().extension() == ".gif") {
            EXPECT_EQ(entry.path().parent_path(), m_files) << entry.path();
        }
}

// A diagram that cannot be written shows a notice and counts as a failure; a report without its template
// answers false and writes no report file; a complete one answers true with its project file and archive.
TEST_F(RdbQml, ReportFileAnswersWhetherEverythingWasWritten)
{
    RDB_FOLDER_OBJECT root("root");
    root.add_object_to_list(diagram("W"));
    fs::create_directories(m_files / "waveform_W.gif");
    const std::string text = components_of(root, 1);
    EXPECT_NE(text.find("The waveform image could not be drawn or written."), std::string::npos) << text;
    EXPECT_EQ(text.find(".gif\""), std::string::npos) << text;

    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    const fs::path empty_data = fs::path(m_project.dir()) / "data";
    fs::create_directories(empty_data / "htdocs");
    for (const bool with_template : {false, true}) {
        SCOPED_TRACE(with_template);
        const std::string data = with_template ? std::string(RDB_TEST_DATA_DIR) + "/../data" : empty_data.string();
        ::setenv("RDB_DATA_DIR", data.c_str(), 1);
        const std::string file = m_project.dir() + "/r \"" + std::to_string(with_template) + "\".qml";
        RDB_REPORT_GEN gen(report.get(), "every kind");
        EXPECT_EQ(gen.write_qml_report_file(file, false), with_template);
        EXPECT_EQ(fs::exists(file), with_template);
        EXPECT_EQ(fs::exists(file + ".zip"), with_template);
        if (with_template) {
            EXPECT_EQ(read_file(file + "project"),
                      "import QmlProject 1.1\nProject {\nmainFile: \"r \\\"1\\\".qml\"\n}");
        }
    }
}

} // namespace
