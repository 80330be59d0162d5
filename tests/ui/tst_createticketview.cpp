#include "artifacts.h"
#include "imagefiles.h"
#include "testserver.h"
#include "ui/attachment.h"
#include "ui/createticketview.h"
#include "ui/identitybox.h"
#include "ui/screencapture.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/imagedecoder.h"
#include "ui/widgets/segmentedpicker.h"
#include "viewtestenv.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    return image;
}

} // namespace

class TestCreateTicketView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void scaledImage_fitsTheLargerSideWithin1200();
    void identityAndSendButton_followTheStoredUserAndTheFormAsTyped();
    void slowSubmit_sendsTheFormAsTyped_thenStaysDisabledUntilTheSheetCloses();
    void failedCreation_showsTheDescriptionAndAllowsRetry();
    void heicFile_isDecoded();
    void badFilesAndPngBombs_areRefusedWithoutChangingTheAttachment();
    void fileChooser_attachesTheChosenFile();
    void pasteAndDrop_attachPicturesAndRefuseOtherFiles();
    void capture_unavailableHereSaysSoInFrench();

private:
    CreateTicketView *openSheet(const QString &titre = {}, const QString &description = {});
    QString file(const QString &name) const { return m_files.filePath(name); }

    QTemporaryDir m_config;
    QTemporaryDir m_files;
    TestServer m_server;
    std::unique_ptr<CreateTicketView> m_view;
};

void TestCreateTicketView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
    QVERIFY(m_files.isValid());
}

void TestCreateTicketView::init()
{
    m_view.reset();
    ViewTestEnv::clearSettings();
    ViewTestEnv::storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
    m_server.requests.clear();
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 501 } });
    });
}

CreateTicketView *TestCreateTicketView::openSheet(const QString &titre, const QString &description)
{
    CreateTicketView *view = ViewTestEnv::openSheet(m_view, APIService::shared(), UserSettings::shared());
    if (view) {
        view->titreEdit()->setText(titre);
        view->descriptionEdit()->setPlainText(description);
    }
    return view;
}

// Sending a scaled picture is part of the user's whole day in tst_userflow.
void TestCreateTicketView::scaledImage_fitsTheLargerSideWithin1200()
{
    QCOMPARE(Attachment::scaledImage(picture(900, 2400)).size(), QSize(450, 1200));
    // A high-density capture counts in device-independent pixels.
    QImage dense = picture(2400, 1200);
    dense.setDevicePixelRatio(2.0);
    QCOMPARE(Attachment::scaledImage(dense).size(), QSize(2400, 1200));
}

void TestCreateTicketView::identityAndSendButton_followTheStoredUserAndTheFormAsTyped()
{
    QCOMPARE(CreateTicketView::priorityLabel(u"haute"_s), u"🟠 Haute"_s);
    QCOMPARE(CreateTicketView::priorityLabel(u"Urgente"_s), u"Urgente"_s);
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    const IdentityBox *identity = view->identityBox();
    QCOMPARE(identity->nameLine() + u" / "_s + identity->detailLine(), u"Léa Durand / Poste 24 • Alpha"_s);
    QVERIFY(!identity->showsWarning());
    QCOMPARE(view->titreEdit()->accessibleName(), u"Titre de la demande (obligatoire)"_s);
    QCOMPARE(view->descriptionEdit()->accessibleName(), u"Description détaillée (obligatoire)"_s);
    GradientButton *send = view->sendButton();
    QVERIFY(!send->isEnabled());
    QTest::keyClick(view->titreEdit(), Qt::Key_Space);
    QVERIFY(!send->isEnabled());
    QVERIFY(view->attachImage(picture(40, 30)));
    QVERIFY(!send->isEnabled()); // an attachment is no description
    QTest::keyClick(view->descriptionEdit(), Qt::Key_Space);
    QVERIFY(send->isEnabled()); // nothing is trimmed
    view->titreEdit()->clear();
    QVERIFY(!send->isEnabled());

    UserSettings::shared().writeInteger(UserSettings::UserId, 0);
    QVERIFY(openSheet()->identityBox()->showsWarning());
    QCOMPARE(
        m_view->identityBox()->accessibleName(), u"Pensez à remplir vos informations dans les paramètres"_s);
}

