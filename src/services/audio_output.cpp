#include "services/audio_output.h"

#include "platform/log.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include <cstdio>

namespace vorn {

namespace {

// Plays bytes from memory through QMediaPlayer. The buffer, the player and the
// output are children of the playback and go with it.
class MediaPlayback final : public AudioPlayback {
public:
    explicit MediaPlayback(const QByteArray& mp3)
        : m_buffer(new QBuffer(this)), m_player(new QMediaPlayer(this)), m_output(new QAudioOutput(this)) {
        m_buffer->setData(mp3);
        m_buffer->open(QIODevice::ReadOnly);
        m_player->setAudioOutput(m_output);
        connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia)
                report(true);
            else if (status == QMediaPlayer::InvalidMedia)
                report(false);
        });
        connect(m_player, &QMediaPlayer::errorOccurred, this,
                [this](QMediaPlayer::Error, const QString& text) {
                    qCWarning(lcAudio).noquote() << "Speech playback failed:" << text;
                    report(false);
                });
        // The URL only names the format for the backend.
        m_player->setSourceDevice(m_buffer, QUrl(QStringLiteral("speech.mp3")));
    }

    void setRate(double rate) override { m_player->setPlaybackRate(rate); }

    bool start() override {
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            qCWarning(lcAudio) << "No audio output device";
            return false;
        }
        if (m_player->error() != QMediaPlayer::NoError) {
            qCWarning(lcAudio).noquote() << "Speech cannot start:" << m_player->errorString();
            return false;
        }
        m_player->play();
        return true;
    }

    void stop() override {
        m_reported = true; // a stop is not an end to report
        m_player->stop();
    }

private:
    void report(bool successfully) {
        if (m_reported)
            return;
        m_reported = true;
        emit finished(successfully);
    }

    QBuffer* m_buffer;
    QMediaPlayer* m_player;
    QAudioOutput* m_output;
    bool m_reported = false;
};

std::function<void()>& beepHandler() {
    static std::function<void()> handler = [] {
        std::fputs("\a", stderr);
        std::fflush(stderr);
    };
    return handler;
}

class MultimediaOutput final : public QObject, public AudioOutput {
public:
    using QObject::QObject;

    std::unique_ptr<AudioPlayback> createPlayback(const QByteArray& mp3) override {
        return std::make_unique<MediaPlayback>(mp3);
    }

    bool playAlert(const QString& resource) override {
        if (!QFile::exists(resource))
            return false;
        QSoundEffect*& effect = m_effects[resource];
        if (!effect) {
            effect = new QSoundEffect(this);
            // A sound that turns out not to load still gets its beep.
            connect(effect, &QSoundEffect::statusChanged, this, [this, effect] {
                if (effect->status() == QSoundEffect::Error) {
                    qCWarning(lcAudio).noquote()
                        << "Alert sound failed to load:" << effect->source().toString();
                    beep();
                }
            });
            effect->setSource(QUrl(QStringLiteral("qrc") + resource));
        }
        if (effect->status() == QSoundEffect::Error) {
            beep();
            return true;
        }
        effect->play();
        return true;
    }

    void beep() override {
        if (beepHandler())
            beepHandler()();
    }

    bool hasOutputDevice() const override { return !QMediaDevices::defaultAudioOutput().isNull(); }

private:
    QHash<QString, QSoundEffect*> m_effects;
};

QPointer<MultimediaOutput>& multimediaOutput() {
    static QPointer<MultimediaOutput> output;
    return output;
}

AudioOutput*& injectedOutput() {
    static AudioOutput* output = nullptr;
    return output;
}

} // namespace

AudioOutput& defaultAudioOutput() {
    if (AudioOutput* injected = injectedOutput())
        return *injected;
    QPointer<MultimediaOutput>& output = multimediaOutput();
    if (!output)
        output = new MultimediaOutput(QCoreApplication::instance());
    return *output;
}

void setDefaultAudioOutput(AudioOutput* output) {
    injectedOutput() = output;
}

void setBeepHandler(std::function<void()> handler) {
    beepHandler() = std::move(handler);
}

bool looksLikeMp3(const QByteArray& bytes) {
    const auto byte = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes.at(i)); };

    // Skip any ID3v2 tags: "ID3", version, flags, then a 28-bit size in four
    // 7-bit bytes, plus a 10-byte footer when the flags announce one.
    qsizetype at = 0;
    while (bytes.size() - at >= 10 && bytes.mid(at, 3) == "ID3") {
        qsizetype size = 0;
        for (int i = 6; i < 10; ++i) {
            if (byte(at + i) & 0x80)
                return false;
            size = (size << 7) | byte(at + i);
        }
        const bool footer = byte(at + 5) & 0x10;
        at += 10 + size + (footer ? 10 : 0);
    }

    // An MPEG audio frame header: 11 sync bits, a version that is not the
    // reserved one, Layer III, a usable bit rate and sample rate.
    if (bytes.size() - at < 4)
        return false;
    const unsigned char b1 = byte(at + 1);
    const unsigned char b2 = byte(at + 2);
    const bool sync = byte(at) == 0xFF && (b1 & 0xE0) == 0xE0;
    const bool version = ((b1 >> 3) & 0x3) != 0x1;
    const bool layerThree = ((b1 >> 1) & 0x3) == 0x1;
    const bool bitRate = (b2 >> 4) != 0xF;
    const bool sampleRate = ((b2 >> 2) & 0x3) != 0x3;
    return sync && version && layerThree && bitRate && sampleRate;
}

} // namespace vorn
