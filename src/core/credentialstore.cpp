#include "credentialstore.h"

#include "log.h"
#include "statedirectory.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <coroutine>
#include <memory>
#include <qt6keychain/keychain.h>

using namespace Qt::StringLiterals;

namespace {

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

// The job is the store's child: a store destroyed mid-way takes it along, and
// the coroutine waiting on it is never resumed into a store that is gone.
template<typename JobType>
std::unique_ptr<JobType, DeleteLater> makeJob(const QString &service, const QString &key, QObject *store)
{
    std::unique_ptr<JobType, DeleteLater> job(new JobType(service, store));
    job->setAutoDelete(false);
    job->setKey(key);
    return job;
}

// Starts the job and resumes the coroutine once it finished. Started only
// after the connection is made, so that an answer given at once is not missed.
struct Finished
{
    QKeychain::Job *job;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) const
    {
        QObject::connect(
            job, &QKeychain::Job::finished, job, [waiting] { waiting.resume(); }, Qt::SingleShotConnection);
        job->start();
    }
    void await_resume() const noexcept { }
};

} // namespace

CredentialStore::CredentialStore(QString service, QString fallbackPath, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_fallbackPath(std::move(fallbackPath))
{ }

QString CredentialStore::defaultService()
{
    return u"norvik-support"_s;
}

QString CredentialStore::defaultFallbackPath()
{
    return StateDirectory::filePath(u"credentials.json"_s);
}

QString CredentialStore::key(Kind kind)
{
    return kind == Kind::UserSecret ? u"user_secret"_s : u"staff_session"_s;
}

QCoro::Task<void> CredentialStore::load()
{
    // A co_await inside a condition miscompiles with GCC 12: results are named.
    for (const Kind kind : { Kind::UserSecret, Kind::StaffSession }) {
        if (m_fallback)
            break;
        const bool answered = co_await readKeyring(kind);
        if (!answered)
            break;
    }
    if (m_fallback)
        readFile();
    else
        co_await moveFileToKeyring();
}

QCoro::Task<void> CredentialStore::moveFileToKeyring()
{
    // A keyring that did not answer at an earlier launch left the credentials
    // in the file; now that it answers they belong there, and the file goes.
    if (!QFile::exists(m_fallbackPath))
        co_return;
    const std::array<QString, 2> inFile = fileValues();
    for (const Kind kind : { Kind::UserSecret, Kind::StaffSession }) {
        const QString &kept = inFile.at(index(kind));
        if (kept.isEmpty() || !value(kind).isEmpty())
            continue; // the keyring's own entry is the newer one
        m_values.at(index(kind)) = kept;
        const bool moved = co_await writeKeyring(kind, kept);
        if (!moved) {
            writeFile(); // the keyring gave up meanwhile: the file stays the one place
            co_return;
        }
    }
    if (QFile::remove(m_fallbackPath))
        logLine(u"✅ Identifiants déplacés dans le trousseau : "_s + m_fallbackPath + u" supprimé"_s);
}

QCoro::Task<void> CredentialStore::store(Kind kind, QString value)
{
    m_values.at(index(kind)) = value;
    if (!m_fallback) {
        const bool kept = co_await writeKeyring(kind, value);
        if (kept)
            co_return;
    }
    if (!value.isEmpty())
        announceFallback();
    writeFile();
}

QCoro::Task<bool> CredentialStore::readKeyring(Kind kind)
{
    auto job = makeJob<QKeychain::ReadPasswordJob>(m_service, key(kind), this);
    co_await Finished { job.get() };
    if (job->error() == QKeychain::NoError) {
        m_values.at(index(kind)) = job->textData();
        co_return true;
    }
    if (job->error() == QKeychain::EntryNotFound) {
        m_values.at(index(kind)).clear();
        co_return true;
    }
    // Only reading: a desktop without a keyring whose server never hands out
    // a credential hears nothing of it. The warning waits for something to keep.
    m_fallback = true;
    m_unavailableReason = job->errorString();
    co_return false;
}

QCoro::Task<bool> CredentialStore::writeKeyring(Kind kind, QString value)
{
    const QString name = key(kind);
    if (value.isEmpty()) {
        auto job = makeJob<QKeychain::DeletePasswordJob>(m_service, name, this);
        co_await Finished { job.get() };
        if (job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound)
            co_return true;
        fallBack(job->errorString());
        co_return false;
    }
    auto job = makeJob<QKeychain::WritePasswordJob>(m_service, name, this);
    job->setTextData(value);
    co_await Finished { job.get() };
    if (job->error() == QKeychain::NoError)
        co_return true;
    fallBack(job->errorString());
    co_return false;
}

void CredentialStore::fallBack(const QString &reason)
{
    m_fallback = true;
    m_unavailableReason = reason;
    announceFallback();
}

void CredentialStore::announceFallback()
{
    if (std::exchange(m_announced, true))
        return;
    const QString &reason = m_unavailableReason;
    logLine(
        u"⚠️ Trousseau indisponible ("_s + reason + u") : identifiants gardés dans "_s + m_fallbackPath);
    Q_EMIT keyringUnavailable(
        tr("Le trousseau de clés du bureau ne répond pas : vos identifiants sont gardés dans un fichier "
           "que vous seul pouvez lire."));
}

std::array<QString, 2> CredentialStore::fileValues() const
{
    std::array<QString, 2> values;
    QFile file(m_fallbackPath);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (const Kind kind : { Kind::UserSecret, Kind::StaffSession })
        values.at(index(kind)) = object.value(key(kind)).toString();
    return values;
}

void CredentialStore::readFile()
{
    if (QFile::exists(m_fallbackPath))
        m_values = fileValues();
}

void CredentialStore::writeFile()
{
    StateDirectory::ensure();
    QJsonObject object;
    for (const Kind kind : { Kind::UserSecret, Kind::StaffSession }) {
        if (!value(kind).isEmpty())
            object.insert(key(kind), value(kind));
    }
    QSaveFile file(m_fallbackPath);
    // Restricted before a byte is written: the secret never sits in a file
    // others could read, not even for a moment.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        logLine(u"❌ Identifiants non enregistrés : "_s + file.errorString());
        return;
    }
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (!file.commit())
        logLine(u"❌ Identifiants non enregistrés : "_s + file.errorString());
}
