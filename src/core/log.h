#pragma once

#include <QString>

// One line of the program's log on standard output, flushed at once so the
// lines of the shell and of the real-time channel keep their order. Control
// characters are written escaped ("\n", "\u001b"), so text received from a
// peer can never end the line early and forge lines of its own. Returns the
// line as written.
QString logLine(const QString &line);

// The line as logLine writes it.
QString printableLine(const QString &line);
