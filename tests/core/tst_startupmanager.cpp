#include "core/startupmanager.h"
#include "stdoutcapture.h"
#include "testing.h"

#include <QDir>

class TestStartupManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void status_followsTheEntryAndItsHiddenKey_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("enabled");
        // No entry and a plain one are read in the switching test.
        QTest::newRow("hidden") << "[Desktop Entry]\nType=Application\nHidden=true\n"_ba << false;
        QTest::newRow("hidden with spaces") << "[Desktop Entry]\nHidden = true\n"_ba << false;
        QTest::newRow("hidden in an action group only")
            << "[Desktop Entry]\nExec=x\n[Desktop Action quit]\nHidden=true\n"_ba << true;
    }

    void status_followsTheEntryAndItsHiddenKey()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, enabled);
        writeEntry(content);
        StartupManager manager(entryPath());
        QCOMPARE(manager.isEnabled(), enabled);
    }

    void enableThenDisable_writesAndRemovesTheEntry()
    {
        StdoutCapture log;
        StartupManager manager(entryPath());
        QSignalSpy changed(&manager, &StartupManager::isEnabledChanged);

        manager.enable();
        QVERIFY(manager.isEnabled());
        QFile file(entryPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        QVERIFY(content.startsWith(u"[Desktop Entry]\n"));
        QVERIFY(content.contains(
            u"Exec=" + StartupManager::execLine(QCoreApplication::applicationFilePath()) + u'\n'));

        manager.disable();
        QVERIFY(!manager.isEnabled());
        QVERIFY(!QFile::exists(entryPath()));
        // Disabling what is already disabled is not a failure.
        manager.disable();

        QCOMPARE(log.lines(),
            (QStringList { u"✅ Lancement au démarrage activé"_s, u"❌ Lancement au démarrage désactivé"_s,
                u"❌ Lancement au démarrage désactivé"_s }));
        QCOMPARE(QList<QVariantList>(changed), (QList<QVariantList> { { true }, { false } }));
    }

    void failures_logAndKeepTheRealState()
    {
        // A file where the directory should be: no entry can be written under it,
        // whoever runs the test.
        QFile blocker(m_dir->filePath(u"autostart"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        StdoutCapture log;
        StartupManager manager(entryPath());
        QSignalSpy changed(&manager, &StartupManager::isEnabledChanged);
        // The switch already shows "on"; the manager must pull it back.
        manager.setEnabled(true);
        QVERIFY(!manager.isEnabled());
        QCOMPARE(QList<QVariantList>(changed), QList<QVariantList> { { false } });

        QVERIFY(blocker.remove());
        writeEntry("[Desktop Entry]\nExec=x\n");
        StartupManager enabled(entryPath());
        // A non-empty directory in the entry's place cannot be removed as a file,
        // which holds even for the super-user (unlike a read-only directory).
        QVERIFY(QFile::remove(entryPath()));
        QVERIFY(QDir().mkpath(entryPath() + u"/keep"_s));
        QSignalSpy kept(&enabled, &StartupManager::isEnabledChanged);
        enabled.disable();
        QVERIFY(enabled.isEnabled());
        QVERIFY(kept.isEmpty());

        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 2);
        const QStringList prefixes { u"❌ Erreur en activant le lancement au démarrage : "_s,
            u"⚠️ Impossible de désactiver : "_s };
        for (int i = 0; i < 2; ++i)
            QVERIFY2(lines.at(i).startsWith(prefixes.at(i)) && lines.at(i).size() > prefixes.at(i).size(),
                qPrintable(lines.at(i)));
    }

    void execLine_quotesSpecialCharacters()
    {
        QCOMPARE(StartupManager::execLine(u"/a\"b$c`d\\e"_s), u"\"/a\\\"b\\$c\\`d\\\\e\""_s);
    }

private:
    QString entryPath() const { return m_dir->filePath(u"autostart/norvik-support.desktop"_s); }
    void writeEntry(const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(m_dir->filePath(u"autostart"_s)));
        QFile file(entryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestStartupManager)
#include "tst_startupmanager.moc"
