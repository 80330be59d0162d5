#include "admin/ticketjson.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/createticketview.h"
#include "ui/homebutton.h"
#include "ui/homeview.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/usercard.h"
#include "viewtestenv.h"

#include <QApplication>
#include <QElapsedTimer>

namespace {

QStringList visibleButtons(HomeView *home)
{
    QStringList labels;
    for (HomeButton *button : home->findChildren<HomeButton *>())
        if (button->isVisible())
            labels << button->text();
    return labels;
}

} // namespace

// Registration, the administrator's controls and the sheets opened from the
// home screen against a real server are in tst_userflow and tst_adminflow.
class TestHomeView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        m_server.setHandler([](const TestRequest &request) {
            if (request.path == u"/company/list.php")
                return TestResponse::json(companyList({}));
            return TestResponse::json({ { u"success"_s, true }, { u"tickets"_s, QJsonArray {} } });
        });
    }

    void init() { m_env->clearSettings(); }

    void cleanup()
    {
        m_home.reset();
        m_other.reset();
        // Sheets belong to no window here; close whatever a test left open.
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<Sheet *>(widget))
                delete widget;
    }

    void firstStart_opensRegistrationByItself_aRegisteredUserIsNotAskedAgain()
    {
        // Registered but without a user id: no card, and registration is not offered again.
        m_env->settings.writeBool(UserSettings::IsRegistered, true);
        HomeView *registered = showHome(m_other);
        QVERIFY(!registered->findChild<UserCard *>()->isVisible());
        QCOMPARE(visibleButtons(registered), QStringList({ u"Démarrer un ticket"_s, u"Mes tickets"_s }));

        m_env->clearSettings();
        QElapsedTimer clock;
        clock.start();
        HomeView *home = showHome(m_home);
        QVERIFY(home);
        QCOMPARE(visibleButtons(home), QStringList { u"Créer mon compte"_s });
        QVERIFY(!ViewTestEnv::button(home, u"Paramètres utilisateur"_s, ViewTestEnv::Shown::Only));
        // Not at once, but half a second after being shown.
        QVERIFY(!home->findChild<RegisterView *>());
        QTRY_VERIFY(home->findChild<RegisterView *>() && home->findChild<RegisterView *>()->isVisible());
        QVERIFY(clock.elapsed() >= HomeView::RegisterDelayMs);
        // Shown earlier, the registered user's screen would have asked by now.
        QVERIFY(!registered->findChild<RegisterView *>());
    }

    // That the tray's entries reach the home screen is in tst_desktopshell.
    void trayRequests_raiseTheOpenSheetRatherThanStackAnother()
    {
        m_env->storeIdentity(5, u"24"_s, u"Durand"_s, u"Léa"_s);
        HomeView *home = showHome(m_home);
        AppEvents &events = m_env->services().events;
        Q_EMIT events.createTicketRequested();
        CreateTicketView *first = home->findChild<CreateTicketView *>();
        QVERIFY(first);
        Q_EMIT events.createTicketRequested();
        QCOMPARE(home->findChildren<CreateTicketView *>(), QList { first });
        // A ticket filed there reloads an open list of the user's tickets.
        Q_EMIT events.myTicketsRequested();
        QVERIFY(home->findChild<MyTicketsView *>());
        QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 1);
        Q_EMIT first->ticketCreated();
        QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 2);
    }

private:
    HomeView *showHome(std::unique_ptr<HomeView> &holder)
    {
        holder = std::make_unique<HomeView>(m_env->services());
        holder->resize(640, 820);
        holder->show();
        return QTest::qWaitForWindowExposed(holder.get()) ? holder.get() : nullptr;
    }

    std::unique_ptr<HomeView> m_home, m_other;
};

QTEST_MAIN(TestHomeView)
#include "tst_homeview.moc"
