#pragma once

#include "store/store_part.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace vorn {

// What the window shows that the store keeps: the import text (saved with the
// session) and the chat panel's visibility and width (kept in the preferences)
// (store/task_store_fields.cpp).
class WindowState : public QObject {
    Q_OBJECT

public:
    explicit WindowState(TaskStore& store);

    const QString& pasteText() const { return m_pasteText; }
    void setPasteText(const QString& text);
    bool isChatVisible() const { return m_isChatVisible; }
    void setIsChatVisible(bool visible);
    double chatPanelFraction() const { return m_chatPanelFraction; }
    void setChatPanelFraction(double fraction);

signals:
    void pasteTextChanged();
    void isChatVisibleChanged();
    void chatPanelFractionChanged();

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
    QString m_pasteText;
    bool m_isChatVisible = true;
    double m_chatPanelFraction = 0.35;
};

} // namespace vorn
