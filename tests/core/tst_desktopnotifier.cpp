#include "core/desktopnotifier.h"
#include "notificationdaemon.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Watches the private bus for Notify calls and keeps what dbus-monitor
// printed of them: the arguments exactly as they went over the wire.
class BusMonitor
{
public:
    ~BusMonitor() { NotificationDaemon::finish(m_process); }

    bool start()
    {
        m_process.start(u"dbus-monitor"_s,
            { u"type='method_call',interface='org.freedesktop.Notifications',member='Notify'"_s });
        // It is listening once the bus took its name back from it.
        return m_process.waitForStarted(5000)
            && QTest::qWaitFor([this] { return read().contains("NameLost"); }, 10000);
    }

    QByteArray read()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// Desktop notifications over a private bus: the call as it goes over the
// wire, replacement by identifier, and the fallback. What dunst shows of a
// push is read in the real-time wiring test.
class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void noService_textGoesToFallback();
    void notify_sendsNameIconSoundAndEntry();
    void dunst_quickRepeat_leavesOneNotification();
    void dunst_closedNotification_isForgotten();
    void dunst_markupOn_textEscaped_markupOff_keptAsIs_data();
    void dunst_markupOn_textEscaped_markupOff_keptAsIs();

private:
    void requireDunst();
    uint deliver(const QString &identifier, const QString &title, const QString &body);

    NotificationDaemon m_daemon;
    bool m_dunstStarted = false;
    QList<QPair<QString, QString>> m_fallbackTexts;
};

void TestDesktopNotifier::initTestCase()
{
    // The session bus is connected on first use, which comes after this.
    QString error;
    QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
    DesktopNotifier::shared().setFallback([this](const QString &title, const QString &body) {
        m_fallbackTexts.append({ title, body });
    });
}

void TestDesktopNotifier::cleanupTestCase()
{
    m_daemon.stop();
}

void TestDesktopNotifier::requireDunst()
{
    if (!NotificationDaemon::hasDisplay())
        QSKIP("dunst needs an X display: run the tests under xvfb-run");
    if (!m_dunstStarted) {
        QString error;
        QVERIFY2(m_daemon.startDunst(&error), qPrintable(error));
        m_dunstStarted = true;
    }
}

uint TestDesktopNotifier::deliver(const QString &identifier, const QString &title, const QString &body)
{
    QSignalSpy delivered(&DesktopNotifier::shared(), &DesktopNotifier::delivered);
    DesktopNotifier::shared().notify(identifier, title, body);
    if (!delivered.wait(10000) || delivered.first().at(0).toString() != identifier)
        return 0;
    return delivered.first().at(1).toUInt();
}

void TestDesktopNotifier::noService_textGoesToFallback()
{
    // Runs before dunst starts: the bus has no notification service.
    QSignalSpy fellBack(&DesktopNotifier::shared(), &DesktopNotifier::fellBack);
    DesktopNotifier::shared().notify(u"ticket-closed-3"_s, u"Ticket fermé"_s, u"Résolu"_s);
    QVERIFY(fellBack.wait(10000));
    QCOMPARE(fellBack.first().first().toString(), u"ticket-closed-3"_s);
    QCOMPARE(m_fallbackTexts, (QList<QPair<QString, QString>> { { u"Ticket fermé"_s, u"Résolu"_s } }));
    QCOMPARE(DesktopNotifier::shared().notificationId(u"ticket-closed-3"_s), 0u);
}

void TestDesktopNotifier::notify_sendsNameIconSoundAndEntry()
{
    requireDunst();
    BusMonitor monitor;
    QVERIFY(monitor.start());
    const uint first = deliver(u"ticket-5"_s, u"Nouveau ticket"_s, u"Écran noir"_s);
    QVERIFY(first != 0);
    QVERIFY(deliver(u"ticket-5"_s, u"Nouveau ticket"_s, u"Écran noir (bis)"_s) == first);

    QVERIFY(QTest::qWaitFor([&monitor] { return monitor.read().count("member=Notify") == 2; }, 10000));
    const QString calls = QString::fromUtf8(monitor.read()).simplified();
    const QString expected
        = u"string \"Norvik Support\" uint32 %1 string \"norvik-support\" string \"Nouveau ticket\" "
          u"string \"Écran noir%2\" array [ ] array [ dict entry( string \"%3\" variant string "
          u"\"%4\" ) dict entry( string \"%5\" variant string \"%6\" ) ] int32 -1"_s;
    // QVariantMap keeps its keys sorted: desktop-entry before sound-name.
    const auto call = [&](uint replaces, const QString &suffix) {
        return expected.arg(replaces).arg(
            suffix, u"desktop-entry"_s, u"norvik-support"_s, u"sound-name"_s, u"message-new-instant"_s);
    };
    QVERIFY2(calls.contains(call(0, QString())), qPrintable(calls));
    QVERIFY2(calls.contains(call(first, u" (bis)"_s)), qPrintable(calls));
    m_daemon.closeAllAndReadHistory();
}

