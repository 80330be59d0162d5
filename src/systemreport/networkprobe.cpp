#include "networkprobe.h"

#include "partassembly.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

void resolve(const QString &host, int timeoutMs, QObject *context, std::shared_ptr<PartAssembly> part)
{
    if (host.isEmpty()) {
        part->set(u"server_host"_s,
            unavailableText(
                QCoreApplication::translate("SystemReport", "adresse du serveur sans nom d'hôte")));
        return;
    }
    const int lookup = QHostInfo::lookupHost(host, context, [host, part](const QHostInfo &info) {
        QStringList addresses;
        for (const QHostAddress &address : info.addresses())
            addresses.append(address.toString());
        part->set(u"server_host"_s,
            info.error() == QHostInfo::NoError
                ? QCoreApplication::translate("SystemReport", "%1 → %2").arg(host, addresses.join(u", "_s))
                : unavailableText(QCoreApplication::translate("SystemReport", "%1 ne se résout pas (%2)")
                                      .arg(host, info.errorString())));
    });
    QTimer::singleShot(timeoutMs, context, [lookup, host, timeoutMs, part] {
        QHostInfo::abortHostLookup(lookup);
        part->set(u"server_host"_s,
            unavailableText(QCoreApplication::translate("SystemReport", "%1 ne se résout pas en %2 ms")
                                .arg(host)
                                .arg(timeoutMs)));
    });
}

void checkHealth(QNetworkAccessManager &network, const QUrl &server, int timeoutMs, QObject *context,
    std::shared_ptr<PartAssembly> part)
{
    QNetworkRequest request(server.resolved(QUrl(u"/healthz"_s)));
    request.setTransferTimeout(timeoutMs);
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = network.get(request);
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, clock, timeoutMs, part] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            // A transfer time-out ends the reply as cancelled.
            const QString reason = reply->error() == QNetworkReply::OperationCanceledError
                ? QCoreApplication::translate("SystemReport", "pas de réponse en %1 ms").arg(timeoutMs)
                : reply->errorString();
            // Flagged first: the last reading in hands the section on.
            part->flag(Trouble::ServerUnreachable);
            part->set(u"server_health"_s, unavailableText(reason));
            return;
        }
        if (status.toInt() != 200)
            part->flag(Trouble::ServerUnreachable);
        part->set(u"server_health"_s,
            QCoreApplication::translate("SystemReport", "HTTP %1 en %2 ms")
                .arg(status.toInt())
                .arg(clock.elapsed()));
    });
    // The reply must not outlive the probe's caller; its end, announced
    // while that caller is half destroyed, must not reach it.
    QObject::connect(context, &QObject::destroyed, reply, [reply, context] {
        QObject::disconnect(reply, nullptr, context, nullptr);
        reply->abort();
        reply->deleteLater();
    });
}

} // namespace

namespace NetworkProbe {

void run(QNetworkAccessManager &network, const QUrl &server, int timeoutMs, QObject *context,
    std::function<void(const ReportPart &)> done)
{
    auto part = PartAssembly::create(QString::fromLatin1(SystemReport::Network),
        { u"interfaces"_s, u"server_host"_s, u"server_health"_s, u"proxy"_s }, std::move(done));
    part->set(u"interfaces"_s, QJsonArray::fromStringList(interfaces()));
    part->set(u"proxy"_s, proxyFor(server));
    resolve(server.host(), timeoutMs, context, part);
    checkHealth(network, server, timeoutMs, context, part);
}

QStringList interfaces()
{
    QStringList lines;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        QStringList addresses;
        for (const QNetworkAddressEntry &entry : interface.addressEntries())
            addresses.append(entry.ip().toString() + u'/' + QString::number(entry.prefixLength()));
        lines.append(interface.humanReadableName() + u" : "_s
            + (addresses.isEmpty() ? QCoreApplication::translate("SystemReport", "sans adresse")
                                   : addresses.join(u", "_s)));
    }
    return lines;
}

QString proxyFor(const QUrl &server)
{
    const QList<QNetworkProxy> proxies
        = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(server));
    for (const QNetworkProxy &proxy : proxies)
        if (proxy.type() != QNetworkProxy::NoProxy && proxy.type() != QNetworkProxy::DefaultProxy)
            return u"%1:%2"_s.arg(proxy.hostName()).arg(proxy.port());
    for (const char *variable : { "https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy" })
        if (const QString value = qEnvironmentVariable(variable); !value.isEmpty()) {
            // A password written into the variable stays on this machine.
            const QUrl url(value);
            return QString::fromLatin1(variable) + u" = "_s
                + (url.isValid() ? url.adjusted(QUrl::RemoveUserInfo).toString() : value);
        }
    return QCoreApplication::translate("SystemReport", "aucun");
}

} // namespace NetworkProbe
