#include "api/apiservice.h"
#include "api/errors.h"
#include "api/frenchtranslations.h"
#include "httptestserver.h"
#include "runtask.h"

#include <QFile>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Call = std::function<QCoro::Task<void>(APIService *)>;

// A server and a client pointed at its /api.
struct Harness
{
    HttpTestServer server;
    std::unique_ptr<APIService> service;

    Harness()
    {
        Configuration configuration;
        configuration.apiBase = server.url().toString() + u"/api"_s;
        service = std::make_unique<APIService>(configuration);
    }
};

// The error an operation ends with, when it is of the expected type.
template<typename Error, typename T>
std::optional<Error> failureOf(QCoro::Task<T> task)
{
    try {
        RunTask::run(std::move(task));
        qWarning("the operation succeeded");
    } catch (const Error &error) {
        return error;
    } catch (const NorvikError &other) {
        qWarning("unexpected %s: %s", typeid(other).name(), qPrintable(other.description()));
    }
    return std::nullopt;
}

QCoro::Task<void> discard(QCoro::Task<QList<Ticket>> task)
{
    co_await std::move(task);
}

QJsonObject bodyOf(const HttpTestRequest &request)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    return error.error == QJsonParseError::NoError ? document.object()
                                                   : QJsonObject { { u"unparsable"_s, true } };
}

qint64 peakMemoryKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(HttpTestResponse)

class TestAPIService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void request_wire_data();
    void request_wire();
    void checkPoste_results_data();
    void checkPoste_results();
    void conflictAware_data();
    void conflictAware();
    void getCompanies_statusAndBody_data();
    void getCompanies_statusAndBody();
    void createTicket_successFlag_data();
    void createTicket_successFlag();
    void getMyTickets_decodesFirstThenScreens_data();
    void getMyTickets_decodesFirstThenScreens();
    void closeTicket_replies_data();
    void closeTicket_replies();
    void badBodies_failWithTheDecoderError_data();
    void badBodies_failWithTheDecoderError();
    void transportFailures_data();
    void transportFailures();
    void sameOriginRedirect_isFollowed();
    void oversizedReply_announced_isRefusedAtTheHeaders();
    void oversizedReply_unannounced_isCutOffWithBoundedMemory();
    void badURL_sendsNothing_data();
    void badURL_sendsNothing();
    void noHttpResponse_isBadServerResponse();
    void twoOperations_areInFlightTogether();
};

void TestAPIService::initTestCase()
{
    // As the program does: Qt's own transport texts then read in French.
    installFrenchTranslations(*QCoreApplication::instance());
}

