#pragma once

// What the route files share to build their answers.
#include "apiroutes.h"

#include <QJsonDocument>
#include <QJsonObject>

// A request the server will not act on: becomes a 400 with its text.
struct BadRequest
{
    QString message;
};

inline QByteArray compactJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

inline ApiRoutes::Reply okReply(const QJsonObject &object)
{
    return { 200, compactJson(object), {}, 0 };
}
