#include "admin/ticketjson.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/myticketsmodel.h"
#include "ui/myticketsview.h"
#include "ui/ticketcard.h"
#include "ui/widgets/noticebox.h"
#include "viewtestenv.h"

#include <QListView>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStackedWidget>

namespace {

QJsonObject ticket(qint64 id, const QString &titre, const QString &priorite, const QString &status,
    const QJsonObject &extra = {})
{
    QJsonObject object { { u"id"_s, QJsonValue(id) }, { u"titre"_s, titre },
        { u"description"_s, QString(u"Description du ticket "_s + QString::number(id)) },
        { u"priorite"_s, priorite }, { u"status"_s, status }, { u"created_at"_s, u"2025-03-07 14:05:00"_s } };
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QJsonArray sampleTickets()
{
    return { ticket(1,
                 u"Imprimante du 2e étage hors service depuis lundi matin, plus aucune impression possible "
                 "même après redémarrage complet"_s,
                 u"Haute"_s, u"ouvert"_s),
        ticket(2, u"Mot de passe expiré"_s, u"CRITIQUE"_s, u"Fermé"_s,
            { { u"closed_at"_s, u"2025-03-08 09:30:00"_s },
                { u"close_message"_s, u"Réinitialisé, voir courriel."_s } }),
        ticket(3, u"Souris"_s, u"basse"_s, u"closed"_s, { { u"close_message"_s, u""_s } }),
        ticket(4, u"Écran"_s, u"normale"_s, u"open"_s) };
}

} // namespace

class TestMyTicketsView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env); }

    void init()
    {
        m_view.reset();
        m_env->clearSettings();
        m_env->storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s);
        m_server.clearRequests();
        m_server.setHandler(
            [](const TestRequest &) { return TestResponse::json(ticketList(sampleTickets())); });
    }

    void noStoredUserAsksNothing_slowEmptyReplyShowsLoadingThenEmpty()
    {
        m_env->settings.writeInteger(UserSettings::UserId, 0);
        MyTicketsView *view = openSheet();
        QVERIFY(view && !errorBox(view)->isHidden());
        QCOMPARE(errorBox(view)->text(), u"Utilisateur non connecté"_s);
        QCOMPARE(contentState(view), u"empty"_s);

        m_env->settings.writeInteger(UserSettings::UserId, 12);
        m_server.setHandler([](const TestRequest &) { return TestResponse::json(ticketList({}), 200, 500); });
        view = openSheet();
        QCOMPARE(contentState(view), u"loading"_s);
        QTRY_COMPARE(contentState(view), u"empty"_s);
        QVERIFY(errorBox(view)->isHidden());
        // The only request is the second sheet's: the first, without a user, asked nothing.
        QCOMPARE(m_server.apiRequests().size(), 1);
        QCOMPARE(m_server.apiRequests().first().query.queryItemValue(u"user_id"_s), u"12"_s);
    }

    void cards_showFrenchWordsAndDates_andTellAssistiveTechnology()
    {
        MyTicketsView *view = openList();
        QVERIFY(view);
        MyTicketsModel *tickets = model(view);
        auto at = [tickets](int row, int role) { return tickets->index(row).data(role).toString(); };
        // Which statuses are open, and a date shown raw, are in tst_records; "En
        // cours" for a new ticket in tst_userflow. The rows keep the server's order.
        QCOMPARE(at(1, MyTicketsModel::ClosedRole), u"Fermé le 08/03/2025 à 09:30"_s);
        QCOMPARE(at(2, MyTicketsModel::ClosedRole), QString()); // closed without a date

        const QModelIndex closed = tickets->index(1);
        QCOMPARE(closed.data(Qt::AccessibleTextRole).toString(),
            u"Mot de passe expiré, priorité Critique, Terminé, créé le 07/03/2025 à 14:05"_s);
        QVERIFY(!closed.data(Qt::AccessibleDescriptionRole).toString().contains(u"Réinitialisé"_s));
        view->toggleExpanded(2);
        const QString description = closed.data(Qt::AccessibleDescriptionRole).toString();
        QVERIFY(description.contains(u"Description du ticket 2"_s));
        QVERIFY(description.contains(u"Réponse du support : Réinitialisé, voir courriel."_s));
    }

    void expandButtonAndKeyboard_toggleTheCard()
    {
        MyTicketsView *view = openList();
        QVERIFY(view);
        QListView *list = listView(view);
        const QModelIndex second = model(view)->index(1);
        const int collapsed = list->visualRect(second).height();
        const QRect button = cardDelegate(view)->buttonRect(list->visualRect(second));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
        QVERIFY(model(view)->isExpanded(2));
        // Fully open: the card grows.
        QTRY_VERIFY(list->visualRect(second).height() > collapsed + 40);
        // Collapse from the button, now lower down.
        const QRect lowered = cardDelegate(view)->buttonRect(list->visualRect(second));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, lowered.center());
        QVERIFY(!model(view)->isExpanded(2));
        QTRY_COMPARE(list->visualRect(second).height(), collapsed);

        // Space and Return toggle the current card.
        list->setFocus();
        list->setCurrentIndex(second);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(model(view)->isExpanded(2));
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!model(view)->isExpanded(2));
    }

    void refresh_keepsTheListUnderAnError_andTheLatestReplyWins()
    {
        MyTicketsView *view = openList();
        QVERIFY(view);
        m_server.setHandler([](const TestRequest &) {
            return TestResponse { 500, "<html>Internal error</html>", 0 };
        });
        QTest::mouseClick(ViewTestEnv::button(view, u"Actualiser"_s), Qt::LeftButton);
        QTRY_VERIFY(!errorBox(view)->isHidden() && contentState(view) != u"loading");
        QCOMPARE(errorBox(view)->text(), u"Erreur de chargement: Réponse invalide du serveur"_s);
        QCOMPARE(contentState(view), u"list"_s);
        QCOMPARE(model(view)->rowCount(), 4); // the list stays under the error
        // The next load start hides the error, and its success leaves it hidden.
        m_server.setHandler([](const TestRequest &) {
            return TestResponse::json(
                ticketList({ ticket(9, u"Nouveau"_s, u"normale"_s, u"open"_s) }), 200, 300);
        });
        QTest::keyClick(ViewTestEnv::button(view, u"Actualiser"_s), Qt::Key_Space);
        QVERIFY(errorBox(view)->isHidden());
        QTRY_VERIFY(contentState(view) != u"loading");
        QCOMPARE(model(view)->index(0).data(MyTicketsModel::TitleRole).toString(), u"Nouveau"_s);

        // Two loads overlap: the first answers last, with an older list, and is dropped.
        int served = 0;
        m_server.setHandler([&served](const TestRequest &) {
            const bool first = served++ == 0;
            return TestResponse::json(ticketList({ ticket(first ? 7 : 8, first ? u"Ancien"_s : u"Récent"_s,
                                          u"normale"_s, u"open"_s) }),
                200, first ? 600 : 0);
        });
        QSignalSpy replies(m_env->api.network(), &QNetworkAccessManager::finished);
        view->loadTickets();
        view->loadTickets();
        QTRY_COMPARE(replies.size(), 2);
        QCOMPARE(model(view)->index(0).data(MyTicketsModel::TitleRole).toString(), u"Récent"_s);
        QVERIFY(contentState(view) != u"loading");
    }

