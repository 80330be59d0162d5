#include "core/updater.h"
#include "loopback.h"
#include "restcall.h"
#include "serverprocess.h"

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"
     xmlns:norvik="https://norvik.example/xmlns/appcast/1.0"><channel><title>Norvik Support</title>)"_ba
        + items + "</channel></rss>";
}

// Where an item puts its versions: on the enclosure in the standard
// namespace, as elements of the item, or on the enclosure in the namespace
// of this program's first feeds.
enum class Form { Enclosure, ItemElements, FirstFeeds };

QByteArray item(const QByteArray &shortVersion, const QByteArray &build, const QByteArray &url,
    const QByteArray &notes = {}, Form form = Form::Enclosure)
{
    const QByteArray prefix = form == Form::FirstFeeds ? "norvik:" : "sparkle:";
    QByteArray text = "<item><title>Norvik Support " + shortVersion + "</title>";
    if (!notes.isEmpty())
        text += "<" + prefix + "releaseNotesLink>" + notes + "</" + prefix + "releaseNotesLink>";
    if (form == Form::ItemElements)
        text += "<sparkle:version>" + build + "</sparkle:version><sparkle:shortVersionString>" + shortVersion
            + "</sparkle:shortVersionString><sparkle:minimumSystemVersion>10.13</"
              "sparkle:minimumSystemVersion>"
              "<enclosure url=\""
            + url + "\"";
    else
        text += "<enclosure url=\"" + url + "\" " + prefix + "version=\"" + build + "\" " + prefix
            + "shortVersionString=\"" + shortVersion + "\"";
    return text + " length=\"0\" type=\"application/octet-stream\"/></item>";
}

} // namespace

