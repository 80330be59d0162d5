#pragma once

#include <QCoro/QCoroTask>
#include <QWidget>

class ConversationDelegate;
class ConversationModel;
class Conversations;
class GradientButton;
class QAction;
class QLabel;
class QListView;
class QPlainTextEdit;

// One ticket's conversation and the field to answer in: the messages as
// painted bubbles, the line saying the other side is typing, the reply field
// and "Envoyer" (Ctrl+Entrée sends too). Loads the conversation when built,
// follows it live, and counts it as read while it is on screen. Its parts are
// named: "messages", "typing", "reply", "send", "closedNote", "error".
class ConversationPanel : public QWidget
{
    Q_OBJECT

public:
    // Whose screen this is: it decides who "the other side" is.
    enum class Side { User, Staff };

    ConversationPanel(Conversations &conversations, qint64 ticketId, Side side, QWidget *parent = nullptr);

    qint64 ticketId() const { return m_ticketId; }
    // A closed ticket takes no more messages: the field is disabled with a note.
    void setClosed(bool closed);
    bool isClosed() const { return m_closed; }
    // Sends what the field holds, unless it is only white space.
    void send();
    // Copies the text of the current message.
    void copyCurrent();
    QString replyText() const;
    void setReplyText(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QListView *buildList();
    QWidget *buildReplyRow();
    void showContextMenu(const QPoint &position);
    void updateEntries(qint64 ticketId);
    void updateSendable();
    QCoro::Task<> load();

    Conversations &m_conversations;
    const qint64 m_ticketId;
    bool m_closed = false;
    bool m_filling = false; // the field changes by program, not by typing
    bool m_seen = false;
    bool m_followsLatest = true; // scrolled to the bottom: stays there

    ConversationModel *m_model;
    ConversationDelegate *m_delegate;
    QListView *m_list = nullptr;
    QLabel *m_typing = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_closedNote = nullptr;
    QPlainTextEdit *m_reply = nullptr;
    GradientButton *m_send = nullptr;
    QAction *m_copy = nullptr;
};
