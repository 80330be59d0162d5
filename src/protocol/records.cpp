#include "records.h"

#include "errors.h"
#include "jsonreader.h"
#include "jsonscanner.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

void putOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

void putOptional(QJsonObject &object, const QString &key, const std::optional<qint64> &value)
{
    if (value)
        object.insert(key, *value);
}

template<typename Record>
QJsonArray toArray(const QList<Record> &records)
{
    QJsonArray array;
    for (const Record &record : records)
        array.append(record.toJson());
    return array;
}

} // namespace

QString Ticket::displayTitle() const
{
    if (titre && !titre->trimmed().isEmpty())
        return *titre;
    return QCoreApplication::translate("Ticket", "Sans titre");
}

QString Ticket::displayMessage() const
{
    if (description && !description->isEmpty())
        return *description;
    if (message && !message->isEmpty())
        return *message;
    return QCoreApplication::translate("Ticket", "Aucun message");
}

Ticket Ticket::fromJson(const JsonReader &r)
{
    Ticket t;
    t.id = r.requiredInteger(u"id");
    t.userId = r.optionalInteger(u"user_id");
    t.titre = r.optionalString(u"titre");
    t.description = r.optionalString(u"description");
    t.priorite = r.optionalString(u"priorite");
    t.status = r.optionalString(u"status");
    t.captureBase64 = r.optionalLatin1(u"capture_base64");
    t.createdAt = r.optionalString(u"created_at");
    t.message = r.optionalString(u"message");
    t.nom = r.optionalString(u"nom");
    t.prenom = r.optionalString(u"prenom");
    t.societe = r.optionalString(u"societe");
    t.poste = r.optionalString(u"poste");
    t.telephone = r.optionalString(u"telephone");
    return t;
}

Ticket Ticket::fromJson(const QJsonObject &object)
{
    return fromJson(JsonReader(object));
}

QJsonObject Ticket::toJson() const
{
    QJsonObject o { { u"id"_s, id } };
    putOptional(o, u"user_id"_s, userId);
    putOptional(o, u"titre"_s, titre);
    putOptional(o, u"description"_s, description);
    putOptional(o, u"priorite"_s, priorite);
    putOptional(o, u"status"_s, status);
    if (captureBase64)
        o.insert(u"capture_base64"_s, QString::fromLatin1(*captureBase64));
    putOptional(o, u"created_at"_s, createdAt);
    putOptional(o, u"message"_s, message);
    putOptional(o, u"nom"_s, nom);
    putOptional(o, u"prenom"_s, prenom);
    putOptional(o, u"societe"_s, societe);
    putOptional(o, u"poste"_s, poste);
    putOptional(o, u"telephone"_s, telephone);
    return o;
}

