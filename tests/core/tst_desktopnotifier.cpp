#include "core/configuration.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "loopbackwebsocketserver.h"
#include "notificationdaemon.h"
#include "testing.h"

#include <QCoreApplication>
#include <QScopeGuard>

// Desktop notifications over a private bus: replacement by identifier,
// escaping for services that read markup, the fallback, and what the user
// notices of a push from the server (shown by dunst under X, by the fallback
// otherwise).
class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
        m_notifier.setFallback([this](const QString &title, const QString &body) {
            m_fallbackTexts.append({ title, body });
        });
        // Before dunst starts, whichever test runs, the bus has no
        // notification service: the text goes to the fallback.
        QSignalSpy fellBack(&m_notifier, &DesktopNotifier::fellBack);
        m_notifier.notify(u"ticket-closed-3"_s, u"Ticket fermé"_s, u"Résolu"_s);
        QVERIFY(fellBack.wait(10000));
        QCOMPARE(fellBack.first().first().toString(), u"ticket-closed-3"_s);
        QCOMPARE(m_fallbackTexts, (QList<QPair<QString, QString>> { { u"Ticket fermé"_s, u"Résolu"_s } }));
        QCOMPARE(m_notifier.notificationId(u"ticket-closed-3"_s), 0u);
    }

    void cleanupTestCase() { m_daemon.stop(); }

    void dunst_quickRepeatLeavesOne_closedIsForgotten()
    {
        if (!NotificationDaemon::hasDisplay())
            QSKIP("dunst needs an X display: run the tests under xvfb-run");
        const QString error = startDunst();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_daemon.closeAllAndReadHistory();
        QSignalSpy delivered(&m_notifier, &DesktopNotifier::delivered);
        // The second request leaves before the service answered the first.
        m_notifier.notify(u"ticket-closed-8"_s, u"Ticket fermé"_s, u"premier"_s);
        m_notifier.notify(u"ticket-closed-8"_s, u"Ticket fermé"_s, u"second"_s);
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 2, 10000);
        QCOMPARE(delivered.at(0).at(1), delivered.at(1).at(1));
        QCOMPARE(m_daemon.displayedCount(), 1);
        const QList<QVariantMap> history = m_daemon.closeAllAndReadHistory();
        QVERIFY(!history.isEmpty());
        QCOMPARE(history.first().value(u"body"_s).toString(), u"second"_s);

        const uint first = deliver(u"ticket-closed-9"_s, u"Ticket fermé"_s, u"un"_s);
        QVERIFY(first != 0);
        QCOMPARE(m_notifier.notificationId(u"ticket-closed-9"_s), first);
        m_daemon.closeAllAndReadHistory();
        // The service reports the closing; the id must not be reused for this
        // identifier, since the service may hand it to another program.
        QTRY_COMPARE_WITH_TIMEOUT(m_notifier.notificationId(u"ticket-closed-9"_s), 0u, 10000);
        const uint second = deliver(u"ticket-closed-9"_s, u"Ticket fermé"_s, u"deux"_s);
        QVERIFY(second != 0 && second != first);
        QCOMPARE(m_daemon.displayedCount(), 1);
        m_daemon.closeAllAndReadHistory();
    }

    void dunst_markupOn_textEscaped_markupOff_keptAsIs_data()
    {
        QTest::addColumn<QByteArray>("markup"); // dunst's setting: it advertises body-markup unless "no"
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");
        QTest::newRow("markup on")
            << "full"_ba << u"Ticket &lt;b&gt; &amp; co"_s
            << u"&lt;a href=\"https://x.example\"&gt;ici&lt;/a&gt; &amp;amp; &lt;i&gt;"_s;
        QTest::newRow("markup off") << "no"_ba << u"Ticket <b> & co"_s
                                    << u"<a href=\"https://x.example\">ici</a> &amp; <i>"_s;
    }

    void dunst_markupOn_textEscaped_markupOff_keptAsIs()
    {
        QFETCH(QByteArray, markup);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        if (!NotificationDaemon::hasDisplay())
            QSKIP("dunst needs an X display: run the tests under xvfb-run");
        const QString error = startDunst("[global]\n    markup = " + markup + "\n");
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString identifier = u"ticket-closed-"_s + QString::fromLatin1(markup);
        QVERIFY(
            deliver(identifier, u"Ticket <b> & co"_s, u"<a href=\"https://x.example\">ici</a> &amp; <i>"_s));
        const QList<QVariantMap> history = m_daemon.closeAllAndReadHistory();
        QVERIFY(!history.isEmpty());
        QCOMPARE(history.first().value(u"summary"_s).toString(), summary);
        QCOMPARE(history.first().value(u"body"_s).toString(), body);
    }

    void push_showsNotificationAndBadge_data()
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
        // The text for a close without a message is read in tst_appprocess, a
        // ticket's own title in tst_records.
        QTest::newRow("closed, spaces only")
            << closed(7, u"   "_s) << u"ticket-closed-7"_s << u"Ticket fermé"_s << u"   "_s;
        QTest::newRow("new, blank title") << created({ { u"id"_s, 9 }, { u"titre"_s, u" \n\t"_s } })
                                          << u"ticket-9"_s << u"Nouveau ticket"_s << u"Sans titre"_s;
    }

    void push_showsNotificationAndBadge()
    {
        QFETCH(QJsonObject, push);
        QFETCH(QString, identifier);
        QFETCH(QString, title);
        QFETCH(QString, body);
        LoopbackWebSocketServer server;
        QVERIFY(server.listen());
        WebSocketService channel({ .wsURL = server.url() }, m_settings);
        RealtimeWiring wiring(channel, m_notifier, m_unread);
        m_unread.setHasUnreadNotification(false);
        const auto stop = qScopeGuard([&] {
            wiring.shutdown();
            (void)QTest::qWaitFor([&] { return channel.findChildren<QWebSocket *>().isEmpty(); });
        });
        wiring.start();
        QTRY_VERIFY(server.peerCount() == 1 && server.last().received.size() == 1);

        QSignalSpy delivered(&m_notifier, &DesktopNotifier::delivered);
        QSignalSpy fellBack(&m_notifier, &DesktopNotifier::fellBack);
        server.last().socket->sendTextMessage(QString::fromUtf8(QJsonDocument(push).toJson()));
        QTRY_VERIFY_WITH_TIMEOUT(!delivered.isEmpty() || !fellBack.isEmpty(), 10000);
        QPair<QString, QString> shown;
        if (!fellBack.isEmpty()) {
            QCOMPARE(fellBack.first().first().toString(), identifier);
            shown = m_fallbackTexts.last();
        } else {
            QCOMPARE(delivered.first().first().toString(), identifier);
            for (const QVariantMap &entry : m_daemon.closeAllAndReadHistory())
                if (entry.value(u"id"_s).toUInt() == delivered.first().at(1).toUInt())
                    shown = { entry.value(u"summary"_s).toString(), entry.value(u"body"_s).toString() };
        }
        QCOMPARE(shown, (QPair<QString, QString> { title, body }));
        QVERIFY(m_unread.hasUnreadNotification());
    }

private:
    // Starts dunst unless it runs already, always when given a configuration:
    // empty, or what went wrong.
    QString startDunst(const QByteArray &configuration = {})
    {
        QString error;
        if (!m_dunstStarted || !configuration.isEmpty())
            m_dunstStarted = m_daemon.startDunst(&error, configuration);
        return error;
    }
    uint deliver(const QString &identifier, const QString &title, const QString &body)
    {
        QSignalSpy delivered(&m_notifier, &DesktopNotifier::delivered);
        m_notifier.notify(identifier, title, body);
        if (!delivered.wait(10000) || delivered.first().at(0).toString() != identifier)
            return 0;
        return delivered.first().at(1).toUInt();
    }

    QTemporaryDir m_config;
    NotificationDaemon m_daemon;
    bool m_dunstStarted = false;
    QList<QPair<QString, QString>> m_fallbackTexts;
    UserSettings m_settings { m_config.filePath(u"NorvikSupport.conf"_s) };
    // The session bus is connected on first use, after initTestCase set it.
    DesktopNotifier m_notifier;
    NotificationState m_unread;
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
