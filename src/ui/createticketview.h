#pragma once

#include "attachment.h"
#include "core/draftstore.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <optional>

class APIService;
class CaptureEditor;
class DraftOffer;
class GradientButton;
class IconButton;
class IdentityBox;
class ImagePreview;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;
class ScreenCapture;
class SegmentedPicker;
class UserSettings;

// The form through which a user opens a ticket: title, description,
// priority and an optional picture (captured, chosen, pasted or dropped),
// scaled, optionally masked and marked, and sent as Base64 PNG. A success is
// confirmed, announced with ticketCreated() and the sheet closes two seconds
// later. What is typed is kept as a draft until it is sent.
class CreateTicketView : public Sheet
{
    Q_OBJECT

public:
    static constexpr QSize SheetSize = Style::SheetSizes::CreateTicket;
    static constexpr int CloseDelayMs = 2000;
    // While typing, the draft is written at most this often.
    static constexpr int DraftSaveIntervalMs = 1000;

    CreateTicketView(APIService &api, const UserSettings &settings, QWidget *parent = nullptr);
    ~CreateTicketView() override;

    // Segment label of a priority word: "🟢 Normale", ...; others unchanged.
    static QString priorityLabel(const QString &priority);
    static QStringList priorites();

    QString priorite() const;
    bool isSubmitting() const { return m_isSubmitting; }
    bool showSuccess() const { return m_showSuccess; }
    // The error box's state: whether it shows, and its last text.
    bool showError() const { return !m_error->isHidden(); }
    QString errorMessage() const { return m_error->text(); }
    std::optional<Attachment> attachment() const { return m_attachment; }

    QLineEdit *titreEdit() const { return m_titre; }
    QPlainTextEdit *descriptionEdit() const { return m_description; }
    SegmentedPicker *priorityPicker() const { return m_priority; }
    GradientButton *sendButton() const { return m_send; }
    // The offer of a kept draft while it awaits an answer, else nullptr.
    DraftOffer *draftOffer() const { return m_offer; }
    CaptureEditor *captureEditor() const;

Q_SIGNALS:
    // A ticket was filed: an open list of the user's tickets reloads.
    void ticketCreated();

public Q_SLOTS:
    void submitTicket();
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
    void resumeDraft();
    void ignoreDraft();

    // Every way the sheet closes; what is typed is kept first.
    void done(int result) override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QCoro::Task<> submit();
    void setAttachment(std::optional<Attachment> attachment);
    void setSubmitting(bool submitting);
    void updateSendButton();
    bool clipboardHoldsPicture() const;
    TicketDraft currentDraft() const;
    void offerDraft(QWidget *content, QVBoxLayout *column);
    void closeDraftOffer();
    void draftChanged();
    void saveDraft();

    APIService &m_api;
    const UserSettings &m_settings;
    bool m_isSubmitting = false;
    bool m_showSuccess = false;
    // A ticket was filed: the form is spent until the sheet closes.
    bool m_succeeded = false;
    std::optional<Attachment> m_attachment;
    DraftStore m_drafts;
    std::optional<TicketDraft> m_offered;

    IconButton *m_close;
    IdentityBox *m_identity;
    QLineEdit *m_titre;
    QPlainTextEdit *m_description;
    QWidget *m_attachmentButtons;
    QWidget *m_attachmentShown;
    ImagePreview *m_preview;
    QPushButton *m_remove;
    QPushButton *m_edit;
    QPushButton *m_capture;
    QPushButton *m_choose;
    SegmentedPicker *m_priority;
    QPushButton *m_cancel;
    GradientButton *m_send;
    NoticeBox *m_error;
    QPushButton *m_retry;
    DraftOffer *m_offer = nullptr;
    QTimer *m_draftTimer;
    NoticeBox *m_success;
    ScreenCapture *m_screenCapture;
};