void TestAPIService::request_wire_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QJsonObject>("body");

    // Everything outside letters, digits and -._~ is escaped, UTF-8 first.
    QTest::newRow("checkPoste escapes every reserved character")
        << Call([](APIService *s) -> QCoro::Task<void> {
               co_await s->checkPoste(u"B 12&user_id=5+x#é/?~._-"_s);
           })
        << "GET"_ba
        << "/api/user/check-poste.php?poste=B%2012%26user_id%3D5%2Bx%23%C3%A9%2F%3F~._-"_ba << QJsonObject();
    QTest::newRow("getUserByPoste") << Call([](APIService *s) -> QCoro::Task<void> {
        co_await s->getUserByPoste(3, u"B 12"_s);
    }) << "GET"_ba
                                    << "/api/user/get-by-poste.php?company_id=3&poste=B%2012"_ba
                                    << QJsonObject();
    QTest::newRow("registerUser keeps an empty phone")
        << Call([](APIService *s) -> QCoro::Task<void> {
               co_await s->registerUser(2, u" P1 "_s, u"Dupont"_s, u"Jean"_s, QString());
           })
        << "POST"_ba
        << "/api/user/register.php"_ba
        << QJsonObject { { u"company_id"_s, 2 }, { u"poste"_s, u" P1 "_s }, { u"nom"_s, u"Dupont"_s },
               { u"prenom"_s, u"Jean"_s }, { u"telephone"_s, u""_s } };
    QTest::newRow("getCompanies") << Call([](APIService *s) -> QCoro::Task<void> {
        co_await s->getCompanies();
    }) << "GET"_ba
                                  << "/api/company/list.php"_ba << QJsonObject();
    QTest::newRow("createCompany") << Call([](APIService *s) -> QCoro::Task<void> {
        co_await s->createCompany(u"Alpha & Fils"_s, u""_s);
    }) << "POST"_ba
                                   << "/api/company/create.php"_ba
                                   << QJsonObject { { u"nom"_s, u"Alpha & Fils"_s }, { u"code"_s, u""_s } };
    QTest::newRow("createTicket without a capture: four keys")
        << Call([](APIService *s) -> QCoro::Task<void> {
               co_await s->createTicket(5, u"Écran"_s, u""_s, u"haute"_s, std::nullopt);
           })
        << "POST"_ba
        << "/api/ticket/create.php"_ba
        << QJsonObject { { u"user_id"_s, 5 }, { u"titre"_s, u"Écran"_s }, { u"description"_s, u""_s },
               { u"priorite"_s, u"haute"_s } };
    QTest::newRow("createTicket with an empty capture: five keys")
        << Call([](APIService *s) -> QCoro::Task<void> {
               co_await s->createTicket(5, u"t"_s, u"d"_s, u"normale"_s, QString());
           })
        << "POST"_ba
        << "/api/ticket/create.php"_ba
        << QJsonObject { { u"user_id"_s, 5 }, { u"titre"_s, u"t"_s }, { u"description"_s, u"d"_s },
               { u"priorite"_s, u"normale"_s }, { u"capture_base64"_s, u""_s } };
    QTest::newRow("getMyTickets for user 0")
        << Call([](APIService *s) -> QCoro::Task<void> { co_await s->getMyTickets(0); }) << "GET"_ba
        << "/api/user/my-tickets.php?user_id=0"_ba << QJsonObject();
    QTest::newRow("getAllTickets") << Call([](APIService *s) -> QCoro::Task<void> {
        co_await s->getAllTickets();
    }) << "GET"_ba
                                   << "/api/admin/list-tickets.php"_ba << QJsonObject();
    QTest::newRow("closeTicket without a message sends an empty one")
        << Call([](APIService *s) -> QCoro::Task<void> { co_await s->closeTicket(7, std::nullopt); })
        << "POST"_ba
        << "/api/admin/close-ticket.php"_ba
        << QJsonObject { { u"ticket_id"_s, 7 }, { u"close_message"_s, u""_s } };
    QTest::newRow("closeTicket with a message")
        << Call([](APIService *s) -> QCoro::Task<void> { co_await s->closeTicket(7, u"Réglé"_s); })
        << "POST"_ba
        << "/api/admin/close-ticket.php"_ba
        << QJsonObject { { u"ticket_id"_s, 7 }, { u"close_message"_s, u"Réglé"_s } };
}

void TestAPIService::request_wire()
{
    QFETCH(Call, call);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QJsonObject, body);

    Harness h;
    h.server.setHandler([](const HttpTestRequest &request) {
        static const QHash<QByteArray, QByteArray> replies { { "/api/user/check-poste.php",
                                                                 R"({"exists":false})" },
            { "/api/user/get-by-poste.php", R"({"success":false})" },
            { "/api/user/register.php", R"({"success":true,"user_id":1,"message":"ok"})" },
            { "/api/company/list.php", R"({"success":true,"companies":[]})" },
            { "/api/company/create.php", R"({"success":true,"company_id":4,"message":"ok"})" },
            { "/api/ticket/create.php", R"({"success":true,"ticket_id":9})" },
            { "/api/user/my-tickets.php", R"({"success":true,"tickets":[]})" },
            { "/api/admin/list-tickets.php", R"({"success":true,"tickets":[]})" },
            { "/api/admin/close-ticket.php", R"({"success":true})" } };
        return HttpTestResponse::json(200, replies.value(request.path(), "{}"));
    });
    RunTask::run(call(h.service.get()));

    QCOMPARE(h.server.requests().size(), 1);
    const HttpTestRequest &request = h.server.requests().first();
    QCOMPARE(request.method, method);
    QCOMPARE(request.target, target);
    QCOMPARE(request.header("X-API-TOKEN"), "XQVT_HELPDESK_SHARED_KEY_2031"_ba);
    QVERIFY(!request.hasHeader("Accept"));
    if (method == "POST") {
        QCOMPARE(request.header("Content-Type"), "application/json"_ba);
        QCOMPARE(bodyOf(request), body); // keys, values and JSON types
        // Compact: nothing but the members themselves.
        QCOMPARE(request.body.size(), QJsonDocument(bodyOf(request)).toJson(QJsonDocument::Compact).size());
    } else {
        QVERIFY(!request.hasHeader("Content-Type"));
        QVERIFY(request.body.isEmpty());
    }
}

