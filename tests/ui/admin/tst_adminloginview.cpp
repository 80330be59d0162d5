#include "core/configuration.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "loopbackwebsocketserver.h"
#include "testing.h"
#include "ui/admin/adminloginview.h"
#include "ui/widgets/gradientbutton.h"
#include "viewtestenv.h"

#include <QLineEdit>

using ViewTestEnv::button;
using ViewTestEnv::Shown;

// Administrator mode on and off, with the real-time channel talking to a
// WebSocket server on loopback that records who announced itself.
class TestAdminLoginView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QVERIFY(m_ws.listen());
        Configuration configuration;
        configuration.wsURL = m_ws.url();
        // A lost connection would come back within this; a closed one must not.
        ViewTestEnv::configure(configuration, { .reconnectDelay = std::chrono::milliseconds(200) });
        ViewTestEnv::settings().writeInteger(UserSettings::UserId, 42);
    }

    void init() { ViewTestEnv::settings().writeBool(UserSettings::IsAdmin, false); }

    void cleanup() { ViewTestEnv::channel().disconnect(); }

    void rightPassword_storesModeAndReconnectsAsAdministrator()
    {
        QVERIFY(connectChannel());
        const qsizetype userPeer = m_ws.peerCount() - 1;

        AdminLoginView view(ViewTestEnv::settings(), ViewTestEnv::channel());
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        // Typing the password and Return from the home screen is in tst_adminflow.
        QTest::keyClicks(view.findChild<QLineEdit *>(u"password"_s), u"tulip482"_s);
        QTest::mouseClick(view.findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(ViewTestEnv::settings().readBool(UserSettings::IsAdmin));
        QCOMPARE(binding.count(), 1);
        QVERIFY(!view.isVisible());
        verifyReconnectedAs(userPeer, 9999, u"admin"_s);
    }

    void refusedPasswords_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letter case only") << u"Tulip482"_s;
        QTest::newRow("trailing space") << u"tulip482 "_s;
        QTest::newRow("empty field, Return still tries") << QString();
    }

    void refusedPasswords()
    {
        QFETCH(QString, typed);
        QVERIFY(connectChannel());
        const qsizetype peers = m_ws.peerCount();
        AdminLoginView view(ViewTestEnv::settings(), ViewTestEnv::channel());
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        QTest::keyClicks(view.findChild<QLineEdit *>(u"password"_s), typed);
        QCOMPARE(view.findChild<GradientButton *>()->isEnabled(), !typed.isEmpty());
        QTest::keyClick(view.findChild<QLineEdit *>(u"password"_s), Qt::Key_Return);

        QVERIFY(ViewTestEnv::showsText(&view, u"Mot de passe incorrect"_s));
        QVERIFY(view.isVisible() && view.findChild<QLineEdit *>(u"password"_s)->text().isEmpty());
        QVERIFY(!ViewTestEnv::settings().readBool(UserSettings::IsAdmin));
        QCOMPARE(binding.count(), 0);
        QCOMPARE(m_ws.peerCount(), peers);
        QVERIFY(!m_ws.last().ended); // the user's connection stays up
    }

    void storedFlagShowsThePanel_closeKeepsIt_logoutReconnectsAsTheStoredUser()
    {
        ViewTestEnv::settings().writeBool(UserSettings::IsAdmin, true);
        QVERIFY(connectChannel(9999));
        const qsizetype adminPeer = m_ws.peerCount() - 1;

        AdminLoginView view(ViewTestEnv::settings(), ViewTestEnv::channel());
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        // "Fermer" closes and changes nothing.
        QTest::mouseClick(button(&view, u"Fermer"_s, Shown::Only), Qt::LeftButton);
        QVERIFY(!view.isVisible() && ViewTestEnv::settings().readBool(UserSettings::IsAdmin));
        QCOMPARE(m_ws.peerCount(), adminPeer + 1);
        view.show();
        QTest::mouseClick(button(&view, u"Se déconnecter"_s, Shown::Only), Qt::LeftButton);
        QVERIFY(!ViewTestEnv::settings().readBool(UserSettings::IsAdmin));
        QCOMPARE(binding.count(), 1);
        QVERIFY(!view.isVisible());
        verifyReconnectedAs(adminPeer, 42, u"user"_s);
    }

    void unwritableSettings_keepTheModeAndTheChannel()
    {
        QVERIFY(connectChannel());
        const qsizetype peers = m_ws.peerCount();
        AdminLoginView view(ViewTestEnv::settings(), ViewTestEnv::channel());
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        {
            ViewTestEnv::UnwritableSettings blocked;
            QTest::keyClicks(view.findChild<QLineEdit *>(u"password"_s), u"tulip482"_s);
            QTest::keyClick(view.findChild<QLineEdit *>(u"password"_s), Qt::Key_Return);
            QVERIFY(ViewTestEnv::showsText(&view, ViewTestEnv::settings().writeFailureText()));
            QVERIFY(view.isVisible() && !button(&view, u"Se déconnecter"_s, Shown::Only));
        }
        QCOMPARE(binding.count(), 0);
        QVERIFY(!m_ws.last().ended); // still the user's connection
        QCOMPARE(m_ws.peerCount(), peers);
        ViewTestEnv::settings().writeInteger(UserSettings::UserId, 42); // what the blocked directory took away
    }

private:
    // The channel connected and announced as expectedId (42 for the user).
    bool connectChannel(qint64 expectedId = 42)
    {
        const qsizetype peers = m_ws.peerCount();
        WebSocketService &channel = ViewTestEnv::channel();
        channel.allowReconnection();
        channel.connect();
        if (!QTest::qWaitFor(
                [&] { return m_ws.peerCount() > peers && !m_ws.last().received.isEmpty(); }, 10000))
            return false;
        return announcement(m_ws.last()).value(u"userId"_s).toInteger() == expectedId;
    }

    // The connection of peer dropped at once and, 0.3 s later, a new one announced as id/type.
    void verifyReconnectedAs(qsizetype peer, qint64 id, const QString &type)
    {
        QCOMPARE(m_ws.peerCount(), peer + 1);
        QTRY_VERIFY(m_ws.peer(peer).ended);
        QTRY_COMPARE_WITH_TIMEOUT(m_ws.peerCount(), peer + 2, 5000);
        QTRY_VERIFY(!m_ws.last().received.isEmpty());
        const QJsonObject hello = announcement(m_ws.last());
        QCOMPARE(hello.value(u"userId"_s).toInteger(), id);
        QCOMPARE(hello.value(u"userType"_s).toString(), type);
    }

    QJsonObject announcement(LoopbackWebSocketServer::Peer &peer) const
    {
        return QJsonDocument::fromJson(peer.received.value(0).toUtf8()).object();
    }

    QTemporaryDir m_config;
    LoopbackWebSocketServer m_ws;
};

QTEST_MAIN(TestAdminLoginView)
#include "tst_adminloginview.moc"
