#include "artifacts.h"
#include "core/configuration.h"
#include "testserver.h"
#include "ticketjson.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"
#include "viewtestenv.h"

#include <QAccessible>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using ViewTestEnv::showsText;

namespace {
const QString listPath = u"/admin/list-tickets.php"_s;
}

// The administrators' ticket list against a scripted server: every face, the
// sections and their order, and the way to a ticket's detail and back.
class TestTicketListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mixedStatuses_sectionsOrderAndCountLine();
    void refresh_errorThenRetryThenEmpty();
    void keyboardAndMouse_openTheDetail_backFetchesAgain();
    void overlappingLoads_latestReplyWins();

private:
    // The list pushed on a window's navigation stack.
    struct Screen : ViewTestEnv::StackedWindow
    {
        TicketListView *list = new TicketListView(APIService::shared());
        Screen() { stack->push(list); }
    };
    static bool waitForLoad(TicketListView *list);
    void serve(const QJsonObject &reply) { m_server.setReply(listPath, TestResponse::json(reply)); }

    QTemporaryDir m_config;
    TestServer m_server;
};

void TestTicketListView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
}

bool TestTicketListView::waitForLoad(TicketListView *list)
{
    if (!list->loading())
        return true;
    QSignalSpy finished(list, &TicketListView::loadFinished);
    return finished.wait(10000);
}

// Sections, their order and the card texts are in tst_ticketlistmodel; here
// the screen lays them out and hands them to assistive technology.
void TestTicketListView::mixedStatuses_sectionsOrderAndCountLine()
{
    serve(ticketList({ ticketJson(1, "Ouvert", "2025-01-01 10:00:00", "Premier"),
        ticketJson(2, "CLOSED", "2025-01-03 10:00:00"), ticketJson(3, "en_cours", "2025-01-05 10:00:00"),
        ticketJson(4, nullptr, "2025-01-04 10:00:00"), ticketJson(5, "OPEN", nullptr, "Sans date"),
        ticketJson(6, "Fermé", "2025-01-02 10:00:00"),
        ticketJson(7, "open", "2025-03-14T09:26:53.589Z", "Le plus récent") }));
    Screen screen;
    TicketListView *list = screen.list;
    QVERIFY(waitForLoad(list));
    QVERIFY(showsText(list, u"Gestion des tickets"_s));
    QVERIFY(showsText(list, u"7 tickets au total"_s)); // en_cours and no status count too
    QVERIFY(saveScreenshot(&screen.window, u"admin-ticket-list"_s));

    // The grid lays the cards out three to a line under a full-width header.
    TicketListModel *model = list->model();
    TicketGridView *grid = list->grid();
    const QRect header = grid->visualRect(model->index(0));
    const QRect first = grid->visualRect(model->index(1));
    const QRect second = grid->visualRect(model->index(2));
    const QRect third = grid->visualRect(model->index(3));
    QVERIFY(header.bottom() < first.top());
    QVERIFY(first.top() == second.top() && second.top() == third.top());
    QVERIFY(first.right() < second.left() && second.right() < third.left());
    QVERIFY(third.right() <= grid->viewport()->width());
    QVERIFY(grid->visualRect(model->index(5)).top() > third.bottom()); // closed header on its own line

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
    QVERIFY2(heard.first().startsWith(u"Tickets en cours, 3 tickets | "_s), qPrintable(heard.join(u'\n')));
    QVERIFY2(heard.contains(u"Premier | Statut OUVERT, priorité N/A, créé le 2025-01-01 10:00:00"_s),
        qPrintable(heard.join(u'\n')));
}

void TestTicketListView::refresh_errorThenRetryThenEmpty()
{
    serve(ticketList({ ticketJson(1, "open", "2025-01-01 10:00:00") }));
    Screen screen;
    TicketListView *list = screen.list;
    QVERIFY(waitForLoad(list));

    // A reply that is no ticket list: the error view hides the old list.
    m_server.setReply(listPath, { 200, "<html>Service indisponible</html>", 0 });
    list->loadTickets();
    QCOMPARE(list->face(), TicketListView::Face::Loading);
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::Error);
    QCOMPARE(list->tickets().size(), 1); // kept, though hidden
    QVERIFY(showsText(list, u"Erreur de chargement"_s));
    QVERIFY(showsText(list, list->errorMessage().value_or(QString())));
    QVERIFY(saveScreenshot(&screen.window, u"admin-ticket-list-error"_s));

    serve(ticketList(
        { ticketJson(1, "open", "2025-01-01 10:00:00"), ticketJson(2, "fermé", "2025-01-02 10:00:00") }));
    QAbstractButton *retry = ViewTestEnv::button(list, u"Réessayer"_s, ViewTestEnv::Shown::Only);
    QVERIFY(retry);
    QSignalSpy finished(list, &TicketListView::loadFinished);
    QTest::mouseClick(retry, Qt::LeftButton);
    QVERIFY(finished.wait(10000));
    QCOMPARE(list->face(), TicketListView::Face::List);
    QVERIFY(showsText(list, u"2 tickets au total"_s));

    // No ticket at all: a word of it and no button.
    serve(ticketList({}));
    list->loadTickets();
    QVERIFY(waitForLoad(list));
    QCOMPARE(list->face(), TicketListView::Face::Empty);
    QVERIFY(showsText(list, u"Aucun ticket"_s));
    QVERIFY(showsText(list, u"Il n'y a aucun ticket pour le moment"_s));
    for (QPushButton *button : list->findChildren<QPushButton *>())
        QVERIFY(!button->isVisibleTo(list) || button->text() == u"Retour");
}

