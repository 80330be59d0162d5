#include "apiservice.h"

#include "protocol/errors.h"
#include "protocol/jsonreader.h"

#include <QCoreApplication>
#include <QCoro/QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// Query values: everything outside the unreserved set is escaped, so a
// workstation number can never add a parameter ("12&user_id=5") nor turn a
// "+" into a space on the server.
QString queryValue(const QString &text)
{
    // A lone surrogate has no UTF-8 form: refuse rather than send a "?".
    if (!text.isValidUtf16())
        throw URLError(URLError::BadURL);
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// Qt's own texts for these failures are missing in French or too terse to
// tell the user what happened; the others come translated from Qt.
QString transportText(QNetworkReply::NetworkError error, const QString &qtText)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QCoreApplication::translate(
            "APIService", "Connexion refusée : le serveur n'accepte pas de connexion à cette adresse.");
    case QNetworkReply::RemoteHostClosedError:
        // Also what Qt reports when the answer is no HTTP at all.
        return QCoreApplication::translate(
            "APIService", "La connexion avec le serveur a été interrompue avant la fin de sa réponse.");
    case QNetworkReply::HostNotFoundError:
        return QCoreApplication::translate(
            "APIService", "Serveur introuvable : vérifiez l'adresse du serveur et la connexion au réseau.");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QCoreApplication::translate(
            "APIService", "Le serveur n'a pas répondu à temps (délai dépassé).");
    case QNetworkReply::SslHandshakeFailedError:
        return QCoreApplication::translate(
            "APIService", "La connexion sécurisée (TLS) avec le serveur a échoué.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QCoreApplication::translate("APIService", "Le réseau est indisponible.");
    case QNetworkReply::InsecureRedirectError:
    case QNetworkReply::TooManyRedirectsError:
        return QCoreApplication::translate("APIService",
            "Le serveur a redirigé la requête vers une autre adresse ; la redirection a été refusée.");
    case QNetworkReply::ProtocolFailure:
        return QCoreApplication::translate(
            "APIService", "Le serveur a envoyé une réponse qui n'est pas une réponse HTTP valide.");
    default:
        return qtText;
    }
}

// A redirect may only stay on the same scheme, host and port: never from
// https down to http, never to another server.
bool isSameOrigin(const QUrl &from, const QUrl &to)
{
    const int defaultPort = from.scheme() == u"https" ? 443 : 80;
    return to.scheme() == from.scheme() && to.host() == from.host()
        && to.port(defaultPort) == from.port(defaultPort);
}

int requireHttp(const std::optional<int> &status)
{
    if (!status)
        throw URLError(URLError::BadServerResponse);
    return *status;
}

// The non-200 texts of the status-checking replies.
void throwUnlessOk(int status)
{
    if (status != 200)
        throw APIError(status, QCoreApplication::translate("APIService", "Erreur serveur"));
}

// A 409 from registration or company creation carries the server's reason.
// It stays a conflict when that reason cannot be read: as a decoding error it
// would pass for a 200 reply that did not decode, and the registration screen
// would then adopt the number's current holder as the user.
void throwConflictOrStatus(int status, const QByteArray &body)
{
    if (status == 409) {
        QString reason = QCoreApplication::translate("APIService", "Erreur serveur");
        try {
            reason = RegisterErrorResponse::decode(body).error;
        } catch (const DecodingError &) { }
        throw APIError(409, reason);
    }
    throwUnlessOk(status);
}

// The "error" text of a JSON object reply, whatever else the object holds.
std::optional<QString> errorText(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue error = document.object().value(u"error"_s);
    if (error.isString())
        return error.toString();
    return std::nullopt;
}

// A conversation request's answer: anything but 200 is the server's refusal,
// told in its own words when it gave them.
void throwUnlessAccepted(int status, const QByteArray &body)
{
    if (status != 200)
        throw APIError(
            status, errorText(body).value_or(QCoreApplication::translate("APIService", "Erreur serveur")));
}

// Markers of an error page in a body that failed to decode.
bool looksLikeErrorPage(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return false;
    const QString lower = text.toLower();
    return lower.contains(u"<html") || lower.contains(u"invalid") || lower.contains(u"error");
}

