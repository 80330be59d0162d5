#include "failedunits.h"

#include "systemreport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QJsonArray>

using namespace Qt::StringLiterals;

QDBusArgument &operator<<(QDBusArgument &argument, const SystemdUnit &unit)
{
    argument.beginStructure();
    argument << unit.name << unit.description << unit.loadState << unit.activeState << unit.subState
             << unit.following << unit.path << unit.jobId << unit.jobType << unit.jobPath;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SystemdUnit &unit)
{
    argument.beginStructure();
    argument >> unit.name >> unit.description >> unit.loadState >> unit.activeState >> unit.subState
        >> unit.following >> unit.path >> unit.jobId >> unit.jobType >> unit.jobPath;
    argument.endStructure();
    return argument;
}

namespace FailedUnits {

void registerTypes()
{
    qDBusRegisterMetaType<SystemdUnit>();
    qDBusRegisterMetaType<QList<SystemdUnit>>();
}

void query(const QDBusConnection &bus, int timeoutMs, QObject *context,
    std::function<void(const QJsonValue &units, bool anyFailed)> done)
{
    registerTypes();
    if (!bus.isConnected()) {
        done(unavailableText(QCoreApplication::translate("SystemReport", "bus D-Bus absent")), false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.systemd1"_s,
        u"/org/freedesktop/systemd1"_s, u"org.freedesktop.systemd1.Manager"_s, u"ListUnitsFiltered"_s);
    call << QStringList { u"failed"_s };
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done] {
        watcher->deleteLater();
        const QDBusPendingReply<QList<SystemdUnit>> reply = *watcher;
        if (reply.isError()) {
            done(unavailableText(reply.error().message()), false);
            return;
        }
        QJsonArray names;
        for (const SystemdUnit &unit : reply.value())
            names.append(unit.description.isEmpty() ? unit.name : unit.name + u" ("_s + unit.description + u')');
        done(names, !names.isEmpty());
    });
}

} // namespace FailedUnits
