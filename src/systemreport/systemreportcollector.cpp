#include "systemreportcollector.h"

#include "failedunits.h"
#include "journalreader.h"
#include "localreadings.h"
#include "networkprobe.h"
#include "partassembly.h"
#include "printqueues.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QThread>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Runs read on a thread of its own and hands its value to done on context's
// thread. A read that outlives its use (the form closed, the limit passed)
// finishes unseen; its thread then deletes itself.
template<class Read, class Done>
void runOnWorker(QObject *context, Read read, Done done)
{
    using Value = decltype(read());
    auto value = std::make_shared<Value>();
    QThread *thread = QThread::create([value, read] { *value = read(); });
    QObject::connect(thread, &QThread::finished, context, [value, done] { done(*value); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace

SystemReportCollector::SystemReportCollector(
    SystemReportOptions options, QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_network(network)
    , m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &SystemReportCollector::cutLateParts);
}

void SystemReportCollector::start(const QStringList &screens)
{
    if (std::exchange(m_started, true))
        return;
    m_deadline->start(m_options.partTimeoutMs);
    const auto deliverPart = [this](const ReportPart &part) { deliver(part); };
    runOnWorker(
        this, [screens] { return LocalReadings::systemPart(screens); }, deliverPart);
    runOnWorker(
        this, [home = m_options.homePath] { return LocalReadings::loadPart(home); }, deliverPart);
    runOnWorker(
        this, [limit = m_options.queryTimeoutMs] { return PrintQueues::read(limit); }, deliverPart);
    NetworkProbe::run(m_network, m_options.server, m_options.queryTimeoutMs, this, deliverPart);
    startErrors();
}

void SystemReportCollector::startErrors()
{
    auto part = PartAssembly::create(QString::fromLatin1(SystemReport::Errors),
        { u"failed_system_units"_s, u"failed_user_units"_s, u"journal"_s },
        [this](const ReportPart &assembled) { deliver(assembled); });
    const std::pair<QDBusConnection, QString> buses[] = { { m_options.systemBus, u"failed_system_units"_s },
        { m_options.sessionBus, u"failed_user_units"_s } };
    for (const auto &bus : buses) {
        FailedUnits::query(bus.first, m_options.queryTimeoutMs, this,
            [part, key = bus.second](const QJsonValue &units, bool anyFailed) {
                if (anyFailed)
                    part->flag(Trouble::FailedUnit);
                part->set(key, units);
            });
    }
    runOnWorker(
        this, [directory = m_options.journalDirectory] { return JournalReader::recentErrors(directory); },
        [part](const JournalReader::Result &journal) {
            part->set(u"journal"_s,
                journal.error.isEmpty() ? QJsonValue(QJsonArray::fromStringList(journal.lines))
                                        : QJsonValue(unavailableText(journal.error)));
        });
}

void SystemReportCollector::deliver(const ReportPart &part)
{
    const qsizetype index = SystemReport::partKeys().indexOf(part.key);
    if (m_finished || index < 0 || m_parts[std::size_t(index)])
        return;
    m_parts[std::size_t(index)] = part;
    if (std::all_of(m_parts.cbegin(), m_parts.cend(), [](const auto &kept) { return kept.has_value(); })) {
        m_finished = true;
        m_deadline->stop();
        Q_EMIT finished(report());
    }
}

void SystemReportCollector::cutLateParts()
{
    const QStringList keys = SystemReport::partKeys();
    for (std::size_t i = 0; i < m_parts.size(); ++i)
        if (!m_parts[i])
            m_parts[i] = ReportPart::unavailable(
                keys[qsizetype(i)], tr("lecture interrompue après %1 ms").arg(m_options.partTimeoutMs));
    m_finished = true;
    Q_EMIT finished(report());
}

SystemReport SystemReportCollector::report() const
{
    SystemReport report;
    const QStringList keys = SystemReport::partKeys();
    for (std::size_t i = 0; i < m_parts.size(); ++i)
        report.setPart(
            m_parts[i] ? *m_parts[i] : ReportPart::unavailable(keys[qsizetype(i)], tr("lecture en cours")));
    return report;
}
