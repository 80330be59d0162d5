#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class Store;

// Keeps the store's database connection: notices when it is lost, opens it
// again after pauses that grow from 100 ms to 5 s, and says on stdout when it
// went and when it came back. Changes other instances made in between were
// not heard, so nothing was pushed for them; the log says so rather than
// making the pushes up.
class StoreWatchdog : public QObject
{
    Q_OBJECT

public:
    static constexpr int CheckIntervalMs = 500;
    static constexpr int FirstRetryMs = 100;
    static constexpr int LongestRetryMs = 5000;

    explicit StoreWatchdog(Store &store, QObject *parent = nullptr);

Q_SIGNALS:
    // The connection is back: whatever this instance keeps from the database
    // may be out of date.
    void reconnected();

private:
    void onLost(const QString &reason);
    void attempt();

    Store &m_store;
    QTimer m_check;
    QTimer m_retry;
    QElapsedTimer m_down;
    int m_retryMs = FirstRetryMs;
};
