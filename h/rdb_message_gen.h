#pragma once
// The message generator: deferred message listings in report files, and the suppressed-message file.
//
// A report file writer opens a session for the file it is about to write and writes into the
// temporary file the session names instead. While the session is open, message objects write a
// reference block ("<<<<message_ref>>>>", one message file path per line, "<<<</message_ref>>>>")
// rather than their messages. Ending the session copies the temporary file to the final file with
// every reference block replaced by the listings of the files it names, then removes the temporary
// file. One generator per process; at most one session is open at a time.

#include <iosfwd>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "msg/msg_file.h"

// Writes each message whose suppressed flag equals the selector as its formatted text and "\n",
// then its sub-messages with the same selector, indented by 4 spaces per nesting level. A null
// message is the internal error "post != NULL".
class RDB_OUTPUT_MESSAGES_FUNCTOR : public MSG_POST_FUNCTOR {
public:
    RDB_OUTPUT_MESSAGES_FUNCTOR(std::ostream& os, bool suppressed) : m_os(os), m_suppressed(suppressed) {}
    void operator()(const MSG_FILE_MESSAGE* post) override;

private:
    void output_sub_messages(const MSG_FILE_MESSAGE& message, int level);

    std::ostream& m_os;
    bool m_suppressed;
};

class RDB_MESSAGE_GEN {
public:
    static constexpr const char* MESSAGE_REF_BEGIN = "<<<<message_ref>>>>";
    static constexpr const char* MESSAGE_REF_END = "<<<</message_ref>>>>";

    // The process's generator, made on first use.
    static RDB_MESSAGE_GEN& get_message_gen();

    // Opens a session for the final file and answers the temporary file to write instead: the
    // project database folder + the final file's base name with the extension "tmp". Internal error
    // "m_in_session == false" when a session is open already.
    std::string start_session(const std::string& final_file);
    // Whether a session is open.
    bool is_in_session() const;
    // Checks that a session is open: internal error "m_in_session == true" otherwise.
    void use_session() const;
    // Writes each final file from its temporary file, replacing the reference blocks, and closes the
    // session. The final file is replaced only once its whole content is written, so a failure leaves
    // the previous file. Internal error "m_in_session == true" when no session is open. True when
    // every final file was written.
    bool end_session();

    // Copies in to out, replacing each reference block by the listings of the files it names.
    // Lines of any length are kept whole. False when out fails.
    static bool resolve_message_refs(std::istream& in, std::ostream& out);
    // The listing of one message file: each message whose suppressed flag equals suppressed, then its
    // sub-messages indented by 4 spaces per level. An unreadable file gives the "Can't read" notice.
    // Posts the debug line "Trying to read: <path>".
    static void output_messages(std::ostream& os, const std::string& path, bool suppressed);
    // The notice written in place of a message file that cannot be read (two lines).
    static std::string unreadable_file_text(const std::string& path);

    RDB_MESSAGE_GEN(const RDB_MESSAGE_GEN&) = delete;
    RDB_MESSAGE_GEN& operator=(const RDB_MESSAGE_GEN&) = delete;

private:
    RDB_MESSAGE_GEN() = default;

    mutable std::mutex m_mutex;
    bool m_in_session = false;
    // (temporary file, final file) of the open session.
    std::vector<std::pair<std::string, std::string>> m_files;
};

// The suppressed messages of the message file info (relative to the project database folder),
// written to the project output folder under the file's base name with the suppressed-message
// extension. A stale file of that name is removed first. With the INI switch
// "rdb_generate_suppressed_message_file" off (read once per process) nothing is written and the
// answer is true. Otherwise true when this call wrote the file; announce posts
// IRDB_WROTE_SUPPRESSED_MSGS for it.
bool rdb_generate_suppressed_message_file(const char* info, bool announce);
// The path the suppressed-message file of info is written to (whether or not it exists).
std::string rdb_get_suppressed_message_file_path(const std::string& info);
