#pragma once

#include <QProcess>
#include <QProcessEnvironment>

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
