#include "app/notificationcenter.h"
#include "artifacts.h"
#include "views/admin/adminloginview.h"
#include "views/admin/ticketlistview.h"
#include "views/appversion.h"
#include "views/createticketview.h"
#include "views/homebutton.h"
#include "views/homeview.h"
#include "views/iconbutton.h"
#include "views/myticketsview.h"
#include "views/navigationstack.h"
#include "views/registerview.h"
#include "views/settingsview.h"
#include "views/style.h"
#include "views/usercard.h"
#include "viewtestenv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestHomeView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void versionText_fallsBackWhenEitherPartIsEmpty();
    void firstStart_offersOnlyRegistration_andOpensItByItself();
    void registeredFlagWithIncompleteIdentity_showsButtonsButNoCard();
    void userCard_leavesOutEmptyWorkstationAndCompany();
    void trayRequests_openTheirSheetsEvenForANewcomer();
    void completedRegistration_switchesTheButtonsAtOnce();
    void adminMode_showsGreenIconTooltipAndTicketList();
    void adminControls_openTheLoginSheetAndPushTheTicketList();
    void homeButton_hoverAnimatesFillAndShadow();
    void keyboard_reachesEveryControlByName();

private:
    HomeView *showHome();

    QTemporaryDir m_config;
    TestServer m_server;
    std::unique_ptr<HomeView> m_home;
};

void TestHomeView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json({ { u"success"_s, true }, { u"companies"_s, QJsonArray {} } });
        return TestResponse::json({ { u"success"_s, true }, { u"tickets"_s, QJsonArray {} } });
    });
}

void TestHomeView::init()
{
    ViewTestEnv::clearSettings();
}

void TestHomeView::cleanup()
{
    m_home.reset();
    // Sheets belong to no window here; close whatever a test left open.
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<Sheet *>(widget))
            delete widget;
}

HomeView *TestHomeView::showHome()
{
    m_home = std::make_unique<HomeView>();
    m_home->resize(640, 820);
    m_home->show();
    if (!QTest::qWaitForWindowExposed(m_home.get()))
        return nullptr;
    return m_home.get();
}

void TestHomeView::versionText_fallsBackWhenEitherPartIsEmpty()
{
    QCOMPARE(appVersionText(u"2.3.1"_s, u"57"_s), u"Version 2.3.1 (57)"_s);
    QCOMPARE(appVersionText(QString(), QString()), u"Version 1.0.0 (1)"_s);
    QCOMPARE(appVersionText(u"2.0"_s, QString()), u"Version 2.0 (1)"_s);
    QCOMPARE(appVersionText(QString(), u"9"_s), u"Version 1.0.0 (9)"_s);
    QCOMPARE(appVersionText(),
        u"Version "_s + QString::fromUtf8(NORVIK_VERSION) + u" ("_s + QString::fromUtf8(NORVIK_BUILD_NUMBER)
            + u")"_s);
}

void TestHomeView::firstStart_offersOnlyRegistration_andOpensItByItself()
{
    QElapsedTimer clock;
    clock.start();
    HomeView *home = showHome();
    QVERIFY(home);
    QVERIFY(!home->isRegistered());
    const QList<HomeButton *> buttons = home->findChildren<HomeButton *>();
    QStringList visible;
    for (HomeButton *button : buttons)
        if (button->isVisible())
            visible << button->label();
    QCOMPARE(visible, QStringList { u"Créer mon compte"_s });
    QVERIFY(!home->findChild<UserCard *>()->isVisible());
    const QList<IconButton *> icons = home->findChildren<IconButton *>();
    QVERIFY(std::none_of(icons.cbegin(), icons.cend(), [](IconButton *button) {
        return button->isVisible() && button->toolTip() == u"Paramètres utilisateur";
    }));
    QVERIFY(saveScreenshot(home, u"home-new-user"_s));
    // Not at once, but half a second after being shown.
    QVERIFY(!home->registerSheet());
    QTRY_VERIFY(home->registerSheet() && home->registerSheet()->isVisible());
    QVERIFY(clock.elapsed() >= HomeView::RegisterDelayMs);
}

