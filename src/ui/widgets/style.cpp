#include "style.h"

#include "screenlook.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace {

// The sheet names its colours ("@grey") so that each is spelled once, here.
QString fillColours(QString sheet)
{
    const std::pair<QLatin1StringView, QColor> colours[] = {
        { "@white90"_L1, Style::white(0.9) },
        { "@white70"_L1, Style::white(0.7) },
        { "@white30"_L1, Style::white(0.3) },
        { "@white20"_L1, Style::white(0.2) },
        { "@white15"_L1, Style::white(0.15) },
        { "@white10"_L1, Style::white(0.1) },
        { "@white8"_L1, Style::white(0.08) },
        { "@grey50"_L1, Style::withOpacity(Style::grey(), 0.5) },
        { "@grey"_L1, Style::grey() },
        { "@orange"_L1, Style::orange() },
        { "@red"_L1, Style::red() },
        { "@blue"_L1, Style::blue() },
        { "@focus"_L1, Style::focusRing() },
        { "@popup"_L1, Style::popupBackground() },
    };
    for (const auto &[name, colour] : colours)
        sheet.replace(name, Style::css(colour));
    return sheet;
}

// The style sheet's rules, by kind of widget; colours by their "@" names.
QString labelRules()
{
    return uR"(
        QLabel { color: white; background: transparent; }
        QLabel[role="title"] { font-size: 24px; font-weight: bold; }
        QLabel[role="heroTitle"] { font-size: 40px; font-weight: bold; }
        QLabel[role="welcomeTitle"] { font-size: 28px; font-weight: bold; }
        QLabel[role="subtitle"] { font-size: 14px; color: @grey; }
        QLabel[role="heroSubtitle"] { font-size: 15px; color: @grey; }
        QLabel[role="fieldLabel"] { font-size: 13px; font-weight: 500; color: @grey; }
        QLabel[role="required"] { font-size: 13px; color: @red; }
        QLabel[role="secondary"] { font-size: 13px; color: @grey; }
        QLabel[role="note"] { font-size: 13px; color: @grey; }
        QLabel[role="small"] { font-size: 12px; color: @grey; }
        QLabel[role="version"] { font-size: 11px; color: @white30; }
        QLabel[role="emptyTitle"] { font-size: 18px; font-weight: 600; }
        QLabel[role="danger"] { color: @red; }
        QLabel[role="welcomeSubtitle"] { font-size: 15px; color: @grey; }
        QLabel[role="errorText"] { font-size: 13px; color: @red; }
        QLabel[role="userCardName"] { font-size: 15px; font-weight: 500; color: @white90; }
        QLabel[role="bullet"] { font-size: 13px; color: @grey50; }
        QLabel[role="smallBullet"] { font-size: 12px; color: @grey50; }
        QLabel[role="identityName"] { font-size: 14px; font-weight: 500; }
        QLabel[role="caption"] { font-size: 12px; font-weight: 500; color: @grey; }
        QLabel[role="value"] { font-size: 14px; }
        QLabel[role="companyName"] { font-size: 14px; color: @white70; }
        QLabel[role="warning"] { font-size: 13px; font-weight: 600; color: @orange; }
)"_s;
}

QString fieldRules()
{
    return uR"(        QLineEdit, QTextEdit, QPlainTextEdit, QComboBox {
            color: white; background: @white8; border: 1px solid @white8;
            border-radius: 8px; padding: 12px; font-size: 13px;
            selection-background-color: @blue;
        }
        QLineEdit[role="roomy"] { padding: 14px; }
        QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QComboBox:focus {
            border: 1px solid @blue;
        }
        QComboBox::drop-down { border: none; background: transparent; width: 28px; }
        QComboBox QAbstractItemView { color: white; background: @popup;
            selection-background-color: @blue; }
)"_s;
}

QString scrollingRules()
{
    return uR"(        QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }
        QListView { background: transparent; border: none; }
        QScrollBar:vertical { background: transparent; width: 8px; }
        QScrollBar::handle:vertical { background: @white20; border-radius: 4px; min-height: 24px; }
        QScrollBar::add-line, QScrollBar::sub-line { height: 0; }
)"_s;
}

QString buttonRules()
{
    return uR"(        QPushButton[role="plain"] { color: @blue; background: transparent; border: none;
            font-size: 13px; font-weight: 500; padding: 4px; }
        QPushButton[role="danger"] { color: @red; background: transparent; border: none;
            font-size: 13px; padding: 4px; }
        QPushButton[role="secondary"] { color: white; background: @white10; border: none;
            border-radius: 10px; font-size: 14px; font-weight: 500; padding: 12px 20px; }
        QPushButton[role="secondary"][buttonSize="large"] { font-size: 15px; }
        QPushButton[role="plain"][keyboardFocus="true"], QPushButton[role="danger"][keyboardFocus="true"],
        QPushButton[role="secondary"][keyboardFocus="true"] {
            outline: none; border: 1px solid @focus; border-radius: 6px; }
        QMessageBox QPushButton { color: white; background: @white10; border: 1px solid transparent;
            border-radius: 8px; font-size: 13px; font-weight: 500; padding: 7px 16px; min-width: 72px; }
        QMessageBox QPushButton:pressed { background: @white20; }
        QMessageBox QPushButton[keyboardFocus="true"] { border: 1px solid @focus; }
        QCheckBox { color: white; font-size: 12px; }
        QToolTip { color: white; background: @popup; border: 1px solid @white15; }
    )"_s;
}

