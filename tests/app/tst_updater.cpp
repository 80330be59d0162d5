#include "app/updater.h"
#include "serverprocess.h"

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:norvik="https://norvik.example/xmlns/appcast/1.0"><channel><title>Norvik Support</title>)"_ba
        + items + "</channel></rss>";
}

QByteArray item(const QByteArray &shortVersion, const QByteArray &build, const QByteArray &url,
    const QByteArray &notes = {})
{
    QByteArray text = "<item><title>Norvik Support " + shortVersion + "</title>";
    if (!notes.isEmpty())
        text += "<norvik:releaseNotesLink>" + notes + "</norvik:releaseNotesLink>";
    text += "<enclosure url=\"" + url + "\" norvik:version=\"" + build + "\" norvik:shortVersionString=\""
        + shortVersion + "\" length=\"0\" type=\"application/octet-stream\"/></item>";
    return text;
}

} // namespace

// The updater against feeds served on loopback: the running program is 1.4.2, build 17.
class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void compareVersions_isNumericPartByPart_data();
    void compareVersions_isNumericPartByPart();
    void newerRelease_isOfferedWithItsDetails();
    void feedWithSeveralItems_offersTheNewest();
    void sameOrOlderRelease_isUpToDate_data();
    void sameOrOlderRelease_isUpToDate();
    void unusableFeed_fails_data();
    void unusableFeed_fails();
    void unreachableServer_fails();
    void userCheckDuringBackgroundCheck_getsTheAnswer();
    void feedUrl_comesFromTheEnvironment();
    void referenceServerFeed_isRead();

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

void TestUpdater::initTestCase()
{
    m_server.route(u"/appcast.xml"_s,
        [this] { return QHttpServerResponse("application/rss+xml"_ba, m_body, m_status); });
    m_port = m_server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(m_port != 0);
}

void TestUpdater::compareVersions_isNumericPartByPart_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("expected");
    QTest::newRow("ten after nine") << u"1.10"_s << u"1.9"_s << 1;
    QTest::newRow("equal") << u"2.0.1"_s << u"2.0.1"_s << 0;
    QTest::newRow("missing part is zero") << u"1.0"_s << u"1"_s << 0;
    QTest::newRow("longer and greater") << u"1.0.1"_s << u"1.0"_s << 1;
    QTest::newRow("older major") << u"1.99.99"_s << u"2"_s << -1;
    QTest::newRow("leading zeros") << u"1.02"_s << u"1.2"_s << 0;
    QTest::newRow("suffix ignored") << u"1.3-beta"_s << u"1.3"_s << 0;
    QTest::newRow("plain numbers") << u"18"_s << u"17"_s << 1;
}

void TestUpdater::compareVersions_isNumericPartByPart()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, expected);
    QCOMPARE(Updater::compareVersions(left, right), expected);
    QCOMPARE(Updater::compareVersions(right, left), -expected);
}

void TestUpdater::newerRelease_isOfferedWithItsDetails()
{
    m_status = QHttpServerResponse::StatusCode::Ok;
    m_body = feed(item("1.10.0", "30", "https://support.norvik.example/download/norvik-support_1.10.0.deb",
        "https://support.norvik.example/notes/1.10.0.html"));
    Updater updater(url(), u"1.4.2"_s, u"17"_s);
    QSignalSpy available(&updater, &Updater::updateAvailable);
    QSignalSpy upToDate(&updater, &Updater::upToDate);
    QSignalSpy failed(&updater, &Updater::failed);
    updater.checkForUpdatesInBackground();
    QVERIFY(available.wait(10000));
    QCOMPARE(upToDate.size() + failed.size(), 0);
    const auto info = available.at(0).at(0).value<UpdateInfo>();
    QCOMPARE(info.shortVersionString, u"1.10.0"_s);
    QCOMPARE(info.version, u"30"_s);
    QCOMPARE(info.title, u"Norvik Support 1.10.0"_s);
    QCOMPARE(info.downloadUrl, QUrl(u"https://support.norvik.example/download/norvik-support_1.10.0.deb"_s));
    QCOMPARE(info.releaseNotesUrl, QUrl(u"https://support.norvik.example/notes/1.10.0.html"_s));
    QCOMPARE(available.at(0).at(1).value<Updater::Check>(), Updater::Check::Background);
}

void TestUpdater::feedWithSeveralItems_offersTheNewest()
{
    m_status = QHttpServerResponse::StatusCode::Ok;
    m_body
        = feed(item("1.5.0", "20", "https://d.example/1.5.0") + item("2.0.0", "40", "https://d.example/2.0.0")
            + item("1.9.0", "35", "https://d.example/1.9.0") + item("1.0.0", "3", "https://d.example/1.0.0"));
    Updater updater(url(), u"1.4.2"_s, u"17"_s);
    QSignalSpy available(&updater, &Updater::updateAvailable);
    updater.checkForUpdates();
    QVERIFY(available.wait(10000));
    QCOMPARE(available.at(0).at(0).value<UpdateInfo>().shortVersionString, u"2.0.0"_s);
    QCOMPARE(available.at(0).at(1).value<Updater::Check>(), Updater::Check::UserStarted);
}

