#pragma once

#include "protocol/records.h"

#include <QCoro/QCoroTask>
#include <QImage>
#include <QWidget>
#include <optional>

class APIService;
class ConversationPanel;
class Conversations;
class FullImageView;
class GradientButton;
class NoticeBox;
class PriorityBadge;
class QAbstractButton;
class QMessageBox;
class QPlainTextEdit;
class QVBoxLayout;
class RoundedPanel;
class StatusBadge;

// One ticket in full for an administrator, who may close it with a message
// and, where the server keeps conversations, write to the ticket's author
// (the conversation sits above the closing action).
// The ticket is the copy the list fetched; the screen never fetches it again.
// After a close it shows the ticket as closed and returns to the list 1.5
// seconds later.
class TicketDetailView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ReturnDelayMs = 1500;

    TicketDetailView(
        APIService &api, Conversations &conversations, const Ticket &ticket, QWidget *parent = nullptr);

    qint64 ticketId() const { return m_ticket.id; }
    // Null where the server keeps no conversations.
    ConversationPanel *conversationPanel() const { return m_conversation; }

    bool canClose() const;
    bool isClosed() const { return !canClose(); }
    // The attachment, decoded once when the screen is built, and the image
    // the full-size view was last given: the very same one, not a copy.
    const std::optional<QImage> &attachment() const { return m_attachment; }
    std::optional<QImage> selectedImage() const { return m_selectedImage; }

    // Presents the confirmation alert ("Fermer ce ticket").
    void requestClose();
    QCoro::Task<void> performClose();
    // Pops the screen from the navigation stack.
    void dismiss();

Q_SIGNALS:
    // A close request ended, well or badly.
    void closeFinished();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildHeader();
    QWidget *buildConversationSection();
    QWidget *buildAdminSection();
    QWidget *buildClosedBanner();
    QWidget *buildMessageSection();
    QWidget *buildAttachmentSection();
    QWidget *buildUserSection();
    void refresh();
    void openFullImage();

    APIService &m_api;
    Conversations &m_conversations;
    Ticket m_ticket;
    std::optional<QImage> m_attachment;

    std::optional<QImage> m_selectedImage;
    QString m_closeMessage;
    bool m_isClosing = false;
    std::optional<QString> m_closeError;
    bool m_ticketClosed = false;

    StatusBadge *m_statusBadge = nullptr;
    QWidget *m_adminSection = nullptr;
    ConversationPanel *m_conversation = nullptr;
    QWidget *m_closedBanner = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    GradientButton *m_closeButton = nullptr;
    NoticeBox *m_errorRow = nullptr;
    QMessageBox *m_confirm = nullptr;
    FullImageView *m_fullImage = nullptr;
};
