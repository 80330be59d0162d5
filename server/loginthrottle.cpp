#include "loginthrottle.h"

void LoginThrottle::forgetOld(std::deque<qint64> &failures) const
{
    const qint64 now = m_clock.elapsed();
    while (!failures.empty() && now - failures.front() >= WindowMs)
        failures.pop_front();
}

int LoginThrottle::retryAfter(const QString &key)
{
    const auto it = m_failures.find(key);
    if (it == m_failures.end())
        return 0;
    forgetOld(it->second);
    if (it->second.empty()) {
        m_failures.erase(it);
        return 0;
    }
    if (qsizetype(it->second.size()) < MaxFailures)
        return 0;
    const qint64 waitMs = it->second.front() + WindowMs - m_clock.elapsed();
    return int((waitMs + 999) / 1000);
}

void LoginThrottle::fail(const QString &key)
{
    // Keys that failed once and never came back would otherwise pile up.
    if (m_failures.size() > MaxKeys) {
        for (auto it = m_failures.begin(); it != m_failures.end();) {
            forgetOld(it->second);
            it = it->second.empty() ? m_failures.erase(it) : std::next(it);
        }
    }
    std::deque<qint64> &failures = m_failures[key];
    forgetOld(failures);
    failures.push_back(m_clock.elapsed());
}
