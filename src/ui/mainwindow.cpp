#include "mainwindow.h"

#include "core/appevents.h"
#include "core/usersettings.h"
#include "homeview.h"
#include "myticketsview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketlistview.h"
#include "ui/widgets/navigationstack.h"

#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {
constexpr QSize MinimumSize { 960, 740 };
} // namespace

MainWindow::MainWindow(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    setObjectName(QString::fromLatin1(Identifier));
    setWindowTitle(tr("Norvik Support"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(MinimumSize);

    // The home screen exists, with its observers, as soon as the window does:
    // a request posted right after opening reaches it.
    m_home = new HomeView(services);
    m_stack = new NavigationStack(m_home, this);
    setCentralWidget(m_stack);
    connect(m_home, &HomeView::adminLoginRequested, this, &MainWindow::openAdminLogin);
    connect(m_home, &HomeView::ticketListRequested, this, &MainWindow::openTicketList);
    connect(m_home, &HomeView::companiesRequested, this, &MainWindow::openCompanyManagement);
    connect(&services.events, &AppEvents::conversationRequested, this, &MainWindow::openConversation);

    // Opened centred on the screen the user is working on.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), minimumSize());
        frame.moveCenter(screen->availableGeometry().center());
        setGeometry(frame);
    }
}

void MainWindow::openAdminLogin()
{
    if (m_adminLogin) {
        m_adminLogin->raise();
        m_adminLogin->activateWindow();
        return;
    }
    auto *sheet = new AdminLoginView(m_services.settings, m_services.channel, m_services.api, this);
    m_adminLogin = sheet;
    // Gone as soon as the sheet closes, not when it is deleted.
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_adminLogin == sheet)
            m_adminLogin = nullptr;
    });
    connect(sheet, &AdminLoginView::isAdminChanged, m_home, &HomeView::setIsAdmin);
    m_home->presentSheet(sheet);
}

void MainWindow::openTicketList()
{
    m_stack->push(new TicketListView(m_services.api, m_services.conversations));
}

// The list on the stack, back from any detail above it, or a new one.
TicketListView *MainWindow::ticketList()
{
    while (m_stack->top() != m_home && !qobject_cast<TicketListView *>(m_stack->top()))
        m_stack->pop();
    if (auto *list = qobject_cast<TicketListView *>(m_stack->top()))
        return list;
    openTicketList();
    return qobject_cast<TicketListView *>(m_stack->top());
}

void MainWindow::openConversation(qint64 ticketId)
{
    if (m_services.settings.readBool(UserSettings::IsAdmin)) {
        const auto *detail = qobject_cast<TicketDetailView *>(m_stack->top());
        if (!detail || detail->ticketId() != ticketId) {
            if (TicketListView *list = ticketList())
                list->openTicketById(ticketId);
        }
    } else {
        m_home->openMyTickets();
        // The sheet the home screen shows, new or raised.
        for (MyTicketsView *sheet : findChildren<MyTicketsView *>())
            if (sheet->isVisible())
                sheet->showConversation(ticketId);
    }
    raise();
    activateWindow();
}

void MainWindow::openCompanyManagement(QWidget *over)
{
    if (m_companies) {
        m_companies->raise();
        return;
    }
    m_companies = new CompanyManagementView(m_services.api, over);
    m_companies->setAttribute(Qt::WA_DeleteOnClose);
    m_companies->open();
}
