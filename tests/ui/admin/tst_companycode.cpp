#include "ui/admin/companycode.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCompanyCode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sanitize_data();
    void sanitize();
    void sanitize_isIdempotentForEveryCodePoint();
    void formValidity_countsCharactersNotUnits();
};

void TestCompanyCode::sanitize_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("hyphen and space") << u"ab-12 c"_s << u"AB12C"_s;
    QTest::newRow("accented letter kept") << u"é"_s << u"É"_s;
    QTest::newRow("full casing expands") << u"straße"_s << u"STRASSE"_s;
    QTest::newRow("punctuation and symbols") << u"a.b/c_d+e€f"_s << u"ABCDEF"_s;
    QTest::newRow("digits of other scripts") << u"x٣"_s << u"X٣"_s;
    QTest::newRow("emoji dropped whole") << u"a😀b"_s << u"AB"_s;
    QTest::newRow("letter outside the basic plane") << u"𝐀1"_s << u"𝐀1"_s;
    QTest::newRow("long code not cut") << u"abcdefghijklm"_s << u"ABCDEFGHIJKLM"_s;
    QTest::newRow("nothing left") << u" -_ "_s << QString();
}

void TestCompanyCode::sanitize()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(sanitizeCode(typed), kept);
}

void TestCompanyCode::sanitize_isIdempotentForEveryCodePoint()
{
    // The field re-runs the step on its own assignment: it must settle at once
    // for any character a user can paste, alone or after a letter.
    for (char32_t c = 1; c < 0x30000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const QString typed = u"a"_s + QString::fromUcs4(&c, 1);
        const QString once = sanitizeCode(typed);
        if (sanitizeCode(once) != once)
            QFAIL(qPrintable(u"not settled for U+"_s + QString::number(uint(c), 16)));
        for (const char32_t kept : QStringView(once).toUcs4()) {
            if (!QChar::isLetterOrNumber(kept))
                QFAIL(qPrintable(u"kept a non-letter from U+"_s + QString::number(uint(c), 16)));
        }
    }
}

void TestCompanyCode::formValidity_countsCharactersNotUnits()
{
    const QString name = u"Norvik"_s;
    QVERIFY(!CompanyCode::isFormValid(name, u"AB"_s));
    QVERIFY(CompanyCode::isFormValid(name, u"ABC"_s));
    QVERIFY(CompanyCode::isFormValid(name, u"ABCDEFGHIJ"_s));
    QVERIFY(!CompanyCode::isFormValid(name, u"ABCDEFGHIJK"_s));
    // A name of one space counts as filled; an empty one does not.
    QVERIFY(CompanyCode::isFormValid(u" "_s, u"ABC"_s));
    QVERIFY(!CompanyCode::isFormValid(QString(), u"ABC"_s));
    // Ten letters outside the basic plane are ten characters, not twenty.
    QString astral;
    for (int i = 0; i < 10; ++i)
        astral += u"𝐀"_s;
    QCOMPARE(CompanyCode::length(astral), 10);
    QVERIFY(CompanyCode::isFormValid(name, astral));
    QVERIFY(!CompanyCode::isFormValid(name, astral + u"𝐀"_s));
}

QTEST_GUILESS_MAIN(TestCompanyCode)
#include "tst_companycode.moc"
