#pragma once

#include "store/store_part.h"

#include <QObject>

#include <qcoro/qcorotask.h>

namespace vorn {

// The AI's estimate of the timeline: durations for the open tasks
// (store/timeline_estimator.cpp).
class TimelineEstimator : public QObject {
    Q_OBJECT

public:
    explicit TimelineEstimator(TaskStore& store);

    bool isEstimating() const { return m_isEstimating; }
    void setIsEstimating(bool estimating);
    QCoro::Task<> estimateWithAI();

signals:
    void isEstimatingChanged();

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class StorePreferences;
    friend class WindowState;

    TaskStore& m_store;
    bool m_isEstimating = false;
};

} // namespace vorn
