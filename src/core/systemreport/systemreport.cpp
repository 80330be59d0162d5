#include "systemreport.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr auto TroubleKey = "trouble";

struct Label
{
    const char *key;
    const char *text;
};

// Every reading in the order a section shows it; the texts are translated
// when shown.
constexpr Label FieldLabels[] = {
    { "unavailable", QT_TRANSLATE_NOOP("SystemReport", "État") },
    { "os", QT_TRANSLATE_NOOP("SystemReport", "Distribution") },
    { "kernel", QT_TRANSLATE_NOOP("SystemReport", "Noyau") },
    { "hostname", QT_TRANSLATE_NOOP("SystemReport", "Nom de la machine") },
    { "uptime", QT_TRANSLATE_NOOP("SystemReport", "Allumée depuis") },
    { "session", QT_TRANSLATE_NOOP("SystemReport", "Type de session") },
    { "desktop", QT_TRANSLATE_NOOP("SystemReport", "Bureau") },
    { "screens", QT_TRANSLATE_NOOP("SystemReport", "Écrans") },
    { "version", QT_TRANSLATE_NOOP("SystemReport", "Version du programme") },
    { "memory", QT_TRANSLATE_NOOP("SystemReport", "Mémoire") },
    { "swap", QT_TRANSLATE_NOOP("SystemReport", "Mémoire d'échange") },
    { "load_average", QT_TRANSLATE_NOOP("SystemReport", "Charge moyenne") },
    { "disk_root", QT_TRANSLATE_NOOP("SystemReport", "Disque système") },
    { "disk_home", QT_TRANSLATE_NOOP("SystemReport", "Dossier personnel") },
    { "battery", QT_TRANSLATE_NOOP("SystemReport", "Batterie") },
    { "interfaces", QT_TRANSLATE_NOOP("SystemReport", "Interfaces actives") },
    { "server_host", QT_TRANSLATE_NOOP("SystemReport", "Nom du serveur") },
    { "server_health", QT_TRANSLATE_NOOP("SystemReport", "Réponse du serveur") },
    { "proxy", QT_TRANSLATE_NOOP("SystemReport", "Proxy") },
    { "queues", QT_TRANSLATE_NOOP("SystemReport", "Files d'impression") },
    { "failed_system_units", QT_TRANSLATE_NOOP("SystemReport", "Services système en échec") },
    { "failed_user_units", QT_TRANSLATE_NOOP("SystemReport", "Services de session en échec") },
    { "journal", QT_TRANSLATE_NOOP("SystemReport", "Journal (erreurs depuis le démarrage)") },
};

constexpr Label PartHeadings[] = {
    { SystemReport::System, QT_TRANSLATE_NOOP("SystemReport", "Système") },
    { SystemReport::Load, QT_TRANSLATE_NOOP("SystemReport", "Charge") },
    { SystemReport::Network, QT_TRANSLATE_NOOP("SystemReport", "Réseau") },
    { SystemReport::Printing, QT_TRANSLATE_NOOP("SystemReport", "Impression") },
    { SystemReport::Errors, QT_TRANSLATE_NOOP("SystemReport", "Erreurs récentes") },
};

constexpr Label TroubleLabels[] = {
    { Trouble::DiskFull, QT_TRANSLATE_NOOP("SystemReport", "disque rempli à plus de 90 %") },
    { Trouble::PrintQueueStopped, QT_TRANSLATE_NOOP("SystemReport", "file d'impression arrêtée") },
    { Trouble::FailedUnit, QT_TRANSLATE_NOOP("SystemReport", "service en échec") },
    { Trouble::ServerUnreachable, QT_TRANSLATE_NOOP("SystemReport", "le serveur ne répond pas") },
};

template<std::size_t N>
int indexIn(const Label (&table)[N], const QString &key)
{
    for (std::size_t i = 0; i < N; ++i)
        if (key == QLatin1StringView(table[i].key))
            return int(i);
    return int(N);
}

// An unknown key (a newer program's draft) is shown as it is.
template<std::size_t N>
QString labelIn(const Label (&table)[N], const QString &key)
{
    const int index = indexIn(table, key);
    return index < int(N) ? QCoreApplication::translate("SystemReport", table[index].text) : key;
}

