#include "msg/msg_file.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>

#include "fio/fio.h"
#include "msg/msg.h"

namespace {

constexpr std::string_view MAGIC = "rdb-messages";

const char* const TYPE_NAMES[] = {"info", "warning", "error"};
const char* const TYPE_TITLES[] = {"Info", "Warning", "Error"};

void append_escaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

bool unescape(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

template <class T> bool parse_decimal(std::string_view text, T& value)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

void append_record(std::string& out, const MSG_FILE_MESSAGE& message, int level)
{
    if (level > MSG_FILE_MAX_LEVEL) return;
    out += std::to_string(level);
    out += '\t';
    out += msg_file_message_type_name(message.type);
    out += '\t';
    out += std::to_string(message.flags);
    out += '\t';
    out += std::to_string(message.id);
    out += '\t';
    append_escaped(out, message.source_file);
    out += '\t';
    append_escaped(out, message.text);
    out += '\n';
    for (const MSG_FILE_MESSAGE& sub : message.sub_messages)
        append_record(out, sub, level + 1);
}

// One record line; false when malformed.
bool parse_record(std::string_view line, int& level, MSG_FILE_MESSAGE& message)
{
    std::string_view fields[6];
    for (int i = 0; i < 5; ++i) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return false;
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    fields[5] = line;
    if (!parse_decimal(fields[0], level) || level < 0 || level > MSG_FILE_MAX_LEVEL) return false;
    bool known_type = false;
    for (int t = 0; t < 3; ++t)
        if (fields[1] == TYPE_NAMES[t]) {
            message.type = static_cast<MSG_FILE_MESSAGE_TYPE>(t);
            known_type = true;
        }
    return known_type && parse_decimal(fields[2], message.flags) && parse_decimal(fields[3], message.id) &&
           unescape(fields[4], message.source_file) && unescape(fields[5], message.text);
}

} // namespace

const char* msg_file_message_type_name(MSG_FILE_MESSAGE_TYPE type)
{
    const int index = static_cast<int>(type);
    return index >= 0 && index < 3 ? TYPE_NAMES[index] : "info";
}

std::string MSG_FILE_MESSAGE::get_formatted_text() const
{
    const int index = static_cast<int>(type);
    std::string out = index >= 0 && index < 3 ? TYPE_TITLES[index] : "Info";
    if (id != 0) out += " " + std::to_string(id);
    out += ": ";
    out += text;
    return out;
}

bool msg_parse_message_file(const std::string& content, std::vector<MSG_FILE_MESSAGE>& messages, std::string* error)
{
    auto failed = [error](const std::string& reason) {
        if (error != nullptr) *error = reason;
        return false;
    };
    messages.clear();
    std::string_view rest(content);
    std::size_t line_number = 0;
    // The open message at each level; only the last message of a level can take sub-messages.
    std::vector<MSG_FILE_MESSAGE*> open;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) return failed("line " + std::to_string(line_number + 1) + " has no end");
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (++line_number == 1) {
            int version = 0;
            if (line.substr(0, MAGIC.size() + 1) != std::string(MAGIC) + " " ||
                !parse_decimal(line.substr(MAGIC.size() + 1), version))
                return failed("not a message file");
            if (version != MSG_FILE_FORMAT_VERSION) return failed("unknown version " + std::to_string(version));
            continue;
        }
        int level = 0;
        MSG_FILE_MESSAGE message;
        if (!parse_record(line, level, message)) return failed("line " + std::to_string(line_number) + " is malformed");
        if (static_cast<std::size_t>(level) > open.size())
            return failed("line " + std::to_string(line_number) + " has no parent message");
        open.resize(static_cast<std::size_t>(level));
        std::vector<MSG_FILE_MESSAGE>& siblings = level == 0 ? messages : open.back()->sub_messages;
        siblings.push_back(std::move(message));
        open.push_back(&siblings.back());
    }
    if (line_number == 0) return failed("empty file");
    return true;
}

std::string msg_format_message_file(const std::vector<MSG_FILE_MESSAGE>& messages)
{
    std::string out(MAGIC);
    out += ' ';
    out += std::to_string(MSG_FILE_FORMAT_VERSION);
    out += '\n';
    for (const MSG_FILE_MESSAGE& message : messages)
        append_record(out, message, 0);
    return out;
}

bool msg_write_message_file(const std::string& file_name, const std::vector<MSG_FILE_MESSAGE>& messages)
{
    return fio_write_file_atomically(file_name, msg_format_message_file(messages));
}

void MSG_REPORT_FILE::set_file_name(const std::string& file_name)
{
    m_file_name = file_name;
    close_stream_if_open();
}

void MSG_REPORT_FILE::close_stream_if_open()
{
    m_loaded = false;
    m_readable = false;
    m_messages.clear();
}

bool MSG_REPORT_FILE::load()
{
    if (m_loaded) return m_readable;
    m_loaded = true;
    std::ifstream in(m_file_name, std::ios::binary);
    if (!in) return m_readable = false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return m_readable = false;
    std::string error;
    m_readable = msg_parse_message_file(content.str(), m_messages, &error);
    if (!m_readable) {
        msg_local_vdebug("RDB", 2, "message file %s is not readable: %s", m_file_name.c_str(), error.c_str());
        m_messages.clear();
    }
    return m_readable;
}

bool MSG_REPORT_FILE::read_messages(MSG_POST_FUNCTOR& functor)
{
    if (!load()) return false;
    for (const MSG_FILE_MESSAGE& message : m_messages)
        functor(&message);
    return true;
}

std::vector<std::string> MSG_REPORT_FILE::get_source_files()
{
    std::vector<std::string> files;
    if (!load()) return files;
    for (const MSG_FILE_MESSAGE& message : m_messages) {
        bool known = false;
        for (const std::string& file : files)
            known = known || file == message.source_file;
        if (!known) files.push_back(message.source_file);
    }
    return files;
}

std::vector<MSG_FILE_MESSAGE> MSG_REPORT_FILE::get_warnings_in_source_file(const std::string& source_file)
{
    std::vector<MSG_FILE_MESSAGE> warnings;
    if (!load()) return warnings;
    for (const MSG_FILE_MESSAGE& message : m_messages)
        if (message.type == MSG_FILE_MESSAGE_TYPE::WARNING && message.source_file == source_file)
            warnings.push_back(message);
    return warnings;
}
