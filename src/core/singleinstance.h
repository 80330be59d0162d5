#pragma once

#include <QObject>
#include <QString>
#include <optional>

// Keeps one running program per desktop session. The first program owns a
// name on the session bus; a later start asks it to come forward and leaves.
// Without a session bus every start runs on its own.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.norvik.NorvikSupport")

public:
    static constexpr auto ServiceName = "org.norvik.NorvikSupport";
    static constexpr auto ObjectPath = "/org/norvik/NorvikSupport";

    enum class Role {
        Primary, // this process owns the name and answers Activate
        Secondary, // another process runs and was asked to come forward
        Alone, // no session bus: nothing to coordinate with
        Failed, // the running program did not answer
    };

    // What a start asks of the program (--new-ticket, --my-tickets, ...).
    enum class Request {
        Activate, // come forward: a plain start
        NewTicket, // open the ticket form
        NewTicketWithCapture, // capture an area of the screen, then the form
        MyTickets, // open the list of the user's tickets
    };
    // The request's word on the bus, and back; nothing for an unknown word.
    static QString requestName(Request request);
    static std::optional<Request> requestFromName(const QString &name);

    explicit SingleInstance(QObject *parent = nullptr);

    // Claims the name, or hands the request and the activation token to the
    // owner.
    Role claim(const QString &activationToken, Request request = Request::Activate);

public Q_SLOTS:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Activate(const QString &activationToken);
    // Called over the bus by a later start that asks for a screen.
    Q_SCRIPTABLE void Open(const QString &request, const QString &activationToken);

Q_SIGNALS:
    void activationRequested(const QString &activationToken);
    void openRequested(SingleInstance::Request request, const QString &activationToken);
};
