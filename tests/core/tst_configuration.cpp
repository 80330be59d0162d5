#include "core/configuration.h"
#include "testing.h"

class TestConfiguration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        qunsetenv("NORVIK_API_BASE");
        qunsetenv("NORVIK_WS_URL");
    }

    void cleanup() { init(); }

    void apiBase_acceptedOrRefused_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected"); // empty: refused

        QTest::newRow("http on localhost")
            << u"http://LocalHost:8080/api"_s << u"http://LocalHost:8080/api"_s;
        QTest::newRow("http on 127.4.5.6") << u"http://127.4.5.6/api"_s << u"http://127.4.5.6/api"_s;
        QTest::newRow("http on ::1") << u"http://[::1]:8080/api/"_s << u"http://[::1]:8080/api"_s;
        QTest::newRow("http to a server") << u"http://support.norvik.example/api"_s << QString();
        QTest::newRow("http to a name starting like loopback")
            << u"http://127.0.0.1.evil.example/api"_s << QString();
        QTest::newRow("http to localhost's namesake") << u"http://localhost.evil.example/api"_s << QString();
        QTest::newRow("http with loopback user info") << u"http://127.0.0.1@evil.example/api"_s << QString();
        QTest::newRow("no host") << u"https:///api"_s << QString();
        QTest::newRow("not a URL") << u"support.norvik.example/api"_s << QString();
        QTest::newRow("query in the base") << u"https://help.example.org/api?x=1"_s << QString();
    }

    void apiBase_acceptedOrRefused()
    {
        QFETCH(QString, given);
        QFETCH(QString, expected);

        QString error;
        const auto configuration = parse({ u"--api-base"_s, given }, &error);
        if (expected.isEmpty()) {
            QVERIFY(!configuration);
            QVERIFY2(error.contains(given) && error.contains(u"API"_s), qPrintable(error));
        } else {
            QVERIFY2(configuration, qPrintable(error));
            QCOMPARE(configuration->apiBase, expected);
        }
    }

    void wsUrl_plainOnlyOnLoopback_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("accepted");

        // Plain ws to a server is refused in tst_appprocess's options.
        QTest::newRow("wss") << u"wss://rt.example.org/norvik-ws"_s << true;
        QTest::newRow("https is no WebSocket") << u"https://rt.example.org/norvik-ws"_s << false;
    }

    void wsUrl_plainOnlyOnLoopback()
    {
        QFETCH(QString, given);
        QFETCH(bool, accepted);

        QString error;
        const auto configuration = parse({ u"--ws-url="_s + given }, &error);
        QCOMPARE(configuration.has_value(), accepted);
        if (accepted)
            QCOMPARE(configuration->wsURL, QUrl(given));
        else
            QVERIFY2(error.contains(u"WebSocket"_s), qPrintable(error));
    }

    void optionBeatsEnvironmentBeatsDefault()
    {
        qputenv("NORVIK_API_BASE", "https://env.example/api/");
        qputenv("NORVIK_WS_URL", "ws://localhost:7000/norvik-ws");
        QString error;
        const auto fromEnvironment = parse({}, &error);
        QVERIFY2(fromEnvironment, qPrintable(error));
        QCOMPARE(fromEnvironment->apiBase, u"https://env.example/api"_s);
        QCOMPARE(fromEnvironment->wsURL, QUrl(u"ws://localhost:7000/norvik-ws"_s));

        const auto fromOption = parse({ u"--api-base"_s, u"http://127.0.0.1:9/api"_s }, &error);
        QVERIFY2(fromOption, qPrintable(error));
        QCOMPARE(fromOption->apiBase, u"http://127.0.0.1:9/api"_s);
        QCOMPARE(
            fromOption->wsURL, QUrl(u"ws://localhost:7000/norvik-ws"_s)); // untouched by the other option

        // Set to nothing counts as not set.
        qputenv("NORVIK_API_BASE", "");
        QCOMPARE(parse({}, &error)->apiBase, u"https://support.norvik.example/api"_s);
        // A refused environment value is not rescued by the default: it is an error.
        qputenv("NORVIK_API_BASE", "http://env.example/api");
        QVERIFY(!parse({}, &error));
        // ...unless an option replaces it.
        QVERIFY(parse({ u"--api-base=https://opt.example/api"_s }, &error));
        // An option without its value is an error, not an empty address.
        QVERIFY(!parse({ u"--api-base"_s }, &error));
        QVERIFY(error.contains(u"--api-base"_s));
    }

private:
    static std::optional<Configuration> parse(const QStringList &options, QString *error)
    {
        return Configuration::fromEnvironmentAndArguments(
            QStringList { u"norvik-support"_s } + options, error);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
