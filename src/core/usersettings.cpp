#include "usersettings.h"

#include "log.h"

#include <QCoreApplication>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

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

bool UserSettings::readBool(const char *key, bool whenMissing) const
{
    return m_settings->contains(QLatin1StringView(key)) ? readBool(key) : whenMissing;
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

void UserSettings::write(const char *key, const QVariant &value)
{
    const QString name = QLatin1StringView(key);
    if (!m_uncommitted.contains(name))
        m_uncommitted.insert(name, m_settings->value(name));
    m_settings->setValue(name, value);
    if (writeObserver)
        writeObserver(key);
}

void UserSettings::writeBool(const char *key, bool value)
{
    write(key, value);
}

void UserSettings::writeInteger(const char *key, qint64 value)
{
    write(key, value);
}

void UserSettings::writeText(const char *key, const QString &value)
{
    write(key, value);
}

void UserSettings::reopen()
{
    // QSettings keeps the first error it met for good; only a new handle can
    // tell whether a later write reached the disk. The cached contents of the
    // file, pending writes included, carry over to it.
    const QString path = filePath();
    m_settings.reset();
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool UserSettings::commit()
{
    if (m_settings->status() != QSettings::NoError)
        reopen();
    m_settings->sync();
    // A damaged line, met while the file is parsed for writing, is no failure
    // to write (the file is rewritten clean), but as the first error it would
    // hide one. A second sync on a fresh handle has nothing left to parse:
    // it retries a write that failed and reports on that alone.
    if (m_settings->status() == QSettings::FormatError) {
        reopen();
        m_settings->sync();
    }
    const bool written = m_settings->status() == QSettings::NoError;
    if (!written) {
        logLine(u"❌ Réglages non enregistrés : impossible d'écrire "_s + filePath());
        for (auto it = m_uncommitted.cbegin(); it != m_uncommitted.cend(); ++it) {
            if (it.value().isValid())
                m_settings->setValue(it.key(), it.value());
            else
                m_settings->remove(it.key());
        }
        reopen();
    }
    m_uncommitted.clear();
    return written;
}

QString UserSettings::writeFailureText() const
{
    return QCoreApplication::translate("UserSettings",
        "Impossible d'enregistrer les réglages dans « %1 ». Vérifiez que ce dossier est accessible en "
        "écriture et qu'il reste de la place sur le disque, puis réessayez.")
        .arg(filePath());
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
