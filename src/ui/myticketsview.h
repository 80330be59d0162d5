#pragma once

#include "ui/widgets/screenguard.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QHash>

class APIService;
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
// ticket was just created (loadTickets() is connected to that event). Its
// parts are named: the "error" line and the "content" pages, "loading",
// "empty" and the "list" of cards.
class MyTicketsView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int ExpandDurationMs = 200;

    MyTicketsView(APIService &api, const UserSettings &settings, QWidget *parent = nullptr);

public Q_SLOTS:
    void loadTickets();
    // Opens or closes the card of ticket id, animated.
    void toggleExpanded(qint64 id);

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

    APIService &m_api;
    const UserSettings &m_settings;
    bool m_isLoading = false;
    LatestLoad m_loads;

    IconButton *m_refresh;
    NoticeBox *m_error;
    QStackedWidget *m_content;
    QListView *m_list;
    MyTicketsModel *m_model;
    TicketCard *m_delegate;
    QHash<qint64, QVariantAnimation *> m_animations;
};
