// The report of the user's machine a ticket may carry, in accounts mode: sent
// with the ticket, read by the staff and by the ticket's author.
#include "protocol/jsonreader.h"
#include "routereplies.h"
#include "store.h"
#include "storeerror.h"

using namespace Qt::StringLiterals;

namespace {

// Far above what the client collects; a ceiling that keeps one ticket from
// filling the database.
constexpr qsizetype MaxReportBytes = 64 * 1024;

} // namespace

std::optional<QByteArray> ApiRoutes::attachedReport(const JsonReader &body) const
{
    // A server that cannot tell users apart keeps nothing more than it did.
    if (m_mode != AuthMode::Accounts)
        return std::nullopt;
    const std::optional<QJsonObject> report = body.optionalObject(u"system_report");
    if (!report)
        return std::nullopt;
    QByteArray json = compactJson(*report);
    if (json.size() > MaxReportBytes)
        throw TooLarge { u"Rapport système trop volumineux (64 Kio au plus)"_s };
    return json;
}

ApiRoutes::Reply ApiRoutes::ticketReport(const Request &request)
{
    const qint64 ticketId = queryInteger(request.query, u"ticket_id"_s);
    const std::optional<Store::AttachedReport> attached = m_store.systemReport(ticketId);
    if (!attached)
        throw StoreError(StoreError::NotFound, u"Ticket introuvable"_s);
    if (request.caller.kind != Caller::Staff && !request.caller.isUser(attached->authorId))
        throw Forbidden {};
    QJsonValue report;
    if (attached->json)
        report = QJsonDocument::fromJson(*attached->json).object();
    return okReply(QJsonObject { { u"success"_s, true }, { u"system_report"_s, report } });
}
