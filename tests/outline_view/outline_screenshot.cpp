// Draws the outline view with a sample day into a PNG (the README picture):
//   outline_screenshot FILE.png
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"

#include <QApplication>
#include <QTimer>

using namespace vorn;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        qCritical("usage: outline_screenshot FILE.png");
        return 2;
    }
    test::StoreFixture fixture(test::localTime(9, 0));
    TaskStore& store = fixture.start();
    test::OutlineBuilder b(store);
    const QUuid inbox = b.task(QStringLiteral("Clear the inbox"), std::nullopt, 20);
    const QUuid standup = b.task(QStringLiteral("Stand-up with the team"), std::nullopt, 15);
    const QUuid report = b.folder(QStringLiteral("Quarterly report"));
    const QUuid figures = b.task(QStringLiteral("Pull the sales figures"), report, 30);
    const QUuid group = b.group(figures);
    b.task(QStringLiteral("Europe"), group, 15);
    b.task(QStringLiteral("Americas"), group, 15);
    const QUuid summary = b.task(QStringLiteral("Write the summary"), report, 45);
    b.task(QStringLiteral(""), report, 10);
    const QUuid errands = b.folder(QStringLiteral("Errands"));
    b.task(QStringLiteral("Post office"), errands, 20);
    b.task(QStringLiteral("Pick up the dry cleaning"), errands, 15);
    b.apply();
    fixture.clock().set(test::localTime(9, 18));
    store.toggleCompletion(inbox);
    fixture.clock().set(test::localTime(9, 31));
    store.toggleCompletion(standup);

    OutlineView view(store);
    view.resize(640, 400);
    view.show();
    QTimer::singleShot(50, &view, [&] {
        view.table()->focusTitle(summary, false); // the edited row is the current, highlighted one
    });
    QTimer::singleShot(200, &app, [&] {
        const bool saved = view.grab().save(QString::fromLocal8Bit(argv[1]));
        QApplication::exit(saved ? 0 : 1);
    });
    return QApplication::exec();
}
