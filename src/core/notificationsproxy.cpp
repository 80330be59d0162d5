#include "notificationsproxy.h"

using namespace Qt::StringLiterals;

NotificationsProxy::NotificationsProxy(const QDBusConnection &connection, QObject *parent)
    : QDBusAbstractInterface(QString::fromLatin1(Service), QString::fromLatin1(Path),
        "org.freedesktop.Notifications", connection, parent)
{ }

QDBusPendingReply<uint> NotificationsProxy::notify(const QString &appName, uint replacesId,
    const QString &appIcon, const QString &summary, const QString &body, const QStringList &actions,
    const QVariantMap &hints, int expireTimeout)
{
    return asyncCall(u"Notify"_s, appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout);
}

QDBusPendingReply<QStringList> NotificationsProxy::getCapabilities()
{
    return asyncCall(u"GetCapabilities"_s);
}
