#pragma once

#include <QObject>

// The unread flag: an event arrived since the user last opened the program
// from the tray menu. Not stored; starts false at every launch.
class NotificationState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasUnreadNotification READ hasUnreadNotification WRITE setHasUnreadNotification NOTIFY
            hasUnreadNotificationChanged)

public:
    explicit NotificationState(QObject *parent = nullptr)
        : QObject(parent)
    { }

    bool hasUnreadNotification() const { return m_hasUnread; }
    void setHasUnreadNotification(bool value);

Q_SIGNALS:
    void hasUnreadNotificationChanged(bool value);

private:
    bool m_hasUnread = false;
};
