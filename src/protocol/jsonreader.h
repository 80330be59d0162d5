#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// Strict reading of JSON members: a required member that is missing, null or
// of another type throws DecodingError; an optional one that is missing or
// null reads as nothing; an integer is a JSON number with a whole value.
class JsonReader
{
public:
    explicit JsonReader(const QJsonObject &object, QString path = {});

    qint64 requiredInteger(QStringView key) const;
    std::optional<qint64> optionalInteger(QStringView key) const;
    QString requiredString(QStringView key) const;
    std::optional<QString> optionalString(QStringView key) const;
    std::optional<QByteArray> optionalLatin1(QStringView key) const;
    bool requiredBool(QStringView key) const;
    std::optional<QJsonObject> optionalObject(QStringView key) const;
    QJsonArray requiredArray(QStringView key) const;

    // Decodes each element of a required array as an object with decode(reader).
    template<typename Record, typename Decode>
    QList<Record> requiredList(QStringView key, Decode decode) const
    {
        const QJsonArray array = requiredArray(key);
        QList<Record> records;
        records.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString elementPath = member(key) + u'[' + QString::number(i) + u']';
            if (!array.at(i).isObject())
                throwWrongType(elementPath);
            records.append(decode(JsonReader(array.at(i).toObject(), elementPath)));
        }
        return records;
    }

    // Parses a whole body; anything but a JSON object throws DecodingError.
    static QJsonObject parseObject(const QByteArray &body);
    // The whole-number test used for every integer member.
    static std::optional<qint64> wholeNumber(const QJsonValue &value);

private:
    QJsonValue present(QStringView key) const;
    QString member(QStringView key) const;
    [[noreturn]] static void throwWrongType(const QString &path);

    QJsonObject m_object;
    QString m_path;
};
