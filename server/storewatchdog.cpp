#include "storewatchdog.h"

#include "serverlog.h"
#include "store.h"

using namespace Qt::StringLiterals;

StoreWatchdog::StoreWatchdog(Store &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    // The driver marks a connection dead as soon as it reads its end, even
    // when no request is running; looking costs no round trip.
    m_check.setInterval(CheckIntervalMs);
    connect(&m_check, &QTimer::timeout, this, [this] { m_store.checkConnection(); });
    m_check.start();
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &StoreWatchdog::attempt);
    connect(&m_store, &Store::connectionLost, this, &StoreWatchdog::onLost);
}

void StoreWatchdog::onLost(const QString &reason)
{
    logLine(u"norvik-server: lost the database connection (%1); reconnecting"_s.arg(reason.simplified()));
    m_down.start();
    m_retryMs = FirstRetryMs;
    m_retry.start(m_retryMs);
}

void StoreWatchdog::attempt()
{
    QString error;
    if (!m_store.reconnect(&error)) {
        m_retryMs = std::min(m_retryMs * 2, LongestRetryMs);
        m_retry.start(m_retryMs);
        return;
    }
    logLine(u"norvik-server: database connection back after %1 ms; changes made through other instances"
            u" in that window were not pushed"_s.arg(m_down.elapsed()));
    Q_EMIT reconnected();
}
