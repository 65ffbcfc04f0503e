#include "views/app_notifications.h"

namespace vorn {

AppNotifications& AppNotifications::instance() {
    static AppNotifications notifications;
    return notifications;
}

} // namespace vorn
