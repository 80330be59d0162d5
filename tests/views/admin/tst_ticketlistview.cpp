#include "api/configuration.h"
#include "artifacts.h"
#include "cannedhttpserver.h"
#include "ticketjson.h"
#include "views/admin/ticketcarddelegate.h"
#include "views/admin/ticketdetailview.h"
#include "views/admin/ticketgridview.h"
#include "views/admin/ticketlistmodel.h"
#include "views/admin/ticketlistview.h"
#include "views/navigationstack.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The administrators' ticket list against a scripted server: every face, the
// sections and their order, and the way to a ticket's detail and back.
class TestTicketListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mixedStatuses_sectionsOrderAndCountLine();
    void failedRefresh_showsErrorThenRetryRestoresList();
    void emptyList_showsAucunTicketWithoutButton();
    void keyboard_arrowsMoveByCardAndReturnOpensDetail();
    void click_opensDetailAndBackFetchesAgain();

private:
    // A window holding a navigation stack with the list pushed on it.
    struct Screen
    {
        QWidget root;
        NavigationStack *stack = nullptr;
        TicketListView *list = nullptr;
    };
    std::unique_ptr<Screen> openList();
    bool waitForLoad(TicketListView *list);
    QStringList visibleTexts(QWidget *face) const;

    CannedHttpServer m_server;
};

void TestTicketListView::initTestCase()
{
    QVERIFY(m_server.listen());
    Configuration configuration;
    configuration.apiBase = m_server.apiBase();
    Configuration::setCurrent(configuration);
}

std::unique_ptr<TestTicketListView::Screen> TestTicketListView::openList()
{
    auto screen = std::make_unique<Screen>();
    screen->stack = new NavigationStack(new QWidget, &screen->root);
    screen->root.resize(1100, 800);
    screen->stack->resize(1100, 800);
    screen->root.show();
    screen->root.activateWindow();
    if (!QTest::qWaitForWindowActive(&screen->root))
        qWarning("the test window did not become active");
    screen->list = new TicketListView;
    screen->stack->push(screen->list);
    return screen;
}

bool TestTicketListView::waitForLoad(TicketListView *list)
{
    if (!list->loading())
        return true;
    QSignalSpy finished(list, &TicketListView::loadFinished);
    return finished.wait(10000);
}

QStringList TestTicketListView::visibleTexts(QWidget *face) const
{
    QStringList texts;
    for (QLabel *label : face->findChildren<QLabel *>())
        if (label->isVisible() && !label->text().isEmpty())
            texts << label->text();
    for (QPushButton *button : face->findChildren<QPushButton *>())
        if (button->isVisible())
            texts << button->text();
    return texts;
}

