#pragma once

#include "platform/instant.h"
#include "platform/result.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace vorn {

// Canonical upper-case 8-4-4-4-12 text of a UUID (no braces).
QString uuidText(const QUuid& id);
// Parses the canonical 36-character text in either letter case; nullopt for
// anything else (braces, spaces, trailing text).
std::optional<QUuid> parseUuid(const QString& text);
QUuid newUuid();

enum class BossAIMode { normal, demon, messianic };
QString bossAIModeText(BossAIMode mode);
std::optional<BossAIMode> bossAIModeFromText(const QString& text);

struct TaskItem {
    QUuid id;
    QString title;
    qint64 durationMinutes = 0;
    bool isCompleted = false;
    std::optional<Instant> finishTime;
    std::optional<Instant> completedAt;
    QUuid sectionID;
    std::optional<Instant> startedAt;

    bool operator==(const TaskItem&) const = default;
};

struct TaskSection {
    QUuid id;
    QString title;
    std::optional<QUuid> parentID;
    int sortOrder = 0;
    std::optional<QUuid> headerTaskID;

    // The title of every root section the system creates by itself.
    static const QStringList defaultTitles;

    bool operator==(const TaskSection&) const = default;
};

// A tagged reference in the ordered root outline.
struct OutlineEntry {
    enum class Kind { task, section };
    Kind kind = Kind::task;
    QUuid id;

    static OutlineEntry task(const QUuid& id) { return {Kind::task, id}; }
    static OutlineEntry section(const QUuid& id) { return {Kind::section, id}; }
    bool isTask() const { return kind == Kind::task; }
    bool isSection() const { return kind == Kind::section; }

    bool operator==(const OutlineEntry&) const = default;
};

size_t qHash(const OutlineEntry& entry, size_t seed = 0) noexcept;

struct WorkspaceSnapshot {
    QList<TaskItem> tasks;
    QList<TaskSection> sections;
    QList<OutlineEntry> rootOutlineOrder;

    bool operator==(const WorkspaceSnapshot&) const = default;
};

struct ChatMessage {
    enum class Role { user, boss, system };
    QUuid id;
    Role role = Role::system;
    QString content;
    std::optional<BossAIMode> mode;
    Instant timestamp = 0;

    bool operator==(const ChatMessage&) const = default;
};

QString chatRoleText(ChatMessage::Role role);
std::optional<ChatMessage::Role> chatRoleFromText(const QString& text);

struct CompletionEvent {
    QUuid id;
    QString taskTitle;
    Instant completedAt = 0;
    bool wasOnTime = false;
};

struct GamificationState {
    int onTimeStreak = 0;
    int bestOnTimeStreak = 0;
    int totalCompletions = 0;

    bool operator==(const GamificationState&) const = default;
};

struct TaskAnalyticsRecord {
    QUuid id;
    QUuid taskID;
    QString taskTitle;
    QString sectionTitle;
    qint64 estimatedMinutes = 0;
    qint64 actualMinutes = 0;
    Instant completedAt = 0;
    bool wasOnTime = false;

    bool operator==(const TaskAnalyticsRecord&) const = default;
};

struct BossAIState {
    double urgencyScore = 45.0;
    Instant lastActivityAt = 0;
    Instant lastInactivityCheckAt = 0;
    int recentCompletionsCount = 0;
    bool inactivityBlockPenaltyApplied = false;
    bool demonLockActive = false;
    std::optional<Instant> surgeModeUntil;

    // The state a store without a boss row starts from, built at `now`.
    static BossAIState initial(Instant now);

    bool operator==(const BossAIState&) const = default;
};

// A malformed outline-entry text. `key` names the JSON member at fault.
struct DataError {
    QString description;
    QString key;
};

// Compact JSON array, "type" written before "id", upper-case UUIDs; "[]" when empty.
QByteArray encodeOutlineEntries(const QList<OutlineEntry>& entries);
// Strict reader: any malformed entry fails the whole list.
Result<QList<OutlineEntry>, DataError> decodeOutlineEntries(const QByteArray& json);

} // namespace vorn
