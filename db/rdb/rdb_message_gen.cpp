// The message generator: message sessions that resolve deferred message listings in report files,
// the listing of one message file, and the suppressed-message file.

#include "rdb_message_gen.h"

#include <cstddef>
#include <filesystem>
#include <system_error>
#include <fstream>
#include <istream>
#include <ostream>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_messages.h"
#include "ver/ver.h"

namespace {

constexpr std::size_t STREAM_BUFFER_SIZE = 32768;

// Collects the messages of a file whose suppressed flag is set.
class SUPPRESSED_COLLECTOR : public MSG_POST_FUNCTOR {
public:
    void operator()(const MSG_FILE_MESSAGE* post) override
    {
        RDB_ASSERT(post != NULL);
        if (post->is_suppressed()) messages.push_back(*post);
    }
    std::vector<MSG_FILE_MESSAGE> messages;
};

// Copies the temporary file of a session to its final file with the reference blocks resolved. The
// final file is replaced only when complete, so a failure at any point leaves the previous final
// file as it was.
bool write_final_file(const std::string& temp, const std::string& final_file)
{
    std::vector<char> in_buffer(STREAM_BUFFER_SIZE);
    std::ifstream in;
    in.rdbuf()->pubsetbuf(in_buffer.data(), static_cast<std::streamsize>(in_buffer.size()));
    in.open(temp, std::ios::binary);
    if (!in) {
        msg_local_vdebug("RDB", 2, "cannot read the temporary report file %s", temp.c_str());
        return false;
    }
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(
        final_file, [&in](std::ostream& out) { return RDB_MESSAGE_GEN::resolve_message_refs(in, out); });
    if (!outcome.written())
        msg_local_vdebug("RDB", 2, "cannot write the report file %s: %s", final_file.c_str(), outcome.reason.c_str());
    return outcome.written();
}

} // namespace

// ---- Listing -------------------------------------------------------------------------------------

void RDB_OUTPUT_MESSAGES_FUNCTOR::operator()(const MSG_FILE_MESSAGE* post)
{
    RDB_ASSERT(post != NULL);
    if (post->is_suppressed() != m_suppressed) return;
    m_os << post->get_formatted_text() << "\n";
    output_sub_messages(*post, 1);
}

void RDB_OUTPUT_MESSAGES_FUNCTOR::output_sub_messages(const MSG_FILE_MESSAGE& message, int level)
{
    for (const MSG_FILE_MESSAGE& sub : message.sub_messages) {
        if (sub.is_suppressed() != m_suppressed) continue;
        m_os << std::string(static_cast<std::size_t>(4 * level), ' ') << sub.get_formatted_text() << "\n";
        output_sub_messages(sub, level + 1);
    }
}

std::string RDB_MESSAGE_GEN::unreadable_file_text(const std::string& path)
{
    return std::string("Can't read ") + ver_get_pellam_product_name() + " message file " + path + ".\n" +
           "Make sure the file exists and is up to date, and you have permission to read and write the file.\n";
}

void RDB_MESSAGE_GEN::output_messages(std::ostream& os, const std::string& path, bool suppressed)
{
    msg_local_vdebug("RDB", 2, "Trying to read: %s", path.c_str());
    MSG_REPORT_FILE file;
    file.set_file_name(path);
    RDB_OUTPUT_MESSAGES_FUNCTOR functor(os, suppressed);
    if (!file.read_messages(functor)) os << unreadable_file_text(path);
}

// ---- Sessions ------------------------------------------------------------------------------------

RDB_MESSAGE_GEN& RDB_MESSAGE_GEN::get_message_gen()
{
    static RDB_MESSAGE_GEN* generator = new RDB_MESSAGE_GEN; // never destroyed: report writers may run at exit
    return *generator;
}

std::string RDB_MESSAGE_GEN::start_session(const std::string& final_file)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    RDB_ASSERT(m_in_session == false);
    const std::string temp = fio_join(
        gen_get_db_dir_path_string(),
        fio_replace_extension(fio_base_name(final_file), fio_get_extension(FIO_EXTENSION_TYPE_INFO::TEMPORARY)));
    m_in_session = true;
    m_files.emplace_back(temp, final_file);
    return temp;
}

bool RDB_MESSAGE_GEN::is_in_session() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_in_session;
}

void RDB_MESSAGE_GEN::use_session() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    RDB_ASSERT(m_in_session == true);
}

bool RDB_MESSAGE_GEN::end_session()
{
    std::vector<std::pair<std::string, std::string>> files;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        RDB_ASSERT(m_in_session == true);
        files = m_files;
    }
    bool all_written = true;
    for (const auto& [temp, final_file] : files) {
        all_written = write_final_file(temp, final_file) && all_written;
        // A final file that is itself named like the temporary file must survive.
        std::error_code ec;
        if (!std::filesystem::equivalent(temp, final_file, ec)) fio_remove(temp);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files.clear();
    m_in_session = false;
    return all_written;
}

bool RDB_MESSAGE_GEN::resolve_message_refs(std::istream& in, std::ostream& out)
{
    std::string line;
    bool in_block = false;
    while (std::getline(in, line)) {
        const bool line_ended = !in.eof();
        if (in_block) {
            if (line == MESSAGE_REF_END)
                in_block = false;
            else
                output_messages(out, line, false);
        } else if (line == MESSAGE_REF_BEGIN) {
            in_block = true;
        } else {
            out << line;
            if (line_ended) out << '\n';
        }
        if (!out) return false;
    }
    return !in.bad() && static_cast<bool>(out);
}

// ---- Suppressed-message file ---------------------------------------------------------------------

std::string rdb_get_suppressed_message_file_path(const std::string& info)
{
    return fio_join(gen_get_project_output_directory(),
                    fio_replace_extension(fio_base_name(info), fio_suppressed_message_extension()));
}

bool rdb_generate_suppressed_message_file(const char* info, bool announce)
{
    static const bool enabled = cfg_is_on("rdb_generate_suppressed_message_file", true);
    if (!enabled) return true;
    if (info == nullptr) return false;
    const std::string source = RDB_EMBEDDED_OBJECT::get_message_file_path(info);
    const std::string target = rdb_get_suppressed_message_file_path(info);
    // A file left by an earlier run must not pass for this run's.
    if (!fio_remove(target)) {
        msg_local_vdebug("RDB", 2, "cannot remove the old suppressed-message file %s", target.c_str());
        return false;
    }
    MSG_REPORT_FILE file(source);
    SUPPRESSED_COLLECTOR collector;
    if (!file.read_messages(collector)) return false;
    if (!msg_write_message_file(target, collector.messages)) return false;
    if (announce) rdb_post_message(IRDB_WROTE_SUPPRESSED_MSGS, {target});
    return true;
}
