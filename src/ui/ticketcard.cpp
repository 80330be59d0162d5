#include "ticketcard.h"

#include "myticketsmodel.h"
#include "ui/widgets/badgepainter.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"
#include "ui/widgets/textpainter.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
namespace Text = Style::TextSize;
// This card's own sizes, in pixels at a device pixel ratio of 1.
constexpr int SideMargin = 24;
constexpr int GapHalf = 8; // half the gap between two cards
constexpr int Padding = 16;
constexpr int Spacing = 8;
constexpr int Radius = 14;
constexpr int ChipHeight = 26;
constexpr int ChipRadius = 7;
constexpr int PriorityDot = 10;
constexpr int StatusDot = 8;
constexpr int ChipTextSize = Style::TextSize::Caption;
constexpr int TitleSize = Style::TextSize::Lead;
constexpr int AnswerPadding = 12;
constexpr int AnswerRadius = 10;
constexpr int ChipGap = 9; // between the priority and the status chip
constexpr int DateGap = 8; // between the status chip and the date
constexpr int MinTextWidth = 120;
constexpr int AnswerTitleGap = 6; // under and beside the answer's symbol
constexpr int ClosedSymbolGap = 4;
constexpr int ButtonHeight = 22;
constexpr int ButtonTextSize = Style::TextSize::Body;
constexpr int ButtonHitMargin = 4; // the button reaches a little past its words
constexpr int ButtonChevronRoom = 24; // after "Voir plus": the chevron and its gaps
constexpr int ChevronGap = 6;
constexpr int Chevron = 12;
constexpr int HeaderHeight = Padding + ChipHeight + Padding;
constexpr int ConversationHeight = 380;
constexpr int UnreadGap = 9; // between the status chip and the unread one

QRect cardRect(const QRect &itemRect)
{
    return itemRect.adjusted(SideMargin, GapHalf, -SideMargin, -GapHalf);
}

} // namespace

TicketCard::TicketCard(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_chipFont(Style::font(ChipTextSize, QFont::Medium))
    , m_statusFont(Style::font(ChipTextSize, QFont::DemiBold))
    , m_dateFont(Style::font(Text::Caption))
    , m_titleFont(Style::font(TitleSize, QFont::DemiBold))
    , m_bodyFont(Style::font(Text::Body))
    , m_answerTitleFont(Style::font(Text::Caption, QFont::DemiBold))
    , m_closedFont(Style::font(Text::Footnote))
    , m_buttonFont(Style::font(ButtonTextSize, QFont::Medium))
{ }

int TicketCard::textHeight(const QFont &font, const QString &text, int width) const
{
    if (text.isEmpty())
        return QFontMetrics(font).height();
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextWrapAnywhere, text)
        .height();
}

int TicketCard::answerBoxHeight(const QString &message, int width) const
{
    return AnswerPadding + QFontMetrics(m_answerTitleFont).height() + AnswerTitleGap
        + textHeight(m_bodyFont, message, width - 2 * AnswerPadding) + AnswerPadding;
}

TicketCard::Heights TicketCard::heights(const QModelIndex &index, int itemWidth, bool needExpanded) const
{
    const qint64 id = index.data(MyTicketsModel::IdRole).toLongLong();
    Heights &cached = m_heights[id];
    if (cached.width == itemWidth && (cached.expanded >= 0 || !needExpanded))
        return cached;
    const int textWidth = itemWidth - 2 * SideMargin - 2 * Padding;
    const QString title = index.data(MyTicketsModel::TitleRole).toString();
    const QFontMetrics titleMetrics(m_titleFont);
    // Collapsed: one line when it fits, else two (the second elided).
    const bool oneLine = !title.contains(u'\n') && titleMetrics.horizontalAdvance(title) <= textWidth;
    const int clampedTitle = titleMetrics.lineSpacing() * (oneLine ? 1 : 2);
    const int frame = 2 * GapHalf + HeaderHeight + 1 + Padding + Spacing + ButtonHeight + Padding;
    cached.width = itemWidth;
    cached.collapsed = frame + clampedTitle;
    cached.expanded = -1;
    // Wrapping the full texts is the costly part: only for cards that open.
    if (!needExpanded)
        return cached;

    int expanded = frame + textHeight(m_titleFont, title, textWidth);
    expanded += Spacing
        + textHeight(m_bodyFont, index.data(MyTicketsModel::DescriptionRole).toString(), textWidth);
    const QString answer = index.data(MyTicketsModel::CloseMessageRole).toString();
    if (!answer.isEmpty())
        expanded += Spacing + answerBoxHeight(answer, textWidth);
    if (!index.data(MyTicketsModel::ClosedRole).toString().isEmpty())
        expanded += Spacing + QFontMetrics(m_closedFont).height();
    if (m_conversationRoom)
        expanded += Spacing + ConversationHeight;
    cached.expanded = expanded;
    return cached;
}

