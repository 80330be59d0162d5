#include "core/appversion.h"
#include "httptestserver.h"
#include "notificationdaemon.h"
#include "systemreport/failedunits.h"
#include "systemreport/journalreader.h"
#include "systemreport/localreadings.h"
#include "systemreport/networkprobe.h"
#include "systemreport/printqueues.h"
#include "systemreport/systemreportcollector.h"
#include "testing.h"

#include <QDBusMessage>
#include <QNetworkAccessManager>
#include <QSysInfo>

namespace {

ReportPart sample(const char *key, const QList<ReportField> &fields, const QStringList &trouble = {})
{
    return { QString::fromLatin1(key), fields, trouble };
}

QString text(const ReportPart &part, const QString &field)
{
    return part.value(field).toString();
}

} // namespace

// systemd's manager as far as the report asks it: the failed units it is
// given, or no answer at all while silent.
class FakeSystemd : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Manager")

public:
    QList<SystemdUnit> failed;
    bool silent = false;
    QStringList askedStates;

public Q_SLOTS:
    QList<SystemdUnit> ListUnitsFiltered(const QStringList &states, const QDBusMessage &message)
    {
        askedStates = states;
        if (silent)
            message.setDelayedReply(true); // and never answered
        return failed;
    }
};

class TestSystemReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        // The fake on a connection of its own, under the manager's well-known name.
        FailedUnits::registerTypes();
        QDBusConnection manager = QDBusConnection::connectToBus(m_bus.address(), u"fake-systemd"_s);
        QVERIFY(manager.registerService(u"org.freedesktop.systemd1"_s));
        QVERIFY(
            manager.registerObject(u"/org/freedesktop/systemd1"_s, &m_fake, QDBusConnection::ExportAllSlots));
        m_client = QDBusConnection::connectToBus(m_bus.address(), u"report"_s);
        QVERIFY(m_client.isConnected());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(u"report"_s);
        QDBusConnection::disconnectFromBus(u"fake-systemd"_s);
    }

    void init()
    {
        m_fake.failed.clear();
        m_fake.silent = false;
    }

    void report_jsonHasEachPartWithItsTrouble_textHasFrenchHeadings_draftShapeReadsBack()
    {
        SystemReport report;
        // Set out of order: the sections still come in their fixed order.
        report.setPart(sample(SystemReport::Errors, { { u"journal"_s, QJsonArray { u"a"_s, u"b"_s } } },
            { QString::fromLatin1(Trouble::FailedUnit) }));
        report.setPart(sample(SystemReport::System,
            { { u"version"_s, u"Version 1.0.0 (1)"_s }, { u"os"_s, u"Debian GNU/Linux 12"_s } }));
        report.setPart(ReportPart::unavailable(QString::fromLatin1(SystemReport::Printing), u"délai"_s));
        report.setPart(sample(SystemReport::Load, { { u"disk_root"_s, u"plein"_s } },
            { QString::fromLatin1(Trouble::DiskFull) }));
        report.setPart(sample(SystemReport::Load, { { u"disk_root"_s, u"vide"_s } })); // replaces

        const QJsonObject json = report.toJson();
        QCOMPARE(json.keys(), (QStringList { u"errors"_s, u"load"_s, u"printing"_s, u"system"_s }));
        QCOMPARE(json[u"errors"_s][u"trouble"_s].toArray(), QJsonArray { u"failed_unit"_s });
        QCOMPARE(json[u"load"_s][u"trouble"_s].toArray(), QJsonArray());
        QCOMPARE(json[u"load"_s][u"disk_root"_s].toString(), u"vide"_s);
        QCOMPARE(json[u"errors"_s][u"journal"_s].toArray().size(), 2);

        QCOMPARE(report.toText(),
            u"Système\n  Version du programme : Version 1.0.0 (1)\n  Distribution : Debian GNU/Linux 12\n\n"
            "Charge\n  Disque système : vide\n\n"
            "Impression\n  État : Indisponible : délai\n\n"
            "Erreurs récentes\n  Journal (erreurs depuis le démarrage) :\n    - a\n    - b\n"
            "  À signaler : service en échec\n"_s);

        // Read back from a draft: the readings in their shown order, what is
        // no section dropped.
        QJsonObject stored = json;
        stored.insert(u"weather"_s, QJsonObject { { u"sky"_s, u"grey"_s } });
        const SystemReport back = SystemReport::fromJson(stored);
        QCOMPARE(back.part(u"system"_s)->fields.first().key, u"os"_s);
        QCOMPARE(back.toJson(), json);
    }

    void readings_osReleaseMeminfoAndTheNinetyPercentMark()
    {
        QCOMPARE(
            LocalReadings::osName("PRETTY_NAME=\"x\"\nNAME=\"Debian GNU/Linux\"\nVERSION='12 (bookworm)'\n"
                                  "ID=debian\n"),
            u"Debian GNU/Linux 12 (bookworm)"_s);
        QCOMPARE(LocalReadings::osName("NAME=Arch\n"), u"Arch"_s);
        QCOMPARE(LocalReadings::osName("garbage"), QString());
        QCOMPARE(LocalReadings::meminfo("MemTotal:       16314880 kB\nMemAvailable:    8000 kB\nbad line\n"),
            (QHash<QString, qint64> { { u"MemTotal"_s, 16314880 }, { u"MemAvailable"_s, 8000 } }));
        QVERIFY(!LocalReadings::isNearlyFull(100, 1000)); // exactly 90 % used
        QVERIFY(LocalReadings::isNearlyFull(99, 1000));
        QVERIFY(!LocalReadings::isNearlyFull(0, 0));
        // Large disks do not overflow the comparison.
        QVERIFY(LocalReadings::isNearlyFull(qint64(1) << 40, qint64(1) << 44));
    }

    void localParts_readThisMachine()
    {
        const ReportPart system = LocalReadings::systemPart({ u"HDMI-1 : 1920 × 1080, échelle 1"_s });
        QVERIFY(text(system, u"kernel"_s).contains(QSysInfo::currentCpuArchitecture()));
        QCOMPARE(text(system, u"hostname"_s), QSysInfo::machineHostName());
        QCOMPARE(text(system, u"version"_s), appVersionText());
        QCOMPARE(system.value(u"screens"_s).toArray(), QJsonArray { u"HDMI-1 : 1920 × 1080, échelle 1"_s });
        if (QFile::exists(u"/etc/os-release"_s))
            QVERIFY(!text(system, u"os"_s).startsWith(u"Indisponible"_s));
        QVERIFY(text(system, u"uptime"_s).contains(u" j "_s));

        const QTemporaryDir home;
        const ReportPart load = LocalReadings::loadPart(home.path() + u"/absent"_s);
        QVERIFY2(text(load, u"memory"_s).contains(u"libres sur"_s), qPrintable(text(load, u"memory"_s)));
        QCOMPARE(text(load, u"load_average"_s).split(u' ').size(), 3);
        QVERIFY(text(load, u"disk_root"_s).contains(u"% utilisés"_s));
        QCOMPARE(text(load, u"disk_home"_s), u"Indisponible : %1/absent introuvable"_s.arg(home.path()));
        QCOMPARE(load.trouble.contains(u"disk_full"_s),
            text(load, u"disk_root"_s).contains(u"(9"_s) && !text(load, u"disk_root"_s).contains(u"(90 %"_s));
    }

    void journal_missingAndEmptyDirectories_linesCutToOneShortLine()
    {
        const QTemporaryDir empty;
        const JournalReader::Result none = JournalReader::recentErrors(empty.path());
        QVERIFY2(none.error.isEmpty(), qPrintable(none.error));
        QVERIFY(none.lines.isEmpty());
        const JournalReader::Result missing = JournalReader::recentErrors(empty.path() + u"/absent"_s);
        QVERIFY(missing.error.startsWith(u"journal illisible"_s));

        QCOMPARE(JournalReader::cutLine(u"court\tet\nsur deux lignes"_s), u"court et sur deux lignes"_s);
        const QString exact(300, u'x');
        QCOMPARE(JournalReader::cutLine(exact), exact);
        QCOMPARE(JournalReader::cutLine(exact + u'y'), QString(299, u'x') + u'…');
        // An emoji straddling the limit goes whole, never half.
        QCOMPARE(JournalReader::cutLine(QString(298, u'x') + u"😀tail"_s), QString(298, u'x') + u'…');
    }

    void printing_readsTheSchedulerOrSaysItIsAbsent()
    {
        const ReportPart part = PrintQueues::read(1000);
        const QJsonValue queues = part.value(u"queues"_s);
        if (queues.isString()) {
            QCOMPARE(queues.toString(), u"CUPS absent"_s);
            QVERIFY(part.trouble.isEmpty());
            return;
        }
        // A scheduler answers here: each queue says its state, stopped ones flagged.
        bool stopped = false;
        for (const QJsonValue &queue : queues.toArray())
            stopped = stopped || queue.toString().contains(u"arrêtée"_s);
        QCOMPARE(part.trouble.contains(u"print_queue_stopped"_s), stopped);
    }

    void failedUnits_listedFlaggedOrUnavailable()
    {
        m_fake.failed = { { u"cups.service"_s, u"CUPS Scheduler"_s, u"loaded"_s, u"failed"_s, u"failed"_s, {},
                              QDBusObjectPath(u"/u/1"_s), 0, {}, QDBusObjectPath(u"/"_s) },
            { u"backup.timer"_s, {}, u"loaded"_s, u"failed"_s, u"failed"_s, {}, QDBusObjectPath(u"/u/2"_s), 0,
                {}, QDBusObjectPath(u"/"_s) } };
        QCOMPARE(failedUnits(m_client),
            std::pair(
                QJsonValue(QJsonArray { u"cups.service (CUPS Scheduler)"_s, u"backup.timer"_s }), true));
        QCOMPARE(m_fake.askedStates, QStringList { u"failed"_s });
        m_fake.failed.clear();
        QCOMPARE(failedUnits(m_client), std::pair(QJsonValue(QJsonArray()), false));
        QCOMPARE(failedUnits(QDBusConnection(u"never-connected"_s)),
            std::pair(QJsonValue(u"Indisponible : bus D-Bus absent"_s), false));
    }

    void collector_wholeReportFromThisMachineAndThePrivateBus()
    {
        HttpTestServer server;
        server.setResponse(HttpTestResponse::json(200, "{\"ok\":true}"));
        m_fake.failed = { { u"a.service"_s, {}, {}, {}, {}, {}, QDBusObjectPath(u"/a"_s), 0, {},
            QDBusObjectPath(u"/"_s) } };
        const SystemReport report = collect(options(server));
        // Every section; their order is the report's own, pinned above.
        QCOMPARE(report.toJson().keys(),
            (QStringList { u"errors"_s, u"load"_s, u"network"_s, u"printing"_s, u"system"_s }));
        const ReportPart *network = report.part(u"network"_s);
        QVERIFY2(text(*network, u"server_health"_s).startsWith(u"HTTP 200 en "_s),
            qPrintable(text(*network, u"server_health"_s)));
        QVERIFY(text(*network, u"server_host"_s).contains(u"127.0.0.1"_s));
        QVERIFY(!network->trouble.contains(u"server_unreachable"_s));
        QCOMPARE(server.requests().last().path(), "/healthz");
        const ReportPart *errors = report.part(u"errors"_s);
        QCOMPARE(errors->value(u"failed_system_units"_s).toArray(), QJsonArray { u"a.service"_s });
        QCOMPARE(errors->trouble, QStringList { u"failed_unit"_s });
        QVERIFY(text(*errors, u"journal"_s).startsWith(u"Indisponible : journal illisible"_s));
    }

    void collector_slowServerAndSilentBus_cutAtTheirLimits()
    {
        HttpTestServer server;
        server.setResponse(HttpTestResponse::json(200, "{}").delayed(20000));
        m_fake.silent = true;
        SystemReportOptions limits = options(server);
        limits.queryTimeoutMs = 300;
        // Waited for, the server's answer would read "HTTP 200".
        SystemReport report = collect(limits);
        const ReportPart *network = report.part(u"network"_s);
        QCOMPARE(text(*network, u"server_health"_s), u"Indisponible : pas de réponse en 300 ms"_s);
        QCOMPARE(network->trouble, QStringList { u"server_unreachable"_s });
        QVERIFY(text(*report.part(u"errors"_s), u"failed_system_units"_s).startsWith(u"Indisponible : "_s));

        // A whole section still out at the part limit is cut there.
        server.setResponse(HttpTestResponse::json(200, "{}"));
        limits.queryTimeoutMs = 20000;
        limits.partTimeoutMs = 300;
        report = collect(limits);
        QCOMPARE(text(*report.part(u"errors"_s), u"unavailable"_s),
            u"Indisponible : lecture interrompue après 300 ms"_s);
        QVERIFY(!text(*report.part(u"load"_s), u"memory"_s).isEmpty());
    }

