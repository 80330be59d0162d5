#include "errors.h"

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
    return u"L'opération n'a pas pu être effectuée."_s;
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
    return code == BadURL ? u"L'adresse du serveur est incorrecte."_s
                          : u"Le serveur a renvoyé une réponse incorrecte."_s;
}

DecodingError::DecodingError(Kind errorKind, QString errorKey)
    : kind(errorKind)
    , key(std::move(errorKey))
{ }

QString DecodingError::description() const
{
    switch (kind) {
    case MissingKey:
        return u"Les données n'ont pas pu être lues car la valeur « %1 » est manquante."_s.arg(key);
    case WrongType:
        return u"Les données n'ont pas pu être lues car la valeur « %1 » n'est pas du type attendu."_s.arg(
            key);
    case Malformed:
        break;
    }
    return u"Les données n'ont pas pu être lues car elles ne sont pas au bon format."_s;
}
