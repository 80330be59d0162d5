#pragma once

#include "api/apiservice.h"
#include "api/configuration.h"
#include "settings/usersettings.h"
#include "testserver.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

// Shared set-up of the screen tests: a private configuration directory, the
// REST client pointed at a loopback server, and helpers on the settings file.
namespace ViewTestEnv {

// Call first thing in initTestCase, before anything reads a setting or
// builds the REST client.
inline bool prepare(QTemporaryDir &configDir, TestServer &server)
{
    if (!configDir.isValid() || !server.listen())
        return false;
    qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    Configuration::setCurrent(configuration);
    // Keep failing tests short: the client's 60 s time-out would outlast ctest's patience.
    APIService::shared().setTransferTimeout(10000);
    return UserSettings::shared().filePath().startsWith(configDir.path());
}

// Empties the store, file and cache alike.
inline void clearSettings()
{
    UserSettings &settings = UserSettings::shared();
    settings.reload();
    QFile::remove(settings.filePath());
    settings.reload();
}

// The settings file as another process would read it.
inline QVariant storedValue(const char *key)
{
    UserSettings::shared().reload();
    QSettings file(UserSettings::shared().filePath(), QSettings::IniFormat);
    return file.value(QLatin1StringView(key));
}

inline void storeIdentity(qint64 userId, const QString &poste, const QString &nom, const QString &prenom,
    const QString &companyName = QString(), const QString &companyCode = QString())
{
    UserSettings &settings = UserSettings::shared();
    settings.writeInteger(UserSettings::UserId, userId);
    settings.writeText(UserSettings::UserPoste, poste);
    settings.writeText(UserSettings::UserNom, nom);
    settings.writeText(UserSettings::UserPrenom, prenom);
    if (!companyName.isNull())
        settings.writeText(UserSettings::CompanyName, companyName);
    if (!companyCode.isNull())
        settings.writeText(UserSettings::CompanyCode, companyCode);
    settings.writeBool(UserSettings::IsRegistered, true);
}

} // namespace ViewTestEnv

#include <QCoreApplication>
#include <QKeyEvent>

namespace ViewTestEnv {
// Types text key by key, accents included (QTest::keyClicks takes Latin-1
// characters only).
inline void typeText(QObject *widget, const QString &text)
{
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}
} // namespace ViewTestEnv
