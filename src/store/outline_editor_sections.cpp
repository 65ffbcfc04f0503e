// Naming, deleting and emptying sections.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

// Each section is one undo step, recorded before anything of its tree goes, so
// the newest step (this section's) gives back the whole tree at once. Then the
// subsections go, their tasks moving up into this section, then this section.
void OutlineEditor::deleteSectionTree(const QUuid& sectionID, QSet<QUuid>& entered) {
    if (entered.contains(sectionID) || !canDeleteSection(sectionID))
        return;
    entered.insert(sectionID); // a damaged tree may lead back here
    recordUndoSnapshot();
    for (const TaskSection& child : m_store.outline().childSections(sectionID))
        deleteSectionTree(child.id, entered);

    const std::optional<Workspace> edited =
        outline::dissolveSection(m_store.outline().workspace(), sectionID);
    if (!edited)
        return;
    editing::adopt(m_store, *edited);
    QSet<QUuid> collapsed = m_store.outline().collapsedSectionIDs();
    collapsed.remove(sectionID);
    m_store.outline().setCollapsedSectionIDs(collapsed); // saved by the field's observer
    editing::reorderAndReschedule(m_store);
    m_store.persistWorkspace();
}

void OutlineEditor::renameSection(const QUuid& sectionID, const QString& title) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited =
        outline::renameSection(m_store.outline().workspace(), sectionID, title);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    m_store.persistWorkspace();
}

void OutlineEditor::renameRootTitle(const QString& title) {
    const Outline::OutlineChange change(m_store.outline());
    if (const std::optional<QUuid> root = m_store.outline().rootSectionID())
        renameSection(*root, title);
}

bool OutlineEditor::canDeleteSection(const QUuid& sectionID) const {
    const qsizetype pos = outline::sectionIndex(m_store.outline().sections(), sectionID);
    return pos >= 0 && m_store.outline().sections().at(pos).parentID.has_value();
}

void OutlineEditor::deleteSection(const QUuid& sectionID) {
    const Outline::OutlineChange change(m_store.outline());
    QSet<QUuid> entered;
    deleteSectionTree(sectionID, entered);
}

void OutlineEditor::clearSectionContent(const QUuid& sectionID) {
    const Outline::OutlineChange change(m_store.outline());
    editing::adopt(m_store, outline::clearSectionContent(m_store.outline().workspace(), sectionID));
}

} // namespace vorn
