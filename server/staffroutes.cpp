// The staff's own endpoints of accounts mode: login, logout and the reset of
// a workstation whose secret was lost.
#include "credentials.h"
#include "protocol/jsonreader.h"
#include "routereplies.h"
#include "store.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

ApiRoutes::Reply loginRefused(int status, const QString &message, int retryAfter = 0)
{
    return { status, compactJson(QJsonObject { { u"success"_s, false }, { u"error"_s, message } }), {},
        retryAfter };
}

} // namespace

ApiRoutes::Reply ApiRoutes::login(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const QString login = reader.requiredString(u"login");
    const QByteArray password = reader.requiredString(u"password").toUtf8();
    const QString keys[] = { u"login:"_s + login, u"address:"_s + request.access.peer };
    const int wait = std::max(m_throttle.retryAfter(keys[0]), m_throttle.retryAfter(keys[1]));
    if (wait > 0)
        return loginRefused(429, u"Trop de tentatives : réessayez dans %1 s"_s.arg(wait), wait);

    const std::optional<std::pair<qint64, QString>> account = m_store.staffPassword(login);
    const bool right = account ? Credentials::verifyPassword(account->second, password)
                               : (Credentials::spendVerificationTime(password), false);
    if (!right) {
        for (const QString &key : keys)
            m_throttle.fail(key);
        return loginRefused(401, u"Identifiant ou mot de passe incorrect"_s);
    }
    m_throttle.succeed(keys[0]);
    const QByteArray token = Credentials::newSecret();
    const qint64 now = Gatekeeper::now();
    m_store.openSession(Credentials::digest(token), account->first, now);
    const QString expiresAt
        = QDateTime::fromSecsSinceEpoch(now + Gatekeeper::SessionIdleSeconds, Qt::UTC).toString(Qt::ISODate);
    return okReply(QJsonObject { { u"success"_s, true }, { u"session_token"_s, QString::fromLatin1(token) },
        { u"expires_at"_s, expiresAt } });
}

ApiRoutes::Reply ApiRoutes::logout(const Request &request)
{
    const QString digest = request.caller.sessionDigest;
    m_store.endSession(digest);
    Reply reply = okReply(QJsonObject { { u"success"_s, true } });
    if (onSessionEnded)
        reply.then = [notify = onSessionEnded, digest] { notify(digest); };
    return reply;
}

ApiRoutes::Reply ApiRoutes::resetPoste(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const QString code = reader.requiredString(u"company_code");
    const QString poste = reader.requiredString(u"poste");
    const std::optional<qint64> user = m_store.resetPoste(code, poste);
    if (!user)
        return error(404, u"Aucun utilisateur pour ce poste dans cette société"_s);
    qInfo("norvik-server: the secret of user %lld was reset; the next registration takes the workstation",
        *user);
    Reply reply = okReply(QJsonObject { { u"success"_s, true }, { u"message"_s, u"Poste réinitialisé"_s } });
    if (onSecretReset)
        reply.then = [notify = onSecretReset, id = *user] { notify(id); };
    return reply;
}
