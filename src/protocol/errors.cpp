#include "errors.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

const char *NorvikError::what() const noexcept
{
    m_what = description().toUtf8();
    return m_what.constData();
}

APIError::APIError(qint64 code, QString text)
    : statusCode(code)
    , message(std::move(text))
{ }

QString APIError::description() const
{
    return QCoreApplication::translate("APIError", "L'opération n'a pas pu être effectuée.");
}

DomainError::DomainError(QString errorDomain, int errorCode, QString text)
    : domain(std::move(errorDomain))
    , code(errorCode)
    , descriptionText(std::move(text))
{ }

TransportError::TransportError(int error, QString errorText)
    : networkError(error)
    , text(std::move(errorText))
{ }

URLError::URLError(Code errorCode)
    : code(errorCode)
{ }

QString URLError::description() const
{
    return code == BadURL
        ? QCoreApplication::translate("URLError", "L'adresse du serveur est incorrecte.")
        : QCoreApplication::translate("URLError", "Le serveur a renvoyé une réponse incorrecte.");
}

DecodingError::DecodingError(Kind errorKind, QString errorKey)
    : kind(errorKind)
    , key(std::move(errorKey))
{ }

QString DecodingError::description() const
{
    switch (kind) {
    case MissingKey:
        return QCoreApplication::translate(
            "DecodingError", "Les données n'ont pas pu être lues car la valeur « %1 » est manquante.")
            .arg(key);
    case WrongType:
        return QCoreApplication::translate("DecodingError",
            "Les données n'ont pas pu être lues car la valeur « %1 » n'est pas du type attendu.")
            .arg(key);
    case Malformed:
        break;
    }
    return QCoreApplication::translate(
        "DecodingError", "Les données n'ont pas pu être lues car elles ne sont pas au bon format.");
}
