#include "app/instance_handover.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace vorn {

namespace {

constexpr quint32 kProtocolVersion = 1;

} // namespace

QString handOverServerName(const QString& dataDirectory) {
    const QByteArray folder = QDir(dataDirectory).absolutePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    const QString name = QStringLiteral("vorn-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
    // The user's own runtime folder where there is one, so that no other user
    // can take the name first; else the shared temporary folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return QDir(runtime).filePath(name);
    return name;
}

std::optional<HandOverReply> sendToRunningCopy(const QString& serverName, const HandOverRequest& request,
                                               int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    {
        QDataStream out(&socket);
        out << kProtocolVersion << request.command << request.payload;
    }
    socket.flush();

    QDataStream in(&socket);
    while (true) {
        in.startTransaction();
        bool ok = false;
        QString text;
        in >> ok >> text;
        if (in.commitTransaction())
            return HandOverReply{ok, text};
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    }
}

HandOverServer::HandOverServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandOverServer::acceptConnections);
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString& serverName) {
    // The instance lock says no live copy owns this name, so a socket file of
    // that name is a crashed copy's leftover.
    QLocalServer::removeServer(serverName);
    return m_server->listen(serverName);
}

QString HandOverServer::errorString() const {
    return m_server->errorString();
}

void HandOverServer::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            quint32 version = 0;
            HandOverRequest request;
            in >> version >> request.command >> request.payload;
            if (!in.commitTransaction())
                return; // more to come
            const HandOverReply reply =
                version == kProtocolVersion
                    ? m_handler(request)
                    : HandOverReply{false, QStringLiteral("Unknown request version.")};
            QDataStream out(socket);
            out << reply.ok << reply.text;
            socket->disconnectFromServer();
        });
    }
}

} // namespace vorn
