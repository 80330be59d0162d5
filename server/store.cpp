#include "store.h"

#include "storeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

// Version 1 of the schema. A workstation number is unique within a company,
// a company code is unique; tickets keep their author through user_id.
const char *const SchemaStatements[] = {
    "CREATE TABLE IF NOT EXISTS companies ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " nom TEXT NOT NULL,"
    " code TEXT NOT NULL UNIQUE)",
    "CREATE TABLE IF NOT EXISTS users ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " company_id INTEGER NOT NULL REFERENCES companies(id),"
    " poste TEXT NOT NULL,"
    " nom TEXT NOT NULL,"
    " prenom TEXT NOT NULL,"
    " telephone TEXT NOT NULL,"
    " created_at TEXT NOT NULL,"
    " UNIQUE (company_id, poste))",
    "CREATE INDEX IF NOT EXISTS users_by_poste ON users(poste)",
    "CREATE TABLE IF NOT EXISTS tickets ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_id INTEGER NOT NULL REFERENCES users(id),"
    " titre TEXT NOT NULL,"
    " description TEXT NOT NULL,"
    " priorite TEXT NOT NULL,"
    " status TEXT NOT NULL DEFAULT 'open',"
    " capture_base64 TEXT,"
    " created_at TEXT NOT NULL,"
    " closed_at TEXT,"
    " close_message TEXT)",
    "CREATE INDEX IF NOT EXISTS tickets_by_user ON tickets(user_id)",
};

// The staff's view of a ticket: the ticket joined with its author and company.
constexpr auto TicketSelect = "SELECT t.id, t.user_id, t.titre, t.description, t.priorite, t.status,"
                              " t.capture_base64, t.created_at, u.nom, u.prenom, c.nom, u.poste, u.telephone"
                              " FROM tickets t LEFT JOIN users u ON u.id = t.user_id"
                              " LEFT JOIN companies c ON c.id = u.company_id";

// Whether a query found a row; the statement is finished at once so that the
// transaction around it can commit.
bool foundRow(QSqlQuery &query)
{
    const bool found = query.next();
    query.finish();
    return found;
}

std::optional<QString> optionalText(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

Ticket ticketFrom(const QSqlQuery &q)
{
    Ticket t;
    t.id = q.value(0).toLongLong();
    t.userId = q.value(1).toLongLong();
    t.titre = optionalText(q.value(2));
    t.description = optionalText(q.value(3));
    t.priorite = optionalText(q.value(4));
    t.status = optionalText(q.value(5));
    if (!q.value(6).isNull())
        t.captureBase64 = q.value(6).toString().toLatin1();
    t.createdAt = optionalText(q.value(7));
    t.nom = optionalText(q.value(8));
    t.prenom = optionalText(q.value(9));
    t.societe = optionalText(q.value(10));
    t.poste = optionalText(q.value(11));
    t.telephone = optionalText(q.value(12));
    return t;
}

// Texts are bound through COALESCE(?, '') because an empty QString may be a
// null one, which SQLite would store as NULL rather than as the empty text
// the client sent.

} // namespace

Store::Store()
    : m_connectionName(u"norvik-store-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{ }

Store::~Store()
{
    close();
}

QString Store::now()
{
    return QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

bool Store::open(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = u"cannot create the directory %1"_s.arg(info.absolutePath());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connectionName);
    db.setDatabaseName(path);
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    // WAL keeps readers and the writer apart; FULL makes each commit wait for
    // the disk, which is what lets a 200 mean "stored".
    const QString pragmas[] = { u"PRAGMA journal_mode=WAL"_s, u"PRAGMA synchronous=FULL"_s,
        u"PRAGMA foreign_keys=ON"_s, u"PRAGMA busy_timeout=5000"_s };
    try {
        for (const QString &pragma : pragmas) {
            QSqlQuery q(db);
            q.prepare(pragma);
            exec(q);
            q.finish();
        }
        QSqlQuery mode(u"PRAGMA journal_mode"_s, db);
        const bool wal = mode.next() && mode.value(0).toString().compare(u"wal"_s, Qt::CaseInsensitive) == 0;
        mode.finish();
        if (!wal) {
            *error = u"the database %1 cannot use write-ahead logging"_s.arg(path);
            return false;
        }
        begin();
        for (const char *statement : SchemaStatements) {
            QSqlQuery q(db);
            q.prepare(QString::fromLatin1(statement));
            exec(q);
        }
        commit();
    } catch (const StoreError &e) {
        rollback();
        *error = e.message;
        return false;
    }
    return true;
}

void Store::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Store::exec(QSqlQuery &query) const
{
    if (!query.exec())
        throw StoreError(StoreError::Failure, u"database error: "_s + query.lastError().text());
}

void Store::begin()
{
    // IMMEDIATE takes the write lock at once, so a transaction never fails
    // half-way because another process holds the file.
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(u"BEGIN IMMEDIATE"_s);
    exec(q);
}

void Store::commit()
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(u"COMMIT"_s);
    exec(q);
}

