#include "records.h"

#include "errors.h"
#include "jsonreader.h"
#include "jsonscanner.h"

#include <QCoreApplication>
#include <tuple>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

// One JSON key of a record and the member it fills.
template<typename Record, typename Value>
struct Field
{
    const char16_t *key;
    Value Record::*member;
};
// Spelt out for compilers that deduce no aggregate's arguments (clang before 17).
template<typename Record, typename Value>
Field(const char16_t *, Value Record::*) -> Field<Record, Value>;

// Each record's keys, named once: reading and writing both walk this table,
// reading in its order, which decides the fault a broken reply reports.
template<typename Record>
constexpr auto fieldsOf = nullptr;
template<>
constexpr auto fieldsOf<Ticket> = std::tuple { Field { u"id", &Ticket::id },
    Field { u"user_id", &Ticket::userId }, Field { u"titre", &Ticket::titre },
    Field { u"description", &Ticket::description }, Field { u"priorite", &Ticket::priorite },
    Field { u"status", &Ticket::status }, Field { u"capture_base64", &Ticket::captureBase64 },
    Field { u"created_at", &Ticket::createdAt }, Field { u"message", &Ticket::message },
    Field { u"nom", &Ticket::nom }, Field { u"prenom", &Ticket::prenom },
    Field { u"societe", &Ticket::societe }, Field { u"poste", &Ticket::poste },
    Field { u"telephone", &Ticket::telephone }, Field { u"unread_messages", &Ticket::unreadMessages } };
template<>
constexpr auto fieldsOf<TicketResponse> = std::tuple { Field { u"success", &TicketResponse::success },
    Field { u"tickets", &TicketResponse::tickets } };
template<>
constexpr auto fieldsOf<UserTicket> = std::tuple { Field { u"id", &UserTicket::id },
    Field { u"titre", &UserTicket::titre }, Field { u"description", &UserTicket::description },
    Field { u"priorite", &UserTicket::priorite }, Field { u"status", &UserTicket::status },
    Field { u"created_at", &UserTicket::createdAt }, Field { u"closed_at", &UserTicket::closedAt },
    Field { u"close_message", &UserTicket::closeMessage },
    Field { u"unread_messages", &UserTicket::unreadMessages } };
template<>
constexpr auto fieldsOf<MyTicketsResponse> = std::tuple { Field { u"success", &MyTicketsResponse::success },
    Field { u"tickets", &MyTicketsResponse::tickets } };
template<>
constexpr auto fieldsOf<Company> = std::tuple { Field { u"id", &Company::id },
    Field { u"nom", &Company::nom }, Field { u"code", &Company::code } };
template<>
constexpr auto fieldsOf<CompanyListResponse> = std::tuple { Field {
                                                                u"success", &CompanyListResponse::success },
    Field { u"companies", &CompanyListResponse::companies } };
using UserData = CheckPosteResponse::UserData;
template<>
constexpr auto fieldsOf<UserData> = std::tuple { Field { u"nom", &UserData::nom },
    Field { u"prenom", &UserData::prenom }, Field { u"societe", &UserData::societe },
    Field { u"telephone", &UserData::telephone } };
template<>
constexpr auto fieldsOf<CheckPosteResponse> = std::tuple { Field { u"exists", &CheckPosteResponse::exists },
    Field { u"user", &CheckPosteResponse::user } };
template<>
constexpr auto fieldsOf<UserDetailData> = std::tuple { Field { u"id", &UserDetailData::id },
    Field { u"company_id", &UserDetailData::companyId }, Field { u"poste", &UserDetailData::poste },
    Field { u"nom", &UserDetailData::nom }, Field { u"prenom", &UserDetailData::prenom },
    Field { u"telephone", &UserDetailData::telephone }, Field { u"societe", &UserDetailData::societe },
    Field { u"company_code", &UserDetailData::companyCode } };