// Reads a reply as its bytes arrive, so that an oversized one is cut off
// early, and lets it follow a redirect only within the API's origin.
class BoundedRead
{
public:
    BoundedRead(QNetworkReply *reply, const QUrl &url)
        : m_reply(reply)
    {
        // Back-pressure: the network thread stops reading the socket while this
        // much is waiting for us, so the bytes held stay bounded by what is read.
        reply->setReadBufferSize(APIService::ReadBufferBytes);
        QObject::connect(reply, &QNetworkReply::readyRead, &m_context, [this] { drain(); });
        QObject::connect(reply, &QNetworkReply::metaDataChanged, &m_context, [this] { announced(); });
        QObject::connect(reply, &QNetworkReply::redirected, &m_context, [this, url](const QUrl &target) {
            if (isSameOrigin(url, m_reply->url().resolved(target))) {
                Q_EMIT m_reply->redirectAllowed();
            } else {
                m_redirectRefused = true;
                m_reply->abort();
            }
        });
    }

    // Once the reply has finished: what is left is read, or the refusal thrown.
    void finish()
    {
        if (!m_tooLarge && !m_redirectRefused)
            drain();
        if (m_tooLarge)
            throw TransportError(QNetworkReply::OperationCanceledError,
                QCoreApplication::translate(
                    "APIService", "La réponse du serveur dépasse 256 Mio ; le transfert a été interrompu."));
        if (m_redirectRefused)
            throw TransportError(QNetworkReply::InsecureRedirectError,
                transportText(QNetworkReply::InsecureRedirectError, {}));
    }

    QByteArray take() { return std::move(m_received); }

private:
    void drain()
    {
        const qint64 available = m_reply->bytesAvailable();
        if (m_tooLarge || available <= 0)
            return;
        if (m_received.size() + available > APIService::MaxReplyBytes) {
            m_tooLarge = true;
            m_reply->abort();
            return;
        }
        const qsizetype before = m_received.size();
        m_received.resize(before + available);
        const qint64 read = m_reply->read(m_received.data() + before, available);
        m_received.truncate(before + std::max<qint64>(read, 0));
    }

    void announced()
    {
        const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (length > APIService::MaxReplyBytes && !m_tooLarge) {
            m_tooLarge = true;
            m_reply->abort();
        } else if (length > m_received.capacity()) {
            m_received.reserve(length); // one allocation instead of repeated growth
        }
    }

    QNetworkReply *m_reply;
    QByteArray m_received;
    bool m_tooLarge = false;
    bool m_redirectRefused = false;
    // The handlers point into this object; they go with it.
    const QObject m_context;
};

} // namespace

APIService::APIService(const Configuration &configuration, QObject *parent)
    : QObject(parent)
    , m_apiBase(configuration.apiBase)
    , m_apiToken(configuration.apiToken)
    , m_network(new QNetworkAccessManager(this))
{
    m_network->setTransferTimeout(TransferTimeoutMs);
    // Every redirect is vetted in send().
    m_network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

APIService::APIService(const Configuration &configuration, CredentialStore &credentials, QObject *parent)
    : APIService(configuration, parent)
{
    m_credentials = &credentials;
}

APIService::~APIService()
{
    // A request still on its way when the program ends would leave its
    // coroutine suspended for ever, and every caller's frame with it: each
    // is ended as cancelled, so its awaiters resume and unwind now.
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>())
        reply->abort();
}

QString APIService::credentialFor(Caller caller) const
{
    if (!m_credentials || caller == Caller::Nobody)
        return {};
    return m_credentials->value(
        caller == Caller::Staff ? CredentialStore::Kind::StaffSession : CredentialStore::Kind::UserSecret);
}

void APIService::setTransferTimeout(int milliseconds)
{
    m_transferTimeout = milliseconds;
    m_network->setTransferTimeout(milliseconds);
}

QCoro::Task<APIService::Reply> APIService::get(QString pathAndQuery, Caller caller)
{
    co_return co_await send("GET", std::move(pathAndQuery), {}, caller);
}

QCoro::Task<APIService::Reply> APIService::post(QString path, QJsonObject body, Caller caller)
{
    co_return co_await send(
        "POST", std::move(path), QJsonDocument(body).toJson(QJsonDocument::Compact), caller);
}

