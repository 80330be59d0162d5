#pragma once

#include <QFont>
#include <QHash>
#include <QStringList>
#include <QStyledItemDelegate>

// Paints a conversation's messages as bubbles: this side's on the right,
// the other side's on the left, each under its author's name and time. A
// message still waiting for the server says "En attente"; one the server
// refused shows its reason under it. Wrapped lines are kept per message and
// width, so scrolling a long conversation only draws.
class ConversationDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ConversationDelegate(QObject *parent = nullptr);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Forget wrapped lines (the conversation changed as a whole).
    void clearCache() { m_layouts.clear(); }

private:
    struct Layout
    {
        int width = -1;
        int state = -1;
        QStringList lines;
        int textWidth = 0; // of the widest line
        QStringList noteLines; // "En attente", or the reason of a refusal
        int height = 0;
    };
    const Layout &layout(const QModelIndex &index, int itemWidth) const;
    static int itemWidth(const QStyleOptionViewItem &option);
    void paintMeta(QPainter *painter, const QRect &row, const QModelIndex &index, bool own) const;
    void paintNote(QPainter *painter, const QRect &area, const Layout &layout, int state, bool own) const;

    QFont m_metaFont;
    QFont m_textFont;
    QFont m_noteFont;
    mutable QHash<QString, Layout> m_layouts;
};
