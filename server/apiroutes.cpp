#include "apiroutes.h"

#include "credentials.h"
#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/vocabulary.h"
#include "routereplies.h"
#include "store.h"
#include "storeerror.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString ForbiddenText = u"Accès refusé"_s;

// Their refusals carry "success": false as well, like the login's.
bool isConversationPath(const QString &path)
{
    return path == u"/ticket/messages.php" || path == u"/ticket/send-message.php"
        || path == u"/ticket/typing.php" || path == u"/ticket/mark-read.php"
        || path == u"/admin/ticket-report.php";
}

template<typename List>
void addUnreadCounts(List &tickets, const std::map<qint64, qint64> &counts)
{
    for (auto &ticket : tickets) {
        const auto count = counts.find(ticket.id);
        ticket.unreadMessages = count == counts.end() ? 0 : count->second;
    }
}

QString priorityOf(const JsonReader &body)
{
    const QString priorite = body.requiredString(u"priorite");
    for (QStringView word : { Priority::Normale, Priority::Haute, Priority::Critique }) {
        if (priorite == word)
            return priorite;
    }
    throw BadRequest { u"Priorité inconnue : « %1 » (normale, haute ou critique)"_s.arg(priorite) };
}

} // namespace

struct ApiRoutes::Route
{
    QStringView path;
    QHttpServerRequest::Method method;
    Reply (ApiRoutes::*run)(const Request &);
    Need need;
    bool accountsOnly;
};

ApiRoutes::ApiRoutes(Store &store, AuthMode mode)
    : m_store(store)
    , m_mode(mode)
    , m_gatekeeper(store)
{ }

ApiRoutes::Reply ApiRoutes::error(int status, const QString &message)
{
    return { status, compactJson(QJsonObject { { u"error"_s, message } }), {}, 0 };
}

ApiRoutes::Reply ApiRoutes::handle(QHttpServerRequest::Method method, const QString &path,
    const QUrlQuery &query, const QByteArray &body, const Access &access)
{
    Reply reply = access.token ? dispatch(method, path, query, body, access)
                               : error(401, u"Jeton d'API absent ou incorrect"_s);
    // The client reads any ticket creation answer as a success flag and an
    // id, both required: a refusal carries them too, so that it reads as a
    // refused ticket rather than an unreadable reply.
    if (path == u"/ticket/create.php" && reply.status != 200) {
        QJsonObject refusal = QJsonDocument::fromJson(reply.body).object();
        refusal.insert(u"success"_s, false);
        refusal.insert(u"ticket_id"_s, 0);
        reply.body = compactJson(refusal);
    }
    if (m_mode == AuthMode::Accounts && isConversationPath(path) && reply.status != 200) {
        QJsonObject refusal = QJsonDocument::fromJson(reply.body).object();
        refusal.insert(u"success"_s, false);
        reply.body = compactJson(refusal);
    }
    return reply;
}

ApiRoutes::Reply ApiRoutes::dispatch(QHttpServerRequest::Method method, const QString &path,
    const QUrlQuery &query, const QByteArray &body, const Access &access)
{
    using Method = QHttpServerRequest::Method;
    static constexpr Route routes[] = {
        { u"/user/check-poste.php", Method::Get, &ApiRoutes::checkPoste, Need::Open, false },
        { u"/user/get-by-poste.php", Method::Get, &ApiRoutes::getByPoste, Need::Open, false },
        { u"/user/register.php", Method::Post, &ApiRoutes::registerUser, Need::Open, false },
        { u"/company/list.php", Method::Get, &ApiRoutes::listCompanies, Need::Open, false },
        { u"/company/create.php", Method::Post, &ApiRoutes::createCompany, Need::Staff, false },
        { u"/ticket/create.php", Method::Post, &ApiRoutes::createTicket, Need::User, false },
        { u"/user/my-tickets.php", Method::Get, &ApiRoutes::myTickets, Need::Member, false },
        { u"/admin/list-tickets.php", Method::Get, &ApiRoutes::listTickets, Need::Staff, false },
        { u"/admin/close-ticket.php", Method::Post, &ApiRoutes::closeTicket, Need::Staff, false },
        { u"/admin/login.php", Method::Post, &ApiRoutes::login, Need::Open, true },
        { u"/admin/logout.php", Method::Post, &ApiRoutes::logout, Need::Staff, true },
        { u"/admin/reset-poste.php", Method::Post, &ApiRoutes::resetPoste, Need::Staff, true },
        { u"/ticket/messages.php", Method::Get, &ApiRoutes::messages, Need::Member, true },
        { u"/ticket/send-message.php", Method::Post, &ApiRoutes::sendMessage, Need::Member, true },
        { u"/ticket/typing.php", Method::Post, &ApiRoutes::typing, Need::Member, true },
        { u"/ticket/mark-read.php", Method::Post, &ApiRoutes::markRead, Need::Member, true },
        { u"/admin/ticket-report.php", Method::Get, &ApiRoutes::ticketReport, Need::Member, true },
    };

    const bool accounts = m_mode == AuthMode::Accounts;
    for (const Route &route : routes) {
        if (route.path != path || (route.accountsOnly && !accounts))
            continue;
        if (route.method != method)
            return error(405,
                route.method == Method::Get ? u"Méthode non permise : utilisez GET"_s
                                            : u"Méthode non permise : utilisez POST"_s);
        Caller caller { Caller::Trusted, 0, {} };
        if (accounts) {
            try {
                caller = m_gatekeeper.identify(access.authorization);
            } catch (const StoreError &) {
                return error(503, u"Base de données momentanément indisponible"_s);
            }
            if (const std::optional<Reply> refused = refusal(route.need, caller))
                return *refused;
        }
        return run(route.run, Request { query, body, caller, access });
    }
    return error(404, u"Ressource inconnue : %1"_s.arg(path));
}

