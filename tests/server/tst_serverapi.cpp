#include "api/apiservice.h"
#include "api/dates.h"
#include "api/errors.h"
#include "runtask.h"
#include "serverprocess.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The client's REST core against a real norvik-server: every endpoint, its
// success records and the refusals a real service gives.
class TestServerApi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void registerUser_samePairConflicts_otherCompanyAllowed();
    void workstationLookups_findHolderOrNothing();
    void companies_createdListedByName_duplicateCodeConflicts();
    void createTicket_withAndWithoutCapture_listedWithAuthor_unknownAuthorRefused();
    void myTickets_onlyTheAuthors_newestFirst();
    void closeTicket_closesOnce_then409_unknown404();
    void wrongToken_refusedEverywhere();

private:
    Configuration configuration(const QString &token = {}) const;
    qint64 newCompany(const QString &code);
    qint64 newUser(qint64 companyId, const QString &poste, const QString &nom = u"Martin"_s);

    ServerProcess m_server;
    std::unique_ptr<APIService> m_api;
};

Configuration TestServerApi::configuration(const QString &token) const
{
    Configuration c;
    c.apiBase = m_server.apiBase();
    c.wsURL = m_server.wsUrl();
    if (!token.isEmpty())
        c.apiToken = token;
    return c;
}

void TestServerApi::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    m_api = std::make_unique<APIService>(configuration());
}

qint64 TestServerApi::newCompany(const QString &code)
{
    return RunTask::run(m_api->createCompany(u"Société "_s + code, code));
}

qint64 TestServerApi::newUser(qint64 companyId, const QString &poste, const QString &nom)
{
    return RunTask::run(m_api->registerUser(companyId, poste, nom, u"Léa"_s, u"06 00 00 00 00"_s)).userId;
}

void TestServerApi::registerUser_samePairConflicts_otherCompanyAllowed()
{
    const qint64 acme = newCompany(u"REG1"_s);
    const qint64 other = newCompany(u"REG2"_s);

    const RegisterUserResponse first
        = RunTask::run(m_api->registerUser(acme, u"R-1"_s, u"Durand"_s, u"Paul"_s, QString()));
    QVERIFY(first.success);
    QVERIFY(first.userId > 0);

    const auto taken
        = RunTask::failure<APIError>(m_api->registerUser(acme, u"R-1"_s, u"Autre"_s, u"Nom"_s, u"01"_s));
    QVERIFY(taken);
    QCOMPARE(taken->statusCode, 409);
    QVERIFY(!taken->message.isEmpty() && taken->message != u"Erreur serveur"_s);

    // The same number in another company is another person.
    const RegisterUserResponse second
        = RunTask::run(m_api->registerUser(other, u"R-1"_s, u"Durand"_s, u"Paul"_s, QString()));
    QVERIFY(second.userId != first.userId);

    // A company that does not exist is no conflict, but it is no success either.
    const auto unknown
        = RunTask::failure<APIError>(m_api->registerUser(987654, u"R-9"_s, u"A"_s, u"B"_s, QString()));
    QVERIFY(unknown);
    QCOMPARE(unknown->statusCode, 404);
}

void TestServerApi::workstationLookups_findHolderOrNothing()
{
    const qint64 company = newCompany(u"LOOK"_s);
    // Characters that would split or bend a query string must come back intact.
    const QString poste = u"B 12&x=+é"_s;
    const qint64 id = newUser(company, poste, u"Lefèvre"_s);

    const auto [exists, holder] = RunTask::run(m_api->checkPoste(poste));
    QVERIFY(exists);
    QVERIFY(holder.has_value());
    QCOMPARE(holder->nom, u"Lefèvre"_s);
    QCOMPARE(holder->prenom, u"Léa"_s);
    QCOMPARE(holder->telephone, u"06 00 00 00 00"_s);

    const auto [missing, nobody] = RunTask::run(m_api->checkPoste(u"B 12"_s));
    QVERIFY(!missing);
    QVERIFY(!nobody.has_value());

    const GetUserByPosteResponse found = RunTask::run(m_api->getUserByPoste(company, poste));
    QVERIFY(found.success);
    QVERIFY(found.user.has_value());
    QCOMPARE(found.user->id, id);
    QCOMPARE(found.user->companyId, company);
    QCOMPARE(found.user->poste, poste);
    QCOMPARE(found.user->societe, u"Société LOOK"_s);
    QCOMPARE(found.user->companyCode, u"LOOK"_s);

    // Within a company only: the same number elsewhere is not found.
    const qint64 elsewhere = newCompany(u"LOOK2"_s);
    const GetUserByPosteResponse notFound = RunTask::run(m_api->getUserByPoste(elsewhere, poste));
    QVERIFY(!notFound.success);
    QVERIFY(!notFound.user.has_value());
}

