// The yardstick for Vorn's start-up: an empty QMainWindow, built as Vorn is,
// that answers a second start's hand-over once it is shown (as Vorn does).
#include "app/instance_handover.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1100, 720);
    vorn::HandOverServer handOver([](const vorn::HandOverRequest&) {
        return vorn::HandOverReply{true, QString()};
    });
    handOver.listen(qEnvironmentVariable("VORN_EMPTY_WINDOW_SERVER"));
    window.show();
    return QApplication::exec();
}
