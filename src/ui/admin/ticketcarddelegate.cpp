#include "ticketcarddelegate.h"

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

namespace Sizes = Style::Metrics::TicketGrid;
constexpr int Padding = Sizes::CardPadding;
constexpr int PaintMargin = Sizes::PaintMargin;

qreal lerp(qreal from, qreal to, qreal t)
{
    return from + (to - from) * t;
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

} // namespace

TicketCardDelegate::TicketCardDelegate(QListView *view, TicketListModel *model)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_model(model)
{
    m_tick.setInterval(16);
    connect(&m_tick, &QTimer::timeout, this, &TicketCardDelegate::step);
}

int TicketCardDelegate::cardWidth() const
{
    // The view puts half the spacing around every item: a full gap between
    // cards and half of one at each edge.
    const int available = m_view->viewport()->width() - Columns * Spacing;
    // One pixel short so rounding never pushes the third card to the next line.
    return qMax(10, available / Columns - 1);
}

QSize TicketCardDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (m_model->rowKind(index.row()) == TicketListModel::RowKind::Header)
        return QSize(qMax(10, m_view->viewport()->width() - Spacing - 1), HeaderHeight);
    return QSize(cardWidth(), CardHeight);
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
    m_hoveredRow = -1;
    m_tick.stop();
}

void TicketCardDelegate::step()
{
    // Damped spring x'' = -ω²(x - target) - 2ζωx', integrated in small steps so
    // the motion does not depend on how regularly the timer fires.
    const double omega = 2 * std::numbers::pi / SpringResponse;
    double elapsed = qMin(0.1, m_clock.restart() / 1000.0);
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
    bool moving = false;
    for (const Spring &spring : std::as_const(m_springs))
        moving = moving || spring.value != spring.target;
    if (!moving)
        m_tick.stop();
}

void TicketCardDelegate::updateRow(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QRect rect = m_view->visualRect(m_model->index(row));
    m_view->viewport()->update(rect.adjusted(-PaintMargin, -PaintMargin, PaintMargin, PaintMargin));
}

void TicketCardDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_model->rowKind(index.row()) == TicketListModel::RowKind::Header)
        paintHeader(painter, option.rect, index);
    else
        paintCard(painter, option, index.row());
    painter->restore();
}

void TicketCardDelegate::paintHeader(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    const auto section = TicketListModel::Section(index.data(TicketListModel::SectionRole).toInt());
    const QColor color = sectionColor(section);
    const QRectF circle(rect.left() + Sizes::SectionInset, rect.bottom() - Sizes::SectionCircle,
        Sizes::SectionCircle, Sizes::SectionCircle);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Style::withOpacity(color, 0.2));
    painter->drawEllipse(circle);
    SymbolIcons::paint(painter, sectionSymbol(section),
        circle.adjusted(Sizes::SectionSymbolInset, Sizes::SectionSymbolInset, -Sizes::SectionSymbolInset,
            -Sizes::SectionSymbolInset),
        color);

    const QFont titleFont = Style::font(Sizes::SectionTitleSize, QFont::Bold);
    painter->setFont(titleFont);
    painter->setPen(Style::white());
    const QRectF titleRect(
        circle.right() + Sizes::SectionTitleGap, circle.top(), rect.width() / 2.0, circle.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());

    const QString count = index.data(TicketListModel::SectionCountRole).toString();
    const QFont countFont = Style::font(Sizes::CountTextSize, QFont::Bold);
    const QFontMetrics metrics(countFont);
    const QSizeF pill(metrics.horizontalAdvance(count) + 2 * Sizes::CountSidePadding,
        metrics.height() + 2 * Sizes::CountVerticalPadding);
    const QRectF pillRect(rect.right() - Sizes::SectionInset - pill.width(),
        circle.center().y() - pill.height() / 2, pill.width(), pill.height());
    Style::fillRounded(painter, pillRect, Sizes::CountRadius, Style::withOpacity(color, 0.2));
    painter->setFont(countFont);
    painter->setPen(color);
    painter->drawText(pillRect, Qt::AlignCenter, count);
}

