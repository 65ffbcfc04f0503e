// Importing a pasted list: the whole workspace replaced, or one section filled.
#include "store/task_store.h"

#include "model/outline_edit.h"
#include "model/plural.h"
#include "outline_io/hierarchical_task_parser.h"

#include <vector>

namespace vorn {

namespace {
const char* const kUnparsable = "Couldn't parse list. Paste a numbered Notes-style list.";
const char* const kNoSuchSection = "That list no longer exists. Nothing was pasted.";
constexpr qint64 kImportedMinutes = 30;
} // namespace

void TaskStore::applyParsedNodes(const QList<ParsedNode>& nodes, const QUuid& parentSectionID,
                                 const QUuid& rootID, QList<OutlineEntry>& outline) {
    // Depth first in text order. A node's parent section is the one opened for
    // the nearest item above it at one level less.
    QList<TaskSection> sections = m_workspace.sections;
    QList<TaskItem> tasks = m_workspace.tasks;
    std::vector<QUuid> sectionAtDepth{parentSectionID};
    forEachParsedNode(nodes, [&](const ParsedNode& node, int depth, qsizetype k) {
        const QUuid parent = sectionAtDepth[static_cast<size_t>(depth)];
        if (!node.children.isEmpty()) {
            TaskSection section;
            section.id = newUuid();
            section.title = node.title;
            section.parentID = parent;
            section.sortOrder = static_cast<int>(std::min<qsizetype>(k, std::numeric_limits<int>::max()));
            sections.append(section);
            if (parent == rootID)
                outline.append(OutlineEntry::section(section.id));
            sectionAtDepth.resize(static_cast<size_t>(depth) + 1);
            sectionAtDepth.push_back(section.id);
        } else {
            TaskItem task;
            task.id = newUuid();
            task.title = node.title;
            task.durationMinutes = kImportedMinutes;
            task.sectionID = parent;
            tasks.append(task);
            if (parent == rootID)
                outline.append(OutlineEntry::task(task.id));
        }
    });
    setSections(std::move(sections));
    setTasks(std::move(tasks));
}

void TaskStore::replaceFromPaste(const QString& text) {
    const OutlineChange change(*this);
    const std::optional<ParsedOutline> outline = HierarchicalTaskParser::parse(text);
    if (!outline) {
        setErrorMessage(QString::fromUtf8(kUnparsable));
        return;
    }
    recordUndoSnapshot();

    setTasks({});
    setSections({});
    setRootOutlineOrder({});
    setCollapsedSectionIDs({}); // saved by the field's observer
    m_lastOverdueNotificationAt.clear();
    m_overdueEscalationChatSent.clear();
    m_overdueIntenseChatSent.clear();

    TaskSection root;
    root.id = newUuid();
    root.title = outline->rootTitle;
    root.sortOrder = 0;
    setSections({root});
    QList<OutlineEntry> order;
    applyParsedNodes(outline->nodes, root.id, root.id, order);
    setRootOutlineOrder(std::move(order));

    // The session row (paste text, schedule start, root order) is written with
    // the tables in the one save at the end: a session row naming the new list
    // beside the old tasks would leave every stored row without a place.
    m_pasteText = text;
    emit pasteTextChanged();
    setScheduleStartTime(now());
    clearOverdueNotificationCooldowns(0);
    beginMotivationalSession();
    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    recordActivity();
    setErrorMessage(std::nullopt);

    const QString count = counted(tasks().size(), QStringLiteral("task"), QStringLiteral("tasks"));
    setStatusMessage(QStringLiteral("Loaded %1.").arg(count));
    setShowImportSheet(false);
    appendChatMessage(ChatMessage::Role::system, QStringLiteral("Loaded %1 from paste. Let's go.").arg(count),
                      std::nullopt);
    persistWorkspace(); // tasks, sections, session row and chat in one transaction

    deliverBossChatMessage(
        QStringLiteral("New task list imported: %1. User has not started yet — motivate them.").arg(count),
        false, std::nullopt, std::nullopt);
}

void TaskStore::pasteIntoSection(const QString& text, const QUuid& sectionID) {
    const OutlineChange change(*this);
    const std::optional<ParsedOutline> outline = HierarchicalTaskParser::parse(text);
    if (!outline) {
        setErrorMessage(QString::fromUtf8(kUnparsable));
        return;
    }
    const QList<TaskSection> roots = childSections(std::nullopt);
    if (roots.isEmpty())
        return;
    const QUuid rootID = roots.first().id;
    if (outline::sectionIndex(sections(), sectionID) < 0) {
        // The list was deleted under the paste: tasks filed there would have no row.
        const QString message = QString::fromUtf8(kNoSuchSection);
        setErrorMessage(message);
        setStatusMessage(message);
        return;
    }
    recordUndoSnapshot();

    // A paste into a sub-section replaces what it held; into the root it adds.
    if (sectionID != rootID)
        clearSectionContent(sectionID);
    const qsizetype tasksBefore = tasks().size();
    QList<OutlineEntry> newEntries;
    applyParsedNodes(outline->nodes, sectionID, rootID, newEntries);
    if (sectionID == rootID)
        setRootOutlineOrder(rootOutlineOrder() + newEntries);
    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    recordActivity();
    setErrorMessage(std::nullopt);
    // The count is of the tasks this paste added.
    setStatusMessage(QStringLiteral("Pasted %1 items into %2.")
                         .arg(QString::number(tasks().size() - tasksBefore), sectionTitle(sectionID)));
    persistWorkspace();
}

} // namespace vorn
