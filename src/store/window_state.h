#pragma once

#include "store/store_part.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace vorn {

// What the window shows that the store's operations decide: the import sheet
// and its text, the chat panel's visibility and width, and the title that
// takes the focus next (store/task_store_fields.cpp).
class WindowState : public QObject {
    Q_OBJECT

public:
    explicit WindowState(TaskStore& store);

    bool showImportSheet() const { return m_showImportSheet; }
    void setShowImportSheet(bool show);
    const QString& pasteText() const { return m_pasteText; }
    void setPasteText(const QString& text);
    bool isChatVisible() const { return m_isChatVisible; }
    void setIsChatVisible(bool visible);
    double chatPanelFraction() const { return m_chatPanelFraction; }
    void setChatPanelFraction(double fraction);
    const std::optional<QUuid>& pendingTitleFocusID() const { return m_pendingTitleFocusID; }
    void setPendingTitleFocusID(const std::optional<QUuid>& id);
    bool pendingTitleSelectAll() const { return m_pendingTitleSelectAll; }
    void setPendingTitleSelectAll(bool selectAll);

signals:
    void showImportSheetChanged();
    void pasteTextChanged();
    void isChatVisibleChanged();
    void chatPanelFractionChanged();
    void pendingTitleFocusIDChanged();
    void pendingTitleSelectAllChanged();

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class TimelineEstimator;
    friend class StorePreferences;

    TaskStore& m_store;
    bool m_showImportSheet = false;
    QString m_pasteText;
    bool m_isChatVisible = true;
    double m_chatPanelFraction = 0.35;
    std::optional<QUuid> m_pendingTitleFocusID;
    bool m_pendingTitleSelectAll = false;
};

} // namespace vorn
