#pragma once

#include "platform/instant.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace vorn {

class TaskStore;

// The surge countdown in the window's top-right corner: "⚡ SURGE" over the
// time left. A one-second timer moves its clock and lets the store end an
// expired surge; it shows nothing while no surge runs.
class SurgeCountdown : public QWidget {
    Q_OBJECT

public:
    explicit SurgeCountdown(TaskStore& store, QWidget* parent = nullptr);

    // One tick of the timer: read the clock, end an expired surge, redraw.
    void tick();
    QString remainingText() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void applyColours();

    TaskStore& m_store;
    Instant m_now = 0;
    QTimer m_timer;
    QLabel* m_label = nullptr;
    QLabel* m_remaining = nullptr;
};

} // namespace vorn
