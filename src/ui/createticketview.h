#pragma once

#include "core/draftstore.h"
#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <optional>

class APIService;
class AttachmentPicker;
class DraftOffer;
class GradientButton;
class IconButton;
class IdentityBox;
class NoticeBox;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;
class SegmentedPicker;
class UserSettings;

// The form through which a user opens a ticket: title, description,
// priority and an optional picture (see AttachmentPicker), sent as Base64
// PNG. A success is confirmed, announced with ticketCreated() and the sheet
// closes two seconds later. What is typed is kept as a draft until it is
// sent. Its parts are named: "titre", "description", "priority", "send",
// "error", "retry", "success" and, while it waits, "draftOffer".
class CreateTicketView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int CloseDelayMs = 2000;
    // While typing, the draft is written at most this often.
    static constexpr int DraftSaveIntervalMs = 1000;

    CreateTicketView(APIService &api, const UserSettings &settings, QWidget *parent = nullptr);
    ~CreateTicketView() override;

Q_SIGNALS:
    // A ticket was filed: an open list of the user's tickets reloads.
    void ticketCreated();

public Q_SLOTS:
    void submitTicket();
    // A picture captured from the command line; false when it is not one.
    bool loadAttachment(const QString &path);
    void resumeDraft();
    void ignoreDraft();

    // Every way the sheet closes; what is typed is kept first.
    void done(int result) override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QLayout *header();
    void addTextSections(QVBoxLayout *column, QWidget *content);
    void addPrioritySection(QVBoxLayout *column, QWidget *content);
    void addActions(QVBoxLayout *column, QWidget *content);
    void addOutcomes(QVBoxLayout *column, QWidget *content);
    void takePictures();
    void keepDrafts();

    QCoro::Task<> submit();
    void setSubmitting(bool submitting);
    void updateSendButton();
    TicketDraft currentDraft() const;
    void offerDraft(QWidget *content, QVBoxLayout *column);
    void setFormEnabled(bool enabled);
    void closeDraftOffer();
    void draftChanged();
    void saveDraft();

    APIService &m_api;
    const UserSettings &m_settings;
    bool m_isSubmitting = false;
    // A ticket was filed: the form is spent until the sheet closes.
    bool m_succeeded = false;
    DraftStore m_drafts;
    std::optional<TicketDraft> m_offered;

    IdentityBox *m_identity;
    QLineEdit *m_titre;
    QPlainTextEdit *m_description;
    AttachmentPicker *m_picker;
    SegmentedPicker *m_priority;
    GradientButton *m_send;
    NoticeBox *m_error;
    QPushButton *m_retry;
    DraftOffer *m_offer = nullptr;
    QTimer *m_draftTimer;
    NoticeBox *m_success;
};
