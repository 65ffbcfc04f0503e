#pragma once

#include "fixtures/store_fixture.h"

#include <QStringList>

#include <memory>

namespace vorn::test {

// A store like StoreFixture's, saving into an in-memory database so that long
// runs of edits do not wait for the disk.
struct EditingStore {
    EditingStore();
    ~EditingStore() { store.reset(); }

    StoreFixture base;
    std::unique_ptr<DatabaseService> database;
    std::unique_ptr<TaskStore> store;
};

// Replaces the store's outline, keeping its root; top-level tasks and folders
// get their root entries in the order they are made.
class OutlineBuilder {
public:
    explicit OutlineBuilder(TaskStore& store);

    QUuid root() const { return m_root; }
    QUuid folder(const QString& title, std::optional<QUuid> parent = std::nullopt);
    QUuid task(const QString& title, std::optional<QUuid> section = std::nullopt, qint64 minutes = 10);
    // The group of a heading task, made under the task's section when it has none.
    QUuid group(const QUuid& headerTask);
    // Hands the outline to the store in outline order with finish times, and saves it.
    void apply();

private:
    TaskStore& m_store;
    QUuid m_root;
    Workspace m_ws;
};

QUuid taskNamed(const TaskStore& store, const QString& title);
const TaskItem& taskWithID(const TaskStore& store, const QUuid& id);
// One text per row: title, "@", depth, and "*" on group headers ("A@1*").
QStringList rowTexts(const TaskStore& store);
// What is wrong with the outline after an edit; empty when nothing is.
QString outlineProblems(const TaskStore& store);

} // namespace vorn::test
