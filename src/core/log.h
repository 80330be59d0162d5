#pragma once

#include <QString>

// One line of the program's log on standard output, flushed at once so the
// lines of the shell and of the real-time channel keep their order.
void logLine(const QString &line);
