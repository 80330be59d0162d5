#include "app/notificationcenter.h"
#include "artifacts.h"
#include "imagefiles.h"
#include "views/areaselector.h"
#include "views/attachment.h"
#include "views/createticketview.h"
#include "views/gradientbutton.h"
#include "views/identitybox.h"
#include "views/imagedecoder.h"
#include "views/screencapture.h"
#include "views/segmentedpicker.h"
#include "viewtestenv.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
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

QImage decodeBase64Png(const QString &text)
{
    const auto decoded
        = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    QImage image;
    image.loadFromData(*decoded, "PNG");
    return image;
}

} // namespace

class TestCreateTicketView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void scaledImage_fitsTheLargerSideWithin1200_data();
    void scaledImage_fitsTheLargerSideWithin1200();
    void priorityLabels_andSegments();
    void identityBox_showsStoredUserOrAReminder();
    void sendButton_needsTitleAndDescriptionAsTyped();
    void submit_sendsTheFormWithoutCapture_thenConfirmsAnnouncesAndCloses();
    void afterSuccess_sendStaysDisabledUntilTheSheetCloses();
    void failedCreation_showsTheDescriptionAndAllowsRetry();
    void slowServer_showsSpinnerAndKeepsTheFormResponsive();
    void attachment_isScaledEncodedSentAndRemovable();
    void heicFile_isDecoded();
    void badFiles_areRefusedWithoutChangingTheAttachment();
    void pngBomb_isRefusedWithinTheAllocationLimit();
    void fileChooser_attachesTheChosenFile();
    void paste_attachesAClipboardPictureButLeavesTextPastingAlone();
    void drop_attachesAnImageFileAndRefusesOthers();
    void capture_unavailableHereSaysSoInFrench();
    void areaSelector_cutsTheDraggedAreaOrCancels();

private:
    CreateTicketView *openSheet();
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

CreateTicketView *TestCreateTicketView::openSheet()
{
    m_view = std::make_unique<CreateTicketView>();
    m_view->show();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        return nullptr;
    return m_view.get();
}

void TestCreateTicketView::scaledImage_fitsTheLargerSideWithin1200_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("wide") << QSize(3000, 1500) << QSize(1200, 600);
    QTest::newRow("tall") << QSize(900, 2400) << QSize(450, 1200);
    QTest::newRow("small") << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("exactly the limit") << QSize(1200, 1200) << QSize(1200, 1200);
}

void TestCreateTicketView::scaledImage_fitsTheLargerSideWithin1200()
{
    QFETCH(QSize, source);
    QFETCH(QSize, expected);
    const QImage image = picture(source.width(), source.height());
    const QImage scaled = Attachment::scaledImage(image);
    QCOMPARE(scaled.size(), expected);
    if (expected == source)
        QCOMPARE(scaled.cacheKey(), image.cacheKey()); // the very same image
    // A high-density capture counts in device-independent pixels.
    QImage dense = picture(2400, 1200);
    dense.setDevicePixelRatio(2.0);
    QCOMPARE(Attachment::scaledImage(dense).size(), QSize(2400, 1200));
}

void TestCreateTicketView::priorityLabels_andSegments()
{
    QCOMPARE(CreateTicketView::priorityLabel(u"normale"_s), u"🟢 Normale"_s);
    QCOMPARE(CreateTicketView::priorityLabel(u"haute"_s), u"🟠 Haute"_s);
    QCOMPARE(CreateTicketView::priorityLabel(u"critique"_s), u"🔴 Critique"_s);
    QCOMPARE(CreateTicketView::priorityLabel(u"Urgente"_s), u"Urgente"_s);
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QCOMPARE(view->priorite(), u"normale"_s);
    const QList<QAbstractButton *> segments = view->priorityPicker()->segments();
    QCOMPARE(segments.size(), 3);
    QCOMPARE(segments[2]->text(), u"🔴 Critique"_s);
    QTest::mouseClick(segments[2], Qt::LeftButton);
    QCOMPARE(view->priorite(), u"critique"_s);
}

void TestCreateTicketView::identityBox_showsStoredUserOrAReminder()
{
    {
        CreateTicketView *view = openSheet();
        QVERIFY(!view->identityBox()->showsWarning());
        QCOMPARE(view->identityBox()->nameLine(), u"Léa Durand"_s);
        QCOMPARE(view->identityBox()->detailLine(), u"Poste 24 • Alpha"_s);
    }
    UserSettings::shared().writeText(UserSettings::CompanyName, QString());
    {
        CreateTicketView *view = openSheet();
        QCOMPARE(view->identityBox()->detailLine(), u"Poste 24"_s);
    }
    UserSettings::shared().writeInteger(UserSettings::UserId, 0);
    {
        CreateTicketView *view = openSheet();
        QVERIFY(view->identityBox()->showsWarning());
        QCOMPARE(view->identityBox()->accessibleName(),
            u"Pensez à remplir vos informations dans les paramètres"_s);
        QVERIFY(saveScreenshot(view, u"create-ticket-unregistered"_s));
    }
}

