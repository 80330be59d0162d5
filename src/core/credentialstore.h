#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <array>

// What proves who this workstation is to a server that tells its callers
// apart: the user's own secret and, while an administrator is logged in, the
// staff session. They go to the desktop's keyring (Secret Service), never to
// the settings file; where no keyring answers, to a file only the user may
// read. The values read are held in memory for the services to use.
class CredentialStore : public QObject
{
    Q_OBJECT

public:
    enum class Kind { UserSecret, StaffSession };
    Q_ENUM(Kind)

    // service names the entries in the keyring; fallbackPath is the file
    // used when the keyring does not answer.
    CredentialStore(QString service, QString fallbackPath, QObject *parent = nullptr);

    static QString defaultService();
    static QString defaultFallbackPath();

    // Empty when nothing is stored.
    QString value(Kind kind) const { return m_values.at(index(kind)); }
    bool usesFallback() const { return m_fallback; }

    // Reads both credentials from where they are kept.
    QCoro::Task<void> load();
    // Keeps value (in memory at once, then on disk); an empty value forgets it.
    QCoro::Task<void> store(Kind kind, QString value);

Q_SIGNALS:
    // Emitted once, when the keyring did not answer and the file took over.
    void keyringUnavailable(const QString &message);

private:
    static constexpr std::size_t index(Kind kind) { return kind == Kind::UserSecret ? 0 : 1; }
    static QString key(Kind kind);

    // False when the keyring did not answer; found says whether an entry existed.
    QCoro::Task<bool> readKeyring(Kind kind);
    QCoro::Task<bool> writeKeyring(Kind kind, QString value);
    void fallBack(const QString &reason);
    void announceFallback();
    QCoro::Task<void> moveFileToKeyring();
    std::array<QString, 2> fileValues() const;
    void readFile();
    void writeFile();

    QString m_service;
    QString m_fallbackPath;
    std::array<QString, 2> m_values;
    bool m_fallback = false;
    bool m_announced = false;
    QString m_unavailableReason;
};
