#pragma once

// Helpers shared by the DatabaseService sources: every SQLite failure goes to
// the log as "DatabaseService SQL error: <SQLite's message>".

#include "persistence/sqlite.h"

#include <QString>

#include <functional>

namespace vorn::db {

// Logs SQLite's message for the last failure on `conn` and keeps it as the
// connection's lastFailure(); always false.
bool logError(sql::Connection& conn);

// Runs one-shot SQL text; logs a failure.
bool run(sql::Connection& conn, const QString& sql);
// Prepares `sql`; logs a failure and returns an invalid statement.
sql::Statement prepare(sql::Connection& conn, const QString& sql);
// Runs a prepared (and bound) statement to its end and resets it; logs a failure.
bool run(sql::Connection& conn, sql::Statement& statement);
// Prepares and steps through every row; false (logged) when preparing or a step fails.
using RowReader = std::function<void(const sql::Statement&)>;
bool forEachRow(sql::Connection& conn, const QString& sql, const RowReader& row);
// The same over a statement already prepared and bound.
bool forEachRow(sql::Connection& conn, sql::Statement& query, const RowReader& row);

// A named savepoint: opened on construction, rolled back on destruction unless
// released. Savepoints nest, so a save can run on its own or inside a larger one.
class Savepoint {
public:
    Savepoint(sql::Connection& conn, const QString& name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    bool isOpen() const { return m_open; }
    // Keeps the changes (commits when this is the outermost savepoint). On
    // failure everything since the savepoint is rolled back.
    bool release();

private:
    void rollback();

    sql::Connection& m_conn;
    QString m_name;
    bool m_open = false;
    bool m_outermost = false;
};

// Runs `body` inside a savepoint: its changes are kept only when it returns true.
template <typename Body> bool inSavepoint(sql::Connection& conn, const QString& name, Body&& body) {
    Savepoint savepoint(conn, name);
    if (!savepoint.isOpen() || !body())
        return false;
    return savepoint.release();
}

} // namespace vorn::db
