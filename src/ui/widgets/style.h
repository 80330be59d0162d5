#pragma once

#include "protocol/vocabulary.h"
#include "stylemetrics.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QSize>
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
QColor pink();
// Menus and tooltips, a step lighter than the background.
QColor popupBackground();
// The outline of the focused control.
QColor focusRing();
QColor withOpacity(QColor color, qreal opacity);
// A colour as a style sheet value.
QString css(const QColor &colour);
// A label's own colour, size in pixels and weight, on top of the shared sheet.
QString labelSheet(const QColor &colour, int pixelSize, QFont::Weight weight = QFont::Normal);
// The colour of a priority or status tint.
QColor tint(Tint value);

// A ticket's state, as each screen shows it. The user's own list and the
// administrator's sections and banner speak of work done, so a closed ticket
// is green there; the status badge of the detail names the status word, and
// there "fermé" is red like every stopped state of the vocabulary.
QColor ticketInProgress();
QColor ticketDone();
QColor openTicketsSection();
QColor closedTicketsSection();

// The system font at a size in pixels and a weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
// The caption style used by badges: small and bold.
QFont captionBold();

// The style sheet of every sheet and of the home screen. Widgets pick their
// role with the "role" dynamic property (see setRole).
QString styleSheet();
// Marks widget with a role of the style sheet ("title", "fieldLabel", ...).
void setRole(QWidget *widget, const char *role);
// Dark palette and style sheet on a top-level screen; dialogs opened on it
// get the dark palette too, and its controls ring keyboard focus only.
void applyTo(QWidget *screen);
// The screens' dark palette, over base: for a dialog the sheet reaches.
QPalette dialogPalette(QPalette base);
// Whether widget shows its focus ring: it has focus, and Tab, Backtab or a
// shortcut gave it (a click or the window's activation does not ring).
bool showsFocusRing(const QWidget *widget);

// A rounded rectangle, filled and optionally outlined with a 1-pixel line.
void fillRounded(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill,
    const QColor &outline = QColor());
// The small busy spinner: twelve spokes, the brightest at step (0..11).
void paintSpinner(QPainter *painter, const QRectF &rect, const QColor &color, int step);

} // namespace Style

// The sheets of single buttons and fields that look unlike the shared roles.
namespace Style::Sheets {
// Text only: no fill, no border until focused.
QString plainButton(const QColor &text, int pixelSize, QFont::Weight weight, const QString &padding);
// White text on a solid rounded fill.
QString filledButton(
    const QColor &fill, int pixelSize, QFont::Weight weight, int radius, const QString &padding);
// A padding value: vertical, then horizontal, in pixels.
QString padding(int vertical, int horizontal);
// One segment of a segmented picker.
QString segment();
// The closing message editor of the ticket detail.
QString closeMessageEditor();
// A company's code on its blue chip; the chip's owner sizes it.
QString codeChip();
} // namespace Style::Sheets

namespace Style {
// The program's own icon: the window icon when the shell set one, else a
// drawn one (blue-to-purple rounded square with a white "N").
QPixmap appIcon(int side, qreal devicePixelRatio = 1.0);
} // namespace Style

// The fixed size of each sheet, in pixels.
namespace Style::SheetSizes { } // namespace Style::SheetSizes

// The capture editor: the marks it burns into a picture
// (lengths in the picture's pixels).
namespace Style::CaptureEditor {
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