QStringList texts(const QJsonValue &value)
{
    QStringList lines;
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            lines.append(item.toString());
    } else {
        lines.append(value.toString());
    }
    return lines;
}

ReportPart partFromJson(const QString &key, const QJsonObject &object)
{
    ReportPart part { key, {}, {} };
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1StringView(TroubleKey))
            part.trouble = texts(it.value());
        else if (it.value().isString() || it.value().isArray())
            part.add(it.key(), it.value());
    }
    std::stable_sort(part.fields.begin(), part.fields.end(), [](const ReportField &a, const ReportField &b) {
        return indexIn(FieldLabels, a.key) < indexIn(FieldLabels, b.key);
    });
    return part;
}

void appendPartText(QString &text, const ReportPart &part)
{
    text += labelIn(PartHeadings, part.key) + u'\n';
    for (const ReportField &field : part.fields) {
        const QString label = labelIn(FieldLabels, field.key);
        if (!field.value.isArray()) {
            text += u"  "_s + label + u" : "_s + field.value.toString() + u'\n';
            continue;
        }
        const QStringList lines = texts(field.value);
        text += u"  "_s + label + u" :"_s
            + (lines.isEmpty() ? u' ' + QCoreApplication::translate("SystemReport", "aucun") : QString())
            + u'\n';
        for (const QString &line : lines)
            text += u"    - "_s + line + u'\n';
    }
    if (!part.trouble.isEmpty()) {
        QStringList flags;
        for (const QString &flag : part.trouble)
            flags.append(labelIn(TroubleLabels, flag));
        text += u"  "_s + QCoreApplication::translate("SystemReport", "À signaler : %1").arg(flags.join(u", "_s))
            + u'\n';
    }
}

} // namespace

void ReportPart::flag(const char *troubleKey)
{
    const QString flagKey = QLatin1StringView(troubleKey);
    if (!trouble.contains(flagKey))
        trouble.append(flagKey);
}

QJsonValue ReportPart::value(const QString &fieldKey) const
{
    for (const ReportField &field : fields)
        if (field.key == fieldKey)
            return field.value;
    return QJsonValue::Undefined;
}

ReportPart ReportPart::unavailable(const QString &key, const QString &reason)
{
    ReportPart part { key, {}, {} };
    part.add(u"unavailable"_s, unavailableText(reason));
    return part;
}

QString unavailableText(const QString &reason)
{
    return QCoreApplication::translate("SystemReport", "Indisponible : %1").arg(reason);
}

QStringList SystemReport::partKeys()
{
    QStringList keys;
    for (const Label &heading : PartHeadings)
        keys.append(QLatin1StringView(heading.key));
    return keys;
}

void SystemReport::setPart(ReportPart part)
{
    const int order = indexIn(PartHeadings, part.key);
    auto it = std::find_if(m_parts.begin(), m_parts.end(),
        [&part](const ReportPart &kept) { return kept.key == part.key; });
    if (it != m_parts.end()) {
        *it = std::move(part);
        return;
    }
    it = std::find_if(m_parts.begin(), m_parts.end(),
        [order](const ReportPart &kept) { return indexIn(PartHeadings, kept.key) > order; });
    m_parts.insert(it, std::move(part));
}

const ReportPart *SystemReport::part(const QString &key) const
{
    for (const ReportPart &kept : m_parts)
        if (kept.key == key)
            return &kept;
    return nullptr;
}

QJsonObject SystemReport::toJson() const
{
    QJsonObject object;
    for (const ReportPart &part : m_parts) {
        QJsonObject fields;
        for (const ReportField &field : part.fields)
            fields.insert(field.key, field.value);
        fields.insert(QLatin1StringView(TroubleKey), QJsonArray::fromStringList(part.trouble));
        object.insert(part.key, fields);
    }
    return object;
}

SystemReport SystemReport::fromJson(const QJsonObject &object)
{
    SystemReport report;
    for (const QString &key : partKeys())
        if (const QJsonValue part = object.value(key); part.isObject())
            report.setPart(partFromJson(key, part.toObject()));
    return report;
}

QString SystemReport::toText() const
{
    QString text;
    for (const ReportPart &part : m_parts) {
        if (!text.isEmpty())
            text += u'\n';
        appendPartText(text, part);
    }
    return text;
}
