#pragma once

#include <QDBusAbstractInterface>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

// Typed client of the desktop's notification service on the session bus.
// Built without introspection, so making one never waits on the service.
class NotificationsProxy : public QDBusAbstractInterface
{
    Q_OBJECT

public:
    static constexpr auto Service = "org.freedesktop.Notifications";
    static constexpr auto Path = "/org/freedesktop/Notifications";

    NotificationsProxy(const QDBusConnection &connection, QObject *parent = nullptr);

    QDBusPendingReply<uint> notify(const QString &appName, uint replacesId, const QString &appIcon,
        const QString &summary, const QString &body, const QStringList &actions, const QVariantMap &hints,
        int expireTimeout);
    // What the service can do ("body-markup", "actions", ...).
    QDBusPendingReply<QStringList> getCapabilities();

Q_SIGNALS:
    // Relayed from the service: a notification left the screen.
    void NotificationClosed(uint id, uint reason);
    // The user chose one of a notification's actions ("default": the
    // notification itself).
    void ActionInvoked(uint id, const QString &actionKey);
    // The user answered in the notification (services with "inline-reply").
    void NotificationReplied(uint id, const QString &text);
};