void TestServerApi::companies_createdListedByName_duplicateCodeConflicts()
{
    // Listed once before, so a list kept from then must not be served again.
    const qsizetype before = RunTask::run(m_api->getCompanies()).size();
    const qint64 zulu = RunTask::run(m_api->createCompany(u"zz Zulu"_s, u"ZUL"_s));
    const qint64 alpha = RunTask::run(m_api->createCompany(u"AA Alpha"_s, u"ALP"_s));
    QVERIFY(zulu > 0 && alpha > 0 && zulu != alpha);

    const QList<Company> companies = RunTask::run(m_api->getCompanies());
    QCOMPARE(companies.size(), before + 2);
    const auto indexOf = [&](qint64 id) {
        return std::find_if(companies.cbegin(), companies.cend(), [id](const Company &c) {
            return c.id == id;
        }) - companies.cbegin();
    };
    QVERIFY(indexOf(alpha) < companies.size());
    QVERIFY(indexOf(zulu) < companies.size());
    QCOMPARE(companies.at(indexOf(alpha)), (Company { alpha, u"AA Alpha"_s, u"ALP"_s }));
    QVERIFY(indexOf(alpha) < indexOf(zulu)); // by name, whatever the letter case

    const auto taken = RunTask::failure<APIError>(m_api->createCompany(u"Un autre nom"_s, u"ZUL"_s));
    QVERIFY(taken);
    QCOMPARE(taken->statusCode, 409);
    QVERIFY(!taken->message.isEmpty());
    QCOMPARE(RunTask::run(m_api->getCompanies()).size(), companies.size());
}

void TestServerApi::createTicket_withAndWithoutCapture_listedWithAuthor_unknownAuthorRefused()
{
    const qint64 company = newCompany(u"TCK"_s);
    const qint64 author = newUser(company, u"T-7"_s, u"Bernard"_s);
    const QString capture = QString::fromLatin1(QByteArray("\x89PNG\r\n\x1a\n fake image bytes").toBase64());

    const qint64 plain = RunTask::run(
        m_api->createTicket(author, u"Écran noir"_s, u"Plus rien"_s, u"haute"_s, std::nullopt));
    const qint64 withImage
        = RunTask::run(m_api->createTicket(author, u"Capture"_s, u"Voir l'image"_s, u"critique"_s, capture));
    const qint64 emptyImage
        = RunTask::run(m_api->createTicket(author, u"Vide"_s, QString(), u"normale"_s, QString()));
    QVERIFY(plain > 0 && withImage > plain && emptyImage > withImage);

    const QList<Ticket> all = RunTask::run(m_api->getAllTickets());
    const auto find = [&](qint64 id) {
        const auto it = std::find_if(all.cbegin(), all.cend(), [id](const Ticket &t) { return t.id == id; });
        return it == all.cend() ? std::optional<Ticket>() : std::optional<Ticket>(*it);
    };
    const std::optional<Ticket> first = find(plain);
    QVERIFY(first.has_value());
    QCOMPARE(first->user_id, author);
    QCOMPARE(first->titre, u"Écran noir"_s);
    QCOMPARE(first->description, u"Plus rien"_s);
    QCOMPARE(first->priorite, u"haute"_s);
    QCOMPARE(first->status, u"open"_s);
    QVERIFY(!first->capture_base64.has_value());
    // With its author's details.
    QCOMPARE(first->nom, u"Bernard"_s);
    QCOMPARE(first->prenom, u"Léa"_s);
    QCOMPARE(first->societe, u"Société TCK"_s);
    QCOMPARE(first->poste, u"T-7"_s);
    QCOMPARE(first->telephone, u"06 00 00 00 00"_s);
    QVERIFY(first->created_at.has_value());
    const std::optional<QDateTime> created = Dates::parseApiTimestamp(*first->created_at);
    QVERIFY2(created.has_value(), qPrintable(*first->created_at));
    QVERIFY(qAbs(created->secsTo(QDateTime::currentDateTime())) < 300);

    QCOMPARE(find(withImage)->capture_base64, capture.toLatin1());
    // An empty capture is what was sent, not a missing one.
    QCOMPARE(find(emptyImage)->capture_base64, QByteArray(""));
    QCOMPARE(find(emptyImage)->description, QString(u""_s));

    // Newest first.
    QVERIFY(all.indexOf(*find(emptyImage)) < all.indexOf(*first));

    // Read by the client as a refused ticket, not as an unreadable reply.
    const auto refused = RunTask::failure<DomainError>(
        m_api->createTicket(424242, u"x"_s, u"y"_s, u"normale"_s, std::nullopt));
    QVERIFY(refused);
    QCOMPARE(refused->description(), u"Erreur création ticket"_s);
    QCOMPARE(RunTask::run(m_api->getAllTickets()).size(), all.size());
}

