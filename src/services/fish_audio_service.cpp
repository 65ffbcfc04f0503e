#include "services/fish_audio_service.h"

#include "services/network.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace vorn {

QString FishAudioError::description() const {
    switch (kind) {
    case Kind::emptyText:
        return QCoreApplication::translate("Speech", "Enter some text to speak.");
    case Kind::invalidResponse:
        return QCoreApplication::translate("Speech", "Invalid response from voice server.");
    case Kind::emptyAudio:
        return QCoreApplication::translate("Speech", "Voice server returned empty audio.");
    case Kind::noOutputDevice:
        return QCoreApplication::translate("Speech", "No sound device: Vorn will write instead of speak.");
    case Kind::apiError:
    case Kind::transport:
    case Kind::unreadableAudio:
        return message;
    }
    return message;
}

QJsonObject FishAudioService::requestBody(const QString& text) {
    return QJsonObject{
        {QStringLiteral("text"), text},
        {QStringLiteral("reference_id"), QString::fromLatin1(voiceId)},
        {QStringLiteral("format"), QStringLiteral("mp3")},
        {QStringLiteral("normalize"), true},
    };
}

QCoro::Task<Result<QByteArray, FishAudioError>> FishAudioService::synthesize(QString text, ProxyConfig proxy,
                                                                             QNetworkAccessManager* network) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        co_return FishAudioError::of(FishAudioError::Kind::emptyText);

    const QByteArray json = QJsonDocument(requestBody(trimmed)).toJson(QJsonDocument::Compact);
    const ProxyConfig config = proxy;
    Result<ProxyReply, QString> sent = co_await postToProxy(
        network, std::move(proxy), QString::fromLatin1(kSpeechPath), json, kMaxSpeechReplyBytes);
    if (!sent)
        co_return FishAudioError{FishAudioError::Kind::transport, sent.error()};

    const ProxyReply& reply = sent.value();
    if (!reply.isHttp)
        co_return FishAudioError::of(FishAudioError::Kind::invalidResponse);
    if (reply.status != 200) {
        const QString message =
            decodeUtf8(reply.body).value_or(QStringLiteral("HTTP ") + QString::number(reply.status));
        co_return FishAudioError::api(config.redacted(message));
    }
    if (reply.body.isEmpty())
        co_return FishAudioError::of(FishAudioError::Kind::emptyAudio);
    co_return reply.body;
}

} // namespace vorn