private:
    // The sheet's named parts; the content area shows "loading", "empty" or "list".
    static NoticeBox *errorBox(QWidget *view) { return view->findChild<NoticeBox *>(u"error"_s); }
    static QString contentState(QWidget *view)
    {
        return view->findChild<QStackedWidget *>(u"content"_s)->currentWidget()->objectName();
    }
    static QListView *listView(QWidget *view) { return view->findChild<QListView *>(u"list"_s); }
    static MyTicketsModel *model(QWidget *view)
    {
        return qobject_cast<MyTicketsModel *>(listView(view)->model());
    }
    static TicketCard *cardDelegate(QWidget *view)
    {
        return qobject_cast<TicketCard *>(listView(view)->itemDelegate());
    }

    MyTicketsView *openSheet()
    {
        return ViewTestEnv::openSheet(m_view, m_env->api, m_env->settings, m_env->conversations);
    }
    // A sheet showing the sample tickets.
    MyTicketsView *openList()
    {
        MyTicketsView *view = openSheet();
        return view && QTest::qWaitFor([view] { return contentState(view) == u"list"; }) ? view : nullptr;
    }

    std::unique_ptr<MyTicketsView> m_view;
};

QTEST_MAIN(TestMyTicketsView)
#include "tst_myticketsview.moc"
