#pragma once

#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

class JsonReader;

// The records the server sends, decoded strictly by their JSON keys (see
// JsonReader) and encodable back with the same keys. fromJson throws
// DecodingError; decode(bytes) parses a whole reply body first.

// A ticket as the support staff see it (administrator list, detail, pushes).
struct Ticket
{
    qint64 id = 0;
    std::optional<qint64> userId;
    std::optional<QString> titre;
    std::optional<QString> description;
    std::optional<QString> priorite;
    std::optional<QString> status;
    // Kept as the ASCII bytes it travels as: a capture is large, and Base64
    // decoding wants bytes anyway.
    std::optional<QByteArray> captureBase64;
    std::optional<QString> createdAt;
    std::optional<QString> message;
    std::optional<QString> nom;
    std::optional<QString> prenom;
    std::optional<QString> societe;
    std::optional<QString> poste;
    std::optional<QString> telephone;
    // Messages of the author that no member of the staff has read yet; only
    // servers that keep conversations send it.
    std::optional<qint64> unreadMessages;

    // titre untouched when it holds more than white space, else "Sans titre".
    QString displayTitle() const;
    // description, else message, else "Aucun message"; nothing is trimmed.
    QString displayMessage() const;

    static Ticket fromJson(const JsonReader &reader);
    static Ticket fromJson(const QJsonObject &object);
    QJsonObject toJson() const;
    bool operator==(const Ticket &) const = default;
};

struct TicketResponse
{
    bool success = false;
    QList<Ticket> tickets;

    static TicketResponse decode(const QByteArray &body);
    // The two ways decode() takes, apart, so that they can be held to each
    // other: the quick scan straight from the bytes (nothing when it does not
    // take the body), and the document reading, which alone decides errors.
    static std::optional<TicketResponse> scan(QByteArrayView body);
    static TicketResponse decodeDocument(const QByteArray &body);
    QJsonObject toJson() const;
    bool operator==(const TicketResponse &) const = default;
};

// A ticket as its author sees it.
struct UserTicket
{
    qint64 id = 0;
    QString titre;
    QString description;
    QString priorite;
    QString status;
    QString createdAt;
    std::optional<QString> closedAt;
    std::optional<QString> closeMessage;
    // Messages of the support the author has not read yet; only servers that
    // keep conversations send it.
    std::optional<qint64> unreadMessages;

    static UserTicket fromJson(const JsonReader &reader);
    QJsonObject toJson() const;
    bool operator==(const UserTicket &) const = default;
};

struct MyTicketsResponse
{
    bool success = false;
    QList<UserTicket> tickets;

    static MyTicketsResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct Company
{
    qint64 id = 0;
    QString nom;
    QString code;

    static Company fromJson(const JsonReader &reader);
    QJsonObject toJson() const;
    bool operator==(const Company &) const = default;
};

struct CompanyListResponse
{
    bool success = false;
    QList<Company> companies;

    static CompanyListResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct CheckPosteResponse
{
    struct UserData
    {
        QString nom;
        QString prenom;
        std::optional<QString> societe;
        std::optional<QString> telephone;
        bool operator==(const UserData &) const = default;
    };

    bool exists = false;
    std::optional<UserData> user;

    static CheckPosteResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

// The holder of a workstation number, as the settings screen shows it.
struct ExistingUserInfo
{
    QString nom;
    QString prenom;
    QString telephone;
    bool operator==(const ExistingUserInfo &) const = default;
};

struct UserDetailData
{
    qint64 id = 0;
    qint64 companyId = 0;
    QString poste;
    QString nom;
    QString prenom;
    QString telephone;
    QString societe;
    QString companyCode;

    static UserDetailData fromJson(const JsonReader &reader);
    QJsonObject toJson() const;
    bool operator==(const UserDetailData &) const = default;
};

struct GetUserByPosteResponse
{
    bool success = false;
    std::optional<UserDetailData> user;
    std::optional<QString> message;

    static GetUserByPosteResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct RegisterUserResponse
{
    bool success = false;
    qint64 userId = 0;
    QString message;

    static RegisterUserResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

// Body of a 409 reply to registration or company creation.
struct RegisterErrorResponse
{
    QString error;

    static RegisterErrorResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct CreateCompanyResponse
{
    bool success = false;
    qint64 companyId = 0;
    QString message;

    static CreateCompanyResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct CreateTicketResponse
{
    bool success = false;
    qint64 ticketId = 0;

    static CreateTicketResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

// One message of a ticket's conversation. sender is "user" (the ticket's
// author) or "admin" (a member of the staff, named by senderName).
struct ConversationMessage
{
    qint64 id = 0;
    qint64 ticketId = 0;
    QString sender;
    QString senderName;
    QString message;
    QString createdAt;

    bool isFromStaff() const { return sender == u"admin"; }

    static ConversationMessage fromJson(const JsonReader &reader);
    QJsonObject toJson() const;
    bool operator==(const ConversationMessage &) const = default;
};

// A ticket's conversation, oldest message first.
struct MessagesResponse
{
    bool success = false;
    QList<ConversationMessage> messages;

    static MessagesResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

struct SendMessageResponse
{
    bool success = false;
    qint64 messageId = 0;

    static SendMessageResponse decode(const QByteArray &body);
    QJsonObject toJson() const;
};

Q_DECLARE_METATYPE(Ticket)
Q_DECLARE_METATYPE(ConversationMessage)
