#pragma once

#include <QHash>
#include <functional>

// Lets through at most one typing signal per ticket within an interval: a
// staff member's every keystroke must not become a push. The clock (in
// milliseconds) is a parameter so that the interval can be run through
// without waiting for it.
class TypingThrottle
{
public:
    using Clock = std::function<qint64()>;
    static constexpr qint64 DefaultIntervalMs = 3000;

    explicit TypingThrottle(qint64 intervalMs = DefaultIntervalMs, Clock clock = {});

    // Whether a signal for this ticket goes out now; if so, the interval
    // starts again.
    bool pass(qint64 ticketId);

private:
    qint64 m_intervalMs;
    Clock m_clock;
    QHash<qint64, qint64> m_lastPassed;
};
