#pragma once

#include <QString>
#include <cstdio>

// One line on the given stream, flushed at once so that a supervisor or a
// test reading the pipe sees each event as it happens.
inline void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// One event of the server's log, on stdout.
inline void logLine(const QString &line)
{
    printLine(stdout, line);
}
