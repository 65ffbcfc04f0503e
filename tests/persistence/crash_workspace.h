#pragma once

// The two workspaces the crash writer alternates between. Each generation has
// its own sizes, titles and IDs (the same in every process), so a table written
// only in part, or tables from different saves, show up when the file is read back.

#include "persistence/database_service.h"

namespace vorn::test {

struct CrashGeneration {
    QString tag; // "A" or "B"
    int tasks;
    int sections;
    int chatLines;
    int overdue;
};

inline const CrashGeneration kGenerationA{QStringLiteral("A"), 2000, 50, 200, 30};
inline const CrashGeneration kGenerationB{QStringLiteral("B"), 1500, 40, 150, 20};

struct CrashWorkspace {
    QList<TaskItem> tasks;
    QList<TaskSection> sections;
    GamificationState gamification;
    DatabaseService::SessionSnapshot session;
    QList<DatabaseService::OverdueSnapshot> overdue;
    QList<ChatMessage> chat;
};

inline CrashWorkspace buildCrashWorkspace(const CrashGeneration& gen) {
    CrashWorkspace w;
    const QString prefix = QStringLiteral("gen %1 ").arg(gen.tag);
    const auto id = [&](int i) { return QUuid::createUuidV5(QUuid(), prefix + QString::number(i)); };
    for (int i = 0; i < gen.sections; ++i) {
        const std::optional<QUuid> parent = i == 0 ? std::nullopt : std::optional(w.sections[0].id);
        w.sections.append({id(-1 - i), prefix + QString::number(i), parent, i, std::nullopt});
    }
    for (int i = 0; i < gen.tasks; ++i) {
        TaskItem t{id(i),        prefix + QString::number(i),     15,          i % 3 == 0, 1.7e9 + i * 900.0,
                   std::nullopt, w.sections[i % gen.sections].id, std::nullopt};
        w.tasks.append(t);
        w.session.outlineOrder.append(OutlineEntry::task(t.id));
    }
    for (int i = 0; i < gen.overdue; ++i)
        w.overdue.append({w.tasks[i].id, 1.7e9, true, false});
    for (int i = 0; i < gen.chatLines; ++i)
        w.chat.append({id(100'000 + i), ChatMessage::Role::boss, prefix + QString::number(i),
                       BossAIMode::demon, 1.7e9 + i});
    w.gamification = {gen.tasks, gen.sections, gen.chatLines};
    w.session.scheduleStartTime = 1.7e9;
    w.session.pasteText = prefix;
    return w;
}

} // namespace vorn::test
