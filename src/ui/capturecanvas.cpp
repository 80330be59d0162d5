#include "capturecanvas.h"

#include "ui/widgets/style.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

using namespace Qt::StringLiterals;

CaptureCanvas::CaptureCanvas(QWidget *parent)
    : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(tr("Capture à modifier"));
}

void CaptureCanvas::setImage(const QImage &image)
{
    m_image = image;
    m_preview = QImage();
    update();
}

QRectF CaptureCanvas::pictureRect() const
{
    if (m_image.isNull())
        return {};
    const QRectF room
        = QRectF(rect()).adjusted(Style::CaptureEditor::CanvasMargin, Style::CaptureEditor::CanvasMargin,
            -Style::CaptureEditor::CanvasMargin, -Style::CaptureEditor::CanvasMargin);
    const qreal scale = std::min(
        { room.width() / m_image.width(), room.height() / m_image.height(), Style::CaptureEditor::MaxZoom });
    const QSizeF shown(m_image.width() * scale, m_image.height() * scale);
    return QRectF(room.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
}

QPointF CaptureCanvas::toWidget(const QPoint &pixel) const
{
    const QRectF shown = pictureRect();
    if (shown.isEmpty())
        return {};
    const qreal scale = shown.width() / m_image.width();
    return shown.topLeft() + (QPointF(pixel) + QPointF(0.5, 0.5)) * scale;
}

QPoint CaptureCanvas::toPicture(const QPointF &point) const
{
    const QRectF shown = pictureRect();
    if (shown.isEmpty())
        return {};
    const qreal scale = shown.width() / m_image.width();
    const QPointF inside = (point - shown.topLeft()) / scale;
    // A drag that leaves the picture stops at its edge.
    return QPoint(
        qBound(0, int(inside.x()), m_image.width() - 1), qBound(0, int(inside.y()), m_image.height() - 1));
}

void CaptureCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF shown = pictureRect();
    painter.drawImage(shown, m_preview.isNull() ? m_image : m_preview);
    painter.setPen(QPen(Style::white(0.15), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(shown.adjusted(-0.5, -0.5, 0.5, 0.5));
}

void CaptureCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_image.isNull())
        return;
    m_dragging = true;
    m_dragged = { m_tool, toPicture(event->position()), toPicture(event->position()) };
}

void CaptureCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_dragged.to = toPicture(event->position());
    m_preview = m_image.copy();
    m_dragged.applyTo(m_preview);
    update();
}

void CaptureCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_dragged.to = toPicture(event->position());
    m_preview = QImage();
    update();
    // A click without a drag changes nothing.
    if (m_dragged.from != m_dragged.to)
        Q_EMIT edited(m_dragged);
}
