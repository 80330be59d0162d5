#pragma once

#include "systemreport.h"

#include <QDBusConnection>
#include <QDir>
#include <QObject>
#include <QUrl>
#include <array>
#include <optional>

class QNetworkAccessManager;
class QTimer;

// Where and how long the report's readings are taken.
struct SystemReportOptions
{
    QUrl server {}; // whose host is resolved and whose /healthz is timed
    QDBusConnection systemBus { QDBusConnection::systemBus() };
    QDBusConnection sessionBus { QDBusConnection::sessionBus() };
    QString homePath { QDir::homePath() };
    QString journalDirectory {}; // empty: the system's own journal
    // A section not read by then says so; the network and D-Bus questions
    // have their own, shorter limit.
    int partTimeoutMs = 8000;
    int queryTimeoutMs = 4000;
};

// Takes the machine's state once, without ever making the main thread wait:
// what blocks (files, CUPS, the journal) runs on worker threads that only
// read and hand their section back; D-Bus, name lookup and HTTP are asked
// asynchronously. Each section ends at its time limit, as "Indisponible".
class SystemReportCollector : public QObject
{
    Q_OBJECT

public:
    SystemReportCollector(SystemReportOptions options, QNetworkAccessManager &network, QObject *parent = nullptr);

    // screens: one line per screen, described by a caller with the GUI.
    void start(const QStringList &screens);
    bool isFinished() const { return m_finished; }
    // The sections read so far; the others say they are still being read.
    SystemReport report() const;

Q_SIGNALS:
    void finished(const SystemReport &report);

private:
    void startErrors();
    void deliver(const ReportPart &part);
    void cutLateParts();

    SystemReportOptions m_options;
    QNetworkAccessManager &m_network;
    QTimer *m_deadline;
    std::array<std::optional<ReportPart>, 5> m_parts;
    bool m_started = false;
    bool m_finished = false;
};