void TestAPIService::checkPoste_results_data()
{
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("telephone");

    QTest::newRow("holder with phone") << HttpTestResponse::json(
        200, R"({"exists":true,"user":{"nom":"Roy","prenom":"Ana","telephone":"0601"}})")
                                       << true << u"0601"_s;
    QTest::newRow("holder without phone reads an empty phone")
        << HttpTestResponse::json(200, R"({"exists":true,"user":{"nom":"Roy","prenom":"Ana","societe":"X"}})")
        << true << QString();
    QTest::newRow("exists without a user counts as free")
        << HttpTestResponse::json(200, R"({"exists":true})") << false << QString();
    QTest::newRow("status 404 is decoded like any other")
        << HttpTestResponse::json(404, R"({"exists":true,"user":{"nom":"Roy","prenom":"Ana"}})") << true
        << QString();
}

void TestAPIService::checkPoste_results()
{
    QFETCH(HttpTestResponse, reply);
    QFETCH(bool, exists);
    QFETCH(QString, telephone);

    Harness h;
    h.server.setResponse(reply);
    const auto [found, user] = RunTask::run(h.service->checkPoste(u"P1"_s));
    QCOMPARE(found, exists);
    QCOMPARE(user.has_value(), exists);
    if (user)
        QCOMPARE(*user, (ExistingUserInfo { u"Roy"_s, u"Ana"_s, telephone }));
}

void TestAPIService::conflictAware_data()
{
    QTest::addColumn<bool>("company"); // createCompany, else registerUser
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<qint64>("status"); // 0: succeeds; -1: decoder error
    QTest::addColumn<QString>("message");

    for (const bool company : { false, true }) {
        const char *name = company ? "createCompany" : "registerUser";
        const QByteArray success = company ? R"({"success":false,"company_id":42,"message":"m"})"
                                           : R"({"success":false,"user_id":42,"message":"m"})";
        QTest::addRow("%s 200 returns the id whatever success says", name)
            << company << HttpTestResponse::json(200, success) << qint64(0) << QString();
        QTest::addRow("%s 409 carries the server's text", name)
            << company << HttpTestResponse::json(409, R"({"error":"Poste déjà utilisé"})") << qint64(409)
            << u"Poste déjà utilisé"_s;
        QTest::addRow("%s 409 with an empty body", name)
            << company << HttpTestResponse::reply(409) << qint64(-1) << QString();
        QTest::addRow("%s 500 with a valid body", name)
            << company << HttpTestResponse::json(500, success) << qint64(500) << u"Erreur serveur"_s;
        QTest::addRow("%s 404 HTML page", name)
            << company << HttpTestResponse::reply(404, "<html>Not found</html>") << qint64(404)
            << u"Erreur serveur"_s;
        QTest::addRow("%s 200 without the id", name)
            << company << HttpTestResponse::json(200, R"({"success":true,"message":"m"})") << qint64(-1)
            << QString();
    }
}

