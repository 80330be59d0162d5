#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

// Paints one of the user's tickets as a card (see MyTicketsModel for what it
// shows): priority and status chips with the creation date, the title (two
// lines while collapsed), and, once expanded, the description, the
// support's answer and the closing date, above the "Voir plus" / "Réduire"
// button. Painting, not widgets, keeps a list of thousands fluid. An open
// card may also hold the ticket's conversation: the card keeps room for it
// above the button, and the view lays the conversation's panel there.
class TicketCard : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TicketCard(QObject *parent = nullptr);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Where the expand button of the card drawn in itemRect lies.
    QRect buttonRect(const QRect &itemRect) const;
    // Where the conversation of the open card drawn in itemRect lies.
    QRect conversationRect(const QRect &itemRect) const;
    // Whether open cards keep room for their conversation.
    void setConversationRoom(bool room);
    bool hasConversationRoom() const { return m_conversationRoom; }
    // The conversation panel is laid over its room, not edited.
    void updateEditorGeometry(
        QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Forget measured heights (new tickets, new width).
    void clearCache() { m_heights.clear(); }
    void sizeChanged(const QModelIndex &index) { Q_EMIT sizeHintChanged(index); }

Q_SIGNALS:
    void toggleRequested(qint64 id);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

private:
    struct Heights
    {
        int width = -1;
        int collapsed = 0;
        int expanded = -1; // measured the first time the card opens
    };
    Heights heights(const QModelIndex &index, int itemWidth, bool needExpanded) const;
    int textHeight(const QFont &font, const QString &text, int width) const;
    int answerBoxHeight(const QString &message, int width) const;
    void paintHeader(QPainter *painter, const QRect &card, const QModelIndex &index) const;
    void paintOpenBody(QPainter *painter, const QRect &column, const QModelIndex &index) const;
    void paintAnswer(QPainter *painter, const QRect &box, const QString &answer) const;
    void paintButton(QPainter *painter, const QRect &button, bool expanded) const;
    QRect paintUnread(QPainter *painter, const QPoint &topLeft, const QString &text) const;

    QFont m_chipFont;
    QFont m_statusFont;
    QFont m_dateFont;
    QFont m_titleFont;
    QFont m_bodyFont;
    QFont m_answerTitleFont;
    QFont m_closedFont;
    QFont m_buttonFont;
    bool m_conversationRoom = false;
    mutable QHash<qint64, Heights> m_heights;
};
