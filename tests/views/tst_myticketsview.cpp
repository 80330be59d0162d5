#include "app/notificationcenter.h"
#include "artifacts.h"
#include "views/iconbutton.h"
#include "views/myticketsmodel.h"
#include "views/myticketsview.h"
#include "views/style.h"
#include "views/ticketcard.h"
#include "viewtestenv.h"

#include <QAccessible>
#include <QJsonArray>
#include <QListView>
#include <QTest>

using namespace Qt::StringLiterals;

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

QJsonObject reply(const QJsonArray &tickets)
{
    return { { u"success"_s, true }, { u"tickets"_s, tickets } };
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
        ticket(4, u"Écran"_s, u"normale"_s, u"open"_s, { { u"created_at"_s, u"hier"_s } }) };
}

} // namespace

class TestMyTicketsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void noStoredUser_showsErrorAndEmptyStateWithoutRequest();
    void emptyReply_showsEmptyState();
    void cards_useTheSharedVocabularyLowerCased();
    void cards_formatDatesOrShowThemRaw();
    void cards_tellAssistiveTechnologyWhatTheyShow();
    void expandButton_opensAndClosesTheCardAnimated();
    void keyboard_spaceTogglesTheCurrentCard();
    void collapsedTitle_isClampedToTwoLines();
    void failedRefresh_keepsThePreviousListUnderTheError();
    void reloads_onRefreshButtonAndOnRefreshNotification();
    void slowServer_showsLoadingState();

private:
    MyTicketsView *openSheet();

    QTemporaryDir m_config;
    TestServer m_server;
    std::unique_ptr<MyTicketsView> m_view;
};

void TestMyTicketsView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
}

void TestMyTicketsView::init()
{
    m_view.reset();
    ViewTestEnv::clearSettings();
    ViewTestEnv::storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s);
    m_server.requests.clear();
    m_server.setHandler([](const TestRequest &) { return TestResponse::json(reply(sampleTickets())); });
}

MyTicketsView *TestMyTicketsView::openSheet()
{
    m_view = std::make_unique<MyTicketsView>();
    m_view->show();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        return nullptr;
    return m_view.get();
}

void TestMyTicketsView::noStoredUser_showsErrorAndEmptyStateWithoutRequest()
{
    UserSettings::shared().writeInteger(UserSettings::UserId, 0);
    MyTicketsView *view = openSheet();
    QVERIFY(view);
    QVERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Utilisateur non connecté"_s);
    QCOMPARE(view->contentState(), u"empty"_s);
    QVERIFY(!view->isLoading());
    QVERIFY(!QTest::qWaitFor([this] { return !m_server.requests.isEmpty(); }, 200));
    QVERIFY(saveScreenshot(view, u"my-tickets-no-user"_s));
}

void TestMyTicketsView::emptyReply_showsEmptyState()
{
    m_server.setHandler([](const TestRequest &) { return TestResponse::json(reply({})); });
    MyTicketsView *view = openSheet();
    QVERIFY(view);
    QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 1);
    QTRY_VERIFY(!view->isLoading());
    QCOMPARE(view->contentState(), u"empty"_s);
    QVERIFY(!view->showError());
    QCOMPARE(m_server.requests.first().query.queryItemValue(u"user_id"_s), u"12"_s);
    QVERIFY(saveScreenshot(view, u"my-tickets-empty"_s));
}