void TestServerApi::myTickets_onlyTheAuthors_newestFirst()
{
    const qint64 company = newCompany(u"MINE"_s);
    const qint64 me = newUser(company, u"M-1"_s);
    const qint64 someoneElse = newUser(company, u"M-2"_s);
    const qint64 older
        = RunTask::run(m_api->createTicket(me, u"Premier"_s, u"a"_s, u"normale"_s, std::nullopt));
    RunTask::run(m_api->createTicket(someoneElse, u"Pas le mien"_s, u"b"_s, u"haute"_s, std::nullopt));
    const qint64 newer
        = RunTask::run(m_api->createTicket(me, u"Second"_s, u"c"_s, u"critique"_s, std::nullopt));

    const QList<UserTicket> mine = RunTask::run(m_api->getMyTickets(me));
    QCOMPARE(mine.size(), 2);
    QCOMPARE(mine.at(0).id, newer);
    QCOMPARE(mine.at(1).id, older);
    QCOMPARE(mine.at(1).titre, u"Premier"_s);
    QCOMPARE(mine.at(1).priorite, u"normale"_s);
    QCOMPARE(mine.at(1).status, u"open"_s);
    QVERIFY(!mine.at(1).closedAt.has_value());
    QVERIFY(!mine.at(1).closeMessage.has_value());

    QVERIFY(RunTask::run(m_api->getMyTickets(987654)).isEmpty());
}

void TestServerApi::closeTicket_closesOnce_then409_unknown404()
{
    const qint64 company = newCompany(u"CLO"_s);
    const qint64 author = newUser(company, u"C-1"_s);
    const qint64 ticket
        = RunTask::run(m_api->createTicket(author, u"À fermer"_s, u"d"_s, u"haute"_s, std::nullopt));
    const qint64 silent
        = RunTask::run(m_api->createTicket(author, u"Sans mot"_s, u"d"_s, u"haute"_s, std::nullopt));

    RunTask::run(m_api->closeTicket(ticket, u"Réglé : câble remplacé"_s));
    RunTask::run(m_api->closeTicket(silent, std::nullopt));

    const QList<UserTicket> mine = RunTask::run(m_api->getMyTickets(author));
    QCOMPARE(mine.size(), 2);
    const UserTicket &closed = mine.at(1);
    QCOMPARE(closed.id, ticket);
    QCOMPARE(closed.status, u"closed"_s);
    QCOMPARE(closed.closeMessage, u"Réglé : câble remplacé"_s);
    QVERIFY(closed.closedAt.has_value());
    QVERIFY(Dates::parseApiTimestamp(*closed.closedAt).has_value());
    QCOMPARE(mine.at(0).closeMessage, QString(u""_s));

    const auto again = RunTask::failure<DomainError>(m_api->closeTicket(ticket, u"encore"_s));
    QVERIFY(again);
    QCOMPARE(again->domain, u"APIError"_s);
    QCOMPARE(again->code, 409);
    QVERIFY(again->description() != u"Erreur inconnue"_s); // the server's own text got through
    // The second attempt did not overwrite the first message.
    QCOMPARE(RunTask::run(m_api->getMyTickets(author)).at(1).closeMessage, u"Réglé : câble remplacé"_s);

    const auto unknown = RunTask::failure<DomainError>(m_api->closeTicket(99999999, std::nullopt));
    QVERIFY(unknown);
    QCOMPARE(unknown->code, 404);
    QVERIFY(unknown->description() != u"Erreur inconnue"_s);
}

void TestServerApi::wrongToken_refusedEverywhere()
{
    APIService intruder(configuration(u"not-the-token"_s));
    const auto status = [](auto task) {
        const auto error = RunTask::failure<APIError>(std::move(task));
        return error ? error->statusCode : 0;
    };
    QCOMPARE(status(intruder.getCompanies()), 401);
    QCOMPARE(status(intruder.createCompany(u"Pirate"_s, u"PIR"_s)), 401);
    const auto close = RunTask::failure<DomainError>(intruder.closeTicket(1, std::nullopt));
    QVERIFY(close && close->code == 401);
    // Nothing was written on the intruder's behalf.
    const QList<Company> companies = RunTask::run(m_api->getCompanies());
    QVERIFY(std::none_of(
        companies.cbegin(), companies.cend(), [](const Company &c) { return c.code == u"PIR"; }));
}

QTEST_GUILESS_MAIN(TestServerApi)
#include "tst_serverapi.moc"