QSize TicketCard::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    int width = option.rect.width();
    if (const auto *view = qobject_cast<const QAbstractItemView *>(option.widget))
        width = view->viewport()->width();
    width = qMax(width, 2 * SideMargin + 2 * Padding + MinTextWidth);
    const qreal progress = index.data(MyTicketsModel::ExpansionRole).toReal();
    const Heights h = heights(index, width, progress > 0);
    if (progress <= 0)
        return QSize(width, h.collapsed);
    return QSize(width, qRound(h.collapsed + (h.expanded - h.collapsed) * progress));
}

QRect TicketCard::buttonRect(const QRect &itemRect) const
{
    const QRect card = cardRect(itemRect);
    const int width = QFontMetrics(m_buttonFont).horizontalAdvance(tr("Voir plus")) + ButtonChevronRoom;
    return QRect(card.left() + Padding - ButtonHitMargin, card.bottom() - Padding - ButtonHeight + 1,
        width + 2 * ButtonHitMargin, ButtonHeight);
}

QRect TicketCard::conversationRect(const QRect &itemRect) const
{
    const QRect card = cardRect(itemRect);
    return QRect(card.left() + Padding, buttonRect(itemRect).top() - Spacing - ConversationHeight,
        card.width() - 2 * Padding, ConversationHeight);
}

void TicketCard::setConversationRoom(bool room)
{
    if (room == m_conversationRoom)
        return;
    m_conversationRoom = room;
    // Open cards change height: measure them again.
    for (Heights &heights : m_heights)
        heights.expanded = -1;
}

void TicketCard::updateEditorGeometry(
    QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(conversationRect(option.rect));
}

// Everything drawn comes from the model's roles; nothing is worked out here
// that could have been worked out once per reload.
void TicketCard::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    const QRect card = cardRect(option.rect);
    // The current card rings only while the list holds keyboard focus, as every control does.
    const bool focused
        = (option.state & QStyle::State_HasFocus) && option.widget && Style::showsFocusRing(option.widget);
    Style::fillRounded(painter, card, Radius, Style::white(0.05),
        focused ? Style::withOpacity(Style::blue(), 0.9) : Style::white(0.1));
    paintHeader(painter, card, index);

    const int dividerY = card.top() + HeaderHeight;
    painter->setPen(QPen(Style::white(0.08), 1));
    painter->drawLine(QPointF(card.left() + 1, dividerY + 0.5), QPointF(card.right() - 1, dividerY + 0.5));

    // Body, clipped above the button while the card opens or closes.
    const QRect button = buttonRect(option.rect);
    const int left = card.left() + Padding, right = card.right() - Padding;
    const int textWidth = right - left;
    const QString title = index.data(MyTicketsModel::TitleRole).toString();
    const int y = dividerY + 1 + Padding;
    painter->save();
    painter->setClipRect(QRect(card.left(), y, card.width(), button.top() - Spacing - y + 1));
    painter->setPen(Qt::white);
    if (index.data(MyTicketsModel::ExpansionRole).toReal() <= 0)
        TextPainter::draw(
            painter, QPointF(left, y), TextPainter::lines(title, m_titleFont, textWidth, 2), m_titleFont);
    else
        paintOpenBody(painter, QRect(left, y, textWidth, 0), index);
    painter->restore();

    paintButton(painter, button, index.data(MyTicketsModel::ExpandedRole).toBool());
    painter->restore();
}

// Priority chip, status chip, date on the right.
void TicketCard::paintHeader(QPainter *painter, const QRect &card, const QModelIndex &index) const
{
    const int left = card.left() + Padding, right = card.right() - Padding;
    const int chipTop = card.top() + Padding;
    const QString priority = index.data(MyTicketsModel::PriorityWordRole).toString();
    const BadgePainter::Look priorityLook { .font = m_chipFont,
        .text = Style::white(0.7),
        .fill = Style::white(0.08),
        .dot = index.data(MyTicketsModel::PriorityColorRole).value<QColor>(),
        .dotSide = PriorityDot,
        .radius = ChipRadius,
        .height = ChipHeight };
    const QRect priorityChip(QPoint(left, chipTop), BadgePainter::size(priority, priorityLook));
    BadgePainter::paint(painter, priorityChip.topLeft(), priority, priorityLook);

    const QString status = index.data(MyTicketsModel::StatusWordRole).toString();
    const QColor statusColor = index.data(MyTicketsModel::StatusColorRole).value<QColor>();
    const BadgePainter::Look statusLook { .font = m_statusFont,
        .text = statusColor,
        .fill = Style::withOpacity(statusColor, 0.15),
        .dot = statusColor,
        .dotSide = StatusDot,
        .radius = ChipRadius,
        .height = ChipHeight };
    const QRect statusChip(
        QPoint(priorityChip.right() + ChipGap, chipTop), BadgePainter::size(status, statusLook));
    BadgePainter::paint(painter, statusChip.topLeft(), status, statusLook);
    QRect lastChip = statusChip;
    const QString unread = index.data(MyTicketsModel::UnreadTextRole).toString();
    if (!unread.isEmpty())
        lastChip = paintUnread(painter, QPoint(statusChip.right() + UnreadGap, chipTop), unread);

    painter->setFont(m_dateFont);
    painter->setPen(Style::grey());
    const QRect dateRect(lastChip.right() + DateGap, chipTop, right - lastChip.right() - DateGap, ChipHeight);
    painter->drawText(dateRect, Qt::AlignVCenter | Qt::AlignRight,
        QFontMetrics(m_dateFont)
            .elidedText(index.data(MyTicketsModel::CreatedRole).toString(), Qt::ElideLeft, dateRect.width()));
}

