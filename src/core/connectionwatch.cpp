#include "connectionwatch.h"

#include <QWebSocket>

using namespace Qt::StringLiterals;

ConnectionWatch::ConnectionWatch(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    m_period.setInterval(m_options.pingPeriod);
    connect(&m_period, &QTimer::timeout, this, [this] { checkNow(m_options.pongDeadline); });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        QWebSocket *socket = m_socket;
        stop();
        if (socket)
            Q_EMIT connectionDead(socket);
    });
    listenForSleep();
    listenToNetwork();
}

void ConnectionWatch::watch(QWebSocket *socket)
{
    stop();
    m_socket = socket;
    // Any frame from the peer proves the path alive, not only the pong.
    connect(socket, &QWebSocket::pong, this, &ConnectionWatch::alive);
    connect(socket, &QWebSocket::textFrameReceived, this, &ConnectionWatch::alive);
    connect(socket, &QWebSocket::binaryFrameReceived, this, &ConnectionWatch::alive);
    m_period.start();
}

void ConnectionWatch::stop()
{
    if (m_socket)
        disconnect(m_socket, nullptr, this, nullptr);
    m_socket = nullptr;
    m_period.stop();
    m_deadline.stop();
}

void ConnectionWatch::checkNow(std::chrono::milliseconds deadline)
{
    if (!m_socket)
        return;
    // A shorter deadline already running stands.
    if (!m_deadline.isActive() || m_deadline.remainingTimeAsDuration() > deadline)
        m_deadline.start(deadline);
    m_socket->ping();
}

void ConnectionWatch::alive()
{
    m_deadline.stop();
}

void ConnectionWatch::listenForSleep()
{
    QDBusConnection bus = m_options.bus.value_or(QDBusConnection::systemBus());
    if (!bus.isConnected())
        return;
    // QtDBus delivers bus signals only to a slot named by its signature.
    bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
        u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, this, SLOT(prepareForSleep(bool)));
}

void ConnectionWatch::prepareForSleep(bool sleeping)
{
    // The peer may have given up on us while we slept, silently for us.
    if (!sleeping)
        checkNow(m_options.resumeDeadline);
}

void ConnectionWatch::listenToNetwork()
{
    // NetworkManager where it runs; elsewhere no backend, and the pings alone.
    if (!QNetworkInformation::loadDefaultBackend())
        return;
    const QNetworkInformation *information = QNetworkInformation::instance();
    if (!information->supports(QNetworkInformation::Feature::Reachability))
        return;
    m_reachable = information->reachability() != QNetworkInformation::Reachability::Disconnected;
    connect(
        information, &QNetworkInformation::reachabilityChanged, this, &ConnectionWatch::reachabilityChanged);
}

void ConnectionWatch::reachabilityChanged(QNetworkInformation::Reachability reachability)
{
    const bool reachable = reachability != QNetworkInformation::Reachability::Disconnected;
    const bool returned = reachable && !m_reachable;
    m_reachable = reachable;
    if (!returned)
        return;
    checkNow(m_options.resumeDeadline);
    Q_EMIT networkReturned();
}
