#include "persistence/database_support.h"

#include "platform/log.h"

#include <sqlite3.h>

namespace vorn::db {

bool logError(sql::Connection& conn) {
    // Kept first: the log line is not built at all when its category is off.
    const QString message = conn.noteFailure();
    qCWarning(lcDb).noquote() << QStringLiteral("DatabaseService SQL error: ") + message;
    return false;
}

// A closed connection (the file is held by another program) silently refuses:
// nothing is read or written, and there is nothing new to log.
bool run(sql::Connection& conn, const QString& sql) {
    if (!conn.isOpen())
        return false;
    return conn.exec(sql) == SQLITE_OK || logError(conn);
}

sql::Statement prepare(sql::Connection& conn, const QString& sql) {
    if (!conn.isOpen())
        return {};
    sql::Statement statement = conn.prepare(sql);
    if (!statement.isValid())
        logError(conn);
    return statement;
}

bool run(sql::Connection& conn, sql::Statement& statement) {
    return statement.run() == SQLITE_DONE || logError(conn);
}

bool forEachRow(sql::Connection& conn, const QString& sql, const RowReader& row) {
    sql::Statement query = prepare(conn, sql);
    return query.isValid() && forEachRow(conn, query, row);
}

bool forEachRow(sql::Connection& conn, sql::Statement& query, const RowReader& row) {
    int rc = query.step();
    for (; rc == SQLITE_ROW; rc = query.step())
        row(query);
    const bool ok = rc == SQLITE_DONE || logError(conn);
    query.reset();
    return ok;
}

Savepoint::Savepoint(sql::Connection& conn, const QString& name) : m_conn(conn), m_name(name) {
    m_outermost = !conn.inTransaction();
    m_open = run(conn, QStringLiteral("SAVEPOINT ") + name);
}

Savepoint::~Savepoint() {
    if (m_open)
        rollback();
}

bool Savepoint::release() {
    if (!m_open)
        return false;
    if (run(m_conn, QStringLiteral("RELEASE ") + m_name)) {
        m_open = false;
        return true;
    }
    // The commit of the outermost savepoint can fail (busy, disk full); the
    // transaction then stays open and has to be undone.
    rollback();
    return false;
}

void Savepoint::rollback() {
    m_open = false;
    // Some failures (I/O errors, a full disk) make SQLite roll back the whole
    // transaction by itself; there is nothing left to undo then.
    if (!m_conn.inTransaction())
        return;
    if (m_outermost) {
        run(m_conn, QStringLiteral("ROLLBACK"));
    } else {
        run(m_conn, QStringLiteral("ROLLBACK TO ") + m_name);
        run(m_conn, QStringLiteral("RELEASE ") + m_name);
    }
}

} // namespace vorn::db
