#pragma once

#include "core/systemreport/failedunits.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

// systemd's manager as far as the report asks it: the failed units it is
// given, or no answer at all while silent.
class FakeSystemd : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Manager")

public:
    QList<SystemdUnit> failed;
    bool silent = false;
    QStringList askedStates;

public Q_SLOTS:
    QList<SystemdUnit> ListUnitsFiltered(const QStringList &states, const QDBusMessage &message)
    {
        askedStates = states;
        if (silent)
            message.setDelayedReply(true); // and never answered
        return failed;
    }
};

// The fake on a connection of its own to the bus at address, under the
// manager's well-known name.
inline bool publish(FakeSystemd &fake, const QString &address, const QString &connectionName)
{
    FailedUnits::registerTypes();
    QDBusConnection connection = QDBusConnection::connectToBus(address, connectionName);
    return connection.isConnected() && connection.registerService(QStringLiteral("org.freedesktop.systemd1"))
        && connection.registerObject(
            QStringLiteral("/org/freedesktop/systemd1"), &fake, QDBusConnection::ExportAllSlots);
}
