#include "core/websocketservice.h"
#include "serverprocess.h"
#include "testing.h"
#include "ticketjson.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/companyrow.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"
#include "ui/homeview.h"
#include "ui/mainwindow.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/navigationstack.h"
#include "ui/widgets/noticebox.h"
#include "viewtestenv.h"

#include <QLineEdit>

using ViewTestEnv::button;

namespace {

// "name | Code: code" for each company row of view, as a reader hears it.
QStringList companyRows(CompanyManagementView *view)
{
    QStringList rows;
    for (CompanyRow *row : view->findChildren<CompanyRow *>())
        rows << row->accessibleName() + u" | "_s + row->accessibleDescription();
    return rows;
}

// The number of cards under section's header; 0 when the section is not shown.
int cardsIn(const TicketListModel *model, TicketListModel::Section section)
{
    const int header = model->sectionRows(section).header;
    return header < 0 ? 0 : model->index(header).data(TicketListModel::SectionCountRole).toInt();
}

// The text of view's error box; empty while the box is hidden.
QString errorShown(QWidget *view)
{
    const NoticeBox *box = view->findChild<NoticeBox *>(u"error"_s);
    return box->isVisibleTo(view) ? box->text() : QString();
}

// The company form's fields and its "Créer la société" button.
struct CompanyForm
{
    AddCompanyView *view;
    QLineEdit *nom = view->findChild<QLineEdit *>(u"nom"_s);
    QLineEdit *code = view->findChild<QLineEdit *>(u"code"_s);
    GradientButton *create = view->findChild<GradientButton *>();
};

} // namespace

// What a staff member does on the demo server: sign in from the home screen
// and see every ticket, and manage companies. Closing a ticket is followed in
// tst_ticketdetailview, tst_ticketlistview and tst_serverapi.
// Each test starts from the demo data on a database of its own.
class TestAdminFlow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;
    ServerProcess m_server { { u"--demo"_s } };
    int m_databases = 0;
    std::unique_ptr<ViewTestEnv::Program> m_env;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        Configuration configuration;
        configuration.apiBase = m_server.apiBase();
        configuration.wsURL = m_server.wsUrl();
        m_env = std::make_unique<ViewTestEnv::Program>(configuration);
    }

    void init()
    {
        // Same port, so the clients built once keep their address; fresh demo data.
        m_server.setDatabase(m_config.filePath(u"server-%1.sqlite"_s.arg(++m_databases)));
        QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
    }

    void cleanup() { m_env->channel.disconnect(); }

    void companies_listAndCreate_thenErrorsCarryTheirPrefixesOnceTheServerIsGone()
    {
        QWidget window;
        window.resize(800, 700);
        window.show();
        auto *view = new CompanyManagementView(m_env->api, &window);
        QSignalSpy loaded(view, &CompanyManagementView::loadFinished);
        view->open();
        QVERIFY(loaded.wait(10000));
        QCOMPARE(companyRows(view),
            (QStringList { u"Ateliers Brévent | Code: ABR"_s, u"Cabinet Lestrade & Fils | Code: CLF"_s,
                u"Transports Morvan | Code: TMO"_s }));

        QTest::mouseClick(button(view, u"Nouvelle société"_s), Qt::LeftButton);
        QVERIFY(view->findChild<AddCompanyView *>());
        CompanyForm form { view->findChild<AddCompanyView *>() };
        QTest::keyClicks(form.nom, u"Norvik Conseil"_s);

        // A code the server already knows: its own words, no prefix.
        QTest::keyClicks(form.code, u"abr"_s);
        QSignalSpy submitted(form.view, &AddCompanyView::submitFinished);
        QTest::mouseClick(form.create, Qt::LeftButton);
        QVERIFY(submitted.wait(10000));
        QVERIFY2(!errorShown(form.view).isEmpty() && !errorShown(form.view).startsWith(u"Erreur: "_s),
            qPrintable(errorShown(form.view)));
        QCOMPARE(form.nom->text(), u"Norvik Conseil"_s); // kept for another attempt

        // Sanitised as typed; the rules themselves are in tst_admininput.
        form.code->selectAll();
        QTest::keyClicks(form.code, u"nrv-01 c"_s);
        QTest::mouseClick(form.create, Qt::LeftButton);
        QVERIFY(!form.create->isEnabled()); // while the request is out
        QVERIFY(submitted.wait(10000));
        // Until the sheet closes the button stays off: a second click must not
        // create the company again.
        QVERIFY(form.view->findChild<NoticeBox *>(u"success"_s)->isVisibleTo(form.view)
            && !form.create->isEnabled());

        QPointer<AddCompanyView> watched(form.view);
        loaded.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!watched, 5000);
        QVERIFY(loaded.count() > 0 || loaded.wait(10000));
        const QStringList before = companyRows(view);
        QVERIFY(before.contains(u"Norvik Conseil | Code: NRV01C"_s));

        // The server gone: the previous list stays under the error.
        QVERIFY(m_server.stop());
        view->loadCompanies();
        QVERIFY(loaded.wait(10000));
        QVERIFY2(errorShown(view).startsWith(u"Erreur de chargement: "_s), qPrintable(errorShown(view)));
        QCOMPARE(companyRows(view), before);

        AddCompanyView sheet(m_env->api, {});
        sheet.show();
        CompanyForm offline { &sheet };
        QTest::keyClicks(offline.nom, u"Hors ligne"_s);
        QTest::keyClicks(offline.code, u"OFF1"_s);
        QSignalSpy failed(&sheet, &AddCompanyView::submitFinished);
        QTest::mouseClick(offline.create, Qt::LeftButton);
        QVERIFY(failed.wait(10000));
        QVERIFY2(errorShown(&sheet).startsWith(u"Erreur: "_s), qPrintable(errorShown(&sheet)));
        QVERIFY(offline.create->isEnabled()); // a failure may be tried again
    }

    void home_opensTheAdministratorScreens()
    {
        m_env->settings.writeBool(UserSettings::IsAdmin, false);
        // The window composes the home screen with the administrators' screens.
        const std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(m_env->services());
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
        auto *password = login->findChild<QLineEdit *>(u"password"_s);
        QTest::keyClicks(password, u"tulip482"_s);
        QTest::keyClick(password, Qt::Key_Return);
        QTRY_VERIFY(!login || !login->isVisible()); // after the server said it has no staff login
        QCOMPARE(adminButton->accessibleName(), u"Admin connecté"_s);
        QVERIFY(tickets->isVisibleTo(home));

        // "Gestion des tickets" pushes the list on the window's stack.
        QTest::mouseClick(tickets, Qt::LeftButton);
        QCOMPARE(stack->count(), 2);
        auto *list = qobject_cast<TicketListView *>(stack->top());
        QVERIFY(list);
        QTRY_COMPARE_WITH_TIMEOUT(list->face(), TicketListView::Face::List, 10000);
        // Every ticket of the server, in its section.
        TicketListModel *model = modelOf(list);
        QCOMPARE(std::pair(cardsIn(model, TicketListModel::Section::Open),
                     cardsIn(model, TicketListModel::Section::Closed)),
            std::pair(2, 1));
    }
};

QTEST_MAIN(TestAdminFlow)
#include "tst_adminflow.moc"
