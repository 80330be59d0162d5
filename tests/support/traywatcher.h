#pragma once

#include <QObject>
#include <QStringList>

// Stands in for a desktop's tray host on a session bus: Qt shows its tray
// icons as StatusNotifierItems when this watcher is registered as
// "org.kde.StatusNotifierWatcher" at "/StatusNotifierWatcher" and says a host
// is present. Records the items that register.
class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        m_items.append(service);
        Q_EMIT itemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString &) { }

Q_SIGNALS:
    // Not exported: only the test listens.
    void itemRegistered(const QString &service);

private:
    QStringList m_items;
};
