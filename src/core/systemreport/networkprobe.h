#pragma once

#include "systemreport.h"

#include <QObject>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

// The network section: interfaces up and their addresses, whether the
// server's host resolves, how long the server's GET /healthz takes, and the
// proxy that applies to it. The lookup and the request each stop at
// timeoutMs; nothing waits on the main thread.
namespace NetworkProbe {

void run(QNetworkAccessManager &network, const QUrl &server, int timeoutMs, QObject *context,
    std::function<void(const ReportPart &)> done);

// "eth0 : 192.168.1.4/24, fe80::1/64" for each interface up, loopback aside.
QStringList interfaces();
// The proxy a request to server goes through, or "aucun".
QString proxyFor(const QUrl &server);

} // namespace NetworkProbe
