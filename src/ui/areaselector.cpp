#include "areaselector.h"

#include "ui/widgets/style.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int HintTextSize = Style::TextSize::Body;
constexpr QSize HintFrame { 720, 36 };
constexpr int HintTop = 24;
constexpr int HintRadius = 10;
constexpr int SelectionPenWidth = 2;
} // namespace Sizes
} // namespace

namespace {
// A press and release closer than this is a click, not a drag.
constexpr int MinimumDrag = 4;

// The area between two corners, as wide as their distance (QRect(p, q)
// would include both corner pixels).
QRect spanned(const QPoint &a, const QPoint &b)
{
    return QRect(
        QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())), QSize(qAbs(a.x() - b.x()), qAbs(a.y() - b.y())));
}
} // namespace

AreaSelector::AreaSelector(const QImage &picture, const QRect &geometry, QWidget *parent)
    : QWidget(
        parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint)
    , m_picture(picture)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setGeometry(geometry);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAccessibleName(tr("Sélection de la zone à capturer"));
}

QImage AreaSelector::grabScreens(QRect *geometry)
{
    QRect desktop;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens)
        desktop = desktop.united(screen->geometry());
    *geometry = desktop;
    if (desktop.isEmpty())
        return {};
    QImage picture(desktop.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (QScreen *screen : screens) {
        const QPixmap shot = screen->grabWindow(0);
        painter.drawPixmap(screen->geometry().translated(-desktop.topLeft()), shot);
    }
    return picture;
}

void AreaSelector::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF whole(rect());
    painter.drawImage(whole, m_picture);
    // Everything outside the selection is dimmed.
    QRegion dim(rect());
    if (!m_selection.isEmpty())
        dim -= QRegion(m_selection);
    painter.setClipRegion(dim);
    painter.fillRect(rect(), Style::withOpacity(Qt::black, 0.45));
    painter.setClipping(false);
    if (!m_selection.isEmpty()) {
        painter.setPen(QPen(Style::blue(), Sizes::SelectionPenWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_selection);
    }
    const QString hint
        = tr("Faites glisser pour choisir une zone, cliquez pour tout l'écran — Échap pour annuler");
    painter.setFont(Style::font(Sizes::HintTextSize, QFont::Medium));
    const QRect hintRect(
        QPoint(rect().center().x() - Sizes::HintFrame.width() / 2, Sizes::HintTop), Sizes::HintFrame);
    Style::fillRounded(&painter, hintRect, Sizes::HintRadius, Style::withOpacity(Style::background(), 0.85));
    painter.setPen(Qt::white);
    painter.drawText(hintRect, Qt::AlignCenter, hint);
}

void AreaSelector::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_anchor = event->position().toPoint();
    m_selection = QRect();
    m_dragging = true;
}

void AreaSelector::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_selection = spanned(m_anchor, event->position().toPoint()).intersected(rect());
    update();
}

void AreaSelector::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const QRect area = spanned(m_anchor, event->position().toPoint()).intersected(rect());
    finish(area.width() < MinimumDrag && area.height() < MinimumDrag ? rect() : area);
}

void AreaSelector::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        if (!m_done) {
            m_done = true;
            Q_EMIT cancelled();
        }
        close();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        finish(m_selection.isEmpty() ? rect() : m_selection);
        return;
    }
    QWidget::keyPressEvent(event);
}

void AreaSelector::finish(const QRect &area)
{
    if (m_done)
        return;
    m_done = true;
    // The overlay may be scaled against the picture; map back to its pixels.
    const qreal sx = qreal(m_picture.width()) / qMax(1, width());
    const qreal sy = qreal(m_picture.height()) / qMax(1, height());
    const QRect source(
        qRound(area.x() * sx), qRound(area.y() * sy), qRound(area.width() * sx), qRound(area.height() * sy));
    const QImage cut = m_picture.copy(source);
    hide();
    Q_EMIT selected(cut);
    close();
}
