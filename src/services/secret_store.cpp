#include "services/secret_store.h"

#include "platform/log.h"
#include "platform/preferences.h"
#include "services/proxy_config.h"

#include <qt6keychain/keychain.h>

#include <qcoro/qcorosignal.h>

#include <memory>

namespace vorn {

namespace {

const QString kService = QStringLiteral("Vorn");

SecretStore::Outcome outcomeOf(QKeychain::Error error) {
    switch (error) {
    case QKeychain::NoError:
        return SecretStore::Outcome::ok;
    case QKeychain::EntryNotFound:
        return SecretStore::Outcome::notFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return SecretStore::Outcome::unavailable;
    default:
        return SecretStore::Outcome::failed;
    }
}

// Runs a keychain job to its end; the job is deleted afterwards.
template <typename Job> QCoro::Task<SecretStore::Answer> run(std::unique_ptr<Job> job) {
    job->setAutoDelete(false);
    job->start();
    co_await qCoro(job.get(), &QKeychain::Job::finished);
    SecretStore::Answer answer;
    answer.outcome = outcomeOf(job->error());
    answer.message = job->errorString();
    if constexpr (std::is_same_v<Job, QKeychain::ReadPasswordJob>)
        answer.value = job->textData();
    co_return answer;
}

} // namespace

QCoro::Task<SecretStore::Answer> KeychainSecretStore::read(QString key) {
    auto job = std::make_unique<QKeychain::ReadPasswordJob>(kService);
    job->setKey(key);
    co_return co_await run(std::move(job));
}

QCoro::Task<SecretStore::Answer> KeychainSecretStore::write(QString key, QString value) {
    auto job = std::make_unique<QKeychain::WritePasswordJob>(kService);
    job->setKey(key);
    job->setTextData(value);
    co_return co_await run(std::move(job));
}

QCoro::Task<SecretStore::Answer> KeychainSecretStore::remove(QString key) {
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(kService);
    job->setKey(key);
    co_return co_await run(std::move(job));
}

QCoro::Task<QString> loadProxyToken(SecretStore& store, const Preferences& preferences) {
    const SecretStore::Answer answer = co_await store.read(QLatin1String(kProxyTokenKey));
    if (answer.outcome == SecretStore::Outcome::ok && !answer.value.isEmpty())
        co_return answer.value;
    if (answer.outcome == SecretStore::Outcome::unavailable || answer.outcome == SecretStore::Outcome::failed)
        qCWarning(lcNet).noquote() << "Cannot read the proxy token from the keyring:" << answer.message;
    co_return preferences.text(QLatin1String(kProxyTokenKey)).value_or(QString()).trimmed();
}

QCoro::Task<bool> saveProxyToken(SecretStore& store, Preferences& preferences, QString token) {
    const QString key = QLatin1String(kProxyTokenKey);
    const SecretStore::Answer answer =
        token.isEmpty() ? co_await store.remove(key) : co_await store.write(key, token);
    if (answer.outcome == SecretStore::Outcome::ok ||
        (token.isEmpty() && answer.outcome == SecretStore::Outcome::notFound)) {
        preferences.remove(key);
        co_return true;
    }
    qCWarning(lcNet).noquote() << QStringLiteral("No keyring available (") + answer.message +
                                      QStringLiteral("); the proxy token is kept in the preference file.");
    if (token.isEmpty())
        preferences.remove(key);
    else
        preferences.setText(key, token);
    co_return false;
}

} // namespace vorn
