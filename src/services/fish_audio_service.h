#pragma once

#include "platform/result.h"
#include "services/proxy_config.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

namespace vorn {

inline constexpr const char* kSpeechPath = "/api/fish-audio/tts";

// The failure of speech: synthesis or starting playback. description() is the
// text shown to the user.
struct FishAudioError {
    enum class Kind {
        apiError,        // the proxy's message, or "Could not play audio."
        emptyText,       // nothing to say after trimming
        invalidResponse, // the answer was not an HTTP response
        emptyAudio,      // status 200 with no bytes
        transport,       // the request did not complete: no connection, timeout, insecure address
        unreadableAudio, // the bytes handed to the player are not MP3
        noOutputDevice,  // the system has nothing to play sound on
    };

    Kind kind = Kind::invalidResponse;
    QString message; // apiError, transport, unreadableAudio

    QString description() const;

    static FishAudioError api(QString message) { return {Kind::apiError, std::move(message)}; }
    static FishAudioError of(Kind kind) { return {kind, {}}; }

    bool operator==(const FishAudioError&) const = default;
};

// Text to speech through the proxy.
class FishAudioService {
public:
    // The voice every request asks for.
    static constexpr const char* voiceId = "af31746d9d39416e98605ea35e3e79bd";

    // The request body for text that is already trimmed.
    static QJsonObject requestBody(const QString& text);

    // MP3 bytes for `text`. Blank text fails with emptyText before anything
    // is sent. `network` nullptr means the shared manager.
    static QCoro::Task<Result<QByteArray, FishAudioError>>
    synthesize(QString text, ProxyConfig proxy, QNetworkAccessManager* network = nullptr);
};

} // namespace vorn
