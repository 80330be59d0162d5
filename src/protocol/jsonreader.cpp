#include "jsonreader.h"

#include "errors.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

JsonReader::JsonReader(const QJsonObject &object, QString path)
    : m_object(object)
    , m_path(std::move(path))
{ }

QString JsonReader::member(QStringView key) const
{
    return m_path.isEmpty() ? key.toString() : m_path + u'.' + key;
}

void JsonReader::throwWrongType(const QString &path)
{
    throw DecodingError(DecodingError::WrongType, path);
}

// A required member: missing and null are both "missing".
QJsonValue JsonReader::present(QStringView key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        throw DecodingError(DecodingError::MissingKey, member(key));
    return value;
}

std::optional<qint64> JsonReader::wholeNumber(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Integers that the parser kept exact come back unchanged; a double counts
    // only when it has no fraction and fits.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2e18 || d > 9.2e18)
        return std::nullopt;
    return static_cast<qint64>(d);
}

qint64 JsonReader::requiredInteger(QStringView key) const
{
    const auto number = wholeNumber(present(key));
    if (!number)
        throwWrongType(member(key));
    return *number;
}

std::optional<qint64> JsonReader::optionalInteger(QStringView key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const auto number = wholeNumber(value);
    if (!number)
        throwWrongType(member(key));
    return number;
}

QString JsonReader::requiredString(QStringView key) const
{
    const QJsonValue value = present(key);
    if (!value.isString())
        throwWrongType(member(key));
    return value.toString();
}

std::optional<QString> JsonReader::optionalString(QStringView key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        throwWrongType(member(key));
    return value.toString();
}

std::optional<QByteArray> JsonReader::optionalLatin1(QStringView key) const
{
    const auto text = optionalString(key);
    if (!text)
        return std::nullopt;
    return text->toLatin1();
}

bool JsonReader::requiredBool(QStringView key) const
{
    const QJsonValue value = present(key);
    if (!value.isBool())
        throwWrongType(member(key));
    return value.toBool();
}

std::optional<QJsonObject> JsonReader::optionalObject(QStringView key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isObject())
        throwWrongType(member(key));
    return value.toObject();
}

QJsonArray JsonReader::requiredArray(QStringView key) const
{
    const QJsonValue value = present(key);
    if (!value.isArray())
        throwWrongType(member(key));
    return value.toArray();
}

QJsonObject JsonReader::parseObject(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw DecodingError(DecodingError::Malformed);
    return document.object();
}