void TestTicketListView::mixedStatuses_sectionsOrderAndCountLine()
{
    m_server.setJsonReply("/admin/list-tickets.php", 200,
        ticketList({ ticketJson(1, "Ouvert", "2025-01-01 10:00:00", "Premier"),
            ticketJson(2, "CLOSED", "2025-01-03 10:00:00"), ticketJson(3, "en_cours", "2025-01-05 10:00:00"),
            ticketJson(4, nullptr, "2025-01-04 10:00:00"), ticketJson(5, "OPEN", nullptr, "Sans date"),
            ticketJson(6, "Fermé", "2025-01-02 10:00:00"),
            ticketJson(7, "open", "2025-03-14T09:26:53.589Z", "Le plus récent") }));
    auto screen = openList();
    TicketListView *list = screen->list;
    QCOMPARE(list->face(), TicketListView::Face::Loading);
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::List);

    const QStringList texts = visibleTexts(list);
    QVERIFY2(texts.contains(u"Gestion des tickets"_s), qPrintable(texts.join(u'|')));
    QVERIFY2(texts.contains(u"7 tickets au total"_s), qPrintable(texts.join(u'|')));

    // Rows as a screen reader walks them: section headers with their counts,
    // then the cards newest first; en_cours and the status-less ticket are
    // counted above but shown nowhere.
    TicketListModel *model = list->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row);
        rows << (model->rowKind(row) == TicketListModel::RowKind::Header
                ? index.data(Qt::AccessibleTextRole).toString()
                : index.data(TicketListModel::TicketIdRole).toString());
    }
    QCOMPARE(rows,
        (QStringList {
            u"Tickets en cours, 3"_s, u"7"_s, u"1"_s, u"5"_s, u"Tickets fermés, 2"_s, u"2"_s, u"6"_s }));

    // The grid lays the cards out three to a line under a full-width header.
    TicketGridView *grid = list->grid();
    const QRect header = grid->visualRect(model->index(0));
    const QRect first = grid->visualRect(model->index(1));
    const QRect second = grid->visualRect(model->index(2));
    const QRect third = grid->visualRect(model->index(3));
    QVERIFY(header.bottom() < first.top());
    QCOMPARE(first.top(), second.top());
    QCOMPARE(second.top(), third.top());
    QVERIFY(first.right() < second.left() && second.right() < third.left());
    QVERIFY(third.right() <= grid->viewport()->width());
    QVERIFY(grid->visualRect(model->index(5)).top() > third.bottom()); // closed header on its own line

    // Cards tell assistive technology what they show.
    const QString description = model->index(1).data(Qt::AccessibleDescriptionRole).toString();
    QVERIFY2(
        description.contains(u"14 mars 2025"_s) || description.contains(u"2025"_s), qPrintable(description));
    QCOMPARE(model->index(1).data(Qt::AccessibleTextRole).toString(), u"Le plus récent"_s);
    QVERIFY(saveScreenshot(&screen->root, u"admin-ticket-list"_s));

    // What a screen reader hears walking the grid: headers as text, cards by
    // their title with status, priority, date, author and company as description.
    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(grid);
    QVERIFY(view);
    QStringList heard;
    for (int i = 0; i < view->childCount(); ++i) {
        QAccessibleInterface *item = view->child(i);
        if (item && !item->text(QAccessible::Name).isEmpty())
            heard << item->text(QAccessible::Name) + u" | "_s + item->text(QAccessible::Description);
    }
    QVERIFY2(heard.size() >= 7, qPrintable(heard.join(u'\n')));
    QVERIFY2(heard.first().startsWith(u"Tickets en cours, 3"_s), qPrintable(heard.join(u'\n')));
    QVERIFY2(heard.contains(u"Premier | Statut OUVERT, priorité N/A, créé le 2025-01-01 10:00:00"_s),
        qPrintable(heard.join(u'\n')));
}

void TestTicketListView::failedRefresh_showsErrorThenRetryRestoresList()
{
    m_server.setJsonReply(
        "/admin/list-tickets.php", 200, ticketList({ ticketJson(1, "open", "2025-01-01 10:00:00") }));
    auto screen = openList();
    TicketListView *list = screen->list;
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::List);
    QVERIFY(visibleTexts(list).contains(u"1 ticket au total"_s));

    // A reply that is no ticket list: the error view hides the old list.
    m_server.setReply("/admin/list-tickets.php", 200, "<html>Service indisponible</html>");
    list->loadTickets();
    QCOMPARE(list->face(), TicketListView::Face::Loading);
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::Error);
    QVERIFY(list->errorMessage().has_value());
    QCOMPARE(list->tickets().size(), 1); // kept, though hidden
    const QStringList texts = visibleTexts(list);
    QVERIFY(texts.contains(u"Erreur de chargement"_s));
    QVERIFY(texts.contains(*list->errorMessage()));
    QVERIFY(saveScreenshot(&screen->root, u"admin-ticket-list-error"_s));

    m_server.setJsonReply("/admin/list-tickets.php", 200,
        ticketList(
            { ticketJson(1, "open", "2025-01-01 10:00:00"), ticketJson(2, "fermé", "2025-01-02 10:00:00") }));
    QPushButton *retry = nullptr;
    for (QPushButton *button : list->findChildren<QPushButton *>())
        if (button->text() == u"Réessayer" && button->isVisible())
            retry = button;
    QVERIFY(retry);
    QSignalSpy finished(list, &TicketListView::loadFinished);
    QTest::mouseClick(retry, Qt::LeftButton);
    QVERIFY(finished.wait(10000));
    QCOMPARE(list->face(), TicketListView::Face::List);
    QVERIFY(visibleTexts(list).contains(u"2 tickets au total"_s));
}

void TestTicketListView::emptyList_showsAucunTicketWithoutButton()
{
    m_server.setJsonReply("/admin/list-tickets.php", 200, ticketList({}));
    auto screen = openList();
    QVERIFY(waitForLoad(screen->list));
    QCOMPARE(screen->list->face(), TicketListView::Face::Empty);
    const QStringList texts = visibleTexts(screen->list);
    QVERIFY(texts.contains(u"Aucun ticket"_s));
    QVERIFY(texts.contains(u"Il n'y a aucun ticket pour le moment"_s));
    for (QPushButton *button : screen->list->findChildren<QPushButton *>())
        QVERIFY(!button->isVisible());
}

