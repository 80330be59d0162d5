#pragma once

#include "protocol/records.h"
#include "ui/widgets/screenguard.h"

#include <QCoro/QCoroTask>
#include <QWidget>
#include <optional>

class APIService;
class QLabel;
class QStackedLayout;
class TicketGridView;
class TicketListModel;

// The administrators' overview of every ticket: fetched when the screen
// comes on screen (again after a ticket's detail) and on request, shown
// newest first in the open and closed sections of a card grid. A card opens
// the ticket's detail on the window's navigation stack.
class TicketListView : public QWidget
{
    Q_OBJECT

public:
    enum class Face { Loading, Error, List, Empty };

    explicit TicketListView(APIService &api, QWidget *parent = nullptr);

    QCoro::Task<void> loadTickets();

    Face face() const;

    // Pushes the detail of the card at row onto the navigation stack.
    void openTicket(int row);

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

    APIService &m_api;
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
};
