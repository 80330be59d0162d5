#include "protocol/dates.h"
#include "protocol/records.h"
#include "protocol/vocabulary.h"
#include "testing.h"

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The round trip itself is replayed on every fuzzing input of the channel,
    // the capture's key read back from the server in tst_userflow.
    void ticket_absentMembersAreLeftOut()
    {
        Ticket t;
        t.id = 9;
        QVERIFY(!t.toJson().contains(u"message"_s));
    }

    void displayTexts_fallBackAndTrimOnlyToDecide()
    {
        // The fallback title, null or blank, is read on the channel's and the
        // notifier's tests.
        Ticket t = Ticket::fromJson(QJsonObject { { u"id"_s, 3 } });
        QCOMPARE(t.displayMessage(), u"Aucun message"_s);
        t.titre = u" Écran noir"_s;
        QCOMPARE(t.displayTitle(), u" Écran noir"_s);
        t.message = u"Depuis ce matin"_s;
        QCOMPARE(t.displayMessage(), u"Depuis ce matin"_s);
        t.description = u" "_s;
        QCOMPARE(t.displayMessage(), u" "_s);
    }

    void vocabulary_comparesLowerCased()
    {
        QCOMPARE(Priority::tint(u"CRITIQUE"_s), Tint::Red);
        QCOMPARE(Priority::tint(u"Haute"_s), Tint::Orange);
        QCOMPARE(Priority::tint(std::nullopt), Tint::Gray);
        QCOMPARE(Status::badgeText(u"fermé"_s), u"FERMÉ"_s);
        QVERIFY(Status::isClosed(u"Fermé"_s) && Status::isOpen(u"OPEN"_s) && Status::isOpen(u"Ouvert"_s));
        QVERIFY(!Status::isOpen(u"en_cours"_s) && !Status::isClosed(u"en_cours"_s));
    }

    void dates_formatsAndFallbacks()
    {
        QCOMPARE(Dates::formatUserCard(u"07/03/2025"_s), u"07/03/2025"_s);
        // ISO times are shown in the machine's zone; fix it to compare.
        QCOMPARE(Dates::formatAdminCard(u"2025-01-15T09:30:00.123+01:00"_s), u"15 janv. 2025 à 08:30"_s);
        // Not the strict form: no fraction or no zone. The cards' own forms are
        // read on the ticket screens.
        for (const QString &raw :
            { u"2025-03-07T14:05:00Z"_s, u"2025-03-07T14:05:00.123"_s, u"2025-02-30T10:00:00.0Z"_s, u""_s })
            QCOMPARE(Dates::formatAdminCard(raw), raw);
    }
};

int main(int argc, char **argv)
{
    qputenv("TZ", "UTC");
    QCoreApplication app(argc, argv);
    TestRecords test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records.moc"