QNetworkRequest APIService::requestFor(const QUrl &url, bool isPost, const QString &credential) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeout);
    request.setRawHeader("X-API-TOKEN", m_apiToken.toUtf8());
    // A server of the shared token alone never hands out credentials, so
    // against it no request carries one.
    if (!credential.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + credential.toUtf8());
    if (isPost)
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
    return request;
}

APIService::Reply APIService::answerOf(QNetworkReply *reply, QByteArray body)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // An HTTP error status is an answer, not a transport failure: its body is
    // read by the checks. Failures of the connection itself (below the
    // content errors) and anything without a status are transport failures.
    if (error != QNetworkReply::NoError && (!status.isValid() || error < QNetworkReply::ContentAccessDenied))
        throw TransportError(error, transportText(error, reply->errorString()));
    Reply result;
    // Qt's file backend fakes a status too; only an http(s) answer has one.
    const QString scheme = reply->url().scheme();
    if (status.isValid() && (scheme == u"http" || scheme == u"https"))
        result.status = status.toInt();
    result.body = std::move(body);
    return result;
}

QCoro::Task<APIService::Reply> APIService::send(
    QByteArray method, QString pathAndQuery, QByteArray body, Caller caller)
{
    const QUrl url(m_apiBase + pathAndQuery, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        throw URLError(URLError::BadURL);

    const QString credential = credentialFor(caller);
    const bool isPost = method == "POST";
    const QNetworkRequest request = requestFor(url, isPost, credential);
    struct DeleteLater
    {
        void operator()(QObject *object) const { object->deleteLater(); }
    };
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(
        isPost ? m_network->post(request, body) : m_network->get(request));
    BoundedRead read(reply.get(), url);
    co_await reply.get();
    read.finish();

    Reply result = answerOf(reply.get(), read.take());
    if (result.status == 401 && !credential.isEmpty())
        Q_EMIT credentialRejected(caller == Caller::Staff ? CredentialStore::Kind::StaffSession
                                                          : CredentialStore::Kind::UserSecret);
    co_return result;
}

QCoro::Task<std::optional<ExistingUserInfo>> APIService::checkPoste(QString poste)
{
    const Reply reply = co_await get(u"/user/check-poste.php?poste="_s + queryValue(poste));
    const CheckPosteResponse response = CheckPosteResponse::decode(reply.body);
    // A number counts as taken only with a holder to show.
    if (!response.exists || !response.user)
        co_return std::nullopt;
    co_return ExistingUserInfo { response.user->nom, response.user->prenom,
        response.user->telephone.value_or(QString()) };
}

QCoro::Task<GetUserByPosteResponse> APIService::getUserByPoste(qint64 companyId, QString poste)
{
    const Reply reply = co_await get(u"/user/get-by-poste.php?company_id="_s + QString::number(companyId)
        + u"&poste="_s + queryValue(poste));
    co_return GetUserByPosteResponse::decode(reply.body);
}

QCoro::Task<RegisterUserResponse> APIService::registerUser(
    qint64 companyId, QString poste, QString nom, QString prenom, QString telephone)
{
    // Braced lists inside co_await trip GCC 12, hence the named bodies.
    const QJsonObject body { { u"company_id"_s, companyId }, { u"poste"_s, poste }, { u"nom"_s, nom },
        { u"prenom"_s, prenom }, { u"telephone"_s, telephone } };
    const Reply reply = co_await post(u"/user/register.php"_s, body);
    throwConflictOrStatus(requireHttp(reply.status), reply.body);
    // Only a server that tells its users apart hands out a secret. It is kept
    // even when the rest of the reply does not decode: the registration went
    // through, and looking the user up afterwards needs it.
    const QJsonValue secret = QJsonDocument::fromJson(reply.body).object().value(u"user_secret"_s);
    if (m_credentials && secret.isString() && !secret.toString().isEmpty())
        co_await m_credentials->store(CredentialStore::Kind::UserSecret, secret.toString());
    co_return RegisterUserResponse::decode(reply.body);
}

QCoro::Task<QList<Company>> APIService::getCompanies()
{
    const Reply reply = co_await get(u"/company/list.php"_s);
    throwUnlessOk(requireHttp(reply.status));
    co_return CompanyListResponse::decode(reply.body).companies;
}

QCoro::Task<qint64> APIService::createCompany(QString nom, QString code)
{
    const QJsonObject body { { u"nom"_s, nom }, { u"code"_s, code } };
    const Reply reply = co_await post(u"/company/create.php"_s, body, Caller::Staff);
    throwConflictOrStatus(requireHttp(reply.status), reply.body);
    co_return CreateCompanyResponse::decode(reply.body).companyId;
}

QCoro::Task<qint64> APIService::createTicket(qint64 userId, QString titre, QString description, QString priorite,
    std::optional<QString> captureBase64, std::optional<QJsonObject> systemReport)
{
    QJsonObject body { { u"user_id"_s, userId }, { u"titre"_s, titre }, { u"description"_s, description },
        { u"priorite"_s, priorite } };
    if (captureBase64)
        body.insert(u"capture_base64"_s, *captureBase64);
    // A server of the shared token alone has nowhere to keep it.
    if (systemReport && !credentialFor(Caller::User).isEmpty())
        body.insert(u"system_report"_s, *systemReport);
    const Reply reply = co_await post(u"/ticket/create.php"_s, body);
    if (reply.status == 413)
        throw APIError(413, errorText(reply.body).value_or(tr("Erreur serveur")));
    const CreateTicketResponse response = CreateTicketResponse::decode(reply.body);
    if (!response.success)
        throw DomainError(
            u"APIError"_s, -1, QCoreApplication::translate("APIService", "Erreur création ticket"));
    co_return response.ticketId;
}

QCoro::Task<QList<UserTicket>> APIService::getMyTickets(qint64 userId)
{
    const Reply reply = co_await get(u"/user/my-tickets.php?user_id="_s + QString::number(userId));
    // Decode first: a valid list stays valid whatever its tickets say. Only a
    // body that does not decode is screened for the marks of an error page.
    try {
        co_return MyTicketsResponse::decode(reply.body).tickets;
    } catch (const DecodingError &) {
        if (looksLikeErrorPage(reply.body))
            throw DomainError(
                u"server"_s, -1, QCoreApplication::translate("APIService", "Réponse invalide du serveur"));
        throw;
    }
}

QCoro::Task<QList<Ticket>> APIService::getAllTickets()
{
    const Reply reply = co_await get(u"/admin/list-tickets.php"_s, Caller::Staff);
    co_return TicketResponse::decode(reply.body).tickets;
}

QCoro::Task<void> APIService::closeTicket(qint64 ticketId, std::optional<QString> closeMessage)
{
    const QJsonObject body { { u"ticket_id"_s, ticketId },
        { u"close_message"_s, closeMessage.value_or(QString()) } };
    const Reply reply = co_await post(u"/admin/close-ticket.php"_s, body, Caller::Staff);
    const int status = requireHttp(reply.status);
    if (status != 200)
        throw DomainError(u"APIError"_s, status,
            errorText(reply.body).value_or(QCoreApplication::translate("APIService", "Erreur inconnue")));
    // A 200 whose body says the close failed is a failure, not a success.
    const QJsonObject object = QJsonDocument::fromJson(reply.body).object();
    if (object.value(u"success"_s) == QJsonValue(false))
        throw DomainError(u"APIError"_s, 200,
            errorText(reply.body).value_or(QCoreApplication::translate("APIService", "Erreur inconnue")));
}

QCoro::Task<bool> APIService::hasStaffAccounts()
{
    // A GET never counts as a failed login: the route answers 405 when it exists.
    const Reply reply = co_await get(u"/admin/login.php"_s, Caller::Nobody);
    co_return requireHttp(reply.status) != 404;
}

QCoro::Task<void> APIService::staffLogin(QString login, QString password)
{
    const QJsonObject body { { u"login"_s, login }, { u"password"_s, password } };
    const Reply reply = co_await post(u"/admin/login.php"_s, body, Caller::Nobody);
    const int status = requireHttp(reply.status);
    const QJsonObject object = QJsonDocument::fromJson(reply.body).object();
    const QString session = object.value(u"session_token"_s).toString();
    if (status == 200 && object.value(u"success"_s).toBool() && !session.isEmpty()) {
        if (m_credentials)
            co_await m_credentials->store(CredentialStore::Kind::StaffSession, session);
        co_return;
    }
    if (status == 200)
        throw DecodingError(DecodingError::MissingKey, u"session_token"_s);
    if (status == 429)
        throw APIError(429, errorText(reply.body).value_or(tr("Trop de tentatives : réessayez plus tard")));
    throw APIError(status, errorText(reply.body).value_or(tr("Identifiant ou mot de passe incorrect")));
}

QCoro::Task<void> APIService::staffLogout()
{
    if (credentialFor(Caller::Staff).isEmpty())
        co_return;
    // The session is forgotten here whatever the server says: an unreachable
    // server must not keep the workstation in administrator mode.
    try {
        co_await post(u"/admin/logout.php"_s, QJsonObject(), Caller::Staff);
    } catch (const NorvikError &) { }
    co_await m_credentials->store(CredentialStore::Kind::StaffSession, QString());
}

QCoro::Task<void> APIService::resetPoste(QString companyCode, QString poste)
{
    const QJsonObject body { { u"company_code"_s, companyCode }, { u"poste"_s, poste } };
    const Reply reply = co_await post(u"/admin/reset-poste.php"_s, body, Caller::Staff);
    throwUnlessAccepted(requireHttp(reply.status), reply.body);
}

APIService::Caller APIService::conversationCaller(CredentialStore::Kind kind) const
{
    const Caller caller = kind == CredentialStore::Kind::StaffSession ? Caller::Staff : Caller::User;
    // Conversations exist only where callers are told apart: without a
    // credential the request would only be a 401, or a 404 on a server of
    // the shared token, so it is not made at all.
    if (credentialFor(caller).isEmpty())
        throw APIError(401, QCoreApplication::translate("APIService", "Erreur serveur"));
    return caller;
}

QCoro::Task<QList<ConversationMessage>> APIService::getMessages(qint64 ticketId, CredentialStore::Kind as)
{
    const Caller caller = conversationCaller(as);
    const Reply reply
        = co_await get(u"/ticket/messages.php?ticket_id="_s + QString::number(ticketId), caller);
    throwUnlessAccepted(requireHttp(reply.status), reply.body);
    co_return MessagesResponse::decode(reply.body).messages;
}

QCoro::Task<qint64> APIService::sendMessage(
    qint64 ticketId, QString text, QUuid clientId, CredentialStore::Kind as)
{
    const Caller caller = conversationCaller(as);
    const QJsonObject body { { u"ticket_id"_s, ticketId }, { u"message"_s, text },
        { u"client_id"_s, clientId.toString(QUuid::WithoutBraces) } };
    const Reply reply = co_await post(u"/ticket/send-message.php"_s, body, caller);
    throwUnlessAccepted(requireHttp(reply.status), reply.body);
    co_return SendMessageResponse::decode(reply.body).messageId;
}

QCoro::Task<void> APIService::sendTyping(qint64 ticketId, CredentialStore::Kind as)
{
    const Caller caller = conversationCaller(as);
    const QJsonObject body { { u"ticket_id"_s, ticketId } };
    const Reply reply = co_await post(u"/ticket/typing.php"_s, body, caller);
    throwUnlessAccepted(requireHttp(reply.status), reply.body);
}

QCoro::Task<void> APIService::markMessagesRead(qint64 ticketId, CredentialStore::Kind as)
{
    const Caller caller = conversationCaller(as);
    const QJsonObject body { { u"ticket_id"_s, ticketId } };
    const Reply reply = co_await post(u"/ticket/mark-read.php"_s, body, caller);
    throwUnlessAccepted(requireHttp(reply.status), reply.body);
}

QCoro::Task<std::optional<QJsonObject>> APIService::getTicketReport(qint64 ticketId)
{
    const Reply reply
        = co_await get(u"/admin/ticket-report.php?ticket_id="_s + QString::number(ticketId), Caller::Staff);
    const int status = requireHttp(reply.status);
    if (status != 200)
        throw APIError(status, errorText(reply.body).value_or(tr("Erreur serveur")));
    co_return JsonReader(JsonReader::parseObject(reply.body)).optionalObject(u"system_report");
}
