// The module vorn-audio.so: playback through Qt Multimedia.
#include "services/media_backend.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

namespace vorn {

namespace {

// The program's "vorn.audio" category, under the same name.
Q_LOGGING_CATEGORY(lcModuleAudio, "vorn.audio", QtInfoMsg)

// Plays bytes from memory through QMediaPlayer. The buffer, the player and the
// output are children of `m_owner` and go with the playback.
class MediaPlayback final : public MediaBackendPlayback {
public:
    MediaPlayback(const QByteArray& mp3, std::function<void(bool)> finished)
        : m_owner(new QObject), m_buffer(new QBuffer(m_owner.get())),
          m_player(new QMediaPlayer(m_owner.get())), m_output(new QAudioOutput(m_owner.get())),
          m_finished(std::move(finished)) {
        m_buffer->setData(mp3);
        m_buffer->open(QIODevice::ReadOnly);
        m_player->setAudioOutput(m_output);
        QObject::connect(m_player, &QMediaPlayer::mediaStatusChanged, m_owner.get(),
                         [this](QMediaPlayer::MediaStatus status) {
                             if (status == QMediaPlayer::EndOfMedia)
                                 report(true);
                             else if (status == QMediaPlayer::InvalidMedia)
                                 report(false);
                         });
        QObject::connect(m_player, &QMediaPlayer::errorOccurred, m_owner.get(),
                         [this](QMediaPlayer::Error, const QString& text) {
                             qCWarning(lcModuleAudio).noquote() << "Speech playback failed:" << text;
                             report(false);
                         });
        // The URL only names the format for the backend.
        m_player->setSourceDevice(m_buffer, QUrl(QStringLiteral("speech.mp3")));
    }

    // The media objects go first, while the report they might still make can be taken.
    ~MediaPlayback() override { m_owner.reset(); }

    void setRate(double rate) override { m_player->setPlaybackRate(rate); }

    bool start() override {
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            qCWarning(lcModuleAudio) << "No audio output device";
            return false;
        }
        if (m_player->error() != QMediaPlayer::NoError) {
            qCWarning(lcModuleAudio).noquote() << "Speech cannot start:" << m_player->errorString();
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
        m_finished(successfully);
    }

    std::unique_ptr<QObject> m_owner;
    QBuffer* m_buffer;
    QMediaPlayer* m_player;
    QAudioOutput* m_output;
    std::function<void(bool)> m_finished;
    bool m_reported = false;
};

class MultimediaBackend final : public MediaBackend {
public:
    explicit MultimediaBackend(QObject* parent) : m_parent(parent) {}

    MediaBackendPlayback* createPlayback(const QByteArray& mp3, std::function<void(bool)> finished) override {
        return new MediaPlayback(mp3, std::move(finished));
    }

    bool playAlert(const QString& resource, std::function<void()> beep) override {
        if (!QFile::exists(resource))
            return false;
        QSoundEffect*& effect = m_effects[resource];
        if (!effect) {
            effect = new QSoundEffect(m_parent);
            // A sound that turns out not to load still gets its beep.
            QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect, beep] {
                if (effect->status() == QSoundEffect::Error) {
                    qCWarning(lcModuleAudio).noquote()
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

    bool hasOutputDevice() const override { return !QMediaDevices::defaultAudioOutput().isNull(); }

private:
    QObject* m_parent;
    QHash<QString, QSoundEffect*> m_effects;
};

} // namespace

} // namespace vorn

// The module's entry point, the only name it exports.
extern "C" Q_DECL_EXPORT vorn::MediaBackend* vorn_create_media_backend(QObject* parent) {
    return new vorn::MultimediaBackend(parent);
}
