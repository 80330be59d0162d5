#pragma once

#include "protocol/vocabulary.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QPainter;
class QRectF;
class QWidget;

// The look of every screen in one place: the palette, the fonts, the one
// style sheet and the painting helpers that widgets and delegates share.
// Nothing else in the program spells a colour.
namespace Style {

// Opaque background of the main window and of every sheet.
QColor background();
// White at the given opacity (0..1): text, translucent fills, outlines.
QColor white(qreal opacity = 1.0);
// Secondary text ("grey" in the design).
QColor grey();
QColor blue();
QColor purple();
QColor red();
QColor orange();
QColor green();
QColor gray();
QColor pink();
QColor withOpacity(QColor color, qreal opacity);
// The colour of a priority or status tint.
QColor tint(Tint value);

// The system font at a point size and weight.
QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal);
// The caption style used by badges: small and bold.
QFont captionBold();

// The style sheet of every sheet and of the home screen. Widgets pick their
// role with the "role" dynamic property (see setRole).
QString styleSheet();
// Marks widget with a role of the style sheet ("title", "fieldLabel", ...).
void setRole(QWidget *widget, const char *role);
// Dark palette and style sheet on a top-level screen.
void applyTo(QWidget *screen);

// A rounded rectangle, filled and optionally outlined with a 1-pixel line.
void fillRounded(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill,
    const QColor &outline = QColor());
// The small busy spinner: twelve spokes, the brightest at step (0..11).
void paintSpinner(QPainter *painter, const QRectF &rect, const QColor &color, int step);

} // namespace Style

namespace Style {
// The program's own icon: the window icon when the shell set one, else a
// drawn one (blue-to-purple rounded square with a white "N").
QPixmap appIcon(int side, qreal devicePixelRatio = 1.0);
} // namespace Style

// The capture editor: its sheet, and the marks it burns into a picture
// (lengths in the picture's pixels).
namespace Style::CaptureEditor {
inline constexpr QSize SheetSize { 900, 700 };
inline constexpr int MarkPenWidth = 4;
inline constexpr qreal ArrowHeadLength = 22;
// Room around the picture inside its canvas.
inline constexpr int CanvasMargin = 12;
// The largest enlargement of a small picture on the canvas.
inline constexpr qreal MaxZoom = 4.0;
inline QColor markColour()
{
    return red();
}
inline QColor maskColour()
{
    return QColor(0, 0, 0);
}
} // namespace Style::CaptureEditor