void TestMyTicketsView::cards_useTheSharedVocabularyLowerCased()
{
    MyTicketsView *view = openSheet();
    QVERIFY(view);
    QTRY_COMPARE(view->contentState(), u"list"_s);
    MyTicketsModel *model = view->model();
    QCOMPARE(model->rowCount(), 4);
    auto at = [model](int row, int role) { return model->index(row).data(role); };
    // Server order is kept.
    QCOMPARE(at(0, MyTicketsModel::IdRole).toLongLong(), 1);
    QCOMPARE(at(3, MyTicketsModel::IdRole).toLongLong(), 4);
    // "ouvert" is open: in progress, orange.
    QCOMPARE(at(0, MyTicketsModel::StatusWordRole).toString(), u"En cours"_s);
    QCOMPARE(at(0, MyTicketsModel::StatusColorRole).value<QColor>(), Style::orange());
    // "Haute" with a capital is still high: orange circle, word as Haute.
    QCOMPARE(at(0, MyTicketsModel::PriorityColorRole).value<QColor>(), Style::orange());
    QCOMPARE(at(0, MyTicketsModel::PriorityWordRole).toString(), u"Haute"_s);
    // "Fermé" is closed: done, green, with its closing date.
    QCOMPARE(at(1, MyTicketsModel::StatusWordRole).toString(), u"Terminé"_s);
    QCOMPARE(at(1, MyTicketsModel::StatusColorRole).value<QColor>(), Style::green());
    QCOMPARE(at(1, MyTicketsModel::PriorityColorRole).value<QColor>(), Style::red());
    QCOMPARE(at(1, MyTicketsModel::PriorityWordRole).toString(), u"Critique"_s);
    QCOMPARE(at(1, MyTicketsModel::ClosedRole).toString(), u"Fermé le 08/03/2025 à 09:30"_s);
    QCOMPARE(at(1, MyTicketsModel::CloseMessageRole).toString(), u"Réinitialisé, voir courriel."_s);
    // Closed without a date: no closing line; an unknown priority is green.
    QCOMPARE(at(2, MyTicketsModel::StatusWordRole).toString(), u"Terminé"_s);
    QCOMPARE(at(2, MyTicketsModel::ClosedRole).toString(), QString());
    QCOMPARE(at(2, MyTicketsModel::PriorityColorRole).value<QColor>(), Style::green());
    QCOMPARE(at(3, MyTicketsModel::StatusWordRole).toString(), u"En cours"_s);
    QVERIFY(saveScreenshot(view, u"my-tickets"_s));
}

void TestMyTicketsView::cards_formatDatesOrShowThemRaw()
{
    QCOMPARE(MyTicketsModel::formatDate(u"2025-03-07 14:05:00"_s), u"07/03/2025 à 14:05"_s);
    QCOMPARE(MyTicketsModel::formatDate(u"2025-03-07T14:05:00Z"_s), u"2025-03-07T14:05:00Z"_s);
    QCOMPARE(MyTicketsModel::formatDate(u"hier"_s), u"hier"_s);
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    QCOMPARE(view->model()->index(3).data(MyTicketsModel::CreatedRole).toString(), u"hier"_s);
}

void TestMyTicketsView::cards_tellAssistiveTechnologyWhatTheyShow()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    const QModelIndex closed = view->model()->index(1);
    QCOMPARE(closed.data(Qt::AccessibleTextRole).toString(),
        u"Mot de passe expiré, priorité Critique, Terminé, créé le 07/03/2025 à 14:05"_s);
    QVERIFY(!closed.data(Qt::AccessibleDescriptionRole).toString().contains(u"Réinitialisé"_s));
    view->toggleExpanded(2);
    const QString description = closed.data(Qt::AccessibleDescriptionRole).toString();
    QVERIFY(description.contains(u"Description du ticket 2"_s));
    QVERIFY(description.contains(u"Réponse du support : Réinitialisé, voir courriel."_s));
    QVERIFY(description.contains(u"Fermé le 08/03/2025 à 09:30"_s));
    // The list itself hands these texts to the accessibility layer.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(view->listView());
    QVERIFY(list);
    QCOMPARE(list->text(QAccessible::Name), u"Mes tickets"_s);
    QCOMPARE(view->refreshButton()->accessibleName(), u"Actualiser"_s);
}