QPalette darkPalette(QPalette palette)
{
    palette.setColor(QPalette::Window, Style::background());
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, Style::background());
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, Style::white(0.35));
    palette.setColor(QPalette::Highlight, Style::blue());
    return palette;
}

} // namespace

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

QColor Style::pink()
{
    return QColor(255, 55, 95);
}

// The face of a popup (menus, tooltips): a step lighter than the screen.
QColor Style::popupBackground()
{
    return QColor(30, 34, 52);
}

QColor Style::focusRing()
{
    return withOpacity(blue(), 0.8);
}

QColor Style::ticketInProgress()
{
    return orange();
}

QColor Style::ticketDone()
{
    return green();
}

QColor Style::openTicketsSection()
{
    return blue();
}

QColor Style::closedTicketsSection()
{
    return green();
}

QString Style::css(const QColor &colour)
{
    return u"rgba(%1, %2, %3, %4)"_s.arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alpha());
}

QString Style::labelSheet(const QColor &colour, int pixelSize, QFont::Weight weight)
{
    return u"color: %1; font-size: %2px; font-weight: %3;"_s.arg(css(colour)).arg(pixelSize).arg(int(weight));
}

QString Style::Sheets::plainButton(
    const QColor &text, int pixelSize, QFont::Weight weight, const QString &padding)
{
    return u"QPushButton { color: %1; font-size: %2px; font-weight: %3; border: none;"
           " background: transparent; padding: %4; }"
           " QPushButton[keyboardFocus=\"true\"] { border: 1px solid %5; border-radius: 6px; }"_s
               .arg(css(text))
               .arg(pixelSize)
               .arg(int(weight))
               .arg(padding, css(focusRing()));
}

QString Style::Sheets::filledButton(
    const QColor &fill, int pixelSize, QFont::Weight weight, int radius, const QString &padding)
{
    return u"QPushButton { color: white; font-size: %1px; font-weight: %2; border: none;"
           " border-radius: %3px; padding: %4; background: %5; }"
           " QPushButton[keyboardFocus=\"true\"] { border: 2px solid white; }"_s.arg(pixelSize)
               .arg(int(weight))
               .arg(radius)
               .arg(padding, css(fill));
}

QString Style::Sheets::padding(int vertical, int horizontal)
{
    return u"%1px %2px"_s.arg(vertical).arg(horizontal);
}

QString Style::Sheets::segment()
{
    return u"QPushButton { color: white; background: transparent; border: none; border-radius: 7px;"
           " padding: 7px 10px; font-size: 13px; }"
           "QPushButton:checked { background: %1; font-weight: 600; }"
           "QPushButton[keyboardFocus=\"true\"] { border: 1px solid %2; }"_s.arg(
               css(white(0.22)), css(withOpacity(blue(), 0.86)));
}

QString Style::Sheets::closeMessageEditor()
{
    return u"QPlainTextEdit { color: white; background: %1; border: 1px solid %2; border-radius: 8px;"
           " padding: 8px; }"_s.arg(css(white(0.05)), css(white(0.2)));
}

QString Style::Sheets::codeChip()
{
    return labelSheet(blue(), 13, QFont::Medium)
        + u" background: %1; border-radius: 6px; padding: 0;"_s.arg(css(withOpacity(blue(), 0.15)));
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
    return grey();
}

QFont Style::font(int pixelSize, QFont::Weight weight)
{
    // Pixels, like every other length of the design, so text keeps its
    // proportion to the boxes around it whatever the screen's DPI setting.
    QFont result;
    result.setPixelSize(qMax(1, pixelSize));
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
    static const QString sheet = fillColours(labelRules() + fieldRules() + scrollingRules() + buttonRules());
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
    screen->setPalette(darkPalette(screen->palette()));
    screen->setAutoFillBackground(true);
    screen->setStyleSheet(styleSheet());
    if (!screen->findChild<ScreenLook *>(QString(), Qt::FindDirectChildrenOnly))
        new ScreenLook(screen);
}

QPalette Style::dialogPalette(QPalette base)
{
    // A window does not inherit its parent's palette, but it does inherit the
    // sheet and its white text: its face and native buttons go dark as well.
    base = darkPalette(base);
    base.setColor(QPalette::Button, popupBackground());
    base.setColor(QPalette::Light, white(0.2));
    base.setColor(QPalette::Midlight, white(0.15));
    base.setColor(QPalette::Mid, white(0.1));
    base.setColor(QPalette::Dark, Qt::black);
    base.setColor(QPalette::AlternateBase, popupBackground());
    base.setColor(QPalette::ToolTipBase, popupBackground());
    base.setColor(QPalette::ToolTipText, Qt::white);
    base.setColor(QPalette::BrightText, Qt::white);
    return base;
}

bool Style::showsFocusRing(const QWidget *widget)
{
    return widget->hasFocus() && widget->property(ScreenLook::KeyboardFocus).toBool();
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
    painter.setFont(font(qRound(side * 0.42), QFont::Black));
    painter.drawText(area, Qt::AlignCenter, u"N"_s);
    return result;
}
