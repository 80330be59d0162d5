#pragma once

#include "databaselocation.h"
#include "protocol/records.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <map>
#include <optional>

struct SqlDialect;

// The server's database: companies, users, tickets and their conversations,
// the staff and their sessions, in one SQLite file or in a PostgreSQL
// database that several instances share. Both run the same statements; the
// few places where the two dialects differ are named in store.cpp. Every
// write is one statement (or one transaction) committed before it returns, so
// a write the caller has been told about is kept. Refusals throw StoreError.
//
// On PostgreSQL the database announces each committed change on one
// notification channel, and the changes made through other instances come
// out of changedElsewhere.
class Store : public QObject
{
    Q_OBJECT

public:
    // The schema this server writes; older databases are migrated on open,
    // newer ones refused.
    static constexpr int SchemaVersion = 4;

    // A change committed through another instance, as its notification
    // carries it.
    struct Change
    {
        enum Kind {
            TicketCreated,
            TicketClosed,
            CompaniesChanged,
            SessionEnded,
            MessageAdded,
            StaffTyping,
            UserTyping
        };
        Kind kind = TicketCreated;
        qint64 ticketId = 0; // of a ticket's change, and of typing
        QString sessionDigest; // of SessionEnded
        qint64 messageId = 0; // of MessageAdded

        static std::optional<Change> fromPayload(const QString &payload);
    };

    // A user registered with a secret: new, or holding a workstation that
    // had none (registered before accounts, or reset by the staff).
    struct Registration
    {
        qint64 userId = 0;
        bool claimed = false;
    };

    struct StaffMember
    {
        qint64 id = 0;
        QString login;
        QString displayName;
        QString createdAt;
    };

    // A live staff session; lastUsed in seconds since the epoch.
    struct Session
    {
        qint64 staffId = 0;
        qint64 lastUsed = 0;
    };

    struct Closure
    {
        qint64 authorId = 0;
        QString closeMessage;
    };

    // The system report a ticket carries (its JSON text, if any) and who
    // wrote the ticket.
    struct AttachedReport
    {
        qint64 authorId = 0;
        std::optional<QByteArray> json;
    };

    // A message of a ticket's conversation and who wrote the ticket.
    struct StoredMessage
    {
        ConversationMessage message;
        qint64 authorId = 0;
    };

    // Who writes a message: the ticket's author (staffId 0) or a member of
    // the staff.
    struct Sender
    {
        QString side; // "user" or "admin"
        qint64 staffId = 0;
    };

    // A message sent: its id, and whether this call stored it (false: the
    // same client id had stored it before).
    struct Posted
    {
        qint64 id = 0;
        bool added = false;
    };

    explicit Store(QObject *parent = nullptr);
    ~Store() override;

    // Opens (creating if needed) the database and brings its schema to
    // SchemaVersion; false with *error.
    bool open(const DatabaseLocation &location, QString *error);
    void close();
    bool sharesChanges() const;

    // While the connection is lost every call throws StoreError::Unavailable;
    // reconnect() ends that.
    bool isConnected() const { return !m_lost; }
    // Notices a connection the driver has seen die (no round trip).
    void checkConnection();
    // Whether the database answers now.
    bool ping();
    bool reconnect(QString *error);

    QList<Company> companies();
    qint64 createCompany(const QString &nom, const QString &code);
    bool isEmpty();

    qint64 registerUser(qint64 companyId, const QString &poste, const QString &nom, const QString &prenom,
        const QString &telephone);
    // The first user holding this workstation number, in any company, and their id.
    std::optional<std::pair<qint64, CheckPosteResponse::UserData>> userByPoste(const QString &poste);
    std::optional<UserDetailData> userByPoste(qint64 companyId, const QString &poste);
    bool hasUser(qint64 userId);

    // Accounts. Secrets and session tokens arrive here as their digests.
    Registration registerWithSecret(qint64 companyId, const QString &poste, const QString &nom,
        const QString &prenom, const QString &telephone, const QString &secretDigest);
    std::optional<qint64> userBySecret(const QString &secretDigest);
    // Forgets the secret of a workstation, so that its next registration
    // takes it over; false when the company or the workstation is unknown.
    // Returns the user's id.
    std::optional<qint64> resetPoste(const QString &companyCode, const QString &poste);

