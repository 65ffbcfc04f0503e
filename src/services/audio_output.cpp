#include "services/audio_output.h"

#include "platform/log.h"
#include "platform/runtime_module.h"
#include "services/media_backend.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <cstdio>

namespace vorn {

namespace {

// A playback made by the media backend; its end is reported as a signal.
class ModulePlayback final : public AudioPlayback {
public:
    ModulePlayback(MediaBackend& backend, const QByteArray& mp3)
        : m_playback(
              backend.createPlayback(mp3, [this](bool successfully) { emit finished(successfully); })) {}

    void setRate(double rate) override { m_playback->setRate(rate); }
    bool start() override { return m_playback->start(); }
    void stop() override { m_playback->stop(); }

private:
    std::unique_ptr<MediaBackendPlayback> m_playback;
};

std::function<void()>& beepHandler() {
    static std::function<void()> handler = [] {
        std::fputs("\a", stderr);
        std::fflush(stderr);
    };
    return handler;
}

// Qt Multimedia, through the module vorn-audio.so, loaded on the first sound.
// Without the module there is no voice, and the alerts beep.
class MultimediaOutput final : public QObject, public AudioOutput {
public:
    using QObject::QObject;

    std::unique_ptr<AudioPlayback> createPlayback(const QByteArray& mp3) override {
        if (!backend())
            return nullptr;
        return std::make_unique<ModulePlayback>(*m_backend, mp3);
    }

    bool playAlert(const QString& resource) override {
        if (!backend()) {
            if (!QFile::exists(resource))
                return false;
            beep();
            return true;
        }
        return m_backend->playAlert(resource, [this] { beep(); });
    }

    void beep() override {
        if (beepHandler())
            beepHandler()();
    }

    bool hasOutputDevice() const override { return backend() && m_backend->hasOutputDevice(); }

private:
    MediaBackend* backend() const {
        if (!m_backend && !m_loadFailed) {
            QString why;
            const auto create = reinterpret_cast<CreateMediaBackendFunction>(resolveModuleFunction(
                QString::fromLatin1(kAudioModuleFile), kCreateMediaBackendSymbol, &why));
            if (create)
                m_backend.reset(create(const_cast<MultimediaOutput*>(this)));
            m_loadFailed = !m_backend;
            if (m_loadFailed)
                qCWarning(lcAudio).noquote() << "No sound output:" << why;
        }
        return m_backend.get();
    }

    mutable std::unique_ptr<MediaBackend> m_backend;
    mutable bool m_loadFailed = false;
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