void TestCreateTicketView::slowSubmit_sendsTheFormAsTyped_thenStaysDisabledUntilTheSheetCloses()
{
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 9 } }, 200, 700);
    });
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QSignalSpy created(view, &CreateTicketView::ticketCreated);
    ViewTestEnv::typeText(view->titreEdit(), u"Imprimante bloquée "_s);
    ViewTestEnv::typeText(view->descriptionEdit(), u"Elle affiche « erreur 5 »"_s);
    QTest::mouseClick(view->priorityPicker()->segments()[1], Qt::LeftButton);
    // A picture attached then removed: no capture goes out.
    QVERIFY(view->attachImage(picture(40, 30)));
    QVERIFY(!view->captureButton()->isVisible());
    QTest::mouseClick(view->removeAttachmentButton(), Qt::LeftButton);
    QVERIFY(!view->attachment() && view->captureButton()->isVisible());
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QVERIFY(view->isSubmitting() && view->sendButton()->isBusy());
    QVERIFY(!view->sendButton()->isEnabled());
    // The event loop keeps running: typing still lands while we wait.
    QTest::keyClicks(view->titreEdit(), u"!"_s);
    QCOMPARE(view->titreEdit()->text(), u"Imprimante bloquée !"_s);
    QTRY_VERIFY(view->showSuccess());
    QCOMPARE(created.size(), 1);
    QVERIFY(saveScreenshot(view, u"create-ticket-success"_s));

    const QList<TestRequest> sent = m_server.requestsTo(u"/ticket/create.php"_s);
    QCOMPARE(sent.size(), 1);
    const QJsonObject body = sent.first().json();
    QCOMPARE(body.value(u"user_id"_s).toInteger(), 12);
    QCOMPARE(body.value(u"titre"_s).toString(), u"Imprimante bloquée "_s);
    QCOMPARE(body.value(u"description"_s).toString(), u"Elle affiche « erreur 5 »"_s);
    QCOMPARE(body.value(u"priorite"_s).toString(), u"haute"_s);
    QVERIFY(!body.contains(u"capture_base64"_s));

    // Between the confirmation and the closing nothing sends the ticket again.
    QVERIFY(view->isVisible() && !view->isSubmitting());
    QVERIFY(!view->sendButton()->isEnabled());
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    view->submitTicket();
    QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), CreateTicketView::CloseDelayMs + 2000);
    QCOMPARE(m_server.count(u"/ticket/create.php"_s), 1);
}

void TestCreateTicketView::failedCreation_showsTheDescriptionAndAllowsRetry()
{
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, false }, { u"ticket_id"_s, 0 } });
    });
    CreateTicketView *view = openSheet(u"T"_s, u"D"_s);
    QVERIFY(view);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Erreur création ticket"_s);
    QVERIFY(view->sendButton()->isEnabled() && !view->showSuccess());

    // An empty answer: the client's French text, never an empty line.
    m_server.setHandler([](const TestRequest &) { return TestResponse { 200, "", 0 }; });
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QVERIFY(!view->showError()); // hidden while the new attempt runs
    QTRY_VERIFY(view->showError());
    QVERIFY(!view->errorMessage().isEmpty());
}

void TestCreateTicketView::heicFile_isDecoded()
{
    QImage source(64, 48, QImage::Format_RGB32);
    source.fill(QColor(200, 40, 40));
    const QByteArray bytes = ImageFiles::heic(source);
    if (bytes.isEmpty())
        QSKIP("this libheif has no HEVC encoder to make a sample");
    const QString path = file(u"photo.heic"_s);
    QVERIFY(ImageFiles::write(path, bytes));
    const QImage decoded = ImageDecoder::fromFile(path);
    QCOMPARE(decoded.size(), QSize(64, 48));
    const QColor centre = decoded.pixelColor(32, 24);
    QVERIFY2(centre.red() > 150 && centre.green() < 90, qPrintable(centre.name()));
    QVERIFY(openSheet()->loadAttachment(path));
}

