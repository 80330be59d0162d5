#include "notificationstate.h"

NotificationState &NotificationState::shared()
{
    static NotificationState *state = new NotificationState;
    return *state;
}

void NotificationState::setHasUnreadNotification(bool value)
{
    if (m_hasUnread == value)
        return;
    m_hasUnread = value;
    Q_EMIT hasUnreadNotificationChanged(value);
}
