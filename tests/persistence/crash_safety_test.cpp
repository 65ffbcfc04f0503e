// A writer process is killed (SIGKILL) at a random moment while it saves whole
// workspaces; the file it leaves must always hold exactly one of them.

#include "crash_workspace.h"
#include "fixtures/log_capture.h"
#include "fixtures/test_main.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace vorn;

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
            // Only the migration's duplicate columns: nothing in the file is damaged.
            QCOMPARE(log.count(QStringLiteral("DatabaseService SQL error: ")), 7);

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
};

VORN_TEST_CLASS(CrashSafetyTest)
#include "crash_safety_test.moc"
