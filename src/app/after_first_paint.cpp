#include "app/after_first_paint.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vorn {

namespace {

class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget* window, std::function<void()> action, std::chrono::milliseconds latest)
        : QObject(window), m_action(std::move(action)) {
        window->installEventFilter(this);
        QTimer::singleShot(latest, this, [this] { fire(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            watched->removeEventFilter(this);
            // After this paint has been flushed to the screen.
            QTimer::singleShot(0, this, [this] { fire(); });
        }
        return false;
    }

private:
    void fire() {
        if (!m_action)
            return;
        const auto action = std::move(m_action);
        m_action = nullptr;
        deleteLater();
        action();
    }

    std::function<void()> m_action;
    bool m_painted = false;
};

} // namespace

void runAfterFirstPaint(QWidget* window, std::function<void()> action, std::chrono::milliseconds latest) {
    new FirstPaintWatch(window, std::move(action), latest);
}

} // namespace vorn
