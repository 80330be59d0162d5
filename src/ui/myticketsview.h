#pragma once

#include "ui/widgets/noticebox.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QHash>

class APIService;
class IconButton;
class MyTicketsModel;
class QListView;
class QStackedWidget;
class QVariantAnimation;
class TicketCard;
class UserSettings;

// The user's own tickets, as cards that open to show the description and
// the support's answer. Loads when shown, on the refresh button and when a
// ticket was just created (loadTickets() is connected to that event).
class MyTicketsView : public Sheet
{
    Q_OBJECT

public:
    static constexpr QSize SheetSize = Style::SheetSizes::MyTickets;
    static constexpr int ExpandDurationMs = 200;

    MyTicketsView(APIService &api, const UserSettings &settings, QWidget *parent = nullptr);

    bool isLoading() const { return m_isLoading; }
    // The error line's state: whether it shows, and its last text.
    bool showError() const { return !m_error->isHidden(); }
    QString errorMessage() const { return m_error->text(); }
    MyTicketsModel *model() const { return m_model; }
    QListView *listView() const { return m_list; }
    TicketCard *cardDelegate() const { return m_delegate; }
    // "loading", "empty" or "list": what the content area shows.
    QString contentState() const;

public Q_SLOTS:
    void loadTickets();
    // Opens or closes the card of ticket id, animated.
    void toggleExpanded(qint64 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QCoro::Task<> fetch();
    void setLoading(bool loading);
    void updateContent();

    APIService &m_api;
    const UserSettings &m_settings;
    bool m_isLoading = false;
    quint64 m_latestLoad = 0;

    IconButton *m_refresh;
    NoticeBox *m_error;
    QStackedWidget *m_content;
    QListView *m_list;
    MyTicketsModel *m_model;
    TicketCard *m_delegate;
    QHash<qint64, QVariantAnimation *> m_animations;
};
