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
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Before anything connects to a session bus: the keyring library reads it once.
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(u"state"_s)));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void cleanupTestCase() { m_bus.stop(); }

    void keyring_takesOverALeftFile_keepsThemOutOfAnyFile_forgetsTheSession()
    {
        // What a launch without a keyring left behind.
        QVERIFY(QDir().mkpath(QFileInfo(fallbackPath()).path()));
        QFile file(fallbackPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"user_secret":"secret-from-the-file","staff_session":"session-from-the-file"})");
        file.close();

        QProcess keyring;
        QVERIFY(startKeyring(keyring));
        CredentialStore moving(u"norvik-support-test"_s, fallbackPath());
        RunTask::run(moving.load());
        const QStringList fromFile { u"secret-from-the-file"_s, u"session-from-the-file"_s };
        QCOMPARE(values(moving), fromFile);
        // Read back with the file gone: the keyring holds them now.
        QCOMPARE(reloaded(), fromFile);
        QVERIFY(!QFile::exists(fallbackPath()));
        {
            CredentialStore store(u"norvik-support-test"_s, fallbackPath());
            QSignalSpy unavailable(&store, &CredentialStore::keyringUnavailable);
            RunTask::run(store.store(Kind::UserSecret, u"secret-of-the-user"_s));
            // Logging out forgets the session; the user's secret stays.
            RunTask::run(store.store(Kind::StaffSession, QString()));
            QCOMPARE(unavailable.count(), 0);
        }
        QCOMPARE(reloaded(), (QStringList { u"secret-of-the-user"_s, QString() }));
        QVERIFY(!QFile::exists(fallbackPath()));
        NotificationDaemon::finish(keyring);
    }

    void noKeyring_saysSoOnce_keepsThemInAFileOnlyTheUserReads()
    {
        QVERIFY(
            !QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.secrets"_s));
        QFile::remove(fallbackPath());
        {
            CredentialStore store(u"norvik-support-test"_s, fallbackPath());
            QSignalSpy unavailable(&store, &CredentialStore::keyringUnavailable);
            RunTask::run(store.load());
            RunTask::run(store.store(Kind::UserSecret, u"secret-of-the-user"_s));
            RunTask::run(store.store(Kind::StaffSession, u"session-of-the-staff"_s));
            QCOMPARE(unavailable.count(), 1);
            QVERIFY(unavailable.first().first().toString().contains(u"trousseau"_s));
        }
        // Read and written by its owner, nothing for anyone else (the User
        // flags repeat the Owner ones for whoever runs the test).
        const QFile::Permissions runner = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFile::permissions(fallbackPath()) & ~runner, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(reloaded(), (QStringList { u"secret-of-the-user"_s, u"session-of-the-staff"_s }));
    }

private:
    bool startKeyring(QProcess &keyring)
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

    QString fallbackPath() const { return m_home.filePath(u"state/norvik-support/credentials.json"_s); }

    // The user's secret, then the staff's session.
    static QStringList values(const CredentialStore &store)
    {
        return { store.value(Kind::UserSecret), store.value(Kind::StaffSession) };
    }

    // What a store built afresh reads.
    QStringList reloaded() const
    {
        CredentialStore store(u"norvik-support-test"_s, fallbackPath());
        RunTask::run(store.load());
        return values(store);
    }

    QTemporaryDir m_home;
    NotificationDaemon m_bus;
};

QTEST_GUILESS_MAIN(TestCredentials)
#include "tst_credentials.moc"