void TestUpdater::sameOrOlderRelease_isUpToDate_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("same") << feed(item("1.4.2", "17", "https://d.example/x"));
    QTest::newRow("older") << feed(item("1.4.1", "16", "https://d.example/x"));
    QTest::newRow("older though its build number is higher")
        << feed(item("1.3.9", "99", "https://d.example/x"));
    QTest::newRow("no items") << feed({});
}

void TestUpdater::sameOrOlderRelease_isUpToDate()
{
    QFETCH(QByteArray, body);
    m_status = QHttpServerResponse::StatusCode::Ok;
    m_body = body;
    Updater updater(url(), u"1.4.2"_s, u"17"_s);
    QSignalSpy upToDate(&updater, &Updater::upToDate);
    QSignalSpy available(&updater, &Updater::updateAvailable);
    QSignalSpy failed(&updater, &Updater::failed);
    updater.checkForUpdates();
    QVERIFY(upToDate.wait(10000));
    QCOMPARE(available.size() + failed.size(), 0);
    QCOMPARE(upToDate.at(0).at(0).value<Updater::Check>(), Updater::Check::UserStarted);
}

void TestUpdater::unusableFeed_fails_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("truncated xml") << feed(item("9.0", "90", "https://d.example/x")).left(120) << 200;
    QTest::newRow("not rss") << "<html><body>Maintenance</body></html>"_ba << 200;
    QTest::newRow("json") << "{\"version\": \"9.0\"}"_ba << 200;
    QTest::newRow("item without version")
        << feed("<item><enclosure url=\"https://d.example/x\" norvik:shortVersionString=\"9.0\"/></item>")
        << 200;
    // A download address anyone on the path could rewrite is not offered.
    QTest::newRow("plain http download elsewhere") << feed(item("9.0", "90", "http://d.example/x")) << 200;
    QTest::newRow("server error") << feed(item("9.0", "90", "https://d.example/x")) << 500;
    QTest::newRow("not found") << QByteArray() << 404;
}

void TestUpdater::unusableFeed_fails()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    m_body = body;
    m_status = static_cast<QHttpServerResponse::StatusCode>(status);
    Updater updater(url(), u"1.4.2"_s, u"17"_s);
    QSignalSpy failed(&updater, &Updater::failed);
    QSignalSpy available(&updater, &Updater::updateAvailable);
    QSignalSpy upToDate(&updater, &Updater::upToDate);
    updater.checkForUpdates();
    QVERIFY(failed.wait(10000));
    QCOMPARE(available.size() + upToDate.size(), 0);
    QVERIFY(!failed.at(0).at(0).toString().isEmpty());
    QVERIFY(!updater.isChecking());
}

void TestUpdater::unreachableServer_fails()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    Updater updater(QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(port)), u"1.4.2"_s, u"17"_s);
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

void TestUpdater::userCheckDuringBackgroundCheck_getsTheAnswer()
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

void TestUpdater::feedUrl_comesFromTheEnvironment()
{
    qunsetenv("NORVIK_UPDATE_FEED");
    QCOMPARE(Updater().feedUrl(), QUrl(u"https://support.norvik.example/appcast.xml"_s));
    qputenv("NORVIK_UPDATE_FEED", "http://127.0.0.1:8089/appcast.xml");
    QCOMPARE(Updater().feedUrl(), QUrl(u"http://127.0.0.1:8089/appcast.xml"_s));
    qunsetenv("NORVIK_UPDATE_FEED");
}

void TestUpdater::referenceServerFeed_isRead()
{
    ServerProcess server({ u"--appcast-version"_s, u"1.5.0"_s, u"--appcast-build"_s, u"9"_s });
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QString origin = server.apiBase();
    origin.chop(4); // "/api"
    const QUrl feedUrl(origin + u"/appcast.xml"_s);

    Updater older(feedUrl, u"1.4.2"_s, u"17"_s);
    QSignalSpy available(&older, &Updater::updateAvailable);
    older.checkForUpdates();
    QVERIFY(available.wait(10000));
    const auto info = available.at(0).at(0).value<UpdateInfo>();
    QCOMPARE(info.shortVersionString, u"1.5.0"_s);
    QCOMPARE(info.version, u"9"_s);
    QVERIFY(info.downloadUrl.toString().startsWith(origin));
    QVERIFY(info.releaseNotesUrl.toString().startsWith(origin));

    Updater same(feedUrl, u"1.5.0"_s, u"9"_s);
    QSignalSpy upToDate(&same, &Updater::upToDate);
    same.checkForUpdates();
    QVERIFY(upToDate.wait(10000));
}

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
