#include "services/network.h"

#include "platform/log.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <memory>
#include <utility>

namespace vorn {

namespace {

QPointer<QNetworkAccessManager>& defaultManager() {
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

QPointer<QNetworkAccessManager>& injectedManager() {
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

// Errors of the connection itself (1…99) and of a network proxy (101…199),
// as opposed to the HTTP-level errors Qt derives from a status code.
bool isTransportError(QNetworkReply::NetworkError error) {
    return error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

// What cut a request short on this side, if anything.
struct Cutoff {
    bool deadlinePassed = false;
    bool tooLarge = false;
};

// Waits until the reply is over: finished, or destroyed unfinished along with
// its network manager (which emits no `finished`). Either way the coroutine
// resumes exactly once, so its frame never waits forever.
struct ReplyOver {
    QNetworkReply* reply;

    bool await_ready() const noexcept { return reply->isFinished(); }
    void await_suspend(std::coroutine_handle<> waiting) const {
        const auto resumed = std::make_shared<bool>(false);
        const auto resume = [waiting, resumed] {
            if (std::exchange(*resumed, true))
                return;
            waiting.resume();
        };
        QObject::connect(reply, &QNetworkReply::finished, reply, resume);
        QObject::connect(reply, &QObject::destroyed, resume);
    }
    void await_resume() const noexcept {}
};

QString transportMessage(const QNetworkReply& reply) {
    // A reply aborted on Qt's side (its own timeouts) reads as cancelled.
    if (reply.error() == QNetworkReply::OperationCanceledError ||
        reply.error() == QNetworkReply::TimeoutError)
        return QString::fromLatin1(kTimedOutMessage);
    return reply.errorString();
}

} // namespace

QNetworkAccessManager& sharedNetworkAccessManager() {
    if (QNetworkAccessManager* injected = injectedManager())
        return *injected;
    QPointer<QNetworkAccessManager>& manager = defaultManager();
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return *manager;
}

void setSharedNetworkAccessManager(QNetworkAccessManager* manager) {
    injectedManager() = manager;
}

void shutDownSharedNetworkAccess() {
    if (QPointer<QNetworkAccessManager>& manager = defaultManager()) {
        // An abort resumes the waiting coroutine at once, and that may let go
        // of other replies: each is looked at again before it is aborted.
        QList<QPointer<QNetworkReply>> running;
        for (QNetworkReply* reply : manager->findChildren<QNetworkReply*>())
            running.append(reply);
        for (const QPointer<QNetworkReply>& reply : std::as_const(running)) {
            if (reply && !reply->isFinished())
                reply->abort();
        }
        delete manager.get();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString tooLargeMessage(qint64 maxReplyBytes) {
    const qint64 megabytes = std::max<qint64>(maxReplyBytes / (1024 * 1024), 1);
    return QCoreApplication::translate("Network", "The reply was too large (over %1 MB).").arg(megabytes);
}

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QNetworkRequest proxyRequest(const ProxyConfig& proxy, const QString& path) {
    QNetworkRequest request(proxy.endpoint(path));
    // The proxy has no reason to redirect, so a 3xx comes back as the status it is.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!proxy.token.isEmpty())
        request.setRawHeader(QByteArrayLiteral("Authorization"), "Bearer " + proxy.token.toUtf8());
    if (proxy.isLoopback())
        request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
    return request;
}

QCoro::Task<Result<ProxyReply, QString>> postToProxy(QNetworkAccessManager* network, ProxyConfig proxy,
                                                     QString path, QByteArray jsonBody,
                                                     qint64 maxReplyBytes) {
    const QUrl url = proxy.endpoint(path);
    const QString shownUrl = url.toString(QUrl::RemoveUserInfo);
    if (!proxy.isSecureEnough()) {
        qCWarning(lcNet).noquote() << "Refusing to send to" << shownUrl << "- not https and not loopback";
        co_return proxy.insecureAddressMessage();
    }

    QNetworkRequest request = proxyRequest(proxy, path);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));

    QNetworkAccessManager& manager = network ? *network : sharedNetworkAccessManager();
    QPointer<QNetworkReply> reply = manager.post(request, jsonBody);
    qCDebug(lcNet).noquote() << "POST" << shownUrl << jsonBody.size() << "bytes";

    // Both guards live on the reply and end with it; the shared flags say which
    // one aborted it.
    const auto cutoff = std::make_shared<Cutoff>();
    QNetworkReply* watched = reply.get();
    QTimer::singleShot(std::max(proxy.timeoutMs, 0), watched, [watched, cutoff] {
        if (watched->isFinished())
            return;
        cutoff->deadlinePassed = true;
        watched->abort();
    });
    QObject::connect(watched, &QNetworkReply::downloadProgress, watched,
                     [watched, cutoff, maxReplyBytes](qint64 received, qint64 total) {
                         if (cutoff->tooLarge || (received <= maxReplyBytes && total <= maxReplyBytes))
                             return;
                         cutoff->tooLarge = true;
                         watched->abort();
                     });
    co_await ReplyOver{watched};

    if (!reply) {
        qCWarning(lcNet).noquote() << "POST" << shownUrl << "abandoned: network access went away";
        co_return QCoreApplication::translate("Network", "Network access was shut down.");
    }
    reply->deleteLater();

    if (cutoff->tooLarge || cutoff->deadlinePassed) {
        const QString message =
            cutoff->tooLarge ? tooLargeMessage(maxReplyBytes) : QString::fromLatin1(kTimedOutMessage);
        qCWarning(lcNet).noquote() << "POST" << shownUrl << "abandoned:" << message;
        co_return message;
    }

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportError(error) || (!status.isValid() && error != QNetworkReply::NoError)) {
        const QString message = proxy.redacted(transportMessage(*reply));
        qCWarning(lcNet).noquote() << "POST" << shownUrl << "failed:" << message;
        co_return message;
    }

    ProxyReply answer;
    answer.isHttp = status.isValid();
    answer.status = status.toInt();
    answer.body = reply->readAll();
    qCDebug(lcNet).noquote() << "POST" << shownUrl << "->" << answer.status << answer.body.size() << "bytes";
    co_return answer;
}

} // namespace vorn