void TestDesktopNotifier::dunst_quickRepeat_leavesOneNotification()
{
    requireDunst();
    m_daemon.closeAllAndReadHistory();
    QSignalSpy delivered(&DesktopNotifier::shared(), &DesktopNotifier::delivered);
    // The second request leaves before the service answered the first.
    DesktopNotifier::shared().notify(u"ticket-closed-8"_s, u"Ticket fermé"_s, u"premier"_s);
    DesktopNotifier::shared().notify(u"ticket-closed-8"_s, u"Ticket fermé"_s, u"second"_s);
    QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 2, 10000);
    QCOMPARE(delivered.at(0).at(1), delivered.at(1).at(1));
    QCOMPARE(m_daemon.displayedCount(), 1);
    const QList<QVariantMap> history = m_daemon.closeAllAndReadHistory();
    QVERIFY(!history.isEmpty());
    QCOMPARE(history.first().value(u"body"_s).toString(), u"second"_s);
}

void TestDesktopNotifier::dunst_closedNotification_isForgotten()
{
    requireDunst();
    const uint first = deliver(u"ticket-closed-9"_s, u"Ticket fermé"_s, u"un"_s);
    QVERIFY(first != 0);
    QCOMPARE(DesktopNotifier::shared().notificationId(u"ticket-closed-9"_s), first);
    m_daemon.closeAllAndReadHistory();
    // The service reports the closing; the id must not be reused for this
    // identifier, since the service may hand it to another program.
    QTRY_COMPARE_WITH_TIMEOUT(DesktopNotifier::shared().notificationId(u"ticket-closed-9"_s), 0u, 10000);
    const uint second = deliver(u"ticket-closed-9"_s, u"Ticket fermé"_s, u"deux"_s);
    QVERIFY(second != 0 && second != first);
    QCOMPARE(m_daemon.displayedCount(), 1);
    m_daemon.closeAllAndReadHistory();
}

void TestDesktopNotifier::dunst_markupOn_textEscaped_markupOff_keptAsIs_data()
{
    QTest::addColumn<QByteArray>("markup"); // dunst's setting: it advertises body-markup unless "no"
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");
    QTest::newRow("markup on") << "full"_ba << u"Ticket &lt;b&gt; &amp; co"_s
                               << u"&lt;a href=\"https://x.example\"&gt;ici&lt;/a&gt; &amp;amp; &lt;i&gt;"_s;
    QTest::newRow("markup off") << "no"_ba << u"Ticket <b> & co"_s
                                << u"<a href=\"https://x.example\">ici</a> &amp; <i>"_s;
}

void TestDesktopNotifier::dunst_markupOn_textEscaped_markupOff_keptAsIs()
{
    QFETCH(QByteArray, markup);
    QFETCH(QString, summary);
    QFETCH(QString, body);
    if (!NotificationDaemon::hasDisplay())
        QSKIP("dunst needs an X display: run the tests under xvfb-run");
    QString error;
    QVERIFY2(m_daemon.startDunst(&error, "[global]\n    markup = " + markup + "\n"), qPrintable(error));
    m_dunstStarted = true;
    const QString identifier = u"ticket-closed-"_s + QString::fromLatin1(markup);
    QVERIFY(deliver(identifier, u"Ticket <b> & co"_s, u"<a href=\"https://x.example\">ici</a> &amp; <i>"_s));
    const QList<QVariantMap> history = m_daemon.closeAllAndReadHistory();
    QVERIFY(!history.isEmpty());
    QCOMPARE(history.first().value(u"summary"_s).toString(), summary);
    QCOMPARE(history.first().value(u"body"_s).toString(), body);
}

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
