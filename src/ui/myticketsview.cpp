#include "myticketsview.h"

#include "core/apiservice.h"
#include "core/conversations.h"
#include "core/usersettings.h"
#include "myticketsmodel.h"
#include "protocol/errors.h"
#include "ticketcard.h"
#include "ui/conversation/conversationpanel.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 700, 600 };
constexpr int HeaderSpacing = 12;
constexpr int RefreshFrame = 36;
constexpr int RefreshSymbol = 18;
constexpr int RefreshRadius = 9;
constexpr int ErrorBottomPadding = 8;
// Above the first card's own half gap: 24 under the header in all.
constexpr int CardsTopPadding = 8;
constexpr int EmptySymbol = 64;
} // namespace Sizes
} // namespace

namespace {
enum ContentPage { LoadingPage, EmptyPage, ListPage };
} // namespace

MyTicketsView::MyTicketsView(
    APIService &api, const UserSettings &settings, Conversations &conversations, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
    , m_conversations(conversations)
    , m_model(new MyTicketsModel(this))
    , m_delegate(new TicketCard(this))
{
    setWindowTitle(tr("Mes tickets"));
    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    outer->addLayout(header());

    auto *errorRow = new QHBoxLayout;
    errorRow->setContentsMargins(Common::SheetPadding, 0, Common::SheetPadding, Sizes::ErrorBottomPadding);
    m_error = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    m_error->setObjectName(u"error"_s);
    m_error->hide();
    errorRow->addWidget(m_error);
    outer->addLayout(errorRow);

    m_content = new QStackedWidget(this);
    m_content->setObjectName(u"content"_s);
    m_content->setContentsMargins(0, Sizes::CardsTopPadding, 0, 0);
    m_content->insertWidget(LoadingPage, loadingPage());
    m_content->insertWidget(EmptyPage, emptyPage());
    m_content->insertWidget(ListPage, ticketList());
    outer->addWidget(m_content, 1);

    connect(m_delegate, &TicketCard::toggleRequested, this, &MyTicketsView::toggleExpanded);
    connect(m_model, &QAbstractItemModel::modelReset, m_delegate, &TicketCard::clearCache);
    connect(this, &Sheet::appeared, this, &MyTicketsView::loadTickets);
    connect(&m_conversations, &Conversations::unreadChanged, m_model, &MyTicketsModel::setUnread);
    updateContent();
    // The cards are what the sheet is for: the keyboard starts there.
    m_list->setFocus();
}

QLayout *MyTicketsView::header()
{
    auto *header = new QHBoxLayout;
    header->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    header->addLayout(ScreenParts::titles(tr("Mes tickets"), tr("Suivez l'état de vos demandes"), this), 1);
    m_refresh = new IconButton(u"arrow.clockwise"_s, Style::white(0.7), tr("Actualiser"),
        IconButton::Look { Sizes::RefreshFrame, Sizes::RefreshSymbol, 0.1, Sizes::RefreshRadius }, this);
    connect(m_refresh, &IconButton::clicked, this, &MyTicketsView::loadTickets);
    header->addWidget(m_refresh, 0, Qt::AlignVCenter);
    auto *close = IconButton::closeButton(this);
    connect(close, &IconButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignVCenter);
    return header;
}

QWidget *MyTicketsView::loadingPage()
{
    auto *loadingText = new QLabel(tr("Chargement..."));
    Style::setRole(loadingText, "subtitle");
    QWidget *page = ScreenParts::centredColumn(
        { new Spinner(Common::LargeSpinner, Style::grey()), loadingText }, -1, m_content);
    page->setObjectName(u"loading"_s);
    return page;
}

QWidget *MyTicketsView::emptyPage()
{
    auto *trayIcon = new QLabel;
    trayIcon->setPixmap(
        SymbolIcons::pixmap(u"tray"_s, Style::grey(), Sizes::EmptySymbol, devicePixelRatioF()));
    auto *emptyTitle = new QLabel(tr("Aucun ticket"));
    Style::setRole(emptyTitle, "emptyTitle");
    auto *emptyText = new QLabel(tr("Vous n'avez pas encore créé de demande"));
    Style::setRole(emptyText, "subtitle");
    QWidget *page = ScreenParts::centredColumn({ trayIcon, emptyTitle, emptyText }, -1, m_content);
    page->setObjectName(u"empty"_s);
    return page;
}

QListView *MyTicketsView::ticketList()
{
    m_list = new QListView(m_content);
    m_list->setObjectName(u"list"_s);
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    // Cards are tall and of varying height: scrolling by item would jump.
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Cards are read, not selected; the current card still takes the keyboard.
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(false);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMouseTracking(true);
    m_list->setAccessibleName(tr("Mes tickets"));
    m_list->installEventFilter(this);
    return m_list;
}

void MyTicketsView::updateContent()
{
    if (m_isLoading)
        m_content->setCurrentIndex(LoadingPage);
    else
        m_content->setCurrentIndex(m_model->rowCount() == 0 ? EmptyPage : ListPage);
}

void MyTicketsView::setLoading(bool loading)
{
    m_isLoading = loading;
    updateContent();
}

void MyTicketsView::loadTickets()
{
    // Without an identity there is nothing to ask; whatever is listed stays.
    if (m_settings.readInteger(UserSettings::UserId) < 1) {
        m_error->showText(tr("Utilisateur non connecté"));
        return;
    }
    m_error->hide();
    setLoading(true);
    fetch();
}

QCoro::Task<> MyTicketsView::fetch()
{
    const LatestLoad::Ticket load = m_loads.start(this);
    try {
        const QList<UserTicket> tickets
            = co_await m_api.getMyTickets(m_settings.readInteger(UserSettings::UserId));
        if (load.superseded())
            co_return;
        applyTickets(tickets);
        setLoading(false);
    } catch (const NorvikError &error) {
        if (load.superseded())
            co_return;
        // The previous list stays under the error line.
        m_error->showText(tr("Erreur de chargement: %1").arg(error.description()));
        setLoading(false);
    }
}

void MyTicketsView::applyTickets(const QList<UserTicket> &tickets)
{
    // The reload replaces the open cards' panels: what was typed survives.
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (const ConversationPanel *panel
            = conversationPanel(m_model->index(row).data(MyTicketsModel::IdRole).toLongLong()))
            m_drafts.insert(panel->ticketId(), panel->replyText());
    m_delegate->setConversationRoom(m_conversations.isAvailable());
    m_model->setTickets(tickets);
    for (const UserTicket &ticket : tickets) {
        if (ticket.unreadMessages)
            m_conversations.setUnreadCount(ticket.id, int(*ticket.unreadMessages));
        m_model->setUnread(ticket.id, m_conversations.unreadCount(ticket.id));
        if (m_model->isExpanded(ticket.id))
            openPanel(ticket.id);
    }
    if (const qint64 requested = std::exchange(m_requested, 0); m_model->rowOf(requested) >= 0)
        showConversation(requested);
}

ConversationPanel *MyTicketsView::conversationPanel(qint64 id) const
{
    const int row = m_model->rowOf(id);
    return row < 0 ? nullptr : qobject_cast<ConversationPanel *>(m_list->indexWidget(m_model->index(row)));
}

void MyTicketsView::openPanel(qint64 id)
{
    const int row = m_model->rowOf(id);
    if (row < 0 || !m_conversations.isAvailable() || conversationPanel(id))
        return;
    if (!m_delegate->hasConversationRoom()) {
        m_delegate->setConversationRoom(true);
        m_delegate->sizeChanged(m_model->index(row));
    }
    const QModelIndex index = m_model->index(row);
    auto *panel = new ConversationPanel(m_conversations, id, ConversationPanel::Side::User);
    panel->setClosed(index.data(MyTicketsModel::IsClosedRole).toBool());
    panel->setReplyText(m_drafts.take(id));
    // Laid over the room the card keeps, it scrolls with the card.
    m_list->setIndexWidget(index, panel);
}

void MyTicketsView::closePanel(qint64 id)
{
    if (const ConversationPanel *panel = conversationPanel(id)) {
        if (!panel->replyText().isEmpty())
            m_drafts.insert(id, panel->replyText());
        m_list->setIndexWidget(m_model->index(m_model->rowOf(id)), nullptr);
    }
}

void MyTicketsView::showConversation(qint64 id)
{
    const int row = m_model->rowOf(id);
    if (row < 0) {
        // Not listed yet (a ticket just created, or no list at all): once it is.
        m_requested = id;
        if (!m_isLoading)
            loadTickets();
        return;
    }
    if (!m_model->isExpanded(id))
        toggleExpanded(id);
    m_list->setCurrentIndex(m_model->index(row));
    m_list->scrollTo(m_model->index(row), QAbstractItemView::PositionAtTop);
}

void MyTicketsView::toggleExpanded(qint64 id)
{
    const int row = m_model->rowOf(id);
    if (row < 0)
        return;
    const bool expand = !m_model->isExpanded(id);
    // A card clicked again mid-animation turns back from where it stands.
    const qreal from = m_model->expansion(id);
    if (!expand)
        closePanel(id);
    m_delegate->setConversationRoom(m_conversations.isAvailable());
    m_model->setExpanded(id, expand);
    QVariantAnimation *&animation = m_animations[id];
    if (!animation) {
        animation = new QVariantAnimation(this);
        animation->setDuration(ExpandDurationMs);
        animation->setEasingCurve(QEasingCurve::InOutCubic);
        // Each step changes the card's height: the list relayouts through
        // the delegate's size-hint signal.
        connect(animation, &QVariantAnimation::valueChanged, this, [this, id](const QVariant &value) {
            m_model->setExpansion(id, value.toReal());
            const int current = m_model->rowOf(id);
            if (current >= 0)
                m_delegate->sizeChanged(m_model->index(current));
        });
        // The conversation comes once the card stands open.
        connect(animation, &QVariantAnimation::finished, this, [this, id] {
            m_animations.take(id)->deleteLater();
            if (m_model->isExpanded(id))
                openPanel(id);
        });
    }
    animation->stop();
    animation->setStartValue(from);
    animation->setEndValue(expand ? 1.0 : 0.0);
    animation->start();
}

bool MyTicketsView::eventFilter(QObject *watched, QEvent *event)
{
    // Space or Enter opens and closes the current card; not the keys a
    // conversation's field or button left unused.
    const QWidget *focus = QApplication::focusWidget();
    const bool inPanel = focus && m_list->viewport()->isAncestorOf(focus);
    if (watched == m_list && event->type() == QEvent::KeyPress && !inPanel) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QModelIndex current = m_list->currentIndex();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && current.isValid()) {
            toggleExpanded(current.data(MyTicketsModel::IdRole).toLongLong());
            return true;
        }
    }
    return Sheet::eventFilter(watched, event);
}