void TestAPIService::conflictAware()
{
    QFETCH(bool, company);
    QFETCH(HttpTestResponse, reply);
    QFETCH(qint64, status);
    QFETCH(QString, message);

    Harness h;
    h.server.setResponse(reply);
    auto call = [&]() -> QCoro::Task<qint64> {
        if (company)
            co_return co_await h.service->createCompany(u"Alpha"_s, u"ALP"_s);
        const RegisterUserResponse response
            = co_await h.service->registerUser(1, u"P"_s, u"N"_s, u"Pr"_s, u"T"_s);
        co_return response.userId;
    };
    if (status == 0) {
        QCOMPARE(RunTask::run(call()), 42);
    } else if (status < 0) {
        QVERIFY(failureOf<DecodingError>(call()));
    } else {
        const auto error = failureOf<APIError>(call());
        QVERIFY(error);
        QCOMPARE(error->statusCode, status);
        QCOMPARE(error->message, message);
        QVERIFY(!error->description().contains(message)); // the screens read message
    }
}

void TestAPIService::getCompanies_statusAndBody_data()
{
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<int>("expected"); // companies decoded, or -status for APIError, or -1 decoder error

    const QByteArray list = R"({"success":true,"companies":[{"id":2,"nom":"Beta","code":"B"},)"
                            R"({"id":1,"nom":"Alpha","code":"A"}]})";
    QTest::newRow("200 list") << HttpTestResponse::json(200, list) << 2;
    QTest::newRow("200 success false, empty list")
        << HttpTestResponse::json(200, R"({"success":false,"companies":[]})") << 0;
    QTest::newRow("500 with a valid list") << HttpTestResponse::json(500, list) << -500;
    QTest::newRow("503 HTML page") << HttpTestResponse::reply(503, "<html><body>Error</body></html>") << -503;
    QTest::newRow("200 HTML page") << HttpTestResponse::reply(200, "<html><body>OK</body></html>") << -1;
}

void TestAPIService::getCompanies_statusAndBody()
{
    QFETCH(HttpTestResponse, reply);
    QFETCH(int, expected);

    Harness h;
    h.server.setResponse(reply);
    if (expected >= 0) {
        const QList<Company> companies = RunTask::run(h.service->getCompanies());
        QCOMPARE(companies.size(), expected);
        if (expected == 2)
            QCOMPARE(companies.first(), (Company { 2, u"Beta"_s, u"B"_s })); // the server's order
    } else if (expected == -1) {
        QVERIFY(failureOf<DecodingError>(h.service->getCompanies()));
    } else {
        const auto error = failureOf<APIError>(h.service->getCompanies());
        QVERIFY(error);
        QCOMPARE(error->statusCode, -expected);
        QCOMPARE(error->message, u"Erreur serveur"_s);
    }
}

void TestAPIService::createTicket_successFlag_data()
{
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<int>("ticketId"); // 0: "Erreur création ticket"; -1: decoder error

    QTest::newRow("status 500 is not looked at")
        << HttpTestResponse::json(500, R"({"success":true,"ticket_id":7})") << 7;
    QTest::newRow("success false despite an id")
        << HttpTestResponse::json(200, R"({"success":false,"ticket_id":7})") << 0;
    QTest::newRow("no ticket_id") << HttpTestResponse::json(200, R"({"success":true})") << -1;
    QTest::newRow("ticket_id as text")
        << HttpTestResponse::json(200, R"({"success":true,"ticket_id":"7"})") << -1;
}

void TestAPIService::createTicket_successFlag()
{
    QFETCH(HttpTestResponse, reply);
    QFETCH(int, ticketId);

    Harness h;
    h.server.setResponse(reply);
    auto call = [&] { return h.service->createTicket(1, u"t"_s, u"d"_s, u"critique"_s, u"iVBORw0KGgo="_s); };
    if (ticketId > 0) {
        QCOMPARE(RunTask::run(call()), ticketId);
    } else if (ticketId == 0) {
        const auto error = failureOf<DomainError>(call());
        QVERIFY(error);
        QCOMPARE(error->domain, u"APIError"_s);
        QCOMPARE(error->code, -1);
        QCOMPARE(error->description(), u"Erreur création ticket"_s);
    } else {
        QVERIFY(failureOf<DecodingError>(call()));
    }
}

