#pragma once

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>

// One HTTP exchange of a test with a server, waited for.
struct RestAnswer
{
    int status = 0; // 0: no answer in time
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

inline RestAnswer restCall(QNetworkAccessManager &network, const QNetworkRequest &request,
    const QByteArray &method = "GET", const QByteArray &body = {})
{
    QNetworkReply *reply = network.sendCustomRequest(request, method, body);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    RestAnswer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
        {} };
    for (const auto &[name, value] : reply->rawHeaderPairs())
        answer.headers.insert(name.toLower(), value);
    reply->deleteLater();
    return answer;
}
