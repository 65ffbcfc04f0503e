#include "persistence/database_open.h"

#include "persistence/database_support.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <optional>

namespace vorn::db {

namespace {

// One thread uses the connection, so SQLite's own locking is not needed.
constexpr int kReadWrite = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
constexpr int kReadOnly = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;

bool isCorruption(int rc) {
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

bool isBusy(int rc) {
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

// Failures that mean the file cannot be used read-write at all.
bool isUnwritable(int rc) {
    return rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_IOERR || rc == SQLITE_PERM ||
           rc == SQLITE_AUTH || rc == SQLITE_NOLFS;
}

// Runs a PRAGMA (or any statement) to its end; `firstValue` receives the text of
// the first column of the first row. Returns SQLite's primary result code.
int runChecked(sql::Connection& conn, const QString& text, QString* firstValue = nullptr) {
    sql::Statement statement = conn.prepare(text);
    if (!statement.isValid())
        return conn.errorCode();
    int rc = statement.step();
    if (rc == SQLITE_ROW && firstValue)
        *firstValue = statement.columnText(0);
    while (rc == SQLITE_ROW)
        rc = statement.step();
    return rc == SQLITE_DONE ? SQLITE_OK : conn.errorCode();
}

// The first read of the file: it tells a locked file from a damaged one, and
// changes nothing in it.
std::optional<FileState> integrityVerdict(sql::Connection& conn, bool existed) {
    QString answer;
    const int rc = runChecked(conn, QStringLiteral("PRAGMA quick_check"), &answer);
    if (rc == SQLITE_OK)
        return answer == QLatin1String("ok") ? std::nullopt : std::optional(FileState::corrupt);
    if (isBusy(rc))
        return FileState::busy; // the caller says so once, however often it tries
    logError(conn);
    if (isCorruption(rc))
        return existed ? FileState::corrupt : FileState::unusable;
    return FileState::unusable;
}

FileState openReadWrite(sql::Connection& conn, const QString& path, int busyTimeoutMs, bool existed) {
    const int openRc = conn.open(path, kReadWrite);
    if (openRc != SQLITE_OK) {
        logError(conn);
        return existed && isCorruption(openRc & 0xff) ? FileState::corrupt : FileState::unusable;
    }
    // SQLite silently falls back to read-only when the file is not writable.
    if (conn.isReadOnly())
        return FileState::unusable;
    // Until the file has proven sound, closing must not fold the -wal file into
    // it or delete it: both belong to the user if the file is moved aside.
    conn.setCheckpointOnClose(false);
    conn.setBusyTimeout(busyTimeoutMs);
    if (const auto state = integrityVerdict(conn, existed))
        return *state;

    // A failed step decides the file's fate: not writable, or (busy, full)
    // still ours to use, with the failure logged.
    const auto verdict = [&](int rc) -> std::optional<FileState> {
        if (rc == SQLITE_OK)
            return std::nullopt;
        logError(conn);
        if (isCorruption(rc))
            return existed ? FileState::corrupt : FileState::unusable;
        if (isUnwritable(rc))
            return FileState::unusable;
        return std::nullopt;
    };
    // WAL: a commit is one append, readers never wait for the writer, and a
    // killed process leaves the last committed state behind.
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        if (const auto state = verdict(runChecked(conn, QString::fromLatin1(pragma))))
            return *state;
    }
    // Writing the header back unchanged proves that commits reach the disk
    // (a folder that does not let us create the -wal file fails here).
    QString userVersion;
    if (const auto state = verdict(runChecked(conn, QStringLiteral("PRAGMA user_version"), &userVersion)))
        return *state;
    const QString rewrite = QStringLiteral("PRAGMA user_version = %1").arg(userVersion.toLongLong());
    if (const auto state = verdict(runChecked(conn, rewrite)))
        return *state;
    conn.setCheckpointOnClose(true);
    return FileState::usable;
}

// A WAL file in a folder we cannot write has no shared-memory file to read
// through; as nobody can write there either, it is read as immutable.
FileState openReadOnly(sql::Connection& conn, const QString& path, int busyTimeoutMs) {
    const QString immutable =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
        QStringLiteral("?immutable=1");
    for (const auto& [target, flags] :
         {std::pair{path, kReadOnly}, std::pair{immutable, kReadOnly | SQLITE_OPEN_URI}}) {
        if (conn.open(target, flags) != SQLITE_OK) {
            logError(conn);
            continue;
        }
        conn.setBusyTimeout(busyTimeoutMs);
        const std::optional<FileState> state = integrityVerdict(conn, true);
        if (!state)
            return FileState::readOnly;
        if (*state != FileState::unusable)
            return *state;
    }
    return FileState::unusable;
}

} // namespace

FileState openFile(sql::Connection& conn, const QString& path, int busyTimeoutMs) {
    const bool existed = QFileInfo::exists(path);
    FileState state = openReadWrite(conn, path, busyTimeoutMs, existed);
    if (state == FileState::unusable && existed)
        state = openReadOnly(conn, path, busyTimeoutMs);
    if (state != FileState::usable && state != FileState::readOnly)
        conn.close();
    return state;
}

QString moveAside(const QString& path, Instant now) {
    const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(now * 1000.0))
                              .toLocalTime()
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = path + QStringLiteral(".corrupt-") + stamp;
    QString kept = base;
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo::exists(kept + QStringLiteral("-wal")); ++n)
        kept = base + QLatin1Char('-') + QString::number(n);

    QList<std::pair<QString, QString>> moved;
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QString()}) {
        const QString from = path + suffix;
        if (!QFileInfo::exists(from))
            continue;
        if (!QFile::rename(from, kept + suffix)) {
            for (const auto& [original, target] : moved)
                QFile::rename(target, original);
            return {};
        }
        moved.append({from, kept + suffix});
    }
    return kept;
}

} // namespace vorn::db
