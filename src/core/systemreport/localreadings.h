#pragma once

#include "systemreport.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class QStorageInfo;

// The sections read from this machine's files and from Qt's view of it.
// They only read: a worker thread may run them, and a file that stalls
// (a home on a network share) holds up nothing but that thread.
namespace LocalReadings {

// "Debian GNU/Linux 12 (bookworm)" from the text of os-release: NAME and
// VERSION, unquoted; empty when neither is there.
QString osName(const QByteArray &osRelease);
// The "Key: 123 kB" lines of /proc/meminfo, in kibibytes.
QHash<QString, qint64> meminfo(const QByteArray &text);
// More than 90 % of the disk is used.
bool isNearlyFull(qint64 availableBytes, qint64 totalBytes);

// Distribution, kernel, machine name, uptime, session, desktop, the screens
// described by the caller (they need the GUI, which a worker may not touch)
// and the program's version.
ReportPart systemPart(const QStringList &screens);
// Memory, swap, load average, free space of / and of homePath, batteries.
ReportPart loadPart(const QString &homePath);

} // namespace LocalReadings
