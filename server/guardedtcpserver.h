#pragma once

#include "connectionguard.h"

#include <QTcpServer>

// The listening socket under the HTTP server: puts a ConnectionGuard on every
// connection before the HTTP server gets to see it, and turns off Nagle's
// delay so small replies and pushes leave at once.
class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedTcpServer(const ConnectionGuard::Limits &limits, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    ConnectionGuard::Limits m_limits;
};
