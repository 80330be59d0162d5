#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The journal's recent errors: the last lines of priority err or worse
// since this boot, oldest first. Blocking reads: run on a worker thread.
namespace JournalReader {

constexpr int MaxLines = 30;
constexpr int MaxLineLength = 300;

struct Result
{
    QStringList lines;
    QString error; // why the journal could not be read; empty when it was
};

// From the system's journal, or from the journal files in directory when
// one is given.
Result recentErrors(const QString &directory = {}, int maxLines = MaxLines);

// One journal line as shown: on one line (control characters become
// spaces) and at most maxLength characters, an ellipsis ending a cut one,
// never splitting a character made of two UTF-16 units.
QString cutLine(const QString &text, int maxLength = MaxLineLength);

} // namespace JournalReader
