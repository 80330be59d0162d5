#pragma once

#include "protocol/records.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QHash>

class APIService;
class ConversationPanel;
class Conversations;
class IconButton;
class MyTicketsModel;
class NoticeBox;
class QLayout;
class QListView;
class QStackedWidget;
class QVariantAnimation;
class TicketCard;
class UserSettings;

// The user's own tickets, as cards that open to show the description and
// the support's answer. Loads when shown, on the refresh button and when a
// ticket was just created (loadTickets() is connected to that event). Where
// the server keeps conversations, an open card holds the ticket's and a card
// counts the support's messages not read yet. Its parts are named: the
// "error" line and the "content" pages, "loading", "empty" and the "list" of
// cards.
class MyTicketsView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int ExpandDurationMs = 200;

    MyTicketsView(APIService &api, const UserSettings &settings, Conversations &conversations,
        QWidget *parent = nullptr);

    // The conversation panel of the open card of ticket id, if any.
    ConversationPanel *conversationPanel(qint64 id) const;

public Q_SLOTS:
    void loadTickets();
    // Opens or closes the card of ticket id, animated.
    void toggleExpanded(qint64 id);
    // Opens the card of ticket id (once listed) and brings it into view.
    void showConversation(qint64 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLayout *header();
    QWidget *loadingPage();
    QWidget *emptyPage();
    QListView *ticketList();
    QCoro::Task<> fetch();
    void setLoading(bool loading);
    void updateContent();
    void applyTickets(const QList<UserTicket> &tickets);
    void openPanel(qint64 id);
    void closePanel(qint64 id);

    APIService &m_api;
    const UserSettings &m_settings;
    Conversations &m_conversations;
    bool m_isLoading = false;
    LatestLoad m_loads;

    IconButton *m_refresh;
    NoticeBox *m_error;
    QStackedWidget *m_content;
    QListView *m_list;
    MyTicketsModel *m_model;
    TicketCard *m_delegate;
    QHash<qint64, QVariantAnimation *> m_animations;
    // What was typed in a conversation whose card closed or reloaded.
    QHash<qint64, QString> m_drafts;
    qint64 m_requested = 0; // asked for before the list had it
};
