#pragma once

#include "attachment.h"

#include <QWidget>
#include <optional>

class ImagePreview;
class QMimeData;
class QPushButton;
class ScreenCapture;

// The ticket form's picture section: capture a part of the screen, choose a
// file, paste or drop a picture, then see it, edit it (mask, pixelate, mark)
// or remove it. Whatever way it came, the form gets one scaled picture
// through attachment() and attachmentChanged().
class AttachmentPicker : public QWidget
{
    Q_OBJECT

public:
    explicit AttachmentPicker(QWidget *parent = nullptr);

    std::optional<Attachment> attachment() const { return m_attachment; }
    // The ways to attach a picture stay enabled or not (the form waits for
    // the answer to a kept draft).
    void setAttachingEnabled(bool enabled);
    // Ctrl+V in field with only a picture on the clipboard attaches it.
    void watchPastesIn(QWidget *field);
    // A drag over the form: whether it carries a picture or a local file.
    static bool canTake(const QMimeData *mime);
    // A drop on the form: false (and failed()) when it is not a picture.
    bool take(const QMimeData *mime);

Q_SIGNALS:
    void attachmentChanged();
    // What the user should read in the form's error box.
    void failed(const QString &message);

public Q_SLOTS:
    void captureScreen();
    void chooseImage();
    // Attaches the picture in the file; false (attachment unchanged) when it
    // is not a readable picture.
    bool loadAttachment(const QString &path);
    bool attachImage(const QImage &image);
    void removeAttachment();
    // Ctrl+V: the clipboard's picture, or the picture file it names.
    void pasteImage();
    // "Modifier la capture": the editor sheet over the attached picture.
    void editCapture();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *attachButtons();
    QWidget *attachedPicture();
    void setAttachment(std::optional<Attachment> attachment);

    std::optional<Attachment> m_attachment;
    QWidget *m_buttons;
    QWidget *m_shown;
    ImagePreview *m_preview = nullptr;
    QPushButton *m_capture = nullptr;
    ScreenCapture *m_screenCapture;
};
