#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUrl>

// How a program a test ran, fed input on stdin, to its end went. exitCode is
// -1 when it could not start, crashed, or did not end in time (it is killed
// then).
struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    const QString &workingDirectory = {}, int timeoutMs = 60000, const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    ToolRun run;
    if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The environment of a program a test starts: every XDG folder (config,
// data, cache, state) under home, so that it touches nothing of the user's,
// no activation handed down from the session that runs the tests, and the
// server addresses when given.
inline QProcessEnvironment childEnvironment(
    const QTemporaryDir &home, const QString &apiBase = {}, const QUrl &wsUrl = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString &kind : { QStringLiteral("config"), QStringLiteral("data"), QStringLiteral("cache"),
             QStringLiteral("state") })
        environment.insert(QStringLiteral("XDG_%1_HOME").arg(kind.toUpper()), home.filePath(kind));
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    if (!apiBase.isEmpty())
        environment.insert(QStringLiteral("NORVIK_API_BASE"), apiBase);
    if (!wsUrl.isEmpty())
        environment.insert(QStringLiteral("NORVIK_WS_URL"), wsUrl.toString());
    return environment;
}