void TestTicketListView::keyboard_arrowsMoveByCardAndReturnOpensDetail()
{
    // Four open tickets (a line of three and one more) and two closed.
    m_server.setJsonReply("/admin/list-tickets.php", 200,
        ticketList({ ticketJson(1, "open", "2025-01-09 10:00:00"),
            ticketJson(2, "open", "2025-01-08 10:00:00"), ticketJson(3, "open", "2025-01-07 10:00:00"),
            ticketJson(4, "open", "2025-01-06 10:00:00"), ticketJson(5, "closed", "2025-01-05 10:00:00"),
            ticketJson(6, "closed", "2025-01-04 10:00:00") }));
    auto screen = openList();
    QVERIFY(waitForLoad(screen->list));
    TicketGridView *grid = screen->list->grid();
    grid->setFocus(Qt::TabFocusReason);
    auto currentId = [grid] { return grid->currentIndex().data(TicketListModel::TicketIdRole).toLongLong(); };
    QTRY_COMPARE(currentId(), 1);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(currentId(), 2);
    QTest::keyClick(grid, Qt::Key_Down); // nothing right below: the shorter last line's card
    QCOMPARE(currentId(), 4);
    QTest::keyClick(grid, Qt::Key_Down); // into the closed section, same column where possible
    QCOMPARE(currentId(), 5);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(currentId(), 6);
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(currentId(), 4);
    QTest::keyClick(grid, Qt::Key_Left); // over no header, back along the open cards
    QCOMPARE(currentId(), 3);
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(currentId(), 3); // first line stays put
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Right); // 4, then over the closed header to 5
    QCOMPARE(currentId(), 5);

    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(screen->stack->depth(), 3);
    auto *detail = qobject_cast<TicketDetailView *>(screen->stack->top());
    QVERIFY(detail);
    QCOMPARE(detail->ticket().id, 5);
    QCOMPARE(screen->list->selectedTicket()->id, 5);
}

void TestTicketListView::click_opensDetailAndBackFetchesAgain()
{
    m_server.setJsonReply("/admin/list-tickets.php", 200,
        ticketList({ ticketJson(11, "open", "2025-01-09 10:00:00", "Écran noir"),
            ticketJson(12, "open", "2025-01-08 10:00:00") }));
    auto screen = openList();
    TicketListView *list = screen->list;
    QVERIFY(waitForLoad(list));
    const qsizetype fetches = m_server.requestCount("/admin/list-tickets.php");

    TicketGridView *grid = list->grid();
    const QRect card = grid->visualRect(list->model()->index(list->model()->rowOfTicket(11)));
    // Hovering lifts the card: its spring runs and settles on the hovered look.
    QTest::mouseMove(grid->viewport(), card.center());
    QTRY_VERIFY(grid->cardDelegate()->hoveredRow() == list->model()->rowOfTicket(11));
    QTRY_VERIFY(!grid->cardDelegate()->isAnimating());
    QCOMPARE(grid->cardDelegate()->hoverProgress(list->model()->rowOfTicket(11)), 1.0);
    QVERIFY(saveScreenshot(&screen->root, u"admin-ticket-list-hover"_s));

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, card.center() + QPoint(0, 60));
    auto *detail = qobject_cast<TicketDetailView *>(screen->stack->top());
    QVERIFY(detail);
    QCOMPARE(detail->ticket().id, 11);
    QVERIFY(saveScreenshot(&screen->root, u"admin-ticket-detail-from-list"_s));

    // "Retour" pops the detail; the list comes back on screen and fetches anew.
    QPushButton *back = nullptr;
    for (QPushButton *button : detail->findChildren<QPushButton *>())
        if (button->accessibleName() == u"Retour")
            back = button;
    QVERIFY(back);
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(screen->stack->top(), list);
    QTRY_COMPARE(m_server.requestCount("/admin/list-tickets.php"), fetches + 1);
    QTRY_VERIFY(!list->selectedTicket().has_value());
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::List);
}

QTEST_MAIN(TestTicketListView)
#include "tst_ticketlistview.moc"
