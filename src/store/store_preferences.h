#pragma once

#include "store/store_part.h"

#include <QObject>
#include <QString>

namespace vorn {

// The settings the user chooses; each is written to the preferences when it
// changes after start-up (store/task_store_fields.cpp).
class StorePreferences : public QObject {
    Q_OBJECT

public:
    // The late threshold's range, as the settings window offers it.
    static constexpr double kMinLateMultiplier = 1.0;
    static constexpr double kMaxLateMultiplier = 2.0;

    explicit StorePreferences(TaskStore& store);

    const QString& openAIModel() const { return m_openAIModel; }
    void setOpenAIModel(const QString& model);
    double lateThresholdMultiplier() const { return m_lateThresholdMultiplier; }
    void setLateThresholdMultiplier(double multiplier);
    bool demonWebsiteBlockingEnabled() const { return m_demonWebsiteBlockingEnabled; }
    void setDemonWebsiteBlockingEnabled(bool enabled);
    const QString& blockedSitesText() const { return m_blockedSitesText; }
    void setBlockedSitesText(const QString& text);
    // Whether boss messages are spoken; off, no speech is requested at all.
    bool speakMessages() const { return m_speakMessages; }
    void setSpeakMessages(bool speak);
    // Whether boss messages also reach the desktop as notifications while the
    // window is in the background.
    bool showNotifications() const { return m_showNotifications; }
    void setShowNotifications(bool show);

signals:
    void openAIModelChanged();
    void lateThresholdMultiplierChanged();
    void demonWebsiteBlockingEnabledChanged();
    void blockedSitesTextChanged();
    void speakMessagesChanged();
    void showNotificationsChanged();

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
    friend class WindowState;

    TaskStore& m_store;
    QString m_openAIModel;
    double m_lateThresholdMultiplier = 1.1;
    bool m_demonWebsiteBlockingEnabled = true;
    QString m_blockedSitesText;
    bool m_speakMessages = true;
    bool m_showNotifications = true;
};

} // namespace vorn