    void addStaff(const QString &login, const QString &displayName, const QString &passwordHash);
    // Each false when the login is unknown. A new password and the removal
    // of a member end their sessions.
    bool setStaffPassword(const QString &login, const QString &passwordHash);
    bool removeStaff(const QString &login);
    QList<StaffMember> staff();
    // The id and password hash of a login.
    std::optional<std::pair<qint64, QString>> staffPassword(const QString &login);

    // Sessions expire idleSeconds after their last use.
    void openSession(const QString &tokenDigest, qint64 staffId, qint64 now);
    // A live session, marked as used now; an expired one is ended.
    std::optional<Session> useSession(const QString &tokenDigest, qint64 now, qint64 idleSeconds);
    bool sessionAlive(const QString &tokenDigest, qint64 now, qint64 idleSeconds);
    void endSession(const QString &tokenDigest);
    void endExpiredSessions(qint64 now, qint64 idleSeconds);

    // Creates an open ticket and returns its id.
    qint64 createTicket(qint64 userId, const QString &titre, const QString &description,
        const QString &priorite, const std::optional<QByteArray> &captureBase64,
        const std::optional<QByteArray> &systemReport = std::nullopt);
    // Nothing for an unknown ticket.
    std::optional<AttachedReport> systemReport(qint64 ticketId);
    QList<UserTicket> ticketsOf(qint64 userId);
    QList<Ticket> allTickets();
    // One ticket as the staff's list shows it.
    std::optional<Ticket> ticket(qint64 ticketId);
    // Closes an open ticket and returns its author's id. A staff member's
    // non-empty closing message also ends the conversation, as its last
    // message.
    qint64 closeTicket(qint64 ticketId, const QString &closeMessage, qint64 staffId = 0);
    // Who wrote a closed ticket and what the staff answered.
    std::optional<Closure> closure(qint64 ticketId);

    // Conversations (storemessages.cpp).
    std::optional<qint64> ticketAuthor(qint64 ticketId);
    // Throws Conflict on a closed ticket, NotFound on an unknown one.
    Posted addMessage(qint64 ticketId, const Sender &sender, const QString &text, const QString &clientId);
    std::optional<StoredMessage> message(qint64 messageId);
    QList<ConversationMessage> messages(qint64 ticketId);
    // The other side's messages on the ticket count as read by this side.
    void markRead(qint64 ticketId, const QString &readerSide);
    // Per ticket, the messages the reader's side has not read: the staff's
    // on one author's tickets (userId), or the users' on every ticket
    // (userId 0).
    std::map<qint64, qint64> unreadCounts(const QString &readerSide, qint64 userId = 0);
    // Tells the other instances something that is not kept: who is typing.
    void announce(Change::Kind kind, qint64 ticketId);

    // The server's local time in the form the client reads.
    static QString now();

Q_SIGNALS:
    void changedElsewhere(const Store::Change &change);
    void connectionLost(const QString &reason);

private:
    QSqlDatabase database() const;
    bool openConnection(QString *error);
    void migrate();
    // A cached prepared statement, bound to values and executed.
    QSqlQuery &run(const QString &sql, const QVariantList &values = {});
    // A statement run once, unprepared: transaction control, DDL, settings.
    void once(const QString &sql);
    void finish(QSqlQuery &query);
    template<typename Read>
    auto firstRow(QSqlQuery &query, Read read) -> std::optional<decltype(read(query))>;
    template<typename Read>
    auto everyRow(QSqlQuery &query, Read read) -> QList<decltype(read(query))>;
    // Throws StoreError::Unavailable while the connection is lost.
    void ensureConnected();
    [[noreturn]] void fail(const QSqlQuery &query);
    void markLost(const QString &reason);
    void dropStatements();
    // Runs work in one write transaction: committed when it returns, rolled
    // back when it throws (the exception goes on to the caller).
    template<typename Work>
    auto transaction(Work &&work) -> decltype(work());
    QString beginStatement() const;

    const SqlDialect *m_dialect = nullptr;
    DatabaseLocation m_location;
    QString m_connectionName;
    std::map<QString, QSqlQuery> m_statements;
    bool m_lost = false;
};