void TestAPIService::getMyTickets_decodesFirstThenScreens_data()
{
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<int>("expected"); // tickets decoded; -1 decoder error; -2 "Réponse invalide du serveur"

    QTest::newRow("titles saying Error and Invalid are kept") << HttpTestResponse::json(200,
        R"({"success":false,"tickets":[{"id":1,"titre":"Error printing","description":"INVALID )"
        R"(licence <html>","priorite":"haute","status":"open","created_at":"2025-01-02 03:04:05"},)"
        R"({"id":2,"titre":"b","description":"c","priorite":"normale","status":"fermé",)"
        R"("created_at":"2025-01-02 03:04:05","closed_at":null,"close_message":"error fixed"}]})")
                                                              << 2;
    QTest::newRow("HTML error page") << HttpTestResponse::reply(500, "<HTML><body>Oops</body></HTML>") << -2;
    QTest::newRow("JSON error object") << HttpTestResponse::json(403, R"({"error":"Accès refusé"})") << -2;
    QTest::newRow("plain text invalid") << HttpTestResponse::reply(200, "Invalid user") << -2;
    QTest::newRow("undecodable without markers") << HttpTestResponse::json(200, R"({"success":true})") << -1;
    QTest::newRow("ticket without created_at") << HttpTestResponse::json(200,
        R"({"success":true,"tickets":[{"id":1,"titre":"a","description":"b",)"
        R"("priorite":"haute","status":"open"}]})")
                                               << -1;
    QTest::newRow("non-UTF-8 bytes skip the screen")
        << HttpTestResponse::reply(200, "error \xff\xfe page") << -1;
    QTest::newRow("empty body") << HttpTestResponse::reply(200) << -1;
}

void TestAPIService::getMyTickets_decodesFirstThenScreens()
{
    QFETCH(HttpTestResponse, reply);
    QFETCH(int, expected);

    Harness h;
    h.server.setResponse(reply);
    if (expected >= 0) {
        const QList<UserTicket> tickets = RunTask::run(h.service->getMyTickets(3));
        QCOMPARE(tickets.size(), expected);
        QCOMPARE(tickets.first().titre, u"Error printing"_s);
        QCOMPARE(tickets.last().closeMessage, u"error fixed"_s);
        QCOMPARE(tickets.last().closedAt, std::nullopt);
    } else if (expected == -1) {
        QVERIFY(failureOf<DecodingError>(h.service->getMyTickets(3)));
    } else {
        const auto error = failureOf<DomainError>(h.service->getMyTickets(3));
        QVERIFY(error);
        QCOMPARE(error->domain, u"server"_s);
        QCOMPARE(error->code, -1);
        QCOMPARE(error->description(), u"Réponse invalide du serveur"_s);
    }
}

void TestAPIService::closeTicket_replies_data()
{
    QTest::addColumn<HttpTestResponse>("reply");
    QTest::addColumn<int>("code"); // 0: succeeds
    QTest::addColumn<QString>("description");

    QTest::newRow("200 success") << HttpTestResponse::json(200, R"({"success":true})") << 0 << QString();
    QTest::newRow("200 empty body") << HttpTestResponse::reply(200) << 0 << QString();
    QTest::newRow("200 not JSON") << HttpTestResponse::reply(200, "OK") << 0 << QString();
    QTest::newRow("200 success false with a reason")
        << HttpTestResponse::json(200, R"({"success":false,"error":"Ticket déjà fermé"})") << 200
        << u"Ticket déjà fermé"_s;
    QTest::newRow("200 success false without a reason")
        << HttpTestResponse::json(200, R"({"success":false})") << 200 << u"Erreur inconnue"_s;
    QTest::newRow("404 with a reason")
        << HttpTestResponse::json(404, R"({"error":"Ticket introuvable"})") << 404 << u"Ticket introuvable"_s;
    QTest::newRow("403 reason next to a flag")
        << HttpTestResponse::json(403, R"({"success":false,"error":"Accès refusé","id":3})") << 403
        << u"Accès refusé"_s;
    QTest::newRow("403 not JSON") << HttpTestResponse::reply(403, "Forbidden") << 403 << u"Erreur inconnue"_s;
    QTest::newRow("500 error not a text")
        << HttpTestResponse::json(500, R"({"error":5})") << 500 << u"Erreur inconnue"_s;
}

