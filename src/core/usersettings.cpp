#include "usersettings.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

UserSettings &UserSettings::shared()
{
    static UserSettings instance(defaultFilePath());
    return instance;
}

UserSettings::UserSettings(const QString &path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{ }

UserSettings::~UserSettings() = default;

QString UserSettings::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/Norvik/NorvikSupport.conf"_s;
}

QString UserSettings::filePath() const
{
    return m_settings->fileName();
}

bool UserSettings::readBool(const char *key) const
{
    const QVariant value = m_settings->value(QLatin1StringView(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // The INI file keeps everything as text; only the two words count.
    const QString text = value.toString();
    return text == u"true";
}

qint64 UserSettings::readInteger(const char *key) const
{
    const QVariant value = m_settings->value(QLatin1StringView(key));
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    return ok ? number : 0;
}

std::optional<QString> UserSettings::readText(const char *key) const
{
    const QVariant value = m_settings->value(QLatin1StringView(key));
    if (!value.isValid())
        return std::nullopt;
    // An unquoted comma in a hand-edited file turns a text into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u", "_s);
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

QString UserSettings::readTextOrEmpty(const char *key) const
{
    return readText(key).value_or(QString());
}

void UserSettings::writeBool(const char *key, bool value)
{
    m_settings->setValue(QLatin1StringView(key), value);
    if (writeObserver)
        writeObserver(key);
}

void UserSettings::writeInteger(const char *key, qint64 value)
{
    m_settings->setValue(QLatin1StringView(key), value);
    if (writeObserver)
        writeObserver(key);
}

void UserSettings::writeText(const char *key, const QString &value)
{
    m_settings->setValue(QLatin1StringView(key), value);
    if (writeObserver)
        writeObserver(key);
}

bool UserSettings::isRegistered() const
{
    return readBool(IsRegistered) && readInteger(UserId) >= 1 && !readTextOrEmpty(UserPoste).isEmpty()
        && !readTextOrEmpty(UserNom).isEmpty() && !readTextOrEmpty(UserPrenom).isEmpty();
}

void UserSettings::reload()
{
    m_settings->sync();
}
