#include "localreadings.h"

#include "core/appversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLocale>
#include <QStorageInfo>
#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr double GiB = 1024.0 * 1024.0 * 1024.0;

// /proc and /sys files are small; the bound guards against a wrong path.
std::optional<QByteArray> readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(64 * 1024);
}

QString gibibytes(double bytes)
{
    return QCoreApplication::translate("SystemReport", "%1 Gio")
        .arg(QLocale(QLocale::French).toString(bytes / GiB, 'f', 1));
}

QString uptimeText()
{
    const std::optional<QByteArray> text = readSmallFile(u"/proc/uptime"_s);
    bool ok = false;
    const qint64 seconds = text ? qint64(text->split(' ').value(0).toDouble(&ok)) : 0;
    if (!ok)
        return unavailableText(QCoreApplication::translate("SystemReport", "/proc/uptime illisible"));
    return QCoreApplication::translate("SystemReport", "%1 j %2 h %3 min")
        .arg(seconds / 86400)
        .arg(seconds % 86400 / 3600)
        .arg(seconds % 3600 / 60);
}

QString sessionType()
{
    if (const QString type = qEnvironmentVariable("XDG_SESSION_TYPE"); !type.isEmpty())
        return type;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return u"wayland"_s;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return u"x11"_s;
    return unavailableText(
        QCoreApplication::translate("SystemReport", "ni XDG_SESSION_TYPE ni WAYLAND_DISPLAY"));
}

QString memoryLine(const QHash<QString, qint64> &memory, const QString &totalKey, const QString &freeKey)
{
    if (!memory.contains(totalKey) || !memory.contains(freeKey))
        return unavailableText(QCoreApplication::translate("SystemReport", "/proc/meminfo illisible"));
    const double total = double(memory.value(totalKey)) * 1024;
    const double available = double(memory.value(freeKey)) * 1024;
    return QCoreApplication::translate("SystemReport", "%1 libres sur %2")
        .arg(gibibytes(available), gibibytes(total));
}

void addDisk(ReportPart &part, const QString &key, const QString &path)
{
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady() || storage.bytesTotal() <= 0) {
        part.add(
            key, unavailableText(QCoreApplication::translate("SystemReport", "%1 introuvable").arg(path)));
        return;
    }
    const qint64 total = storage.bytesTotal();
    const qint64 available = storage.bytesAvailable();
    const int usedPercent = int(100 - available * 100 / total);
    part.add(key,
        QCoreApplication::translate("SystemReport", "%1 libres sur %2 (%3 % utilisés, %4)")
            .arg(gibibytes(double(available)), gibibytes(double(total)))
            .arg(usedPercent)
            .arg(storage.rootPath()));
    if (LocalReadings::isNearlyFull(available, total))
        part.flag(Trouble::DiskFull);
}

void addBatteries(ReportPart &part)
{
    const QDir supplies(u"/sys/class/power_supply"_s);
    QJsonArray batteries;
    for (const QString &name : supplies.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const std::optional<QByteArray> capacity = readSmallFile(supplies.filePath(name + u"/capacity"_s));
        if (!capacity)
            continue;
        const QByteArray status
            = readSmallFile(supplies.filePath(name + u"/status"_s)).value_or(QByteArray());
        batteries.append(
            QCoreApplication::translate("SystemReport", "%1 : %2 %, %3")
                .arg(name, QString::fromLatin1(capacity->trimmed()), QString::fromLatin1(status.trimmed())));
    }
    if (!batteries.isEmpty())
        part.add(u"battery"_s, batteries);
}

} // namespace

namespace LocalReadings {

QString osName(const QByteArray &osRelease)
{
    QHash<QByteArray, QString> values;
    for (const QByteArray &line : osRelease.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        QByteArray value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        values.insert(line.left(equals).trimmed(), QString::fromUtf8(value));
    }
    return QString(values.value("NAME") + u' ' + values.value("VERSION")).trimmed();
}

QHash<QString, qint64> meminfo(const QByteArray &text)
{
    QHash<QString, qint64> values;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        bool ok = false;
        const qint64 kib = line.mid(colon + 1).trimmed().split(' ').value(0).toLongLong(&ok);
        if (ok)
            values.insert(QString::fromLatin1(line.left(colon)), kib);
    }
    return values;
}

bool isNearlyFull(qint64 availableBytes, qint64 totalBytes)
{
    return totalBytes > 0 && (totalBytes - availableBytes) * 10 > totalBytes * 9;
}

ReportPart systemPart(const QStringList &screens)
{
    ReportPart part { QString::fromLatin1(SystemReport::System), {}, {} };
    std::optional<QByteArray> release = readSmallFile(u"/etc/os-release"_s);
    if (!release)
        release = readSmallFile(u"/usr/lib/os-release"_s);
    const QString os = release ? osName(*release) : QString();
    part.add(u"os"_s,
        os.isEmpty()
            ? unavailableText(QCoreApplication::translate("SystemReport", "/etc/os-release illisible"))
            : os);
    part.add(u"kernel"_s,
        u"%1 %2 (%3)"_s.arg(
            QSysInfo::kernelType(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture()));
    part.add(u"hostname"_s, QSysInfo::machineHostName());
    part.add(u"uptime"_s, uptimeText());
    part.add(u"session"_s, sessionType());
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    part.add(u"desktop"_s,
        desktop.isEmpty()
            ? unavailableText(QCoreApplication::translate("SystemReport", "XDG_CURRENT_DESKTOP vide"))
            : desktop);
    part.add(u"screens"_s, QJsonArray::fromStringList(screens));
    part.add(u"version"_s, appVersionText());
    return part;
}

ReportPart loadPart(const QString &homePath)
{
    ReportPart part { QString::fromLatin1(SystemReport::Load), {}, {} };
    const QHash<QString, qint64> memory = meminfo(readSmallFile(u"/proc/meminfo"_s).value_or(QByteArray()));
    part.add(u"memory"_s, memoryLine(memory, u"MemTotal"_s, u"MemAvailable"_s));
    part.add(u"swap"_s, memoryLine(memory, u"SwapTotal"_s, u"SwapFree"_s));
    const QList<QByteArray> load = readSmallFile(u"/proc/loadavg"_s).value_or(QByteArray()).split(' ');
    part.add(u"load_average"_s,
        load.size() >= 3
            ? QString::fromLatin1(load[0] + ' ' + load[1] + ' ' + load[2])
            : unavailableText(QCoreApplication::translate("SystemReport", "/proc/loadavg illisible")));
    addDisk(part, u"disk_root"_s, u"/"_s);
    addDisk(part, u"disk_home"_s, homePath);
    addBatteries(part);
    return part;
}

} // namespace LocalReadings
