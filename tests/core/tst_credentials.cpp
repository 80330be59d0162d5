#include "core/credentialstore.h"
#include "notificationdaemon.h"
#include "runtask.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Kind = CredentialStore::Kind;

// The credentials against a real Secret Service (gnome-keyring on a private
// session bus) and the user-only file that stands in when none answers.
class TestCredentials : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { m_bus.stop(); }
    void keyring_takesOverALeftFile_keepsBothOutOfAnyFile_forgetsThem();
    void noKeyring_saysSoOnce_keepsThemInAFileOnlyTheUserReads();

private:
    bool startKeyring(QProcess &keyring);
    QString fallbackPath() const { return m_home.filePath(u"state/norvik-support/credentials.json"_s); }

    QTemporaryDir m_home;
    NotificationDaemon m_bus;
};

void TestCredentials::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before anything connects to a session bus: the keyring library reads it once.
    QString error;
    QVERIFY2(m_bus.startBus(&error), qPrintable(error));
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(u"state"_s)));
    qunsetenv("XDG_CURRENT_DESKTOP");
}

bool TestCredentials::startKeyring(QProcess &keyring)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_home.path());
    environment.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home.path());
    keyring.setProcessEnvironment(environment);
    keyring.start(u"gnome-keyring-daemon"_s,
        { u"--foreground"_s, u"--components=secrets"_s, u"--unlock"_s, u"--replace"_s });
    if (!keyring.waitForStarted(5000))
        return false;
    // The password unlocks, and first creates, the login keyring; an empty
    // one would create none.
    keyring.write("norvik-test");
    keyring.closeWriteChannel();
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return QTest::qWaitFor(
        [bus] { return bus->isServiceRegistered(u"org.freedesktop.secrets"_s).value(); }, 10000);
}

void TestCredentials::keyring_takesOverALeftFile_keepsBothOutOfAnyFile_forgetsThem()
{
    // What a launch without a keyring left behind.
    QVERIFY(QDir().mkpath(QFileInfo(fallbackPath()).path()));
    QFile file(fallbackPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"user_secret":"secret-from-the-file","staff_session":"session-from-the-file"})");
    file.close();

    QProcess keyring;
    QVERIFY(startKeyring(keyring));
    const QString service = u"norvik-support-test"_s;
    {
        CredentialStore moved(service, fallbackPath());
        RunTask::run(moved.load());
        QVERIFY(!moved.usesFallback());
        QCOMPARE(moved.value(Kind::UserSecret), u"secret-from-the-file"_s);
        QCOMPARE(moved.value(Kind::StaffSession), u"session-from-the-file"_s);
        QVERIFY(!QFile::exists(fallbackPath()));
        CredentialStore fromKeyring(service, fallbackPath());
        RunTask::run(fromKeyring.load());
        QCOMPARE(fromKeyring.value(Kind::StaffSession), u"session-from-the-file"_s);
    }
    {
        CredentialStore store(service, fallbackPath());
        QSignalSpy unavailable(&store, &CredentialStore::keyringUnavailable);
        RunTask::run(store.store(Kind::UserSecret, u"secret-of-the-user"_s));
        RunTask::run(store.store(Kind::StaffSession, u"session-of-the-staff"_s));
        QVERIFY(!store.usesFallback());
        QCOMPARE(unavailable.count(), 0);
    }
    CredentialStore reloaded(service, fallbackPath());
    RunTask::run(reloaded.load());
    QCOMPARE(reloaded.value(Kind::UserSecret), u"secret-of-the-user"_s);
    QCOMPARE(reloaded.value(Kind::StaffSession), u"session-of-the-staff"_s);
    QVERIFY(!QFile::exists(fallbackPath()));

    // Logging out forgets the session; the user's secret stays.
    RunTask::run(reloaded.store(Kind::StaffSession, QString()));
    CredentialStore afterLogout(service, fallbackPath());
    RunTask::run(afterLogout.load());
    QCOMPARE(afterLogout.value(Kind::UserSecret), u"secret-of-the-user"_s);
    QVERIFY(afterLogout.value(Kind::StaffSession).isEmpty());
    RunTask::run(afterLogout.store(Kind::UserSecret, QString()));
    NotificationDaemon::finish(keyring);
}

void TestCredentials::noKeyring_saysSoOnce_keepsThemInAFileOnlyTheUserReads()
{
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.secrets"_s));
    QFile::remove(fallbackPath());
    {
        CredentialStore store(u"norvik-support-test"_s, fallbackPath());
        QSignalSpy unavailable(&store, &CredentialStore::keyringUnavailable);
        RunTask::run(store.load());
        RunTask::run(store.store(Kind::UserSecret, u"secret-of-the-user"_s));
        RunTask::run(store.store(Kind::StaffSession, u"session-of-the-staff"_s));
        QVERIFY(store.usesFallback());
        QCOMPARE(unavailable.count(), 1);
        QVERIFY(unavailable.first().first().toString().contains(u"trousseau"_s));
    }
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions permissions = QFile::permissions(fallbackPath());
    QCOMPARE(permissions & others, QFile::Permissions());
    QCOMPARE(permissions & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner | QFile::WriteOwner);
    CredentialStore reloaded(u"norvik-support-test"_s, fallbackPath());
    RunTask::run(reloaded.load());
    QCOMPARE(reloaded.value(Kind::UserSecret), u"secret-of-the-user"_s);
    QCOMPARE(reloaded.value(Kind::StaffSession), u"session-of-the-staff"_s);
}

QTEST_GUILESS_MAIN(TestCredentials)
#include "tst_credentials.moc"
