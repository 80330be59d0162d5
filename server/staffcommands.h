#pragma once

#include <QStringList>
#include <optional>

// The administration commands run on the database rather than as a server:
//
//     norvik-server staff add LOGIN [--name NAME]   password on standard input
//     norvik-server staff passwd LOGIN              (prompted, unechoed, on a terminal)
//     norvik-server staff remove LOGIN
//     norvik-server staff list
//     norvik-server poste reset COMPANY_CODE POSTE
//
// each with --db as the server takes it (or NORVIK_DB). Passwords are never
// printed.
namespace StaffCommands {

// The exit status when arguments (the first one is the program) name one of
// these commands, which has then run; nothing when they are a server's.
std::optional<int> run(const QStringList &arguments);
QString usage();

} // namespace StaffCommands
