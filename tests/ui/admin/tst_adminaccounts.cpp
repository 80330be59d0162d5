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
#include "ui/admin/companymanagementview.h"
#include "ui/admin/resetposteview.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/gradientbutton.h"
#include "viewtestenv.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
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
    void companies_resetAPoste_itsOldSecretStopsWorking();

private:
    static void addStaff(const ServerProcess &server, const QString &login, const QByteArray &password)
    {
        QProcess staff;
        staff.start(qEnvironmentVariable("NORVIK_SERVER_BIN"), { u"staff"_s, u"add"_s, login, u"--db"_s,
                                                                   server.dbPath() });
        staff.write(password);
        staff.closeWriteChannel();
        QVERIFY(staff.waitForFinished(60000) && staff.exitCode() == 0);
    }

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
    addStaff(server, u"boss"_s, "correct-horse-7");
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

void TestAdminAccounts::companies_resetAPoste_itsOldSecretStopsWorking()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    addStaff(server, u"boss"_s, "correct-horse-7");
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    CredentialStore staffStore(u"norvik-support-test"_s, m_dir.filePath(u"reset-staff.json"_s));
    APIService staffApi(configuration, staffStore);
    RunTask::run(staffApi.staffLogin(u"boss"_s, u"correct-horse-7"_s));
    const qint64 company = RunTask::run(staffApi.createCompany(u"Acme"_s, u"ACME1"_s));
    CredentialStore userStore(u"norvik-support-test"_s, m_dir.filePath(u"reset-user.json"_s));
    APIService userApi(configuration, userStore);
    const qint64 user = RunTask::run(userApi.registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, QString())).userId;
    QCOMPARE(RunTask::run(userApi.getMyTickets(user)).size(), 0);

    CompanyManagementView companies(staffApi);
    companies.show();
    QTRY_VERIFY(companies.findChild<QPushButton *>(u"resetPoste"_s));
    QTest::mouseClick(companies.findChild<QPushButton *>(u"resetPoste"_s), Qt::LeftButton);
    QTRY_VERIFY(companies.findChild<ResetPosteView *>());
    auto *form = companies.findChild<ResetPosteView *>();
    QSignalSpy finished(form, &ResetPosteView::submitFinished);
    // A workstation nobody holds: the server says so and nothing changes.
    QTest::keyClicks(form->findChild<QLineEdit *>(u"poste"_s), u"99"_s);
    QTest::mouseClick(form->findChild<GradientButton *>(u"reset"_s), Qt::LeftButton);
    QVERIFY(finished.wait());
    QVERIFY(ViewTestEnv::showsText(form, u"Aucun utilisateur pour ce poste dans cette société"_s));
    QCOMPARE(RunTask::run(userApi.getMyTickets(user)).size(), 0);

    form->findChild<QLineEdit *>(u"poste"_s)->setText(u"12"_s);
    QTest::keyClick(form->findChild<QLineEdit *>(u"poste"_s), Qt::Key_Return);
    QVERIFY(finished.wait());
    QVERIFY(form->findChild<NoticeBox *>(u"success"_s)->isVisible());
    QSignalSpy rejected(&userApi, &APIService::credentialRejected);
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(userApi.getMyTickets(user)));
    QCOMPARE(rejected.count(), 1);
    // The next registration of that workstation takes the same user back.
    CredentialStore newMachine(u"norvik-support-test"_s, m_dir.filePath(u"reset-again.json"_s));
    APIService againApi(configuration, newMachine);
    QCOMPARE(RunTask::run(againApi.registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, QString())).userId,
        user);
}

QTEST_MAIN(TestAdminAccounts)
#include "tst_adminaccounts.moc"