// The count of the support's messages not read yet, as a blue chip.
QRect TicketCard::paintUnread(QPainter *painter, const QPoint &topLeft, const QString &text) const
{
    const BadgePainter::Look look { .font = m_statusFont,
        .text = Style::white(),
        .fill = Style::withOpacity(Style::blue(), 0.6),
        .dot = Style::white(),
        .dotSide = StatusDot,
        .radius = ChipRadius,
        .height = ChipHeight };
    BadgePainter::paint(painter, topLeft, text, look);
    return QRect(topLeft, BadgePainter::size(text, look));
}

// The whole title, the description, the support's answer and the closing
// date, from the top of column down.
void TicketCard::paintOpenBody(QPainter *painter, const QRect &column, const QModelIndex &index) const
{
    const int left = column.left(), textWidth = column.width();
    int y = column.top();
    const QString title = index.data(MyTicketsModel::TitleRole).toString();
    const int titleHeight = textHeight(m_titleFont, title, textWidth);
    painter->setFont(m_titleFont);
    painter->drawText(QRect(left, y, textWidth, titleHeight), Qt::TextWordWrap | Qt::TextWrapAnywhere, title);
    y += titleHeight + Spacing;
    const QString description = index.data(MyTicketsModel::DescriptionRole).toString();
    const int descriptionHeight = textHeight(m_bodyFont, description, textWidth);
    painter->setFont(m_bodyFont);
    painter->setPen(Style::white(0.7));
    painter->drawText(
        QRect(left, y, textWidth, descriptionHeight), Qt::TextWordWrap | Qt::TextWrapAnywhere, description);
    y += descriptionHeight;
    const QString answer = index.data(MyTicketsModel::CloseMessageRole).toString();
    if (!answer.isEmpty()) {
        y += Spacing;
        const QRect box(left, y, textWidth, answerBoxHeight(answer, textWidth));
        paintAnswer(painter, box, answer);
        y = box.bottom() + 1;
    }
    const QString closed = index.data(MyTicketsModel::ClosedRole).toString();
    if (!closed.isEmpty()) {
        y += Spacing;
        const int lineHeight = QFontMetrics(m_closedFont).height();
        SymbolIcons::paint(
            painter, u"clock.fill", QRectF(left, y + 1, lineHeight - 2, lineHeight - 2), Style::grey());
        painter->setFont(m_closedFont);
        painter->setPen(Style::grey());
        painter->drawText(
            QRect(left + lineHeight + ClosedSymbolGap, y, textWidth, lineHeight), Qt::AlignVCenter, closed);
    }
}

void TicketCard::paintAnswer(QPainter *painter, const QRect &box, const QString &answer) const
{
    Style::fillRounded(painter, box, AnswerRadius, Style::withOpacity(Style::green(), 0.1));
    const int lineHeight = QFontMetrics(m_answerTitleFont).height();
    SymbolIcons::paint(painter, u"checkmark.circle.fill",
        QRectF(box.left() + AnswerPadding, box.top() + AnswerPadding, lineHeight, lineHeight),
        Style::green());
    painter->setFont(m_answerTitleFont);
    painter->setPen(Style::green());
    painter->drawText(QRect(box.left() + AnswerPadding + lineHeight + AnswerTitleGap,
                          box.top() + AnswerPadding, box.width(), lineHeight),
        Qt::AlignVCenter | Qt::AlignLeft, tr("Réponse du support"));
    painter->setFont(m_bodyFont);
    painter->setPen(Style::white(0.9));
    painter->drawText(
        QRect(box.left() + AnswerPadding, box.top() + AnswerPadding + lineHeight + AnswerTitleGap,
            box.width() - 2 * AnswerPadding, box.height()),
        Qt::TextWordWrap | Qt::TextWrapAnywhere, answer);
}

// "Voir plus" or "Réduire", with its chevron.
void TicketCard::paintButton(QPainter *painter, const QRect &button, bool expanded) const
{
    painter->setFont(m_buttonFont);
    painter->setPen(Style::blue());
    const QString label = expanded ? tr("Réduire") : tr("Voir plus");
    const QRect labelRect = button.adjusted(ButtonHitMargin, 0, 0, 0);
    painter->drawText(labelRect, Qt::AlignVCenter | Qt::AlignLeft, label);
    const int labelWidth = QFontMetrics(m_buttonFont).horizontalAdvance(label);
    SymbolIcons::paint(painter, expanded ? u"chevron.up" : u"chevron.down",
        QRectF(labelRect.left() + labelWidth + ChevronGap, labelRect.center().y() - Chevron / 2.0 + 0.5,
            Chevron, Chevron),
        Style::blue());
}

bool TicketCard::editorEvent(
    QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && buttonRect(option.rect).contains(mouse->position().toPoint())) {
            Q_EMIT toggleRequested(index.data(MyTicketsModel::IdRole).toLongLong());
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
