#include "singleinstance.h"

#include "log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
constexpr std::pair<SingleInstance::Request, const char *> RequestNames[] = {
    { SingleInstance::Request::NewTicket, "new-ticket" },
    { SingleInstance::Request::NewTicketWithCapture, "new-ticket-capture" },
    { SingleInstance::Request::MyTickets, "my-tickets" },
};
} // namespace

QString SingleInstance::requestName(Request request)
{
    for (const auto &[known, name] : RequestNames)
        if (known == request)
            return QString::fromLatin1(name);
    return {};
}

std::optional<SingleInstance::Request> SingleInstance::requestFromName(const QString &name)
{
    for (const auto &[known, word] : RequestNames)
        if (name == QLatin1StringView(word))
            return known;
    return std::nullopt;
}

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{ }

SingleInstance::Role SingleInstance::claim(const QString &activationToken, Request request)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        logLine(u"⚠️ Pas de bus de session : instance unique non vérifiée"_s);
        return Role::Alone;
    }
    const QString service = QString::fromLatin1(ServiceName);
    const QString path = QString::fromLatin1(ObjectPath);
    // The object is exported before the name is taken, so a second start that
    // sees the name can always reach Activate.
    bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        service, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::Primary;
    bus.unregisterObject(path);

    // A plain start keeps to Activate, which every running version answers.
    const bool plain = request == Request::Activate;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QString::fromLatin1(ServiceName), plain ? u"Activate"_s : u"Open"_s);
    if (!plain)
        call << requestName(request);
    call << activationToken;
    const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        logLine(u"❌ L'instance déjà lancée ne répond pas : "_s + answer.errorMessage());
        return Role::Failed;
    }
    return Role::Secondary;
}

void SingleInstance::Activate(const QString &activationToken)
{
    Q_EMIT activationRequested(activationToken);
}

void SingleInstance::Open(const QString &request, const QString &activationToken)
{
    // Anything on the session bus may call: only the known words act.
    const std::optional<Request> known = requestFromName(request);
    if (!known) {
        logLine(u"⚠️ Demande inconnue d'un autre lancement ignorée : "_s + request.left(64));
        return;
    }
    Q_EMIT openRequested(*known, activationToken);
}