std::optional<ApiRoutes::Reply> ApiRoutes::refusal(Need need, const Caller &caller) const
{
    if (need == Need::Open)
        return std::nullopt;
    if (caller.kind == Caller::Nobody || caller.kind == Caller::Rejected)
        return error(401, u"Authentification requise : identifiant absent, incorrect ou expiré"_s);
    if ((need == Need::Staff && caller.kind != Caller::Staff)
        || (need == Need::User && caller.kind != Caller::User))
        return error(403, ForbiddenText);
    return std::nullopt;
}

ApiRoutes::Reply ApiRoutes::run(Reply (ApiRoutes::*route)(const Request &), const Request &request)
{
    try {
        return (this->*route)(request);
    } catch (const BadRequest &e) {
        return error(400, e.message);
    } catch (const TooLarge &e) {
        return error(413, e.message);
    } catch (const Forbidden &) {
        return error(403, ForbiddenText);
    } catch (const DecodingError &e) {
        return error(400, e.description());
    } catch (const StoreError &e) {
        switch (e.kind) {
        case StoreError::Conflict:
            return error(409, e.message);
        case StoreError::NotFound:
            return error(404, e.message);
        case StoreError::Unavailable:
            // The watchdog has said so once; each refused request need not.
            return error(503, u"Base de données momentanément indisponible"_s);
        case StoreError::Failure:
            break;
        }
        qWarning("norvik-server: %s", qUtf8Printable(e.message));
        return error(500, u"Erreur interne du serveur"_s);
    }
}

ApiRoutes::Reply ApiRoutes::checkPoste(const Request &request)
{
    const QUrlQuery &query = request.query;
    std::optional<std::pair<qint64, CheckPosteResponse::UserData>> found
        = m_store.userByPoste(queryText(query, u"poste"_s));
    std::optional<CheckPosteResponse::UserData> user;
    if (found) {
        user = found->second;
        // Whether a workstation is taken stays open; who holds it is for
        // that person and the staff.
        if (!request.caller.seesEveryone() && !request.caller.isUser(found->first))
            *user = { QString(), QString(), user->societe, std::nullopt };
    }
    return okReply(CheckPosteResponse { user.has_value(), user }.toJson());
}

ApiRoutes::Reply ApiRoutes::getByPoste(const Request &request)
{
    const QUrlQuery &query = request.query;
    const qint64 companyId = queryInteger(query, u"company_id"_s);
    const QString poste = queryText(query, u"poste"_s);
    std::optional<UserDetailData> user = m_store.userByPoste(companyId, poste);
    if (!user)
        return { 404,
            compactJson(GetUserByPosteResponse { false, std::nullopt, u"Aucun utilisateur pour ce poste"_s }
                            .toJson()),
            {}, 0 };
    if (!request.caller.seesEveryone() && !request.caller.isUser(user->id)) {
        user->nom.clear();
        user->prenom.clear();
        user->telephone.clear();
    }
    return okReply(GetUserByPosteResponse { true, user, std::nullopt }.toJson());
}

