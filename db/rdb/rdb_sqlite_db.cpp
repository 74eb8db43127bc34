#include "rdb_sqlite_db.h"

#include <cstdio>

#include <sqlite3.h>

#include "gen/gen_utf8.h"
#include "msg/msg.h"

namespace RDB::SQLITE {

std::string valid_utf8(std::string_view text) { return gen_valid_utf8(text); }

// ---- DATABASE

DATABASE::DATABASE(const std::string& path, MODE mode)
{
    const int flags = mode == READ_ONLY ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    // sqlite3_open_v2 may hand back a handle even when it fails; it must be closed all the same.
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        m_code = db != nullptr ? sqlite3_errcode(db) : SQLITE_CANTOPEN;
        m_extended_code = db != nullptr ? sqlite3_extended_errcode(db) : SQLITE_CANTOPEN;
        m_message = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
        m_failed_sql = "open " + path;
        sqlite3_close(db);
        return;
    }
    m_db = db;
}

DATABASE::~DATABASE() { sqlite3_close(m_db); }

bool DATABASE::exec(const std::string& sql)
{
    if (m_db == nullptr) return false;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    record_failure(sql);
    return false;
}

void DATABASE::record_failure(const std::string& sql)
{
    if (m_db == nullptr) return;
    m_code = sqlite3_errcode(m_db);
    m_extended_code = sqlite3_extended_errcode(m_db);
    m_message = sqlite3_errmsg(m_db);
    m_failed_sql = sql;
}

void DATABASE::post_failure() const
{
    msg_local_vdebug("RDB", 2, "SQLite error. code: {%d} extended code: {%d} SQL: {%s} message: {%s}", m_code,
                     m_extended_code, m_failed_sql.c_str(), m_message.c_str());
}

bool DATABASE::has_table(const std::string& name)
{
    STATEMENT query(*this, "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?");
    if (!query.is_prepared()) return false;
    query.bind_text(1, name);
    return query.step_row();
}

// ---- STATEMENT

STATEMENT::STATEMENT(DATABASE& db, const std::string& sql) : m_db(db), m_sql(sql)
{
    if (!db.is_open()) return;
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        db.record_failure(sql);
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_failed = true;
    }
}

STATEMENT::~STATEMENT() { sqlite3_finalize(m_statement); }

void STATEMENT::bind_text(int index, std::string_view text)
{
    sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void STATEMENT::bind_int64(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }

bool STATEMENT::step_row()
{
    if (m_statement == nullptr) return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) {
        m_db.record_failure(m_sql);
        m_failed = true;
    }
    return false;
}

bool STATEMENT::run()
{
    if (m_statement == nullptr) return false;
    const int result = sqlite3_step(m_statement);
    const bool ran = result == SQLITE_ROW || result == SQLITE_DONE;
    if (!ran) {
        m_db.record_failure(m_sql);
        m_failed = true;
    }
    sqlite3_reset(m_statement);
    return ran;
}

void STATEMENT::reset()
{
    sqlite3_reset(m_statement);
    m_failed = false;
}

std::string STATEMENT::column_text(int col) const { return std::string(column_view(col)); }

std::string_view STATEMENT::column_view(int col) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, col));
    if (text == nullptr) return {};
    return std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, col)));
}

std::int64_t STATEMENT::column_int64(int col) const { return sqlite3_column_int64(m_statement, col); }

bool STATEMENT::column_is_null(int col) const { return sqlite3_column_type(m_statement, col) == SQLITE_NULL; }

int STATEMENT::column_count() const { return sqlite3_column_count(m_statement); }

// ---- TRANSACTION

TRANSACTION::TRANSACTION(DATABASE& db) : m_db(db) { m_begun = db.exec("BEGIN TRANSACTION"); }

TRANSACTION::~TRANSACTION()
{
    // The journal lives in memory, so the rollback is what keeps the tables written by earlier runs
    // intact; the failure that brought us here is already recorded and is the one worth reporting.
    if (m_begun) sqlite3_exec(m_db.handle(), "ROLLBACK TRANSACTION", nullptr, nullptr, nullptr);
}

bool TRANSACTION::commit()
{
    if (!m_begun) return false;
    if (!m_db.exec("COMMIT TRANSACTION")) return false;
    m_begun = false;
    return true;
}

} // namespace RDB::SQLITE
