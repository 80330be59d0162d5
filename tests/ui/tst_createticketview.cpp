#include "imagefiles.h"
#include "notificationdaemon.h"
#include "runtask.h"
#include "stdoutcapture.h"
#include "systemreport/systemreportcollector.h"
#include "testing.h"
#include "ui/attachment.h"
#include "ui/attachmentpicker.h"
#include "ui/capturecanvas.h"
#include "ui/captureeditor.h"
#include "ui/createticketview.h"
#include "ui/draftoffer.h"
#include "ui/identitybox.h"
#include "ui/screencapture.h"
#include "ui/systemreportsheet.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/imagedecoder.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/segmentedpicker.h"
#include "viewtestenv.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollArea>

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

class TestCreateTicketView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        QVERIFY(m_files.isValid());
        // A session bus without a keyring: the user's secret stays in a file
        // of this test, and the report's session units come from this bus.
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        m_credentials
            = std::make_unique<CredentialStore>(u"norvik-support-test"_s, file(u"credentials.json"_s));
        RunTask::run(m_credentials->store(CredentialStore::Kind::UserSecret, u"secret-utilisateur"_s));
        m_accountsApi = std::make_unique<APIService>(m_env->configuration, *m_credentials);
    }

    void init()
    {
        m_view.reset();
        QFile::remove(DraftStore::defaultPath());
        m_env->clearSettings();
        m_env->storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
        m_server.clearRequests();
        m_server.clearReplies();
        answerTickets(created(501));
    }

    // Sending a scaled picture is in captureEditor_burnsMaskAndPixelsIntoTheSentPng_undoRestores_escapeKeeps.
    void sendButtonFollowsTheForm_slowSubmitSendsItAsTypedOnce()
    {
        m_env->settings.writeInteger(UserSettings::UserId, 0);
        QCOMPARE(openSheet()->findChild<IdentityBox *>()->accessibleName(),
            u"Pensez à remplir vos informations dans les paramètres"_s);
        m_env->settings.writeInteger(UserSettings::UserId, 12);
        CreateTicketView *view = openSheet();
        QVERIFY(view);
        const IdentityBox *identity = view->findChild<IdentityBox *>();
        QCOMPARE(identity->accessibleName() + u" / "_s + identity->accessibleDescription(),
            u"Léa Durand / Poste 24 • Alpha"_s);
        GradientButton *send = sendButton(view);
        QTest::keyClick(titre(view), Qt::Key_Space);
        QVERIFY(picker(view)->attachImage(picture(40, 30)));
        QVERIFY(!send->isEnabled()); // an attachment is no description
        QTest::keyClick(description(view), Qt::Key_Space);
        QVERIFY(send->isEnabled()); // nothing is trimmed
        titre(view)->clear();
        QVERIFY(!send->isEnabled());

        answerTickets(created(9, 700));
        QSignalSpy announced(view, &CreateTicketView::ticketCreated);
        ViewTestEnv::typeText(titre(view), u"Imprimante bloquée "_s);
        description(view)->setPlainText(u"Elle affiche « erreur 5 »"_s);
        QTest::mouseClick(priority(view)->segments()[1], Qt::LeftButton);
        // A picture attached then removed: no capture goes out.
        QTest::mouseClick(ViewTestEnv::button(view, u"Supprimer"_s), Qt::LeftButton);
        QTest::mouseClick(send, Qt::LeftButton);
        QVERIFY(send->isBusy() && !send->isEnabled());
        // The event loop keeps running: typing still lands while we wait.
        QTest::keyClicks(titre(view), u"!"_s);
        QCOMPARE(titre(view)->text(), u"Imprimante bloquée !"_s);
        QTRY_VERIFY(showsSuccess(view));
        QCOMPARE(announced.size(), 1);
        QCOMPARE(m_server.count(u"/ticket/create.php"_s), 1);
        QCOMPARE(lastSent(),
            (QJsonObject { { u"user_id"_s, 12 }, { u"titre"_s, u"Imprimante bloquée "_s },
                { u"description"_s, u"Elle affiche « erreur 5 »"_s }, { u"priorite"_s, u"haute"_s } }));

        // Between the confirmation and the closing nothing sends the ticket again.
        QVERIFY(view->isVisible() && !send->isBusy() && !send->isEnabled());
        view->submitTicket();
        QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), CreateTicketView::CloseDelayMs + 2000);
        QCOMPARE(m_server.count(u"/ticket/create.php"_s), 1);
    }

    void heicDecoded_badFilesAndPngBombsRefusedWithoutChangingTheAttachment()
    {
        const QByteArray good = ImageFiles::png(picture(300, 200));
        QVERIFY(ImageFiles::write(file(u"truncated.png"_s), good.left(good.size() / 3)));
        QVERIFY(ImageFiles::write(file(u"notes.heic"_s), "ftypheic but not really a picture"));
        // Small on disk, 1.6 GB decoded.
        QVERIFY(ImageFiles::write(file(u"bomb.png"_s), ImageFiles::pngBomb(20000)));

        CreateTicketView *view = openSheet();
        QVERIFY(view && picker(view)->attachImage(picture(100, 80)));
        // Where an HEVC encoder makes a sample.
        if (const QByteArray heic = ImageFiles::heic(picture(64, 48)); !heic.isEmpty()) {
            QVERIFY(ImageFiles::write(file(u"photo.heic"_s), heic));
            QVERIFY(picker(view)->loadAttachment(file(u"photo.heic"_s)));
            const QColor centre = picker(view)->attachment()->image.pixelColor(32, 24);
            QVERIFY2(centre.blue() > 150 && centre.red() < 90, qPrintable(centre.name()));
        }
        const QString before = picker(view)->attachment()->base64;
        for (const QString &name : { u"truncated.png"_s, u"notes.heic"_s, u"bomb.png"_s, u"missing.png"_s }) {
            QVERIFY2(!picker(view)->loadAttachment(file(name)), qPrintable(name));
            QCOMPARE(picker(view)->attachment()->base64, before);
        }
        QVERIFY(!picker(view)->attachImage(QImage()));
        QCOMPARE(picker(view)->attachment()->base64, before);
        // The same decoder still reads an honest, merely large picture.
        QVERIFY(ImageFiles::write(file(u"large.png"_s), ImageFiles::pngBomb(4000)));
        QCOMPARE(ImageDecoder::fromFile(file(u"large.png"_s)).size(), QSize(4000, 4000));
    }

    void pasteAndDrop_attachPicturesAndRefuseOtherFiles()
    {
        // Text pastes as text; a picture attaches, scaled, and leaves the title alone.
        CreateTicketView *view = openSheet();
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(u"texte collé"_s);
        titre(view)->setFocus();
        QTest::keySequence(titre(view), QKeySequence::Paste);
        QVERIFY(!picker(view)->attachment());
        clipboard->setImage(picture(2400, 600));
        QTest::keySequence(titre(view), QKeySequence::Paste);
        QCOMPARE(picker(view)->attachment()->image.size(), QSize(1200, 300));
        QCOMPARE(titre(view)->text(), u"texte collé"_s);
        // A high-density capture counts in device-independent pixels.
        QImage dense = picture(2400, 1200);
        dense.setDevicePixelRatio(2.0);
        QCOMPARE(Attachment::scaledImage(dense).size(), QSize(2400, 1200));

        // A non-picture file named on the clipboard is refused with a message.
        QVERIFY(ImageFiles::write(file(u"notes.txt"_s), "bonjour"));
        picker(view)->removeAttachment();
        auto *named = new QMimeData;
        named->setUrls({ QUrl::fromLocalFile(file(u"notes.txt"_s)) });
        clipboard->setMimeData(named);
        picker(view)->pasteImage();
        QVERIFY(!picker(view)->attachment());
        QCOMPARE(errorBox(view)->text(), u"Ce fichier n'est pas une image lisible (PNG, JPEG ou HEIC)."_s);

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
        QVERIFY(!picker(view)->attachment() && !errorBox(view)->isHidden());
        QVERIFY(picture(500, 400).save(file(u"dropped.jpg"_s), "JPEG"));
        QVERIFY(dropFile(file(u"dropped.jpg"_s)));
        QCOMPARE(picker(view)->attachment()->image.size(), QSize(500, 400));

        // Where no capture method works, the capture button says so in French.
        if (QGuiApplication::platformName() != u"offscreen")
            return;
        picker(view)->removeAttachment();
        QTest::mouseClick(ViewTestEnv::button(view, u"Capturer l'écran"_s), Qt::LeftButton);
        QCOMPARE(errorBox(view)->text(), ScreenCapture::unavailableMessage());
        QVERIFY(!errorBox(view)->isHidden() && !picker(view)->attachment());
    }

    void captureEditor_burnsMaskAndPixelsIntoTheSentPng_undoRestores_escapeKeeps()
    {
        CreateTicketView *view = openReadSheet(m_env->api);
        QVERIFY(view && picker(view)->attachImage(noiseAtTwiceTheSize(1200, 600)));
        const QImage original = picker(view)->attachment()->image;
        const auto openEditor = [view] {
            QTest::mouseClick(ViewTestEnv::button(view, u"Modifier la capture"_s), Qt::LeftButton);
            CaptureEditor *editor = view->findChild<CaptureEditor *>();
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
        QTRY_VERIFY(!view->findChild<CaptureEditor *>());
        QCOMPARE(picker(view)->attachment()->image, original);

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
        QTest::mouseClick(ViewTestEnv::button(editor, u"Terminé"_s), Qt::LeftButton);
        QTRY_VERIFY(!view->findChild<CaptureEditor *>());

        QVERIFY(sendAndConfirm(view));
        QImage sent;
        QVERIFY(sent.loadFromData(
            QByteArray::fromBase64(lastSent().value(u"capture_base64"_s).toString().toLatin1()), "PNG"));
        QCOMPARE(sent.size(), QSize(1200, 600));
        int close = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 1200; ++x) {
                const QPoint at(x, y);
                const QRgb was = original.pixel(at), now = sent.pixel(at);
                if (masked.contains(at))
                    QCOMPARE(now, qRgb(0, 0, 0));
                else if (untouched.contains(at))
                    QCOMPARE(now, was);
                else if (pixelated.contains(at))
                    close += qAbs(qRed(was) - qRed(now)) <= 12 && qAbs(qGreen(was) - qGreen(now)) <= 12
                        && qAbs(qBlue(was) - qBlue(now)) <= 12;
            }
        // Random pixels against block means: only chance brings any of them
        // close to the original.
        QCOMPARE_LT(close, pixelated.width() * pixelated.height() / 100);
    }

    void draft_keptOnClose_offeredBack_keptOnANetworkFailure_droppedOnSuccess()
    {
        CreateTicketView *view = openSheet();
        QVERIFY(view);
        ViewTestEnv::typeText(titre(view), u"Écran noir"_s);
        ViewTestEnv::typeText(description(view), u"Depuis ce matin"_s);
        priority(view)->setValue(u"haute"_s);
        QVERIFY(picker(view)->attachImage(picture(300, 200)));
        QTest::mouseClick(ViewTestEnv::button(view, u"Annuler"_s, ViewTestEnv::Shown::Only), Qt::LeftButton);
        QVERIFY(!view->isVisible() && QFile::exists(DraftStore::defaultPath()));

        // Offered back; the form waits for the answer.
        view = openSheet();
        QVERIFY(view && waitingOffer(view));
        QVERIFY(!titre(view)->isEnabled() && !sendButton(view)->isEnabled());
        resume(view);
        QVERIFY(!waitingOffer(view) && titre(view)->isEnabled());
        QCOMPARE(
            titre(view)->text() + u'|' + description(view)->toPlainText() + u'|' + priority(view)->value(),
            u"Écran noir|Depuis ce matin|haute"_s);
        QCOMPARE(picker(view)->attachment()->image.size(), QSize(300, 200));

        // A network failure keeps everything, and the draft, with "Réessayer".
        answerTickets({ -1, {}, 0 });
        QTest::mouseClick(sendButton(view), Qt::LeftButton);
        QTRY_VERIFY(!errorBox(view)->isHidden());
        QVERIFY(QFile::exists(DraftStore::defaultPath()) && picker(view)->attachment()
            && sendButton(view)->isEnabled());
        // With a picture the form scrolls: the failure and its retry come into view.
        const QWidget *viewport = view->findChild<QScrollArea *>()->viewport();
        QAbstractButton *retry = ViewTestEnv::button(view, u"Réessayer"_s);
        QTRY_VERIFY(viewport->rect().contains(QRect(retry->mapTo(viewport, QPoint()), retry->size())));
        answerTickets(created(77));
        QTest::mouseClick(retry, Qt::LeftButton);
        QVERIFY(!retry->isVisible() && errorBox(view)->isHidden()); // while the new attempt runs
        QTRY_VERIFY(showsSuccess(view));
        QCOMPARE(lastSent().value(u"titre"_s).toString(), u"Écran noir"_s);
        view->dismiss();
        QVERIFY(!QFile::exists(DraftStore::defaultPath()));

        // "Ignorer" drops a kept draft for good.
        QVERIFY(DraftStore().save({ u"T"_s, u"D"_s, u"normale"_s, std::nullopt }));
        view = openSheet();
        QTest::mouseClick(ViewTestEnv::button(waitingOffer(view), u"Ignorer"_s), Qt::LeftButton);
        QVERIFY(titre(view)->text().isEmpty() && titre(view)->isEnabled());
        QVERIFY(!QFile::exists(DraftStore::defaultPath()));
    }

    void draft_corruptOrForeignFiles_areIgnoredWithALogLine()
    {
        const QList<QByteArray> unreadable { "{\"titre\": \"tronqu",
            R"({"titre": 5, "description": "", "priorite": "haute"})",
            R"({"titre": "a", "description": "b", "priorite": "haute", "capture_png_base64": "@@@"})",
            R"({"titre": "a", "description": "b", "priorite": "haute", "system_report": "Système"})" };
        for (const QByteArray &content : unreadable) {
            QVERIFY(QDir().mkpath(QFileInfo(DraftStore::defaultPath()).path()));
            QVERIFY(ImageFiles::write(DraftStore::defaultPath(), content));
            StdoutCapture log;
            CreateTicketView *view = openSheet();
            QVERIFY2(view && !waitingOffer(view) && titre(view)->isEnabled(), content.constData());
            QVERIFY(log.lines().contains(
                u"⚠️ Brouillon de ticket illisible ignoré : "_s + DraftStore::defaultPath()));
        }
        // Base64 that is no picture: the texts come back, the picture does not.
        QVERIFY(DraftStore().save({ u"T"_s, u"D"_s, u"critique"_s, u"bm90IGEgcGljdHVyZQ=="_s }));
        CreateTicketView *view = openSheet();
        resume(view);
        QVERIFY(titre(view)->text() == u"T"_s && !picker(view)->attachment());
    }

    // The refusal of a report too large by the server is the server's own test.
    void systemReport_sentOnlyTickedAndToAServerThatTellsCallersApart_previewShowsWhatIsSent()
    {
        CreateTicketView *view = openReadSheet(*m_accountsApi);
        QVERIFY(view && attachBox(view)->isChecked()); // ticked until the user says otherwise
        QTest::mouseClick(ViewTestEnv::button(view, u"Voir"_s), Qt::LeftButton);
        auto *preview = view->findChild<SystemReportSheet *>();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        QVERIFY(ViewTestEnv::showsText(preview,
            u"Les adresses réseau, le nom de la machine et les lignes du journal sont des données "
            "personnelles : décochez la case du formulaire pour ne pas les envoyer."_s));
        const QString shown = preview->reportText();
        QVERIFY(shown.startsWith(u"Système\n"_s) && shown.contains(u"\nErreurs récentes\n"_s));
        preview->dismiss();
        QVERIFY(sendAndConfirm(view));
        const TestRequest sent = m_server.requestsTo(u"/ticket/create.php"_s).last();
        QVERIFY(sent.headers.contains("authorization"));
        // Every section: tst_systemreport's collector case.
        QCOMPARE(SystemReport::fromJson(sent.json().value(u"system_report"_s).toObject()).toText(), shown);

        // Unticked: remembered, and nothing of the machine goes out.
        view = openReadSheet(*m_accountsApi);
        QTest::mouseClick(attachBox(view), Qt::LeftButton, {}, QPoint(4, attachBox(view)->height() / 2));
        QCOMPARE(m_env->storedValue(UserSettings::AttachSystemReport).toString(), u"false"_s);
        QVERIFY(sendAndConfirm(view));
        QVERIFY(!lastSent().contains(u"system_report"_s));
        view = openSheet();
        QVERIFY(!attachBox(view)->isChecked());

        // Ticked, towards a server of the shared token alone: the request of
        // before. Ticking starts a reading, and its form goes while the
        // server's health is still asked.
        attachBox(view)->setChecked(true);
        view = openReadSheet(m_env->api);
        QVERIFY(sendAndConfirm(view));
        QCOMPARE(m_server.requestsTo(u"/ticket/create.php"_s).last().body,
            R"({"description":"D","priorite":"normale","titre":"T","user_id":12})");
    }

    void systemReport_keptInTheDraftOnlyWhenTicked_refusalShowsTheServersReason()
    {
        CreateTicketView *view = openReadSheet(*m_accountsApi);
        QVERIFY(view);
        view->dismiss();
        const auto keptReport = [] { return DraftStore().load().value_or(TicketDraft {}).systemReport; };
        const std::optional<QJsonObject> kept = keptReport();
        QVERIFY(kept && kept->contains(u"system"_s));
        view = openSheet();
        resume(view);
        attachBox(view)->setChecked(false);
        view->dismiss();
        QVERIFY(!keptReport() && DraftStore().load());

        // Ticked again: the resumed draft's report is the one sent; a refusal
        // of it reads as the server words it.
        QVERIFY(DraftStore().save({ u"T"_s, u"D"_s, u"normale"_s, std::nullopt, kept }));
        view = openSheet(m_accountsApi.get());
        resume(view);
        attachBox(view)->setChecked(true);
        answerTickets(TestResponse::json({ { u"error"_s, u"Rapport système trop volumineux"_s } }, 413));
        QTest::mouseClick(sendButton(view), Qt::LeftButton);
        QTRY_COMPARE(errorBox(view)->text(), u"Rapport système trop volumineux"_s);
        QCOMPARE(lastSent().value(u"system_report"_s).toObject(), *kept);
    }

