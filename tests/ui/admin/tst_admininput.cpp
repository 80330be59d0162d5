#include "imagefiles.h"
#include "testing.h"
#include "ui/admin/attachmentdecoder.h"
#include "ui/admin/companycode.h"

// What reaches the administrator screens as text: company codes as typed,
// and the capture text of a ticket.
class TestAdminInput : public QObject
{
    Q_OBJECT

private:
    const QByteArray m_png = ImageFiles::solid(4, 3);
    const QByteArray m_base64 = m_png.toBase64();

private Q_SLOTS:
    void sanitize_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("punctuation, symbols and spaces") << u"a.b/c_d+e€f -1"_s << u"ABCDEF1"_s;
        QTest::newRow("full casing expands") << u"straße"_s << u"STRASSE"_s;
        QTest::newRow("emoji dropped whole") << u"a😀b"_s << u"AB"_s;
        QTest::newRow("letter outside the basic plane") << u"𝐀1"_s << u"𝐀1"_s;
        QTest::newRow("long code not cut") << u"abcdefghijklm"_s << u"ABCDEFGHIJKLM"_s;
    }

    void sanitize()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(sanitizeCode(typed), kept);
    }

    void sanitize_isIdempotentForEveryCodePoint()
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

    void formValidity_countsCharactersNotUnits()
    {
        const QString name = u"Norvik"_s;
        QVERIFY(!CompanyCode::isFormValid(name, u"AB"_s));
        QVERIFY(CompanyCode::isFormValid(name, u"ABC"_s));
        // A name of one space counts as filled; an empty one does not.
        QVERIFY(CompanyCode::isFormValid(u" "_s, u"ABC"_s));
        QVERIFY(!CompanyCode::isFormValid(QString(), u"ABC"_s));
        // Ten letters outside the basic plane are ten characters, not twenty.
        const QString astral = u"𝐀"_s.repeated(10);
        QVERIFY(CompanyCode::isFormValid(name, astral));
        QVERIFY(!CompanyCode::isFormValid(name, astral + u"𝐀"_s));
    }

    void acceptedCaptures_data()
    {
        QTest::addColumn<QByteArray>("capture");
        QTest::addColumn<QSize>("size");
        const QSize small(4, 3);
        QTest::newRow("plain") << m_base64 << small;
        QTest::newRow("data URL") << "data:image/png;base64,"_ba + m_base64 << small;
        // More than one break: every one goes.
        QTest::newRow("CRLF and spaces")
            << m_base64.left(12) + " \r\n " + m_base64.mid(12, 12) + "\r\n " + m_base64.mid(24) << small;
        // Only the text between the first and a second comma is the payload.
        QTest::newRow("trailing part after a second comma")
            << "data:image/png;base64,"_ba + m_base64 + ",junk*"_ba << small;
        // Far larger than any capture the ticket form sends, yet within the bounds.
        QTest::newRow("3000 x 2000") << ImageFiles::solid(3000, 2000).toBase64() << QSize(3000, 2000);
    }

    void acceptedCaptures()
    {
        QFETCH(QByteArray, capture);
        QFETCH(QSize, size);
        const auto image = AttachmentDecoder::decode(capture);
        QVERIFY(image);
        QCOMPARE(image->size(), size);
        QCOMPARE(image->pixelColor(1, 1), QColor(Qt::red));
    }

    void refusedCaptures_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("capture");
        QTest::newRow("missing") << std::optional<QByteArray>();
        QTest::newRow("tab is not a line break")
            << std::optional(QByteArray(m_base64.left(8) + '\t' + m_base64.mid(8)));
        QTest::newRow("truncated image") << std::optional(m_png.left(m_png.size() / 2).toBase64());
        QTest::newRow("prefix only") << std::optional("data:image/png;base64,"_ba);
        // Just over the pixel bound is refused as well, even if its memory would fit.
        QTest::newRow("header declaring 4097 x 4097")
            << std::optional(ImageFiles::forgedHeader(4097, 4097).toBase64());
    }

    void refusedCaptures()
    {
        QFETCH(std::optional<QByteArray>, capture);
        QVERIFY(!AttachmentDecoder::decode(capture));
    }
};

QTEST_GUILESS_MAIN(TestAdminInput)
#include "tst_admininput.moc"
