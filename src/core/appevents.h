#pragma once

#include <QObject>

// Requests that cross the program between parts that do not know each
// other: the tray menu asks the home screen for a sheet, and a new ticket
// asks an open list of the user's tickets to reload.
class AppEvents : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // "Faire un ticket" in the tray menu.
    void createTicketRequested();
    // "Voir mes tickets" in the tray menu.
    void myTicketsRequested();
    // A ticket of the user's was created: an open list of them reloads.
    void myTicketsChanged();
    // The area captured for a new ticket (--capture), after the form was
    // asked for: the form attaches it.
    void ticketPictureCaptured(const QString &path);
    // The user clicked the notification of a message: the main window, now
    // in front, shows that ticket's conversation ("Mes tickets" with the
    // ticket expanded, or the ticket's detail in administrator mode).
    void conversationRequested(qint64 ticketId);
};
