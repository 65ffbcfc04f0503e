// A writer process is killed (SIGKILL) at a random moment while it saves whole
// workspaces; the file it leaves must always hold exactly one of them.

#include "crash_workspace.h"
#include "fixtures/blocker_fakes.h"
#include "fixtures/log_capture.h"
#include "fixtures/test_main.h"
#include "model/outline.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace vorn;

namespace {

// "<title>" then `folders` numbered folders of `tasks` numbered tasks each.
QString numberedList(const QString& title, int folders, int tasks) {
    QString text = title + QLatin1Char('\n');
    for (int f = 0; f < folders; ++f) {
        text += QStringLiteral("%1. %2 folder %1\n").arg(f + 1).arg(title);
        for (int t = 0; t < tasks; ++t)
            text += QStringLiteral("    %1. %2 task %3.%1\n").arg(t + 1).arg(title).arg(f + 1);
    }
    return text;
}

// Runs the writer's import of `list` into `path` (a copy of `from` when given):
// its output, or "killed" when it died by SIGKILL.
QByteArray runImport(const QString& path, const QString& list, std::optional<long> killAt = {},
                     const QString& from = {}) {
    if (!from.isEmpty() && !QFile::copy(from, path))
        return "cannot copy " + from.toUtf8();
    QStringList arguments{QStringLiteral("--import"), path, list};
    if (killAt)
        arguments.append(QString::number(*killAt));
    QProcess writer;
    writer.start(QStringLiteral(VORN_DB_CRASH_WRITER), arguments);
    if (!writer.waitForFinished(60'000))
        return "did not finish";
    if (writer.exitStatus() == QProcess::CrashExit)
        return "killed";
    return writer.readAllStandardOutput() + writer.readAllStandardError();
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void killedWriterLeavesOneWholeWorkspace() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("vorn.sqlite"));
        ManualClock clock(1.7e9);
        const test::CrashWorkspace generations[] = {test::buildCrashWorkspace(test::kGenerationA),
                                                    test::buildCrashWorkspace(test::kGenerationB)};
        QElapsedTimer elapsed;
        elapsed.start();
        int rounds = 0;
        int generationB = 0;
        for (; rounds < 25 && elapsed.elapsed() < 25'000; ++rounds) {
            QProcess writer;
            writer.start(QStringLiteral(VORN_DB_CRASH_WRITER), {path});
            QVERIFY(writer.waitForStarted());
            QByteArray output;
            while (!output.contains("ready")) {
                QVERIFY2(writer.waitForReadyRead(20'000), writer.readAllStandardError().constData());
                output += writer.readAllStandardOutput();
            }
            const int delayMs = QRandomGenerator::global()->bounded(2, 61);
            QThread::msleep(delayMs);
            writer.kill();
            QVERIFY(writer.waitForFinished());
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            test::LogCapture log;
            DatabaseService db(path, clock);
            QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::opened);
            // Nothing in the file is damaged.
            QCOMPARE(log.count(QStringLiteral("DatabaseService SQL error: ")), 0);

            const QList<TaskItem> tasks = db.loadTasks({});
            const bool b = tasks.size() == test::kGenerationB.tasks;
            const test::CrashWorkspace& w = generations[b ? 1 : 0];
            const QString context = QStringLiteral("round %1, killed after %2 ms").arg(rounds).arg(delayMs);
            QVERIFY2(tasks == w.tasks, qPrintable(context));
            QVERIFY2(db.loadSections() == w.sections, qPrintable(context));
            QVERIFY2(db.loadChatMessages() == w.chat, qPrintable(context));
            QVERIFY2(db.loadOverdueStates() == w.overdue, qPrintable(context));
            QVERIFY2(db.loadGamificationState() == w.gamification, qPrintable(context));
            QVERIFY2(db.loadSession() == w.session, qPrintable(context));
            generationB += b ? 1 : 0;
        }
        qInfo("%d rounds, %d ended on generation B", rounds, generationB);
        QVERIFY(rounds >= 5);
    }

    // `vorn --import` of 3,000 tasks over a list of 50, killed at statements
    // spread evenly over the import (its first to its last): every run leaves
    // the old list or the new one, and every task of it has a row.
    void killedImportLeavesTheOldListOrTheNew() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString oldList = dir.filePath(QStringLiteral("old.txt"));
        const QString newList = dir.filePath(QStringLiteral("new.txt"));
        test::writeFile(oldList, numberedList(QStringLiteral("Old"), 5, 10).toUtf8());
        test::writeFile(newList, numberedList(QStringLiteral("New"), 30, 100).toUtf8());
        const QString base = dir.filePath(QStringLiteral("base.sqlite"));
        QVERIFY(runImport(base, oldList).startsWith("statements "));
        const QByteArray counted = runImport(dir.filePath(QStringLiteral("count.sqlite")), newList, {}, base);
        const long statements = counted.mid(int(qstrlen("statements "))).trimmed().toLong();
        QVERIFY2(statements > 3000, counted.constData());

        constexpr int kRuns = 30;
        int oldKept = 0;
        int newKept = 0;
        for (int run = 0; run < kRuns; ++run) {
            const long killAt = 1 + run * statements / (kRuns - 1); // the last: after the import returned
            const QString path = dir.filePath(QStringLiteral("run%1.sqlite").arg(run));
            QCOMPARE(runImport(path, newList, killAt, base), QByteArray("killed"));

            test::LogCapture log;
            ManualClock clock(1.7e9);
            DatabaseService db(path, clock);
            QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::opened);
            const DatabaseService::SessionSnapshot session = db.loadSession();
            const bool isNew = session.pasteText.startsWith(QStringLiteral("New"));
            const QString context =
                QStringLiteral("run %1, killed at statement %2 of %3").arg(run).arg(killAt).arg(statements);
            Workspace stored;
            const QList<TaskSection> sections = db.loadSections();
            stored.sections = sections;
            stored.tasks = db.loadTasks(sections.value(0).id);
            stored.rootOutlineOrder = session.outlineOrder;
            QVERIFY2(stored.tasks.size() == (isNew ? 3000 : 50), qPrintable(context));
            for (const TaskItem& task : stored.tasks)
                QVERIFY2(task.title.startsWith(isNew ? QStringLiteral("New") : QStringLiteral("Old")),
                         qPrintable(context));
            // Every task has its row as the file stands, before any repair of the load.
            QSet<QUuid> shown;
            for (const OutlineRow& row : outline::outlineRows(stored))
                if (row.isTask())
                    shown.insert(row.task().id);
            QVERIFY2(shown.size() == stored.tasks.size(), qPrintable(context));
            QCOMPARE(log.count(QStringLiteral("DatabaseService SQL error: ")), 0);
            (isNew ? newKept : oldKept) += 1;
        }
        qInfo("%d killed imports of %ld statements each: %d kept the old list, %d the new one", kRuns,
              statements, oldKept, newKept);
        QVERIFY(oldKept > 0 && newKept > 0);
    }
};

VORN_TEST_CLASS(CrashSafetyTest)
#include "crash_safety_test.moc"
