#include "conversationpanel.h"

#include "conversationdelegate.h"
#include "conversationmodel.h"
#include "core/conversations.h"
#include "protocol/errors.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/style.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
namespace Sizes {
// This panel's own sizes, in pixels at a device pixel ratio of 1.
constexpr int Spacing = 8;
constexpr int ReplyHeight = 64;
constexpr int SendHeight = 36;
constexpr int SendRadius = 10;
constexpr int MinListHeight = 120;
} // namespace Sizes

QLabel *noteLabel(const QString &name, const char *role, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    Style::setRole(label, role);
    label->hide();
    return label;
}

} // namespace

ConversationPanel::ConversationPanel(
    Conversations &conversations, qint64 ticketId, Side side, QWidget *parent)
    : QWidget(parent)
    , m_conversations(conversations)
    , m_ticketId(ticketId)
    , m_model(new ConversationModel(this))
    , m_delegate(new ConversationDelegate(this))
{
    setAccessibleName(tr("Conversation"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Sizes::Spacing);
    column->addWidget(buildList(), 1);

    m_typing = noteLabel(u"typing"_s, "note", this);
    m_typing->setText(side == Side::User ? tr("Le support est en train d'écrire…")
                                         : tr("L'utilisateur est en train d'écrire…"));
    m_typing->setAccessibleName(m_typing->text());
    column->addWidget(m_typing);
    m_error = noteLabel(u"error"_s, "errorText", this);
    column->addWidget(m_error);
    m_closedNote = noteLabel(u"closedNote"_s, "note", this);
    m_closedNote->setText(tr("Ce ticket est fermé : il ne reçoit plus de messages."));
    m_closedNote->setAccessibleName(m_closedNote->text());
    column->addWidget(m_closedNote);
    column->addWidget(buildReplyRow());

    connect(&m_conversations, &Conversations::changed, this, &ConversationPanel::updateEntries);
    connect(&m_conversations, &Conversations::typingChanged, this, [this](qint64 id, bool typing) {
        if (id == m_ticketId)
            m_typing->setVisible(typing);
    });
    connect(
        &m_conversations, &Conversations::messageReceived, this, [this](const ConversationMessage &message) {
            // What arrives while the conversation is on screen is read at once.
            if (message.ticketId == m_ticketId && isVisible())
                m_conversations.markRead(m_ticketId);
        });
    m_typing->setVisible(m_conversations.isOtherSideTyping(m_ticketId));
    m_model->setEntries(m_conversations.entries(m_ticketId));
    m_list->scrollToBottom();
    updateSendable();
    load();
}

QListView *ConversationPanel::buildList()
{
    m_list = new QListView(this);
    m_list->setObjectName(u"messages"_s);
    m_list->setAccessibleName(tr("Messages"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMinimumHeight(Sizes::MinListHeight);
    connect(m_model, &QAbstractItemModel::modelReset, m_delegate, &ConversationDelegate::clearCache);
    // A reader looking at the latest message keeps seeing the latest one,
    // whatever grows: a new message, the typing line taking room.
    QScrollBar *bar = m_list->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
        [this, bar](int value) { m_followsLatest = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_followsLatest)
            bar->setValue(maximum);
    });

    m_copy = new QAction(tr("Copier"), m_list);
    m_copy->setObjectName(u"copy"_s);
    m_copy->setShortcut(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copy, &QAction::triggered, this, &ConversationPanel::copyCurrent);
    m_list->addAction(m_copy);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &ConversationPanel::showContextMenu);
    return m_list;
}

QWidget *ConversationPanel::buildReplyRow()
{
    auto *row = new QWidget(this);
    auto *column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Sizes::Spacing);
    m_reply = new QPlainTextEdit(row);
    m_reply->setObjectName(u"reply"_s);
    m_reply->setAccessibleName(tr("Votre message"));
    m_reply->setPlaceholderText(tr("Votre message (Ctrl+Entrée pour envoyer)"));
    m_reply->setFixedHeight(Sizes::ReplyHeight);
    m_reply->setTabChangesFocus(true);
    m_reply->installEventFilter(this);
    connect(m_reply, &QPlainTextEdit::textChanged, this, [this] {
        updateSendable();
        if (!m_filling && !m_reply->toPlainText().isEmpty())
            m_conversations.typing(m_ticketId);
    });
    column->addWidget(m_reply);

    m_send = new GradientButton(tr("Envoyer"), row);
    m_send->setObjectName(u"send"_s);
    m_send->setAccessibleName(tr("Envoyer"));
    m_send->setLook({ .radius = Sizes::SendRadius, .inset = 0 });
    m_send->setFixedHeight(Sizes::SendHeight);
    connect(m_send, &QPushButton::clicked, this, &ConversationPanel::send);
    column->addWidget(m_send, 0, Qt::AlignRight);
    return row;
}

void ConversationPanel::showContextMenu(const QPoint &position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (!index.isValid())
        return;
    m_list->setCurrentIndex(index);
    QMenu menu(this);
    menu.addAction(m_copy);
    const ConversationEntry &entry = m_model->entryAt(index.row());
    if (entry.isOwn && entry.state == ConversationEntry::State::Failed && !m_closed) {
        const QUuid clientId = entry.clientId;
        menu.addAction(
            tr("Réessayer"), this, [this, clientId] { m_conversations.retry(m_ticketId, clientId); });
    }
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void ConversationPanel::copyCurrent()
{
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid())
        QGuiApplication::clipboard()->setText(current.data(ConversationModel::TextRole).toString());
}

void ConversationPanel::send()
{
    const QString text = m_reply->toPlainText();
    if (m_closed || text.trimmed().isEmpty())
        return;
    m_conversations.send(m_ticketId, text);
    setReplyText(QString());
    m_list->scrollToBottom();
}

QString ConversationPanel::replyText() const
{
    return m_reply->toPlainText();
}

void ConversationPanel::setReplyText(const QString &text)
{
    m_filling = true;
    m_reply->setPlainText(text);
    m_filling = false;
}

void ConversationPanel::setClosed(bool closed)
{
    m_closed = closed;
    m_reply->setEnabled(!closed);
    m_closedNote->setVisible(closed);
    updateSendable();
}

void ConversationPanel::updateSendable()
{
    m_send->setEnabled(!m_closed && !m_reply->toPlainText().trimmed().isEmpty());
}

void ConversationPanel::updateEntries(qint64 ticketId)
{
    if (ticketId != m_ticketId)
        return;
    m_model->setEntries(m_conversations.entries(m_ticketId));
}

QCoro::Task<> ConversationPanel::load()
{
    const ScreenGuard guard(this);
    std::optional<QString> failure;
    try {
        co_await m_conversations.load(m_ticketId);
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    if (guard.gone())
        co_return;
    m_error->setVisible(failure.has_value());
    if (failure)
        m_error->setText(tr("Erreur de chargement: %1").arg(*failure));
    updateEntries(m_ticketId);
    m_list->scrollToBottom();
}

void ConversationPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Read once when it comes on screen: a list relaying out its rows may
    // hide and show the panel again.
    if (!event->spontaneous() && !std::exchange(m_seen, true))
        m_conversations.markRead(m_ticketId);
}

bool ConversationPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Ctrl+Entrée sends; a plain Entrée starts a new line.
    if (watched == m_reply && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers().testFlag(Qt::ControlModifier)) {
            send();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
