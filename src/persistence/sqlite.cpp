#include "persistence/sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace vorn::sql {

Statement::~Statement() {
    finalize();
}

Statement::Statement(Statement&& other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        finalize();
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

int Statement::prepare(sqlite3* db, const QString& sql) {
    finalize();
    if (!db)
        return SQLITE_MISUSE;
    const QByteArray text = sql.toUtf8();
    return sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &m_stmt, nullptr);
}

void Statement::finalize() {
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

int Statement::bind(int index, int value) {
    return sqlite3_bind_int(m_stmt, index, value);
}

int Statement::bind(int index, qint64 value) {
    return sqlite3_bind_int64(m_stmt, index, value);
}

int Statement::bind(int index, double value) {
    return sqlite3_bind_double(m_stmt, index, value);
}

int Statement::bind(int index, const QString& value) {
    const QByteArray text = value.toUtf8();
    return sqlite3_bind_text(m_stmt, index, text.constData(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
}

int Statement::bindUtf8(int index, QByteArrayView text) {
    return sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

int Statement::bind(int index, std::nullptr_t) {
    return sqlite3_bind_null(m_stmt, index);
}

int Statement::step() {
    return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

void Statement::reset() {
    if (m_stmt)
        sqlite3_reset(m_stmt);
}

int Statement::run() {
    int rc = step();
    while (rc == SQLITE_ROW)
        rc = step();
    reset();
    return rc;
}

int Statement::columnCount() const {
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 Statement::columnInt64(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::columnDouble(int column) const {
    return sqlite3_column_double(m_stmt, column);
}

QString Statement::columnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return {};
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

std::optional<double> Statement::columnOptionalDouble(int column) const {
    if (isNull(column))
        return std::nullopt;
    return columnDouble(column);
}

Connection::~Connection() {
    close();
}

int Connection::open(const QString& path, int flags) {
    close();
    return sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
}

void Connection::close() {
    if (m_db) {
        // Every Statement is finalized by its owner before the connection goes.
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

int Connection::exec(const QString& sql) {
    if (!m_db)
        return SQLITE_MISUSE;
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

Statement Connection::prepare(const QString& sql) {
    Statement statement;
    statement.prepare(m_db, sql);
    return statement;
}

QString Connection::errorMessage() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
}

QString Connection::noteFailure() {
    m_lastFailure = errorMessage();
    return m_lastFailure;
}

int Connection::errorCode() const {
    return m_db ? (sqlite3_errcode(m_db) & 0xff) : SQLITE_NOMEM;
}

bool Connection::isReadOnly() const {
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

bool Connection::inTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void Connection::setBusyTimeout(int milliseconds) {
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

void Connection::releaseCache() {
    if (m_db)
        sqlite3_db_release_memory(m_db);
}

void Connection::setCheckpointOnClose(bool enabled) {
    if (m_db)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, enabled ? 0 : 1, nullptr);
}

} // namespace vorn::sql
