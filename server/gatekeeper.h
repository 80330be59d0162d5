#pragma once

#include <QByteArray>
#include <QString>

class Store;

// Who sent a request, as far as its credential says.
struct Caller
{
    // Trusted: the shared-token mode, where the token grants everything.
    // Nobody: no credential. Rejected: a credential that matches nothing
    // (wrong, reset, ended or expired).
    enum Kind { Trusted, Nobody, Rejected, User, Staff };
    Kind kind = Nobody;
    qint64 id = 0; // the user's or the staff member's
    QString sessionDigest; // a staff member's session

    bool isUser(qint64 userId) const { return kind == User && id == userId; }
    bool seesEveryone() const { return kind == Trusted || kind == Staff; }
};

// Turns an Authorization header into a Caller: a user's secret or a staff
// session token, both looked up by digest. Using a session keeps it alive.
class Gatekeeper
{
public:
    static constexpr qint64 SessionIdleSeconds = 12 * 3600;

    explicit Gatekeeper(Store &store);

    // Throws StoreError when the database cannot answer.
    Caller identify(const QByteArray &authorization);
    bool sessionAlive(const QString &sessionDigest);
    static qint64 now();

private:
    Store &m_store;
};
