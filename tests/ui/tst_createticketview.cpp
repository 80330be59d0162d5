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

    void sendButtonFollowsTheForm_slowSubmitSendsItAsTypedOnce();
    void heicDecoded_badFilesAndPngBombsRefusedWithoutChangingTheAttachment();
    void pasteAndDrop_attachPicturesAndRefuseOtherFiles();
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
    CreateTicketView *view = ViewTestEnv::openSheet(m_view, ViewTestEnv::api(), ViewTestEnv::settings());
    if (view) {
        view->titreEdit()->setText(titre);
        view->descriptionEdit()->setPlainText(description);
    }
    return view;
}

// Sending a scaled picture is part of the user's whole day in tst_userflow.
void TestCreateTicketView::sendButtonFollowsTheForm_slowSubmitSendsItAsTypedOnce()
{
    ViewTestEnv::settings().writeInteger(UserSettings::UserId, 0);
    QVERIFY(openSheet()->findChild<IdentityBox *>()->showsWarning());
    ViewTestEnv::settings().writeInteger(UserSettings::UserId, 12);
    CreateTicketView *view = openSheet();
    QVERIFY(view);
    const IdentityBox *identity = view->findChild<IdentityBox *>();
    QCOMPARE(identity->nameLine() + u" / "_s + identity->detailLine(), u"Léa Durand / Poste 24 • Alpha"_s);
    GradientButton *send = view->sendButton();
    QTest::keyClick(view->titreEdit(), Qt::Key_Space);
    QVERIFY(view->attachImage(picture(40, 30)));
    QVERIFY(!send->isEnabled()); // an attachment is no description
    QTest::keyClick(view->descriptionEdit(), Qt::Key_Space);
    QVERIFY(send->isEnabled()); // nothing is trimmed
    view->titreEdit()->clear();
    QVERIFY(!send->isEnabled());

    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 9 } }, 200, 700);
    });
    QSignalSpy created(view, &CreateTicketView::ticketCreated);
    ViewTestEnv::typeText(view->titreEdit(), u"Imprimante bloquée "_s);
    view->descriptionEdit()->setPlainText(u"Elle affiche « erreur 5 »"_s);
    QTest::mouseClick(view->priorityPicker()->segments()[1], Qt::LeftButton);
    // A picture attached then removed: no capture goes out.
    QTest::mouseClick(ViewTestEnv::button(view, u"Supprimer"_s), Qt::LeftButton);
    QTest::mouseClick(send, Qt::LeftButton);
    QVERIFY(view->isSubmitting() && send->isBusy() && !send->isEnabled());
    // The event loop keeps running: typing still lands while we wait.
    QTest::keyClicks(view->titreEdit(), u"!"_s);
    QCOMPARE(view->titreEdit()->text(), u"Imprimante bloquée !"_s);
    QTRY_VERIFY(view->showSuccess());
    QCOMPARE(created.size(), 1);
    const QList<TestRequest> sent = m_server.requestsTo(u"/ticket/create.php"_s);
    QCOMPARE(sent.size(), 1);
    const QJsonObject body = sent.first().json();
    QCOMPARE(body.value(u"user_id"_s).toInteger(), 12);
    QCOMPARE(body.value(u"titre"_s).toString() + u'|' + body.value(u"description"_s).toString() + u'|'
            + body.value(u"priorite"_s).toString(),
        u"Imprimante bloquée |Elle affiche « erreur 5 »|haute"_s);
    QVERIFY(!body.contains(u"capture_base64"_s));

    // Between the confirmation and the closing nothing sends the ticket again.
    QVERIFY(view->isVisible() && !view->isSubmitting() && !send->isEnabled());
    view->submitTicket();
    QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), CreateTicketView::CloseDelayMs + 2000);
    QCOMPARE(m_server.count(u"/ticket/create.php"_s), 1);
}

