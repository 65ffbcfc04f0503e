#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

namespace vorn {

// What a second start of Vorn asks of the copy that runs: "raise" its window,
// "export" the list as text, or "import" the list in `payload`.
struct HandOverRequest {
    QString command;
    QString payload;
};

// ok: `text` is the answer (the exported list, or a short report); otherwise
// `text` says what went wrong.
struct HandOverReply {
    bool ok = false;
    QString text;
};

// The local socket name of the copy that owns `dataDirectory`: one per data
// folder and user, like the instance lock.
QString handOverServerName(const QString& dataDirectory);

// Asks the running copy; nullopt when none answers within `timeoutMs`.
// Blocking: for the short-lived second process only.
std::optional<HandOverReply> sendToRunningCopy(const QString& serverName, const HandOverRequest& request,
                                               int timeoutMs = 5000);

// The running copy's side: answers each request through `handler` on the main thread.
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

private:
    void acceptConnections();

    Handler m_handler;
    QLocalServer* m_server = nullptr;
};

} // namespace vorn
