#pragma once

// Opening the database file: how sound, writable and free it is decides what
// DatabaseService may do with it.

#include "persistence/sqlite.h"
#include "platform/instant.h"

#include <QString>

namespace vorn::db {

enum class FileState {
    usable,   // open read-write, checked, in WAL mode
    readOnly, // open for reading only: the file or its folder cannot be written
    busy,     // another program holds the file locked; nothing was read or written
    corrupt,  // the file is damaged and untouched
    unusable, // cannot be opened at all
};

// Opens `path` (creating it when absent) and proves it sound before changing
// anything in it: the integrity check runs first, so a damaged file keeps its
// original bytes. A file that cannot be written is opened read-only instead.
// On `busy`, `corrupt` and `unusable` the connection is closed.
FileState openFile(sql::Connection& conn, const QString& path, int busyTimeoutMs);

// Moves the database and its -wal/-shm side files to "<path>.corrupt-<stamp>"
// (with "-2", "-3", … when that name is taken). Returns the new path, or an
// empty text when nothing could be moved; a partial move is undone.
QString moveAside(const QString& path, Instant now);

} // namespace vorn::db
