#pragma once

#include "protocol/records.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

class QSqlQuery;

// The server's one SQLite database: companies, users and tickets. Every write
// is one transaction committed with a full sync in WAL mode, so a write the
// caller has been told about is on disk. Refusals throw StoreError.
class Store
{
public:
    Store();
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens (creating if needed) the file and its tables; false with *error.
    bool open(const QString &path, QString *error);
    void close();

    QList<Company> companies() const;
    qint64 createCompany(const QString &nom, const QString &code);
    bool isEmpty() const;

    qint64 registerUser(qint64 companyId, const QString &poste, const QString &nom, const QString &prenom,
        const QString &telephone);
    // The first user holding this workstation number, in any company.
    std::optional<CheckPosteResponse::UserData> userByPoste(const QString &poste) const;
    std::optional<UserDetailData> userByPoste(qint64 companyId, const QString &poste) const;
    bool hasUser(qint64 userId) const;

    // Creates an open ticket and returns it as the staff see it.
    Ticket createTicket(qint64 userId, const QString &titre, const QString &description,
        const QString &priorite, const std::optional<QByteArray> &captureBase64);
    QList<UserTicket> ticketsOf(qint64 userId) const;
    QList<Ticket> allTickets() const;
    // Closes an open ticket and returns its author's id.
    qint64 closeTicket(qint64 ticketId, const QString &closeMessage);

    // The server's local time in the form the client reads.
    static QString now();

private:
    void exec(QSqlQuery &query) const;
    void begin();
    void commit();
    void rollback();

    QString m_connectionName;
};
