#include "gatekeeper.h"

#include "credentials.h"
#include "store.h"

#include <QDateTime>

Gatekeeper::Gatekeeper(Store &store)
    : m_store(store)
{ }

qint64 Gatekeeper::now()
{
    return QDateTime::currentSecsSinceEpoch();
}

Caller Gatekeeper::identify(const QByteArray &authorization)
{
    if (authorization.isEmpty())
        return { Caller::Nobody, 0, {} };
    const QByteArray token = Credentials::bearerToken(authorization);
    if (token.isEmpty())
        return { Caller::Rejected, 0, {} };
    const QString digest = Credentials::digest(token);
    if (const std::optional<qint64> user = m_store.userBySecret(digest))
        return { Caller::User, *user, {} };
    if (const std::optional<Store::Session> session = m_store.useSession(digest, now(), SessionIdleSeconds))
        return { Caller::Staff, session->staffId, digest };
    return { Caller::Rejected, 0, {} };
}

bool Gatekeeper::sessionAlive(const QString &sessionDigest)
{
    return m_store.sessionAlive(sessionDigest, now(), SessionIdleSeconds);
}
