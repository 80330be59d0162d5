#include "notificationstate.h"

void NotificationState::setHasUnreadNotification(bool value)
{
    if (m_hasUnread == value)
        return;
    m_hasUnread = value;
    Q_EMIT hasUnreadNotificationChanged(value);
}
