#include "httptestserver.h"
#include "testing.h"
#include "ticketjson.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/companyrow.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"
#include "ui/widgets/gradientbutton.h"
#include "viewtestenv.h"

#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScrollBar>

using ViewTestEnv::showsText;

namespace {

const QString listPath = u"/admin/list-tickets.php"_s;
const QString companiesPath = u"/company/list.php"_s;

// The grid as a reader meets it: "H:<title>:<count>" for headers, ids for cards.
QStringList layout(const TicketListModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        if (model.rowKind(row) == TicketListModel::RowKind::Header)
            rows << u"H:"_s + index.data().toString() + u':'
                    + index.data(TicketListModel::SectionCountRole).toString();
        else
            rows << index.data(TicketListModel::TicketIdRole).toString();
    }
    return rows;
}

} // namespace

// The administrators' ticket list and company list against a scripted
// server: the sections and their order, every face, the way to a ticket's
// detail and back, and replies that come late or after their form is gone.
// Listing tickets and companies, and creating one, against the real server
// are in tst_adminflow; the close and the way back in tst_ticketdetailview.
class TestTicketListView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env); }

    void mixedStatuses_sectionsStableOrderCountLineAndWhatAReaderHears()
    {
        serve(ticketList({ ticketJson(1, "Ouvert", "2025-01-01 10:00:00", "Premier"),
            ticketJson(2, "CLOSED", "2025-01-03 10:00:00"), ticketJson(3, "en_cours", "2025-01-05 10:00:00"),
            ticketJson(4, nullptr, "2025-01-04 10:00:00"), ticketJson(5, "OPEN", nullptr, "Sans date"),
            ticketJson(6, "Fermé", "2025-01-02 10:00:00"),
            ticketJson(7, "open", "2025-03-14T09:26:53.589Z", "Le plus récent") }));
        Screen screen(m_env->api, m_env->conversations);
        TicketListView *list = screen.list;
        QVERIFY(waitForLoad(list));
        QVERIFY(showsText(list, u"7 tickets au total"_s)); // en_cours and no status count too
        TicketListModel *model = modelOf(list);
        QCOMPARE(layout(*model),
            (QStringList { u"H:Tickets en cours:3"_s, u"7"_s, u"1"_s, u"5"_s, u"H:Tickets fermés:2"_s, u"2"_s,
                u"6"_s })); // en_cours: counted, shown nowhere
        // Headers are read, never selected by the keyboard cursor.
        QVERIFY(!(model->flags(model->index(0)) & Qt::ItemIsSelectable));
        QVERIFY(model->flags(model->index(1)) & Qt::ItemIsSelectable);

        // What a screen reader hears (the grid's cells read these roles):
        // headers as text, cards by their title with status, priority, date,
        // author and company as description.
        const auto heard = [model](int row) -> QString {
            return model->index(row).data(Qt::AccessibleTextRole).toString() + u" | "_s
                + model->index(row).data(Qt::AccessibleDescriptionRole).toString();
        };
        QVERIFY2(heard(0).startsWith(u"Tickets en cours, 3 tickets | "_s), qPrintable(heard(0)));
        QCOMPARE(heard(rowOfTicket(model, 1)),
            u"Premier | Statut OUVERT, priorité N/A, créé le 2025-01-01 10:00:00"_s);

        // Equal keys keep the server's order, and a missing date is the empty text;
        // an empty section has no header.
        serve(ticketList({ ticketJson(1, "fermé", nullptr), ticketJson(2, "fermé", "2025-02-01 08:00:00"),
            ticketJson(3, "fermé", "2025-02-01 08:00:00"), ticketJson(4, "fermé", ""),
            ticketJson(5, "fermé", "2025-02-01 09:00:00"), ticketJson(6, "fermé", "2025-02-01 08:00:00"),
            ticketJson(7, "fermé", nullptr), ticketJson(8, "en_cours", nullptr) }));
        list->loadTickets();
        QVERIFY(waitForLoad(list));
        QCOMPARE(layout(*model),
            (QStringList {
                u"H:Tickets fermés:7"_s, u"5"_s, u"2"_s, u"3"_s, u"6"_s, u"1"_s, u"4"_s, u"7"_s }));
    }

    // Measured on the picture: the first section's circle 20 pixels under the
    // screen's header, each section's cards 16 under its circle; a scroll bar
    // only once the cards overflow. Then the other faces: error, retry, empty.
    void sections_spacedAsDesigned_scrollBarOnlyWhenNeeded_errorRetryEmpty()
    {
        serve(ticketList({ ticketJson(1, "open", "2025-01-01 10:00:00", "Premier"),
            ticketJson(2, "closed", "2025-01-02 10:00:00", "Second") }));
        Screen screen(m_env->api, m_env->conversations);
        TicketListView *list = screen.list;
        QVERIFY(waitForLoad(list));
        TicketGridView *grid = gridOf(list);
        QTRY_VERIFY(grid->isVisible());
        QVERIFY(!grid->verticalScrollBar()->isVisible());

        const QImage picture = list->grab().toImage();
        const QRgb background = picture.pixel(picture.width() / 2, picture.height() - 2);
        const int left = grid->mapTo(list, QPoint(0, 0)).x();
        const auto inked = [&](int y) {
            // The circles are at the leading edge: look at the first quarter.
            for (int x = left; x < left + grid->width() / 4; ++x)
                if (picture.pixel(x, y) != background)
                    return true;
            return false;
        };
        const auto nextEdge = [&](int y, bool ink) {
            while (y < picture.height() && inked(y) != ink)
                ++y;
            return y;
        };
        QLabel *count = ViewTestEnv::label(list, u"2 tickets au total"_s);
        QVERIFY(count);
        const int headerBottom = count->mapTo(list, QPoint(0, count->height())).y();
        const int circleTop = nextEdge(headerBottom, true);
        QCOMPARE(circleTop - headerBottom, 20);
        const int circleEnd = nextEdge(circleTop, false);
        QCOMPARE(circleEnd - circleTop, 40);
        QCOMPARE(nextEdge(circleEnd, true) - circleEnd, 16);

        // A reply that is no ticket list: the error view hides the old list.
        m_server.setReply(listPath, { 200, "<html>Service indisponible</html>", 0 });
        list->loadTickets();
        QCOMPARE(list->face(), TicketListView::Face::Loading);
        QVERIFY(waitForLoad(list));
        QCOMPARE(list->face(), TicketListView::Face::Error);
        auto *errorText = list->findChild<QLabel *>(u"errorText"_s);
        QVERIFY(errorText->isVisibleTo(list) && !errorText->text().isEmpty());

        QJsonArray many;
        for (int id = 1; id <= 12; ++id)
            many.append(ticketJson(id, "open", "2025-01-01 10:00:00"));
        serve(ticketList(many));
        QSignalSpy finished(list, &TicketListView::loadFinished);
        QTest::mouseClick(
            ViewTestEnv::button(list, u"Réessayer"_s, ViewTestEnv::Shown::Only), Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QCOMPARE(list->face(), TicketListView::Face::List);
        QVERIFY(showsText(list, u"12 tickets au total"_s));
        QTRY_VERIFY(grid->verticalScrollBar()->isVisible());

        // No ticket at all: a word of it and no button.
        serve(ticketList({}));
        list->loadTickets();
        QVERIFY(waitForLoad(list));
        QCOMPARE(list->face(), TicketListView::Face::Empty);
    }

    void keyboardAndMouse_openTheDetail_backFetchesAgain()
    {
        // Four open tickets (a line of three and one more) and two closed.
        serve(ticketList({ ticketJson(1, "open", "2025-01-09 10:00:00", "Un"),
            ticketJson(2, "open", "2025-01-08 10:00:00", "Deux"),
            ticketJson(3, "open", "2025-01-07 10:00:00", "Trois"),
            ticketJson(4, "open", "2025-01-06 10:00:00", "Quatre"),
            ticketJson(5, "closed", "2025-01-05 10:00:00", "Cinq"),
            ticketJson(6, "closed", "2025-01-04 10:00:00", "Six") }));
        Screen screen(m_env->api, m_env->conversations);
        QVERIFY(waitForLoad(screen.list));
        TicketGridView *grid = gridOf(screen.list);
        grid->setFocus(Qt::TabFocusReason);
        auto currentId
            = [grid] { return grid->currentIndex().data(TicketListModel::TicketIdRole).toLongLong(); };
        QTRY_COMPARE(currentId(), 1);
        // Down from the second card finds nothing right below: the shorter last
        // line's card; down again enters the closed section in the same column
        // where possible; left goes back over the header along the open cards.
        for (const auto &[key, id] : { std::pair(Qt::Key_Right, 2), std::pair(Qt::Key_Down, 4),
                 std::pair(Qt::Key_Down, 5), std::pair(Qt::Key_Left, 4), std::pair(Qt::Key_Right, 5) }) {
            QTest::keyClick(grid, key);
            QCOMPARE(currentId(), id);
        }

        QTest::keyClick(grid, Qt::Key_Return);
        auto *detail = qobject_cast<TicketDetailView *>(screen.stack->top());
        QVERIFY(detail);
        QCOMPARE(detail->accessibleName(), u"Cinq"_s); // the screen is named after its ticket

        // "Retour" pops the detail; the list comes back on screen and fetches anew.
        const qsizetype fetches = m_server.count(listPath);
        QTest::mouseClick(ViewTestEnv::button(detail, u"Retour"_s), Qt::LeftButton);
        QCOMPARE(screen.stack->top(), screen.list);
        QTRY_COMPARE(m_server.count(listPath), fetches + 1);
        QVERIFY(waitForLoad(screen.list));

        // A click on a card, below its title, opens it too.
        const QRect card
            = grid->visualRect(modelOf(screen.list)->index(rowOfTicket(modelOf(screen.list), 2)));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, card.center() + QPoint(0, 60));
        detail = qobject_cast<TicketDetailView *>(screen.stack->top());
        QCOMPARE(detail->accessibleName(), u"Deux"_s);

        // Escape steps back from the detail, Alt+Left from the list, and the
        // list's own "Retour" leads home; the root never pops.
        QTest::keyClick(detail, Qt::Key_Escape);
        QCOMPARE(screen.stack->top(), screen.list);
        QPointer<TicketListView> list = screen.list;
        QTest::keyClick(grid, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(screen.stack->count(), 1);
        QTRY_VERIFY(!list);
        QTest::keyClick(screen.stack->top(), Qt::Key_Escape);
        QCOMPARE(screen.stack->count(), 1);
        auto *again = new TicketListView(m_env->api, m_env->conversations);
        screen.stack->push(again);
        QTest::mouseClick(ViewTestEnv::button(again, u"Retour"_s, ViewTestEnv::Shown::Only), Qt::LeftButton);
        QCOMPARE(screen.stack->count(), 1);
    }

    void overlappingLoads_latestReplyWins()
    {
        // Each first fetch answers late with an old list, the second at once.
        int served = 0;
        m_server.clearReplies();
        m_server.setHandler([&served](const TestRequest &request) {
            const bool first = served++ == 0;
            if (request.path == companiesPath)
                return first
                    ? TestResponse::json(companyList({ { 1, "Ancienne", "C" } }), 200, 600)
                    : TestResponse::json(companyList({ { 1, "Ancienne", "C" }, { 2, "Nouvelle", "C" } }));
            return TestResponse::json(
                ticketList({ ticketJson(first ? 1 : 2, "open", "2025-01-01 10:00:00") }), 200,
                first ? 600 : 0);
        });
        QSignalSpy replies(m_env->api.network(), &QNetworkAccessManager::finished);
        const qsizetype before = m_server.count(listPath);
        Screen screen(m_env->api, m_env->conversations);
        QTRY_VERIFY(m_server.count(listPath) > before);
        screen.list->loadTickets();
        // Every fetch answered, the late first one last.
        QTRY_VERIFY(screen.list->face() == TicketListView::Face::List
            && replies.size() == m_server.count(listPath) - before && replies.size() >= 2);
        QCOMPARE(layout(*modelOf(screen.list)), (QStringList { u"H:Tickets en cours:1"_s, u"2"_s }));

        served = 0;
        replies.clear();
        CompanyManagementView view(m_env->api);
        view.open();
        QTRY_COMPARE(m_server.count(companiesPath), 1);
        view.loadCompanies();
        QTRY_COMPARE(replies.size(), 2);
        QCOMPARE(view.findChildren<CompanyRow *>().size(), 2);
        QVERIFY(!view.findChild<QWidget *>(u"loading"_s)->isVisibleTo(&view));
    }

    void companyFormClosedDuringItsRequest_stillReloadsTheList()
    {
        m_server.setHandler([](const TestRequest &request) {
            if (request.path == u"/company/create.php")
                return TestResponse::json(
                    { { u"success"_s, true }, { u"company_id"_s, 9 }, { u"message"_s, u"ok"_s } }, 200, 400);
            return TestResponse::json(companyList({ { 1, "Alpha", "C" } }));
        });
        CompanyManagementView view(m_env->api);
        view.open();
        QTRY_VERIFY(!view.findChild<QWidget *>(u"loading"_s)->isVisibleTo(&view));
        const qsizetype loads = m_server.count(companiesPath);
        view.showAddCompany();
        auto *form = view.findChild<AddCompanyView *>();
        QVERIFY(form);
        // The list's code chip and the form's "Annuler" as designed: 8 by 2
        // pixels around the code, 15-pixel words.
        QLabel *chip = ViewTestEnv::label(&view, u"C"_s);
        QVERIFY(chip && chip->isVisible());
        const QFontMetrics chipText(chip->font());
        QCOMPARE(chip->width() - chipText.horizontalAdvance(chip->text()), 2 * 8);
        QCOMPARE(chip->height() - chipText.height(), 2 * 2);
        QAbstractButton *cancel = ViewTestEnv::button(form, u"Annuler"_s);
        QVERIFY(cancel);
        cancel->ensurePolished();
        QCOMPARE(QFontInfo(cancel->font()).pixelSize(), 15);
        QTest::keyClicks(form->findChild<QLineEdit *>(u"nom"_s), u"Scierie"_s);
        QTest::keyClicks(form->findChild<QLineEdit *>(u"code"_s), u"SCI1"_s);
        QTest::mouseClick(form->findChild<GradientButton *>(), Qt::LeftButton);
        QTRY_COMPARE(m_server.count(u"/company/create.php"_s), 1);
        form->close();
        QTRY_COMPARE(m_server.count(companiesPath), loads + 1);
    }

private:
    // The list pushed on a window's navigation stack.
    struct Screen : ViewTestEnv::StackedWindow
    {
        TicketListView *list;
        Screen(APIService &api, Conversations &conversations)
            : list(new TicketListView(api, conversations))
        {
            stack->push(list);
        }
    };
    static bool waitForLoad(TicketListView *list)
    {
        if (list->face() != TicketListView::Face::Loading)
            return true;
        QSignalSpy finished(list, &TicketListView::loadFinished);
        return finished.wait(10000);
    }

    void serve(const QJsonObject &reply) { m_server.setReply(listPath, TestResponse::json(reply)); }
};

QTEST_MAIN(TestTicketListView)
#include "tst_ticketlistview.moc"