void TestMyTicketsView::expandButton_opensAndClosesTheCardAnimated()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    QListView *list = view->listView();
    const QModelIndex first = view->model()->index(1);
    const int collapsed = list->visualRect(first).height();
    const QRect button = view->cardDelegate()->buttonRect(list->visualRect(first));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
    QVERIFY(view->model()->isExpanded(2));
    // Part way through, then fully open.
    QTRY_VERIFY(view->model()->expansion(2) > 0 && view->model()->expansion(2) < 1);
    QTRY_COMPARE(view->model()->expansion(2), 1.0);
    QTRY_VERIFY(list->visualRect(first).height() > collapsed + 40);
    QVERIFY(saveScreenshot(view, u"my-tickets-expanded"_s));
    // Collapse from the button, now lower down.
    const QRect lowered = view->cardDelegate()->buttonRect(list->visualRect(first));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, lowered.center());
    QVERIFY(!view->model()->isExpanded(2));
    QTRY_COMPARE(view->model()->expansion(2), 0.0);
    QTRY_COMPARE(list->visualRect(first).height(), collapsed);
    // A click elsewhere on the card does not toggle it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(first).center());
    QVERIFY(!view->model()->isExpanded(2));
}

void TestMyTicketsView::keyboard_spaceTogglesTheCurrentCard()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    QListView *list = view->listView();
    list->setFocus();
    list->setCurrentIndex(view->model()->index(0));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 1);
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(view->model()->isExpanded(2));
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!view->model()->isExpanded(2));
}

void TestMyTicketsView::collapsedTitle_isClampedToTwoLines()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    QListView *list = view->listView();
    // The long title needs more than two lines at this width; collapsed it
    // takes two, expanded all of them.
    const int longCollapsed = list->visualRect(view->model()->index(0)).height();
    const int shortCollapsed = list->visualRect(view->model()->index(2)).height();
    const int lineHeight = QFontMetrics(Style::font(16, QFont::DemiBold)).lineSpacing();
    QCOMPARE(longCollapsed - shortCollapsed, lineHeight);
    view->toggleExpanded(1);
    QTRY_COMPARE(view->model()->expansion(1), 1.0);
    QTRY_VERIFY(list->visualRect(view->model()->index(0)).height() > longCollapsed + lineHeight);
}

void TestMyTicketsView::failedRefresh_keepsThePreviousListUnderTheError()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(view->contentState(), u"list"_s);
    m_server.setHandler([](const TestRequest &) {
        return TestResponse { 500, "<html>Internal error</html>", 0 };
    });
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QTRY_VERIFY(!view->isLoading());
    QCOMPARE(view->errorMessage(), u"Erreur de chargement: Réponse invalide du serveur"_s);
    QCOMPARE(view->contentState(), u"list"_s);
    QCOMPARE(view->model()->rowCount(), 4);
    QVERIFY(saveScreenshot(view, u"my-tickets-error"_s));
    // A later success does not hide the error: only the next load start does.
    m_server.setHandler(
        [](const TestRequest &) { return TestResponse::json(reply(sampleTickets()), 200, 300); });
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    QVERIFY(!view->showError());
    QTRY_VERIFY(!view->isLoading());
    QVERIFY(!view->showError());
}

void TestMyTicketsView::reloads_onRefreshButtonAndOnRefreshNotification()
{
    MyTicketsView *view = openSheet();
    QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 1);
    QTRY_VERIFY(!view->isLoading());
    QTest::keyClick(view->refreshButton(), Qt::Key_Space);
    QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 2);
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json(reply({ ticket(9, u"Nouveau"_s, u"normale"_s, u"open"_s) }));
    });
    NotificationCenter::defaultCenter().post(u"RefreshMyTickets"_s);
    QTRY_COMPARE(m_server.count(u"/user/my-tickets.php"_s), 3);
    QTRY_COMPARE(view->model()->rowCount(), 1);
    QCOMPARE(view->model()->index(0).data(MyTicketsModel::TitleRole).toString(), u"Nouveau"_s);
}

void TestMyTicketsView::slowServer_showsLoadingState()
{
    m_server.setHandler(
        [](const TestRequest &) { return TestResponse::json(reply(sampleTickets()), 200, 500); });
    MyTicketsView *view = openSheet();
    QVERIFY(view->isLoading());
    QCOMPARE(view->contentState(), u"loading"_s);
    QVERIFY(saveScreenshot(view, u"my-tickets-loading"_s));
    QTRY_COMPARE(view->contentState(), u"list"_s);
}

QTEST_MAIN(TestMyTicketsView)
#include "tst_myticketsview.moc"
