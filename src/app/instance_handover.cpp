#include "app/instance_handover.h"

#include "platform/instance_lock.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

namespace vorn {

namespace {

// Every frame: the byte count of its body, then the body. A request opens with
// the protocol's mark and version; both sides read and write Qt 6.4's stream format.
constexpr quint32 kRequestMark = 0x564f524e; // "VORN"
constexpr quint32 kProtocolVersion = 2;
constexpr auto kStreamVersion = QDataStream::Qt_6_4;
constexpr qint64 kRequestHeaderBytes = 4 + 4 + 8;
constexpr qint64 kFrameHeaderBytes = 8;
// An exported list can be long; nothing sane is longer.
constexpr qint64 kMaxReplyBytes = 512LL * 1024 * 1024;
constexpr int kRememberedAnswers = 64;

enum class ReplyKind : quint8 { acknowledged = 1, result = 2 };

bool isAbstractName(const QString& serverName) {
    return !serverName.startsWith(QLatin1Char('/'));
}

// The uid of the process at the other end of the socket, -1 when unknown.
qint64 peerUid(qintptr descriptor) {
#ifdef SO_PEERCRED
    struct ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return -1;
    return credentials.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(int(descriptor), &uid, &gid) != 0)
        return -1;
    return uid;
#endif
}

bool peerIsThisUser(const QLocalSocket& socket) {
    return peerUid(socket.socketDescriptor()) == qint64(::getuid());
}

// Whether the client has closed its end: it sends nothing after its request,
// so an orderly end of stream is all a peek can find.
bool clientHasGone(QLocalSocket& socket) {
    if (socket.state() != QLocalSocket::ConnectedState)
        return true;
    char byte = 0;
    return ::recv(int(socket.socketDescriptor()), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

QByteArray frame(const QByteArray& body) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << quint64(body.size());
    bytes.append(body);
    return bytes;
}

QByteArray replyFrame(ReplyKind kind, const QUuid& id, const HandOverReply& reply = {}) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << quint8(kind) << id << reply.ok << reply.text.toUtf8();
    return frame(body);
}

// Reads one whole frame's body from `socket` before `deadline`; nullopt when
// the time runs out, the connection ends or the frame is larger than `maxBytes`.
std::optional<QByteArray> readFrame(QLocalSocket& socket, const QDeadlineTimer& deadline, qint64 maxBytes) {
    const auto waitFor = [&](qint64 bytes) {
        while (socket.bytesAvailable() < bytes) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        return true;
    };
    if (!waitFor(kFrameHeaderBytes))
        return std::nullopt;
    quint64 size = 0;
    {
        QDataStream in(socket.read(kFrameHeaderBytes));
        in.setVersion(kStreamVersion);
        in >> size;
    }
    if (size > quint64(maxBytes) || !waitFor(qint64(size)))
        return std::nullopt;
    return socket.read(qint64(size));
}

} // namespace

QString handOverServerName(const QString& dataDirectory) {
    const QString beside =
        QFileInfo(instanceLockPath(dataDirectory)).absoluteDir().filePath(QStringLiteral("vorn.socket"));
#ifdef __linux__
    // sun_path holds 108 bytes with the closing NUL.
    if (beside.toUtf8().size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        const QByteArray folder = QDir(dataDirectory).absolutePath().toUtf8();
        const QByteArray digest =
            QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(32);
        return QStringLiteral("vorn-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
    }
#endif
    return beside;
}

HandOverOutcome sendToRunningCopy(const QString& serverName, const HandOverRequest& request,
                                  std::chrono::milliseconds ackWithin,
                                  std::chrono::milliseconds replyWithin) {
    HandOverOutcome outcome;
    const QDeadlineTimer ackDeadline(ackWithin);
    QLocalSocket socket;
    if (isAbstractName(serverName))
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(int(ackDeadline.remainingTime())))
        return outcome;
    // An abstract name can be taken by anyone: hand the list to no one but ourselves.
    if (!peerIsThisUser(socket))
        return outcome;
    outcome.connected = true;

    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << request.id << request.command.toUtf8() << request.payload.toUtf8();
    }
    QByteArray header;
    {
        QDataStream out(&header, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << kRequestMark << kProtocolVersion << quint64(body.size());
    }
    socket.write(header + body);
    while (socket.bytesToWrite() > 0) {
        if (ackDeadline.hasExpired() || !socket.waitForBytesWritten(int(ackDeadline.remainingTime())))
            return outcome;
    }

    const auto readReply =
        [&](const QDeadlineTimer& deadline) -> std::optional<std::pair<ReplyKind, HandOverReply>> {
        const std::optional<QByteArray> bytes = readFrame(socket, deadline, kMaxReplyBytes);
        if (!bytes)
            return std::nullopt;
        QDataStream in(*bytes);
        in.setVersion(kStreamVersion);
        quint8 kind = 0;
        QUuid id;
        HandOverReply reply;
        QByteArray text;
        in >> kind >> id >> reply.ok >> text;
        if (in.status() != QDataStream::Ok || id != request.id)
            return std::nullopt;
        reply.text = QString::fromUtf8(text);
        return std::pair{ReplyKind(kind), reply};
    };
    auto first = readReply(ackDeadline);
    if (!first)
        return outcome;
    if (first->first == ReplyKind::result) {
        // A refusal comes without an acknowledgement.
        outcome.reply = first->second;
        return outcome;
    }
    outcome.acknowledged = true;
    if (auto result = readReply(QDeadlineTimer(replyWithin)); result && result->first == ReplyKind::result)
        outcome.reply = result->second;
    return outcome;
}