void TestCreateTicketView::sendButton_needsTitleAndDescriptionAsTyped()
{
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    GradientButton *send = view->sendButton();
    QVERIFY(!send->isEnabled());
    QTest::keyClick(view->titreEdit(), Qt::Key_Space);
    QVERIFY(!send->isEnabled());
    QVERIFY(view->attachImage(picture(40, 30)));
    QVERIFY(!send->isEnabled()); // an attachment is no description
    QTest::keyClick(view->descriptionEdit(), Qt::Key_Space);
    QVERIFY(send->isEnabled());
    view->titreEdit()->clear();
    QVERIFY(!send->isEnabled());
    QCOMPARE(view->titreEdit()->accessibleName(), u"Titre de la demande (obligatoire)"_s);
    QCOMPARE(view->descriptionEdit()->accessibleName(), u"Description détaillée (obligatoire)"_s);
}

void TestCreateTicketView::submit_sendsTheFormWithoutCapture_thenConfirmsAnnouncesAndCloses()
{
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    int refreshes = 0;
    QObject observer;
    NotificationCenter::defaultCenter().observe(
        u"RefreshMyTickets"_s, &observer, [&refreshes](const QVariant &) { ++refreshes; });
    ViewTestEnv::typeText(view->titreEdit(), u"Imprimante bloquée "_s);
    ViewTestEnv::typeText(view->descriptionEdit(), u"Elle affiche « erreur 5 »"_s);
    QTest::mouseClick(view->priorityPicker()->segments()[1], Qt::LeftButton);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showSuccess());
    QCOMPARE(refreshes, 1);
    QVERIFY(!view->showError());
    QVERIFY(view->isVisible());
    QVERIFY(saveScreenshot(view, u"create-ticket-success"_s));

    const QList<TestRequest> sent = m_server.requestsTo(u"/ticket/create.php"_s);
    QCOMPARE(sent.size(), 1);
    const QJsonObject body = sent.first().json();
    QCOMPARE(body.value(u"user_id"_s).toInteger(), 12);
    QCOMPARE(body.value(u"titre"_s).toString(), u"Imprimante bloquée "_s);
    QCOMPARE(body.value(u"description"_s).toString(), u"Elle affiche « erreur 5 »"_s);
    QCOMPARE(body.value(u"priorite"_s).toString(), u"haute"_s);
    QVERIFY(!body.contains(u"capture_base64"_s));

    QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), CreateTicketView::CloseDelayMs + 2000);
}

void TestCreateTicketView::afterSuccess_sendStaysDisabledUntilTheSheetCloses()
{
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    view->titreEdit()->setText(u"Écran noir"_s);
    view->descriptionEdit()->setPlainText(u"Depuis ce matin"_s);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showSuccess());
    QVERIFY(!view->isSubmitting());
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
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    view->titreEdit()->setText(u"T"_s);
    view->descriptionEdit()->setPlainText(u"D"_s);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Erreur création ticket"_s);
    QVERIFY(view->sendButton()->isEnabled());
    QVERIFY(!view->showSuccess());
    QCOMPARE(view->titreEdit()->text(), u"T"_s);
    QVERIFY(saveScreenshot(view, u"create-ticket-error"_s));

    // A server that is not there: the transport's French text, never empty.
    m_server.setHandler([](const TestRequest &) { return TestResponse { 200, "", 0 }; });
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QVERIFY(!view->showError()); // hidden while the new attempt runs
    QTRY_VERIFY(view->showError());
    QVERIFY(!view->errorMessage().isEmpty());
    QVERIFY(view->isVisible());
}

void TestCreateTicketView::slowServer_showsSpinnerAndKeepsTheFormResponsive()
{
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 9 } }, 200, 700);
    });
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    view->titreEdit()->setText(u"Lent"_s);
    view->descriptionEdit()->setPlainText(u"Serveur lent"_s);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QVERIFY(view->isSubmitting());
    QVERIFY(view->sendButton()->isBusy());
    QVERIFY(!view->sendButton()->isEnabled());
    // The event loop keeps running: typing still lands while we wait.
    QTest::keyClicks(view->titreEdit(), u"!"_s);
    QCOMPARE(view->titreEdit()->text(), u"Lent!"_s);
    QTRY_VERIFY(view->showSuccess());
    QVERIFY(!view->sendButton()->isBusy());
    QCOMPARE(
        m_server.requestsTo(u"/ticket/create.php"_s).first().json().value(u"titre"_s).toString(), u"Lent"_s);
}

