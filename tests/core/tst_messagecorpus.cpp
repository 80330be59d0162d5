#include "channeltest.h"
#include "decoderchecks.h"
#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/records.h"
#include "testing.h"

#include <QDir>
#include <QFile>

namespace {

QStringList filesIn(const QString &directory)
{
    QStringList paths;
    const QDir dir(directory);
    // Without QDir::Hidden: no dot files.
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

} // namespace

// Replays the fuzzers' seeds and every input they ever found at fault: the
// real-time messages through the message handling and the ticket decoder,
// the other targets through the checks their fuzzers apply. What each kind
// of message leads to is read in the channel's own test.
class TestMessageCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regressions_replayCleanly_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        const QString fuzz = QStringLiteral(NORVIK_FUZZ_DIR);
        for (const QString &target :
            { u"realtime"_s, u"replies"_s, u"ticketlist"_s, u"feed"_s, u"settings"_s, u"image"_s }) {
            // The seeds must hold to the checks like anything the fuzzer makes of them.
            const QStringList inputs
                = filesIn(fuzz + u"/regressions/"_s + target) + filesIn(fuzz + u"/corpus/"_s + target);
            for (const QString &path : std::as_const(inputs))
                QTest::newRow(qPrintable(target + u'/' + QDir(fuzz).relativeFilePath(path)))
                    << target << path;
        }
    }

    void regressions_replayCleanly()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (target == u"realtime") {
            m_channel.handleMessage(QString::fromUtf8(bytes));
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

private:
    QTemporaryDir m_config;
    UserSettings m_settings { m_config.filePath(u"NorvikSupport.conf"_s) };
    WebSocketService m_channel { Configuration(), m_settings };
};

QTEST_GUILESS_MAIN(TestMessageCorpus)
#include "tst_messagecorpus.moc"