template<>
constexpr auto fieldsOf<GetUserByPosteResponse> = std::tuple {
    Field { u"success", &GetUserByPosteResponse::success }, Field { u"user", &GetUserByPosteResponse::user },
    Field { u"message", &GetUserByPosteResponse::message }
};
template<>
constexpr auto fieldsOf<RegisterUserResponse> = std::tuple {
    Field { u"success", &RegisterUserResponse::success }, Field { u"user_id", &RegisterUserResponse::userId },
    Field { u"message", &RegisterUserResponse::message }
};
template<>
constexpr auto fieldsOf<RegisterErrorResponse> = std::tuple { Field {
    u"error", &RegisterErrorResponse::error } };
template<>
constexpr auto fieldsOf<CreateCompanyResponse> = std::tuple { Field { u"success",
                                                                  &CreateCompanyResponse::success },
    Field { u"company_id", &CreateCompanyResponse::companyId },
    Field { u"message", &CreateCompanyResponse::message } };
template<>
constexpr auto fieldsOf<CreateTicketResponse> = std::tuple { Field {
                                                                 u"success", &CreateTicketResponse::success },
    Field { u"ticket_id", &CreateTicketResponse::ticketId } };
template<>
constexpr auto fieldsOf<ConversationMessage> = std::tuple { Field { u"id", &ConversationMessage::id },
    Field { u"ticket_id", &ConversationMessage::ticketId }, Field { u"sender", &ConversationMessage::sender },
    Field { u"sender_name", &ConversationMessage::senderName },
    Field { u"message", &ConversationMessage::message },
    Field { u"created_at", &ConversationMessage::createdAt } };
template<>
constexpr auto fieldsOf<MessagesResponse> = std::tuple { Field { u"success", &MessagesResponse::success },
    Field { u"messages", &MessagesResponse::messages } };
template<>
constexpr auto fieldsOf<SendMessageResponse> = std::tuple { Field {
                                                                u"success", &SendMessageResponse::success },
    Field { u"message_id", &SendMessageResponse::messageId } };

template<typename T, template<typename...> typename Of>
constexpr bool isA = false;
template<typename... Arguments, template<typename...> typename Of>
constexpr bool isA<Of<Arguments...>, Of> = true;

template<typename Record>
Record readRecord(const JsonReader &r);
template<typename Record>
QJsonObject writeRecord(const Record &record);

// What a member holds decides how it is read: nested records report their
// faults under their key.
template<typename Value>
void read(const JsonReader &r, QStringView key, Value &value)
{
    if constexpr (std::is_same_v<Value, qint64>)
        value = r.requiredInteger(key);
    else if constexpr (std::is_same_v<Value, std::optional<qint64>>)
        value = r.optionalInteger(key);
    else if constexpr (std::is_same_v<Value, bool>)
        value = r.requiredBool(key);
    else if constexpr (std::is_same_v<Value, QString>)
        value = r.requiredString(key);
    else if constexpr (std::is_same_v<Value, std::optional<QString>>)
        value = r.optionalString(key);
    else if constexpr (std::is_same_v<Value, std::optional<QByteArray>>)
        value = r.optionalLatin1(key);
    else if constexpr (isA<Value, QList>)
        value = r.requiredList<typename Value::value_type>(
            key, [](const JsonReader &e) { return readRecord<typename Value::value_type>(e); });
    else if (const auto object = r.optionalObject(key))
        value = readRecord<typename Value::value_type>(JsonReader(*object, key.toString()));
}

// A capture travels as ASCII text; a missing optional member is left out.
template<typename Value>
QJsonValue encode(const Value &value)
{
    if constexpr (std::is_same_v<Value, QByteArray>) {
        return QString::fromLatin1(value);
    } else if constexpr (isA<Value, QList>) {
        QJsonArray array;
        for (const auto &record : value)
            array.append(writeRecord(record));
        return array;
    } else if constexpr (std::is_class_v<Value> && !std::is_same_v<Value, QString>) {
        return writeRecord(value);
    } else {
        return value;
    }
}

template<typename Record>
Record readRecord(const JsonReader &r)
{
    Record record;
    std::apply(
        [&](const auto &...field) { (read(r, field.key, record.*field.member), ...); }, fieldsOf<Record>);
    return record;
}