void TicketCardDelegate::paintCard(QPainter *painter, const QStyleOptionViewItem &option, int row) const
{
    const TicketListModel::CardText &text = m_model->cardText(row);
    const qreal t = hoverProgress(row);
    const QRectF card = QRectF(option.rect);

    if (t == 0) {
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
    } else {
        // The hovered card grows about its centre.
        const qreal scale = lerp(1.0, 1.02, t);
        painter->translate(card.center());
        painter->scale(scale, scale);
        painter->translate(-card.center());
        paintChrome(painter, card, t);
    }

    // The keyboard cursor gets a visible ring, the way focus shows elsewhere.
    if ((option.state & QStyle::State_HasFocus) && m_view->hasFocus()) {
        constexpr int gap = Sizes::FocusRingGap;
        painter->setPen(QPen(Style::blue(), Sizes::FocusRingWidth));
        painter->drawRoundedRect(card.adjusted(-gap, -gap, gap, gap), CornerRadius + gap, CornerRadius + gap);
    }

    const qreal left = card.left() + Padding;
    const qreal width = card.width() - 2 * Padding;

    // Badges: status at the leading edge, priority at the trailing one.
    qreal y = card.top() + Padding;
    const QSize priority = BadgePainter::size(text.priority);
    BadgePainter::paint(painter, QPointF(left, y), text.status, Style::tint(text.statusTint));
    BadgePainter::paint(painter, QPointF(card.right() - Padding - priority.width(), y), text.priority,
        Style::tint(text.priorityTint));
    y += qMax(priority.height(), BadgePainter::size(text.status).height()) + Sizes::BadgeRowBottom;

    // Title: up to two lines after the document symbol.
    const QFont titleFont = Style::font(Sizes::TitleSize, QFont::DemiBold);
    const QFontMetrics titleMetrics(titleFont);
    // The symbol has the size of a small heading, centred on the first line.
    constexpr qreal symbolSide = Sizes::TitleSymbol, titleIndent = symbolSide + Sizes::TitleSymbolGap;
    SymbolIcons::paint(painter, u"doc.text.fill",
        QRectF(left, y + (titleMetrics.lineSpacing() - symbolSide) / 2, symbolSide, symbolSide),
        Style::withOpacity(Style::blue(), 0.8));
    painter->setFont(titleFont);
    painter->setPen(Style::white());
    const int titleWidth = int(width - titleIndent);
    if (text.titleWidth != titleWidth) {
        text.titleLines = TextPainter::lines(text.title, titleFont, titleWidth, 2);
        text.titleWidth = titleWidth;
    }
    TextPainter::draw(painter, QPointF(left + titleIndent, y), text.titleLines, titleFont);
    y += 2 * titleMetrics.lineSpacing() + Sizes::DividerGap + 1 + Sizes::DividerGap; // title, divider

    // Information rows: date always, then name and company when known.
    const QFont infoFont = Style::font(Sizes::InfoTextSize, QFont::Medium);
    const QFontMetrics infoMetrics(infoFont);
    const qreal rowHeight = infoMetrics.height() + Sizes::InfoRowGap;
    constexpr qreal infoSymbol = Sizes::InfoSymbol, infoIndent = infoSymbol + Sizes::InfoSymbolGap;
    auto infoRow = [&](const QString &symbol, const QColor &symbolColor, const QFont &font,
                       const QColor &color, const QString &value) {
        SymbolIcons::paint(painter, symbol,
            QRectF(left, y + (rowHeight - infoSymbol) / 2, infoSymbol, infoSymbol), symbolColor);
        painter->setFont(font);
        painter->setPen(color);
        const QString shown = QFontMetrics(font).elidedText(value, Qt::ElideRight, int(width - infoIndent));
        painter->drawText(QRectF(left + infoIndent, y, width - infoIndent, rowHeight),
            Qt::AlignLeft | Qt::AlignVCenter, shown);
        y += rowHeight;
    };
    infoRow(u"calendar"_s, Style::grey(), infoFont, Style::grey(), text.date);
    if (text.hasName)
        infoRow(u"person.circle.fill"_s, Style::withOpacity(Style::purple(), 0.8), infoFont,
            Style::white(0.9), text.name);
    if (!text.company.isEmpty())
        infoRow(u"building.2.fill"_s, Style::withOpacity(Style::orange(), 0.8),
            Style::font(Sizes::CompanyTextSize), Style::grey(), text.company);
}

QSizeF TicketCardDelegate::chromeSize(const QSizeF &card)
{
    return card + QSizeF(2 * PaintMargin, 2 * PaintMargin);
}

void TicketCardDelegate::paintChrome(QPainter *painter, const QRectF &card, qreal t)
{
    // A soft shadow from stacked translucent shapes: cheap enough for every
    // visible card on every frame of a scroll.
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

    // Fill, then the blue-to-purple outline from the top-leading corner.
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

    // The divider under the title and the button keep their place on every card.
    const qreal left = card.left() + Padding;
    const qreal width = card.width() - 2 * Padding;
    const qreal dividerY = card.top() + Padding + BadgePainter::size(u"OPEN"_s).height()
        + Sizes::BadgeRowBottom
        + 2 * QFontMetrics(Style::font(Sizes::TitleSize, QFont::DemiBold)).lineSpacing() + Sizes::DividerGap;
    painter->setPen(QPen(Style::white(0.15), 1));
    painter->drawLine(QPointF(left, dividerY), QPointF(left + width, dividerY));

    // "Voir le détail": the whole card is the hit area, the button says so.
    const QRectF button(left, card.bottom() - Padding - Sizes::ButtonHeight, width, Sizes::ButtonHeight);
    QLinearGradient fill(button.topLeft(), button.topRight());
    fill.setColorAt(0, Style::withOpacity(Style::blue(), 0.6));
    fill.setColorAt(1, Style::withOpacity(Style::purple(), 0.6));
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawRoundedRect(button, Sizes::ButtonRadius, Sizes::ButtonRadius);
    const QFont buttonFont = Style::font(Sizes::ButtonTextSize, QFont::DemiBold);
    const QString label = u"Voir le détail"_s;
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
