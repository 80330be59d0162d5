#include "ticketcarddelegate.h"

#include "protocol/vocabulary.h"
#include "ticketlistmodel.h"
#include "ui/widgets/badgepainter.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"
#include "ui/widgets/textpainter.h"

#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

namespace Sizes {
constexpr int CardHeight = 276;
// A section's header: its circle, with the gaps above it (none for the
// first, which sits right under the screen's header) and below it.
constexpr int SectionGap = 32; // from the last card of a section to the next circle
constexpr int HeaderToCards = 16;
constexpr qreal CardRadius = 20;
constexpr int CardPadding = 18;
constexpr int PaintMargin = 26; // around a card, for its shadow and its hovered scale
// A section's header.
constexpr int SectionInset = 4; // at both ends of the row
constexpr int SectionCircle = 40;
constexpr int SectionSymbolInset = 11;
constexpr int SectionTitleGap = 12;
constexpr int SectionTitleSize = Style::TextSize::Title;
constexpr int CountTextSize = Style::TextSize::Headline;
constexpr int CountSidePadding = 12;
constexpr int CountVerticalPadding = 6;
constexpr int CountRadius = 8;
// A card.
constexpr int FocusRingGap = 3;
constexpr int FocusRingWidth = 2;
constexpr int BadgeRowBottom = 12;
constexpr int BadgeGap = 8;
constexpr int TitleSize = Style::TextSize::CardTitle;
constexpr int TitleSymbol = 15;
constexpr int TitleSymbolGap = 8;
constexpr int DividerGap = 14; // above and below the divider
constexpr int InfoTextSize = Style::TextSize::Callout;
constexpr int CompanyTextSize = Style::TextSize::Body;
constexpr int InfoRowGap = 6;
constexpr int InfoSymbol = 14;
constexpr int InfoSymbolGap = 8;
constexpr int ButtonHeight = 40;
constexpr int ButtonRadius = 10;
constexpr int ButtonTextSize = Style::TextSize::Headline;
constexpr int ButtonSymbol = 15;
constexpr int ButtonSymbolGap = 6;
// At rest and under the pointer.
constexpr int RestShadowBlur = 8, HoverShadowBlur = 16;
constexpr int RestShadowOffset = 4, HoverShadowOffset = 8;
constexpr int RestOutlineWidth = 1, HoverOutlineWidth = 2;
} // namespace Sizes

constexpr int Padding = Sizes::CardPadding;
constexpr int PaintMargin = Sizes::PaintMargin;
constexpr qreal CornerRadius = Sizes::CardRadius;
// Spring of the hover animation: response in seconds and damping fraction.
constexpr double SpringResponse = 0.3;
constexpr double SpringDamping = 0.7;

qreal lerp(qreal from, qreal to, qreal t)
{
    return from + (to - from) * t;
}

bool isHeader(const QModelIndex &index)
{
    return TicketListModel::RowKind(index.data(TicketListModel::RowKindRole).toInt())
        == TicketListModel::RowKind::Header;
}

QColor sectionColor(TicketListModel::Section section)
{
    return section == TicketListModel::Section::Open ? Style::openTicketsSection()
                                                     : Style::closedTicketsSection();
}

QString sectionSymbol(TicketListModel::Section section)
{
    return section == TicketListModel::Section::Open ? u"doc.text.fill"_s : u"checkmark.seal.fill"_s;
}

QFont titleFont()
{
    return Style::font(Sizes::TitleSize, QFont::DemiBold);
}

QSizeF chromeSize(const QSizeF &card)
{
    return card + QSizeF(2 * PaintMargin, 2 * PaintMargin);
}

// The count of a section's cards in a pill at the end of its header.
void paintCountPill(
    QPainter *painter, const QRect &row, qreal centreY, const QString &count, const QColor &color)
{
    const QFont countFont = Style::font(Sizes::CountTextSize, QFont::Bold);
    const QFontMetrics metrics(countFont);
    const QSizeF pill(metrics.horizontalAdvance(count) + 2 * Sizes::CountSidePadding,
        metrics.height() + 2 * Sizes::CountVerticalPadding);
    const QRectF pillRect(row.right() - Sizes::SectionInset - pill.width(), centreY - pill.height() / 2,
        pill.width(), pill.height());
    Style::fillRounded(painter, pillRect, Sizes::CountRadius, Style::withOpacity(color, 0.2));
    painter->setFont(countFont);
    painter->setPen(color);
    painter->drawText(pillRect, Qt::AlignCenter, count);
}