void Store::rollback()
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.exec(u"ROLLBACK"_s); // nothing to undo is fine too
}

QList<Company> Store::companies() const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    q.prepare(u"SELECT id, nom, code FROM companies ORDER BY nom COLLATE NOCASE, id"_s);
    exec(q);
    QList<Company> list;
    while (q.next())
        list.append(Company { q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString() });
    return list;
}

bool Store::isEmpty() const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(u"SELECT (SELECT COUNT(*) FROM companies) + (SELECT COUNT(*) FROM users)"
              u" + (SELECT COUNT(*) FROM tickets)"_s);
    exec(q);
    return q.next() && q.value(0).toLongLong() == 0;
}

qint64 Store::createCompany(const QString &nom, const QString &code)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    begin();
    try {
        QSqlQuery exists(db);
        exists.prepare(u"SELECT 1 FROM companies WHERE code = COALESCE(?, '')"_s);
        exists.addBindValue(code);
        exec(exists);
        if (foundRow(exists))
            throw StoreError(StoreError::Conflict, u"Une société avec ce code existe déjà"_s);
        QSqlQuery insert(db);
        insert.prepare(u"INSERT INTO companies (nom, code) VALUES (COALESCE(?, ''), COALESCE(?, ''))"_s);
        insert.addBindValue(nom);
        insert.addBindValue(code);
        exec(insert);
        const qint64 id = insert.lastInsertId().toLongLong();
        commit();
        return id;
    } catch (...) {
        rollback();
        throw;
    }
}

qint64 Store::registerUser(qint64 companyId, const QString &poste, const QString &nom, const QString &prenom,
    const QString &telephone)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    begin();
    try {
        QSqlQuery company(db);
        company.prepare(u"SELECT 1 FROM companies WHERE id = ?"_s);
        company.addBindValue(companyId);
        exec(company);
        if (!foundRow(company))
            throw StoreError(StoreError::NotFound, u"Société inconnue"_s);
        QSqlQuery exists(db);
        exists.prepare(u"SELECT 1 FROM users WHERE company_id = ? AND poste = COALESCE(?, '')"_s);
        exists.addBindValue(companyId);
        exists.addBindValue(poste);
        exec(exists);
        if (foundRow(exists))
            throw StoreError(StoreError::Conflict, u"Ce poste est déjà enregistré dans cette société"_s);
        QSqlQuery insert(db);
        insert.prepare(
            u"INSERT INTO users (company_id, poste, nom, prenom, telephone, created_at)"
            u" VALUES (?, COALESCE(?, ''), COALESCE(?, ''), COALESCE(?, ''), COALESCE(?, ''), ?)"_s);
        insert.addBindValue(companyId);
        insert.addBindValue(poste);
        insert.addBindValue(nom);
        insert.addBindValue(prenom);
        insert.addBindValue(telephone);
        insert.addBindValue(now());
        exec(insert);
        const qint64 id = insert.lastInsertId().toLongLong();
        commit();
        return id;
    } catch (...) {
        rollback();
        throw;
    }
}

std::optional<CheckPosteResponse::UserData> Store::userByPoste(const QString &poste) const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(
        u"SELECT u.nom, u.prenom, c.nom, u.telephone FROM users u JOIN companies c ON c.id = u.company_id"
        u" WHERE u.poste = COALESCE(?, '') ORDER BY u.id LIMIT 1"_s);
    q.addBindValue(poste);
    exec(q);
    if (!q.next())
        return std::nullopt;
    return CheckPosteResponse::UserData { q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
        q.value(3).toString() };
}

