// Importing a pasted list: the whole workspace replaced, or one section filled.
#include "store/task_store.h"

#include "model/outline_edit.h"
#include "model/plural.h"
#include "outline_io/hierarchical_task_parser.h"
#include "store/store_texts.h"

#include <vector>

namespace vorn {

namespace {
const char* const kUnparsable =
    QT_TRANSLATE_NOOP("TaskStore", "Couldn't parse list. Paste a numbered Notes-style list.");
const char* const kNoSuchSection =
    QT_TRANSLATE_NOOP("TaskStore", "That list no longer exists. Nothing was pasted.");
constexpr qint64 kImportedMinutes = 30;
} // namespace

void TaskStore::applyParsedNodes(const QList<ParsedNode>& nodes, const QUuid& parentSectionID,
                                 const QUuid& rootID, QList<OutlineEntry>& order) {
    // Depth first in text order. A node's parent section is the one opened for
    // the nearest item above it at one level less.
    QList<TaskSection> sections = outline().m_workspace.sections;
    QList<TaskItem> tasks = outline().m_workspace.tasks;
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
                order.append(OutlineEntry::section(section.id));
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
                order.append(OutlineEntry::task(task.id));
        }
    });
    outline().setSections(std::move(sections));
    outline().setTasks(std::move(tasks));
}

void TaskStore::replaceFromPaste(const QString& text) {
    const Outline::OutlineChange change(outline());
    const std::optional<ParsedOutline> parsed = HierarchicalTaskParser::parse(text);
    if (!parsed) {
        setErrorMessage(tr(kUnparsable));
        return;
    }
    editor().recordUndoSnapshot();

    outline().setTasks({});
    outline().setSections({});
    outline().setRootOutlineOrder({});
    outline().setCollapsedSectionIDs({}); // saved by the field's observer
    watch().m_lastOverdueNotificationAt.clear();
    watch().m_overdueEscalationChatSent.clear();
    watch().m_overdueIntenseChatSent.clear();

    TaskSection root;
    root.id = newUuid();
    root.title = parsed->rootTitle;
    root.sortOrder = 0;
    outline().setSections({root});
    QList<OutlineEntry> order;
    applyParsedNodes(parsed->nodes, root.id, root.id, order);
    outline().setRootOutlineOrder(std::move(order));

    // The session row (paste text, schedule start, root order) is written with
    // the tables in the one save at the end: a session row naming the new list
    // beside the old tasks would leave every stored row without a place.
    window().m_pasteText = text;
    emit window().pasteTextChanged();
    outline().setScheduleStartTime(now());
    watch().clearOverdueNotificationCooldowns(0);
    boss().beginMotivationalSession();
    if (!outline().tasks().isEmpty()) {
        outline().ensureTasksInDisplayOrder();
        outline().recalculateFinishTimes();
    }
    boss().recordActivity();
    setErrorMessage(std::nullopt);

    const QString count = taskCountText(outline().tasks().size());
    setStatusMessage(tr("Loaded %1.").arg(count));
    emit listReplaced();
    chat().appendChatMessage(ChatMessage::Role::system, tr("Loaded %1 from paste. Let's go.").arg(count),
                             std::nullopt);
    persistWorkspace(); // tasks, sections, session row and chat in one transaction

    chat().deliverBossChatMessage(
        QStringLiteral("New task list imported: %1. User has not started yet — motivate them.")
            .arg(counted(outline().tasks().size(), QStringLiteral("task"), QStringLiteral("tasks"))),
        false, std::nullopt, std::nullopt);
}

void TaskStore::pasteIntoSection(const QString& text, const QUuid& sectionID) {
    const Outline::OutlineChange change(outline());
    const std::optional<ParsedOutline> parsed = HierarchicalTaskParser::parse(text);
    if (!parsed) {
        setErrorMessage(tr(kUnparsable));
        return;
    }
    const QList<TaskSection> roots = outline().childSections(std::nullopt);
    if (roots.isEmpty())
        return;
    const QUuid rootID = roots.first().id;
    if (outline::sectionIndex(outline().sections(), sectionID) < 0) {
        // The list was deleted under the paste: tasks filed there would have no row.
        const QString message = tr(kNoSuchSection);
        setErrorMessage(message);
        setStatusMessage(message);
        return;
    }
    editor().recordUndoSnapshot();

    // A paste into a sub-section replaces what it held; into the root it adds.
    if (sectionID != rootID)
        editor().clearSectionContent(sectionID);
    const qsizetype tasksBefore = outline().tasks().size();
    QList<OutlineEntry> newEntries;
    applyParsedNodes(parsed->nodes, sectionID, rootID, newEntries);
    if (sectionID == rootID)
        outline().setRootOutlineOrder(outline().rootOutlineOrder() + newEntries);
    if (!outline().tasks().isEmpty()) {
        outline().ensureTasksInDisplayOrder();
        outline().recalculateFinishTimes();
    }
    boss().recordActivity();
    setErrorMessage(std::nullopt);
    // The count is of the tasks this paste added.
    setStatusMessage(
        tr("Pasted %1 items into %2.")
            .arg(QString::number(outline().tasks().size() - tasksBefore), outline().sectionTitle(sectionID)));
    persistWorkspace();
}

} // namespace vorn
