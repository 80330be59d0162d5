#pragma once

#include <QDeadlineTimer>
#include <QNetworkRequest>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

class APIService;
struct Configuration;

// Runs norvik-server as a child process for a test: on a free loopback port,
// with a database in a private temporary directory that survives restart().
// The binary comes from NORVIK_SERVER_BIN, which norvik_add_test sets.
//
//     ServerProcess server;                 // or ServerProcess server({"--demo"});
//     QVERIFY2(server.start(), qPrintable(server.errorString()));
//     const std::unique_ptr<APIService> api = server.client();
//
// It runs with --auth shared unless extraArguments choose --auth themselves.
// A fresh server has no companies, users or tickets; a ticket needs a
// registered user (register.php) or the --demo data (users 1 and 2).
// setDatabase() puts it on another database, a PostgreSQL URL for example.
// The destructor stops the server.
class ServerProcess
{
public:
    static constexpr int StartTimeoutMs = 20000;
    static constexpr int StopTimeoutMs = 10000;
    static constexpr auto Token = "XQVT_HELPDESK_SHARED_KEY_2031";

    explicit ServerProcess(QStringList extraArguments = {})
        : m_extraArguments(std::move(extraArguments))
    {
        // The server's warnings go to the test's own output.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Starts the server and waits for its ready line. False with errorString().
    bool start()
    {
        const QString program = qEnvironmentVariable("NORVIK_SERVER_BIN");
        if (isRunning() || program.isEmpty() || !m_directory.isValid())
            return fail(QStringLiteral("already running, no NORVIK_SERVER_BIN or no temporary directory"));
        QStringList arguments { QStringLiteral("--port"), QString::number(m_fixedPort),
            QStringLiteral("--db"), m_database.isEmpty() ? dbPath() : m_database };
        // Today's protocol unless the test asks for accounts: the tests that
        // drive the client speak the shared token, whatever the default.
        if (!m_extraArguments.join(u' ').contains(QStringLiteral("--auth")))
            arguments += { QStringLiteral("--auth"), QStringLiteral("shared") };
        m_output.clear();
        m_apiBase.clear();
        m_wsUrl.clear();
        m_process.start(program, arguments + m_extraArguments);
        if (!m_process.waitForStarted(StartTimeoutMs))
            return fail(QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString()));
        const QDeadlineTimer deadline(StartTimeoutMs);
        while (!readReadyLine() && !deadline.hasExpired() && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(200);
        if (readReadyLine())
            return true;
        kill();
        return fail(
            QStringLiteral("the server printed no ready line; output: ") + QString::fromUtf8(m_output));
    }

    // SIGTERM, then SIGKILL if it does not end in time. True if it ended by itself.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        if (m_process.waitForFinished(StopTimeoutMs))
            return m_process.exitStatus() == QProcess::NormalExit;
        kill();
        return false;
    }

    // SIGKILL: the server gets no chance to tidy up.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(StopTimeoutMs);
    }

    // Stops (if running) and starts again on the same database and, so that
    // clients can reconnect, on the same port.
    bool restart()
    {
        stop();
        m_fixedPort = port();
        const bool started = start();
        m_fixedPort = 0;
        return started;
    }

    // Used by the next start(); empty: the SQLite file of dbPath().
    void setDatabase(const QString &database) { m_database = database; }

    // Everything the server has printed on stdout since it was started.
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QString apiBase() const { return m_apiBase; }
    QUrl wsUrl() const { return m_wsUrl; }
    // The channel's address with the token the server wants on the upgrade
    // and, in accounts mode, a user's secret or a staff session.
    QNetworkRequest wsRequest(const QByteArray &bearer = {}) const
    {
        QNetworkRequest request = withToken(m_wsUrl);
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        return request;
    }
    // An endpoint under apiBase() ("/company/list.php"), as the client sends
    // it: with the token and a JSON body.
    QNetworkRequest request(const QString &path) const
    {
        QNetworkRequest request = withToken(QUrl(m_apiBase + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        return request;
    }
    // The client's REST core on this server; a template so that tests which
    // do not link the core can include this header.
    template<typename Api = APIService, typename Config = Configuration>
    std::unique_ptr<Api> client() const
    {
        Config configuration;
        configuration.apiBase = m_apiBase;
        return std::make_unique<Api>(configuration);
    }
    quint16 port() const { return quint16(m_wsUrl.port(0)); }
    QString dbPath() const { return m_directory.filePath(QStringLiteral("norvik-server.sqlite")); }
    QString token() const { return QString::fromLatin1(Token); }
    QString errorString() const { return m_error; }
    int exitCode() const { return m_process.exitCode(); }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    static QNetworkRequest withToken(const QUrl &url)
    {
        QNetworkRequest request(url);
        request.setRawHeader("X-API-TOKEN", Token);
        return request;
    }

    bool readReadyLine()
    {
        m_output += m_process.readAllStandardOutput();
        const qsizetype end = m_output.indexOf('\n');
        if (end < 0)
            return false;
        // NORVIK_API_BASE=http://127.0.0.1:PORT/api NORVIK_WS_URL=ws://127.0.0.1:PORT/norvik-ws
        for (const QByteArray &word : m_output.left(end).trimmed().split(' ')) {
            if (word.startsWith("NORVIK_API_BASE="))
                m_apiBase = QString::fromUtf8(word.mid(16));
            else if (word.startsWith("NORVIK_WS_URL="))
                m_wsUrl = QUrl(QString::fromUtf8(word.mid(14)));
        }
        return !m_apiBase.isEmpty() && m_wsUrl.isValid() && m_wsUrl.port(0) != 0;
    }

    QStringList m_extraArguments;
    QString m_database;
    QProcess m_process;
    QTemporaryDir m_directory;
    QByteArray m_output;
    QString m_apiBase;
    QUrl m_wsUrl;
    QString m_error;
    quint16 m_fixedPort = 0;
};
