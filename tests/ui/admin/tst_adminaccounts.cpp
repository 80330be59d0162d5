#include "core/apiservice.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "notificationdaemon.h"
#include "protocol/errors.h"
#include "runtask.h"
#include "serverprocess.h"
#include "ui/admin/adminloginview.h"
#include "ui/widgets/gradientbutton.h"
#include "viewtestenv.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

using Kind = CredentialStore::Kind;

// The login sheet against a server that logs the staff in itself, and
// against one that does not, where the password is compared here as always.
class TestAdminAccounts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
    }

    void accountsServer_identifierAndPasswordCheckedThere_logoutEndsTheSession();
    void accountsServer_tooManyTries_saysHowLongToWait();
    void originalServer_passwordComparedHere();

private:
    static void type(AdminLoginView &view, const char *field, const QString &text)
    {
        auto *edit = view.findChild<QLineEdit *>(QString::fromLatin1(field));
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir m_dir;
    NotificationDaemon m_bus;
};

void TestAdminAccounts::accountsServer_identifierAndPasswordCheckedThere_logoutEndsTheSession()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    QProcess staff;
    staff.start(qEnvironmentVariable("NORVIK_SERVER_BIN"),
        { u"staff"_s, u"add"_s, u"boss"_s, u"--db"_s, server.dbPath() });
    staff.write("correct-horse-7");
    staff.closeWriteChannel();
    QVERIFY(staff.waitForFinished(60000) && staff.exitCode() == 0);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    configuration.wsURL = server.wsUrl();
    UserSettings settings(m_dir.filePath(u"accounts.conf"_s));
    CredentialStore store(u"norvik-support-test"_s, m_dir.filePath(u"accounts.json"_s));
    APIService api(configuration, store);
    WebSocketService channel(configuration, settings, store);

    AdminLoginView view(settings, channel, api);
    QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
    view.show();
    QTRY_VERIFY(view.findChild<QLineEdit *>(u"login"_s)->isVisible());
    type(view, "login", u"boss"_s);
    type(view, "password", u"wrong"_s);
    QTest::mouseClick(view.findChild<GradientButton *>(), Qt::LeftButton);
    QTRY_VERIFY(ViewTestEnv::showsText(&view, u"Identifiant ou mot de passe incorrect"_s));
    QVERIFY(!settings.readBool(UserSettings::IsAdmin));

    type(view, "password", u"correct-horse-7"_s);
    QTest::mouseClick(view.findChild<GradientButton *>(), Qt::LeftButton);
    QTRY_COMPARE(binding.count(), 1);
    QVERIFY(settings.readBool(UserSettings::IsAdmin));
    QVERIFY(!store.value(Kind::StaffSession).isEmpty());
    QCOMPARE(RunTask::run(api.getAllTickets()).size(), 0);

    const QString session = store.value(Kind::StaffSession);
    AdminLoginView adminFace(settings, channel, api);
    adminFace.show();
    adminFace.logout();
    QVERIFY(!settings.readBool(UserSettings::IsAdmin));
    QTRY_VERIFY(store.value(Kind::StaffSession).isEmpty());
    // Ended on the server too, not only forgotten here.
    RunTask::run(store.store(Kind::StaffSession, session));
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getAllTickets()));
    channel.disconnect();
}

void TestAdminAccounts::accountsServer_tooManyTries_saysHowLongToWait()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    UserSettings settings(m_dir.filePath(u"throttled.conf"_s));
    CredentialStore store(u"norvik-support-test"_s, m_dir.filePath(u"throttled.json"_s));
    APIService api(configuration, store);
    WebSocketService channel(configuration, settings, store);

    AdminLoginView view(settings, channel, api);
    view.show();
    QTRY_VERIFY(view.findChild<QLineEdit *>(u"login"_s)->isVisible());
    type(view, "login", u"nobody"_s);
    const auto refusedWith = [&view](const QString &start) {
        return std::ranges::any_of(view.findChildren<QLabel *>(),
            [&](QLabel *label) { return label->isVisibleTo(&view) && label->text().startsWith(start); });
    };
    for (int attempt = 1; attempt <= 6; ++attempt) {
        type(view, "password", u"guess-%1"_s.arg(attempt));
        QTest::keyClick(view.findChild<QLineEdit *>(u"password"_s), Qt::Key_Return);
        QTRY_VERIFY(view.findChild<QLineEdit *>(u"password"_s)->text().isEmpty());
    }
    QTRY_VERIFY(refusedWith(u"Trop de tentatives : réessayez dans "_s));
    QVERIFY(!settings.readBool(UserSettings::IsAdmin));
}

void TestAdminAccounts::originalServer_passwordComparedHere()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    UserSettings settings(m_dir.filePath(u"original.conf"_s));
    CredentialStore store(u"norvik-support-test"_s, m_dir.filePath(u"original.json"_s));
    APIService api(configuration, store);
    WebSocketService channel(configuration, settings, store);

    AdminLoginView view(settings, channel, api);
    QSignalSpy binding(&view, &AdminLoginView::isAdminChanged);
    view.show();
    type(view, "password", u"tulip482"_s);
    QTest::keyClick(view.findChild<QLineEdit *>(u"password"_s), Qt::Key_Return);
    QTRY_COMPARE(binding.count(), 1);
    QVERIFY(settings.readBool(UserSettings::IsAdmin));
    QVERIFY(!view.findChild<QLineEdit *>(u"login"_s)->isVisibleTo(&view));
    // The server was only asked whether it logs the staff in; nothing was sent to it.
    for (const HttpTestRequest &request : server.requests())
        QCOMPARE(request.method, "GET"_ba);
    channel.disconnect();
}

QTEST_MAIN(TestAdminAccounts)
#include "tst_adminaccounts.moc"
