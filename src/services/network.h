#pragma once

#include "platform/result.h"
#include "services/proxy_config.h"

#include <QByteArray>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class QNetworkAccessManager;

namespace vorn {

// The process-wide network access manager, created on first use on the main
// thread and owned by the application object.
QNetworkAccessManager& sharedNetworkAccessManager();

// Replaces the process-wide manager (tests); nullptr goes back to the default
// one. The caller keeps ownership.
void setSharedNetworkAccessManager(QNetworkAccessManager* manager);

// What came back from the proxy, whatever the status.
struct ProxyReply {
    bool isHttp = false; // false: the answer carried no HTTP status
    int status = 0;
    QByteArray body;
};

// Posts `jsonBody` to `path` under the proxy and waits for the whole answer.
// The failure is the text of a transport failure: the platform's description,
// "The request timed out." for the transfer timeout, or the insecure-address
// message (nothing is sent then). The credential never appears in it.
// `network` nullptr means the shared manager.
QCoro::Task<Result<ProxyReply, QString>> postToProxy(QNetworkAccessManager* network, ProxyConfig proxy,
                                                     QString path, QByteArray jsonBody);

inline constexpr const char* kTimedOutMessage = "The request timed out.";

// `bytes` as UTF-8 text, kept whole (a byte-order mark included), or nullopt
// when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace vorn