private:
    // A form on api, filled, once its system report has been read.
    CreateTicketView *openReadSheet(APIService &api)
    {
        CreateTicketView *view = openSheet(&api);
        if (!view)
            return nullptr;
        titre(view)->setText(u"T"_s);
        description(view)->setPlainText(u"D"_s);
        auto *collector = view->findChild<SystemReportCollector *>();
        return QTest::qWaitFor([collector] { return collector->isFinished(); }, 20000) ? view : nullptr;
    }

    // A form on api, the shared token's unless given.
    CreateTicketView *openSheet(APIService *api = nullptr)
    {
        return ViewTestEnv::openSheet(m_view, api ? *api : m_env->api, m_env->settings);
    }

    QString file(const QString &name) const { return m_files.filePath(name); }

    void answerTickets(const TestResponse &response) { m_server.setReply(u"/ticket/create.php"_s, response); }
    static TestResponse created(qint64 ticket, int delayMs = 0)
    {
        return TestResponse::json({ { u"success"_s, true }, { u"ticket_id"_s, ticket } }, 200, delayMs);
    }
    QJsonObject lastSent() const { return m_server.requestsTo(u"/ticket/create.php"_s).last().json(); }

    static bool sendAndConfirm(QWidget *view)
    {
        QTest::mouseClick(sendButton(view), Qt::LeftButton);
        return QTest::qWaitFor([view] { return showsSuccess(view); });
    }
    static void resume(QWidget *view)
    {
        QTest::mouseClick(waitingOffer(view)->resumeButton(), Qt::LeftButton);
    }

    // The form's named parts.
    static QLineEdit *titre(QWidget *view) { return view->findChild<QLineEdit *>(u"titre"_s); }
    static QPlainTextEdit *description(QWidget *view)
    {
        return view->findChild<QPlainTextEdit *>(u"description"_s);
    }
    static SegmentedPicker *priority(QWidget *view)
    {
        return view->findChild<SegmentedPicker *>(u"priority"_s);
    }
    static GradientButton *sendButton(QWidget *view) { return view->findChild<GradientButton *>(u"send"_s); }
    static NoticeBox *errorBox(QWidget *view) { return view->findChild<NoticeBox *>(u"error"_s); }
    static bool showsSuccess(QWidget *view)
    {
        return !view->findChild<NoticeBox *>(u"success"_s)->isHidden();
    }
    static AttachmentPicker *picker(QWidget *view) { return view->findChild<AttachmentPicker *>(); }
    static QCheckBox *attachBox(QWidget *view) { return view->findChild<QCheckBox *>(u"attachReport"_s); }
    // The offer of a kept draft while it awaits an answer, else nullptr.
    static DraftOffer *waitingOffer(QWidget *view)
    {
        auto *offer = view->findChild<DraftOffer *>(u"draftOffer"_s);
        return offer && !offer->isHidden() ? offer : nullptr;
    }

    QTemporaryDir m_files;
    NotificationDaemon m_bus;
    std::unique_ptr<CredentialStore> m_credentials;
    std::unique_ptr<APIService> m_accountsApi;
    std::unique_ptr<CreateTicketView> m_view;
};

QTEST_MAIN(TestCreateTicketView)
#include "tst_createticketview.moc"
