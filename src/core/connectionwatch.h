#pragma once

#include <QDBusConnection>
#include <QNetworkInformation>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <optional>

class QWebSocket;

struct ConnectionWatchOptions
{
    static constexpr std::chrono::milliseconds DefaultPingPeriod { 25000 };
    static constexpr std::chrono::milliseconds DefaultPongDeadline { 10000 };
    static constexpr std::chrono::milliseconds DefaultResumeDeadline { 5000 };

    std::chrono::milliseconds pingPeriod = DefaultPingPeriod;
    std::chrono::milliseconds pongDeadline = DefaultPongDeadline;
    // After a resume or the network's return, when the connection most
    // likely died meanwhile.
    std::chrono::milliseconds resumeDeadline = DefaultResumeDeadline;
    // Where logind announces sleep and resume; nothing means the system bus.
    std::optional<QDBusConnection> bus;
};

// Tells when an open connection died without a word: a network gone silent
// sends neither FIN nor RST, and the channel only listens, so nothing else
// would ever notice. Pings the peer periodically and at once after a resume
// or the network's return; no answer and no other frame in time is a death.
// Without a bus or a network backend, the periodic pings still do the job.
class ConnectionWatch : public QObject
{
    Q_OBJECT

public:
    using Options = ConnectionWatchOptions;

    explicit ConnectionWatch(const Options &options, QObject *parent = nullptr);

    // Watches socket, open now, from now on; stop() or its end forgets it.
    void watch(QWebSocket *socket);
    void stop();
    // Pings now and gives the peer deadline to show it is alive.
    void checkNow(std::chrono::milliseconds deadline);

    // False only while the system says there is no network at all.
    bool networkReachable() const { return m_reachable; }

Q_SIGNALS:
    // The watched socket showed no sign of life in time.
    void connectionDead(QWebSocket *socket);
    // The network came back after being gone.
    void networkReturned();

private Q_SLOTS:
    // logind's PrepareForSleep: true on the way down, false on resume.
    void prepareForSleep(bool sleeping);

private:
    void listenForSleep();
    void listenToNetwork();
    void reachabilityChanged(QNetworkInformation::Reachability reachability);
    void alive();

    const Options m_options;
    QPointer<QWebSocket> m_socket;
    QTimer m_period;
    QTimer m_deadline;
    bool m_reachable = true;
};
