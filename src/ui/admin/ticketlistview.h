#pragma once

#include "protocol/records.h"
#include "ui/widgets/screenguard.h"

#include <QCoro/QCoroTask>
#include <QWidget>
#include <optional>

class APIService;
class Conversations;
class QLabel;
class QStackedLayout;
class TicketGridView;
class TicketListModel;

// The administrators' overview of every ticket: fetched when the screen
// comes on screen (again after a ticket's detail) and on request, shown
// newest first in the open and closed sections of a card grid. A card opens
// the ticket's detail on the window's navigation stack. A card counts the
// author's messages no staff member has read.
class TicketListView : public QWidget
{
    Q_OBJECT

public:
    enum class Face { Loading, Error, List, Empty };

    TicketListView(APIService &api, Conversations &conversations, QWidget *parent = nullptr);

    QCoro::Task<void> loadTickets();

    Face face() const;

    // Pushes the detail of the card at row onto the navigation stack.
    void openTicket(int row);
    // Opens the detail of ticket id once the list holds it.
    void openTicketById(qint64 id);

Q_SIGNALS:
    // A fetch ended, well or badly; the screen shows its result.
    void loadFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showState();
    QWidget *buildLoadingFace();
    QWidget *buildErrorFace();
    QWidget *buildListFace();
    QWidget *buildEmptyFace();

    void applyTickets(QList<Ticket> tickets);

    APIService &m_api;
    Conversations &m_conversations;
    TicketListModel *m_model;
    TicketGridView *m_grid = nullptr;
    QStackedLayout *m_faces = nullptr;
    QWidget *m_loadingFace = nullptr;
    QWidget *m_errorFace = nullptr;
    QWidget *m_listFace = nullptr;
    QWidget *m_emptyFace = nullptr;
    QLabel *m_countLine = nullptr;
    QLabel *m_errorText = nullptr;

    bool m_loading = true;
    LatestLoad m_loads;
    std::optional<QString> m_errorMessage;
    std::optional<Ticket> m_selectedTicket;
    qint64 m_requested = 0; // asked for before the list had it
};
