#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace vorn {

// What a second start of Vorn asks of the copy that runs: "raise" its window,
// "export" the list as text, or "import" the list in `payload`. Each request
// carries an ID of its own; the running copy applies an ID at most once.
struct HandOverRequest {
    QString command;
    QString payload;
    QUuid id = QUuid::createUuid();
};

// ok: `text` is the answer (the exported list, or a short report); otherwise
// `text` says what went wrong.
struct HandOverReply {
    bool ok = false;
    QString text;
};

// The largest request the running copy reads: an imported list of up to 64 MB
// and the few bytes around it.
inline constexpr qint64 kMaxHandOverRequestBytes = 64 * 1024 * 1024 + 4096;

// The local socket of the copy that owns `dataDirectory`, found from the data
// folder alone whatever the environment: "vorn.socket" beside the instance lock,
// or, where that path is too long for a socket, an abstract name made from the
// user and the folder (Linux).
QString handOverServerName(const QString& dataDirectory);

// How far a request got with the running copy.
struct HandOverOutcome {
    bool connected = false;    // a copy listened and took the request
    bool acknowledged = false; // it confirmed the request before working on it
    std::optional<HandOverReply> reply;
};

// Sends `request` once, over one connection. `ackWithin` bounds the wait for
// the connection and the acknowledgement; `replyWithin` bounds the wait for
// the result after that. Blocking: for the short-lived second process only.
HandOverOutcome sendToRunningCopy(const QString& serverName, const HandOverRequest& request,
                                  std::chrono::milliseconds ackWithin, std::chrono::milliseconds replyWithin);

// The running copy's side: reads each request (refusing one larger than
// kMaxHandOverRequestBytes or of another protocol), acknowledges it and answers
// it through `handler` on the main thread. A request whose client has already
// gone is dropped unapplied; a repeated request ID gets the first answer again.
class HandOverServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<HandOverReply(const HandOverRequest&)>;

    HandOverServer(Handler handler, QObject* parent = nullptr);
    ~HandOverServer() override;

    // Call only while holding the instance lock: a socket left by a copy that
    // crashed is removed first. False (with errorString()) when it cannot listen.
    bool listen(const QString& serverName);
    QString errorString() const;
    // How many requests reached the handler.
    int appliedCount() const { return m_applied; }

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const HandOverRequest& request);

    Handler m_handler;
    QLocalServer* m_server = nullptr;
    QHash<QUuid, HandOverReply> m_answered; // the latest requests' answers, by ID
    QList<QUuid> m_answeredOrder;
    int m_applied = 0;
};

} // namespace vorn
