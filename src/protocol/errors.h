#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Failures of the REST client and of record decoding. Every REST operation
// reports failure by throwing one of these; screens show description().
class NorvikError : public std::exception
{
public:
    ~NorvikError() override = default;
    // The text a screen shows for this failure, in French.
    virtual QString description() const = 0;
    const char *what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// The HTTP status said no. Screens read message after recognising the type;
// the generic description deliberately does not carry it.
class APIError : public NorvikError
{
public:
    APIError(qint64 statusCode, QString message);
    QString description() const override;

    qint64 statusCode;
    QString message;
};

// A failure the client builds itself: domain "APIError" or "server".
class DomainError : public NorvikError
{
public:
    DomainError(QString domain, int code, QString description);
    QString description() const override { return descriptionText; }

    QString domain;
    int code;
    QString descriptionText;
};

// The network layer failed: refused connection, time-out, TLS, redirect...
class TransportError : public NorvikError
{
public:
    TransportError(int networkError, QString text);
    QString description() const override { return text; }

    int networkError; // QNetworkReply::NetworkError
    QString text;
};

// The client could not form a request, or the answer was no HTTP reply.
class URLError : public NorvikError
{
public:
    enum Code { BadURL, BadServerResponse };
    explicit URLError(Code code);
    QString description() const override;

    Code code;
};

// A reply body that is not the expected record.
class DecodingError : public NorvikError
{
public:
    enum Kind { Malformed, MissingKey, WrongType };
    DecodingError(Kind kind, QString key = {});
    QString description() const override;

    Kind kind;
    QString key; // the member at fault, as a dotted path where nested
};
