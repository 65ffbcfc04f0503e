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
            const test::CrashGeneration& gen =
                tasks.size() == test::kGenerationA.tasks ? test::kGenerationA : test::kGenerationB;
            const QString prefix = QStringLiteral("gen %1 ").arg(gen.tag);
            const QString context = QStringLiteral("round %1, killed after %2 ms").arg(rounds).arg(delayMs);
            QVERIFY2(tasks.size() == gen.tasks, qPrintable(context));
            for (int i = 0; i < tasks.size(); ++i)
                QVERIFY2(tasks[i].title == prefix + QString::number(i), qPrintable(context));
            const QList<TaskSection> sections = db.loadSections();
            QVERIFY2(sections.size() == gen.sections, qPrintable(context));
            QVERIFY2(sections.last().title == prefix + QString::number(gen.sections - 1),
                     qPrintable(context));
            const QList<ChatMessage> chat = db.loadChatMessages();
            QVERIFY2(chat.size() == gen.chatLines, qPrintable(context));
            QVERIFY2(chat.last().content == prefix + QString::number(gen.chatLines - 1), qPrintable(context));
            QCOMPARE(db.loadOverdueStates().size(), gen.overdue);
            QCOMPARE(db.loadGamificationState(), (GamificationState{gen.tasks, gen.sections, gen.chatLines}));
            const DatabaseService::SessionSnapshot session = db.loadSession();
            QCOMPARE(session.pasteText, prefix);
            QCOMPARE(session.outlineOrder.size(), gen.tasks);
            generationB += gen.tag == QLatin1String("B") ? 1 : 0;
        }
        qInfo("%d rounds, %d ended on generation B", rounds, generationB);
        QVERIFY(rounds >= 5);
    }
};

VORN_TEST_CLASS(CrashSafetyTest)
#include "crash_safety_test.moc"
