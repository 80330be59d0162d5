#include "channeltest.h"
#include "core/configuration.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "loopbackwebsocketserver.h"
#include "notificationdaemon.h"
#include "protocol/records.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// From the server's push to what the user notices: the badge and the desktop
// notification, shown by dunst where an X display is available and by the
// fallback otherwise. The start-up order of the channel is read on the built
// program's log, and the channel's own dispatch on a loopback server.
class TestRealtimeWiring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void push_showsNotificationAndBadge_data();
    void push_showsNotificationAndBadge();

private:
    struct Shown
    {
        QString title;
        QString body;
    };
    Shown waitShown(const QString &identifier);
    void startConnected();

    QTemporaryDir m_config;
    NotificationDaemon m_daemon;
    bool m_withDunst = false;
    LoopbackWebSocketServer *m_server = nullptr;
    QList<Shown> m_fallback;
    RealtimeWiring m_wiring { WebSocketService::shared(), DesktopNotifier::shared(),
        NotificationState::shared() };
};

void TestRealtimeWiring::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QString error;
    QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
    if (NotificationDaemon::hasDisplay()) {
        QVERIFY2(m_daemon.startDunst(&error), qPrintable(error));
        m_withDunst = true;
    } else {
        qInfo("No X display: notifications are read from the fallback instead of dunst");
    }
    DesktopNotifier::shared().setFallback([this](const QString &title, const QString &body) {
        m_fallback.append({ title, body });
    });
}

void TestRealtimeWiring::init()
{
    m_server = new LoopbackWebSocketServer(this);
    QVERIFY(m_server->listen());
    Configuration configuration;
    configuration.wsURL = m_server->url();
    Configuration::setCurrent(configuration);
    NotificationState::shared().setHasUnreadNotification(false);
    m_fallback.clear();
}

void TestRealtimeWiring::cleanup()
{
    m_wiring.shutdown();
    QTRY_VERIFY(WebSocketService::shared().findChildren<QWebSocket *>().isEmpty());
    delete m_server;
    m_server = nullptr;
}

void TestRealtimeWiring::cleanupTestCase()
{
    m_daemon.stop();
}

void TestRealtimeWiring::startConnected()
{
    m_wiring.start();
    QTRY_COMPARE(m_server->peerCount(), 1);
    QTRY_COMPARE(m_server->last().received.size(), 1);
}

TestRealtimeWiring::Shown TestRealtimeWiring::waitShown(const QString &identifier)
{
    QSignalSpy delivered(&DesktopNotifier::shared(), &DesktopNotifier::delivered);
    QSignalSpy fellBack(&DesktopNotifier::shared(), &DesktopNotifier::fellBack);
    if (!QTest::qWaitFor([&] { return !delivered.isEmpty() || !fellBack.isEmpty(); }, 10000))
        return {};
    if (!fellBack.isEmpty())
        return fellBack.first().first().toString() == identifier && !m_fallback.isEmpty() ? m_fallback.last()
                                                                                          : Shown();
    if (delivered.first().first().toString() != identifier)
        return {};
    const uint id = delivered.first().at(1).toUInt();
    for (const QVariantMap &entry : m_daemon.closeAllAndReadHistory())
        if (entry.value(u"id"_s).toUInt() == id)
            return { entry.value(u"summary"_s).toString(), entry.value(u"body"_s).toString() };
    return {};
}

void TestRealtimeWiring::push_showsNotificationAndBadge_data()
{
    QTest::addColumn<QJsonObject>("push");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");

    const auto closed = [](int id, const QString &message) {
        return QJsonObject { { u"type"_s, u"ticket_closed"_s }, { u"ticketId"_s, id },
            { u"closeMessage"_s, message } };
    };
    const auto created = [](const QJsonObject &ticket) {
        return QJsonObject { { u"type"_s, u"new_ticket"_s }, { u"ticket"_s, ticket } };
    };
    const QString closedTitle = u"Ticket fermé"_s, newTitle = u"Nouveau ticket"_s;
    QTest::newRow("closed, no message") << closed(42, QString()) << u"ticket-closed-42"_s << closedTitle
                                        << u"Votre ticket #42 a été fermé."_s;
    QTest::newRow("closed, spaces only")
        << closed(7, u"   "_s) << u"ticket-closed-7"_s << closedTitle << u"   "_s;
    QTest::newRow("closed, staff message")
        << closed(9, u"Pilote réinstallé, à bientôt"_s) << u"ticket-closed-9"_s << closedTitle
        << u"Pilote réinstallé, à bientôt"_s;
    QTest::newRow("new, titled") << created(
        { { u"id"_s, 7 }, { u"titre"_s, u"Imprimante bloquée"_s }, { u"user_id"_s, 3 } })
                                 << u"ticket-7"_s << newTitle << u"Imprimante bloquée"_s;
    QTest::newRow("new, no title") << created({ { u"id"_s, 8 } }) << u"ticket-8"_s << newTitle
                                   << u"Sans titre"_s;
    QTest::newRow("new, blank title") << created({ { u"id"_s, 9 }, { u"titre"_s, u" \n\t"_s } })
                                      << u"ticket-9"_s << newTitle << u"Sans titre"_s;
}

void TestRealtimeWiring::push_showsNotificationAndBadge()
{
    QFETCH(QJsonObject, push);
    QFETCH(QString, identifier);
    QFETCH(QString, title);
    QFETCH(QString, body);

    startConnected();
    m_server->last().socket->sendTextMessage(QString::fromUtf8(QJsonDocument(push).toJson()));

    const Shown shown = waitShown(identifier);
    QCOMPARE(shown.title, title);
    QCOMPARE(shown.body, body);
    QVERIFY(NotificationState::shared().hasUnreadNotification());
}

QTEST_GUILESS_MAIN(TestRealtimeWiring)
#include "tst_realtimewiring.moc"
