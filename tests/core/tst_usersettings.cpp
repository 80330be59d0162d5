#include "core/usersettings.h"
#include "stdoutcapture.h"
#include "testing.h"

#include <QDir>
#include <QSettings>

class TestUserSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isRegistered_requiresEveryIdentityKey()
    {
        UserSettings settings(path("registered.conf"));
        settings.writeBool(UserSettings::IsRegistered, true);
        settings.writeInteger(UserSettings::UserId, 0);
        settings.writeText(UserSettings::UserPoste, u" "_s); // one space counts as present
        settings.writeText(UserSettings::UserNom, u"Durand"_s);
        settings.writeText(UserSettings::UserPrenom, u"Léa"_s);
        QVERIFY(!settings.isRegistered());
        settings.writeInteger(UserSettings::UserId, 5);
        QVERIFY(settings.isRegistered()); // without a phone number
        settings.writeText(UserSettings::UserPrenom, QString());
        QVERIFY(!settings.isRegistered());
        settings.writeText(UserSettings::UserPrenom, u"Léa"_s);
        settings.writeBool(UserSettings::IsRegistered, false);
        QVERIFY(!settings.isRegistered());
    }

    void handEditedFile_wrongTypesAndMissingKeysReadAsDefaults()
    {
        QFile file(path("edited.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nis_registered=maybe\nuser_id=12abc\nis_admin=1\nuser_nom=Dupont, Jean\n"
                   "company_id=\nuser_prenom\n\xff\xfe garbage line\n[x\n");
        file.close();
        UserSettings settings(file.fileName());
        QCOMPARE(settings.readBool(UserSettings::IsRegistered), false);
        QCOMPARE(settings.readInteger(UserSettings::UserId), 0);
        QCOMPARE(settings.readBool(UserSettings::IsAdmin), false);
        QCOMPARE(settings.readInteger(UserSettings::CompanyId), 0);
        QCOMPARE(settings.readText(UserSettings::UserNom), u"Dupont, Jean"_s);
        QCOMPARE(settings.readText(UserSettings::UserTelephone), std::nullopt);
    }

    void unwritableDirectory_commitFails_storeReadsAsTheFile()
    {
        const QString directory = path("config");
        const QString file = directory + u"/NorvikSupport.conf"_s;
        QVERIFY(QDir().mkpath(directory));
        QSettings(file, QSettings::IniFormat).setValue(QLatin1StringView(UserSettings::UserId), 7);
        UserSettings settings(file);
        QCOMPARE(settings.readInteger(UserSettings::UserId), 7);

        // A directory that has become a regular file cannot be written, even by root.
        QVERIFY(QDir(directory).removeRecursively());
        QFile blocker(directory);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        settings.writeInteger(UserSettings::UserId, 41);
        settings.writeBool(UserSettings::IsRegistered, true);
        StdoutCapture log;
        QVERIFY(!settings.commit());
        const QStringList lines = log.lines();
        log.restore();
        QCOMPARE(lines, QStringList { u"❌ Réglages non enregistrés : impossible d'écrire "_s + file });
        QCOMPARE(settings.readInteger(UserSettings::UserId), 7);
        QVERIFY(!settings.readText(UserSettings::IsRegistered));

        // Once the directory can be made again, the next commit reaches the file.
        QVERIFY(blocker.remove());
        settings.writeInteger(UserSettings::UserId, 42);
        QVERIFY(settings.commit());
        QCOMPARE(
            QSettings(file, QSettings::IniFormat).value(QLatin1StringView(UserSettings::UserId)).toInt(), 42);
    }

private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
};

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
