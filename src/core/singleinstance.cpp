#include "singleinstance.h"

#include "log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

using namespace Qt::StringLiterals;

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{ }

SingleInstance::Role SingleInstance::claim(const QString &activationToken)
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

    QDBusMessage call
        = QDBusMessage::createMethodCall(service, path, QString::fromLatin1(ServiceName), u"Activate"_s);
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
