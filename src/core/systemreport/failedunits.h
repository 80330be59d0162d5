#pragma once

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QString>
#include <functional>

class QDBusConnection;
class QObject;

// One entry of systemd's ListUnits replies, signature (ssssssouso).
struct SystemdUnit
{
    QString name;
    QString description;
    QString loadState;
    QString activeState;
    QString subState;
    QString following;
    QDBusObjectPath path;
    uint jobId = 0;
    QString jobType;
    QDBusObjectPath jobPath;
};
Q_DECLARE_METATYPE(SystemdUnit)

QDBusArgument &operator<<(QDBusArgument &argument, const SystemdUnit &unit);
const QDBusArgument &operator>>(const QDBusArgument &argument, SystemdUnit &unit);

// The units systemd's manager on bus reports as failed, asked without
// waiting: done gets an array of "name (description)", or the line saying
// why they could not be had, and whether any unit failed. Nothing is
// called once context is gone.
namespace FailedUnits {

void registerTypes();
void query(const QDBusConnection &bus, int timeoutMs, QObject *context,
    std::function<void(const QJsonValue &units, bool anyFailed)> done);

} // namespace FailedUnits