template<typename Record>
QJsonObject writeRecord(const Record &record)
{
    QJsonObject o;
    const auto put = [&o, &record](const auto &field) {
        const auto &value = record.*field.member;
        if constexpr (isA<std::remove_cvref_t<decltype(value)>, std::optional>) {
            if (value)
                o.insert(QStringView(field.key), encode(*value));
        } else {
            o.insert(QStringView(field.key), encode(value));
        }
    };
    std::apply([&put](const auto &...field) { (put(field), ...); }, fieldsOf<Record>);
    return o;
}

template<typename Record>
Record decodeBody(const QByteArray &body)
{
    return readRecord<Record>(JsonReader(JsonReader::parseObject(body)));
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
    return readRecord<Ticket>(r);
}

Ticket Ticket::fromJson(const QJsonObject &object)
{
    return fromJson(JsonReader(object));
}

QJsonObject Ticket::toJson() const
{
    return writeRecord(*this);
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
        } else if (key == "unread_messages") {
            t.unreadMessages = optionalWhole(s);
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
    return decodeBody<TicketResponse>(body);
}

QJsonObject TicketResponse::toJson() const
{
    return writeRecord(*this);
}

UserTicket UserTicket::fromJson(const JsonReader &r)
{
    return readRecord<UserTicket>(r);
}

QJsonObject UserTicket::toJson() const
{
    return writeRecord(*this);
}

MyTicketsResponse MyTicketsResponse::decode(const QByteArray &body)
{
    return decodeBody<MyTicketsResponse>(body);
}

QJsonObject MyTicketsResponse::toJson() const
{
    return writeRecord(*this);
}

Company Company::fromJson(const JsonReader &r)
{
    return readRecord<Company>(r);
}

QJsonObject Company::toJson() const
{
    return writeRecord(*this);
}

CompanyListResponse CompanyListResponse::decode(const QByteArray &body)
{
    return decodeBody<CompanyListResponse>(body);
}

QJsonObject CompanyListResponse::toJson() const
{
    return writeRecord(*this);
}

CheckPosteResponse CheckPosteResponse::decode(const QByteArray &body)
{
    return decodeBody<CheckPosteResponse>(body);
}

QJsonObject CheckPosteResponse::toJson() const
{
    return writeRecord(*this);
}

UserDetailData UserDetailData::fromJson(const JsonReader &r)
{
    return readRecord<UserDetailData>(r);
}

QJsonObject UserDetailData::toJson() const
{
    return writeRecord(*this);
}

GetUserByPosteResponse GetUserByPosteResponse::decode(const QByteArray &body)
{
    return decodeBody<GetUserByPosteResponse>(body);
}

QJsonObject GetUserByPosteResponse::toJson() const
{
    return writeRecord(*this);
}

RegisterUserResponse RegisterUserResponse::decode(const QByteArray &body)
{
    return decodeBody<RegisterUserResponse>(body);
}

QJsonObject RegisterUserResponse::toJson() const
{
    return writeRecord(*this);
}

RegisterErrorResponse RegisterErrorResponse::decode(const QByteArray &body)
{
    return decodeBody<RegisterErrorResponse>(body);
}

QJsonObject RegisterErrorResponse::toJson() const
{
    return writeRecord(*this);
}

CreateCompanyResponse CreateCompanyResponse::decode(const QByteArray &body)
{
    return decodeBody<CreateCompanyResponse>(body);
}

QJsonObject CreateCompanyResponse::toJson() const
{
    return writeRecord(*this);
}

CreateTicketResponse CreateTicketResponse::decode(const QByteArray &body)
{
    return decodeBody<CreateTicketResponse>(body);
}

QJsonObject CreateTicketResponse::toJson() const
{
    return writeRecord(*this);
}

ConversationMessage ConversationMessage::fromJson(const JsonReader &r)
{
    return readRecord<ConversationMessage>(r);
}

QJsonObject ConversationMessage::toJson() const
{
    return writeRecord(*this);
}

MessagesResponse MessagesResponse::decode(const QByteArray &body)
{
    return decodeBody<MessagesResponse>(body);
}

QJsonObject MessagesResponse::toJson() const
{
    return writeRecord(*this);
}

SendMessageResponse SendMessageResponse::decode(const QByteArray &body)
{
    return decodeBody<SendMessageResponse>(body);
}

QJsonObject SendMessageResponse::toJson() const
{
    return writeRecord(*this);
}
