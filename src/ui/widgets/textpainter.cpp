#include "textpainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

QStringList TextPainter::lines(const QString &text, const QFont &font, qreal width, int maxLines)
{
    // A line break in the text ends a line, as it does in a label.
    QString laidOut = text;
    laidOut.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList result;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        const int start = line.textStart();
        if (maxLines > 0 && result.size() == maxLines - 1 && start + line.textLength() < laidOut.size()) {
            // Last allowed line with text left over: elide the rest into it.
            const QString rest = laidOut.mid(start).replace(QChar::LineSeparator, u' ').simplified();
            result << QFontMetricsF(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        QString shown = laidOut.mid(start, line.textLength()).remove(QChar::LineSeparator);
        // The space a line was broken after takes no room at its end.
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        result << shown;
    }
    layout.endLayout();
    return result;
}

void TextPainter::draw(QPainter *painter, const QPointF &topLeft, const QStringList &lines, const QFont &font)
{
    const QFontMetrics metrics(font);
    painter->setFont(font);
    for (int i = 0; i < lines.size(); ++i)
        painter->drawText(
            QPointF(topLeft.x(), topLeft.y() + metrics.ascent() + i * metrics.lineSpacing()), lines.at(i));
}

int TextPainter::height(const QStringList &lines, const QFont &font)
{
    return int(lines.size()) * QFontMetrics(font).lineSpacing();
}
