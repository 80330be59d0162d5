#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTimer>

class QListView;

// Paints the rows of the administrators' ticket grid: section headers across
// the whole width and ticket cards three to a line, from what the rows of a
// TicketListModel hold. The hover look of a card (fill, outline, shadow,
// scale) follows a spring rather than a fixed curve, so a card the pointer
// crosses quickly settles without a jump.
class TicketCardDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int Columns = 3;
    static constexpr int Spacing = 20; // between cards, both ways

    // The card inside its item, which holds half the spacing on every side.
    static QRect cardRect(const QRect &item);

    explicit TicketCardDelegate(QListView *view);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The card under the pointer, or -1; starts the spring of the old and the new card.
    void setHoveredRow(int row);
    // Forgets every animation and every wrapped title (the rows changed meaning).
    void reset();

private:
    struct Spring
    {
        double value = 0;
        double velocity = 0;
        double target = 0;
    };
    // A card's title as wrapped for the card width last painted.
    struct WrappedTitle
    {
        int width = -1;
        QStringList lines;
    };

    int cardWidth() const;
    static int headerGapAbove(const QModelIndex &index);
    // 0 at rest, 1 hovered; briefly past 1 while the spring overshoots.
    qreal hoverProgress(int row) const;
    void step();
    void advanceSprings(double elapsed);
    void settleSprings();
    void updateRow(int row) const;
    void paintHeader(QPainter *painter, const QRect &rect, const QModelIndex &index) const;
    void paintCard(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void paintFrame(QPainter *painter, const QRectF &card, qreal hover) const;
    qreal paintTitle(QPainter *painter, const QModelIndex &index, const QPointF &topLeft, qreal width) const;
    const QStringList &titleLines(const QModelIndex &index, const QFont &font, int width) const;

    QListView *m_view;
    QHash<int, Spring> m_springs; // by row, only while moving or hovered
    int m_hoveredRow = -1;
    QTimer m_tick;
    QElapsedTimer m_clock;
    mutable QPixmap m_restingChrome;
    mutable QHash<int, WrappedTitle> m_titles; // by row, for the cards painted so far
};
