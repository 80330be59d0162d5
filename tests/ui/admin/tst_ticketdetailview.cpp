#include "httptestserver.h"
#include "imagefiles.h"
#include "testing.h"
#include "ui/admin/fullimageview.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/statusbadge.h"
#include "viewtestenv.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>

using ViewTestEnv::button;
using ViewTestEnv::showsText;

namespace {
const QString closePath = u"/admin/close-ticket.php"_s;
}

// A ticket's detail against a scripted server: what it shows for every kind
// of ticket and attachment, and closing it, well or badly.
class TestTicketDetailView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env); }

    // The forms of capture text are in tst_admininput; here the screen shows
    // a decoded picture, and nothing for a refused one (a missing one takes
    // the same way).
    void attachment_thumbnailOpensSameImageFullSizeAndBackdropCloses()
    {
        Ticket ticket = sample();
        ticket.captureBase64 = ImageFiles::forgedHeader(50000, 50000).toBase64();
        Screen refused(m_env->api, m_env->conversations, ticket);
        QVERIFY(!refused.detail->attachment() && !showsText(refused.detail, u"Pièce jointe"_s));
        ticket.captureBase64 = ImageFiles::solid(800, 600, Qt::darkMagenta).toBase64();
        Screen screen(m_env->api, m_env->conversations, ticket);
        TicketDetailView *detail = screen.detail;
        QCOMPARE(detail->attachment()->size(), QSize(800, 600));
        button(detail, u"Pièce jointe"_s)->click();
        auto *full = detail->findChild<FullImageView *>();
        QVERIFY(full && full->isPresented() && full->isVisible());
        // One decoding serves both views: the very same image, not a second copy.
        QCOMPARE(detail->selectedImage()->cacheKey(), detail->attachment()->cacheKey());

        // A click on the picture itself keeps the view; one on the backdrop closes it.
        QTest::mouseClick(full, Qt::LeftButton, {}, full->imageRect().center());
        QVERIFY(full->isPresented());
        QTest::mouseClick(full, Qt::LeftButton, {}, QPoint(5, full->height() - 5));
        QVERIFY(!full->isPresented());
        QTRY_VERIFY(!full->isVisible());
        QVERIFY(detail->selectedImage().has_value()); // kept for next time
    }

    void statusDecidesBetweenControlsAndBanner_data()
    {
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("badge");
        QTest::newRow("Closed") << std::optional(u"Closed"_s) << true << u"CLOSED"_s;
        QTest::newRow("no status") << std::optional<QString>() << false << u"OPEN"_s;
    }

    void statusDecidesBetweenControlsAndBanner()
    {
        QFETCH(std::optional<QString>, status);
        QFETCH(bool, closed);
        QFETCH(QString, badge);
        Screen screen(m_env->api, m_env->conversations, sample(status));
        TicketDetailView *detail = screen.detail;
        QCOMPARE(detail->canClose(), !closed);
        QCOMPARE(showsText(detail, u"Ce ticket a été fermé"_s), closed);
        QCOMPARE(button(detail, u"Fermer ce ticket"_s)->isVisibleTo(detail), !closed);
        QCOMPARE(detail->findChild<StatusBadge *>()->accessibleName(), badge);
        QVERIFY(showsText(detail, u"Créé le 14 mars 2025 à 10:26"_s));
    }

    void close_refusalsKeepTheControls_confirmedSendsTheMessageAsTyped()
    {
        // Spaces and lines go as they are.
        const QString typed = u"  Pilote réinstallé.\nBonne journée "_s;
        Screen screen(m_env->api, m_env->conversations, sample());
        TicketDetailView *detail = screen.detail;
        auto *editor = detail->findChild<QPlainTextEdit *>();
        editor->setFocus();
        editor->insertPlainText(typed);
        QAbstractButton *close = button(detail, u"Fermer ce ticket"_s);

        // A refusal shows the server's words, or the client's without them, and keeps everything.
        QSignalSpy finished(detail, &TicketDetailView::closeFinished);
        for (const auto &[status, body, shown] :
            { std::tuple(409, QByteArray(R"({"error":"Ticket déjà fermé"})"), u"Ticket déjà fermé"_s),
                std::tuple(500, QByteArray("<html>oops</html>"), u"Erreur inconnue"_s) }) {
            m_server.setReply(closePath, { status, body, 0 });
            detail->performClose();
            QVERIFY(finished.wait(10000));
            auto *notice = detail->findChild<NoticeBox *>();
            QVERIFY(notice->isVisibleTo(detail) && close->isEnabled() && editor->isEnabled());
            QCOMPARE(notice->text(), shown);
            QCOMPARE(screen.stack->top(), detail);
        }

        // "Annuler" in the alert sends nothing.
        m_server.setReply(closePath, TestResponse::json({ { u"success"_s, true } }));
        const qsizetype before = m_server.count(closePath);
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(detail->findChild<QMessageBox *>());
        QTest::mouseClick(button(detail->findChild<QMessageBox *>(), u"Annuler"_s), Qt::LeftButton);
        QTRY_VERIFY(!detail->findChild<QMessageBox *>());
        QCOMPARE(m_server.count(closePath), before);

        // "Fermer le ticket" sends it; while it runs nothing reacts. The page
        // is short and scrolled down to the button, as after typing a message.
        screen.window.resize(900, 420);
        screen.stack->resize(900, 420);
        auto *page = detail->findChild<QScrollArea *>()->verticalScrollBar();
        QTRY_VERIFY(page->maximum() > 0);
        page->setValue(page->maximum());
        m_server.setHolding(true);
        QTest::mouseClick(close, Qt::LeftButton);
        QTest::mouseClick(button(detail->findChild<QMessageBox *>(), u"Fermer le ticket"_s), Qt::LeftButton);
        QVERIFY(!close->isEnabled() && !editor->isEnabled());
        QTRY_COMPARE(m_server.count(closePath), before + 1);
        m_server.setHolding(false);
        QVERIFY(finished.wait(10000));
        QCOMPARE(m_server.apiRequests().last().json(),
            (QJsonObject { { u"ticket_id"_s, 42 }, { u"close_message"_s, typed } }));
        // Closed at once on screen, in view; a moment later the way back to
        // the list, which fetches anew in tst_ticketlistview.
        QVERIFY(showsText(detail, u"Ce ticket a été fermé"_s));
        QCOMPARE(page->value(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(screen.stack->count(), 1, 5000);
    }

private:
    // The detail pushed on a window's navigation stack.
    struct Screen : ViewTestEnv::StackedWindow
    {
        TicketDetailView *detail;
        Screen(APIService &api, Conversations &conversations, const Ticket &ticket)
            : StackedWindow(QSize(900, 900))
            , detail(new TicketDetailView(api, conversations, ticket))
        {
            stack->push(detail);
        }
    };
    static Ticket sample(std::optional<QString> status = u"open"_s)
    {
        Ticket t;
        t.id = 42;
        t.userId = 7;
        t.titre = u"Imprimante hors ligne"_s;
        t.description = u"L'imprimante du 2e étage ne répond plus."_s;
        t.priorite = u"haute"_s;
        t.status = std::move(status);
        t.createdAt = u"2025-03-14T09:26:53.589Z"_s;
        t.prenom = u"Claire"_s;
        t.nom = u"Duval"_s;
        t.telephone = u"01 23 45 67 89"_s;
        t.societe = u"Ateliers Brévent"_s;
        t.poste = u"P-101"_s;
        return t;
    }
};

QTEST_MAIN(TestTicketDetailView)
#include "tst_ticketdetailview.moc"
