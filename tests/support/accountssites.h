#pragma once

#include "childprocess.h"
#include "postgrescluster.h"
#include "restcall.h"
#include "serverprocess.h"

#include <QJsonArray>
#include <QTest>
#include <optional>

inline QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
// One member of a JSON answer.
inline QByteArray text(const RestAnswer &answer, const QString &key)
{
    return answer.json().value(key).toString().toUtf8();
}
inline qint64 number(const RestAnswer &answer, const QString &key)
{
    return answer.json().value(key).toInteger();
}

// norvik-server in accounts mode on each store the server tests cover: an
// SQLite file, and a database of a private PostgreSQL cluster where
// PostgreSQL is installed. Each site holds, made once, the staff member
// "boss" (Marc Leroy) with a session, the company ISO and two of its users,
// Inès Roux on workstation A-1 and Paul Roux on B-1.
//
//     void initTestCase() { QVERIFY2(m_sites.start(), qPrintable(m_sites.errorString())); }
//     void init() { if (m_sites.lacksStore()) QSKIP(PostgresCluster::missingMessage()); }
//     void someCase_data() { AccountsSites::rows(); }
//     void someCase() { const AccountsSites::Site &s = m_sites.site(); ... }
class AccountsSites
{
public:
    static constexpr auto BossPassword = "correct horse battery staple";
    static constexpr auto Telephone = "06 11 22 33 44";

    struct Site
    {
        ServerProcess server { { QStringLiteral("--auth"), QStringLiteral("accounts") } };
        QByteArray session, secretA, secretB;
        qint64 company = 0, a = 0, b = 0;
    };

    bool start()
    {
        if (PostgresCluster::available()) {
            m_cluster.emplace(QStringList { QStringLiteral("fsync=off") });
            if (!m_cluster->start() || !m_cluster->createDatabase(QStringLiteral("sites")))
                return fail(m_cluster->errorString());
        }
        for (int store = 0; store < (m_cluster ? 2 : 1); ++store) {
            Site &s = m_sites[store];
            const QString db = store == 0 ? s.server.dbPath() : m_cluster->url(QStringLiteral("sites"));
            s.server.setDatabase(db);
            const ToolRun added = runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
                { QStringLiteral("staff"), QStringLiteral("add"), QStringLiteral("boss"),
                    QStringLiteral("--name"), QStringLiteral("Marc Leroy"), QStringLiteral("--db"), db },
                QProcessEnvironment::systemEnvironment(), {}, 60000, BossPassword);
            if (added.exitCode != 0 || !s.server.start())
                return fail(s.server.errorString() + QString::fromUtf8(added.err));
            const QJsonObject login { { QStringLiteral("login"), QStringLiteral("boss") },
                { QStringLiteral("password"), QString::fromLatin1(BossPassword) } };
            s.session = text(call(s.server, "POST", QStringLiteral("/admin/login.php"), json(login)),
                QStringLiteral("session_token"));
            const QJsonObject company { { QStringLiteral("nom"), QStringLiteral("Iso") },
                { QStringLiteral("code"), QStringLiteral("ISO") } };
            s.company = number(
                call(s.server, "POST", QStringLiteral("/company/create.php"), json(company), s.session),
                QStringLiteral("company_id"));
            std::tie(s.a, s.secretA)
                = newUser(s.server, s.company, QStringLiteral("A-1"), QStringLiteral("Inès"));
            std::tie(s.b, s.secretB)
                = newUser(s.server, s.company, QStringLiteral("B-1"), QStringLiteral("Paul"));
            if (s.session.isEmpty() || s.secretA.isEmpty() || s.secretB.isEmpty())
                return fail(QStringLiteral("no session or no secret on store %1").arg(store));
        }
        return true;
    }
    QString errorString() const { return m_error; }

    // The data rows of a case that runs on each store.
    static void rows()
    {
        QTest::addColumn<int>("store");
        QTest::newRow("sqlite") << 0;
        QTest::newRow("postgresql") << 1;
    }
    // True on a PostgreSQL row where PostgreSQL is not installed.
    bool lacksStore() const { return !m_cluster && qstrcmp(QTest::currentDataTag(), "postgresql") == 0; }
    Site &site()
    {
        QFETCH(int, store);
        return m_sites[store];
    }
    Site &store(int store) { return m_sites[store]; }
    // The PostgreSQL site's database, for another instance on it; empty without PostgreSQL.
    QString postgresUrl() const { return m_cluster ? m_cluster->url(QStringLiteral("sites")) : QString(); }

    RestAnswer call(const ServerProcess &server, const QByteArray &method, const QString &path,
        const QByteArray &body = {}, const QByteArray &bearer = {})
    {
        QNetworkRequest request = server.request(path);
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        return restCall(m_network, request, method, body);
    }

    // The id and secret of a new registration of a Roux.
    std::pair<qint64, QByteArray> newUser(
        const ServerProcess &server, qint64 company, const QString &poste, const QString &prenom)
    {
        const QJsonObject body { { QStringLiteral("company_id"), company },
            { QStringLiteral("poste"), poste }, { QStringLiteral("nom"), QStringLiteral("Roux") },
            { QStringLiteral("prenom"), prenom },
            { QStringLiteral("telephone"), QString::fromLatin1(Telephone) } };
        const RestAnswer answer = call(server, "POST", QStringLiteral("/user/register.php"), json(body));
        return { number(answer, QStringLiteral("user_id")), text(answer, QStringLiteral("user_secret")) };
    }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    std::optional<PostgresCluster> m_cluster;
    Site m_sites[2];
    QNetworkAccessManager m_network;
    QString m_error;
};
