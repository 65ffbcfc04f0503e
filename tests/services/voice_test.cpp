// Speech synthesis against a fake proxy, speech playback and the alert sounds
// through a fake audio output.
#include "fixtures/await_task.h"
#include "fixtures/fake_audio.h"
#include "fixtures/fake_proxy.h"
#include "services/audio_output.h"
#include "services/fish_audio_service.h"
#include "services/notification_sound_service.h"
#include "services/speech_player.h"

#include <QFile>
#include <QRegularExpression>
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

// One MPEG-1 Layer III frame header (128 kbit/s, 44.1 kHz) and silence.
const QByteArray mp3 = QByteArray::fromHex("fffb9064") + QByteArray(413, '\0');

Result<QByteArray, FishAudioError> synthesize(const QString& text, const ProxyConfig& proxy) {
    return vorn::test::awaitTask(FishAudioService::synthesize(text, proxy));
}

} // namespace

class VoiceTest : public QObject {
    Q_OBJECT

private slots:
    void sendsTheTrimmedTextWithTheVoice() {
        FakeProxy proxy;
        proxy.reply(speechPath, ScriptedReply::bytes(mp3));
        const auto result =
            synthesize(QStringLiteral("\n  Get to work.  \n"), proxy.config(QStringLiteral("k")));
        QVERIFY(result.ok());
        QCOMPARE(result.value(), mp3);

        QCOMPARE(proxy.requests(speechPath).size(), 1);
        const auto request = proxy.requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer k"));
        const QJsonObject body = request.json.object();
        QCOMPARE(body.keys(), (QStringList{"format", "normalize", "reference_id", "text"}));
        QCOMPARE(body["text"].toString(), QStringLiteral("Get to work."));
        QCOMPARE(body["format"].toString(), QStringLiteral("mp3"));
        QCOMPARE(body["normalize"], QJsonValue(true));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$"))
                    .match(body["reference_id"].toString())
                    .hasMatch());
        QVERIFY(!request.body.contains('\n'));
    }

    void blankTextSendsNothing() {
        FakeProxy proxy;
        proxy.reply(speechPath, ScriptedReply::bytes(mp3));
        const auto result = synthesize(QStringLiteral(" \n\t \r\n"), proxy.config());
        QVERIFY(!result.ok());
        QCOMPARE(result.error().description(), QStringLiteral("Enter some text to speak."));
        QVERIFY(proxy.requests().isEmpty());
    }

    void failedReplies_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("500 text") << 500 << QByteArray("Upstream said no.\n") << "Upstream said no.\n";
        QTest::newRow("502 not UTF-8") << 502 << QByteArray("\xff\xd8\xff\xe0") << "HTTP 502";
        QTest::newRow("200 empty") << 200 << QByteArray() << "Voice server returned empty audio.";
        QTest::newRow("201 audio") << 201 << QByteArray("ok") << "ok";
    }

    void failedReplies() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        FakeProxy proxy;
        proxy.reply(speechPath, ScriptedReply::text(body, status));
        const auto result = synthesize(QStringLiteral("Hello"), proxy.config());
        QVERIFY(!result.ok());
        QCOMPARE(result.error().description(), description);
    }

    void aSilentVoiceServerTimesOut() {
        FakeProxy proxy;
        proxy.reply(speechPath, ScriptedReply::silence());
        const auto result = synthesize(QStringLiteral("Hello"), proxy.config(QStringLiteral("t"), 200));
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, FishAudioError::Kind::transport);
        QCOMPARE(result.error().description(), QStringLiteral("The request timed out."));
    }

    void playsAtTheClampedRate_data() {
        QTest::addColumn<float>("rate");
        QTest::addColumn<double>("played");
        QTest::newRow("demon") << 1.5f << 1.5;
        QTest::newRow("normal") << 1.0f << 1.0;
        QTest::newRow("too fast") << 3.0f << 2.0;
        QTest::newRow("too slow") << 0.2f << 0.5;
    }

    void playsAtTheClampedRate() {
        QFETCH(float, rate);
        QFETCH(double, played);
        FakeOutput output;
        SpeechPlayer player(&output);
        QVERIFY(player.play(mp3, rate).ok());
        QCOMPARE(output.playbacks.size(), 1);
        QVERIFY(output.playbacks[0]->started);
        QCOMPARE(output.playbacks[0]->rate, played);
        QVERIFY(player.isPlaying());
    }

    void aNewMessageCutsOffTheOldOneAndItsLateReport() {
        FakeOutput output;
        SpeechPlayer player(&output);
        QSignalSpy changes(&player, &SpeechPlayer::isPlayingChanged);
        QVERIFY(player.play(mp3, 1.0f).ok());
        QPointer<FakePlayback> first = output.playbacks[0];
        QVERIFY(player.play(mp3, 1.5f).ok());

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

    void eachModeHasItsOwnBundledSound() {
        const QList<BossAIMode> modes{BossAIMode::normal, BossAIMode::demon, BossAIMode::messianic};
        QStringList names;
        QSet<QByteArray> contents;
        for (BossAIMode mode : modes) {
            names << NotificationSoundService::soundName(mode);
            QFile file(NotificationSoundService::soundResource(mode));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray wav = file.readAll();
            QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 4) == "WAVE");
            QVERIFY(wav.size() < 30 * 1024);
            contents.insert(wav);
        }
        QCOMPARE(names, (QStringList{"Tink", "Basso", "Glass"}));
        QCOMPARE(contents.size(), 3);

        FakeOutput output;
        NotificationSoundService::play(BossAIMode::demon, &output);
        QCOMPARE(output.alerts, QStringList{QStringLiteral(":/sounds/Basso.wav")});
        QCOMPARE(output.beeps, 0);

        output.alertsLoad = false;
        NotificationSoundService::play(BossAIMode::messianic, &output);
        QCOMPARE(output.beeps, 1);
    }

    void errorDescriptions() {
        QCOMPARE(FishAudioError::of(FishAudioError::Kind::invalidResponse).description(),
                 QStringLiteral("Invalid response from voice server."));
        QCOMPARE(FishAudioError::api(QStringLiteral("m")).description(), QStringLiteral("m"));
    }
};

QTEST_GUILESS_MAIN(VoiceTest)
#include "voice_test.moc"