void TestTicketListView::keyboardAndMouse_openTheDetail_backFetchesAgain()
{
    // Four open tickets (a line of three and one more) and two closed.
    serve(ticketList({ ticketJson(1, "open", "2025-01-09 10:00:00"),
        ticketJson(2, "open", "2025-01-08 10:00:00"), ticketJson(3, "open", "2025-01-07 10:00:00"),
        ticketJson(4, "open", "2025-01-06 10:00:00"), ticketJson(5, "closed", "2025-01-05 10:00:00"),
        ticketJson(6, "closed", "2025-01-04 10:00:00") }));
    Screen screen;
    QVERIFY(waitForLoad(screen.list));
    TicketGridView *grid = screen.list->grid();
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
    QCOMPARE(screen.stack->depth(), 3);
    auto *detail = qobject_cast<TicketDetailView *>(screen.stack->top());
    QVERIFY(detail);
    QCOMPARE(detail->ticket().id, 5);
    QCOMPARE(screen.list->selectedTicket()->id, 5);

    // "Retour" pops the detail; the list comes back on screen and fetches anew.
    const qsizetype fetches = m_server.count(listPath);
    QTest::mouseClick(ViewTestEnv::button(detail, u"Retour"_s), Qt::LeftButton);
    QCOMPARE(screen.stack->top(), screen.list);
    QTRY_COMPARE(m_server.count(listPath), fetches + 1);
    QTRY_VERIFY(!screen.list->selectedTicket().has_value());
    QVERIFY(waitForLoad(screen.list));

    // A click on a card, below its title, opens it too.
    const QRect card = grid->visualRect(screen.list->model()->index(screen.list->model()->rowOfTicket(2)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, card.center() + QPoint(0, 60));
    detail = qobject_cast<TicketDetailView *>(screen.stack->top());
    QVERIFY(detail);
    QCOMPARE(detail->ticket().id, 2);

    // Escape steps back from the detail, Alt+Left from the list, and the
    // list's own "Retour" leads home; the root never pops.
    QTest::keyClick(detail, Qt::Key_Escape);
    QCOMPARE(screen.stack->top(), screen.list);
    QPointer<TicketListView> list = screen.list;
    QTest::keyClick(grid, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(screen.stack->depth(), 1);
    QTRY_VERIFY(!list);
    QTest::keyClick(screen.stack->top(), Qt::Key_Escape);
    QCOMPARE(screen.stack->depth(), 1);
    auto *again = new TicketListView(APIService::shared());
    screen.stack->push(again);
    QAbstractButton *back = ViewTestEnv::button(again, u"Retour"_s, ViewTestEnv::Shown::Only);
    QVERIFY(back);
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(screen.stack->depth(), 1);
}

void TestTicketListView::overlappingLoads_latestReplyWins()
{
    // The first fetch answers late with an old list, the second at once.
    int served = 0;
    m_server.clearReplies();
    m_server.setHandler([&served](const TestRequest &) {
        const bool first = served++ == 0;
        return TestResponse::json(
            ticketList({ ticketJson(first ? 1 : 2, "open", "2025-01-01 10:00:00") }), 200, first ? 600 : 0);
    });
    QSignalSpy replies(APIService::shared().network(), &QNetworkAccessManager::finished);
    const qsizetype before = m_server.count(listPath);
    Screen screen;
    QTRY_VERIFY(m_server.count(listPath) > before);
    screen.list->loadTickets();
    // Every fetch answered, the late first one last.
    QTRY_VERIFY(screen.list->face() == TicketListView::Face::List
        && replies.size() == m_server.count(listPath) - before && replies.size() >= 2);
    QCOMPARE(screen.list->tickets().size(), 1);
    QCOMPARE(screen.list->tickets().first().id, 2);
}

QTEST_MAIN(TestTicketListView)
#include "tst_ticketlistview.moc"
