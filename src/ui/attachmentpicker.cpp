#include "attachmentpicker.h"

#include "captureeditor.h"
#include "imagepreview.h"
#include "screencapture.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/imagedecoder.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The attach buttons' symbols, in pixels at a device pixel ratio of 1.
constexpr int ButtonSymbol = 18;

QPushButton *plainButton(const QString &symbol, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    Style::setRole(button, "plain");
    button->setIcon(SymbolIcons::icon(symbol, Style::blue(), ButtonSymbol));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

bool holdsLocalFile(const QMimeData *mime)
{
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

bool clipboardHoldsPicture()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasImage() || holdsLocalFile(mime));
}

QString notAPictureMessage()
{
    return QCoreApplication::translate(
        "AttachmentPicker", "Ce fichier n'est pas une image lisible (PNG, JPEG ou HEIC).");
}

} // namespace

AttachmentPicker::AttachmentPicker(QWidget *parent)
    : QWidget(parent)
    , m_screenCapture(new ScreenCapture(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Style::Metrics::Common::LabelToField);
    column->addWidget(new FieldLabel(u"camera"_s, tr("Capture d'écran (optionnel)"), false, this));
    // The two ways to attach a picture, or the one attached.
    m_buttons = attachButtons();
    m_shown = attachedPicture();
    m_shown->hide();
    column->addWidget(m_buttons);
    column->addWidget(m_shown);

    connect(m_screenCapture, &ScreenCapture::finished, this, [this](const QString &path) {
        if (QFile::exists(path))
            loadAttachment(path);
    });
    connect(m_screenCapture, &ScreenCapture::unavailable, this, &AttachmentPicker::failed);
}

QWidget *AttachmentPicker::attachButtons()
{
    auto *buttons = new QWidget(this);
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    m_capture = plainButton(u"camera.viewfinder"_s, tr("Capturer l'écran"), buttons);
    auto *choose = plainButton(u"photo"_s, tr("Choisir une image"), buttons);
    m_capture->setToolTip(tr("Sélectionner une zone de l'écran"));
    choose->setToolTip(tr("PNG, JPEG ou HEIC ; vous pouvez aussi coller (Ctrl+V) ou déposer une image"));
    row->addWidget(m_capture);
    row->addWidget(choose);
    row->addStretch();
    connect(m_capture, &QPushButton::clicked, this, &AttachmentPicker::captureScreen);
    connect(choose, &QPushButton::clicked, this, &AttachmentPicker::chooseImage);
    return buttons;
}

QWidget *AttachmentPicker::attachedPicture()
{
    auto *shown = new QWidget(this);
    auto *column = new QVBoxLayout(shown);
    column->setContentsMargins(0, 0, 0, 0);
    m_preview = new ImagePreview(shown);
    auto *remove = new QPushButton(tr("Supprimer"), shown);
    Style::setRole(remove, "danger");
    remove->setCursor(Qt::PointingHandCursor);
    auto *edit = new QPushButton(tr("Modifier la capture"), shown);
    Style::setRole(edit, "plain");
    edit->setCursor(Qt::PointingHandCursor);
    edit->setToolTip(tr("Masquer, flouter ou signaler une partie de l'image avant l'envoi"));
    column->addWidget(m_preview);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    column->addLayout(buttons);
    connect(remove, &QPushButton::clicked, this, &AttachmentPicker::removeAttachment);
    connect(edit, &QPushButton::clicked, this, &AttachmentPicker::editCapture);
    return shown;
}

void AttachmentPicker::setAttachingEnabled(bool enabled)
{
    m_buttons->setEnabled(enabled);
}

void AttachmentPicker::watchPastesIn(QWidget *field)
{
    field->installEventFilter(this);
}

void AttachmentPicker::setAttachment(std::optional<Attachment> attachment)
{
    // The preview and the two attach buttons take turns.
    m_attachment = std::move(attachment);
    m_preview->setImage(m_attachment ? m_attachment->image : QImage());
    m_shown->setVisible(m_attachment.has_value());
    m_buttons->setVisible(!m_attachment);
    Q_EMIT attachmentChanged();
}

bool AttachmentPicker::loadAttachment(const QString &path)
{
    std::optional<Attachment> loaded = Attachment::fromFile(path);
    if (!loaded)
        return false;
    setAttachment(std::move(loaded));
    return true;
}

bool AttachmentPicker::attachImage(const QImage &image)
{
    std::optional<Attachment> made = Attachment::fromImage(image);
    if (!made)
        return false;
    setAttachment(std::move(made));
    return true;
}

void AttachmentPicker::removeAttachment()
{
    setAttachment(std::nullopt);
    m_capture->setFocus();
}

void AttachmentPicker::captureScreen()
{
    m_screenCapture->start(ScreenCapture::newCapturePath());
}

void AttachmentPicker::chooseImage()
{
    // Opened, not executed: the rest of the program keeps running while the
    // user browses, and the choice arrives as a signal.
    auto *dialog = new QFileDialog(window(), tr("Choisir une image"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(tr("Images (*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.heic *.HEIC)"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &file) {
        if (!file.isEmpty())
            loadAttachment(file);
    });
    dialog->open();
}

void AttachmentPicker::pasteImage()
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
            Q_EMIT failed(notAPictureMessage());
        return;
    }
    const QList<QUrl> urls = mime->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile() && !loadAttachment(urls.first().toLocalFile()))
        Q_EMIT failed(notAPictureMessage());
}

void AttachmentPicker::editCapture()
{
    if (!m_attachment)
        return;
    // The editor is a sheet over the form, which may hold one at a time.
    if (auto *open = window()->findChild<CaptureEditor *>(QString(), Qt::FindDirectChildrenOnly)) {
        open->raise();
        return;
    }
    auto *editor = new CaptureEditor(m_attachment->image, window());
    editor->setAttribute(Qt::WA_DeleteOnClose);
    // The edited picture takes the same path as any other: scaled, PNG.
    connect(editor, &CaptureEditor::applied, this, &AttachmentPicker::attachImage);
    editor->open();
}

bool AttachmentPicker::canTake(const QMimeData *mime)
{
    return mime->hasImage() || holdsLocalFile(mime);
}

bool AttachmentPicker::take(const QMimeData *mime)
{
    bool attached = false;
    if (mime->hasImage())
        attached = attachImage(qvariant_cast<QImage>(mime->imageData()));
    else if (!mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        attached = loadAttachment(mime->urls().first().toLocalFile());
    if (!attached)
        Q_EMIT failed(notAPictureMessage());
    return attached;
}

bool AttachmentPicker::eventFilter(QObject *watched, QEvent *event)
{
    // In a text field, Ctrl+V with only a picture on the clipboard attaches
    // the picture instead of pasting nothing.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Paste) && clipboardHoldsPicture()
            && !QGuiApplication::clipboard()->mimeData()->hasText()) {
            if (event->type() == QEvent::KeyPress)
                pasteImage();
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
