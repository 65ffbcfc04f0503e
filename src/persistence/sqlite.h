#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over the SQLite C API: one owner per handle, closed or
// finalized in the destructor. Calls return SQLite result codes; the text of
// the last failure is Connection::errorMessage().
namespace vorn::sql {

class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Compiles `sql` against `db`, finalizing any statement held before.
    int prepare(sqlite3* db, const QString& sql);
    bool isValid() const { return m_stmt != nullptr; }
    void finalize();

    // Parameters are numbered from 1.
    int bind(int index, int value);
    int bind(int index, qint64 value);
    int bind(int index, double value);
    int bind(int index, const QString& value);
    int bind(int index, std::nullptr_t);
    // Text that is already UTF-8 (saves a conversion in hot loops).
    int bindUtf8(int index, QByteArrayView text);
    template <typename T> int bind(int index, const std::optional<T>& value) {
        return value ? bind(index, *value) : bind(index, nullptr);
    }

    // SQLITE_ROW while rows come, SQLITE_DONE at the end, an error code otherwise.
    int step();
    // Makes the statement ready to run again; bindings stay until rebound.
    void reset();
    // Runs the statement to its end and resets it; SQLITE_DONE on success.
    int run();

    // Columns are numbered from 0.
    int columnCount() const;
    bool isNull(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    QString columnText(int column) const;
    std::optional<double> columnOptionalDouble(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens `path` with sqlite3_open_v2 flags, closing any handle held before.
    // On failure the handle is kept (closed later) so that errorMessage() tells why.
    int open(const QString& path, int flags);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements of SQL text, discarding any rows.
    int exec(const QString& sql);
    Statement prepare(const QString& sql);

    QString errorMessage() const;
    // Remembers errorMessage() as the last failure, which later successes keep.
    QString noteFailure();
    const QString& lastFailure() const { return m_lastFailure; }
    int errorCode() const;      // primary result code of the last failure
    bool isReadOnly() const;    // the main database was opened read-only
    bool inTransaction() const; // a transaction (or savepoint) is open
    void setBusyTimeout(int milliseconds);
    // Whether the last close checkpoints the WAL into the database and removes
    // the -wal file (SQLite's default: yes).
    void setCheckpointOnClose(bool enabled);
    // Frees the cached pages no statement holds; they are read again when needed.
    void releaseCache();

private:
    sqlite3* m_db = nullptr;
    QString m_lastFailure;
};

} // namespace vorn::sql
