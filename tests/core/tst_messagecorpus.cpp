#include "channeltest.h"
#include "decoderchecks.h"
#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/records.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// Replays the fuzzers' seeds and every input they ever found at fault: the
// real-time messages through the message handling and the ticket decoder,
// the other targets through the checks their fuzzers apply.
class TestMessageCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void seeds_reachTheirHandlers();
    void regressions_replayCleanly_data();
    void regressions_replayCleanly();
};

namespace {

QStringList filesIn(const QString &directory)
{
    QStringList paths;
    const QDir dir(directory);
    for (const QString &name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (!name.startsWith(u'.'))
            paths.append(dir.filePath(name));
    return paths;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestMessageCorpus::seeds_reachTheirHandlers()
{
    const QStringList seeds = filesIn(QStringLiteral(NORVIK_FUZZ_DIR "/corpus/realtime"));
    QVERIFY(seeds.size() >= 5);

    WebSocketService &service = WebSocketService::shared();
    EventRecorder events;
    LogRecorder log;

    // Every seed is a message the server really sends, so the fuzzer starts
    // from valid input: each reaches its handler or writes its log line.
    const QHash<QString, QString> effectOf { { u"new_message"_s, u"message"_s },
        { u"ticket_closed"_s, u"closed"_s }, { u"ticket_closed_empty"_s, u"closed"_s },
        { u"new_ticket"_s, u"ticket"_s }, { u"new_ticket_minimal"_s, u"ticket"_s },
        { u"admin_typing"_s, u"typing"_s }, { u"auth_success"_s, u"✅ WebSocket authentifié"_s },
        { u"error"_s, u"❌ WebSocket error: Utilisateur inconnu"_s },
        { u"unknown"_s, u"⚠️ Message inconnu: pong"_s } };
    for (const QString &path : seeds) {
        const QString name = QFileInfo(path).completeBaseName();
        events.calls.clear();
        log.lines.clear();
        service.handleMessage(QString::fromUtf8(contents(path)));
        // An event's kind is what its recorded line starts with.
        QStringList reached;
        for (const QString &call : std::as_const(events.calls))
            reached.append(call.section(u':', 0, 0));
        if (effectOf.contains(name))
            QVERIFY2(reached.size() <= 1 && (reached + log.lines).contains(effectOf.value(name)),
                qPrintable(name));
        else if (name == u"ticket_only")
            QCOMPARE(Ticket::fromJson(JsonReader::parseObject(contents(path))).id, 9);
        else
            QFAIL(qPrintable(u"seed without an expected effect: "_s + name));
    }
}

void TestMessageCorpus::regressions_replayCleanly_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QString fuzz = QStringLiteral(NORVIK_FUZZ_DIR);
    for (const QString &target :
        { u"realtime"_s, u"replies"_s, u"ticketlist"_s, u"feed"_s, u"settings"_s, u"image"_s }) {
        QStringList inputs = filesIn(fuzz + u"/regressions/"_s + target);
        // The seeds of the newer targets have no handler table: they must
        // hold to their checks like anything the fuzzer makes of them.
        if (target != u"realtime")
            inputs += filesIn(fuzz + u"/corpus/"_s + target);
        for (const QString &path : std::as_const(inputs))
            QTest::newRow(qPrintable(target + u'/' + QDir(fuzz).relativeFilePath(path))) << target << path;
    }
}

void TestMessageCorpus::regressions_replayCleanly()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    const QByteArray bytes = contents(path);
    if (target == u"realtime") {
        WebSocketService::shared().handleMessage(QString::fromUtf8(bytes));
        try {
            const Ticket ticket = Ticket::fromJson(JsonReader::parseObject(bytes));
            QCOMPARE(Ticket::fromJson(ticket.toJson()), ticket);
        } catch (const DecodingError &) { }
        return;
    }
    using Check = std::optional<QString> (*)(const QByteArray &);
    const QHash<QString, Check> checks { { u"replies"_s, DecoderChecks::restReplies },
        { u"ticketlist"_s, DecoderChecks::ticketListPaths }, { u"feed"_s, DecoderChecks::updateFeed },
        { u"settings"_s, DecoderChecks::settingsFile }, { u"image"_s, DecoderChecks::imageSize } };
    const std::optional<QString> fault = checks.value(target)(bytes);
    QVERIFY2(!fault, qPrintable(fault.value_or(QString())));
}

QTEST_GUILESS_MAIN(TestMessageCorpus)
#include "tst_messagecorpus.moc"
