#include "errortext.h"

#include "protocol/errors.h"

using namespace Qt::StringLiterals;

QString errorDescription(const std::exception &error)
{
    if (const auto *client = dynamic_cast<const NorvikError *>(&error))
        return client->description();
    return QString::fromUtf8(error.what());
}

QString errorTextualForm(const NorvikError &error)
{
    if (const auto *api = dynamic_cast<const APIError *>(&error))
        return u"APIError(statusCode: %1, message: \"%2\")"_s.arg(api->statusCode).arg(api->message);
    if (const auto *domain = dynamic_cast<const DomainError *>(&error))
        return u"Error Domain=%1 Code=%2 \"%3\""_s.arg(domain->domain)
            .arg(domain->code)
            .arg(domain->descriptionText);
    if (const auto *transport = dynamic_cast<const TransportError *>(&error))
        return u"TransportError(code: %1, \"%2\")"_s.arg(transport->networkError).arg(transport->text);
    if (const auto *url = dynamic_cast<const URLError *>(&error))
        return u"URLError(code: %1, \"%2\")"_s.arg(int(url->code)).arg(url->description());
    if (const auto *decoding = dynamic_cast<const DecodingError *>(&error)) {
        static const char *const kinds[] = { "dataCorrupted", "keyNotFound", "typeMismatch" };
        return u"DecodingError.%1(key: \"%2\", \"%3\")"_s.arg(QString::fromLatin1(kinds[decoding->kind]))
            .arg(decoding->key)
            .arg(decoding->description());
    }
    return error.description();
}
