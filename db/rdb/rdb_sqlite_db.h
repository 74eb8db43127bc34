#pragma once
// A thin owner of SQLite handles for the SQLite family: a database that is closed, and statements that
// are finalized, on every path out of a function; a transaction that is rolled back unless committed;
// and the SQL of the statement that failed, kept for the debug line the writers post.

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace RDB::SQLITE {

// text with each invalid UTF-8 byte replaced by U+FFFD: SQLite text values and names are UTF-8.
std::string valid_utf8(std::string_view text);

class DATABASE {
public:
    enum MODE { READ_ONLY, READ_WRITE_CREATE };
    // Opens path; a read-only open never creates the file. is_open() tells whether it worked.
    DATABASE(const std::string& path, MODE mode);
    DATABASE(const DATABASE&) = delete;
    DATABASE& operator=(const DATABASE&) = delete;
    ~DATABASE();

    bool is_open() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }
    // Runs sql (no result rows expected); false, with the failure recorded, when it fails.
    bool exec(const std::string& sql);
    // Records the current error of the handle as the failure of sql.
    void record_failure(const std::string& sql);
    // Posts the recorded failure as "SQLite error. code: {..} extended code: {..} SQL: {..} message: {..}".
    void post_failure() const;
    const std::string& failed_sql() const { return m_failed_sql; }
    // True when a table (or view) of that exact name exists in the file.
    bool has_table(const std::string& name);

private:
    sqlite3* m_db = nullptr;
    int m_code = 0;
    int m_extended_code = 0;
    std::string m_failed_sql;
    std::string m_message;
};

// A prepared statement, finalized with the object.
class STATEMENT {
public:
    STATEMENT(DATABASE& db, const std::string& sql);
    STATEMENT(const STATEMENT&) = delete;
    STATEMENT& operator=(const STATEMENT&) = delete;
    ~STATEMENT();

    bool is_prepared() const { return m_statement != nullptr; }
    // Bind by 1-based position; the text is copied by SQLite.
    void bind_text(int index, std::string_view text);
    void bind_int64(int index, std::int64_t value);
    // True while the statement yields rows; false when done or failed (failed() tells which).
    bool step_row();
    // Steps once to the end, resets and clears the failure state of a reused statement: true when the
    // statement ran (a row or done).
    bool run();
    void reset();
    bool failed() const { return m_failed; }
    // Column text; a NULL value reads as an empty text.
    std::string column_text(int col) const;
    std::string_view column_view(int col) const;
    std::int64_t column_int64(int col) const;
    bool column_is_null(int col) const;
    int column_count() const;

private:
    DATABASE& m_db;
    std::string m_sql;
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};

// BEGIN on construction; ROLLBACK on destruction unless commit() succeeded, so that a writer leaving
// early leaves the file as it was and unlocked.
class TRANSACTION {
public:
    explicit TRANSACTION(DATABASE& db);
    TRANSACTION(const TRANSACTION&) = delete;
    TRANSACTION& operator=(const TRANSACTION&) = delete;
    ~TRANSACTION();
    bool is_begun() const { return m_begun; }
    bool commit();

private:
    DATABASE& m_db;
    bool m_begun = false;
};

} // namespace RDB::SQLITE