void TestCreateTicketView::badFilesAndPngBombs_areRefusedWithoutChangingTheAttachment()
{
    const QByteArray good = ImageFiles::png(picture(300, 200));
    QVERIFY(ImageFiles::write(file(u"truncated.png"_s), good.left(good.size() / 3)));
    QVERIFY(ImageFiles::write(file(u"noise.jpg"_s), QByteArray(4096, '\x5a')));
    QVERIFY(ImageFiles::write(file(u"empty.png"_s), QByteArray()));
    QVERIFY(ImageFiles::write(file(u"notes.heic"_s), "ftypheic but not really a picture"));
    const QByteArray bomb = ImageFiles::pngBomb(20000);
    QVERIFY(!bomb.isEmpty() && bomb.size() < 4 * 1024 * 1024); // small on disk, 1.6 GB decoded
    QVERIFY(ImageFiles::write(file(u"bomb.png"_s), bomb));
    QVERIFY(picture(100, 80).save(file(u"small.png"_s)));

    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QVERIFY(view->loadAttachment(file(u"small.png"_s)));
    const QString before = view->attachment()->base64;
    for (const QString &name : { u"truncated.png"_s, u"noise.jpg"_s, u"empty.png"_s, u"notes.heic"_s,
             u"bomb.png"_s, u"missing.png"_s }) {
        QVERIFY2(!view->loadAttachment(file(name)), qPrintable(name));
        QCOMPARE(view->attachment()->base64, before);
    }
    QVERIFY(!view->attachImage(QImage()));
    QCOMPARE(view->attachment()->base64, before);
    // The same decoder still reads an honest, merely large picture.
    QVERIFY(ImageFiles::write(file(u"large.png"_s), ImageFiles::pngBomb(4000)));
    QCOMPARE(ImageDecoder::fromFile(file(u"large.png"_s)).size(), QSize(4000, 4000));
}

void TestCreateTicketView::fileChooser_attachesTheChosenFile()
{
    const QString path = file(u"chosen.png"_s);
    QVERIFY(picture(640, 480).save(path));
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = view->findChild<QFileDialog *>()) != nullptr && dialog->isVisible());
    QVERIFY(dialog->nameFilters().join(u' ').contains(u"*.heic"_s));
    // Typed into the name field, as a keyboard user would.
    auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
    QVERIFY(name);
    name->setText(path);
    static_cast<QDialog *>(dialog)->accept(); // the "Open" button
    QTRY_VERIFY(view->attachment().has_value());
    QCOMPARE(view->attachment()->image.size(), QSize(640, 480));
}

void TestCreateTicketView::pasteAndDrop_attachPicturesAndRefuseOtherFiles()
{
    QVERIFY(ImageFiles::write(file(u"notes.txt"_s), "bonjour"));
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(u"texte collé"_s);
    view->titreEdit()->setFocus();
    QTest::keySequence(view->titreEdit(), QKeySequence::Paste);
    QCOMPARE(view->titreEdit()->text(), u"texte collé"_s);
    QVERIFY(!view->attachment());
    clipboard->setImage(picture(2400, 600));
    QTest::keySequence(view->titreEdit(), QKeySequence::Paste);
    QCOMPARE(view->attachment()->image.size(), QSize(1200, 300));
    QCOMPARE(view->titreEdit()->text(), u"texte collé"_s);

    // A non-picture file named on the clipboard is refused with a message.
    view->removeAttachment();
    auto *named = new QMimeData;
    named->setUrls({ QUrl::fromLocalFile(file(u"notes.txt"_s)) });
    clipboard->setMimeData(named);
    view->pasteImage();
    QVERIFY(!view->attachment());
    QCOMPARE(view->errorMessage(), u"Ce fichier n'est pas une image lisible (PNG, JPEG ou HEIC)."_s);

    auto dropFile = [&view](const QString &path) {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted())
            QCoreApplication::sendEvent(view, &drop);
        return enter.isAccepted();
    };
    view = openSheet();
    QVERIFY(dropFile(file(u"notes.txt"_s)));
    QVERIFY(!view->attachment() && view->showError());
    QVERIFY(picture(500, 400).save(file(u"dropped.jpg"_s), "JPEG"));
    QVERIFY(dropFile(file(u"dropped.jpg"_s)));
    QCOMPARE(view->attachment()->image.size(), QSize(500, 400));
}

void TestCreateTicketView::capture_unavailableHereSaysSoInFrench()
{
    QCOMPARE(ScreenCapture::methodFor(u"xcb"_s), ScreenCapture::Method::AreaSelection);
    QCOMPARE(ScreenCapture::methodFor(u"wayland-egl"_s), ScreenCapture::Method::Portal);
    QCOMPARE(ScreenCapture::methodFor(u"offscreen"_s), ScreenCapture::Method::Unavailable);
    if (QGuiApplication::platformName() != u"offscreen")
        QSKIP("the unavailable path is seen on the offscreen platform");
    CreateTicketView *view = openSheet();
    QTest::mouseClick(view->captureButton(), Qt::LeftButton);
    QVERIFY(view->showError());
    QCOMPARE(view->errorMessage(), ScreenCapture::unavailableMessage());
    QVERIFY(!view->attachment());
}

QTEST_MAIN(TestCreateTicketView)
#include "tst_createticketview.moc"
