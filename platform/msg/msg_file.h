#pragma once
// Message files: the messages a compilation stage posted, stored for the report writers.
//
// File format (text, UTF-8, one record per line, lines end with "\n"):
//
//   line 1:  "rdb-messages <version>"            the only version is 1
//   then:    "<level>\t<type>\t<flags>\t<id>\t<source file>\t<text>"   one line per message
//
// - level: 0 for a message, n > 0 for a sub-message of the closest preceding line of level n - 1
//   (so sub-messages follow their parent, depth first). At most MSG_FILE_MAX_LEVEL.
// - type: "info", "warning" or "error".
// - flags: decimal bit set; bit 0 marks a suppressed message.
// - id: the decimal message number, 0 when it has none.
// - source file and text are escaped: "\\" for a backslash, "\t" for a tab, "\n" for a line feed,
//   "\r" for a carriage return; no other backslash sequence is valid.
//
// A file is read whole before any message is handed out: a missing file, a wrong first line, an
// unknown version or any malformed record makes the whole file unreadable (read_messages answers
// false and calls nothing). Files are written atomically (a temporary file renamed over the target).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Deepest nesting of sub-messages a file may hold.
constexpr int MSG_FILE_MAX_LEVEL = 32;
constexpr int MSG_FILE_FORMAT_VERSION = 1;

enum class MSG_FILE_MESSAGE_TYPE : int { INFO = 0, WARNING = 1, ERROR = 2 };

// One stored message with its sub-messages.
struct MSG_FILE_MESSAGE {
    static constexpr std::uint32_t SUPPRESSED_FLAG = 1;

    MSG_FILE_MESSAGE_TYPE type = MSG_FILE_MESSAGE_TYPE::INFO;
    std::uint32_t flags = 0;
    int id = 0;
    // The design source file the message is about; empty when none.
    std::string source_file;
    std::string text;
    std::vector<MSG_FILE_MESSAGE> sub_messages;

    bool is_suppressed() const { return (flags & SUPPRESSED_FLAG) != 0; }
    // The text as listings show it: "Warning: text", or "Warning 1234: text" with a number.
    std::string get_formatted_text() const;
    bool operator==(const MSG_FILE_MESSAGE& other) const = default;
};

// "info", "warning", "error".
const char* msg_file_message_type_name(MSG_FILE_MESSAGE_TYPE type);

// Receives the stored messages of a file one by one, in file order.
class MSG_POST_FUNCTOR {
public:
    virtual ~MSG_POST_FUNCTOR() = default;
    // post points to a message (with its sub-messages) valid during the call.
    virtual void operator()(const MSG_FILE_MESSAGE* post) = 0;
};

// Reads a message file.
class MSG_REPORT_FILE {
public:
    MSG_REPORT_FILE() = default;
    explicit MSG_REPORT_FILE(const std::string& file_name) : m_file_name(file_name) {}

    void set_file_name(const std::string& file_name);
    const std::string& get_file_name() const { return m_file_name; }

    // Calls functor once per stored message (level 0) in file order. False, without any call, when
    // the file cannot be read or is not a valid message file.
    bool read_messages(MSG_POST_FUNCTOR& functor);
    // The distinct source files named by the stored messages (level 0), in order of first
    // appearance; "" stands for messages without a source file. Empty when the file is unreadable.
    std::vector<std::string> get_source_files();
    // The warnings (level 0) about source file (""; those without one), in file order.
    std::vector<MSG_FILE_MESSAGE> get_warnings_in_source_file(const std::string& source_file);
    // Drops what was read, so that the next call reads the file again.
    void close_stream_if_open();

private:
    // Reads and parses the file unless done already; false when unreadable.
    bool load();

    std::string m_file_name;
    bool m_loaded = false;
    bool m_readable = false;
    std::vector<MSG_FILE_MESSAGE> m_messages;
};

// Parses the text of a message file; false (with a reason) when it is not valid.
bool msg_parse_message_file(const std::string& content, std::vector<MSG_FILE_MESSAGE>& messages, std::string* error);
// The text of a message file holding messages. Sub-messages nested deeper than MSG_FILE_MAX_LEVEL
// are left out.
std::string msg_format_message_file(const std::vector<MSG_FILE_MESSAGE>& messages);
// Writes the message file atomically; false when it cannot be written (the old file stays).
bool msg_write_message_file(const std::string& file_name, const std::vector<MSG_FILE_MESSAGE>& messages);
