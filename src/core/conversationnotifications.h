#pragma once

#include <QObject>

class Conversations;
class DesktopNotifier;
class NotificationState;
struct ConversationMessage;

// What the user notices of a message of the other side: a desktop
// notification per ticket (a newer message replaces the older one) and the
// unread badge. Clicking the notification asks for that conversation;
// answering in it sends the answer as any message written here.
class ConversationNotifications : public QObject
{
    Q_OBJECT

public:
    ConversationNotifications(Conversations &conversations, DesktopNotifier &notifier,
        NotificationState &unread, QObject *parent = nullptr);

    static QString identifierFor(qint64 ticketId);

Q_SIGNALS:
    // The user wants to see this ticket's conversation.
    void conversationRequested(qint64 ticketId);

private:
    void show(const ConversationMessage &message);
    void activated(const QString &identifier);
    void replied(const QString &identifier, const QString &text);

    Conversations &m_conversations;
    DesktopNotifier &m_notifier;
    NotificationState &m_unread;
};
