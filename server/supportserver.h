#pragma once

#include "apiroutes.h"
#include "appcast.h"
#include "conversationpushes.h"
#include "serveroptions.h"
#include "store.h"

#include <QAbstractHttpServer>
#include <QTimer>
class WebSocketHub;

// The HTTP front of the server on one port: the REST interface under /api
// and the WebSocket endpoint /norvik-ws (both need the program token; the
// channel is handed to the hub with the identity of its credential), the
// update feed and /healthz for a load balancer. Changes committed through other instances on the same
// database reach this instance's WebSocket clients as if they had been made here.
class SupportServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    SupportServer(const ServerOptions &options, Store &store, QObject *parent = nullptr);
    ~SupportServer() override;

    // Listens as the options say; false with *error when the port is taken.
    bool start(QString *error);
    quint16 port() const { return m_port; }
    // Refuses new connections; those already open carry on.
    void stopListening();
    WebSocketHub *hub() const { return m_hub; }
    // What this instance keeps from the database may be out of date.
    void forgetCachedData() { m_routes.forgetCompanies(); }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    void respond(const QHttpServerRequest &request, QTcpSocket *socket, int status, const QByteArray &body,
        const QByteArray &contentType);
    void respond(const QHttpServerRequest &request, QTcpSocket *socket, const ApiRoutes::Reply &reply,
        const QByteArray &contentType);
    bool hasToken(const QHttpServerRequest &request) const;
    // Whether an upgrade may become a channel connection; answers it 401 if not.
    bool admitUpgrade(const QHttpServerRequest &request, QTcpSocket *socket);
    void adoptConnections();
    void closeEndedSessions();
    static bool isUpgrade(const QHttpServerRequest &request);
    QString baseUrl(const QHttpServerRequest &request) const;
    void pushNewTicket(qint64 ticketId);
    void relay(const Store::Change &change);

    ServerOptions m_options;
    Store &m_store;
    ApiRoutes m_routes;
    Appcast m_appcast;
    WebSocketHub *m_hub;
    ConversationPushes m_conversations;
    Gatekeeper m_gatekeeper;
    // Staff connections whose session expired or ended elsewhere are closed
    // on this beat.
    QTimer m_sessionCheck;
    quint16 m_port = 0;
};
