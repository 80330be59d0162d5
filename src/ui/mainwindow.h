#pragma once

#include "core/services.h"

#include <QMainWindow>
#include <QPointer>

class AdminLoginView;
class CompanyManagementView;
class HomeView;
class NavigationStack;
class TicketListView;

// The one main window, "mainWindow": a navigation stack whose root is a home
// screen made for this window. It is created when the user asks for it and
// destroyed when closed, so the next opening starts from a fresh home screen.
// The window composes the screens: it builds the administrators' screens the
// home screen asks for.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr auto Identifier = "mainWindow";

    explicit MainWindow(const Services &services, QWidget *parent = nullptr);

public Q_SLOTS:
    // Shows ticket id's conversation: in "Mes tickets" with its card open,
    // or, in administrator mode, in the ticket's detail.
    void openConversation(qint64 ticketId);

private:
    void openAdminLogin();
    void openTicketList();
    TicketListView *ticketList();
    void openCompanyManagement(QWidget *over);

    Services m_services;
    NavigationStack *m_stack = nullptr;
    HomeView *m_home = nullptr;
    QPointer<AdminLoginView> m_adminLogin;
    QPointer<CompanyManagementView> m_companies;
};
