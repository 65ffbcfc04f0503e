#pragma once

#include "model/mode_arithmetic.h"
#include "model/mode_probabilities.h"
#include "model/records.h"
#include "store/store_part.h"

#include <QObject>

#include <optional>

namespace vorn {

// The boss: urgency, the modes and their probabilities, the Demon lock, the
// surge, the counters and the mood the chat panel shows.
class BossEngine : public QObject {
    Q_OBJECT

public:
    explicit BossEngine(TaskStore& store);

    // ---- published fields (store/task_store_fields.cpp) -----------------
    const GamificationState& gamification() const { return m_gamification; }
    void setGamification(const GamificationState& state);
    const BossAIState& bossAIState() const { return m_bossAIState; }
    void setBossAIState(const BossAIState& state);
    double demonModeProbability() const { return m_demonModeProbability; }
    void setDemonModeProbability(double probability);
    const ModeProbabilities& modeProbabilities() const { return m_modeProbabilities; }
    void setModeProbabilities(const ModeProbabilities& probabilities);
    const std::optional<BossAIMode>& activeBossMode() const { return m_activeBossMode; }
    void setActiveBossMode(const std::optional<BossAIMode>& mode);
    bool inMotivationalStartPhase() const { return m_inMotivationalStartPhase; }

    // ---- boss engine (store/boss_engine.cpp) -------------------------
    // Recomputes the recent completions, the Demon lock, surge expiry and both
    // probability fields; changes neither the urgency nor the mode.
    void refreshBossAIMetrics();
    BossAIMode selectBossMode(int recentCompletions);
    void releaseDemonLockAfterCompletion(bool wasOnTime);
    void recordActivity();
    void beginMotivationalSession();
    void resetBossAIState();
    std::optional<TaskItem> currentActiveTask() const;
    bool isSurgeActive() const;
    QString moodImageName() const { return currentMood().imageName; }
    QString moodHeadline() const { return currentMood().headline; }
    QString moodSubtitle() const { return currentMood().subtitle; }
    boss::MoodColor moodAccentColor() const { return currentMood().accentColor; }

    // ---- surge (store/boss_engine_surge.cpp) ---------------------------------------
    void maybeTriggerSurgeMode(const QUuid& sectionID);
    void expireSurgeIfNeeded();

signals:
    void gamificationChanged();
    void bossAIStateChanged();
    void demonModeProbabilityChanged();
    void modeProbabilitiesChanged();
    void activeBossModeChanged();

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class OutlineEditor;
    friend class BossWatch;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    void updateDemonLock();
    void activateSurgeMode(const QUuid& sectionID);
    boss::Mood currentMood() const;
    void saveBossState();

    TaskStore& m_store;
    GamificationState m_gamification;
    BossAIState m_bossAIState;
    double m_demonModeProbability = 0;
    ModeProbabilities m_modeProbabilities;
    std::optional<BossAIMode> m_activeBossMode;
    bool m_inMotivationalStartPhase = false;
};

} // namespace vorn
