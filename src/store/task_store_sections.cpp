// Naming, deleting and emptying sections.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

namespace {

// Each section is one undo step, recorded before anything of its tree goes, so
// the newest step (this section's) gives back the whole tree at once. Then the
// subsections go, their tasks moving up into this section, then this section.
void deleteSectionTree(TaskStore& store, const QUuid& sectionID, QSet<QUuid>& entered) {
    if (entered.contains(sectionID) || !store.canDeleteSection(sectionID))
        return;
    entered.insert(sectionID); // a damaged tree may lead back here
    store.recordUndoSnapshot();
    for (const TaskSection& child : store.childSections(sectionID))
        deleteSectionTree(store, child.id, entered);

    const std::optional<Workspace> edited = outline::dissolveSection(store.workspace(), sectionID);
    if (!edited)
        return;
    editing::adopt(store, *edited);
    QSet<QUuid> collapsed = store.collapsedSectionIDs();
    collapsed.remove(sectionID);
    store.setCollapsedSectionIDs(collapsed); // saved by the field's observer
    editing::reorderAndReschedule(store);
    store.persistWorkspace();
}

} // namespace

void TaskStore::renameSection(const QUuid& sectionID, const QString& title) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::renameSection(workspace(), sectionID, title);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(*this, *edited);
    persistWorkspace();
}

void TaskStore::renameRootTitle(const QString& title) {
    const OutlineChange change(*this);
    if (const std::optional<QUuid> root = rootSectionID())
        renameSection(*root, title);
}

bool TaskStore::canDeleteSection(const QUuid& sectionID) const {
    const qsizetype pos = outline::sectionIndex(sections(), sectionID);
    return pos >= 0 && sections().at(pos).parentID.has_value();
}

void TaskStore::deleteSection(const QUuid& sectionID) {
    const OutlineChange change(*this);
    QSet<QUuid> entered;
    deleteSectionTree(*this, sectionID, entered);
}

void TaskStore::clearSectionContent(const QUuid& sectionID) {
    const OutlineChange change(*this);
    editing::adopt(*this, outline::clearSectionContent(workspace(), sectionID));
}

} // namespace vorn
