#pragma once

#include "configuration.h"
#include "protocol/records.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <optional>
#include <utility>

class QNetworkAccessManager;

// The program's only REST client. Every operation is a coroutine entered and
// resumed on the main thread; it returns its result or throws one of the
// errors of errors.h, never a sentinel.
class APIService : public QObject
{
    Q_OBJECT

public:
    // Replies larger than this are cut off rather than exhausting memory.
    static constexpr qint64 MaxReplyBytes = 256LL * 1024 * 1024;
    static constexpr int TransferTimeoutMs = 60000;
    // How much the network layer may hold for us before it stops reading.
    static constexpr qint64 ReadBufferBytes = 16LL * 1024 * 1024;

    explicit APIService(const Configuration &configuration, QObject *parent = nullptr);
    ~APIService() override;

    QString apiBase() const { return m_apiBase; }
    QNetworkAccessManager *network() const { return m_network; }
    // Tests shorten the 60-second transfer time-out through this.
    void setTransferTimeout(int milliseconds);

    QCoro::Task<std::optional<ExistingUserInfo>> checkPoste(QString poste);
    QCoro::Task<GetUserByPosteResponse> getUserByPoste(qint64 companyId, QString poste);
    QCoro::Task<RegisterUserResponse> registerUser(
        qint64 companyId, QString poste, QString nom, QString prenom, QString telephone);
    QCoro::Task<QList<Company>> getCompanies();
    QCoro::Task<qint64> createCompany(QString nom, QString code);

    QCoro::Task<qint64> createTicket(qint64 userId, QString titre, QString description, QString priorite,
        std::optional<QString> captureBase64);
    QCoro::Task<QList<UserTicket>> getMyTickets(qint64 userId);
    QCoro::Task<QList<Ticket>> getAllTickets();
    QCoro::Task<void> closeTicket(qint64 ticketId, std::optional<QString> closeMessage);

private:
    struct Reply
    {
        std::optional<int> status; // nothing when the answer was no HTTP reply
        QByteArray body;
    };

    QCoro::Task<Reply> get(QString pathAndQuery);
    QCoro::Task<Reply> post(QString path, QJsonObject body);
    QCoro::Task<Reply> send(QByteArray method, QString pathAndQuery, QByteArray body);

    QString m_apiBase;
    QString m_apiToken;
    QNetworkAccessManager *m_network;
    int m_transferTimeout = TransferTimeoutMs;
};
