#pragma once

#include "fixtures/store_fixture.h"

#include <QStringList>

#include <memory>

namespace vorn::test {

// A store like StoreFixture's, but saving into an in-memory database, so that a
// long run of edits does not wait for the disk.
class EditingStore {
public:
    EditingStore();
    ~EditingStore();

    TaskStore& store() { return *m_store; }
    DatabaseService& database() { return *m_database; }
    Preferences& preferences() { return m_base.preferences(); }
    ManualClock& clock() { return m_base.clock(); }

private:
    StoreFixture m_base;
    std::unique_ptr<DatabaseService> m_database;
    std::unique_ptr<TaskStore> m_store;
};

// Replaces the store's outline with one built here: its root stays, and
// top-level tasks and folders get their root entries in the order they are made.
class OutlineBuilder {
public:
    explicit OutlineBuilder(TaskStore& store);

    QUuid root() const { return m_root; }
    QUuid folder(const QString& title, std::optional<QUuid> parent = std::nullopt);
    QUuid task(const QString& title, std::optional<QUuid> section = std::nullopt, qint64 minutes = 10);
    // The group section of a heading task (made under the task's section when it has none).
    QUuid group(const QUuid& headerTask);
    // Hands the outline to the store in outline order with finish times, and saves it.
    void apply();

private:
    TaskStore& m_store;
    QUuid m_root;
    Workspace m_ws;
};

// The ID of the task or section with the title (the first one), or a null UUID.
QUuid taskNamed(const TaskStore& store, const QString& title);
QUuid sectionNamed(const TaskStore& store, const QString& title);
const TaskItem& taskWithID(const TaskStore& store, const QUuid& id);
// Task titles in array order.
QStringList taskTitles(const TaskStore& store);
// One text per row: the title, "@", the depth, and "*" on group headers ("A@1*").
QStringList rowTexts(const TaskStore& store);
// What is wrong with the outline after an edit; empty when nothing is.
QString outlineProblems(const TaskStore& store);

} // namespace vorn::test
