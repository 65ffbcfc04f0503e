#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

namespace vorn {

// A place for secrets: the desktop's keyring, or a fake in tests.
class SecretStore {
public:
    enum class Outcome { ok, notFound, unavailable, failed };
    struct Answer {
        Outcome outcome = Outcome::failed;
        QString value;   // read: the secret
        QString message; // what went wrong
    };

    virtual ~SecretStore() = default;
    virtual QCoro::Task<Answer> read(QString key) = 0;
    virtual QCoro::Task<Answer> write(QString key, QString value) = 0;
    virtual QCoro::Task<Answer> remove(QString key) = 0;
};

// The desktop keyring through QtKeychain (Secret Service, KWallet), under
// the service name "Vorn".
class KeychainSecretStore : public SecretStore {
public:
    QCoro::Task<Answer> read(QString key) override;
    QCoro::Task<Answer> write(QString key, QString value) override;
    QCoro::Task<Answer> remove(QString key) override;
};

class Preferences;

// The token the user gave for a configured proxy: from the keyring, else (no
// keyring running) from the "proxy_token" preference.
QCoro::Task<QString> loadProxyToken(SecretStore& store, const Preferences& preferences);

// Keeps `token` in the keyring and removes any copy from the preference file;
// without a keyring it goes into the preference file, with a warning in the
// log. Returns whether the keyring took it.
QCoro::Task<bool> saveProxyToken(SecretStore& store, Preferences& preferences, QString token);

} // namespace vorn
