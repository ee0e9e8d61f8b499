#include "app/keyring.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace zd {
namespace {

constexpr const char* kService = "Zandorelle";

// The services that keep secrets for a desktop session.
constexpr const char* kKeyringServices[] = {"org.freedesktop.secrets", "org.kde.kwalletd6",
                                            "org.kde.kwalletd5"};

QString KeyOf(const QString& owner) {
    return "Connection password of " + owner + "'s Newton";
}

template <typename Job>
Job* Started(const QString& owner) {
    auto* job = new Job(kService);
    job->setAutoDelete(true);
    // Only ever the keyring: never a file of its own in the clear.
    job->setInsecureFallback(false);
    job->setKey(KeyOf(owner));
    return job;
}

// Tells `failed` why `job` did not do what it was for; a password that is
// not there to forget is no failure.
void ReportFailure(QKeychain::Job* job, std::function<void(QString)> failed) {
    QObject::connect(job, &QKeychain::Job::finished, [failed](QKeychain::Job* done) {
        if (done->error() != QKeychain::NoError && done->error() != QKeychain::EntryNotFound)
            failed(done->errorString());
    });
}

}  // namespace

bool Keyring::Available() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (bus == nullptr) return false;
    const QStringList activatable = bus->activatableServiceNames().value();
    for (const char* service : kKeyringServices)
        if (bus->isServiceRegistered(service).value() || activatable.contains(service)) return true;
    return false;
}

void Keyring::Read(const QString& owner, std::function<void(std::optional<Secret>)> done) {
    auto* job = Started<QKeychain::ReadPasswordJob>(owner);
    QObject::connect(job, &QKeychain::Job::finished, [job, done](QKeychain::Job*) {
        if (job->error() != QKeychain::NoError) return done(std::nullopt);
        QByteArray utf8 = job->textData().toUtf8();
        Secret password(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        utf8.fill('\0');
        done(std::move(password));
    });
    job->start();
}

void Keyring::Write(const QString& owner, const Secret& password,
                    std::function<void(QString)> failed) {
    auto* job = Started<QKeychain::WritePasswordJob>(owner);
    const std::string_view text = password.text();
    job->setTextData(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    ReportFailure(job, std::move(failed));
    job->start();
}

void Keyring::Forget(const QString& owner, std::function<void(QString)> failed) {
    auto* job = Started<QKeychain::DeletePasswordJob>(owner);
    ReportFailure(job, std::move(failed));
    job->start();
}

}  // namespace zd
