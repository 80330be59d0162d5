#include "artifacts.h"
#include "imagefiles.h"
#include "stdoutcapture.h"
#include "testserver.h"
#include "ui/attachment.h"
#include "ui/capturecanvas.h"
#include "ui/captureeditor.h"
#include "ui/createticketview.h"
#include "ui/draftoffer.h"
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
#include <QRandomGenerator>
#include <QScrollArea>
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

// Noise in 2 × 2 cells at twice the size: scaled down to the 1200 limit it
// comes back as noise, so no area of it looks like another.
QImage noiseAtTwiceTheSize(int width, int height)
{
    QImage noise(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            noise.setPixel(x, y, random.generate() | 0xff000000u);
    return noise.scaled(width * 2, height * 2);
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
    void captureEditor_burnsMaskAndPixelsIntoTheSentPng_undoRestores_escapeKeeps();
    void draft_keptOnClose_offeredBack_keptOnANetworkFailure_droppedOnSuccess();
    void draft_corruptOrForeignFiles_areIgnoredWithALogLine();

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
    QFile::remove(DraftStore::defaultPath());
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
    const IdentityBox *identity = view->findChild<IdentityBox *>();
    QCOMPARE(identity->nameLine() + u" / "_s + identity->detailLine(), u"Léa Durand / Poste 24 • Alpha"_s);
    QVERIFY(!identity->showsWarning());
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
    QVERIFY(openSheet()->findChild<IdentityBox *>()->showsWarning());
    QCOMPARE(m_view->findChild<IdentityBox *>()->accessibleName(),
        u"Pensez à remplir vos informations dans les paramètres"_s);
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
    QVERIFY(!ViewTestEnv::button(view, u"Capturer l'écran"_s)->isVisible());
    QTest::mouseClick(ViewTestEnv::button(view, u"Supprimer"_s), Qt::LeftButton);
    QVERIFY(!view->attachment() && ViewTestEnv::button(view, u"Capturer l'écran"_s)->isVisible());
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
    QTest::mouseClick(ViewTestEnv::button(view, u"Choisir une image"_s), Qt::LeftButton);
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
    QTest::mouseClick(ViewTestEnv::button(view, u"Capturer l'écran"_s), Qt::LeftButton);
    QVERIFY(view->showError());
    QCOMPARE(view->errorMessage(), ScreenCapture::unavailableMessage());
    QVERIFY(!view->attachment());
}

void TestCreateTicketView::captureEditor_burnsMaskAndPixelsIntoTheSentPng_undoRestores_escapeKeeps()
{
    CreateTicketView *view = openSheet(u"Écran"_s, u"Voir la capture"_s);
    QVERIFY(view && view->attachImage(noiseAtTwiceTheSize(1200, 600)));
    const QImage original = view->attachment()->image;
    QCOMPARE(original.size(), QSize(1200, 600));
    const auto openEditor = [view] {
        QTest::mouseClick(ViewTestEnv::button(view, u"Modifier la capture"_s), Qt::LeftButton);
        CaptureEditor *editor = view->captureEditor();
        return editor && QTest::qWaitForWindowExposed(editor) ? editor : nullptr;
    };
    const auto drag = [](CaptureEditor *editor, const QString &tool, QPoint from, QPoint to) {
        editor->findChild<SegmentedPicker *>()->setValue(tool);
        CaptureCanvas *canvas = editor->findChild<CaptureCanvas *>();
        QTest::mousePress(canvas, Qt::LeftButton, {}, canvas->toWidget(from).toPoint());
        QTest::mouseMove(canvas, canvas->toWidget((from + to) / 2).toPoint());
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, canvas->toWidget(to).toPoint());
    };
    // Inside the dragged areas, clear of the pixel the mapping may round to.
    const QRect masked(105, 105, 190, 90), pixelated(605, 105, 290, 190), untouched(700, 420, 500, 180);

    // Escape leaves the picture as it was.
    CaptureEditor *editor = openEditor();
    QVERIFY(editor);
    drag(editor, u"mask"_s, { 100, 100 }, { 300, 200 });
    QVERIFY(editor->editedImage() != original);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTRY_VERIFY(!view->captureEditor());
    QCOMPARE(view->attachment()->image, original);

    // Undo replays from the original: it comes back exactly.
    editor = openEditor();
    QVERIFY(editor);
    drag(editor, u"mask"_s, { 100, 100 }, { 300, 200 });
    const QImage maskedOnce = editor->editedImage();
    QTest::keySequence(editor, QKeySequence::Undo);
    QCOMPARE(editor->editedImage(), original);
    QTest::keySequence(editor, QKeySequence::Redo);
    QCOMPARE(editor->editedImage(), maskedOnce);
    drag(editor, u"pixelate"_s, { 600, 100 }, { 900, 300 });
    drag(editor, u"arrow"_s, { 100, 500 }, { 300, 300 });
    drag(editor, u"frame"_s, { 350, 350 }, { 550, 550 });
    QVERIFY(saveScreenshot(editor, u"capture-editor"_s));
    QTest::mouseClick(ViewTestEnv::button(editor, u"Terminé"_s), Qt::LeftButton);
    QTRY_VERIFY(!view->captureEditor());
    QVERIFY(saveScreenshot(view, u"create-ticket-edited-capture"_s));

    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showSuccess());
    QImage sent;
    const QJsonObject body = m_server.requestsTo(u"/ticket/create.php"_s).last().json();
    QVERIFY(sent.loadFromData(
        QByteArray::fromBase64(body.value(u"capture_base64"_s).toString().toLatin1()), "PNG"));
    QCOMPARE(sent.size(), QSize(1200, 600));
    int close = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 1200; ++x) {
            const QPoint at(x, y);
            const QRgb was = original.pixel(at), now = sent.pixel(at);
            if (masked.contains(at))
                QCOMPARE(now, qRgb(0, 0, 0));
            else if (untouched.contains(at))
                QCOMPARE(now, was);
            else if (pixelated.contains(at)
                && qMax(qMax(qAbs(qRed(was) - qRed(now)), qAbs(qGreen(was) - qGreen(now))),
                       qAbs(qBlue(was) - qBlue(now)))
                    <= 12)
                ++close;
        }
    }
    // Random pixels against block means: only chance brings any of them
    // close to the original.
    QVERIFY2(close < pixelated.width() * pixelated.height() / 100, qPrintable(QString::number(close)));
}

