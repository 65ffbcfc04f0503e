#pragma once

#include "app/command_line.h"
#include "app/import_source.h"
#include "app/instance_handover.h"

#include <QString>

#include <optional>

class QWidget;

namespace vorn {

class DatabaseService;
class InstanceLock;
class TaskStore;

// The outline as numbered text: the same text as copying every row.
QString exportText(const TaskStore& store);

// Why nothing written to `database` would be kept (read-only, held by another
// program, in memory only); nullopt when saves reach the file.
std::optional<QString> whyNotSaved(const DatabaseService& database);

// Replaces the workspace with `text` as the import sheet does, in one
// transaction on `database`, the store's. ok only when the new list is in the file; a list that does not
// parse, or a database that cannot keep it, changes nothing and says why.
HandOverReply importText(TaskStore& store, DatabaseService& database, const QString& text);

// How the running copy answers a second start.
HandOverReply answerHandOver(TaskStore& store, DatabaseService& database, QWidget* window,
                             const HandOverRequest& request);

// A second start while a copy runs: hand the command over once, print the
// answer, and give the process exit status. nullopt when `lock` came free
// meanwhile (the other copy was a short command, or ended): go on as the only copy.
std::optional<int> handOverToRunningCopy(const CommandLine& command, const QString& serverName,
                                         InstanceLock& lock);

// --export or --import while no copy runs (the caller holds the instance lock).
int runCommandAlone(const CommandLine& command, const QString& dataDirectory);

} // namespace vorn
