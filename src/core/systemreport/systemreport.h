#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// What a report flags for the staff's attention, as sent.
namespace Trouble {
inline constexpr auto DiskFull = "disk_full"; // a disk more than 90 % full
inline constexpr auto PrintQueueStopped = "print_queue_stopped";
inline constexpr auto FailedUnit = "failed_unit";
inline constexpr auto ServerUnreachable = "server_unreachable";
} // namespace Trouble

// One reading: a text, or an array of texts for what has many lines.
struct ReportField
{
    QString key;
    QJsonValue value;
    bool operator==(const ReportField &) const = default;
};

// One section of the report: its readings in the order they are shown and
// the trouble they point at. A reading that could not be made is kept as
// the one line "Indisponible : <raison>".
struct ReportPart
{
    QString key;
    QList<ReportField> fields;
    QStringList trouble;

    void add(const QString &fieldKey, const QJsonValue &value) { fields.append({ fieldKey, value }); }
    void flag(const char *troubleKey);
    QJsonValue value(const QString &fieldKey) const;
    bool operator==(const ReportPart &) const = default;

    // A section that could not be read at all, with the reason.
    static ReportPart unavailable(const QString &key, const QString &reason);
};

// "Indisponible : <reason>", the line of whatever could not be read.
QString unavailableText(const QString &reason);

// The machine's state as a ticket carries it: five sections ("system",
// "load", "network", "printing", "errors"), each an object of its readings
// plus a "trouble" array, and the same as plain French text for the user to
// read before it goes.
class SystemReport
{
public:
    static constexpr auto System = "system";
    static constexpr auto Load = "load";
    static constexpr auto Network = "network";
    static constexpr auto Printing = "printing";
    static constexpr auto Errors = "errors";
    static QStringList partKeys();

    // Puts part in its section's place, replacing what was there.
    void setPart(ReportPart part);
    const QList<ReportPart> &parts() const { return m_parts; }
    const ReportPart *part(const QString &key) const;
    bool isEmpty() const { return m_parts.isEmpty(); }

    QJsonObject toJson() const;
    // A report read back from a draft; what is not a section is dropped.
    static SystemReport fromJson(const QJsonObject &object);
    QString toText() const;

    bool operator==(const SystemReport &) const = default;

private:
    QList<ReportPart> m_parts;
};
