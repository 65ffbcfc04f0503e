// The desktop tests need widgets (the tray's window), so they have a main of
// their own with a QApplication.
#include "services/network.h"

#include <QApplication>

int runDesktopTest(int argc, char** argv);
int runNotificationsTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int failed = (runDesktopTest(argc, argv) != 0) + (runNotificationsTest(argc, argv) != 0);
    vorn::shutDownSharedNetworkAccess();
    return failed;
}
