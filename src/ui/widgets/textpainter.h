#pragma once

#include <QStringList>

class QFont;
class QPainter;
class QPointF;

// Wrapped text for painted delegates, which cannot lean on a QLabel: the
// lines of a text at a width, at most so many of them with the last one
// elided, and the drawing of such lines. Lines are worked out apart from the
// drawing so a delegate can keep them between paints.
namespace TextPainter {

// text wrapped to width at word boundaries (anywhere inside a word too long
// for a line), in at most maxLines lines; when text is left over, the last
// line ends in an ellipsis. maxLines 0 means no limit.
QStringList lines(const QString &text, const QFont &font, qreal width, int maxLines = 0);
// Draws lines one under the other from topLeft, a whole line spacing apart.
void draw(QPainter *painter, const QPointF &topLeft, const QStringList &lines, const QFont &font);
// The height draw() takes for lines, in whole pixels.
int height(const QStringList &lines, const QFont &font);

} // namespace TextPainter
