#include "log.h"

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

QString printableLine(const QString &line)
{
    const auto unsafe = [](QChar c) {
        // C0 and C1 controls and DEL, plus the Unicode line and paragraph
        // separators, which some terminals and log viewers also break on.
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator;
    };
    if (std::none_of(line.cbegin(), line.cend(), unsafe))
        return line;
    QString printable;
    printable.reserve(line.size() + 8);
    for (const QChar c : line) {
        if (!unsafe(c))
            printable.append(c);
        else if (c == u'\n')
            printable.append(u"\\n"_s);
        else if (c == u'\r')
            printable.append(u"\\r"_s);
        else if (c == u'\t')
            printable.append(u"\\t"_s);
        else
            printable.append(u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')));
    }
    return printable;
}

QString logLine(const QString &line)
{
    const QString written = printableLine(line);
    const QByteArray bytes = written.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
    return written;
}