void TestHomeView::registeredFlagWithIncompleteIdentity_showsButtonsButNoCard()
{
    UserSettings::shared().writeBool(UserSettings::IsRegistered, true); // but no user id
    HomeView *home = showHome();
    QVERIFY(home->isRegistered());
    QVERIFY(!home->findChild<UserCard *>()->isVisible());
    QStringList visible;
    for (HomeButton *button : home->findChildren<HomeButton *>())
        if (button->isVisible())
            visible << button->label();
    QCOMPARE(visible, QStringList({ u"Démarrer un ticket"_s, u"Mes tickets"_s }));
    QVERIFY(!QTest::qWaitFor(
        [home] { return home->registerSheet() != nullptr; }, HomeView::RegisterDelayMs + 300));
}

void TestHomeView::userCard_leavesOutEmptyWorkstationAndCompany()
{
    ViewTestEnv::storeIdentity(5, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s);
    HomeView *home = showHome();
    UserCard *card = home->findChild<UserCard *>();
    QVERIFY(card->isVisible());
    QCOMPARE(card->nameLine(), u"Léa Durand"_s);
    QCOMPARE(card->detailLine(), u"Poste 24 • Alpha"_s);
    QVERIFY(saveScreenshot(home, u"home-registered"_s));
    UserSettings::shared().writeText(UserSettings::CompanyName, QString());
    card->reload();
    QCOMPARE(card->detailLine(), u"Poste 24"_s);
    UserSettings::shared().writeText(UserSettings::CompanyName, u"Alpha"_s);
    UserSettings::shared().writeText(UserSettings::UserPoste, QString());
    card->reload();
    QCOMPARE(card->detailLine(), u"Alpha"_s);
}

void TestHomeView::trayRequests_openTheirSheetsEvenForANewcomer()
{
    HomeView *home = showHome();
    NotificationCenter::defaultCenter().post(u"OpenCreateTicket"_s);
    QVERIFY(home->createTicketSheet());
    QVERIFY(home->createTicketSheet()->isVisible());
    // A second request raises the same sheet rather than stacking another.
    CreateTicketView *first = home->createTicketSheet();
    NotificationCenter::defaultCenter().post(u"OpenCreateTicket"_s);
    QCOMPARE(home->createTicketSheet(), first);
    NotificationCenter::defaultCenter().post(u"OpenMyTickets"_s);
    QVERIFY(home->myTicketsSheet() && home->myTicketsSheet()->isVisible());
    // Closing a sheet lowers its flag.
    first->dismiss();
    QVERIFY(!home->createTicketSheet());
}

void TestHomeView::completedRegistration_switchesTheButtonsAtOnce()
{
    HomeView *home = showHome();
    home->openRegister();
    QVERIFY(home->registerSheet());
    ViewTestEnv::storeIdentity(8, u"3"_s, u"Roy"_s, u"Jo"_s);
    Q_EMIT home->registerSheet()->registrationCompleted();
    home->registerSheet()->dismiss();
    QVERIFY(home->isRegistered());
    QStringList visible;
    for (HomeButton *button : home->findChildren<HomeButton *>())
        if (button->isVisible())
            visible << button->label();
    QCOMPARE(visible, QStringList({ u"Démarrer un ticket"_s, u"Mes tickets"_s }));
    QVERIFY(home->findChild<UserCard *>()->isVisible());
    QCOMPARE(home->findChild<UserCard *>()->nameLine(), u"Jo Roy"_s);
}

