#include "admin/ticketjson.h"
#include "conversationpushes.h"
#include "httptestserver.h"
#include "notificationdaemon.h"
#include "runtask.h"
#include "testing.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/conversation/conversationmodel.h"
#include "ui/conversation/conversationpanel.h"
#include "ui/mainwindow.h"
#include "ui/myticketsmodel.h"
#include "ui/myticketsview.h"
#include "ui/widgets/navigationstack.h"
#include "viewtestenv.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

using Kind = CredentialStore::Kind;
using State = ConversationEntry::State;

namespace {

const QString &Closed = ClosedTicketText;

QJsonObject message(qint64 id, qint64 ticketId, const QString &text)
{
    return { { u"id"_s, id }, { u"ticket_id"_s, ticketId }, { u"sender"_s, u"admin"_s },
        { u"sender_name"_s, u"Marc Petit"_s }, { u"message"_s, text },
        { u"created_at"_s, u"2026-12-08 09:05:00"_s } };
}

QJsonObject userTicket(qint64 id, const QString &status, int unread)
{
    return { { u"id"_s, id }, { u"titre"_s, u"Ticket %1"_s.arg(id) }, { u"description"_s, u"Description"_s },
        { u"priorite"_s, u"haute"_s }, { u"status"_s, status }, { u"created_at"_s, u"2026-12-07 14:05:00"_s },
        { u"unread_messages"_s, unread } };
}

Ticket staffTicket(qint64 id, const QString &status)
{
    Ticket t;
    t.id = id;
    t.userId = 12;
    t.titre = u"Imprimante hors ligne"_s;
    t.priorite = u"haute"_s;
    t.status = status;
    t.createdAt = u"2026-12-07 10:00:00"_s;
    return t;
}

QListView *messagesOf(const ConversationPanel &panel)
{
    return panel.findChild<QListView *>(u"messages"_s);
}

QList<int> shownStates(const ConversationPanel &panel)
{
    QList<int> states;
    const QAbstractItemModel *model = messagesOf(panel)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        states.append(model->index(row, 0).data(ConversationModel::StateRole).toInt());
    return states;
}

// A panel on screen, with the focus.
struct ShownPanel
{
    ShownPanel(Conversations &conversations, qint64 ticketId)
        : panel(conversations, ticketId, ConversationPanel::Side::User)
    {
        panel.resize(500, 500);
        panel.show();
        panel.activateWindow();
        active = QTest::qWaitForWindowActive(&panel);
    }
    ConversationPanel panel;
    QPlainTextEdit *reply = panel.findChild<QPlainTextEdit *>(u"reply"_s);
    QListView *list = messagesOf(panel);
    bool active = false;
};

} // namespace

