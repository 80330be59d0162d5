#include "style.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>
#include <QtMath>

using namespace Qt::StringLiterals;

QColor Style::background()
{
    return QColor(14, 17, 32);
}

QColor Style::white(qreal opacity)
{
    return withOpacity(Qt::white, opacity);
}

// Text colours follow the dark background: light enough to read, dim
// enough to rank below white.
QColor Style::grey()
{
    return QColor(152, 152, 160);
}

QColor Style::blue()
{
    return QColor(10, 132, 255);
}

QColor Style::purple()
{
    return QColor(175, 82, 222);
}

QColor Style::red()
{
    return QColor(255, 69, 58);
}

QColor Style::orange()
{
    return QColor(255, 159, 10);
}

QColor Style::green()
{
    return QColor(48, 209, 88);
}

QColor Style::gray()
{
    return QColor(142, 142, 147);
}

QColor Style::pink()
{
    return QColor(255, 55, 95);
}

QColor Style::withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(qBound(0.0, opacity, 1.0)));
    return color;
}

QColor Style::tint(Tint value)
{
    switch (value) {
    case Tint::Red:
        return red();
    case Tint::Orange:
        return orange();
    case Tint::Green:
        return green();
    case Tint::Gray:
        break;
    }
    return gray();
}

QFont Style::font(qreal pointSize, QFont::Weight weight)
{
    QFont result;
    result.setPointSizeF(pointSize);
    result.setWeight(weight);
    return result;
}

QFont Style::captionBold()
{
    return font(10, QFont::Bold);
}

QString Style::styleSheet()
{
    // rgba() in the sheet takes alpha 0..255; the design speaks in percent.
    static const QString sheet = uR"(
        QLabel { color: white; background: transparent; }
        QLabel[role="title"] { font-size: 24pt; font-weight: bold; }
        QLabel[role="heroTitle"] { font-size: 40pt; font-weight: bold; }
        QLabel[role="welcomeTitle"] { font-size: 28pt; font-weight: bold; }
        QLabel[role="subtitle"] { font-size: 14pt; color: rgb(152, 152, 160); }
        QLabel[role="heroSubtitle"] { font-size: 17pt; color: rgb(152, 152, 160); }
        QLabel[role="fieldLabel"] { font-size: 13pt; font-weight: 500; color: rgb(152, 152, 160); }
        QLabel[role="required"] { font-size: 13pt; color: rgb(255, 69, 58); }
        QLabel[role="secondary"] { font-size: 13pt; color: rgb(152, 152, 160); }
        QLabel[role="note"] { font-size: 13pt; color: rgb(152, 152, 160); }
        QLabel[role="small"] { font-size: 12pt; color: rgb(152, 152, 160); }
        QLabel[role="version"] { font-size: 11pt; color: rgba(255, 255, 255, 77); }
        QLabel[role="emptyTitle"] { font-size: 18pt; font-weight: 600; }
        QLabel[role="danger"] { color: rgb(255, 69, 58); }
        QLineEdit, QTextEdit, QPlainTextEdit, QComboBox {
            color: white; background: rgba(255, 255, 255, 20); border: 1px solid rgba(255, 255, 255, 20);
            border-radius: 8px; padding: 10px; font-size: 13pt;
            selection-background-color: rgb(10, 132, 255);
        }
        QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QComboBox:focus {
            border: 1px solid rgb(10, 132, 255);
        }
        QComboBox::drop-down { border: none; background: transparent; width: 28px; }
        QComboBox QAbstractItemView { color: white; background: rgb(30, 34, 52);
            selection-background-color: rgb(10, 132, 255); }
        QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }
        QListView { background: transparent; border: none; }
        QScrollBar:vertical { background: transparent; width: 8px; }
        QScrollBar::handle:vertical { background: rgba(255, 255, 255, 50); border-radius: 4px; min-height: 24px; }
        QScrollBar::add-line, QScrollBar::sub-line { height: 0; }
        QPushButton[role="plain"] { color: rgb(10, 132, 255); background: transparent; border: none;
            font-size: 13pt; font-weight: 500; padding: 4px; }
        QPushButton[role="danger"] { color: rgb(255, 69, 58); background: transparent; border: none;
            font-size: 13pt; padding: 4px; }
        QPushButton[role="secondary"] { color: white; background: rgba(255, 255, 255, 25); border: none;
            border-radius: 10px; font-size: 14pt; font-weight: 500; padding: 12px 20px; }
        QPushButton[role="plain"]:focus, QPushButton[role="danger"]:focus, QPushButton[role="secondary"]:focus {
            outline: none; border: 1px solid rgba(10, 132, 255, 200); border-radius: 6px; }
        QCheckBox { color: white; font-size: 12pt; }
        QToolTip { color: white; background: rgb(30, 34, 52); border: 1px solid rgba(255, 255, 255, 40); }
    )"_s;
    return sheet;
}

void Style::setRole(QWidget *widget, const char *role)
{
    widget->setProperty("role", QString::fromLatin1(role));
}

void Style::applyTo(QWidget *screen)
{
    // The palette covers what the style sheet does not reach (placeholder
    // text, native parts of dialogs).
    QPalette palette = screen->palette();
    palette.setColor(QPalette::Window, background());
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, background());
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, white(0.35));
    palette.setColor(QPalette::Highlight, blue());
    screen->setPalette(palette);
    screen->setAutoFillBackground(true);
    screen->setStyleSheet(styleSheet());
}

void Style::fillRounded(
    QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill, const QColor &outline)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(fill);
    if (outline.isValid())
        painter->setPen(QPen(outline, 1));
    else
        painter->setPen(Qt::NoPen);
    // Half a pixel in so a 1-pixel outline lands on whole pixels.
    painter->drawRoundedRect(outline.isValid() ? rect.adjusted(0.5, 0.5, -0.5, -0.5) : rect, radius, radius);
    painter->restore();
}

void Style::paintSpinner(QPainter *painter, const QRectF &rect, const QColor &color, int step)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(rect.width(), rect.height());
    painter->translate(rect.center());
    const qreal outer = side / 2, inner = side / 4.2;
    QPen pen(color, qMax(1.5, side / 9), Qt::SolidLine, Qt::RoundCap);
    for (int spoke = 0; spoke < 12; ++spoke) {
        // The spoke at step is fully opaque; the others fade behind it.
        const int age = (step - spoke + 12) % 12;
        pen.setColor(withOpacity(color, color.alphaF() * (1.0 - age / 13.0)));
        painter->setPen(pen);
        const qreal angle = qDegreesToRadians(spoke * 30.0 - 90.0);
        painter->drawLine(QPointF(qCos(angle) * inner, qSin(angle) * inner),
            QPointF(qCos(angle) * outer, qSin(angle) * outer));
    }
    painter->restore();
}

QPixmap Style::appIcon(int side, qreal devicePixelRatio)
{
    QPixmap result(QSize(side, side) * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area(0, 0, side, side);
    QPainterPath clip;
    clip.addRoundedRect(area, side / 4.0, side / 4.0);
    painter.setClipPath(clip);
    const QIcon windowIcon = QGuiApplication::windowIcon();
    if (!windowIcon.isNull()) {
        painter.drawPixmap(area.toRect(), windowIcon.pixmap(QSize(side, side), devicePixelRatio));
        return result;
    }
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, blue());
    gradient.setColorAt(1, purple());
    painter.fillRect(area, gradient);
    painter.setPen(Qt::white);
    painter.setFont(font(side * 0.42, QFont::Black));
    painter.drawText(area, Qt::AlignCenter, u"N"_s);
    return result;
}
