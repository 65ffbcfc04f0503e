#pragma once

#include <QPointer>
#include <QWidget>

namespace vorn {

// A frame in the palette's highlight colour round whichever widget of its
// window has the keyboard focus (a borderless title field, the table, the
// chat input alike), so the keyboard's place shows in every style. It is an
// overlay of the window that passes the mouse through and never takes focus.
class FocusRing : public QWidget {
    Q_OBJECT

public:
    explicit FocusRing(QWidget* window);

    // The widget the ring is round, if it shows.
    QWidget* target() const { return isVisible() ? m_target.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* focused);
    void place();
    void watch(QWidget* widget, bool on);

    QPointer<QWidget> m_target;
};

} // namespace vorn
