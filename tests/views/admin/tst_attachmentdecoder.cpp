#include "imagefiles.h"
#include "views/admin/attachmentdecoder.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAttachmentDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptedForms_data();
    void acceptedForms();
    void refusedForms_data();
    void refusedForms();
    void oversizedDeclaration_isRefused();
    void largeButReasonableImage_decodes();

private:
    const QByteArray m_png = ImageFiles::solid(4, 3);
    const QByteArray m_base64 = m_png.toBase64();
};

static QByteArray brokenEvery(const QByteArray &text, int width, const QByteArray &separator)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); i += width)
        out += text.mid(i, width) + separator;
    return out;
}

void TestAttachmentDecoder::acceptedForms_data()
{
    QTest::addColumn<QByteArray>("capture");
    QTest::newRow("plain") << m_base64;
    QTest::newRow("data URL") << "data:image/png;base64,"_ba + m_base64;
    QTest::newRow("line feeds") << brokenEvery(m_base64, 16, "\n");
    QTest::newRow("CRLF and spaces") << brokenEvery(m_base64, 12, " \r\n ");
    // Only the text between the first and a second comma is the payload.
    QTest::newRow("trailing part after a second comma")
        << "data:image/png;base64,"_ba + m_base64 + ",junk*"_ba;
}

void TestAttachmentDecoder::acceptedForms()
{
    QFETCH(QByteArray, capture);
    const auto image = AttachmentDecoder::decode(capture);
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(4, 3));
    QCOMPARE(image->pixelColor(1, 1), QColor(Qt::red));
}

void TestAttachmentDecoder::refusedForms_data()
{
    QTest::addColumn<std::optional<QByteArray>>("capture");
    QTest::newRow("missing") << std::optional<QByteArray>();
    QTest::newRow("empty") << std::optional(QByteArray());
    QTest::newRow("stray character") << std::optional(QByteArray(m_base64.left(8) + '*' + m_base64.mid(8)));
    QTest::newRow("tab is not a line break")
        << std::optional(QByteArray(m_base64.left(8) + '\t' + m_base64.mid(8)));
    QTest::newRow("not an image") << std::optional("plain words, not pixels"_ba.toBase64());
    QTest::newRow("truncated image") << std::optional(m_png.left(m_png.size() / 2).toBase64());
    QTest::newRow("prefix only") << std::optional("data:image/png;base64,"_ba);
}

void TestAttachmentDecoder::refusedForms()
{
    QFETCH(std::optional<QByteArray>, capture);
    QVERIFY(!AttachmentDecoder::decode(capture));
}

void TestAttachmentDecoder::oversizedDeclaration_isRefused()
{
    // A few hundred bytes announcing 50,000 × 50,000 pixels (10 GB).
    const QByteArray forged = ImageFiles::forgedHeader(50000, 50000);
    QVERIFY(forged.size() < 1024);
    QVERIFY(!AttachmentDecoder::decode(forged.toBase64()));
    // Just over the pixel bound is refused as well, even if its memory would fit.
    QVERIFY(!AttachmentDecoder::decode(ImageFiles::forgedHeader(4097, 4097).toBase64()));
}

void TestAttachmentDecoder::largeButReasonableImage_decodes()
{
    // Far larger than any capture the ticket form sends, yet within bounds.
    const auto image = AttachmentDecoder::decode(ImageFiles::solid(3000, 2000, Qt::blue).toBase64());
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(3000, 2000));
}

QTEST_GUILESS_MAIN(TestAttachmentDecoder)
#include "tst_attachmentdecoder.moc"
