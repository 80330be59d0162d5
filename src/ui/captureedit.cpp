#include "captureedit.h"

#include "ui/widgets/style.h"

#include <QLineF>
#include <QPainter>
#include <QPolygonF>
#include <QtMath>

namespace {

void pixelate(QImage &image, const QRect &area)
{
    const int side = CaptureEdit::blockSide(area);
    for (int top = area.top(); top <= area.bottom(); top += side) {
        for (int left = area.left(); left <= area.right(); left += side) {
            const QRect block = QRect(left, top, side, side).intersected(area);
            quint64 sums[4] = {};
            for (int y = block.top(); y <= block.bottom(); ++y) {
                const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                for (int x = block.left(); x <= block.right(); ++x) {
                    sums[0] += quint64(qRed(line[x]));
                    sums[1] += quint64(qGreen(line[x]));
                    sums[2] += quint64(qBlue(line[x]));
                    sums[3] += quint64(qAlpha(line[x]));
                }
            }
            const quint64 count = quint64(block.width()) * quint64(block.height());
            const QRgb mean = qRgba(
                int(sums[0] / count), int(sums[1] / count), int(sums[2] / count), int(sums[3] / count));
            for (int y = block.top(); y <= block.bottom(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                std::fill(line + block.left(), line + block.right() + 1, mean);
            }
        }
    }
}

void drawArrow(QPainter &painter, const QPointF &from, const QPointF &to)
{
    const QLineF shaft(from, to);
    if (shaft.length() < 1)
        return;
    const qreal head = Style::CaptureEditor::ArrowHeadLength;
    const qreal angle = qDegreesToRadians(shaft.angle());
    // The head's two back corners, 28 degrees either side of the shaft.
    const auto corner = [&](qreal turn) {
        const qreal a = angle + M_PI + qDegreesToRadians(turn);
        return to + QPointF(qCos(a) * head, -qSin(a) * head);
    };
    const QPolygonF tip { to, corner(28), corner(-28) };
    // The shaft stops inside the head so its square end does not show.
    const QLineF body(from, to - (to - from) / shaft.length() * qMin(shaft.length(), head * 0.6));
    painter.drawLine(body);
    painter.setBrush(painter.pen().color());
    painter.drawPolygon(tip);
}

} // namespace

QRect CaptureEdit::area(const QSize &size) const
{
    const QRect spanned(QPoint(qMin(from.x(), to.x()), qMin(from.y(), to.y())),
        QPoint(qMax(from.x(), to.x()), qMax(from.y(), to.y())));
    return spanned.intersected(QRect(QPoint(0, 0), size));
}

int CaptureEdit::blockSide(const QRect &area)
{
    return qMax(MinimumBlock, qMax(area.width(), area.height()) / 10);
}

void CaptureEdit::applyTo(QImage &image) const
{
    const QRect rect = area(image.size());
    if (rect.isEmpty() && tool != Tool::Arrow)
        return;
    // Painting and pixel access below speak in pixels.
    const qreal ratio = image.devicePixelRatio();
    image.setDevicePixelRatio(1.0);
    // Indexed and other narrow formats take neither a painter nor QRgb lines.
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_ARGB32);
    if (tool == Tool::Pixelate) {
        pixelate(image, rect);
    } else {
        QPainter painter(&image);
        const int width = Style::CaptureEditor::MarkPenWidth;
        switch (tool) {
        case Tool::Mask:
            painter.fillRect(rect, Style::CaptureEditor::maskColour());
            break;
        case Tool::Frame:
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(
                QPen(Style::CaptureEditor::markColour(), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.drawRect(QRectF(rect).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
            break;
        case Tool::Arrow:
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(
                QPen(Style::CaptureEditor::markColour(), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            drawArrow(painter, from, to);
            break;
        case Tool::Pixelate:
            break;
        }
    }
    image.setDevicePixelRatio(ratio);
}
