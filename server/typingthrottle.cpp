#include "typingthrottle.h"

#include <QDeadlineTimer>

TypingThrottle::TypingThrottle(qint64 intervalMs, Clock clock)
    : m_intervalMs(intervalMs)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDeadlineTimer::current().deadline(); }))
{ }

bool TypingThrottle::pass(qint64 ticketId)
{
    const qint64 now = m_clock();
    const auto last = m_lastPassed.constFind(ticketId);
    if (last != m_lastPassed.cend() && now - *last < m_intervalMs)
        return false;
    // Tickets silent for a whole interval are forgotten, so the table holds
    // only those being typed on.
    m_lastPassed.removeIf([&](const auto &entry) { return now - entry.value() >= m_intervalMs; });
    m_lastPassed.insert(ticketId, now);
    return true;
}