void TestCreateTicketView::heicDecoded_badFilesAndPngBombsRefusedWithoutChangingTheAttachment()
{
    const QByteArray good = ImageFiles::png(picture(300, 200));
    QVERIFY(ImageFiles::write(file(u"truncated.png"_s), good.left(good.size() / 3)));
    QVERIFY(ImageFiles::write(file(u"notes.heic"_s), "ftypheic but not really a picture"));
    const QByteArray bomb = ImageFiles::pngBomb(20000);
    QVERIFY(!bomb.isEmpty() && bomb.size() < 4 * 1024 * 1024); // small on disk, 1.6 GB decoded
    QVERIFY(ImageFiles::write(file(u"bomb.png"_s), bomb));
    QVERIFY(picture(100, 80).save(file(u"small.png"_s)));

    CreateTicketView *view = openSheet();
    QVERIFY(view && view->loadAttachment(file(u"small.png"_s)));
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(QColor(200, 40, 40));
    if (const QByteArray heic = ImageFiles::heic(red); !heic.isEmpty()) { // an HEVC encoder makes a sample
        QVERIFY(ImageFiles::write(file(u"photo.heic"_s), heic));
        QVERIFY(view->loadAttachment(file(u"photo.heic"_s)));
        const QColor centre = view->attachment()->image.pixelColor(32, 24);
        QVERIFY2(centre.red() > 150 && centre.green() < 90, qPrintable(centre.name()));
    }
    const QString before = view->attachment()->base64;
    for (const QString &name : { u"truncated.png"_s, u"notes.heic"_s, u"bomb.png"_s, u"missing.png"_s }) {
        QVERIFY2(!view->loadAttachment(file(name)), qPrintable(name));
        QCOMPARE(view->attachment()->base64, before);
    }
    QVERIFY(!view->attachImage(QImage()));
    QCOMPARE(view->attachment()->base64, before);
    // The same decoder still reads an honest, merely large picture.
    QVERIFY(ImageFiles::write(file(u"large.png"_s), ImageFiles::pngBomb(4000)));
    QCOMPARE(ImageDecoder::fromFile(file(u"large.png"_s)).size(), QSize(4000, 4000));
}

void TestCreateTicketView::pasteAndDrop_attachPicturesAndRefuseOtherFiles()
{
    // Text pastes as text; a picture attaches, scaled, and leaves the title alone.
    CreateTicketView *view = openSheet();
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(u"texte collé"_s);
    view->titreEdit()->setFocus();
    QTest::keySequence(view->titreEdit(), QKeySequence::Paste);
    QVERIFY(!view->attachment());
    clipboard->setImage(picture(2400, 600));
    QTest::keySequence(view->titreEdit(), QKeySequence::Paste);
    QCOMPARE(view->attachment()->image.size(), QSize(1200, 300));
    QCOMPARE(view->titreEdit()->text(), u"texte collé"_s);
    // A high-density capture counts in device-independent pixels.
    QImage dense = picture(2400, 1200);
    dense.setDevicePixelRatio(2.0);
    QCOMPARE(Attachment::scaledImage(dense).size(), QSize(2400, 1200));

    // A non-picture file named on the clipboard is refused with a message.
    QVERIFY(ImageFiles::write(file(u"notes.txt"_s), "bonjour"));
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

    // Where no capture method works, the capture button says so in French.
    if (QGuiApplication::platformName() != u"offscreen")
        return;
    view->removeAttachment();
    QTest::mouseClick(ViewTestEnv::button(view, u"Capturer l'écran"_s), Qt::LeftButton);
    QCOMPARE(view->errorMessage(), ScreenCapture::unavailableMessage());
    QVERIFY(view->showError() && !view->attachment());
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
    QVERIFY(view);
    ViewTestEnv::typeText(view->titreEdit(), u"Écran noir"_s);
    ViewTestEnv::typeText(view->descriptionEdit(), u"Depuis ce matin"_s);
    view->priorityPicker()->setValue(u"haute"_s);
    QVERIFY(view->attachImage(picture(300, 200)));
    QTest::mouseClick(ViewTestEnv::button(view, u"Annuler"_s, ViewTestEnv::Shown::Only), Qt::LeftButton);
    QVERIFY(!view->isVisible() && QFile::exists(DraftStore::defaultPath()));

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

    // A refused ticket says so in the client's words.
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, false }, { u"ticket_id"_s, 0 } });
    });
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QTRY_COMPARE(view->errorMessage(), u"Erreur création ticket"_s);
    QVERIFY(view->showError() && view->sendButton()->isEnabled());
    // A network failure keeps everything, and the draft, with "Réessayer".
    m_server.setHandler([](const TestRequest &) { return TestResponse { -1, {}, 0 }; });
    QTest::mouseClick(view->sendButton(), Qt::LeftButton);
    QVERIFY(!view->showError()); // hidden while the new attempt runs
    QTRY_VERIFY(view->showError());
    QVERIFY(QFile::exists(DraftStore::defaultPath()) && view->attachment());
    // With a picture the form scrolls: the failure and its retry come into view.
    const QWidget *viewport = view->findChild<QScrollArea *>()->viewport();
    QAbstractButton *retry = ViewTestEnv::button(view, u"Réessayer"_s);
    QTRY_VERIFY(viewport->rect().contains(QRect(retry->mapTo(viewport, QPoint()), retry->size())));
    QVERIFY(saveScreenshot(view, u"create-ticket-network-failure"_s));
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, 77 } });
    });
    QTest::mouseClick(retry, Qt::LeftButton);
    QVERIFY(!retry->isVisible());
    QTRY_VERIFY(view->showSuccess());
    QCOMPARE(m_server.requestsTo(u"/ticket/create.php"_s).last().json().value(u"titre"_s).toString(),
        u"Écran noir"_s);
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
    const QList<QByteArray> unreadable { "{\"titre\": \"tronqu",
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
