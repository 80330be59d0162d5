#include "core/websocketservice.h"
#include "serverprocess.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/companyrow.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"
#include "ui/homeview.h"
#include "ui/mainwindow.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/navigationstack.h"
#include "viewtestenv.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

using namespace Qt::StringLiterals;
using ViewTestEnv::button;

// What a staff member does on the demo server: see every ticket, close one
// while its author listens on the real-time channel, and manage companies.
class TestAdminFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void list_closeTicket_authorIsToldOnTheChannel();
    void companies_listAndCreate();
    void home_opensTheAdministratorScreens();
    void serverGone_errorsCarryTheirPrefixes();

private:
    static QStringList companyNames(CompanyManagementView *view);

    ServerProcess m_server { { u"--demo"_s } };
    QTemporaryDir m_config;
};

void TestAdminFlow::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    Configuration configuration;
    configuration.apiBase = m_server.apiBase();
    configuration.wsURL = m_server.wsUrl();
    ViewTestEnv::configure(configuration);
}

QStringList TestAdminFlow::companyNames(CompanyManagementView *view)
{
    QStringList names;
    for (CompanyRow *row : view->findChildren<CompanyRow *>())
        names << row->company().nom + u'/' + row->company().code;
    return names;
}

void TestAdminFlow::list_closeTicket_authorIsToldOnTheChannel()
{
    // Claire (user 1) listens on the channel as an ordinary user would.
    QWebSocket author;
    QStringList received;
    connect(&author, &QWebSocket::textMessageReceived, this,
        [&received](const QString &text) { received << text; });
    author.open(m_server.wsRequest());
    QSignalSpy opened(&author, &QWebSocket::connected);
    QVERIFY2(opened.wait(10000), qPrintable(author.errorString()));
    author.sendTextMessage(uR"({"type":"auth","userId":1,"userType":"user"})"_s);
    // The pong comes after the server has read the announcement before it.
    QSignalSpy pong(&author, &QWebSocket::pong);
    author.ping();
    QVERIFY(pong.wait(10000));

    // Every ticket of the server, in its section.
    ViewTestEnv::StackedWindow screen(QSize(1000, 900));
    auto *list = new TicketListView(ViewTestEnv::api());
    QSignalSpy loaded(list, &TicketListView::loadFinished);
    screen.stack->push(list);
    QVERIFY(loaded.wait(10000));
    const QList<Ticket> tickets = list->tickets();
    QCOMPARE(list->model()->openTickets().size(), 2);
    QCOMPARE(list->model()->closedTickets().size(), 1);
    const auto printer = std::find_if(tickets.cbegin(), tickets.cend(),
        [](const Ticket &t) { return t.titre == u"Imprimante du 2e étage hors ligne"; });
    QVERIFY(printer != tickets.cend());
    QCOMPARE(printer->societe.value_or(QString()), u"Ateliers Brévent"_s);

    list->openTicket(list->model()->rowOfTicket(printer->id));
    auto *detail = qobject_cast<TicketDetailView *>(screen.stack->top());
    QVERIFY(detail);
    const QString message = u"Pilote réinstallé, l'imprimante répond."_s;
    detail->findChild<QPlainTextEdit *>()->setPlainText(message);
    QTest::mouseClick(button(detail, u"Fermer ce ticket"_s), Qt::LeftButton);
    QVERIFY(detail->confirmation());
    QSignalSpy closed(detail, &TicketDetailView::closeFinished);
    QTest::mouseClick(button(detail->confirmation(), u"Fermer le ticket"_s), Qt::LeftButton);
    QVERIFY(closed.wait(10000));
    QVERIFY2(detail->ticketClosed(), qPrintable(detail->closeError().value_or(QString())));

    auto closedEvent = [&received] {
        for (const QString &text : std::as_const(received)) {
            const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
            if (object.value(u"type"_s) == u"ticket_closed"_s)
                return object;
        }
        return QJsonObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!closedEvent().isEmpty(), 10000);
    QCOMPARE(closedEvent().value(u"ticketId"_s).toInteger(), printer->id);
    QCOMPARE(closedEvent().value(u"closeMessage"_s).toString(), message);

    // Back on the list 1.5 s later, fetched anew: the ticket is now closed.
    QSignalSpy reloaded(list, &TicketListView::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(screen.stack->top(), list, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(reloaded.count() > 0, 10000);
    QCOMPARE(list->model()->closedTickets().size(), 2);
    author.close();
}

void TestAdminFlow::companies_listAndCreate()
{
    QWidget window;
    window.resize(800, 700);
    window.show();
    auto *view = new CompanyManagementView(ViewTestEnv::api(), &window);
    view->setAttribute(Qt::WA_DeleteOnClose);
    QSignalSpy loaded(view, &CompanyManagementView::loadFinished);
    view->open();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(companyNames(view),
        (QStringList {
            u"Ateliers Brévent/ABR"_s, u"Cabinet Lestrade & Fils/CLF"_s, u"Transports Morvan/TMO"_s }));

    QTest::mouseClick(button(view, u"Nouvelle société"_s), Qt::LeftButton);
    AddCompanyView *form = view->addCompanyView();
    QVERIFY(form);
    QTest::keyClicks(form->nameField(), u"Norvik Conseil"_s);

    // A code the server already knows: its own words, no prefix.
    QTest::keyClicks(form->codeField(), u"abr"_s);
    QSignalSpy submitted(form, &AddCompanyView::submitFinished);
    QTest::mouseClick(form->findChild<GradientButton *>(), Qt::LeftButton);
    QVERIFY(submitted.wait(10000));
    QVERIFY(form->showError() && !form->errorMessage().isEmpty());
    QVERIFY2(!form->errorMessage().startsWith(u"Erreur: "_s), qPrintable(form->errorMessage()));
    QCOMPARE(form->nom(), u"Norvik Conseil"_s); // kept for another attempt

    // Sanitised as typed; the rules themselves are in tst_admininput.
    form->codeField()->selectAll();
    QTest::keyClicks(form->codeField(), u"nrv-01 c"_s);
    QTest::mouseClick(form->findChild<GradientButton *>(), Qt::LeftButton);
    QVERIFY(form->isSubmitting() && !form->findChild<GradientButton *>()->isEnabled());
    QVERIFY(submitted.wait(10000));
    QVERIFY(form->showSuccess());
    // Until the sheet closes a second click must not create the company again.
    form->findChild<GradientButton *>()->click();
    QVERIFY(!form->isSubmitting() && !form->findChild<GradientButton *>()->isEnabled());

    QPointer<AddCompanyView> watched(form);
    QSignalSpy reloaded(view, &CompanyManagementView::loadFinished);
    QTRY_VERIFY_WITH_TIMEOUT(!watched, 5000);
    QVERIFY(reloaded.count() > 0 || reloaded.wait(10000));
    QVERIFY(companyNames(view).contains(u"Norvik Conseil/NRV01C"_s));
    view->close();
}

void TestAdminFlow::home_opensTheAdministratorScreens()
{
    ViewTestEnv::settings().writeBool(UserSettings::IsAdmin, false);
    // The window composes the home screen with the administrators' screens.
    const std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(ViewTestEnv::services());
    window->resize(1100, 900);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *home = window->findChild<HomeView *>();
    auto *stack = window->findChild<NavigationStack *>();
    QAbstractButton *adminButton = button(home, u"Connexion admin"_s);
    QAbstractButton *tickets = button(home, u"Gestion des tickets"_s);
    QVERIFY(adminButton && tickets && !tickets->isVisibleTo(home));

    // The header's button opens the login sheet; its binding switches the home screen.
    QTest::mouseClick(adminButton, Qt::LeftButton);
    QPointer<AdminLoginView> login = window->findChild<AdminLoginView *>();
    QVERIFY(login && login->isVisible());
    QTest::keyClicks(login->findChild<QLineEdit *>(), u"tulip482"_s);
    QTest::keyClick(login->findChild<QLineEdit *>(), Qt::Key_Return);
    QVERIFY(!login || !login->isVisible());
    QCOMPARE(adminButton->accessibleName(), u"Admin connecté"_s);
    QVERIFY(tickets->isVisibleTo(home));

    // "Gestion des tickets" pushes the list on the window's stack.
    QTest::mouseClick(tickets, Qt::LeftButton);
    QCOMPARE(stack->depth(), 2);
    auto *list = qobject_cast<TicketListView *>(stack->top());
    QVERIFY(list);
    QTRY_COMPARE_WITH_TIMEOUT(list->face(), TicketListView::Face::List, 10000);
    ViewTestEnv::channel().disconnect();
}

void TestAdminFlow::serverGone_errorsCarryTheirPrefixes()
{
    QWidget window;
    window.show();
    auto *view = new CompanyManagementView(ViewTestEnv::api(), &window);
    QSignalSpy loaded(view, &CompanyManagementView::loadFinished);
    view->open();
    QVERIFY(loaded.wait(10000));
    const QStringList before = companyNames(view);
    QVERIFY(!before.isEmpty());

    QVERIFY(m_server.stop());
    view->loadCompanies();
    QVERIFY(loaded.wait(10000));
    QVERIFY(view->showError());
    QVERIFY2(view->errorMessage().startsWith(u"Erreur de chargement: "_s), qPrintable(view->errorMessage()));
    QCOMPARE(companyNames(view), before); // the previous list stays under the error

    AddCompanyView form(ViewTestEnv::api(), {});
    form.show();
    QTest::keyClicks(form.nameField(), u"Hors ligne"_s);
    QTest::keyClicks(form.codeField(), u"OFF1"_s);
    QSignalSpy submitted(&form, &AddCompanyView::submitFinished);
    QTest::mouseClick(form.findChild<GradientButton *>(), Qt::LeftButton);
    QVERIFY(submitted.wait(10000));
    QVERIFY(form.showError());
    QVERIFY2(form.errorMessage().startsWith(u"Erreur: "_s), qPrintable(form.errorMessage()));
    QVERIFY(form.findChild<GradientButton *>()->isEnabled()); // a failure may be tried again
    delete view;
}

QTEST_MAIN(TestAdminFlow)
#include "tst_adminflow.moc"