void TestCreateTicketView::attachment_isScaledEncodedSentAndRemovable()
{
    const QString path = file(u"wide.png"_s);
    QVERIFY(picture(3000, 1500).save(path));
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QVERIFY(view->captureButton()->isVisible());
    QVERIFY(view->loadAttachment(path));
    QVERIFY(view->attachment());
    QCOMPARE(view->attachment()->image.size(), QSize(1200, 600));
    QVERIFY(!view->attachment()->base64.contains(u'\n'));
    QCOMPARE(decodeBase64Png(view->attachment()->base64).size(), QSize(1200, 600));
    QVERIFY(!view->captureButton()->isVisible());
    QVERIFY(view->removeAttachmentButton()->isVisible());
    QVERIFY(saveScreenshot(view, u"create-ticket-attachment"_s));

    view->titreEdit()->setText(u"Avec capture"_s);
    view->descriptionEdit()->setPlainText(u"Voir l'image"_s);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showSuccess());
    const QString sentCapture
        = m_server.requestsTo(u"/ticket/create.php"_s).first().json().value(u"capture_base64"_s).toString();
    QCOMPARE(sentCapture, view->attachment()->base64);

    // A fresh sheet: attach, remove, send: no capture goes out.
    view = openSheet();
    QVERIFY(view->loadAttachment(path));
    QTest::mouseClick(view->removeAttachmentButton(), Qt::LeftButton);
    QVERIFY(!view->attachment());
    QVERIFY(view->captureButton()->isVisible());
    QVERIFY(view->chooseButton()->isVisible());
    view->titreEdit()->setText(u"Sans capture"_s);
    view->descriptionEdit()->setPlainText(u"Rien"_s);
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_COMPARE(m_server.count(u"/ticket/create.php"_s), 2);
    QVERIFY(!m_server.requests.last().json().contains(u"capture_base64"_s));
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
    CreateTicketView *view = openSheet();
    QVERIFY(view->loadAttachment(path));
    QCOMPARE(decodeBase64Png(view->attachment()->base64).size(), QSize(64, 48));
}

void TestCreateTicketView::badFiles_areRefusedWithoutChangingTheAttachment()
{
    const QByteArray good = ImageFiles::png(picture(300, 200));
    QVERIFY(ImageFiles::write(file(u"truncated.png"_s), good.left(good.size() / 3)));
    QVERIFY(ImageFiles::write(file(u"noise.jpg"_s), QByteArray(4096, '\x5a')));
    QVERIFY(ImageFiles::write(file(u"empty.png"_s), QByteArray()));
    QVERIFY(ImageFiles::write(file(u"notes.heic"_s), "ftypheic but not really a picture"));
    QVERIFY(picture(100, 80).save(file(u"small.png"_s)));

    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QVERIFY(view->loadAttachment(file(u"small.png"_s)));
    const QString before = view->attachment()->base64;
    for (const QString &name :
        { u"truncated.png"_s, u"noise.jpg"_s, u"empty.png"_s, u"notes.heic"_s, u"missing.png"_s }) {
        QVERIFY2(!view->loadAttachment(file(name)), qPrintable(name));
        QCOMPARE(view->attachment()->base64, before);
    }
    QVERIFY(!view->attachImage(QImage()));
    QCOMPARE(view->attachment()->base64, before);
}

void TestCreateTicketView::pngBomb_isRefusedWithinTheAllocationLimit()
{
    const QByteArray bomb = ImageFiles::pngBomb(20000);
    QVERIFY(!bomb.isEmpty());
    QVERIFY(bomb.size() < 4 * 1024 * 1024); // small on disk, 1.6 GB decoded
    const QString path = file(u"bomb.png"_s);
    QVERIFY(ImageFiles::write(path, bomb));
    QVERIFY(ImageDecoder::fromFile(path).isNull());
    CreateTicketView *view = openSheet();
    QVERIFY(!view->loadAttachment(path));
    QVERIFY(!view->attachment());
    // The same decoder still reads an honest, merely large picture.
    QVERIFY(ImageFiles::write(path, ImageFiles::pngBomb(4000)));
    QCOMPARE(ImageDecoder::fromFile(path).size(), QSize(4000, 4000));
}

void TestCreateTicketView::fileChooser_attachesTheChosenFile()
{
    const QString path = file(u"chosen.png"_s);
    QVERIFY(picture(640, 480).save(path));
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = view->findChild<QFileDialog *>()) != nullptr);
    QVERIFY(dialog->nameFilters().join(u' ').contains(u"*.heic"_s));
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    // Cancelling changes nothing.
    dialog->reject();
    QVERIFY(!view->attachment());
    QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
    QTRY_VERIFY((dialog = view->findChild<QFileDialog *>()) != nullptr && dialog->isVisible());
    // Typed into the name field, as a keyboard user would.
    auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
    QVERIFY(name);
    name->setText(path);
    static_cast<QDialog *>(dialog)->accept(); // the "Open" button
    QTRY_VERIFY(view->attachment().has_value());
    QCOMPARE(view->attachment()->image.size(), QSize(640, 480));
}