namespace {

std::optional<qint64> optionalWhole(JsonScanner &s)
{
    switch (s.peek()) {
    case JsonScanner::Token::Null:
        s.readNull();
        return std::nullopt;
    case JsonScanner::Token::Number:
        if (const auto value = s.readWholeNumber())
            return value;
        break;
    default:
        break;
    }
    throw DecodingError(DecodingError::WrongType);
}

std::optional<QString> optionalText(JsonScanner &s)
{
    if (s.peek() == JsonScanner::Token::Null) {
        s.readNull();
        return std::nullopt;
    }
    if (s.peek() != JsonScanner::Token::String)
        throw DecodingError(DecodingError::WrongType);
    return s.readString();
}

Ticket scanTicket(JsonScanner &s, QHash<QByteArrayView, QString> &pool)
{
    Ticket t;
    bool hasId = false;
    s.enterObject();
    QByteArrayView key;
    while (s.nextMember(&key)) {
        if (key == "id") {
            const auto id = optionalWhole(s);
            hasId = id.has_value();
            t.id = id.value_or(0);
        } else if (key == "user_id") {
            t.userId = optionalWhole(s);
        } else if (key == "capture_base64") {
            if (s.peek() == JsonScanner::Token::String) {
                t.captureBase64 = s.readLatin1();
            } else {
                optionalText(s); // null, or throws on any other type
                t.captureBase64.reset();
            }
        } else {
            struct Text
            {
                const char *key;
                std::optional<QString> Ticket::*field;
                bool pooled; // a vocabulary word or the author: repeats across the list
            };
            static constexpr Text texts[] { { "titre", &Ticket::titre, false },
                { "description", &Ticket::description, false }, { "priorite", &Ticket::priorite, true },
                { "status", &Ticket::status, true }, { "created_at", &Ticket::createdAt, false },
                { "message", &Ticket::message, false }, { "nom", &Ticket::nom, true },
                { "prenom", &Ticket::prenom, true }, { "societe", &Ticket::societe, true },
                { "poste", &Ticket::poste, true }, { "telephone", &Ticket::telephone, true } };
            const auto text = std::find_if(
                std::begin(texts), std::end(texts), [&key](const Text &entry) { return key == entry.key; });
            if (text == std::end(texts))
                s.skipValue();
            else if (text->pooled && s.peek() == JsonScanner::Token::String)
                t.*(text->field) = s.readPooledString(pool);
            else
                t.*(text->field) = optionalText(s);
        }
    }
    if (!hasId)
        throw DecodingError(DecodingError::MissingKey);
    return t;
}

// The administrator list can be megabytes: decode it straight from the bytes.
// Whatever this quick pass does not accept goes through the document reader,
// which alone decides on the error, so both paths agree on every reply.
std::optional<TicketResponse> scanTicketResponse(QByteArrayView body)
{
    try {
        JsonScanner s(body);
        TicketResponse response;
        QHash<QByteArrayView, QString> pool;
        bool hasSuccess = false, hasTickets = false;
        s.enterObject();
        QByteArrayView key;
        while (s.nextMember(&key)) {
            if (key == "success") {
                response.success = s.readBool();
                hasSuccess = true;
            } else if (key == "tickets") {
                response.tickets.clear(); // a repeated key: the last one counts
                s.enterArray();
                // Sized once: growing ten thousand tickets doubles the storage
                // and holds the old and the new block at once while moving.
                // A count that would take more than twice the body (a list of
                // empty elements) is no list of tickets: it grows as it reads.
                const qsizetype count = s.countElements();
                if (count <= 2 * body.size() / qsizetype(sizeof(Ticket)))
                    response.tickets.reserve(count);
                while (s.nextElement())
                    response.tickets.append(scanTicket(s, pool));
                hasTickets = true;
            } else {
                s.skipValue();
            }
        }
        s.expectEnd();
        if (hasSuccess && hasTickets)
            return response;
    } catch (const DecodingError &) { }
    return std::nullopt;
}

} // namespace

TicketResponse TicketResponse::decode(const QByteArray &body)
{
    if (auto scanned = scanTicketResponse(body))
        return std::move(*scanned);
    return decodeDocument(body);
}

std::optional<TicketResponse> TicketResponse::scan(QByteArrayView body)
{
    return scanTicketResponse(body);
}

TicketResponse TicketResponse::decodeDocument(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    TicketResponse response;
    response.success = r.requiredBool(u"success");
    response.tickets
        = r.requiredList<Ticket>(u"tickets", [](const JsonReader &e) { return Ticket::fromJson(e); });
    return response;
}

QJsonObject TicketResponse::toJson() const
{
    return { { u"success"_s, success }, { u"tickets"_s, toArray(tickets) } };
}

UserTicket UserTicket::fromJson(const JsonReader &r)
{
    UserTicket t;
    t.id = r.requiredInteger(u"id");
    t.titre = r.requiredString(u"titre");
    t.description = r.requiredString(u"description");
    t.priorite = r.requiredString(u"priorite");
    t.status = r.requiredString(u"status");
    t.createdAt = r.requiredString(u"created_at");
    t.closedAt = r.optionalString(u"closed_at");
    t.closeMessage = r.optionalString(u"close_message");
    return t;
}

QJsonObject UserTicket::toJson() const
{
    QJsonObject o { { u"id"_s, id }, { u"titre"_s, titre }, { u"description"_s, description },
        { u"priorite"_s, priorite }, { u"status"_s, status }, { u"created_at"_s, createdAt } };
    putOptional(o, u"closed_at"_s, closedAt);
    putOptional(o, u"close_message"_s, closeMessage);
    return o;
}

MyTicketsResponse MyTicketsResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    MyTicketsResponse response;
    response.success = r.requiredBool(u"success");
    response.tickets
        = r.requiredList<UserTicket>(u"tickets", [](const JsonReader &e) { return UserTicket::fromJson(e); });
    return response;
}

QJsonObject MyTicketsResponse::toJson() const
{
    return { { u"success"_s, success }, { u"tickets"_s, toArray(tickets) } };
}

