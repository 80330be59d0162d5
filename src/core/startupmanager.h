#pragma once

#include <QObject>
#include <QString>

// Launch at login through the desktop session's autostart entry
// ($XDG_CONFIG_HOME/autostart/norvik-support.desktop). The entry itself is the
// only record: the program is registered when it exists and is not hidden.
// The status is read once, when the object is created.
class StartupManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)

public:
    // A manager over its entry file: defaultEntryPath() for the program,
    // another for tests and tools.
    explicit StartupManager(const QString &entryPath, QObject *parent = nullptr);

    static QString defaultEntryPath();
    // What the entry starts: this executable, quoted for a desktop entry.
    static QString execLine(const QString &program);

    QString entryPath() const { return m_entryPath; }
    bool isEnabled() const { return m_enabled; }

    void enable();
    void disable();
    // For the settings switch: enable or disable. When that fails the switch
    // is told again the state that really holds, so it never shows a
    // registration that did not happen.
    void setEnabled(bool enabled);

    // Reads an entry file: true when it exists and is not marked hidden.
    static bool entryIsEnabled(const QString &entryPath);

Q_SIGNALS:
    void isEnabledChanged(bool enabled);

private:
    void setEnabledState(bool enabled);

    QString m_entryPath;
    bool m_enabled = false;
};
