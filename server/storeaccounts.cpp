// The accounts half of Store: users' secrets, the staff and their sessions.
#include "storeerror.h"
#include "storerows.h"

using namespace Qt::StringLiterals;

namespace {

qint64 integerAt0(const QSqlQuery &query)
{
    return query.value(0).toLongLong();
}

// A session is refreshed in the database at most this often, so that a busy
// staff screen does not turn every read into a write.
constexpr qint64 TouchEverySeconds = 60;

} // namespace

Store::Registration Store::registerWithSecret(qint64 companyId, const QString &poste, const QString &nom,
    const QString &prenom, const QString &telephone, const QString &secretDigest)
{
    if (!firstRow(run(u"SELECT 1 FROM companies WHERE id = ?"_s, { companyId }), integerAt0))
        throw StoreError(StoreError::NotFound, u"Société inconnue"_s);
    const std::optional<qint64> created = firstRow(
        run(u"INSERT INTO users (company_id, poste, nom, prenom, telephone, created_at, secret_hash)"
            u" VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (company_id, poste) DO NOTHING RETURNING id"_s,
            { companyId, poste, nom, prenom, telephone, now(), secretDigest }),
        integerAt0);
    if (created)
        return { *created, false };
    // Taken: it may still be waiting for a secret. One statement decides, so
    // two registrations racing for it cannot both win; the person who
    // registers now is who holds the workstation.
    const std::optional<qint64> claimed
        = firstRow(run(u"UPDATE users SET secret_hash = ?, nom = ?, prenom = ?, telephone = ?"
                       u" WHERE company_id = ? AND poste = ? AND secret_hash IS NULL RETURNING id"_s,
                       { secretDigest, nom, prenom, telephone, companyId, poste }),
            integerAt0);
    if (!claimed)
        throw StoreError(StoreError::Conflict, u"Ce poste est déjà enregistré dans cette société"_s);
    return { *claimed, true };
}

std::optional<qint64> Store::userBySecret(const QString &secretDigest)
{
    return firstRow(run(u"SELECT id FROM users WHERE secret_hash = ?"_s, { secretDigest }), integerAt0);
}

std::optional<qint64> Store::resetPoste(const QString &companyCode, const QString &poste)
{
    return firstRow(run(u"UPDATE users SET secret_hash = NULL WHERE poste = ?"
                        u" AND company_id = (SELECT id FROM companies WHERE code = ?) RETURNING id"_s,
                        { poste, companyCode }),
        integerAt0);
}

void Store::addStaff(const QString &login, const QString &displayName, const QString &passwordHash)
{
    const std::optional<qint64> id
        = firstRow(run(u"INSERT INTO staff (login, display_name, password_hash, created_at)"
                       u" VALUES (?, ?, ?, ?) ON CONFLICT (login) DO NOTHING RETURNING id"_s,
                       { login, displayName, passwordHash, now() }),
            integerAt0);
    if (!id)
        throw StoreError(StoreError::Conflict, u"login already taken: "_s + login);
}

bool Store::setStaffPassword(const QString &login, const QString &passwordHash)
{
    // A new password ends the sessions opened with the old one.
    return transaction([&] {
        const std::optional<qint64> id
            = firstRow(run(u"UPDATE staff SET password_hash = ? WHERE login = ? RETURNING id"_s,
                           { passwordHash, login }),
                integerAt0);
        if (id)
            finish(run(u"DELETE FROM staff_sessions WHERE staff_id = ?"_s, { *id }));
        return id.has_value();
    });
}

bool Store::removeStaff(const QString &login)
{
    return firstRow(run(u"DELETE FROM staff WHERE login = ? RETURNING id"_s, { login }), integerAt0)
        .has_value();
}

QList<Store::StaffMember> Store::staff()
{
    return everyRow(run(u"SELECT id, login, display_name, created_at FROM staff ORDER BY login"_s),
        [](const QSqlQuery &q) {
            return StaffMember { q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
                q.value(3).toString() };
        });
}

std::optional<std::pair<qint64, QString>> Store::staffPassword(const QString &login)
{
    return firstRow(
        run(u"SELECT id, password_hash FROM staff WHERE login = ?"_s, { login }), [](const QSqlQuery &q) {
            return std::pair { q.value(0).toLongLong(), q.value(1).toString() };
        });
}

void Store::openSession(const QString &tokenDigest, qint64 staffId, qint64 now)
{
    finish(
        run(u"INSERT INTO staff_sessions (token_hash, staff_id, created_at, last_used) VALUES (?, ?, ?, ?)"_s,
            { tokenDigest, staffId, Store::now(), now }));
}

std::optional<Store::Session> Store::useSession(const QString &tokenDigest, qint64 now, qint64 idleSeconds)
{
    const std::optional<Session> session = firstRow(
        run(u"SELECT staff_id, last_used FROM staff_sessions WHERE token_hash = ?"_s, { tokenDigest }),
        [](const QSqlQuery &q) {
            return Session { q.value(0).toLongLong(), q.value(1).toLongLong() };
        });
    if (!session)
        return std::nullopt;
    if (now - session->lastUsed > idleSeconds) {
        endSession(tokenDigest);
        return std::nullopt;
    }
    if (now - session->lastUsed < TouchEverySeconds)
        return session;
    finish(run(u"UPDATE staff_sessions SET last_used = ? WHERE token_hash = ? AND last_used < ?"_s,
        { now, tokenDigest, now }));
    return Session { session->staffId, now };
}

bool Store::sessionAlive(const QString &tokenDigest, qint64 now, qint64 idleSeconds)
{
    return firstRow(run(u"SELECT 1 FROM staff_sessions WHERE token_hash = ? AND last_used >= ?"_s,
                        { tokenDigest, now - idleSeconds }),
        integerAt0)
        .has_value();
}

void Store::endSession(const QString &tokenDigest)
{
    finish(run(u"DELETE FROM staff_sessions WHERE token_hash = ?"_s, { tokenDigest }));
}

void Store::endExpiredSessions(qint64 now, qint64 idleSeconds)
{
    finish(run(u"DELETE FROM staff_sessions WHERE last_used < ?"_s, { now - idleSeconds }));
}
