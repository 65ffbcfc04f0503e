#include "editing_support.h"

#include "model/outline.h"
#include "model/schedule.h"

#include <QHash>
#include <QSet>

namespace vorn::test {

EditingStore::EditingStore() {
    StoreEnvironment env = base.environment();
    database = std::make_unique<DatabaseService>(QStringLiteral(":memory:"), base.clock());
    env.database = database.get();
    store = std::make_unique<TaskStore>(env);
}

OutlineBuilder::OutlineBuilder(TaskStore& store) : m_store(store), m_root(*store.rootSectionID()) {
    m_ws.sections = {store.sections().first()};
}

QUuid OutlineBuilder::folder(const QString& title, std::optional<QUuid> parent) {
    const QUuid parentID = parent.value_or(m_root);
    int siblings = 0;
    for (const TaskSection& s : std::as_const(m_ws.sections))
        siblings += s.parentID == parentID ? 1 : 0;
    m_ws.sections.append(TaskSection{newUuid(), title, parentID, siblings, std::nullopt});
    if (parentID == m_root)
        m_ws.rootOutlineOrder.append(OutlineEntry::section(m_ws.sections.last().id));
    return m_ws.sections.last().id;
}

QUuid OutlineBuilder::task(const QString& title, std::optional<QUuid> section, qint64 minutes) {
    TaskItem t;
    t.id = newUuid();
    t.title = title;
    t.durationMinutes = minutes;
    t.sectionID = section.value_or(m_root);
    m_ws.tasks.append(t);
    if (t.sectionID == m_root)
        m_ws.rootOutlineOrder.append(OutlineEntry::task(t.id));
    return t.id;
}

QUuid OutlineBuilder::group(const QUuid& headerTask) {
    for (const TaskSection& s : std::as_const(m_ws.sections)) {
        if (s.headerTaskID == headerTask)
            return s.id;
    }
    for (const TaskItem& t : std::as_const(m_ws.tasks)) {
        if (t.id == headerTask) {
            int next = 0;
            for (const TaskSection& s : std::as_const(m_ws.sections))
                next = s.parentID == t.sectionID ? std::max(next, s.sortOrder + 1) : next;
            m_ws.sections.append(TaskSection{newUuid(), t.title, t.sectionID, next, headerTask});
            return m_ws.sections.last().id;
        }
    }
    return {};
}

void OutlineBuilder::apply() {
    m_store.setSections(m_ws.sections);
    m_store.setTasks(m_ws.tasks);
    m_store.setRootOutlineOrder(m_ws.rootOutlineOrder);
    m_store.ensureTasksInDisplayOrder();
    m_store.recalculateFinishTimes();
    m_store.persistWorkspace();
}

QUuid taskNamed(const TaskStore& store, const QString& title) {
    for (const TaskItem& t : store.tasks()) {
        if (t.title == title)
            return t.id;
    }
    return {};
}

const TaskItem& taskWithID(const TaskStore& store, const QUuid& id) {
    static const TaskItem none;
    for (const TaskItem& t : store.tasks()) {
        if (t.id == id)
            return t;
    }
    return none;
}

QStringList rowTexts(const TaskStore& store) {
    QStringList out;
    for (const OutlineRow& row : store.outlineRows())
        out << (row.isTask() ? row.task().title : row.section().title) + QLatin1Char('@') +
                   QString::number(row.depth) + (row.isGroupHeader ? QStringLiteral("*") : QString());
    return out;
}

QString outlineProblems(const TaskStore& store) {
    const QList<TaskItem>& tasks = store.tasks();
    const QList<TaskSection>& sections = store.sections();

    QHash<QUuid, const TaskSection*> sectionByID;
    for (const TaskSection& s : sections) {
        if (sectionByID.contains(s.id))
            return QStringLiteral("section ID %1 used twice").arg(uuidText(s.id));
        sectionByID.insert(s.id, &s);
    }
    QSet<QUuid> taskIDs;
    for (const TaskItem& t : tasks) {
        if (taskIDs.contains(t.id))
            return QStringLiteral("task ID %1 used twice").arg(uuidText(t.id));
        taskIDs.insert(t.id);
        if (!sectionByID.contains(t.sectionID))
            return QStringLiteral("task '%1' stands in no section").arg(t.title);
    }

    int roots = 0;
    for (const TaskSection& s : sections) {
        roots += s.parentID ? 0 : 1;
        if (s.parentID && !sectionByID.contains(*s.parentID))
            return QStringLiteral("section '%1' has a missing parent").arg(s.title);
        const TaskSection* walk = &s;
        for (qsizetype steps = 0; walk->parentID; ++steps) {
            if (steps > sections.size())
                return QStringLiteral("section '%1' hangs in a parent cycle").arg(s.title);
            walk = sectionByID.value(*walk->parentID);
        }
    }
    if (roots != 1)
        return QStringLiteral("%1 roots").arg(roots);

    QSet<OutlineEntry> entries;
    for (const OutlineEntry& e : store.rootOutlineOrder()) {
        if (entries.contains(e))
            return QStringLiteral("root entry %1 twice").arg(uuidText(e.id));
        entries.insert(e);
    }

    QList<QUuid> shown;
    for (const OutlineRow& row : store.outlineRows()) {
        if (row.isTask())
            shown.append(row.task().id);
    }
    QHash<QUuid, int> timesShown;
    for (const QUuid& id : shown)
        ++timesShown[id];
    for (const TaskItem& t : tasks) {
        if (timesShown.value(t.id) != 1)
            return QStringLiteral("task '%1' shown in %2 rows").arg(t.title).arg(timesShown.value(t.id));
    }
    if (shown.size() != tasks.size())
        return QStringLiteral("%1 task rows for %2 tasks").arg(shown.size()).arg(tasks.size());

    for (qsizetype i = 0; i < tasks.size(); ++i) {
        if (tasks.at(i).id != shown.at(i))
            return QStringLiteral("tasks not in outline order at %1 ('%2')").arg(i).arg(tasks.at(i).title);
    }
    QList<TaskItem> rescheduled = tasks;
    if (schedule::recalculateFinishTimes(rescheduled, store.scheduleStartTime()))
        return QStringLiteral("finish times are not laid end to end");
    return {};
}

} // namespace vorn::test
