#pragma once

#include "childprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <unistd.h>

// A private PostgreSQL cluster for one test: initdb into a temporary folder,
// the server listening on a Unix socket in that folder and on no TCP port,
// stopped and removed by the destructor. The binaries are Debian's
// postgresql-15 (NORVIK_PG_BIN overrides the folder). PostgreSQL refuses to
// run as root, so as root the cluster runs as the postgres system user.
//
//     if (!PostgresCluster::available())
//         QSKIP(PostgresCluster::missingMessage());
//     PostgresCluster cluster;
//     QVERIFY2(cluster.start() && cluster.createDatabase("norvik"), qPrintable(cluster.errorString()));
//     ServerProcess server;
//     server.setDatabase(cluster.url("norvik"));
class PostgresCluster
{
public:
    static constexpr int TimeoutMs = 60000;
    // The cluster's superuser; trusted on its socket, which only this
    // machine's users can reach.
    static constexpr auto Role = "norvik";

    // settings: extra "name=value" server settings for start().
    explicit PostgresCluster(QStringList settings = {})
        : m_settings(std::move(settings))
    { }
    ~PostgresCluster() { stop(); }
    PostgresCluster(const PostgresCluster &) = delete;
    PostgresCluster &operator=(const PostgresCluster &) = delete;

    static QString binDirectory()
    {
        const QString configured = qEnvironmentVariable("NORVIK_PG_BIN");
        return configured.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : configured;
    }
    static bool available()
    {
        return QFileInfo(binDirectory() + QStringLiteral("/initdb")).isExecutable()
            && QFileInfo(binDirectory() + QStringLiteral("/pg_ctl")).isExecutable();
    }
    static const char *missingMessage()
    {
        return "PostgreSQL 15 is not installed (no initdb or pg_ctl in /usr/lib/postgresql/15/bin, or "
               "NORVIK_PG_BIN): the PostgreSQL store is not tested; scripts/deps.sh installs it";
    }

    bool start()
    {
        if (!m_directory.isValid())
            return fail(QStringLiteral("no temporary directory"));
        if (::geteuid() == 0) {
            const passwd *postgres = ::getpwnam("postgres");
            if (!postgres)
                return fail(
                    QStringLiteral("running as root, and there is no postgres user to run the cluster"));
            if (::chown(QFile::encodeName(m_directory.path()).constData(), postgres->pw_uid, postgres->pw_gid)
                != 0)
                return fail(QStringLiteral("cannot hand %1 to the postgres user").arg(m_directory.path()));
            m_runAsPostgres = true;
        }
        if (!run(QStringLiteral("initdb"),
                { QStringLiteral("-D"), dataDirectory(), QStringLiteral("-U"), QString::fromLatin1(Role),
                    QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                    QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync") }))
            return false;
        return startServer();
    }

    // The server alone, the cluster staying in place: for a database that
    // goes away and comes back.
    bool stopServer() { return pgCtl(QStringLiteral("stop")); }
    bool startServer() { return pgCtl(QStringLiteral("start")); }

    // A fast shutdown and a start on the same folder, left running: every
    // connection is cut while the caller goes on with its traffic and waits
    // for restartResult().
    void beginRestart()
    {
        m_restart.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList arguments
            = command(QStringLiteral("pg_ctl"), pgCtlArguments(QStringLiteral("restart")));
        m_restart.start(arguments.constFirst(), arguments.mid(1));
    }
    // Nothing while pg_ctl runs, then whether it succeeded.
    std::optional<bool> restartResult()
    {
        if (m_restart.state() != QProcess::NotRunning)
            return std::nullopt;
        return m_restart.exitStatus() == QProcess::NormalExit && m_restart.exitCode() == 0;
    }

    void stop()
    {
        if (m_restart.state() != QProcess::NotRunning)
            m_restart.waitForFinished(TimeoutMs);
        if (m_started)
            stopServer();
    }

    bool createDatabase(const QString &name)
    {
        return run(QStringLiteral("createdb"),
            { QStringLiteral("-h"), m_directory.path(), QStringLiteral("-U"), QString::fromLatin1(Role),
                name });
    }

    // What norvik-server's --db takes for one of the cluster's databases.
    QString url(const QString &database) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3")
            .arg(QString::fromLatin1(Role), database, m_directory.path());
    }
    QString errorString() const { return m_error; }

private:
    QString dataDirectory() const { return m_directory.filePath(QStringLiteral("data")); }

    QStringList pgCtlArguments(const QString &action) const
    {
        QStringList options { QStringLiteral("-k '%1'").arg(m_directory.path()),
            QStringLiteral("-c listen_addresses=''"), QStringLiteral("-p 5432") };
        for (const QString &setting : m_settings)
            options << QStringLiteral("-c ") + setting;
        // The log file keeps the server's output off the caller's pipes.
        return { QStringLiteral("-D"), dataDirectory(), QStringLiteral("-l"),
            m_directory.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("-t"),
            QStringLiteral("30"), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-o"),
            options.join(u' '), action };
    }

    bool pgCtl(const QString &action)
    {
        const bool ok = run(QStringLiteral("pg_ctl"), pgCtlArguments(action));
        m_started = ok ? action != QStringLiteral("stop") : m_started;
        return ok;
    }

    // The program from the cluster's binaries, as the user who owns it.
    QStringList command(const QString &program, const QStringList &arguments) const
    {
        QStringList line;
        if (m_runAsPostgres)
            line << QStringLiteral("runuser") << QStringLiteral("-u") << QStringLiteral("postgres")
                 << QStringLiteral("--");
        return line << binDirectory() + u'/' + program << arguments;
    }

    bool run(const QString &program, const QStringList &arguments)
    {
        const QStringList line = command(program, arguments);
        const ToolRun run = runTool(line.constFirst(), line.mid(1), QProcessEnvironment::systemEnvironment(),
            m_directory.path(), TimeoutMs);
        if (run.exitCode != 0)
            return fail(QStringLiteral("%1 failed: %2")
                            .arg(line.join(u' '), QString::fromLocal8Bit(run.out + run.err)));
        return true;
    }

    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    QStringList m_settings;
    QTemporaryDir m_directory;
    QProcess m_restart;
    QString m_error;
    bool m_runAsPostgres = false;
    bool m_started = false;
};
