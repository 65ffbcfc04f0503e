#pragma once

// An outline view on a fixture store, shown offscreen and active, with its
// model checked by QAbstractItemModelTester throughout.
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace vorn::test {

struct OutlineHarness {
    StoreFixture fixture{localTime(9, 0)};
    TaskStore& store = fixture.start();
    std::unique_ptr<OutlineView> view;
    std::unique_ptr<QAbstractItemModelTester> tester;

    OutlineHarness() { open(); }

    void open() {
        tester.reset();
        view = std::make_unique<OutlineView>(store);
        view->resize(720, 480);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        tester = std::make_unique<QAbstractItemModelTester>(
            model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    OutlineTable* table() const { return view->table(); }
    OutlineTableModel* model() const { return view->table()->outlineModel(); }
    QLineEdit* editor() const { return table()->openEditor(); }

    // Lets queued row updates and focus requests run.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // Types into the open editor, then presses `key` there and lets the table follow.
    void type(const QString& text, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClicks(editor(), text);
        QTest::keyClick(editor(), key, modifiers);
        settle();
    }

    // "title@depth" for every row the table shows.
    QStringList shownRows() const {
        QStringList out;
        for (const OutlineRow& row : model()->rows())
            out.append((row.isTask() ? row.task().title : row.section().title) + QLatin1Char('@') +
                       QString::number(row.depth));
        return out;
    }

    // Replaces the outline, one line a row: "Name/" is a folder, and a line one
    // space deeper than the one above goes into that folder or that task's group.
    void build(const QStringList& lines) {
        struct Parent {
            QUuid id;
            bool folder;
            std::optional<QUuid> group;
        };
        OutlineBuilder b(store);
        QList<Parent> parents;
        for (const QString& line : lines) {
            const qsizetype depth = line.size() - line.trimmed().size();
            const QString title = line.trimmed();
            parents.resize(depth);
            std::optional<QUuid> in;
            if (depth > 0) {
                Parent& p = parents[depth - 1];
                if (!p.folder && !p.group)
                    p.group = b.group(p.id);
                in = p.folder ? p.id : *p.group;
            }
            if (title.endsWith(QLatin1Char('/')))
                parents.append({b.folder(title.chopped(1), in), true, {}});
            else
                parents.append({b.task(title, in), false, {}});
        }
        b.apply();
        settle();
    }

    QPoint cellCentre(int row, int column) const {
        return table()->visualRect(model()->index(row, column)).center();
    }
};

} // namespace vorn::test
