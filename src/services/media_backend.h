#pragma once

// Qt Multimedia behind a plain interface, built as a module of its own
// (vorn-audio.so) and loaded on the first sound, so that Qt Multimedia and the
// sound libraries under it (PulseAudio, codecs) are not loaded at every start.

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;

namespace vorn {

// One prepared playback of MP3 bytes.
class MediaBackendPlayback {
public:
    virtual ~MediaBackendPlayback() = default;
    virtual void setRate(double rate) = 0;
    // Starts playing without waiting; false when playback cannot start.
    virtual bool start() = 0;
    virtual void stop() = 0;
};

class MediaBackend {
public:
    virtual ~MediaBackend() = default;
    // A playback of `mp3`, not started. `finished` is called once, at its end
    // or on a failure after it started (not after stop()), from a signal of
    // the media framework.
    virtual MediaBackendPlayback* createPlayback(const QByteArray& mp3,
                                                 std::function<void(bool)> finished) = 0;
    // Starts the sound at `resource` (a ":/…" path); `beep` stands in for a
    // sound that does not load. False when there is no such resource.
    virtual bool playAlert(const QString& resource, std::function<void()> beep) = 0;
    virtual bool hasOutputDevice() const = 0;
};

inline constexpr char kAudioModuleFile[] = "vorn-audio.so";
inline constexpr char kCreateMediaBackendSymbol[] = "vorn_create_media_backend";
// Makes the backend; its media objects are children of `parent`.
using CreateMediaBackendFunction = MediaBackend* (*)(QObject* parent);

} // namespace vorn
