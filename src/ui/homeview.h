#pragma once

#include "core/services.h"

#include <QPointer>
#include <QWidget>

class CreateTicketView;
class HomeButton;
class IconButton;
class MyTicketsView;
class QLabel;
class QLayout;
class RegisterView;
class SettingsView;
class Sheet;
class UserCard;

// The root of the main window: who the user is, the actions open to him in
// the present mode, and the program's version. The user's screens open from
// here as sheets; the administrators' screens are asked for with signals and
// built by whoever composes the window. The tray menu's requests arrive here
// as the application's events.
class HomeView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RegisterDelayMs = 500;

    explicit HomeView(const Services &services, QWidget *parent = nullptr);

    // Shows a sheet built elsewhere (the administrators' login) the way this
    // screen shows its own; the sheet deletes itself when closed.
    void presentSheet(Sheet *sheet);

public Q_SLOTS:
    // Bindings: the registration and administrator login screens set these.
    void setIsRegistered(bool registered);
    void setIsAdmin(bool admin);
    // Re-reads "is_registered" and offers registration to a newcomer.
    void refreshFlags();

    void openSettings();
    void openCreateTicket();
    void openMyTickets();
    void openRegister();

Q_SIGNALS:
    // The header's administrator button: the login (or logout) sheet.
    void adminLoginRequested();
    // "Gestion des tickets": the administrators' ticket list.
    void ticketListRequested();
    // The settings sheet's "Sociétés": company management over that sheet.
    void companiesRequested(QWidget *over);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLayout *header();
    QLayout *titleBlock();
    QLayout *actions();
    void updateModeControls();
    void setContentEnabled(bool enabled);
    // Shows the sheet that make() builds as a window-modal sheet over this
    // window, or raises the one already open in slot.
    template<typename View, typename Make>
    void present(QPointer<View> &slot, Make make);

    Services m_services;
    bool m_isRegistered;
    bool m_isAdmin;

    IconButton *m_adminButton;
    IconButton *m_settingsButton;
    UserCard *m_userCard;
    HomeButton *m_registerButton;
    HomeButton *m_createTicketButton;
    HomeButton *m_myTicketsButton;
    HomeButton *m_ticketListButton;
    QLabel *m_version;

    QPointer<SettingsView> m_settings;
    QPointer<CreateTicketView> m_createTicket;
    QPointer<MyTicketsView> m_myTickets;
    QPointer<RegisterView> m_register;
};
