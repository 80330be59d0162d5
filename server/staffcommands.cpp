#include "staffcommands.h"

#include "credentials.h"
#include "serverlog.h"
#include "serveroptions.h"
#include "store.h"
#include "storeerror.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// One line of standard input; on a terminal, asked for without echo.
std::optional<QByteArray> readSecretLine(const QString &prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved {};
    if (terminal) {
        fprintf(stderr, "%s", qUtf8Printable(prompt));
        fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QFile input;
    QByteArray line;
    if (input.open(stdin, QIODevice::ReadOnly, QFile::DontCloseHandle))
        line = input.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        fprintf(stderr, "\n");
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

std::optional<QString> newPasswordHash(const QString &login)
{
    const std::optional<QByteArray> password = readSecretLine(u"Password for %1: "_s.arg(login));
    if (!password) {
        printLine(stderr, u"norvik-server: no password given"_s);
        return std::nullopt;
    }
    const std::optional<QString> hash = Credentials::hashPassword(*password);
    if (!hash)
        printLine(stderr, u"norvik-server: cannot hash the password (out of memory?)"_s);
    return hash;
}

int fail(const QString &message)
{
    printLine(stderr, u"norvik-server: "_s + message);
    return 1;
}

struct Command
{
    QString group; // staff, poste
    QString verb;
    QStringList operands;
    QString name;
};

int runStaff(Store &store, const Command &command)
{
    const QString login = command.operands.value(0);
    if (command.verb == u"list") {
        for (const Store::StaffMember &member : store.staff())
            printLine(stdout, u"%1\t%2\t%3"_s.arg(member.login, member.displayName, member.createdAt));
        return 0;
    }
    if (command.verb == u"remove")
        return store.removeStaff(login) ? (printLine(stdout, u"removed staff member "_s + login), 0)
                                        : fail(u"no staff member "_s + login);
    const bool known = store.staffPassword(login).has_value();
    if (command.verb == u"passwd" && !known)
        return fail(u"no staff member "_s + login);
    if (command.verb == u"add" && known)
        return fail(u"login already taken: "_s + login);
    const std::optional<QString> hash = newPasswordHash(login);
    if (!hash)
        return 1;
    if (command.verb == u"add") {
        store.addStaff(login, command.name, *hash);
        printLine(stdout, u"added staff member "_s + login);
        return 0;
    }
    store.setStaffPassword(login, *hash);
    printLine(stdout, u"changed the password of "_s + login + u"; their sessions are ended"_s);
    return 0;
}

int runCommand(const DatabaseLocation &database, const Command &command)
{
    Store store;
    QString error;
    if (!store.open(database, &error))
        return fail(u"cannot open the database %1: %2"_s.arg(database.text, error));
    try {
        if (command.group == u"staff")
            return runStaff(store, command);
        const std::optional<qint64> user = store.resetPoste(command.operands.at(0), command.operands.at(1));
        if (!user)
            return fail(
                u"no workstation %1 in company %2"_s.arg(command.operands.at(1), command.operands.at(0)));
        printLine(
            stdout, u"reset the workstation of user %1; its next registration takes it over"_s.arg(*user));
        return 0;
    } catch (const StoreError &e) {
        return fail(e.message);
    }
}

bool wellFormed(const Command &c)
{
    const qsizetype n = c.operands.size();
    if (c.group == u"poste")
        return c.verb == u"reset" && n == 2;
    if (c.verb == u"list")
        return n == 0;
    return (c.verb == u"add" || c.verb == u"passwd" || c.verb == u"remove") && n == 1
        && !c.operands.at(0).isEmpty() && (c.verb == u"add" || c.name.isEmpty());
}

} // namespace

namespace StaffCommands {

QString usage()
{
    return u"usage: norvik-server staff add LOGIN [--name NAME] | staff passwd LOGIN | staff remove LOGIN"
           u" | staff list | poste reset COMPANY_CODE POSTE; each with [--db PATH|URL]"_s;
}

std::optional<int> run(const QStringList &arguments)
{
    if (arguments.size() < 2 || (arguments.at(1) != u"staff" && arguments.at(1) != u"poste"))
        return std::nullopt;
    QCommandLineParser parser;
    const QCommandLineOption db { u"db"_s, u"database"_s, u"PATH|URL"_s };
    const QCommandLineOption name { u"name"_s, u"display name"_s, u"TEXT"_s };
    parser.addOptions({ db, name });
    QStringList positional;
    if (parser.parse(arguments))
        positional = parser.positionalArguments();
    const Command command { positional.value(0), positional.value(1), positional.mid(2), parser.value(name) };
    if (positional.size() < 2 || !wellFormed(command)) {
        printLine(stderr, parser.errorText().isEmpty() ? usage() : parser.errorText() + u'\n' + usage());
        return 2;
    }
    QString location = parser.isSet(db) ? parser.value(db) : qEnvironmentVariable("NORVIK_DB");
    if (location.isEmpty())
        location = ServerOptions::defaultDatabasePath();
    QString error;
    const std::optional<DatabaseLocation> database = DatabaseLocation::parse(location, &error);
    if (!database)
        return fail(error);
    return runCommand(*database, command);
}

} // namespace StaffCommands
