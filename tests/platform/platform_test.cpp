// The random draw, the data folder override and typed preferences.
#include "fixtures/test_main.h"
#include "platform/data_paths.h"
#include "platform/instance_lock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorn;

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void closedRangeIncludesBothEnds() {
        const quint64 top = quint64(1) << 53;
        QCOMPARE(closedRangeValue(20, 35, 0), 20.0);
        QCOMPARE(closedRangeValue(20, 35, top), 35.0);
        QCOMPARE(closedRangeValue(0, 100, top / 2), 50.0);
        SystemRandomSource system;
        for (int i = 0; i < 1000; ++i) {
            const double v = system.uniform(8, 15);
            QVERIFY(v >= 8 && v <= 15);
        }
        ScriptedRandomSource scripted({0.0, 1.0});
        QCOMPARE(scripted.uniform(2, 4), 2.0);
        QCOMPARE(scripted.uniform(2, 4), 4.0);
        QCOMPARE(scripted.uniform(0, 100), 100.0); // the last entry repeats
    }

    void dataFolderFollowsTheOverride() {
        qputenv("VORN_DATA_DIR", "/tmp/some/where/");
        QCOMPARE(paths::dataDirectory(), QStringLiteral("/tmp/some/where"));
        QCOMPARE(paths::databasePath(), QStringLiteral("/tmp/some/where/vorn.sqlite"));
        qunsetenv("VORN_DATA_DIR");
        QVERIFY(paths::dataDirectory().endsWith(QStringLiteral("/Vorn")));
    }

    void preferencesReadOnlyTheirOwnType() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.ini"));
        {
            Preferences p(file);
            p.setNumber(QStringLiteral("n"), 0.42);
            p.setFlag(QStringLiteral("b"), false);
            p.setText(QStringLiteral("t"), QStringLiteral("hello"));
            p.setTextList(QStringLiteral("one"), {QStringLiteral("only")});
            p.setTextList(QStringLiteral("many"), {QStringLiteral("a"), QStringLiteral("b")});
            p.sync();
        }
        Preferences p(file); // read back from the file, where everything is text
        QCOMPARE(p.number(QStringLiteral("n")), 0.42);
        QCOMPARE(p.flag(QStringLiteral("b")), false);
        QVERIFY(!p.number(QStringLiteral("t")));
        QVERIFY(!p.flag(QStringLiteral("t")));
        QVERIFY(!p.text(QStringLiteral("missing")));
        QCOMPARE(p.textList(QStringLiteral("one")), QStringList{QStringLiteral("only")});
        QCOMPARE(p.textList(QStringLiteral("many")), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    }

    void oneHolderPerDataFolderAndCrashedHoldersDoNotCount() {
        QTemporaryDir dir;
        {
            InstanceLock first(dir.path());
            QVERIFY(first.tryLock());
            QVERIFY(first.tryLock()); // taking it again is harmless
            QCOMPARE(first.holderPid(), QCoreApplication::applicationPid());
            InstanceLock second(dir.path());
            QVERIFY(!second.tryLock());
            QCOMPARE(second.holderPid(), QCoreApplication::applicationPid());
        }
        // A lock file left behind by a process that has ended is stale.
        QProcess gone;
        gone.start(QStringLiteral("sleep"), {QStringLiteral("0")});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QFile stale(instanceLockPath(dir.path()));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(deadPid) + "\nvorn\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        InstanceLock next(dir.path());
        QVERIFY(next.tryLock());
        QCOMPARE(next.holderPid(), QCoreApplication::applicationPid());
    }
};

VORN_TEST_CLASS(PlatformTest)
#include "platform_test.moc"
