#include "startupmanager.h"

#include "log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

StartupManager::StartupManager(const QString &entryPath, QObject *parent)
    : QObject(parent)
    , m_entryPath(entryPath)
    , m_enabled(entryIsEnabled(entryPath))
{ }

QString StartupManager::defaultEntryPath()
{
    // GenericConfigLocation honours $XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/autostart/norvik-support.desktop"_s;
}

QString StartupManager::execLine(const QString &program)
{
    // Desktop entries quote arguments with double quotes and escape ", `, $ and \ inside them.
    QString quoted = program;
    for (const QChar special : { u'\\', u'"', u'`', u'$' })
        quoted.replace(special, u"\\"_s + special);
    return u'"' + quoted + u'"';
}

bool StartupManager::entryIsEnabled(const QString &entryPath)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
        } else if (inMainGroup && line.startsWith(u"Hidden")) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && line.left(equals).trimmed() == u"Hidden"
                && line.mid(equals + 1).trimmed() == u"true")
                return false;
        }
    }
    return true;
}

void StartupManager::enable()
{
    const QFileInfo entry(m_entryPath);
    QString error;
    if (!QDir().mkpath(entry.absolutePath())) {
        error = u"impossible de créer le dossier %1"_s.arg(entry.absolutePath());
    } else {
        QSaveFile file(m_entryPath);
        const QString content
            = u"[Desktop Entry]\n"
              u"Type=Application\n"
              u"Name=Norvik Support\n"
              u"Comment=Support technique Norvik\n"
              u"Exec=%1\n"
              u"Icon=norvik-support\n"
              u"Terminal=false\n"
              u"X-GNOME-Autostart-enabled=true\n"_s.arg(execLine(QCoreApplication::applicationFilePath()));
        // QSaveFile writes beside the entry and renames over it, so a failure
        // leaves whatever was there before untouched.
        if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0 || !file.commit())
            error = file.errorString();
    }
    if (!error.isEmpty()) {
        logLine(u"❌ Erreur en activant le lancement au démarrage : "_s + error);
        return;
    }
    setEnabledState(true);
    logLine(u"✅ Lancement au démarrage activé"_s);
}

void StartupManager::disable()
{
    QFile file(m_entryPath);
    if (file.exists() && !file.remove()) {
        logLine(u"⚠️ Impossible de désactiver : "_s + file.errorString());
        return;
    }
    setEnabledState(false);
    logLine(u"❌ Lancement au démarrage désactivé"_s);
}

void StartupManager::setEnabled(bool enabled)
{
    if (enabled)
        enable();
    else
        disable();
    if (m_enabled != enabled)
        Q_EMIT isEnabledChanged(m_enabled);
}

void StartupManager::setEnabledState(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Q_EMIT isEnabledChanged(enabled);
}