// The updater against feeds served on loopback: the running program is 1.4.2,
// build 17 unless a case says otherwise.
class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_server.route(u"/appcast.xml"_s,
            [this] { return QHttpServerResponse("application/rss+xml"_ba, m_body, m_status); });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
        QVERIFY(m_port != 0);
    }

    void compareVersions_isNumericPartByPart_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("expected");
        QTest::newRow("ten after nine") << u"1.10"_s << u"1.9"_s << 1;
        QTest::newRow("missing part is zero") << u"1.0"_s << u"1"_s << 0;
        QTest::newRow("older major") << u"1.99.99"_s << u"2"_s << -1;
        QTest::newRow("suffix ignored") << u"1.3-beta"_s << u"1.3"_s << 0;
        QTest::newRow("leading v ignored") << u"v1.4.43"_s << u"1.4.43"_s << 0;
        QTest::newRow("leading V before a higher number") << u"V1.10"_s << u"1.9"_s << 1;
    }

    void compareVersions_isNumericPartByPart()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, expected);
        QCOMPARE(Updater::compareVersions(left, right), expected);
        QCOMPARE(Updater::compareVersions(right, left), -expected);
    }

    void feed_offersANewerReleaseOnly_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("runningBuild");
        QTest::addColumn<QString>("expected");

        QTest::newRow("several items of every form: the newest")
            << feed(item("1.5.0", "20", "https://d.example/1.5.0", {}, Form::FirstFeeds)
                   + item("2.0.0", "40", "https://d.example/2.0.0", "https://d.example/notes",
                       Form::ItemElements)
                   + item("1.9.0", "35", "https://d.example/1.9.0")
                   + item("1.0.0", "3", "https://d.example/1.0.0"))
            << 200 << u"17"_s
            << u"2.0.0 (40) Norvik Support 2.0.0 https://d.example/2.0.0 https://d.example/notes"_s;
        const QString upToDate = u"up to date"_s;

        // The build number orders releases; the version shown is only read by people.
        QTest::newRow("newer build under a lower shown version")
            << feed(item("1.3.9", "99", "https://d.example/x")) << 200 << u"17"_s
            << u"1.3.9 (99) Norvik Support 1.3.9 https://d.example/x "_s;
        QTest::newRow("older build under a higher shown version")
            << feed(item("2.0.0", "16", "https://d.example/x")) << 200 << u"17"_s << upToDate;
        QTest::newRow("out of order, item elements: the highest build, not the highest shown version")
            << feed(item("3.0.0", "18", "https://d.example/a", {}, Form::ItemElements)
                   + item("2.1.0", "25", "https://d.example/b", {}, Form::ItemElements)
                   + item("2.2.0", "21", "https://d.example/c", {}, Form::ItemElements))
            << 200 << u"17"_s << u"2.1.0 (25) Norvik Support 2.1.0 https://d.example/b "_s;

        // Builds numbered like versions, some tagged "v", compared part by part.
        QTest::newRow("dotted builds out of order")
            << feed(item("1.4.9", "1.4.9", "https://d.example/9")
                   + item("v1.4.43", "v1.4.43", "https://d.example/43")
                   + item("1.4.10", "1.4.10", "https://d.example/10", {}, Form::ItemElements))
            << 200 << u"1.4.42"_s << u"1.4.43 (1.4.43) Norvik Support v1.4.43 https://d.example/43 "_s;
        QTest::newRow("our own build written with a v")
            << feed(item("1.4.43", "1.4.43", "https://d.example/x")) << 200 << u"v1.4.43"_s << upToDate;

        const QString failed = u"failed"_s;
        // A body that is no feed, or one cut short, fails the check in
        // tst_desktopshell's update checks.
        QTest::newRow("item without version") << feed(
            "<item><enclosure url=\"https://d.example/x\" sparkle:shortVersionString=\"9.0\"/></item>")
                                              << 200 << u"17"_s << failed;
        // A download address anyone on the path could rewrite is not offered.
        QTest::newRow("plain http download elsewhere")
            << feed(item("9.0", "90", "http://d.example/x")) << 200 << u"17"_s << failed;
        QTest::newRow("server error")
            << feed(item("9.0", "90", "https://d.example/x")) << 500 << u"17"_s << failed;
    }

    void feed_offersANewerReleaseOnly()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, runningBuild);
        QFETCH(QString, expected);
        m_body = body;
        m_status = static_cast<QHttpServerResponse::StatusCode>(status);

        Updater updater(url(), u"1.4.2"_s, runningBuild);
        QSignalSpy available(&updater, &Updater::updateAvailable);
        QSignalSpy upToDate(&updater, &Updater::upToDate);
        QSignalSpy failed(&updater, &Updater::failed);
        updater.checkForUpdates();
        QTRY_VERIFY_WITH_TIMEOUT(available.size() + upToDate.size() + failed.size() > 0, 10000);
        QCOMPARE(available.size() + upToDate.size() + failed.size(), 1);
        QVERIFY(!updater.isChecking());
        QString outcome = u"up to date"_s;
        QVariant check = upToDate.value(0).value(0);
        if (!available.isEmpty()) {
            const auto info = available.at(0).at(0).value<UpdateInfo>();
            outcome = u"%1 (%2) %3 %4 %5"_s.arg(info.shortVersionString, info.version, info.title,
                info.downloadUrl.toString(), info.releaseNotesUrl.toString());
            check = available.at(0).at(1);
        } else if (!failed.isEmpty()) {
            QVERIFY(!failed.at(0).at(0).toString().isEmpty());
            outcome = u"failed"_s;
            check = failed.at(0).at(1);
        }
        QCOMPARE(outcome, expected);
        QCOMPARE(check.value<Updater::Check>(), Updater::Check::UserStarted);
    }

    void unreachableServer_fails()
    {
        Updater updater(QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(freePort())), u"1.4.2"_s, u"17"_s);
        QSignalSpy failed(&updater, &Updater::failed);
        updater.checkForUpdatesInBackground();
        QVERIFY(failed.wait(10000));
        QVERIFY(failed.at(0).at(0).toString().startsWith(u"Impossible de vérifier les mises à jour : "));
        QCOMPARE(failed.at(0).at(1).value<Updater::Check>(), Updater::Check::Background);

        // A plain-http feed on another machine is refused before any request.
        Updater remote(QUrl(u"http://updates.norvik.example/appcast.xml"_s), u"1.4.2"_s, u"17"_s);
        QSignalSpy refused(&remote, &Updater::failed);
        remote.checkForUpdates();
        QCOMPARE(refused.size(), 1);
    }

    void userCheckDuringBackgroundCheck_getsTheAnswer()
    {
        // The background check is still reading when the user asks: the one
        // answer must reach the user, or the menu entry would seem to do nothing.
        m_status = QHttpServerResponse::StatusCode::Ok;
        m_body = feed(item("1.4.2", "17", "https://d.example/x"));
        Updater updater(url(), u"1.4.2"_s, u"17"_s);
        QSignalSpy upToDate(&updater, &Updater::upToDate);
        updater.checkForUpdatesInBackground();
        updater.checkForUpdates();
        QVERIFY(upToDate.wait(10000));
        QCOMPARE(upToDate.size(), 1);
        QCOMPARE(upToDate.at(0).at(0).value<Updater::Check>(), Updater::Check::UserStarted);
    }

    void referenceServerFeed_isRead()
    {
        ServerProcess server({ u"--appcast-version"_s, u"1.5.0"_s, u"--appcast-build"_s, u"9"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QString origin = server.apiBase();
        origin.chop(4); // "/api"
        const QUrl feedUrl(origin + u"/appcast.xml"_s);

        Updater older(feedUrl, u"1.4.2"_s, u"8"_s);
        QSignalSpy available(&older, &Updater::updateAvailable);
        older.checkForUpdates();
        QVERIFY(available.wait(10000));
        const auto info = available.at(0).at(0).value<UpdateInfo>();
        QCOMPARE(info.shortVersionString, u"1.5.0"_s);
        QCOMPARE(info.version, u"9"_s);
        QVERIFY(info.downloadUrl.toString().startsWith(origin));
        QVERIFY(info.releaseNotesUrl.toString().startsWith(origin));

        // The page about the version is served, without a token.
        QNetworkAccessManager network;
        const RestAnswer notes = restCall(network, QNetworkRequest(info.releaseNotesUrl));
        QCOMPARE(notes.status, 200);
        QVERIFY(notes.body.contains("1.5.0"));
    }

private:
    QUrl url(const QString &path = u"/appcast.xml"_s) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(path));
    }

    QHttpServer m_server;
    quint16 m_port = 0;
    QByteArray m_body;
    QHttpServerResponse::StatusCode m_status = QHttpServerResponse::StatusCode::Ok;
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