// The conversation as both sides' screens show it, against a scripted server
// in accounts mode. Each case uses tickets of its own: the conversations
// service, like the program's, lives as long as the test.
class TestConversationScreens : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        // The credentials go to a keyring that does not answer, then to their file.
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        m_server.setHandler([this](const TestRequest &request) { return answer(request); });
    }

    void init()
    {
        m_env->clearSettings();
        m_env->storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s);
        m_server.clearRequests();
        m_refusal.reset();
    }

    void panel_ctrlEnterSendsAndClears_emptyDoesNot()
    {
        signIn(Kind::UserSecret);
        ShownPanel shown(m_env->conversations, 10);
        QVERIFY(shown.active);
        auto *send = shown.panel.findChild<QPushButton *>(u"send"_s);
        ViewTestEnv::typeText(shown.reply, u"  "_s);
        QTest::keyClick(shown.reply, Qt::Key_Return);
        ViewTestEnv::typeText(shown.reply, u" "_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClick(shown.reply, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(shown.reply->toPlainText(), u"  \n "_s);

        shown.reply->clear();
        ViewTestEnv::typeText(shown.reply, u"Bonjour, l'écran est noir"_s);
        QVERIFY(send->isEnabled());
        QTest::keyClick(shown.reply, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(shown.reply->toPlainText().isEmpty());
        QTRY_COMPARE(requestsAbout(u"/ticket/send-message.php"_s, 10), 1);
        QCOMPARE(m_server.requestsTo(u"/ticket/send-message.php"_s).first().json().value(u"message"_s),
            u"Bonjour, l'écran est noir"_s);
        // Typing told the server this side was writing.
        QVERIFY(requestsAbout(u"/ticket/typing.php"_s, 10) >= 1);

        // The keypad's Entrée sends as well; a plain Entrée only starts a line.
        ViewTestEnv::typeText(shown.reply, u"Merci"_s);
        QTest::keyClick(shown.reply, Qt::Key_Return);
        QCOMPARE(shown.reply->toPlainText(), u"Merci\n"_s);
        QTest::keyClick(shown.reply, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QVERIFY(shown.reply->toPlainText().isEmpty());
        QTRY_COMPARE(requestsAbout(u"/ticket/send-message.php"_s, 10), 2);
    }

    void panel_showsPendingAndRefused_refusedTextCopyable()
    {
        signIn(Kind::UserSecret);
        ShownPanel shown(m_env->conversations, 11);
        QVERIFY(shown.active);
        QTRY_COMPARE(requestsAbout(u"/ticket/messages.php"_s, 11), 1);
        m_server.setHolding(true);
        shown.reply->setPlainText(u"Toujours en panne"_s);
        shown.panel.send();
        const QAbstractItemModel *model = shown.list->model();
        QCOMPARE(shownStates(shown.panel), QList<int> { int(State::Pending) });
        QVERIFY(model->index(0, 0).data(Qt::AccessibleTextRole).toString().endsWith(u"En attente"_s));
        QCOMPARE(model->index(0, 0).data(ConversationModel::SenderRole).toString(), u"Vous"_s);
        m_server.setHolding(false);
        QTRY_COMPARE(shownStates(shown.panel), QList<int> { int(State::Sent) });

        m_refusal = Closed;
        shown.reply->setPlainText(u"Encore là ?"_s);
        shown.panel.send();
        QTRY_COMPARE(shownStates(shown.panel), (QList<int> { int(State::Sent), int(State::Failed) }));
        const QModelIndex failed = model->index(1, 0);
        QCOMPARE(failed.data(ConversationModel::ErrorRole).toString(), Closed);
        QVERIFY(failed.data(Qt::AccessibleTextRole).toString().endsWith(u"Non envoyé : "_s + Closed));
        // The reason takes room under the bubble: the row is taller than the same text sent.
        QVERIFY(
            shown.list->visualRect(failed).height() > shown.list->visualRect(model->index(0, 0)).height());

        QGuiApplication::clipboard()->clear();
        shown.list->setFocus();
        shown.list->setCurrentIndex(failed);
        QTest::keyClick(shown.list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"Encore là ?"_s);
        auto *copy = shown.list->findChild<QAction *>(u"copy"_s);
        QVERIFY(copy && copy->text() == u"Copier"_s);
    }

    // The typing line shows while the support writes on this ticket and goes
    // when the message comes, read at once. A reader at the latest message
    // follows new ones; one scrolled up to an older one keeps it in view.
    void panel_typingLineAndNewMessages_keepThePlaceRead()
    {
        signIn(Kind::UserSecret);
        QJsonArray older;
        for (int i = 1; i <= 40; ++i)
            older.append(message(700 + i, 13, u"Message %1"_s.arg(i)));
        m_messages.insert(13, older);
        ShownPanel shown(m_env->conversations, 13);
        QTRY_COMPARE(shown.list->model()->rowCount(), 40);
        QScrollBar *bar = shown.list->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        // Not the top: a list that lost its place would also land there.
        const int middle = bar->maximum() / 2;
        bar->setValue(middle);
        m_env->channel.handleMessage(pushed(13, u"admin"_s, 800, u"Nouveau"_s));
        QCOMPARE(shown.list->model()->rowCount(), 41);
        QCoreApplication::sendPostedEvents(); // the list lays the new row out
        QCOMPARE(bar->value(), middle);

        bar->setValue(bar->maximum());
        auto *typing = shown.panel.findChild<QLabel *>(u"typing"_s);
        Q_EMIT m_env->channel.adminTyping(99); // another ticket
        QVERIFY(typing->isHidden());
        Q_EMIT m_env->channel.adminTyping(13);
        QVERIFY(typing->isVisible());
        QCOMPARE(typing->text(), u"Le support est en train d'écrire…"_s);
        const int before = bar->maximum();
        m_env->channel.handleMessage(pushed(13, u"admin"_s, 801, u"Avez-vous redémarré ?"_s));
        QVERIFY(typing->isHidden());
        QCOMPARE(shown.list->model()->index(41, 0).data().toString(), u"Avez-vous redémarré ?"_s);
        QCOMPARE(m_env->conversations.unreadCount(13), 0);
        QTRY_VERIFY(bar->maximum() > before);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void myTickets_unreadCountShown_openingReadsIt_closedRefuses()
    {
        signIn(Kind::UserSecret);
        m_tickets = { userTicket(20, u"open"_s, 2), userTicket(21, u"closed"_s, 0) };
        m_messages.insert(20, { message(1, 20, u"Bonjour Léa"_s) });
        MyTicketsView *view = openMyTickets();
        QVERIFY(view);
        const QAbstractItemModel *cards = view->findChild<QListView *>(u"list"_s)->model();
        QTRY_COMPARE(cards->rowCount(), 2);
        QVERIFY(
            cards->index(0, 0).data(Qt::AccessibleTextRole).toString().endsWith(u", 2 nouveaux messages"_s));
        QCOMPARE((QStringList { cards->index(0, 0).data(MyTicketsModel::UnreadTextRole).toString(),
                     cards->index(1, 0).data(MyTicketsModel::UnreadTextRole).toString() }),
            (QStringList { u"2 nouveaux messages"_s, QString() }));

        view->toggleExpanded(20);
        QTRY_VERIFY(view->conversationPanel(20));
        ConversationPanel *panel = view->conversationPanel(20);
        QTRY_COMPARE(messagesOf(*panel)->model()->rowCount(), 1);
        QTRY_COMPARE(cards->index(0, 0).data(MyTicketsModel::UnreadRole).toInt(), 0);
        // Read once, on the server too (requests of earlier cases may still come in).
        QTRY_COMPARE(requestsAbout(u"/ticket/mark-read.php"_s, 20), 1);
        // Laid over the open card, inside the list.
        QVERIFY(panel->isVisible());
        QVERIFY(panel->geometry().intersects(
            view->findChild<QListView *>(u"list"_s)->visualRect(cards->index(0, 0))));

        // Closing the card takes the panel away; what was typed is still there on opening again.
        panel->setReplyText(u"Brouillon"_s);
        view->toggleExpanded(20);
        QTRY_VERIFY(!view->conversationPanel(20));
        view->toggleExpanded(20);
        QTRY_VERIFY(view->conversationPanel(20));
        QCOMPARE(view->conversationPanel(20)->replyText(), u"Brouillon"_s);

        // A closed ticket's conversation is read only and says why.
        view->showConversation(21);
        QTRY_VERIFY(view->conversationPanel(21));
        panel = view->conversationPanel(21);
        QVERIFY(!panel->findChild<QPlainTextEdit *>(u"reply"_s)->isEnabled());
        QVERIFY(!panel->findChild<QPushButton *>(u"send"_s)->isEnabled());
        auto *note = panel->findChild<QLabel *>(u"closedNote"_s);
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), Closed);
        panel->setReplyText(u"Encore une question"_s);
        panel->send();
        QCOMPARE(m_env->conversations.entries(21).size(), 0);
    }

    void withoutCredential_noConversationAnywhere()
    {
        RunTask::run(m_env->credentials.store(Kind::UserSecret, QString()));
        m_tickets = { userTicket(23, u"open"_s, 0) };
        MyTicketsView *view = openMyTickets();
        QVERIFY(view);
        const QAbstractItemModel *cards = view->findChild<QListView *>(u"list"_s)->model();
        QTRY_COMPARE(cards->rowCount(), 1);
        view->toggleExpanded(23);
        QTRY_COMPARE(cards->index(0, 0).data(MyTicketsModel::ExpansionRole).toReal(), 1.0);
        QVERIFY(!view->conversationPanel(23));

        ViewTestEnv::StackedWindow window;
        auto *detail = new TicketDetailView(m_env->api, m_env->conversations, staffTicket(24, u"open"_s));
        window.stack->push(detail);
        QVERIFY(!detail->conversationPanel() && !detail->findChild<ConversationPanel *>());
        QCOMPARE(
            requestsAbout(u"/ticket/messages.php"_s, 23) + requestsAbout(u"/ticket/messages.php"_s, 24), 0);
    }

    // The staff's list counts the unread messages, from the list then live;
    // a ticket's detail holds its conversation above the closing.
    void staff_listCountsUnread_detailHoldsThePanel()
    {
        signIn(Kind::StaffSession);
        QJsonObject ticket = ticketJson(40, "open", "2026-12-07 10:00:00", "Imprimante");
        ticket.insert(u"unread_messages"_s, 3);
        m_adminTickets = { ticket, ticketJson(41, "open", "2026-12-06 10:00:00", "Souris") };
        ViewTestEnv::StackedWindow window(QSize(1000, 1400));
        auto *list = new TicketListView(m_env->api, m_env->conversations);
        window.stack->push(list);
        QTRY_COMPARE(list->face(), TicketListView::Face::List);
        TicketListModel *model = modelOf(list);
        const auto card = [model](qint64 id) { return model->index(model->rowOfTicket(id), 0); };
        QCOMPARE(card(40).data(TicketListModel::UnreadRole).toInt(), 3);
        QVERIFY(card(40).data(Qt::AccessibleDescriptionRole).toString().endsWith(u", 3 messages non lus"_s));
        QCOMPARE(card(41).data(TicketListModel::UnreadRole).toInt(), 0);
        m_env->channel.handleMessage(pushed(41, u"user"_s, 600, u"Elle ne clique plus"_s));
        QCOMPARE(card(41).data(TicketListModel::UnreadRole).toInt(), 1);
        QVERIFY(card(41).data(Qt::AccessibleDescriptionRole).toString().endsWith(u", 1 message non lu"_s));

        auto *detail = new TicketDetailView(m_env->api, m_env->conversations, staffTicket(30, u"open"_s));
        window.stack->push(detail);
        ConversationPanel *panel = detail->conversationPanel();
        QVERIFY(panel && panel->isVisible() && !panel->isClosed());
        const QAbstractButton *close = ViewTestEnv::button(detail, u"Fermer ce ticket"_s);
        QVERIFY(close);
        QVERIFY(panel->mapTo(detail, QPoint(0, panel->height())).y() < close->mapTo(detail, QPoint()).y());
        auto *typing = panel->findChild<QLabel *>(u"typing"_s);
        Q_EMIT m_env->channel.userTyping(30);
        QVERIFY(typing->isVisible());
        QCOMPARE(typing->text(), u"L'utilisateur est en train d'écrire…"_s);

        auto *closed = new TicketDetailView(m_env->api, m_env->conversations, staffTicket(31, u"fermé"_s));
        window.stack->push(closed);
        QVERIFY(closed->conversationPanel()->isClosed());
        QVERIFY(!closed->conversationPanel()->findChild<QPlainTextEdit *>(u"reply"_s)->isEnabled());
    }

    // A notification's request: the user's card opened in "Mes tickets", the
    // staff's detail over the list, whatever screen was on top.
    void mainWindow_opensTheConversationAsked()
    {
        signIn(Kind::UserSecret);
        m_tickets = { userTicket(50, u"open"_s, 1), userTicket(51, u"open"_s, 0) };
        {
            MainWindow window(m_env->services());
            window.show();
            // As a notification's click asks for it.
            Q_EMIT m_env->events.conversationRequested(51);
            MyTicketsView *sheet = nullptr;
            QTRY_VERIFY((sheet = window.findChild<MyTicketsView *>()) && sheet->conversationPanel(51));
            QVERIFY(sheet->isVisible() && !sheet->conversationPanel(50));
        }

        signIn(Kind::StaffSession);
        m_adminTickets = { ticketJson(52, "open", "2026-12-07 10:00:00", "Imprimante"),
            ticketJson(53, "open", "2026-12-06 10:00:00", "Souris") };
        MainWindow window(m_env->services());
        window.show();
        auto *stack = window.findChild<NavigationStack *>();
        const auto detailOf = [stack](qint64 id) {
            auto *detail = qobject_cast<TicketDetailView *>(stack->top());
            return detail && detail->ticketId() == id && detail->conversationPanel();
        };
        window.openConversation(53);
        QTRY_VERIFY(detailOf(53));
        // Another ticket asked from a detail: back to the list, then its detail.
        window.openConversation(52);
        QTRY_VERIFY(detailOf(52));
        QCOMPARE(stack->count(), 3);
    }

private:
    TestResponse answer(const TestRequest &request)
    {
        const auto ok = [](QJsonObject object) {
            object.insert(u"success"_s, true);
            return TestResponse::json(object);
        };
        if (request.path == u"/user/my-tickets.php")
            return ok({ { u"tickets"_s, m_tickets } });
        if (request.path == u"/admin/list-tickets.php")
            return ok({ { u"tickets"_s, m_adminTickets } });
        if (request.path == u"/ticket/messages.php")
            return ok({ { u"messages"_s,
                m_messages.value(request.query.queryItemValue(u"ticket_id"_s).toLongLong()) } });
        if (request.path == u"/ticket/send-message.php" && m_refusal)
            return TestResponse::json({ { u"success"_s, false }, { u"error"_s, *m_refusal } }, 409);
        return ok({ { u"message_id"_s, ++m_lastMessageId } });
    }

    void signIn(Kind kind)
    {
        m_env->settings.writeBool(UserSettings::IsAdmin, kind == Kind::StaffSession);
        RunTask::run(m_env->credentials.store(kind, u"secret"_s));
        QVERIFY(m_env->conversations.isAvailable());
    }

    // Requests to path about ticketId, in the body or in the query.
    int requestsAbout(const QString &path, qint64 ticketId) const
    {
        int count = 0;
        for (const TestRequest &request : m_server.requestsTo(path))
            count += request.json().value(u"ticket_id"_s).toInteger() == ticketId
                || request.query.queryItemValue(u"ticket_id"_s).toLongLong() == ticketId;
        return count;
    }

    MyTicketsView *openMyTickets()
    {
        return ViewTestEnv::openSheet(m_view, m_env->api, m_env->settings, m_env->conversations);
    }

    NotificationDaemon m_bus;
    std::unique_ptr<MyTicketsView> m_view;
    QJsonArray m_tickets;
    QJsonArray m_adminTickets;
    QHash<qint64, QJsonArray> m_messages;
    std::optional<QString> m_refusal;
    qint64 m_lastMessageId = 1000;
};

QTEST_MAIN(TestConversationScreens)
#include "tst_conversationscreens.moc"
