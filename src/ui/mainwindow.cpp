#include "mainwindow.h"

#include "homeview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
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
    m_stack->push(new TicketListView(m_services.api));
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