void TestHomeView::adminMode_showsGreenIconTooltipAndTicketList()
{
    ViewTestEnv::storeIdentity(5, u"24"_s, u"Durand"_s, u"Léa"_s);
    HomeView *home = showHome();
    QVERIFY(!home->isAdmin());
    QCOMPARE(home->adminButton()->toolTip(), u"Connexion admin"_s);
    QCOMPARE(home->adminButton()->symbol(), u"person.circle"_s);
    QVERIFY(!home->ticketListButton()->isVisible());
    home->setIsAdmin(true);
    QCOMPARE(home->adminButton()->toolTip(), u"Admin connecté"_s);
    QCOMPARE(home->adminButton()->accessibleName(), u"Admin connecté"_s);
    QCOMPARE(home->adminButton()->symbol(), u"person.fill.checkmark"_s);
    QCOMPARE(home->adminButton()->symbolColor(), Style::green());
    QVERIFY(home->ticketListButton()->isVisible());
    QVERIFY(saveScreenshot(home, u"home-admin"_s));
    // The stored flag is read when a home screen is created.
    UserSettings::shared().writeBool(UserSettings::IsAdmin, true);
    HomeView fresh;
    QVERIFY(fresh.isAdmin());
}

void TestHomeView::adminControls_openTheLoginSheetAndPushTheTicketList()
{
    ViewTestEnv::storeIdentity(5, u"24"_s, u"Durand"_s, u"Léa"_s);
    auto *home = new HomeView;
    NavigationStack stack(home);
    stack.resize(640, 820);
    stack.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stack));
    QTest::mouseClick(home->adminButton(), Qt::LeftButton);
    AdminLoginView *login = home->adminLoginSheet();
    QVERIFY(login && login->isVisible());
    // The sheet's binding switches the mode on the home screen at once.
    Q_EMIT login->isAdminChanged(true);
    QVERIFY(home->isAdmin());
    QVERIFY(home->ticketListButton()->isVisible());
    login->dismiss();
    QVERIFY(!home->adminLoginSheet());
    QTest::mouseClick(home->ticketListButton(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 28));
    QCOMPARE(stack.depth(), 2);
    QVERIFY(qobject_cast<TicketListView *>(stack.top()));
    stack.pop();
    QCOMPARE(stack.depth(), 1);
}

void TestHomeView::homeButton_hoverAnimatesFillAndShadow()
{
    HomeButton button(u"Mes tickets"_s, u"doc.text.fill"_s, Style::purple());
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(button.size(), QSize(300, 56));
    QCOMPARE(button.fillOpacity(), 0.08);
    QCOMPARE(button.shadowRadius(), 12.0);
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(button.isHovering());
    QTRY_VERIFY(button.hoverProgress() > 0 && button.hoverProgress() < 1);
    QTRY_COMPARE(button.hoverProgress(), 1.0);
    QCOMPARE(button.fillOpacity(), 0.15);
    QCOMPARE(button.shadowRadius(), 20.0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QVERIFY(!button.isHovering());
    QTRY_COMPARE(button.hoverProgress(), 0.0);
    // The rounded corners are outside the hit area.
    QSignalSpy clicked(&button, &HomeButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(150, 28));
    QCOMPARE(clicked.count(), 1);
}

void TestHomeView::keyboard_reachesEveryControlByName()
{
    ViewTestEnv::storeIdentity(5, u"24"_s, u"Durand"_s, u"Léa"_s);
    HomeView *home = showHome();
    home->setIsAdmin(true);
    home->activateWindow();
    QStringList reached;
    QWidget *start = home->nextInFocusChain();
    for (QWidget *widget = start; reached.size() < 12; widget = widget->nextInFocusChain()) {
        if (widget->isVisible() && widget->focusPolicy() & Qt::TabFocus)
            reached << widget->accessibleName();
        if (widget->nextInFocusChain() == start)
            break;
    }
    for (const QString &name : { u"Connexion admin"_s, u"Paramètres utilisateur"_s, u"Démarrer un ticket"_s,
             u"Mes tickets"_s, u"Gestion des tickets"_s })
        QVERIFY2(
            reached.contains(name) || (name == u"Connexion admin" && reached.contains(u"Admin connecté"_s)),
            qPrintable(reached.join(u", "_s)));
    // Space on a focused home button opens its sheet.
    home->findChildren<HomeButton *>().at(1)->setFocus();
    QTest::keyClick(home->findChildren<HomeButton *>().at(1), Qt::Key_Space);
    QVERIFY(home->createTicketSheet());
}

QTEST_MAIN(TestHomeView)
#include "tst_homeview.moc"
