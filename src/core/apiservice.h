#pragma once

#include "configuration.h"
#include "credentialstore.h"
#include "protocol/records.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <QUuid>
#include <optional>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QUrl;

// The program's only REST client. Every operation is a coroutine entered and
// resumed on the main thread; it returns its result or throws one of the
// errors of errors.h, never a sentinel.
class APIService : public QObject
{
    Q_OBJECT

public:
    // Replies larger than this are cut off rather than exhausting memory.
    static constexpr qint64 MaxReplyBytes = 256LL * 1024 * 1024;
    static constexpr int TransferTimeoutMs = 60000;
    // How much the network layer may hold for us before it stops reading.
    static constexpr qint64 ReadBufferBytes = 16LL * 1024 * 1024;

    explicit APIService(const Configuration &configuration, QObject *parent = nullptr);
    // With a store, every request carries the credential it holds for its
    // caller, and a registration keeps the secret the server hands out.
    APIService(const Configuration &configuration, CredentialStore &credentials, QObject *parent = nullptr);
    ~APIService() override;

    QString apiBase() const { return m_apiBase; }
    QNetworkAccessManager *network() const { return m_network; }
    // Tests shorten the 60-second transfer time-out through this.
    void setTransferTimeout(int milliseconds);

    QCoro::Task<std::optional<ExistingUserInfo>> checkPoste(QString poste);
    QCoro::Task<GetUserByPosteResponse> getUserByPoste(qint64 companyId, QString poste);
    QCoro::Task<RegisterUserResponse> registerUser(
        qint64 companyId, QString poste, QString nom, QString prenom, QString telephone);
    QCoro::Task<QList<Company>> getCompanies();
    QCoro::Task<qint64> createCompany(QString nom, QString code);

    // The report of the machine's state goes only to a server that tells
    // its callers apart (a user secret is held); a 413 throws APIError with
    // the server's reason.
    QCoro::Task<qint64> createTicket(qint64 userId, QString titre, QString description, QString priorite,
        std::optional<QString> captureBase64, std::optional<QJsonObject> systemReport = std::nullopt);
    QCoro::Task<QList<UserTicket>> getMyTickets(qint64 userId);
    QCoro::Task<QList<Ticket>> getAllTickets();
    QCoro::Task<void> closeTicket(qint64 ticketId, std::optional<QString> closeMessage);

    // Whether the server logs the staff in itself: a server of the shared
    // token alone has no admin/login.php and answers 404.
    QCoro::Task<bool> hasStaffAccounts();
    // Logs a member of the staff in and keeps the session; a refusal throws
    // APIError with the server's reason (401 wrong identity, 429 too many tries).
    QCoro::Task<void> staffLogin(QString login, QString password);
    // Ends the session on the server, when there is one, and forgets it.
    QCoro::Task<void> staffLogout();
    // Whether a staff session is held: the server keeps accounts, and the
    // staff's account actions apply.
    bool hasStaffSession() const { return !credentialFor(Caller::Staff).isEmpty(); }
    // Frees a workstation whose secret was lost: its next registration keeps
    // the user and the tickets and gets a new secret. Throws APIError with the
    // server's reason (404 no such workstation in that company).
    QCoro::Task<void> resetPoste(QString companyCode, QString poste);
    // The report of the machine's state a ticket carries, nothing when it
    // came without one. Throws APIError with the server's reason.
    QCoro::Task<std::optional<QJsonObject>> getTicketReport(qint64 ticketId);

    // A ticket's conversation, for the side whose credential as names (the
    // user's secret or the staff session). Without that credential nothing is
    // sent and APIError 401 is thrown; a refusal throws APIError with the
    // server's reason.
    QCoro::Task<QList<ConversationMessage>> getMessages(
        qint64 ticketId, CredentialStore::Kind as = CredentialStore::Kind::UserSecret);
    // The server stores a client id once: sent again, the same message id
    // comes back and nothing is stored twice.
    QCoro::Task<qint64> sendMessage(qint64 ticketId, QString text, QUuid clientId,
        CredentialStore::Kind as = CredentialStore::Kind::UserSecret);
    QCoro::Task<void> sendTyping(
        qint64 ticketId, CredentialStore::Kind as = CredentialStore::Kind::UserSecret);
    QCoro::Task<void> markMessagesRead(
        qint64 ticketId, CredentialStore::Kind as = CredentialStore::Kind::UserSecret);

Q_SIGNALS:
    // The server answered 401 to a request that carried this credential: it
    // no longer names anyone (workstation reset, session ended or expired).
    void credentialRejected(CredentialStore::Kind kind);

private:
    // Whose credential a request carries.
    enum class Caller { Nobody, User, Staff };

    struct Reply
    {
        std::optional<int> status; // nothing when the answer was no HTTP reply
        QByteArray body;
    };

    QCoro::Task<Reply> get(QString pathAndQuery, Caller caller = Caller::User);
    QCoro::Task<Reply> post(QString path, QJsonObject body, Caller caller = Caller::User);
    QCoro::Task<Reply> send(QByteArray method, QString pathAndQuery, QByteArray body, Caller caller);
    // The credential stored for caller, empty when there is none.
    QString credentialFor(Caller caller) const;
    // The caller a conversation request is made as; throws when it has no credential.
    Caller conversationCaller(CredentialStore::Kind kind) const;
    QNetworkRequest requestFor(const QUrl &url, bool isPost, const QString &credential) const;
    // The status and body of a finished reply, or the transport failure it is.
    static Reply answerOf(QNetworkReply *reply, QByteArray body);

    QString m_apiBase;
    QString m_apiToken;
    QNetworkAccessManager *m_network;
    CredentialStore *m_credentials = nullptr;
    int m_transferTimeout = TransferTimeoutMs;
};
