// Speech synthesis against a fake proxy, speech playback and the alert sounds
// through a fake audio output. Headers, timeouts and the transport are shared
// with the chat client and tested there.
#include "fixtures/await_task.h"
#include "fixtures/boss_replies.h"
#include "fixtures/fake_audio.h"
#include "fixtures/fake_proxy.h"
#include "fixtures/test_main.h"
#include "platform/runtime_module.h"
#include "services/audio_output.h"
#include "services/fish_audio_service.h"
#include "services/media_backend.h"
#include "services/notification_sound_service.h"
#include "services/speech_player.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <qcoro/qcorotask.h>

using namespace vorn;
using vorn::test::FakeOutput;
using vorn::test::FakePlayback;
using vorn::test::FakeProxy;
using vorn::test::ScriptedReply;

namespace {

const QString speechPath = QString::fromLatin1(kSpeechPath);

const QByteArray mp3 = vorn::test::testMp3();

} // namespace

class VoiceTest : public QObject {
    Q_OBJECT

private slots:
    void synthesize_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("outcome"); // the sent text, or the error description
        const auto row = [](const char* name, const char* text, const ScriptedReply& reply,
                            const char* outcome) { QTest::newRow(name) << text << reply << outcome; };
        row("trimmed", "\n  Get to work.  \n", ScriptedReply::bytes(mp3), "Get to work.");
        row("blank sends nothing", " \n\t \r\n", ScriptedReply::bytes(mp3), "Enter some text to speak.");
        row("500 text", "Hello", ScriptedReply::text("Upstream said no.\n", 500), "Upstream said no.\n");
        row("502 not UTF-8", "Hello", ScriptedReply::text("\xff\xd8\xff\xe0", 502), "HTTP 502");
        row("200 empty", "Hello", ScriptedReply::bytes({}), "Voice server returned empty audio.");
        row("201 audio", "Hello", ScriptedReply::text("ok", 201), "ok");
    }

    void synthesize() {
        QFETCH(QString, text);
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, outcome);
        FakeProxy proxy;
        proxy.reply(speechPath, reply);
        const auto result = vorn::test::awaitTask(FishAudioService::synthesize(text, proxy.config()));
        QCOMPARE(proxy.requests(speechPath).size(), text.trimmed().isEmpty() ? 0 : 1);
        if (!result.ok()) {
            QCOMPARE(result.error().description(), outcome);
            return;
        }
        QCOMPARE(result.value(), mp3);
        QCOMPARE(proxy.requests().first().json.object(),
                 (QJsonObject{{"text", outcome},
                              {"reference_id", QString::fromLatin1(FishAudioService::voiceId)},
                              {"format", "mp3"},
                              {"normalize", true}}));
    }

    void aNewMessageCutsOffTheOldOneAndItsLateReport() {
        FakeOutput output;
        SpeechPlayer player(&output);
        QSignalSpy changes(&player, &SpeechPlayer::isPlayingChanged);
        QVERIFY(player.play(mp3, 3.0f).ok());
        QPointer<FakePlayback> first = output.playbacks[0];
        QVERIFY(first->started);
        QCOMPARE(first->rate, 2.0); // the rate is kept within 0.5 to 2
        QVERIFY(player.play(mp3, 0.2f).ok());
        QCOMPARE(output.playbacks[1]->rate, 0.5);

        QVERIFY(!first); // stopped and gone: its report can only be stale
        QCoreApplication::processEvents();
        QVERIFY(player.isPlaying());

        emit output.playbacks[1]->finished(true);
        QVERIFY(player.isPlaying()); // the report is handled on a later turn
        QCoreApplication::processEvents();
        QVERIFY(!player.isPlaying());
        QVERIFY(!output.playbacks[1]);

        // true, then false when the first stopped, true again, false at the end
        QCOMPARE(changes.size(), 4);
        QCOMPARE(changes.last().first().toBool(), false);
    }

    void playbackFailuresLeaveNothingPlaying() {
        FakeOutput output;
        SpeechPlayer player(&output);
        QVERIFY(player.play(mp3, 1.0f).ok());

        const auto notMp3 = player.play(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16), 1.0f);
        QVERIFY(!notMp3.ok());
        QCOMPARE(notMp3.error().kind, FishAudioError::Kind::unreadableAudio);
        QVERIFY(!notMp3.error().description().isEmpty());
        QCOMPARE(output.playbacks.size(), 1); // refused before a player was made
        QVERIFY(!player.isPlaying());

        output.failNextStart = true;
        const auto refused = player.play(mp3, 1.0f);
        QVERIFY(!refused.ok());
        QCOMPARE(refused.error().description(), QStringLiteral("Could not play audio."));
        QVERIFY(!player.isPlaying());

        QVERIFY(player.play(mp3, 1.0f).ok());
        player.stop();
        QVERIFY(!player.isPlaying());
        QVERIFY(output.playbacks.last().isNull());
    }

    void recognisesMp3Bytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("mp3");
        const QByteArray id3 = QByteArray("ID3\x04\x00\x00\x00\x00\x00\x05", 10) + QByteArray(5, 'x');
        QTest::newRow("frame") << mp3 << true;
        QTest::newRow("MPEG-2 frame") << QByteArray::fromHex("fff39064") << true;
        QTest::newRow("tag then frame") << id3 + mp3 << true;
        QTest::newRow("tag only") << id3 << false;
        QTest::newRow("tag size runs past the end")
            << QByteArray("ID3\x04\x00\x00\x00\x00\x7f\x7f", 10) << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("layer II") << QByteArray::fromHex("fffd9064") << false;
        QTest::newRow("bad bit rate") << QByteArray::fromHex("fffbf064") << false;
        QTest::newRow("text") << QByteArray("Internal Server Error") << false;
        QTest::newRow("wav") << QByteArray("RIFF\x24\0\0\0WAVE", 12) << false;
    }

    void recognisesMp3Bytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, mp3);
        QCOMPARE(looksLikeMp3(bytes), mp3);
    }

    void eachModeHasItsOwnBundledSoundAndBeepsWithoutIt() {
        FakeOutput output;
        QSet<QByteArray> contents;
        for (BossAIMode mode : {BossAIMode::normal, BossAIMode::demon, BossAIMode::messianic}) {
            NotificationSoundService::play(mode, &output);
            QFile file(output.alerts.last());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray wav = file.readAll();
            QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 4) == "WAVE");
            contents.insert(wav);
        }
        QCOMPARE(contents.size(), 3);
        QCOMPARE(output.beeps, 0);

        output.alertsLoad = false;
        NotificationSoundService::play(BossAIMode::messianic, &output);
        QCOMPARE(output.beeps, 1);
    }

    // The real output is Qt Multimedia in a module of its own, loaded on the
    // first sound: the build must put it where the program looks.
    void theSoundModuleIsFoundAndMakesItsBackend() {
        QString why;
        const QFunctionPointer create =
            resolveModuleFunction(QString::fromLatin1(kAudioModuleFile), kCreateMediaBackendSymbol, &why);
        QVERIFY2(create, qPrintable(why));
    }
};

VORN_TEST_CLASS(VoiceTest)
#include "voice_test.moc"
