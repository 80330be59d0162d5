#pragma once

#include <QHostAddress>
#include <QTcpServer>

struct Configuration;

// A loopback port that was free a moment ago: nobody listens there yet.
inline quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// The REST client's configuration for any loopback server with apiBase():
// norvik-server (ServerProcess) or HttpTestServer. A template, so that tests
// which do not link the core can still include this header.
template<typename Server, typename Config = Configuration>
Config apiFor(const Server &server)
{
    Config configuration;
    configuration.apiBase = server.apiBase();
    return configuration;
}
