#include "imagefiles.h"
#include "ui/admin/attachmentdecoder.h"

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
    QTest::addColumn<QSize>("size");
    const QSize small(4, 3);
    QTest::newRow("plain") << m_base64 << small;
    QTest::newRow("data URL") << "data:image/png;base64,"_ba + m_base64 << small;
    QTest::newRow("line feeds") << brokenEvery(m_base64, 16, "\n") << small;
    QTest::newRow("CRLF and spaces") << brokenEvery(m_base64, 12, " \r\n ") << small;
    // Only the text between the first and a second comma is the payload.
    QTest::newRow("trailing part after a second comma")
        << "data:image/png;base64,"_ba + m_base64 + ",junk*"_ba << small;
    // Far larger than any capture the ticket form sends, yet within the bounds.
    QTest::newRow("3000 x 2000") << ImageFiles::solid(3000, 2000).toBase64() << QSize(3000, 2000);
}

void TestAttachmentDecoder::acceptedForms()
{
    QFETCH(QByteArray, capture);
    QFETCH(QSize, size);
    const auto image = AttachmentDecoder::decode(capture);
    QVERIFY(image);
    QCOMPARE(image->size(), size);
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
    // A few hundred bytes announcing 50,000 × 50,000 pixels (10 GB).
    QTest::newRow("header declaring 50000 x 50000")
        << std::optional(ImageFiles::forgedHeader(50000, 50000).toBase64());
    // Just over the pixel bound is refused as well, even if its memory would fit.
    QTest::newRow("header declaring 4097 x 4097")
        << std::optional(ImageFiles::forgedHeader(4097, 4097).toBase64());
}

void TestAttachmentDecoder::refusedForms()
{
    QFETCH(std::optional<QByteArray>, capture);
    QVERIFY(!AttachmentDecoder::decode(capture));
}

QTEST_GUILESS_MAIN(TestAttachmentDecoder)
#include "tst_attachmentdecoder.moc"
