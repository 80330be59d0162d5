#pragma once

#include "ui/widgets/stylemetrics.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTimer>

class QListView;
class TicketListModel;

// Paints the rows of the administrators' ticket grid: section headers across
// the whole width and ticket cards three to a line. The hover look of a card
// (fill, outline, shadow, scale) follows a spring rather than a fixed curve,
// so a card the pointer crosses quickly settles without a jump.
class TicketCardDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int Columns = 3;
    static constexpr int Spacing = Style::Metrics::TicketGrid::Spacing;
    static constexpr int CardHeight = Style::Metrics::TicketGrid::CardHeight;
    static constexpr int HeaderHeight = Style::Metrics::TicketGrid::HeaderHeight;
    static constexpr qreal CornerRadius = Style::Metrics::TicketGrid::CardRadius;
    // Spring of the hover animation: response in seconds and damping fraction.
    static constexpr double SpringResponse = 0.3;
    static constexpr double SpringDamping = 0.7;

    TicketCardDelegate(QListView *view, TicketListModel *model);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The card under the pointer, or -1; starts the spring of the old and the new card.
    void setHoveredRow(int row);
    // 0 at rest, 1 hovered; briefly past 1 while the spring overshoots.
    qreal hoverProgress(int row) const;
    // Forgets every animation (the rows changed meaning).
    void reset();

    int cardWidth() const;

private:
    struct Spring
    {
        double value = 0;
        double velocity = 0;
        double target = 0;
    };

    void step();
    void updateRow(int row) const;
    void paintHeader(QPainter *painter, const QRect &rect, const QModelIndex &index) const;
    void paintCard(QPainter *painter, const QStyleOptionViewItem &option, int row) const;
    // Shadow, fill, outline, divider and button: everything but the ticket's own text.
    static void paintChrome(QPainter *painter, const QRectF &card, qreal hover);
    static QSizeF chromeSize(const QSizeF &card);

    QListView *m_view;
    TicketListModel *m_model;
    QHash<int, Spring> m_springs; // by row, only while moving or hovered
    int m_hoveredRow = -1;
    QTimer m_tick;
    QElapsedTimer m_clock;
    mutable QPixmap m_restingChrome;
};