void TestAPIService::closeTicket_replies()
{
    QFETCH(HttpTestResponse, reply);
    QFETCH(int, code);
    QFETCH(QString, description);

    Harness h;
    h.server.setResponse(reply);
    if (code == 0) {
        RunTask::run(h.service->closeTicket(4, u"fini"_s));
        return;
    }
    const auto error = failureOf<DomainError>(h.service->closeTicket(4, u"fini"_s));
    QVERIFY(error);
    QCOMPARE(error->domain, u"APIError"_s);
    QCOMPARE(error->code, code);
    QCOMPARE(error->description(), description);
}

void TestAPIService::badBodies_failWithTheDecoderError_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("key");

    const int malformed = DecodingError::Malformed, missing = DecodingError::MissingKey,
              wrong = DecodingError::WrongType;
    QTest::newRow("plain text") << "Service Unavailable"_ba << malformed << QString();
    QTest::newRow("HTML page") << "<!DOCTYPE html><html><body>Error 500</body></html>"_ba << malformed
                               << QString();
    QTest::newRow("truncated JSON") << R"({"success":true,"tickets":[{"id":1},{"id")"_ba << malformed
                                    << QString();
    QTest::newRow("empty body") << QByteArray() << malformed << QString();
    QTest::newRow("non-UTF-8 bytes")
        << "{\"success\":true,\"tickets\":[{\"id\":1,\"titre\":\"\xc3\x28\"}]}"_ba << malformed << QString();
    QTest::newRow("tickets is an object")
        << R"({"success":true,"tickets":{"id":1}})"_ba << wrong << u"tickets"_s;
    QTest::newRow("null required id")
        << R"({"success":true,"tickets":[{"id":1},{"id":null}]})"_ba << missing << u"tickets[1].id"_s;
    QTest::newRow("id as string") << R"({"success":true,"tickets":[{"id":"1"}]})"_ba << wrong
                                  << u"tickets[0].id"_s;
}

void TestAPIService::badBodies_failWithTheDecoderError()
{
    QFETCH(QByteArray, body);
    QFETCH(int, kind);
    QFETCH(QString, key);

    Harness h;
    h.server.setResponse(HttpTestResponse::reply(200, body));
    const auto error = failureOf<DecodingError>(h.service->getAllTickets());
    QVERIFY(error);
    QCOMPARE(int(error->kind), kind);
    QCOMPARE(error->key, key);
    QVERIFY(!error->description().isEmpty());
    if (!key.isEmpty())
        QVERIFY(error->description().contains(key));
}

void TestAPIService::transportFailures_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("connection refused")
        << u"refused"_s << QNetworkReply::ConnectionRefusedError
        << u"Connexion refusée : le serveur n'accepte pas de connexion à cette adresse."_s;
    QTest::newRow("time-out") << u"silence"_s << QNetworkReply::OperationCanceledError
                              << u"Le serveur n'a pas répondu à temps (délai dépassé)."_s;
    QTest::newRow("time-out in the middle of the body")
        << u"stall"_s << QNetworkReply::OperationCanceledError
        << u"Le serveur n'a pas répondu à temps (délai dépassé)."_s;
    QTest::newRow("TLS to a plain server") << u"tls"_s << QNetworkReply::SslHandshakeFailedError
                                           << u"La connexion sécurisée (TLS) avec le serveur a échoué."_s;
    QTest::newRow("redirect to https") << u"redirect-https"_s << QNetworkReply::InsecureRedirectError
                                       << u"Le serveur a redirigé la requête vers une autre adresse ; la "
                                          u"redirection a été refusée."_s;
    QTest::newRow("redirect to another port")
        << u"redirect-port"_s << QNetworkReply::InsecureRedirectError
        << u"Le serveur a redirigé la requête vers une autre adresse ; la "
           u"redirection a été refusée."_s;
    QTest::newRow("unknown scheme: Qt's own text, in French")
        << u"scheme"_s << QNetworkReply::ProtocolUnknownError << u"Le protocole \"gopher\" est inconnu"_s;
    const QString interrupted
        = u"La connexion avec le serveur a été interrompue avant la fin de sa réponse."_s;
    QTest::newRow("closed without an answer")
        << u"close"_s << QNetworkReply::RemoteHostClosedError << interrupted;
    QTest::newRow("garbage instead of HTTP")
        << u"garbage"_s << QNetworkReply::RemoteHostClosedError << interrupted;
    QTest::newRow("status line without a code")
        << u"no-code"_s << QNetworkReply::RemoteHostClosedError << interrupted;
    QTest::newRow("body cut short") << u"short"_s << QNetworkReply::RemoteHostClosedError << interrupted;
}

