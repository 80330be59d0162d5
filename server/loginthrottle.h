#pragma once

#include <QElapsedTimer>
#include <QString>
#include <deque>
#include <map>

// Counts failed staff logins per key (a login, an address) over the last
// minute; past the limit the key is refused until its oldest failure leaves
// the window. Kept by each instance for itself: a guesser spread over
// several instances gets as many tries per minute as there are instances.
class LoginThrottle
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr qint64 WindowMs = 60000;
    static constexpr std::size_t MaxKeys = 4096;

    LoginThrottle() { m_clock.start(); }

    // Seconds to wait before trying again; 0 when the key may try now.
    int retryAfter(const QString &key);
    void fail(const QString &key);
    void succeed(const QString &key) { m_failures.erase(key); }

private:
    void forgetOld(std::deque<qint64> &failures) const;

    QElapsedTimer m_clock;
    std::map<QString, std::deque<qint64>> m_failures;
};