ApiRoutes::Reply ApiRoutes::registerUser(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 companyId = reader.requiredInteger(u"company_id");
    const QString poste = reader.requiredString(u"poste");
    const QString nom = reader.requiredString(u"nom");
    const QString prenom = reader.requiredString(u"prenom");
    const QString telephone = reader.requiredString(u"telephone");
    if (m_mode == AuthMode::Shared) {
        const qint64 id = m_store.registerUser(companyId, poste, nom, prenom, telephone);
        return okReply(RegisterUserResponse { true, id, u"Utilisateur enregistré"_s }.toJson());
    }
    const QByteArray secret = Credentials::newSecret();
    const Store::Registration registration
        = m_store.registerWithSecret(companyId, poste, nom, prenom, telephone, Credentials::digest(secret));
    if (registration.claimed)
        qInfo("norvik-server: user %lld took over workstation \"%s\" of company %lld, which had no secret",
            registration.userId, qUtf8Printable(poste), companyId);
    QJsonObject reply
        = RegisterUserResponse { true, registration.userId, u"Utilisateur enregistré"_s }.toJson();
    reply.insert(u"user_secret"_s, QString::fromLatin1(secret));
    return okReply(reply);
}

ApiRoutes::Reply ApiRoutes::listCompanies(const Request &)
{
    if (m_companiesBody.isEmpty())
        m_companiesBody = compactJson(CompanyListResponse { true, m_store.companies() }.toJson());
    return { 200, m_companiesBody, {}, 0 };
}

ApiRoutes::Reply ApiRoutes::createCompany(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const QString nom = reader.requiredString(u"nom");
    const QString code = reader.requiredString(u"code");
    const qint64 id = m_store.createCompany(nom, code);
    m_companiesBody.clear();
    return okReply(CreateCompanyResponse { true, id, u"Société créée"_s }.toJson());
}

ApiRoutes::Reply ApiRoutes::createTicket(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 userId = reader.requiredInteger(u"user_id");
    if (request.caller.kind == Caller::User && !request.caller.isUser(userId))
        return error(403, ForbiddenText);
    const QString titre = reader.requiredString(u"titre");
    const QString description = reader.requiredString(u"description");
    const QString priorite = priorityOf(reader);
    std::optional<QByteArray> capture;
    if (const std::optional<QString> text = reader.optionalString(u"capture_base64")) {
        // Stored as sent, but only once it is known to be Base64: the staff's
        // screens decode it and a stray non-ASCII byte must not reach them.
        capture = text->toLatin1();
        const bool ascii
            = std::all_of(text->cbegin(), text->cend(), [](QChar c) { return c.unicode() < 128; });
        if (!ascii || !QByteArray::fromBase64Encoding(*capture, QByteArray::AbortOnBase64DecodingErrors))
            throw BadRequest { u"capture_base64 doit être du Base64 standard"_s };
    }
    const std::optional<QByteArray> report = attachedReport(reader);
    const qint64 id = m_store.createTicket(userId, titre, description, priorite, capture, report);
    Reply reply = okReply(CreateTicketResponse { true, id }.toJson());
    if (onTicketCreated)
        reply.then = [notify = onTicketCreated, id] { notify(id); };
    return reply;
}

ApiRoutes::Reply ApiRoutes::myTickets(const Request &request)
{
    const qint64 userId = queryInteger(request.query, u"user_id"_s);
    if (request.caller.kind == Caller::User && !request.caller.isUser(userId))
        return error(403, ForbiddenText);
    QList<UserTicket> tickets = m_store.ticketsOf(userId);
    // Only a server that keeps conversations counts their messages: the
    // shared mode's answer stays as it always was.
    if (m_mode == AuthMode::Accounts)
        addUnreadCounts(tickets, m_store.unreadCounts(u"user"_s, userId));
    return okReply(MyTicketsResponse { true, tickets }.toJson());
}

ApiRoutes::Reply ApiRoutes::listTickets(const Request &)
{
    QList<Ticket> tickets = m_store.allTickets();
    if (m_mode == AuthMode::Accounts)
        addUnreadCounts(tickets, m_store.unreadCounts(u"admin"_s));
    return okReply(TicketResponse { true, tickets }.toJson());
}

ApiRoutes::Reply ApiRoutes::closeTicket(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 ticketId = reader.requiredInteger(u"ticket_id");
    const QString closeMessage = reader.requiredString(u"close_message");
    const qint64 staffId = request.caller.kind == Caller::Staff ? request.caller.id : 0;
    const qint64 author = m_store.closeTicket(ticketId, closeMessage, staffId);
    Reply reply = okReply(QJsonObject { { u"success"_s, true }, { u"message"_s, u"Ticket fermé"_s } });
    if (onTicketClosed)
        reply.then = [notify = onTicketClosed, author, ticketId, closeMessage] {
            notify(author, ticketId, closeMessage);
        };
    return reply;
}