void TestAPIService::transportFailures()
{
    QFETCH(QString, scenario);
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(QString, text);

    Harness h;
    Configuration configuration;
    configuration.apiBase = h.server.url().toString() + u"/api"_s;
    if (scenario == u"refused") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        configuration.apiBase = u"http://127.0.0.1:%1/api"_s.arg(closed.serverPort());
        closed.close();
    } else if (scenario == u"scheme") {
        configuration.apiBase = u"gopher://127.0.0.1/api"_s;
    } else if (scenario == u"tls") {
        configuration.apiBase = u"https://127.0.0.1:%1/api"_s.arg(h.server.port());
    } else if (scenario == u"silence") {
        h.server.setResponse(HttpTestResponse::silence());
    } else if (scenario == u"stall") {
        // Headers and the start of the body, then nothing more.
        h.server.setResponse(
            HttpTestResponse::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"succ", false));
    } else if (scenario == u"redirect-https") {
        h.server.setResponse(HttpTestResponse::redirect(
            302, "https://127.0.0.1:" + QByteArray::number(h.server.port()) + "/api/admin/list-tickets.php"));
    } else if (scenario == u"redirect-port") {
        h.server.setResponse(
            HttpTestResponse::redirect(301, "http://127.0.0.1:1/api/admin/list-tickets.php"));
    } else if (scenario == u"close") {
        h.server.setResponse(HttpTestResponse::close());
    } else if (scenario == u"garbage") {
        h.server.setResponse(HttpTestResponse::raw("\x01\x02 NOT HTTP AT ALL\r\n\r\n", false));
    } else if (scenario == u"no-code") {
        h.server.setResponse(HttpTestResponse::raw("HTTP/1.1 OK\r\n\r\n{}"));
    } else if (scenario == u"short") {
        h.server.setResponse(HttpTestResponse::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{}"));
    }
    APIService service(configuration);
    // Short only where the time-out is the point, so a loaded machine
    // cannot turn another failure into a time-out.
    if (scenario == u"silence" || scenario == u"stall")
        service.setTransferTimeout(300);

    const auto failure = failureOf<TransportError>(discard(service.getAllTickets()));
    QVERIFY(failure);
    QCOMPARE(QNetworkReply::NetworkError(failure->networkError), error);
    QCOMPARE(failure->description(), text);
}

void TestAPIService::sameOriginRedirect_isFollowed()
{
    Harness h;
    h.server.setHandler([](const HttpTestRequest &request) {
        if (request.path() == "/api/admin/list-tickets.php")
            return HttpTestResponse::reply(
                307, "<html>Moved</html>", { { "Location", "/api/admin/list-tickets-v2.php" } });
        return HttpTestResponse::json(200, R"({"success":true,"tickets":[{"id":5}]})");
    });
    const QList<Ticket> tickets = RunTask::run(h.service->getAllTickets());
    QCOMPARE(tickets.size(), 1);
    QCOMPARE(h.server.requests().size(), 2);
    QCOMPARE(h.server.requests().last().header("X-API-TOKEN"), "XQVT_HELPDESK_SHARED_KEY_2031"_ba);
}

void TestAPIService::oversizedReply_announced_isRefusedAtTheHeaders()
{
    Harness h;
    h.server.setResponse(HttpTestResponse::stream(APIService::MaxReplyBytes + 1, true));
    const auto failure = failureOf<TransportError>(discard(h.service->getAllTickets()));
    QVERIFY(failure);
    QCOMPARE(
        failure->description(), u"La réponse du serveur dépasse 256 Mio ; le transfert a été interrompu."_s);
    // Refused on the announced length, long before the body came through.
    QVERIFY2(h.server.streamedBytes() < 64 * 1024 * 1024, QByteArray::number(h.server.streamedBytes()));
}