// A soft shadow from stacked translucent shapes: cheap enough for every
// visible card on every frame of a scroll.
void paintShadow(QPainter *painter, const QRectF &card, qreal t)
{
    const qreal shadowOpacity = lerp(0.20, 0.35, t);
    const qreal shadowRadius = lerp(Sizes::RestShadowBlur, Sizes::HoverShadowBlur, t);
    const qreal shadowOffset = lerp(Sizes::RestShadowOffset, Sizes::HoverShadowOffset, t);
    constexpr int layers = 6;
    painter->setPen(Qt::NoPen);
    for (int i = layers; i >= 1; --i) {
        const qreal grow = shadowRadius * i / layers;
        QColor shade = Qt::black;
        shade.setAlphaF(float(qBound(0.0, shadowOpacity / layers * 1.6, 1.0)));
        painter->setBrush(shade);
        const QRectF r = card.translated(0, shadowOffset).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2);
        painter->drawRoundedRect(r, CornerRadius + grow / 2, CornerRadius + grow / 2);
    }
}

// Fill, then the blue-to-purple outline from the top-leading corner.
void paintFill(QPainter *painter, const QRectF &card, qreal t)
{
    painter->setBrush(Style::background());
    painter->drawRoundedRect(card, CornerRadius, CornerRadius);
    painter->setBrush(Style::white(lerp(0.06, 0.10, t)));
    painter->drawRoundedRect(card, CornerRadius, CornerRadius);
    const qreal outlineOpacity = lerp(0.2, 0.5, t);
    QLinearGradient outline(card.topLeft(), card.bottomRight());
    outline.setColorAt(0, Style::withOpacity(Style::blue(), outlineOpacity));
    outline.setColorAt(1, Style::withOpacity(Style::purple(), outlineOpacity));
    const qreal outlineWidth = lerp(Sizes::RestOutlineWidth, Sizes::HoverOutlineWidth, qBound(0.0, t, 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(QBrush(outline), outlineWidth));
    const qreal inset = outlineWidth / 2;
    painter->drawRoundedRect(card.adjusted(inset, inset, -inset, -inset), CornerRadius, CornerRadius);
}

// The divider under the title keeps its place on every card.
void paintDivider(QPainter *painter, const QRectF &card)
{
    const qreal left = card.left() + Padding;
    const qreal width = card.width() - 2 * Padding;
    const qreal dividerY = card.top() + Padding + BadgePainter::size(u"OPEN"_s).height()
        + Sizes::BadgeRowBottom + 2 * QFontMetrics(titleFont()).lineSpacing() + Sizes::DividerGap;
    painter->setPen(QPen(Style::white(0.15), 1));
    painter->drawLine(QPointF(left, dividerY), QPointF(left + width, dividerY));
}

// "Voir le détail": the whole card is the hit area, the button says so.
void paintDetailButton(QPainter *painter, const QRectF &card)
{
    const qreal left = card.left() + Padding;
    const qreal width = card.width() - 2 * Padding;
    const QRectF button(left, card.bottom() - Padding - Sizes::ButtonHeight, width, Sizes::ButtonHeight);
    QLinearGradient fill(button.topLeft(), button.topRight());
    fill.setColorAt(0, Style::withOpacity(Style::blue(), 0.6));
    fill.setColorAt(1, Style::withOpacity(Style::purple(), 0.6));
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawRoundedRect(button, Sizes::ButtonRadius, Sizes::ButtonRadius);
    const QFont buttonFont = Style::font(Sizes::ButtonTextSize, QFont::DemiBold);
    const QString label = TicketCardDelegate::tr("Voir le détail");
    const qreal labelWidth = QFontMetrics(buttonFont).horizontalAdvance(label);
    const qreal total = labelWidth + Sizes::ButtonSymbolGap + Sizes::ButtonSymbol;
    const qreal start = button.center().x() - total / 2;
    painter->setFont(buttonFont);
    painter->setPen(Style::white());
    painter->drawText(QRectF(start, button.top(), labelWidth + 2, button.height()),
        Qt::AlignVCenter | Qt::AlignLeft, label);
    SymbolIcons::paint(painter, u"arrow.right.circle.fill",
        QRectF(start + labelWidth + Sizes::ButtonSymbolGap, button.center().y() - Sizes::ButtonSymbol / 2.0,
            Sizes::ButtonSymbol, Sizes::ButtonSymbol),
        Style::white());
}

// Shadow, fill, outline, divider and button: everything but the ticket's own text.
void paintChrome(QPainter *painter, const QRectF &card, qreal t)
{
    paintShadow(painter, card, t);
    paintFill(painter, card, t);
    paintDivider(painter, card);
    paintDetailButton(painter, card);
}

// Status at the leading edge, priority at the trailing one; returns the height taken.
qreal paintBadges(QPainter *painter, const QModelIndex &index, const QPointF &topLeft, qreal right)
{
    const QString status = index.data(TicketListModel::StatusBadgeRole).toString();
    const QString priority = index.data(TicketListModel::PriorityBadgeRole).toString();
    const auto statusTint = Tint(index.data(TicketListModel::StatusTintRole).toInt());
    const auto priorityTint = Tint(index.data(TicketListModel::PriorityTintRole).toInt());
    const QSize prioritySize = BadgePainter::size(priority);
    BadgePainter::paint(painter, topLeft, status, Style::tint(statusTint));
    BadgePainter::paint(
        painter, QPointF(right - prioritySize.width(), topLeft.y()), priority, Style::tint(priorityTint));
    // The author's messages no one has read yet, beside the status.
    const QString unread = TicketListModel::unreadBadge(index.data(TicketListModel::UnreadRole).toInt());
    if (!unread.isEmpty()) {
        BadgePainter::Look look = BadgePainter::look(Style::blue());
        look.text = Style::white();
        look.fill = Style::withOpacity(Style::blue(), 0.6);
        const qreal left = topLeft.x() + BadgePainter::size(status).width() + Sizes::BadgeGap;
        const qreal room = right - prioritySize.width() - Sizes::BadgeGap - left;
        if (BadgePainter::size(unread, look).width() <= room)
            BadgePainter::paint(painter, QPointF(left, topLeft.y()), unread, look);
    }
    return qMax(prioritySize.height(), BadgePainter::size(status).height());
}

struct InfoLine
{
    QString symbol;
    QColor symbolColor;
    QFont font;
    QColor color;
    QString value;
};

// One information row (a symbol, then the value elided to the width) in row.
void paintInfoLine(QPainter *painter, const QRectF &row, const InfoLine &line)
{
    constexpr qreal infoSymbol = Sizes::InfoSymbol, infoIndent = infoSymbol + Sizes::InfoSymbolGap;
    SymbolIcons::paint(painter, line.symbol,
        QRectF(row.left(), row.top() + (row.height() - infoSymbol) / 2, infoSymbol, infoSymbol),
        line.symbolColor);
    painter->setFont(line.font);
    painter->setPen(line.color);
    const QString shown
        = QFontMetrics(line.font).elidedText(line.value, Qt::ElideRight, int(row.width() - infoIndent));
    painter->drawText(row.adjusted(infoIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

// The date always, then the author and the company when known.
void paintInfoLines(QPainter *painter, const QModelIndex &index, QPointF topLeft, qreal width)
{
    const QFont infoFont = Style::font(Sizes::InfoTextSize, QFont::Medium);
    const qreal rowHeight = QFontMetrics(infoFont).height() + Sizes::InfoRowGap;
    QList<InfoLine> lines { { u"calendar"_s, Style::grey(), infoFont, Style::grey(),
        index.data(TicketListModel::DateRole).toString() } };
    const QString author = index.data(TicketListModel::AuthorRole).toString();
    if (!author.isEmpty())
        lines.append({ u"person.circle.fill"_s, Style::withOpacity(Style::purple(), 0.8), infoFont,
            Style::white(0.9), author });
    const QString company = index.data(TicketListModel::CompanyRole).toString();
    if (!company.isEmpty())
        lines.append({ u"building.2.fill"_s, Style::withOpacity(Style::orange(), 0.8),
            Style::font(Sizes::CompanyTextSize), Style::grey(), company });
    for (const InfoLine &line : std::as_const(lines)) {
        paintInfoLine(painter, QRectF(topLeft, QSizeF(width, rowHeight)), line);
        topLeft.ry() += rowHeight;
    }
}

} // namespace

TicketCardDelegate::TicketCardDelegate(QListView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
    m_tick.setInterval(16);
    connect(&m_tick, &QTimer::timeout, this, &TicketCardDelegate::step);
}

int TicketCardDelegate::headerGapAbove(const QModelIndex &index)
{
    // The last line of cards above already keeps half a gap under it.
    return index.row() == 0 ? 0 : Sizes::SectionGap - Spacing / 2;
}

QRect TicketCardDelegate::cardRect(const QRect &item)
{
    constexpr int half = Spacing / 2;
    return item.adjusted(half, half, -half, -half);
}

int TicketCardDelegate::cardWidth() const
{
    // Every card keeps half the spacing around it: a full gap between cards
    // and half of one at each edge.
    const int available = m_view->viewport()->width() - Columns * Spacing;
    // One pixel short so rounding never pushes the third card to the next line.
    return qMax(10, available / Columns - 1);
}

QSize TicketCardDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    // Every item carries its own gaps (the view adds none), so a header can
    // sit closer to its cards than the cards sit to each other.
    if (isHeader(index))
        return QSize(qMax(10, m_view->viewport()->width() - 1),
            headerGapAbove(index) + Sizes::SectionCircle + Sizes::HeaderToCards - Spacing / 2);
    return QSize(cardWidth() + Spacing, Sizes::CardHeight + Spacing);
}

void TicketCardDelegate::setHoveredRow(int row)
{
    if (row == m_hoveredRow)
        return;
    if (m_hoveredRow >= 0)
        m_springs[m_hoveredRow].target = 0;
    m_hoveredRow = row;
    if (row >= 0)
        m_springs[row].target = 1;
    if (!m_tick.isActive()) {
        m_clock.start();
        m_tick.start();
    }
}

qreal TicketCardDelegate::hoverProgress(int row) const
{
    const auto it = m_springs.constFind(row);
    return it == m_springs.cend() ? 0.0 : it->value;
}

void TicketCardDelegate::reset()
{
    m_springs.clear();
    m_titles.clear();
    m_hoveredRow = -1;
    m_tick.stop();
}

void TicketCardDelegate::step()
{
    advanceSprings(qMin(0.1, m_clock.restart() / 1000.0));
    settleSprings();
    bool moving = false;
    for (const Spring &spring : std::as_const(m_springs))
        moving = moving || spring.value != spring.target;
    if (!moving)
        m_tick.stop();
}

void TicketCardDelegate::advanceSprings(double elapsed)
{
    // Damped spring x'' = -ω²(x - target) - 2ζωx', integrated in small steps so
    // the motion does not depend on how regularly the timer fires.
    const double omega = 2 * std::numbers::pi / SpringResponse;
    while (elapsed > 0) {
        const double dt = qMin(elapsed, 0.004);
        elapsed -= dt;
        for (Spring &spring : m_springs) {
            const double accel = -omega * omega * (spring.value - spring.target)
                - 2 * SpringDamping * omega * spring.velocity;
            spring.velocity += accel * dt;
            spring.value += spring.velocity * dt;
        }
    }
}

void TicketCardDelegate::settleSprings()
{
    // Repaints every moving card; one at rest again is forgotten.
    for (auto it = m_springs.begin(); it != m_springs.end();) {
        updateRow(it.key());
        Spring &spring = it.value();
        if (std::abs(spring.value - spring.target) < 0.001 && std::abs(spring.velocity) < 0.01) {
            spring.value = spring.target;
            spring.velocity = 0;
            if (spring.target == 0) {
                it = m_springs.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void TicketCardDelegate::updateRow(int row) const
{
    const QAbstractItemModel *model = m_view->model();
    if (row < 0 || row >= model->rowCount())
        return;
    const QRect rect = cardRect(m_view->visualRect(model->index(row, 0)));
    m_view->viewport()->update(rect.adjusted(-PaintMargin, -PaintMargin, PaintMargin, PaintMargin));
}

void TicketCardDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (isHeader(index))
        paintHeader(painter, option.rect, index);
    else
        paintCard(painter, option, index);
    painter->restore();
}

void TicketCardDelegate::paintHeader(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    const auto section = TicketListModel::Section(index.data(TicketListModel::SectionRole).toInt());
    const QColor color = sectionColor(section);
    const QRect row = rect.adjusted(Spacing / 2, 0, -Spacing / 2, 0);
    const QRectF circle(row.left() + Sizes::SectionInset, row.top() + headerGapAbove(index),
        Sizes::SectionCircle, Sizes::SectionCircle);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Style::withOpacity(color, 0.2));
    painter->drawEllipse(circle);
    constexpr int inset = Sizes::SectionSymbolInset;
    SymbolIcons::paint(painter, sectionSymbol(section), circle.adjusted(inset, inset, -inset, -inset), color);

    painter->setFont(Style::font(Sizes::SectionTitleSize, QFont::Bold));
    painter->setPen(Style::white());
    const QRectF titleRect(
        circle.right() + Sizes::SectionTitleGap, circle.top(), row.width() / 2.0, circle.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    paintCountPill(
        painter, row, circle.center().y(), index.data(TicketListModel::SectionCountRole).toString(), color);
}

void TicketCardDelegate::paintCard(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QRectF card = QRectF(cardRect(option.rect));
    paintFrame(painter, card, hoverProgress(index.row()));

    // The keyboard cursor gets a visible ring, the way focus shows elsewhere.
    if ((option.state & QStyle::State_HasFocus) && Style::showsFocusRing(m_view)) {
        constexpr int gap = Sizes::FocusRingGap;
        painter->setPen(QPen(Style::blue(), Sizes::FocusRingWidth));
        painter->drawRoundedRect(card.adjusted(-gap, -gap, gap, gap), CornerRadius + gap, CornerRadius + gap);
    }

    const qreal left = card.left() + Padding;
    const qreal width = card.width() - 2 * Padding;
    qreal y = card.top() + Padding;
    y += paintBadges(painter, index, QPointF(left, y), card.right() - Padding) + Sizes::BadgeRowBottom;
    y += paintTitle(painter, index, QPointF(left, y), width);
    y += Sizes::DividerGap + 1 + Sizes::DividerGap;
    paintInfoLines(painter, index, QPointF(left, y), width);
}

void TicketCardDelegate::paintFrame(QPainter *painter, const QRectF &card, qreal hover) const
{
    if (hover != 0) {
        // The hovered card grows about its centre.
        const qreal scale = lerp(1.0, 1.02, hover);
        painter->translate(card.center());
        painter->scale(scale, scale);
        painter->translate(-card.center());
        paintChrome(painter, card, hover);
        return;
    }
    // A card at rest looks like every other: its frame comes from a cache
    // so a scroll only blits it and draws the text.
    const qreal ratio = painter->device()->devicePixelRatioF();
    if (m_restingChrome.isNull() || m_restingChrome.deviceIndependentSize() != chromeSize(card.size())
        || m_restingChrome.devicePixelRatio() != ratio) {
        m_restingChrome = QPixmap((chromeSize(card.size()) * ratio).toSize());
        m_restingChrome.setDevicePixelRatio(ratio);
        m_restingChrome.fill(Qt::transparent);
        QPainter cache(&m_restingChrome);
        cache.setRenderHint(QPainter::Antialiasing);
        paintChrome(&cache, QRectF(QPointF(PaintMargin, PaintMargin), card.size()), 0);
    }
    painter->drawPixmap(card.topLeft() - QPointF(PaintMargin, PaintMargin), m_restingChrome);
}

qreal TicketCardDelegate::paintTitle(
    QPainter *painter, const QModelIndex &index, const QPointF &topLeft, qreal width) const
{
    // Up to two lines after the document symbol, which has the size of a
    // small heading, centred on the first line.
    const QFont font = titleFont();
    const QFontMetrics metrics(font);
    constexpr qreal symbolSide = Sizes::TitleSymbol, titleIndent = symbolSide + Sizes::TitleSymbolGap;
    SymbolIcons::paint(painter, u"doc.text.fill",
        QRectF(topLeft.x(), topLeft.y() + (metrics.lineSpacing() - symbolSide) / 2, symbolSide, symbolSide),
        Style::withOpacity(Style::blue(), 0.8));
    painter->setFont(font);
    painter->setPen(Style::white());
    TextPainter::draw(
        painter, topLeft + QPointF(titleIndent, 0), titleLines(index, font, int(width - titleIndent)), font);
    return 2 * metrics.lineSpacing();
}

const QStringList &TicketCardDelegate::titleLines(
    const QModelIndex &index, const QFont &font, int width) const
{
    WrappedTitle &title = m_titles[index.row()];
    if (title.width != width) {
        title.lines = TextPainter::lines(index.data().toString(), font, width, 2);
        title.width = width;
    }
    return title.lines;
}
