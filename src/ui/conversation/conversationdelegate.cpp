#include "conversationdelegate.h"

#include "conversationmodel.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"
#include "ui/widgets/textpainter.h"

#include <QAbstractItemView>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
namespace Sizes {
// This list's own sizes, in pixels at a device pixel ratio of 1.
constexpr int SideMargin = 12;
constexpr int RowGapHalf = 6;
constexpr int MetaGap = 4; // between the author line and the bubble
constexpr int BubblePaddingX = 12;
constexpr int BubblePaddingY = 8;
constexpr int BubbleRadius = 12;
constexpr int NoteGap = 4; // between the bubble and its note
constexpr int NoteSymbolGap = 4;
constexpr int MinBubbleText = 80;
constexpr qreal BubbleShare = 0.75; // of the row's width, at most
} // namespace Sizes

using State = ConversationEntry::State;

int noteSymbolSide(const QFont &font)
{
    return QFontMetrics(font).height() - 2;
}

} // namespace

ConversationDelegate::ConversationDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_metaFont(Style::font(Style::TextSize::Caption, QFont::Medium))
    , m_textFont(Style::font(Style::TextSize::Body))
    , m_noteFont(Style::font(Style::TextSize::Footnote, QFont::Medium))
{ }

int ConversationDelegate::itemWidth(const QStyleOptionViewItem &option)
{
    if (const auto *view = qobject_cast<const QAbstractItemView *>(option.widget))
        return view->viewport()->width();
    return option.rect.width();
}

const ConversationDelegate::Layout &ConversationDelegate::layout(
    const QModelIndex &index, int itemWidth) const
{
    const int state = index.data(ConversationModel::StateRole).toInt();
    Layout &cached = m_layouts[index.data(ConversationModel::KeyRole).toString()];
    if (cached.width == itemWidth && cached.state == state)
        return cached;
    const int maxText = qMax(Sizes::MinBubbleText,
        int((itemWidth - 2 * Sizes::SideMargin) * Sizes::BubbleShare) - 2 * Sizes::BubblePaddingX);
    cached.width = itemWidth;
    cached.state = state;
    cached.lines
        = TextPainter::lines(index.data(ConversationModel::TextRole).toString(), m_textFont, maxText);
    const QFontMetrics textMetrics(m_textFont);
    cached.textWidth = 0;
    for (const QString &line : std::as_const(cached.lines))
        cached.textWidth = qMax(cached.textWidth, textMetrics.horizontalAdvance(line));
    cached.noteLines.clear();
    const int noteWidth
        = maxText + 2 * Sizes::BubblePaddingX - noteSymbolSide(m_noteFont) - Sizes::NoteSymbolGap;
    if (State(state) == State::Pending)
        cached.noteLines = { tr("En attente") };
    else if (State(state) == State::Failed)
        cached.noteLines
            = TextPainter::lines(index.data(ConversationModel::ErrorRole).toString(), m_noteFont, noteWidth);
    int height = 2 * Sizes::RowGapHalf + QFontMetrics(m_metaFont).height() + Sizes::MetaGap
        + TextPainter::height(cached.lines, m_textFont) + 2 * Sizes::BubblePaddingY;
    if (!cached.noteLines.isEmpty())
        height += Sizes::NoteGap + TextPainter::height(cached.noteLines, m_noteFont);
    cached.height = height;
    return cached;
}

QSize ConversationDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int width = itemWidth(option);
    return QSize(width, layout(index, width).height);
}

void ConversationDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Layout &shape = layout(index, itemWidth(option));
    const bool own = index.data(ConversationModel::IsOwnRole).toBool();
    const int state = index.data(ConversationModel::StateRole).toInt();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    const QRect row = option.rect.adjusted(Sizes::SideMargin, Sizes::RowGapHalf, -Sizes::SideMargin, 0);
    paintMeta(painter, row, index, own);

    const int metaHeight = QFontMetrics(m_metaFont).height();
    const QSize bubbleSize(shape.textWidth + 2 * Sizes::BubblePaddingX,
        TextPainter::height(shape.lines, m_textFont) + 2 * Sizes::BubblePaddingY);
    const QRect bubble(QPoint(own ? row.right() - bubbleSize.width() + 1 : row.left(),
                           row.top() + metaHeight + Sizes::MetaGap),
        bubbleSize);
    const bool failed = State(state) == State::Failed;
    const bool focused
        = (option.state & QStyle::State_HasFocus) && option.widget && Style::showsFocusRing(option.widget);
    const QColor fill = own ? Style::withOpacity(Style::blue(), 0.45) : Style::white(0.1);
    const QColor outline = focused ? Style::focusRing() : failed ? Style::red() : QColor();
    Style::fillRounded(painter, bubble, Sizes::BubbleRadius, fill, outline);
    painter->setPen(Style::white(State(state) == State::Pending ? 0.75 : 1.0));
    TextPainter::draw(painter,
        QPointF(bubble.left() + Sizes::BubblePaddingX, bubble.top() + Sizes::BubblePaddingY), shape.lines,
        m_textFont);

    if (!shape.noteLines.isEmpty())
        paintNote(painter, QRect(row.left(), bubble.bottom() + 1 + Sizes::NoteGap, row.width(), 0), shape,
            state, own);
    painter->restore();
}

// "Author · dd/MM/yyyy HH:mm" above the bubble, on its side.
void ConversationDelegate::paintMeta(
    QPainter *painter, const QRect &row, const QModelIndex &index, bool own) const
{
    const QString sender = index.data(ConversationModel::SenderRole).toString();
    const QString time = index.data(ConversationModel::TimeRole).toString();
    const QString meta
        = sender.isEmpty() || time.isEmpty() ? QString(sender + time) : QString(sender + u" · "_s + time);
    const QFontMetrics metrics(m_metaFont);
    painter->setFont(m_metaFont);
    painter->setPen(Style::grey());
    painter->drawText(QRect(row.left(), row.top(), row.width(), metrics.height()),
        Qt::AlignVCenter | (own ? Qt::AlignRight : Qt::AlignLeft),
        metrics.elidedText(meta, Qt::ElideMiddle, row.width()));
}

// Under the bubble: the clock and "En attente", or the warning sign and the reason of a refusal.
void ConversationDelegate::paintNote(
    QPainter *painter, const QRect &area, const Layout &shape, int state, bool own) const
{
    const bool failed = State(state) == State::Failed;
    const QColor colour = failed ? Style::red() : Style::grey();
    const QFontMetrics metrics(m_noteFont);
    int width = 0;
    for (const QString &line : shape.noteLines)
        width = qMax(width, metrics.horizontalAdvance(line));
    const int symbol = noteSymbolSide(m_noteFont);
    const int total = symbol + Sizes::NoteSymbolGap + width;
    const int left = own ? area.right() - total + 1 : area.left();
    SymbolIcons::paint(painter, failed ? u"exclamationmark.triangle.fill" : u"clock.fill",
        QRectF(left, area.top() + 1, symbol, symbol), colour);
    painter->setPen(colour);
    TextPainter::draw(
        painter, QPointF(left + symbol + Sizes::NoteSymbolGap, area.top()), shape.noteLines, m_noteFont);
}
