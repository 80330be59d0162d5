#pragma once

#include "store.h"
#include "typingthrottle.h"

class WebSocketHub;

// What the channel hears of conversations: each new message goes to the
// other side (a staff message to the ticket's author, a user's to every staff
// connection), and so does who is typing. Messages and typing through other
// instances come here too, so that every instance pushes to its own
// connections. A staff member's typing is pushed at most once per interval
// per ticket.
class ConversationPushes
{
public:
    ConversationPushes(Store &store, WebSocketHub &hub, TypingThrottle::Clock clock = {});

    // A message stored here or through another instance.
    void messageAdded(qint64 messageId);
    // Typing on a ticket through this instance; told to the others as well.
    void typedHere(const QString &side, qint64 ticketId, qint64 authorId);
    // Typing through another instance (a StaffTyping or UserTyping change).
    void typedElsewhere(const Store::Change &change);

private:
    // False when the throttle holds the staff's typing back.
    bool pushTyping(const QString &side, qint64 ticketId, qint64 authorId);

    Store &m_store;
    WebSocketHub &m_hub;
    TypingThrottle m_staffTyping;
};
