#include "createticketview.h"

#include "captureeditor.h"
#include "core/apiservice.h"
#include "core/log.h"
#include "core/usersettings.h"
#include "draftoffer.h"
#include "identitybox.h"
#include "imagepreview.h"
#include "protocol/errors.h"
#include "protocol/vocabulary.h"
#include "screencapture.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/imagedecoder.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/segmentedpicker.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace Sizes = Style::Metrics::CreateTicket;

namespace {

QPushButton *plainButton(
    const QString &symbol, const QString &text, const QColor &color, const char *role, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    Style::setRole(button, role);
    button->setIcon(SymbolIcons::icon(symbol, color, Sizes::ButtonSymbol));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QString notAPictureMessage()
{
    return u"Ce fichier n'est pas une image lisible (PNG, JPEG ou HEIC)."_s;
}

} // namespace

QString CreateTicketView::priorityLabel(const QString &priority)
{
    if (priority == Priority::Normale)
        return u"🟢 Normale"_s;
    if (priority == Priority::Haute)
        return u"🟠 Haute"_s;
    if (priority == Priority::Critique)
        return u"🔴 Critique"_s;
    return priority;
}

QStringList CreateTicketView::priorites()
{
    return { Priority::Normale.toString(), Priority::Haute.toString(), Priority::Critique.toString() };
}

CreateTicketView::CreateTicketView(APIService &api, const UserSettings &settings, QWidget *parent)
    : Sheet(SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
    , m_screenCapture(new ScreenCapture(this))
{
    setWindowTitle(u"Créer un ticket"_s);
    setAcceptDrops(true);
    // Qt's own decoders (clipboard, drops) honour the same bound as files.
    QImageReader::setAllocationLimit(ImageDecoder::AllocationLimitMiB);

    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    auto *header = new QHBoxLayout;
    header->setContentsMargins(Sizes::HeaderLeftPadding, Sizes::HeaderTopPadding, Sizes::HeaderRightPadding,
        Sizes::HeaderBottomPadding);
    header->addLayout(
        ScreenParts::titles(u"Créer un ticket"_s, u"Décrivez votre demande au support technique"_s, this), 1);
    m_close = IconButton::closeButton(this);
    connect(m_close, &IconButton::clicked, this, &Sheet::dismiss);
    header->addWidget(m_close, 0, Qt::AlignTop);
    outer->addLayout(header);

    QWidget *content = ScreenParts::addScrollingPage(outer);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(Sizes::ContentSidePadding, Sizes::ContentTopPadding, Sizes::ContentSidePadding,
        Sizes::ContentBottomPadding);
    column->setSpacing(Sizes::SectionSpacing);

    m_identity = new IdentityBox(settings, content);
    column->addWidget(m_identity);

    auto *titreLabel = new FieldLabel(u"doc.text"_s, u"Titre de la demande"_s, true, content);
    m_titre = new QLineEdit(content);
    m_titre->setPlaceholderText(u"Ex: Impossible d'imprimer"_s);
    titreLabel->setBuddy(m_titre);
    // Each section keeps its label close to what it labels.
    const auto section = [column](const QList<QWidget *> &parts) {
        auto *sectionColumn = new QVBoxLayout;
        sectionColumn->setSpacing(Common::LabelToField);
        for (QWidget *part : parts)
            sectionColumn->addWidget(part);
        column->addLayout(sectionColumn);
    };
    section({ titreLabel, m_titre });

    auto *descriptionLabel = new FieldLabel(u"text.alignleft"_s, u"Description détaillée"_s, true, content);
    m_description = new QPlainTextEdit(content);
    m_description->setFixedHeight(Sizes::DescriptionHeight);
    // Tab moves on, so the keyboard can leave the editor.
    m_description->setTabChangesFocus(true);
    descriptionLabel->setBuddy(m_description);
    section({ descriptionLabel, m_description });

    // Picture: the two ways to attach one, or the one attached.
    auto *captureLabel = new FieldLabel(u"camera"_s, u"Capture d'écran (optionnel)"_s, false, content);
    m_attachmentButtons = new QWidget(content);
    auto *buttonsRow = new QHBoxLayout(m_attachmentButtons);
    buttonsRow->setContentsMargins(0, 0, 0, 0);
    m_capture = plainButton(
        u"camera.viewfinder"_s, u"Capturer l'écran"_s, Style::blue(), "plain", m_attachmentButtons);
    m_choose = plainButton(u"photo"_s, u"Choisir une image"_s, Style::blue(), "plain", m_attachmentButtons);
    m_capture->setToolTip(u"Sélectionner une zone de l'écran"_s);
    m_choose->setToolTip(u"PNG, JPEG ou HEIC ; vous pouvez aussi coller (Ctrl+V) ou déposer une image"_s);
    buttonsRow->addWidget(m_capture);
    buttonsRow->addWidget(m_choose);
    buttonsRow->addStretch();
    connect(m_capture, &QPushButton::clicked, this, &CreateTicketView::captureScreen);
    connect(m_choose, &QPushButton::clicked, this, &CreateTicketView::chooseImage);

    m_attachmentShown = new QWidget(content);
    auto *shownColumn = new QVBoxLayout(m_attachmentShown);
    shownColumn->setContentsMargins(0, 0, 0, 0);
    m_preview = new ImagePreview(m_attachmentShown);
    m_remove = new QPushButton(u"Supprimer"_s, m_attachmentShown);
    Style::setRole(m_remove, "danger");
    m_remove->setCursor(Qt::PointingHandCursor);
    m_edit = new QPushButton(u"Modifier la capture"_s, m_attachmentShown);
    Style::setRole(m_edit, "plain");
    m_edit->setCursor(Qt::PointingHandCursor);
    m_edit->setToolTip(u"Masquer, flouter ou signaler une partie de l'image avant l'envoi"_s);
    shownColumn->addWidget(m_preview);
    auto *shownButtons = new QHBoxLayout;
    shownButtons->addWidget(m_edit);
    shownButtons->addWidget(m_remove);
    shownButtons->addStretch();
    shownColumn->addLayout(shownButtons);
    m_attachmentShown->hide();
    section({ captureLabel, m_attachmentButtons, m_attachmentShown });
    connect(m_remove, &QPushButton::clicked, this, &CreateTicketView::removeAttachment);
    connect(m_edit, &QPushButton::clicked, this, &CreateTicketView::editCapture);

    auto *priorityLabelRow = new FieldLabel(u"flag"_s, u"Priorité"_s, false, content);
    QList<QPair<QString, QString>> options;
    for (const QString &value : priorites())
        options.append({ value, priorityLabel(value) });
    m_priority = new SegmentedPicker(options, content);
    priorityLabelRow->setBuddy(m_priority);
    section({ priorityLabelRow, m_priority });

    auto *actions = new QHBoxLayout;
    actions->setSpacing(Common::ButtonRowSpacing);
    m_cancel = new QPushButton(u"Annuler"_s, content);
    Style::setRole(m_cancel, "secondary");
    m_cancel->setCursor(Qt::PointingHandCursor);
    connect(m_cancel, &QPushButton::clicked, this, &Sheet::dismiss);
    m_send = new GradientButton(u"Envoyer le ticket"_s, content);
    connect(m_send, &GradientButton::clicked, this, &CreateTicketView::submitTicket);
    actions->addWidget(m_cancel, 1);
    actions->addWidget(m_send, 2);
    column->addLayout(actions);

    m_error = new NoticeBox(QString(), Style::red(), content);
    m_error->hide();
    column->addWidget(m_error);
    m_retry = new QPushButton(u"Réessayer"_s, content);
    Style::setRole(m_retry, "plain");
    m_retry->setCursor(Qt::PointingHandCursor);
    m_retry->hide();
    column->addWidget(m_retry, 0, Qt::AlignLeft);
    connect(m_retry, &QPushButton::clicked, this, &CreateTicketView::submitTicket);
    m_success = new NoticeBox(u"checkmark.circle.fill"_s, Style::green(), content);
    m_success->setText(u"Ticket créé avec succès !"_s);
    m_success->hide();
    column->addWidget(m_success);
    column->addStretch();

    connect(m_titre, &QLineEdit::textChanged, this, &CreateTicketView::updateSendButton);
    connect(m_description, &QPlainTextEdit::textChanged, this, &CreateTicketView::updateSendButton);

    // A dropped file goes to the form, not into a text field as its path.
    m_titre->setAcceptDrops(false);
    m_description->setAcceptDrops(false);
    m_description->viewport()->setAcceptDrops(false);
    // Ctrl+V with a picture on the clipboard attaches it; with text, the
    // fields paste as usual.
    auto *paste = new QShortcut(QKeySequence::Paste, this);
    paste->setContext(Qt::WidgetWithChildrenShortcut);
    connect(paste, &QShortcut::activated, this, &CreateTicketView::pasteImage);
    m_titre->installEventFilter(this);
    m_description->installEventFilter(this);

    connect(m_screenCapture, &ScreenCapture::finished, this, [this](const QString &path) {
        if (QFile::exists(path))
            loadAttachment(path);
    });
    connect(m_screenCapture, &ScreenCapture::unavailable, m_error, &NoticeBox::showText);

    // Every change is written to the draft within a second; closing the
    // sheet writes it at once.
    m_draftTimer = new QTimer(this);
    m_draftTimer->setSingleShot(true);
    m_draftTimer->setInterval(DraftSaveIntervalMs);
    connect(m_draftTimer, &QTimer::timeout, this, &CreateTicketView::saveDraft);
    connect(m_titre, &QLineEdit::textChanged, this, &CreateTicketView::draftChanged);
    connect(m_description, &QPlainTextEdit::textChanged, this, &CreateTicketView::draftChanged);
    connect(m_priority, &SegmentedPicker::valueChanged, this, &CreateTicketView::draftChanged);

    updateSendButton();
    m_titre->setFocus();
    offerDraft(content, column);
}

CreateTicketView::~CreateTicketView()
{
    if (m_draftTimer->isActive())
        saveDraft();
}

void CreateTicketView::done(int result)
{
    saveDraft();
    Sheet::done(result);
}

TicketDraft CreateTicketView::currentDraft() const
{
    TicketDraft draft { m_titre->text(), m_description->toPlainText(), priorite(), std::nullopt };
    if (m_attachment)
        draft.captureBase64 = m_attachment->base64;
    return draft;
}

void CreateTicketView::offerDraft(QWidget *content, QVBoxLayout *column)
{
    m_offered = m_drafts.load();
    if (!m_offered)
        return;
    logLine(u"💥 Brouillon de ticket proposé"_s);
    m_offer = new DraftOffer(content);
    column->insertWidget(column->indexOf(m_identity) + 1, m_offer);
    connect(m_offer, &DraftOffer::resumeRequested, this, &CreateTicketView::resumeDraft);
    connect(m_offer, &DraftOffer::ignoreRequested, this, &CreateTicketView::ignoreDraft);
    // The form waits for the answer, so nothing typed meanwhile competes
    // with the kept draft.
    for (QWidget *part : { static_cast<QWidget *>(m_titre), static_cast<QWidget *>(m_description),
             m_attachmentButtons, static_cast<QWidget *>(m_priority) })
        part->setEnabled(false);
    updateSendButton();
    m_offer->resumeButton()->setFocus();
}

void CreateTicketView::closeDraftOffer()
{
    for (QWidget *part : { static_cast<QWidget *>(m_titre), static_cast<QWidget *>(m_description),
             m_attachmentButtons, static_cast<QWidget *>(m_priority) })
        part->setEnabled(true);
    m_offer->hide();
    m_offer->deleteLater();
    m_offer = nullptr;
    m_offered.reset();
    updateSendButton();
    m_titre->setFocus();
}

void CreateTicketView::resumeDraft()
{
    if (!m_offer)
        return;
    const TicketDraft draft = *m_offered;
    closeDraftOffer();
    m_titre->setText(draft.titre);
    m_description->setPlainText(draft.description);
    m_priority->setValue(draft.priorite);
    // A picture attached while the offer waited (a capture asked for from
    // the command line) is newer than the draft's.
    if (draft.captureBase64 && !m_attachment)
        attachImage(ImageDecoder::fromData(QByteArray::fromBase64(draft.captureBase64->toLatin1())));
}

void CreateTicketView::ignoreDraft()
{
    if (!m_offer)
        return;
    m_drafts.remove();
    closeDraftOffer();
}

void CreateTicketView::draftChanged()
{
    if (!m_offer && !m_succeeded && !m_draftTimer->isActive())
        m_draftTimer->start();
}

void CreateTicketView::saveDraft()
{
    m_draftTimer->stop();
    // A sent ticket is no draft, and an unanswered offer still holds the kept one.
    if (m_succeeded || m_offer)
        return;
    m_drafts.save(currentDraft());
}

CaptureEditor *CreateTicketView::captureEditor() const
{
    return findChild<CaptureEditor *>(QString(), Qt::FindDirectChildrenOnly);
}

void CreateTicketView::editCapture()
{
    if (!m_attachment)
        return;
    if (CaptureEditor *open = captureEditor()) {
        open->raise();
        return;
    }
    auto *editor = new CaptureEditor(m_attachment->image, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    // The edited picture takes the same path as any other: scaled, PNG.
    connect(editor, &CaptureEditor::applied, this, &CreateTicketView::attachImage);
    editor->open();
}

QString CreateTicketView::priorite() const
{
    return m_priority->value();
}

void CreateTicketView::updateSendButton()
{
    m_send->setEnabled(!m_isSubmitting && !m_succeeded && !m_offer && !m_titre->text().isEmpty()
        && !m_description->toPlainText().isEmpty());
}

void CreateTicketView::setSubmitting(bool submitting)
{
    m_isSubmitting = submitting;
    m_send->setBusy(submitting);
    updateSendButton();
}

void CreateTicketView::submitTicket()
{
    if (!m_send->isEnabled())
        return;
    submit();
}

QCoro::Task<> CreateTicketView::submit()
{
    QPointer<CreateTicketView> self(this);
    setSubmitting(true);
    m_error->hide();
    m_retry->hide();
    m_showSuccess = false;
    m_success->hide();
    const qint64 userId = m_settings.readInteger(UserSettings::UserId);
    // Kept on disk first: a crash during the send loses nothing.
    saveDraft();
    const TicketDraft sent = currentDraft();
    const QString draftPath = m_drafts.path();
    try {
        co_await m_api.createTicket(userId, sent.titre, sent.description, sent.priorite, sent.captureBase64);
        // An open list reloads even if this sheet was closed meanwhile.
        Q_EMIT ticketCreated();
        if (!self) {
            // Closing the sheet kept the draft; it is sent now, unless a new
            // form has put another draft in its place.
            DraftStore store(draftPath);
            if (store.load() == sent)
                store.remove();
            co_return;
        }
        m_succeeded = true;
        m_draftTimer->stop();
        m_drafts.remove();
        m_showSuccess = true;
        m_success->show();
        QTimer::singleShot(CloseDelayMs, this, &Sheet::dismiss);
        setSubmitting(false);
    } catch (const NorvikError &error) {
        if (!self)
            co_return;
        m_error->showText(error.description());
        // A network failure is worth trying again as it is.
        m_retry->setVisible(dynamic_cast<const TransportError *>(&error) != nullptr);
        ScreenParts::revealWhenLaidOut(m_retry);
        setSubmitting(false);
    }
}

void CreateTicketView::setAttachment(std::optional<Attachment> attachment)
{
    // The preview and the two attach buttons take turns.
    m_attachment = std::move(attachment);
    m_preview->setImage(m_attachment ? m_attachment->image : QImage());
    m_attachmentShown->setVisible(m_attachment.has_value());
    m_attachmentButtons->setVisible(!m_attachment);
    draftChanged();
}

bool CreateTicketView::loadAttachment(const QString &path)
{
    std::optional<Attachment> loaded = Attachment::fromFile(path);
    if (!loaded)
        return false;
    setAttachment(std::move(loaded));
    return true;
}

bool CreateTicketView::attachImage(const QImage &image)
{
    std::optional<Attachment> made = Attachment::fromImage(image);
    if (!made)
        return false;
    setAttachment(std::move(made));
    return true;
}

void CreateTicketView::removeAttachment()
{
    setAttachment(std::nullopt);
    m_capture->setFocus();
}

void CreateTicketView::captureScreen()
{
    m_screenCapture->start(ScreenCapture::newCapturePath());
}

void CreateTicketView::chooseImage()
{
    // Opened, not executed: the rest of the program keeps running while the
    // user browses, and the choice arrives as a signal.
    auto *dialog = new QFileDialog(this, u"Choisir une image"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(u"Images (*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.heic *.HEIC)"_s);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &file) {
        if (!file.isEmpty())
            loadAttachment(file);
    });
    dialog->open();
}

bool CreateTicketView::clipboardHoldsPicture() const
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return false;
    if (mime->hasImage())
        return true;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

void CreateTicketView::pasteImage()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (mime->hasImage()) {
        // Re-check the decoded picture's size: a clipboard owner is as
        // untrusted as a file.
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        const qint64 bytes = qint64(image.width()) * image.height() * 4;
        if (image.isNull() || bytes > qint64(ImageDecoder::AllocationLimitMiB) * 1024 * 1024
            || !attachImage(image))
            m_error->showText(notAPictureMessage());
        return;
    }
    const QList<QUrl> urls = mime->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile() && !loadAttachment(urls.first().toLocalFile()))
        m_error->showText(notAPictureMessage());
}

bool CreateTicketView::eventFilter(QObject *watched, QEvent *event)
{
    // In a text field, Ctrl+V with only a picture on the clipboard attaches
    // the picture instead of pasting nothing.
    if ((watched == m_titre || watched == m_description)
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Paste) && clipboardHoldsPicture()
            && !QGuiApplication::clipboard()->mimeData()->hasText()) {
            if (event->type() == QEvent::KeyPress)
                pasteImage();
            event->accept();
            return true;
        }
    }
    return Sheet::eventFilter(watched, event);
}

void CreateTicketView::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    bool usable = mime->hasImage();
    for (const QUrl &url : mime->urls())
        usable = usable || url.isLocalFile();
    if (usable)
        event->acceptProposedAction();
}

void CreateTicketView::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    bool attached = false;
    if (mime->hasImage())
        attached = attachImage(qvariant_cast<QImage>(mime->imageData()));
    else if (!mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        attached = loadAttachment(mime->urls().first().toLocalFile());
    if (!attached)
        m_error->showText(notAPictureMessage());
    event->acceptProposedAction();
}
