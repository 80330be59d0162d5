#include "printqueues.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <cups/cups.h>

using namespace Qt::StringLiterals;

namespace {

// The printer-state option of a destination (IPP: 3 idle, 4 busy, 5 stopped).
QString stateText(int state)
{
    switch (state) {
    case 3:
        return QCoreApplication::translate("SystemReport", "prête");
    case 4:
        return QCoreApplication::translate("SystemReport", "en cours d'impression");
    case 5:
        return QCoreApplication::translate("SystemReport", "arrêtée");
    default:
        return QCoreApplication::translate("SystemReport", "état inconnu");
    }
}

int activeJobs(http_t *http, const char *queue)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(http, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    return count < 0 ? 0 : count;
}

} // namespace

namespace PrintQueues {

ReportPart read(int connectTimeoutMs)
{
    ReportPart part { QString::fromLatin1(SystemReport::Printing), {}, {} };
    int cancel = 0;
    http_t *http = httpConnect2(
        cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, connectTimeoutMs, &cancel);
    if (!http) {
        part.add(u"queues"_s, QCoreApplication::translate("SystemReport", "CUPS absent"));
        return part;
    }
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(http, &dests);
    QJsonArray queues;
    for (int i = 0; i < count; ++i) {
        const cups_dest_t &dest = dests[i];
        const char *stateOption = cupsGetOption("printer-state", dest.num_options, dest.options);
        const int state = stateOption ? QByteArray(stateOption).toInt() : 0;
        if (state == 5)
            part.flag(Trouble::PrintQueueStopped);
        // Counted apart: a call among translate()'s arguments sends the
        // catalogue's scanner into an endless loop.
        const int jobs = activeJobs(http, dest.name);
        const QString line
            = QCoreApplication::translate("SystemReport", "%1 : %2, %n travail(s) en attente", nullptr, jobs);
        queues.append(line.arg(QString::fromUtf8(dest.name), stateText(state)));
    }
    cupsFreeDests(count, dests);
    httpClose(http);
    part.add(u"queues"_s, queues);
    return part;
}

} // namespace PrintQueues
