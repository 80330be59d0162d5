#pragma once

#include "ui/admin/ticketlistmodel.h"

#include <QListView>

class TicketCardDelegate;

// The grid of ticket cards under their section headers. A list view in
// wrapping mode lays the cards out three to a line and only paints what is
// visible, so thousands of tickets scroll as smoothly as a dozen. A click on
// a card, or Return on the card under the keyboard cursor, asks for its
// detail; the arrow keys move by card, up and down by line.
class TicketGridView : public QListView
{
    Q_OBJECT

public:
    explicit TicketGridView(TicketListModel *model, QWidget *parent = nullptr);

Q_SIGNALS:
    void ticketActivated(int row);

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool isCard(int row) const;
    void ensureCardIsCurrent();
    int cardRowAt(const QPoint &position) const;
    QModelIndex cardIndex(int row) const;
    // The card a step away from current along the reading order, or current.
    int cardAlong(int current, int step) const;
    // Where a card stands: both sections' rows, its own section and its column.
    struct Place
    {
        TicketListModel::SectionRows open, closed;
        bool inOpen;
        TicketListModel::SectionRows here;
        int column;
    };
    Place placeOf(int current) const;
    int cardBelow(int current) const;
    int cardAbove(int current) const;

    TicketListModel *m_model;
    TicketCardDelegate *m_delegate;
    int m_releasedOnCard = -1;
};
