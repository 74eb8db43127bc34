#pragma once
// The report database's numbered user messages. They are registered with the message service when
// the library is loaded.

#include <memory>
#include <string>
#include <vector>

#include "msg/msg.h"

enum RDB_MESSAGE_ID : int {
    ERDB_GENERIC = 144000,
    IRDB_WROTE_SUPPRESSED_MSGS = 144001,
    IRDB_WROTE_JSON_REPORTS = 14661,
    ERDB_LOAD_REPORT_FAILED_ERRC = 22352,
    ERDB_REPORT_SAVE_FAILED = 22354,
};

// The message with its arguments filled in. An information message whose number the default
// suppression index suppresses is an MSG_I_NULL, which posts nothing.
std::unique_ptr<MSG_BASE> rdb_make_message(RDB_MESSAGE_ID id, const std::vector<std::string>& args);
// Builds the message and posts it to the default message report.
void rdb_post_message(RDB_MESSAGE_ID id, const std::vector<std::string>& args);
// The catalogue template of a message ("Failed to save reporting database '%1!s!'."); empty for
// ERDB_GENERIC, which has none.
std::string rdb_message_template(RDB_MESSAGE_ID id);