void TestCreateTicketView::paste_attachesAClipboardPictureButLeavesTextPastingAlone()
{
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
    QVERIFY(view->attachment());
    QCOMPARE(view->attachment()->image.size(), QSize(1200, 300));
    QCOMPARE(view->titreEdit()->text(), u"texte collé"_s);

    // A non-picture file named on the clipboard is refused with a message.
    view->removeAttachment();
    QVERIFY(ImageFiles::write(file(u"notes.txt"_s), "bonjour"));
    auto *mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(file(u"notes.txt"_s)) });
    clipboard->setMimeData(mime);
    view->pasteImage();
    QVERIFY(!view->attachment());
    QVERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Ce fichier n'est pas une image lisible (PNG, JPEG ou HEIC)."_s);
}

void TestCreateTicketView::drop_attachesAnImageFileAndRefusesOthers()
{
    const QString image = file(u"dropped.jpg"_s);
    QVERIFY(picture(500, 400).save(image, "JPEG"));
    QVERIFY(ImageFiles::write(file(u"dropped.txt"_s), "pas une image"));
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    auto dropFile = [view](const QString &path) {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &drop);
        return true;
    };
    QVERIFY(dropFile(file(u"dropped.txt"_s)));
    QVERIFY(!view->attachment());
    QVERIFY(view->showError());
    QVERIFY(dropFile(image));
    QVERIFY(view->attachment());
    QCOMPARE(view->attachment()->image.size(), QSize(500, 400));
}

void TestCreateTicketView::capture_unavailableHereSaysSoInFrench()
{
    QCOMPARE(ScreenCapture::methodFor(u"xcb"_s), ScreenCapture::Method::AreaSelection);
    QCOMPARE(ScreenCapture::methodFor(u"wayland"_s), ScreenCapture::Method::Portal);
    QCOMPARE(ScreenCapture::methodFor(u"wayland-egl"_s), ScreenCapture::Method::Portal);
    QCOMPARE(ScreenCapture::methodFor(u"offscreen"_s), ScreenCapture::Method::Unavailable);
    const QString path = ScreenCapture::newCapturePath();
    QVERIFY(QFileInfo(path).fileName().startsWith(u"screenshot-"_s));
    QCOMPARE(QFileInfo(path).fileName().size(), 11 + 36 + 4);
    if (QGuiApplication::platformName() != u"offscreen")
        QSKIP("the unavailable path is seen on the offscreen platform");
    CreateTicketView *view = openSheet();
    QTest::mouseClick(view->captureButton(), Qt::LeftButton);
    QVERIFY(view->showError());
    QCOMPARE(view->errorMessage(), ScreenCapture::unavailableMessage());
    QVERIFY(!view->attachment());
}

void TestCreateTicketView::areaSelector_cutsTheDraggedAreaOrCancels()
{
    QImage screen(800, 600, QImage::Format_RGB32);
    screen.fill(Qt::white);
    for (int y = 100; y < 200; ++y)
        for (int x = 200; x < 400; ++x)
            screen.setPixelColor(x, y, Qt::red);
    {
        auto *selector = new AreaSelector(screen, QRect(0, 0, 800, 600));
        QSignalSpy selected(selector, &AreaSelector::selected);
        QSignalSpy destroyed(selector, &QObject::destroyed);
        selector->show();
        QVERIFY(QTest::qWaitForWindowExposed(selector));
        QTest::mousePress(selector, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
        QTest::mouseMove(selector, QPoint(300, 150));
        QTest::mouseRelease(selector, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
        QCOMPARE(selected.count(), 1);
        const QImage cut = selected.first().first().value<QImage>();
        QCOMPARE(cut.size(), QSize(200, 100));
        QCOMPARE(cut.pixelColor(100, 50), QColor(Qt::red));
        QTRY_COMPARE(destroyed.count(), 1);
    }
    {
        auto *selector = new AreaSelector(screen, QRect(0, 0, 800, 600));
        QSignalSpy selected(selector, &AreaSelector::selected);
        QSignalSpy cancelled(selector, &AreaSelector::cancelled);
        selector->show();
        QVERIFY(QTest::qWaitForWindowExposed(selector));
        QVERIFY(selector->grab().save(artifactPath(u"area-selector"_s)));
        QTest::keyClick(selector, Qt::Key_Escape);
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(selected.count(), 0);
    }
}

QTEST_MAIN(TestCreateTicketView)
#include "tst_createticketview.moc"
