#include "guardedtcpserver.h"

#include <QTcpSocket>
#include <unistd.h>

GuardedTcpServer::GuardedTcpServer(const ConnectionGuard::Limits &limits, QObject *parent)
    : QTcpServer(parent)
    , m_limits(limits)
{ }

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor)); // the descriptor is still ours to release
        return;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    new ConnectionGuard(socket, m_limits);
    addPendingConnection(socket);
}
