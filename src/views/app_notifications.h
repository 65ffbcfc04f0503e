#pragma once

#include <QObject>

namespace vorn {

// Application-wide notifications between views that do not know each other.
// "Vorn.clearTaskRowSelection": a click outside the outline (the divider, the
// chat, the toolbar) asks the outline table to drop its row selection.
class AppNotifications : public QObject {
    Q_OBJECT

public:
    static constexpr const char* clearTaskRowSelectionName = "Vorn.clearTaskRowSelection";

    static AppNotifications& instance();

    void postClearTaskRowSelection() { emit clearTaskRowSelection(); }

signals:
    void clearTaskRowSelection();
};

} // namespace vorn