private:
    // The failed units on bus and whether any failed; null units when no
    // answer came.
    std::pair<QJsonValue, bool> failedUnits(const QDBusConnection &bus)
    {
        auto answer = std::make_shared<std::pair<QJsonValue, bool>>(QJsonValue::Undefined, false);
        FailedUnits::query(bus, 5000, this, [answer](const QJsonValue &units, bool anyFailed) {
            *answer = { units, anyFailed };
        });
        const bool arrived = QTest::qWaitFor([answer] { return !answer->first.isUndefined(); }, 10000);
        return arrived ? *answer : std::pair(QJsonValue(), false);
    }

    SystemReportOptions options(const HttpTestServer &server)
    {
        SystemReportOptions options { .server = server.url(), .systemBus = m_client, .sessionBus = m_client };
        options.journalDirectory = m_journal.path() + u"/absent"_s;
        return options;
    }

    SystemReport collect(const SystemReportOptions &options)
    {
        SystemReportCollector collector(options, m_network);
        QSignalSpy finished(&collector, &SystemReportCollector::finished);
        collector.start({});
        if (!finished.wait(30000))
            return {};
        return finished.first().first().value<SystemReport>();
    }

    NotificationDaemon m_bus;
    FakeSystemd m_fake;
    QDBusConnection m_client { u"unused"_s };
    QNetworkAccessManager m_network;
    QTemporaryDir m_journal;
};

QTEST_GUILESS_MAIN(TestSystemReport)
#include "tst_systemreport.moc"