std::optional<UserDetailData> Store::userByPoste(qint64 companyId, const QString &poste) const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(u"SELECT u.id, u.company_id, u.poste, u.nom, u.prenom, u.telephone, c.nom, c.code"
              u" FROM users u JOIN companies c ON c.id = u.company_id WHERE u.company_id = ?"
              u" AND u.poste = COALESCE(?, '')"_s);
    q.addBindValue(companyId);
    q.addBindValue(poste);
    exec(q);
    if (!q.next())
        return std::nullopt;
    return UserDetailData { q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
        q.value(3).toString(), q.value(4).toString(), q.value(5).toString(), q.value(6).toString(),
        q.value(7).toString() };
}

bool Store::hasUser(qint64 userId) const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.prepare(u"SELECT 1 FROM users WHERE id = ?"_s);
    q.addBindValue(userId);
    exec(q);
    return foundRow(q);
}

Ticket Store::createTicket(qint64 userId, const QString &titre, const QString &description,
    const QString &priorite, const std::optional<QByteArray> &captureBase64)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    begin();
    try {
        QSqlQuery user(db);
        user.prepare(u"SELECT 1 FROM users WHERE id = ?"_s);
        user.addBindValue(userId);
        exec(user);
        if (!foundRow(user))
            throw StoreError(StoreError::NotFound, u"Utilisateur inconnu"_s);
        QSqlQuery insert(db);
        insert.prepare(u"INSERT INTO tickets (user_id, titre, description, priorite, status, capture_base64,"
                       u" created_at) VALUES (?, COALESCE(?, ''), COALESCE(?, ''), ?, 'open',"
                       u" CASE WHEN ? THEN COALESCE(?, '') END, ?)"_s);
        insert.addBindValue(userId);
        insert.addBindValue(titre);
        insert.addBindValue(description);
        insert.addBindValue(priorite);
        // An empty capture is kept distinct from none: the client sends one or the other.
        insert.addBindValue(captureBase64.has_value());
        insert.addBindValue(captureBase64 ? QVariant(QString::fromLatin1(*captureBase64)) : QVariant());
        insert.addBindValue(now());
        exec(insert);
        const qint64 id = insert.lastInsertId().toLongLong();
        QSqlQuery created(db);
        created.prepare(QString::fromLatin1(TicketSelect) + u" WHERE t.id = ?"_s);
        created.addBindValue(id);
        exec(created);
        if (!created.next())
            throw StoreError(StoreError::Failure, u"database error: the new ticket cannot be read back"_s);
        const Ticket ticket = ticketFrom(created);
        created.finish();
        commit();
        return ticket;
    } catch (...) {
        rollback();
        throw;
    }
}

QList<UserTicket> Store::ticketsOf(qint64 userId) const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    q.prepare(u"SELECT id, titre, description, priorite, status, created_at, closed_at, close_message"
              u" FROM tickets WHERE user_id = ? ORDER BY id DESC"_s);
    q.addBindValue(userId);
    exec(q);
    QList<UserTicket> list;
    while (q.next()) {
        list.append(UserTicket { q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
            q.value(3).toString(), q.value(4).toString(), q.value(5).toString(), optionalText(q.value(6)),
            optionalText(q.value(7)) });
    }
    return list;
}

QList<Ticket> Store::allTickets() const
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    q.prepare(QString::fromLatin1(TicketSelect) + u" ORDER BY t.id DESC"_s);
    exec(q);
    QList<Ticket> list;
    while (q.next())
        list.append(ticketFrom(q));
    return list;
}

qint64 Store::closeTicket(qint64 ticketId, const QString &closeMessage)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    begin();
    try {
        QSqlQuery current(db);
        current.prepare(u"SELECT user_id, status FROM tickets WHERE id = ?"_s);
        current.addBindValue(ticketId);
        exec(current);
        if (!current.next())
            throw StoreError(StoreError::NotFound, u"Ticket introuvable"_s);
        if (current.value(1).toString() == u"closed")
            throw StoreError(StoreError::Conflict, u"Ce ticket est déjà fermé"_s);
        const qint64 author = current.value(0).toLongLong();
        current.finish();
        QSqlQuery update(db);
        update.prepare(u"UPDATE tickets SET status = 'closed', closed_at = ?,"
                       u" close_message = COALESCE(?, '') WHERE id = ?"_s);
        update.addBindValue(now());
        update.addBindValue(closeMessage);
        update.addBindValue(ticketId);
        exec(update);
        commit();
        return author;
    } catch (...) {
        rollback();
        throw;
    }
}
