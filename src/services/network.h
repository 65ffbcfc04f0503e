#pragma once

#include "platform/result.h"
#include "services/proxy_config.h"

#include <QByteArray>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;

namespace vorn {

// The process-wide network access manager, created on first use on the main
// thread and owned by the application object.
QNetworkAccessManager& sharedNetworkAccessManager();

// Replaces the process-wide manager (tests); nullptr goes back to the default
// one. The caller keeps ownership.
void setSharedNetworkAccessManager(QNetworkAccessManager* manager);

// Ends the process-wide manager before the application object goes: requests
// still running are aborted (their coroutines resume with an error and end),
// and what Qt hands to deferred deletion is deleted, so nothing of a request
// outlives the process's last event. A later request makes a new manager.
void shutDownSharedNetworkAccess();

// A request for `path` under the proxy: its credential as a bearer token, no
// redirect followed (one would carry the credential to wherever it points),
// and, on loopback, replies asked for uncompressed: packing them costs both
// processes time and memory and saves nothing on the way.
QNetworkRequest proxyRequest(const ProxyConfig& proxy, const QString& path);

// What came back from the proxy, whatever the status.
struct ProxyReply {
    bool isHttp = false; // false: the answer carried no HTTP status
    int status = 0;
    QByteArray body;
};

// Posts `jsonBody` to `path` under the proxy and waits for the whole answer.
// The request is abandoned when the answer is not complete `proxy.timeoutMs`
// after the start, however steadily bytes arrive, or when its body grows past
// `maxReplyBytes` (checked as it arrives, so an oversized reply is never held
// whole). The failure is the text of a transport failure: the platform's
// description, "The request timed out.", tooLargeMessage(), or the
// insecure-address message (nothing is sent then). The credential never
// appears in it. `network` nullptr means the shared manager.
QCoro::Task<Result<ProxyReply, QString>> postToProxy(QNetworkAccessManager* network, ProxyConfig proxy,
                                                     QString path, QByteArray jsonBody, qint64 maxReplyBytes);

inline constexpr const char* kTimedOutMessage = "The request timed out.";

// Largest replies accepted: a chat completion is text, speech a short MP3.
inline constexpr qint64 kMaxChatReplyBytes = 4 * 1024 * 1024;
inline constexpr qint64 kMaxSpeechReplyBytes = 32 * 1024 * 1024;

// "The reply was too large (over 4 MB)." for a limit of 4 MB.
QString tooLargeMessage(qint64 maxReplyBytes);

// `bytes` as UTF-8 text, kept whole (a byte-order mark included), or nullopt
// when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace vorn