HandOverServer::HandOverServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this)) {
    connect(m_server, &QLocalServer::newConnection, this, &HandOverServer::acceptConnections);
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString& serverName) {
    if (isAbstractName(serverName)) {
        m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    } else {
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        // The instance lock says no live copy owns this name, so a socket file of
        // that name is a crashed copy's leftover.
        QLocalServer::removeServer(serverName);
    }
    return m_server->listen(serverName);
}

QString HandOverServer::errorString() const {
    return m_server->errorString();
}

void HandOverServer::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void HandOverServer::readRequest(QLocalSocket* socket) {
    // Everything stays in the socket's buffer until the whole request is there.
    if (socket->property("vornAnswered").toBool() || socket->bytesAvailable() < kRequestHeaderBytes)
        return;
    quint32 mark = 0;
    quint32 version = 0;
    quint64 size = 0;
    {
        QDataStream in(socket->peek(kRequestHeaderBytes));
        in.setVersion(kStreamVersion);
        in >> mark >> version >> size;
    }
    const auto refuse = [&](const QString& text) {
        socket->setProperty("vornAnswered", true);
        socket->write(replyFrame(ReplyKind::result, {}, {false, text}));
        socket->disconnectFromServer();
    };
    if (mark != kRequestMark || version != kProtocolVersion)
        return refuse(tr("This Vorn speaks another version of the hand-over; quit it and try again."));
    if (size > quint64(kMaxHandOverRequestBytes))
        return refuse(tr("The request is larger than 64 MB."));
    if (socket->bytesAvailable() < kRequestHeaderBytes + qint64(size))
        return;
    socket->skip(kRequestHeaderBytes);
    HandOverRequest request;
    QByteArray command;
    QByteArray payload;
    {
        QDataStream in(socket->read(qint64(size)));
        in.setVersion(kStreamVersion);
        in >> request.id >> command >> payload;
        if (in.status() != QDataStream::Ok)
            return refuse(tr("The request could not be read."));
    }
    request.command = QString::fromUtf8(command);
    request.payload = QString::fromUtf8(payload);
    socket->setProperty("vornAnswered", true);
    answer(socket, request);
}

void HandOverServer::answer(QLocalSocket* socket, const HandOverRequest& request) {
    // A client that gave up (it timed out while this copy was busy or stopped)
    // has already told its user that nothing happened.
    if (clientHasGone(*socket)) {
        socket->abort();
        return;
    }
    socket->write(replyFrame(ReplyKind::acknowledged, request.id));
    socket->flush();

    HandOverReply reply;
    if (const auto earlier = m_answered.constFind(request.id); earlier != m_answered.cend()) {
        reply = *earlier;
    } else {
        ++m_applied;
        reply = m_handler(request);
        m_answered.insert(request.id, reply);
        m_answeredOrder.append(request.id);
        if (m_answeredOrder.size() > kRememberedAnswers)
            m_answered.remove(m_answeredOrder.takeFirst());
    }
    socket->write(replyFrame(ReplyKind::result, request.id, reply));
    socket->disconnectFromServer();
}

} // namespace vorn