void TestAPIService::oversizedReply_unannounced_isCutOffWithBoundedMemory()
{
    Harness h;
    // A chunked body with no end in sight: only the running count can stop it.
    const qint64 endless = 8LL * 1024 * 1024 * 1024;
    h.server.setResponse(HttpTestResponse::stream(endless, false));
    const qint64 peakBefore = peakMemoryKiB();
    const auto failure = failureOf<TransportError>(discard(h.service->getAllTickets()));
    QVERIFY(failure);
    QCOMPARE(
        failure->description(), u"La réponse du serveur dépasse 256 Mio ; le transfert a été interrompu."_s);
    QVERIFY(h.server.streamedBytes() >= APIService::MaxReplyBytes);
    QVERIFY(h.server.streamedBytes() < endless / 4);
    // What the client held is the limit plus its read buffers, not the stream.
    const qint64 grownMiB = (peakMemoryKiB() - peakBefore) / 1024;
    qInfo("peak memory grew by %lld MiB while refusing the endless reply", grownMiB);
    QVERIFY2(grownMiB < 600, QByteArray::number(grownMiB));
}

void TestAPIService::badURL_sendsNothing_data()
{
    QTest::addColumn<QString>("apiBase"); // empty: the test server's
    QTest::addColumn<QString>("poste");

    QTest::newRow("lone surrogate in a query value") << QString() << QString(QChar(0xd800)) + u"12"_s;
    QTest::newRow("base without a scheme") << u"127.0.0.1/api"_s << u"12"_s;
    QTest::newRow("base with a broken host") << u"http://[::1/api"_s << u"12"_s;
}

void TestAPIService::badURL_sendsNothing()
{
    QFETCH(QString, apiBase);
    QFETCH(QString, poste);

    HttpTestServer server;
    Configuration configuration;
    configuration.apiBase = apiBase.isEmpty() ? server.url().toString() + u"/api"_s : apiBase;
    APIService service(configuration);
    const auto error = failureOf<URLError>(service.getUserByPoste(1, poste));
    QVERIFY(error);
    QCOMPARE(error->code, URLError::BadURL);
    QVERIFY(server.requests().isEmpty());
}

void TestAPIService::noHttpResponse_isBadServerResponse()
{
    // A base that is no HTTP server (a local directory) gives answers without
    // a status: the status-checking operations must refuse them.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"api/company"_s) && QDir(dir.path()).mkpath(u"api/admin"_s));
    for (const char *name : { "api/company/list.php", "api/admin/list-tickets.php" }) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"success":true,"companies":[],"tickets":[]})");
    }
    Configuration configuration;
    configuration.apiBase = QUrl::fromLocalFile(dir.path()).toString() + u"/api"_s;
    APIService service(configuration);

    const auto error = failureOf<URLError>(service.getCompanies());
    QVERIFY(error);
    QCOMPARE(error->code, URLError::BadServerResponse);
    // Decode-only operations do not look at the status at all.
    QCOMPARE(RunTask::run(service.getAllTickets()).size(), 0);
}

void TestAPIService::twoOperations_areInFlightTogether()
{
    Harness h;
    h.server.setHandler([](const HttpTestRequest &request) {
        if (request.path() == "/api/company/list.php")
            return HttpTestResponse::json(200, R"({"success":true,"companies":[]})").delayed(300);
        return HttpTestResponse::json(200, R"({"success":true,"tickets":[]})");
    });
    bool slowDoneFirst = true;
    auto both = [&]() -> QCoro::Task<void> {
        auto slow = h.service->getCompanies();
        auto fast = h.service->getAllTickets();
        co_await std::move(fast);
        slowDoneFirst = slow.isReady();
        co_await std::move(slow);
    };
    RunTask::run(both());
    // Not queued behind each other: the later, quicker request ended first.
    QVERIFY(!slowDoneFirst);
    QCOMPARE(h.server.requests().size(), 2);
}

QTEST_GUILESS_MAIN(TestAPIService)
#include "tst_apiservice.moc"
