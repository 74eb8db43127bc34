#include "rdb_messages.h"

#include <string_view>

namespace {

// Catalogue entries are "text/SYMBOLIC_NAME": the text, then the message's symbolic name.
struct CATALOGUE_ENTRY {
    RDB_MESSAGE_ID id;
    MSG_TYPE type;
    const char* entry;
};

// In registration order.
constexpr CATALOGUE_ENTRY CATALOGUE[] = {
    {ERDB_GENERIC, MSG_TYPE::ERROR, ""},
    {IRDB_WROTE_SUPPRESSED_MSGS, MSG_TYPE::INFO, "Generated suppressed messages file %1!s!/IRDB_WROTE_SUPPRESSED_MSGS"},
    {IRDB_WROTE_JSON_REPORTS, MSG_TYPE::INFO, "Generated JSON formatted report files in %1!s!/IRDB_WROTE_JSON_REPORTS"},
    {ERDB_LOAD_REPORT_FAILED_ERRC, MSG_TYPE::ERROR,
     "Failed to load reporting database '%1!s!'./ERDB_LOAD_REPORT_FAILED_ERRC"},
    {ERDB_REPORT_SAVE_FAILED, MSG_TYPE::ERROR, "Failed to save reporting database '%1!s!'./ERDB_REPORT_SAVE_FAILED"},
};
constexpr int CATALOGUE_SIZE = sizeof(CATALOGUE) / sizeof(CATALOGUE[0]);

const CATALOGUE_ENTRY* find_entry(RDB_MESSAGE_ID id)
{
    for (const CATALOGUE_ENTRY& entry : CATALOGUE)
        if (entry.id == id) return &entry;
    return nullptr;
}

struct LIBRARY_MESSAGES {
    LIBRARY_MESSAGES() : registrar(ids(), types(), CATALOGUE_SIZE) {}
    static const int* ids()
    {
        static int values[CATALOGUE_SIZE];
        for (int i = 0; i < CATALOGUE_SIZE; ++i)
            values[i] = CATALOGUE[i].id;
        return values;
    }
    static const MSG_TYPE* types()
    {
        static MSG_TYPE values[CATALOGUE_SIZE];
        for (int i = 0; i < CATALOGUE_SIZE; ++i)
            values[i] = CATALOGUE[i].type;
        return values;
    }
    MSG_ID_REGISTRAR registrar;
};

// Registered for as long as the library is loaded.
const LIBRARY_MESSAGES g_library_messages;

} // namespace

std::string rdb_message_template(RDB_MESSAGE_ID id)
{
    const CATALOGUE_ENTRY* entry = find_entry(id);
    RDB_ASSERT(entry != nullptr);
    std::string_view text(entry->entry);
    const size_t slash = text.rfind('/');
    return std::string(slash == std::string_view::npos ? text : text.substr(0, slash));
}

std::unique_ptr<MSG_BASE> rdb_make_message(RDB_MESSAGE_ID id, const std::vector<std::string>& args)
{
    const CATALOGUE_ENTRY* entry = find_entry(id);
    RDB_ASSERT(entry != nullptr);
    if (entry->type == MSG_TYPE::ERROR) return std::make_unique<MSG_E>(id, rdb_message_template(id), args);
    if (MSG_INDEX::get_default_index().is_suppressed(id)) return std::make_unique<MSG_I_NULL>(id);
    return std::make_unique<MSG_I>(id, rdb_message_template(id), args);
}

void rdb_post_message(RDB_MESSAGE_ID id, const std::vector<std::string>& args)
{
    msg_post(*rdb_make_message(id, args));
}
