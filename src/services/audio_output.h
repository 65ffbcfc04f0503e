#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vorn {

// One prepared playback of MP3 bytes. It reports its end (or a failure after
// it started) through finished(); it may do so from a signal of the media
// framework, so listeners queue the report.
class AudioPlayback : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setRate(double rate) = 0;
    // Starts playing without waiting; false when playback cannot start.
    virtual bool start() = 0;
    virtual void stop() = 0;

signals:
    void finished(bool successfully);
};

// The sound device as the voice and the alert sounds see it. The real one
// plays through Qt Multimedia; tests put a fake in its place.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // A playback of `mp3` (bytes that look like MP3), not started; nullptr
    // when no player can be made.
    virtual std::unique_ptr<AudioPlayback> createPlayback(const QByteArray& mp3) = 0;

    // Starts the sound at `resource` (a ":/…" path) without waiting; false
    // when it cannot be loaded.
    virtual bool playAlert(const QString& resource) = 0;

    virtual void beep() = 0;

    // Whether the system has a device to play sound on; asked before each
    // message is spoken, so a device plugged in later is used.
    virtual bool hasOutputDevice() const = 0;
};

// The output used when none is passed: Qt Multimedia, created on first use
// and owned by the application object.
AudioOutput& defaultAudioOutput();

// Replaces the default output (tests); nullptr goes back to Qt Multimedia.
// The caller keeps ownership.
void setDefaultAudioOutput(AudioOutput* output);

// What the Qt output's beep() does. The core has no widgets; the application
// installs QApplication::beep here. Until then a bell character goes to the
// terminal.
void setBeepHandler(std::function<void()> handler);

// Whether `bytes` start like an MP3 stream: an ID3v2 tag or an MPEG audio
// Layer III frame header.
bool looksLikeMp3(const QByteArray& bytes);

} // namespace vorn
