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
        m_env = std::make_unique<ViewTestEnv::Program>(
            configuration, WebSocketOptions { .reconnectDelay = std::chrono::milliseconds(200) });
    }

    void init()
    {
        // An unwritable directory takes the user id away too.
        m_env->settings.writeInteger(UserSettings::UserId, 42);
        m_env->settings.writeBool(UserSettings::IsAdmin, false);
    }

    void cleanup() { m_env->channel.disconnect(); }

    // Typing the right password and Return from the home screen is in tst_adminflow.
    void password_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("blocked"); // the settings directory cannot be written
        QTest::addColumn<QString>("shown"); // empty when the password is taken
        QTest::newRow("right, by the button") << u"tulip482"_s << false << QString();
        // The mode and the channel stay as they were.
        QTest::newRow("right, unwritable settings")
            << u"tulip482"_s << true << m_env->settings.writeFailureText();
        const QString refused = u"Mot de passe incorrect"_s;
        QTest::newRow("letter case only") << u"Tulip482"_s << false << refused;
        QTest::newRow("trailing space") << u"tulip482 "_s << false << refused;
        QTest::newRow("empty field, Return still tries") << QString() << false << refused;
    }

    void password()
    {
        QFETCH(QString, typed);
        QFETCH(bool, blocked);
        QFETCH(QString, shown);
        const bool accepted = shown.isEmpty();
        QVERIFY(connectChannel());
        const qsizetype userPeer = m_ws.peerCount() - 1;
        AdminLoginView view(m_env->settings, m_env->channel);
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        auto *field = view.findChild<QLineEdit *>(u"password"_s);
        QTest::keyClicks(field, typed);
        QCOMPARE(view.findChild<GradientButton *>()->isEnabled(), !typed.isEmpty());
        std::optional<ViewTestEnv::UnwritableSettings> unwritable;
        if (blocked)
            unwritable.emplace(*m_env);
        accepted ? QTest::mouseClick(view.findChild<GradientButton *>(), Qt::LeftButton)
                 : QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(m_env->settings.readBool(UserSettings::IsAdmin), accepted);
        QCOMPARE(binding.count(), accepted ? 1 : 0);
        QCOMPARE(view.isVisible(), !accepted);
        if (accepted)
            return verifyReconnectedAs(userPeer, 9999, u"admin"_s);
        QVERIFY(ViewTestEnv::showsText(&view, shown) && !button(&view, u"Se déconnecter"_s, Shown::Only));
        QVERIFY(blocked || field->text().isEmpty());
        QCOMPARE(m_ws.peerCount(), userPeer + 1);
        QVERIFY(!m_ws.last().ended); // the user's connection stays up
    }

    void storedFlagShowsThePanel_closeKeepsIt_logoutReconnectsAsTheStoredUser()
    {
        m_env->settings.writeBool(UserSettings::IsAdmin, true);
        QVERIFY(connectChannel(9999));
        const qsizetype adminPeer = m_ws.peerCount() - 1;

        AdminLoginView view(m_env->settings, m_env->channel);
        QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
        view.show();
        // "Fermer" closes and changes nothing.
        QTest::mouseClick(button(&view, u"Fermer"_s, Shown::Only), Qt::LeftButton);
        QVERIFY(!view.isVisible() && m_env->settings.readBool(UserSettings::IsAdmin));
        QCOMPARE(m_ws.peerCount(), adminPeer + 1);
        view.show();
        QTest::mouseClick(button(&view, u"Se déconnecter"_s, Shown::Only), Qt::LeftButton);
        QVERIFY(!m_env->settings.readBool(UserSettings::IsAdmin));
        QCOMPARE(binding.count(), 1);
        QVERIFY(!view.isVisible());
        verifyReconnectedAs(adminPeer, 42, u"user"_s);
    }

private:
    // The channel connected and announced as expectedId (42 for the user).
    bool connectChannel(qint64 expectedId = 42)
    {
        const qsizetype peers = m_ws.peerCount();
        WebSocketService &channel = m_env->channel;
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
    std::unique_ptr<ViewTestEnv::Program> m_env;
};

QTEST_MAIN(TestAdminLoginView)
#include "tst_adminloginview.moc"
