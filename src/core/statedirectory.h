#pragma once

#include <QString>

// Where the program keeps what it must remember between runs and that is not
// a setting (a ticket being written, the ticket statuses last seen):
// $XDG_STATE_HOME/norvik-support, by default ~/.local/state/norvik-support.
// The folder is the user's alone: a draft may hold a screenshot.
namespace StateDirectory {

QString path();
// Creates the folder, readable by its owner only; false when it cannot.
bool ensure();
QString filePath(const QString &name);

} // namespace StateDirectory