void TestCreateTicketView::draft_keptOnClose_offeredBack_keptOnANetworkFailure_droppedOnSuccess()
{
    CreateTicketView *view = openSheet();
    QVERIFY(view && !view->draftOffer());
    ViewTestEnv::typeText(view->titreEdit(), u"Écran noir"_s);
    ViewTestEnv::typeText(view->descriptionEdit(), u"Depuis ce matin"_s);
    view->priorityPicker()->setValue(u"haute"_s);
    QVERIFY(view->attachImage(picture(300, 200)));
    QTest::mouseClick(ViewTestEnv::button(view, u"Annuler"_s, ViewTestEnv::Shown::Only), Qt::LeftButton);
    QVERIFY(!view->isVisible());
    QVERIFY(QFile::exists(DraftStore::defaultPath()));

    // Offered back; the form waits for the answer.
    view = openSheet();
    QVERIFY(view && view->draftOffer());
    QVERIFY(!view->titreEdit()->isEnabled() && !view->sendButton()->isEnabled());
    QVERIFY(saveScreenshot(view, u"create-ticket-draft-offer"_s));
    QTest::mouseClick(view->draftOffer()->resumeButton(), Qt::LeftButton);
    QVERIFY(!view->draftOffer() && view->titreEdit()->isEnabled());
    QCOMPARE(
        view->titreEdit()->text() + u'|' + view->descriptionEdit()->toPlainText() + u'|' + view->priorite(),
        u"Écran noir|Depuis ce matin|haute"_s);
    QCOMPARE(view->attachment()->image.size(), QSize(300, 200));

    // A network failure keeps everything, and the draft, with "Réessayer".
    m_server.setHandler([](const TestRequest &) { return TestResponse { -1, {}, 0 }; });
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QVERIFY(ViewTestEnv::button(view, u"Réessayer"_s)->isVisible());
    QVERIFY(QFile::exists(DraftStore::defaultPath()) && view->attachment());
    // With a picture the form scrolls: the failure and its retry come into view.
    const QWidget *viewport = view->findChild<QScrollArea *>()->viewport();
    QTRY_VERIFY(
        viewport->rect().contains(QRect(ViewTestEnv::button(view, u"Réessayer"_s)->mapTo(viewport, QPoint()),
            ViewTestEnv::button(view, u"Réessayer"_s)->size())));
    QVERIFY(saveScreenshot(view, u"create-ticket-network-failure"_s));
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 77 } });
    });
    QTest::mouseClick(ViewTestEnv::button(view, u"Réessayer"_s), Qt::LeftButton);
    QVERIFY(!ViewTestEnv::button(view, u"Réessayer"_s)->isVisible());
    QTRY_VERIFY(view->showSuccess());
    QCOMPARE(m_server.requestsTo(u"/ticket/create.php"_s).last().json().value(u"titre"_s).toString(),
        u"Écran noir"_s);
    QVERIFY(!QFile::exists(DraftStore::defaultPath()));
    view->dismiss();
    QVERIFY(!QFile::exists(DraftStore::defaultPath()));

    // "Ignorer" drops a kept draft for good.
    QVERIFY(DraftStore().save({ u"T"_s, u"D"_s, u"normale"_s, std::nullopt }));
    view = openSheet();
    QTest::mouseClick(ViewTestEnv::button(view->draftOffer(), u"Ignorer"_s), Qt::LeftButton);
    QVERIFY(view->titreEdit()->text().isEmpty() && view->titreEdit()->isEnabled());
    QVERIFY(!QFile::exists(DraftStore::defaultPath()));
}

void TestCreateTicketView::draft_corruptOrForeignFiles_areIgnoredWithALogLine()
{
    const QList<QByteArray> unreadable { "{\"titre\": \"tronqu", "[]", "\xff\xfe\x00",
        R"({"titre": 5, "description": "", "priorite": "haute"})",
        R"({"titre": "a", "description": "b", "priorite": "haute", "capture_png_base64": "@@@"})" };
    for (const QByteArray &content : unreadable) {
        QVERIFY(QDir().mkpath(QFileInfo(DraftStore::defaultPath()).path()));
        QVERIFY(ImageFiles::write(DraftStore::defaultPath(), content));
        StdoutCapture log;
        CreateTicketView *view = openSheet();
        QVERIFY2(view && !view->draftOffer() && view->titreEdit()->isEnabled(), content.constData());
        QVERIFY(log.lines().contains(
            u"⚠️ Brouillon de ticket illisible ignoré : "_s + DraftStore::defaultPath()));
    }
    // Base64 that is no picture: the texts come back, the picture does not.
    QVERIFY(DraftStore().save({ u"T"_s, u"D"_s, u"critique"_s, u"bm90IGEgcGljdHVyZQ=="_s }));
    CreateTicketView *view = openSheet();
    QTest::mouseClick(view->draftOffer()->resumeButton(), Qt::LeftButton);
    QVERIFY(view->titreEdit()->text() == u"T"_s && !view->attachment());
}

QTEST_MAIN(TestCreateTicketView)
#include "tst_createticketview.moc"
