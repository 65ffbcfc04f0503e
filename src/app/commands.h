#pragma once

#include "app/command_line.h"
#include "app/instance_handover.h"
#include "platform/result.h"

#include <QString>

#include <optional>

class QWidget;

namespace vorn {

class InstanceLock;
class TaskStore;

struct ReadError {
    QString message;
};

// The list to import: the file's text, or standard input for "-". Refuses an
// unreadable file and text that is not UTF-8.
Result<QString, ReadError> readImportText(const QString& path);

// The outline as numbered text: the same text as copying every row.
QString exportText(const TaskStore& store);
// Replaces the workspace with `text` as the import sheet does; a list that
// does not parse changes nothing.
HandOverReply importText(TaskStore& store, const QString& text);

// How the running copy answers a second start.
HandOverReply answerHandOver(TaskStore& store, QWidget* window, const HandOverRequest& request);

// A second start while a copy runs: hand the command over, print the answer,
// and give the process exit status. nullopt when `lock` came free meanwhile
// (the other copy was a short command, or ended): go on as the only copy.
std::optional<int> handOverToRunningCopy(const CommandLine& command, const QString& serverName,
                                         InstanceLock& lock);

// --export or --import while no copy runs (the caller holds the instance lock).
int runCommandAlone(const CommandLine& command, const QString& dataDirectory);

} // namespace vorn
