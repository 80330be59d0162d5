#pragma once

#include "core/draftstore.h"
#include "core/systemreport/systemreport.h"
#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <optional>

class APIService;
class AttachmentPicker;
class DraftOffer;
class GradientButton;
class IconButton;
class IdentityBox;
class NoticeBox;
class QCheckBox;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;
class SegmentedPicker;
class SystemReportCollector;
class SystemReportSheet;
class UserSettings;

// The form through which a user opens a ticket: title, description,
// priority and an optional picture (see AttachmentPicker), sent as Base64
// PNG. A success is confirmed, announced with ticketCreated() and the sheet
// closes two seconds later. What is typed is kept as a draft until it is
// sent. Unless the user unticks "attachReport" (remembered in the
// settings), the ticket carries the report of the machine's state, read
// from the moment the form opens and shown as sent by "viewReport". Its
// parts are named: "titre", "description", "priority", "attachReport",
// "viewReport", "send", "error", "retry", "success" and, while it waits,
// "draftOffer".
class CreateTicketView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int CloseDelayMs = 2000;
    // While typing, the draft is written at most this often.
    static constexpr int DraftSaveIntervalMs = 1000;

    CreateTicketView(APIService &api, UserSettings &settings, QWidget *parent = nullptr);
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
    // "Voir": the report as it stands, kept up to date while it is read.
    void showSystemReport();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QLayout *header();
    void addTextSections(QVBoxLayout *column, QWidget *content);
    void addPrioritySection(QVBoxLayout *column, QWidget *content);
    void addReportConsent(QVBoxLayout *column, QWidget *content);
    void setReportAttached(bool attached);
    void startSystemReport();
    void systemReportRead();
    // What goes with the ticket: nothing when the box is unticked.
    std::optional<SystemReport> reportToSend() const;
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
    UserSettings &m_settings;
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
    QCheckBox *m_attachReport;
    QPushButton *m_viewReport;
    SystemReportCollector *m_collector;
    QPointer<SystemReportSheet> m_reportSheet;
    // The report of a resumed draft: the state the problem was written in.
    std::optional<SystemReport> m_draftReport;
    GradientButton *m_send;
    NoticeBox *m_error;
    QPushButton *m_retry;
    DraftOffer *m_offer = nullptr;
    QTimer *m_draftTimer;
    NoticeBox *m_success;
};