Company Company::fromJson(const JsonReader &r)
{
    return { r.requiredInteger(u"id"), r.requiredString(u"nom"), r.requiredString(u"code") };
}

QJsonObject Company::toJson() const
{
    return { { u"id"_s, id }, { u"nom"_s, nom }, { u"code"_s, code } };
}

CompanyListResponse CompanyListResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    CompanyListResponse response;
    response.success = r.requiredBool(u"success");
    response.companies
        = r.requiredList<Company>(u"companies", [](const JsonReader &e) { return Company::fromJson(e); });
    return response;
}

QJsonObject CompanyListResponse::toJson() const
{
    return { { u"success"_s, success }, { u"companies"_s, toArray(companies) } };
}

CheckPosteResponse CheckPosteResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    CheckPosteResponse response;
    response.exists = r.requiredBool(u"exists");
    if (const auto user = r.optionalObject(u"user")) {
        const JsonReader u(*user, u"user"_s);
        response.user = UserData { u.requiredString(u"nom"), u.requiredString(u"prenom"),
            u.optionalString(u"societe"), u.optionalString(u"telephone") };
    }
    return response;
}

QJsonObject CheckPosteResponse::toJson() const
{
    QJsonObject o { { u"exists"_s, exists } };
    if (user) {
        QJsonObject u { { u"nom"_s, user->nom }, { u"prenom"_s, user->prenom } };
        putOptional(u, u"societe"_s, user->societe);
        putOptional(u, u"telephone"_s, user->telephone);
        o.insert(u"user"_s, u);
    }
    return o;
}

UserDetailData UserDetailData::fromJson(const JsonReader &r)
{
    UserDetailData d;
    d.id = r.requiredInteger(u"id");
    d.companyId = r.requiredInteger(u"company_id");
    d.poste = r.requiredString(u"poste");
    d.nom = r.requiredString(u"nom");
    d.prenom = r.requiredString(u"prenom");
    d.telephone = r.requiredString(u"telephone");
    d.societe = r.requiredString(u"societe");
    d.companyCode = r.requiredString(u"company_code");
    return d;
}

QJsonObject UserDetailData::toJson() const
{
    return { { u"id"_s, id }, { u"company_id"_s, companyId }, { u"poste"_s, poste }, { u"nom"_s, nom },
        { u"prenom"_s, prenom }, { u"telephone"_s, telephone }, { u"societe"_s, societe },
        { u"company_code"_s, companyCode } };
}

GetUserByPosteResponse GetUserByPosteResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    GetUserByPosteResponse response;
    response.success = r.requiredBool(u"success");
    if (const auto user = r.optionalObject(u"user"))
        response.user = UserDetailData::fromJson(JsonReader(*user, u"user"_s));
    response.message = r.optionalString(u"message");
    return response;
}

QJsonObject GetUserByPosteResponse::toJson() const
{
    QJsonObject o { { u"success"_s, success } };
    if (user)
        o.insert(u"user"_s, user->toJson());
    putOptional(o, u"message"_s, message);
    return o;
}

RegisterUserResponse RegisterUserResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    return { r.requiredBool(u"success"), r.requiredInteger(u"user_id"), r.requiredString(u"message") };
}

QJsonObject RegisterUserResponse::toJson() const
{
    return { { u"success"_s, success }, { u"user_id"_s, userId }, { u"message"_s, message } };
}

RegisterErrorResponse RegisterErrorResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    return { r.requiredString(u"error") };
}

QJsonObject RegisterErrorResponse::toJson() const
{
    return { { u"error"_s, error } };
}

CreateCompanyResponse CreateCompanyResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    return { r.requiredBool(u"success"), r.requiredInteger(u"company_id"), r.requiredString(u"message") };
}

QJsonObject CreateCompanyResponse::toJson() const
{
    return { { u"success"_s, success }, { u"company_id"_s, companyId }, { u"message"_s, message } };
}

CreateTicketResponse CreateTicketResponse::decode(const QByteArray &body)
{
    const JsonReader r(JsonReader::parseObject(body));
    return { r.requiredBool(u"success"), r.requiredInteger(u"ticket_id") };
}

QJsonObject CreateTicketResponse::toJson() const
{
    return { { u"success"_s, success }, { u"ticket_id"_s, ticketId } };
}
