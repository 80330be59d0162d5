#include "myticketsview.h"

#include "core/apiservice.h"
#include "core/usersettings.h"
#include "myticketsmodel.h"
#include "protocol/errors.h"
#include "ticketcard.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace Sizes = Style::Metrics::MyTickets;

namespace {
enum ContentPage { LoadingPage, EmptyPage, ListPage };
} // namespace

MyTicketsView::MyTicketsView(APIService &api, const UserSettings &settings, QWidget *parent)
    : Sheet(SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
    , m_model(new MyTicketsModel(this))
    , m_delegate(new TicketCard(this))
{
    setWindowTitle(u"Mes tickets"_s);
    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    auto *header = new QHBoxLayout;
    header->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    header->addLayout(ScreenParts::titles(u"Mes tickets"_s, u"Suivez l'état de vos demandes"_s, this), 1);
    m_refresh = new IconButton(u"arrow.clockwise"_s, Style::white(0.7), u"Actualiser"_s,
        IconButton::Look { Sizes::RefreshFrame, Sizes::RefreshSymbol, 0.1, Sizes::RefreshRadius }, this);
    connect(m_refresh, &IconButton::clicked, this, &MyTicketsView::loadTickets);
    header->addWidget(m_refresh, 0, Qt::AlignVCenter);
    auto *close = IconButton::closeButton(this);
    connect(close, &IconButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignVCenter);
    outer->addLayout(header);

    auto *errorRow = new QHBoxLayout;
    errorRow->setContentsMargins(Common::SheetPadding, 0, Common::SheetPadding, Sizes::ErrorBottomPadding);
    m_error = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    m_error->hide();
    errorRow->addWidget(m_error);
    outer->addLayout(errorRow);

    m_content = new QStackedWidget(this);
    auto *loadingText = new QLabel(u"Chargement..."_s);
    Style::setRole(loadingText, "subtitle");
    m_content->insertWidget(LoadingPage,
        ScreenParts::centredColumn(
            { new Spinner(Common::LargeSpinner, Style::grey()), loadingText }, -1, m_content));

    auto *trayIcon = new QLabel;
    trayIcon->setPixmap(
        SymbolIcons::pixmap(u"tray"_s, Style::grey(), Sizes::EmptySymbol, devicePixelRatioF()));
    auto *emptyTitle = new QLabel(u"Aucun ticket"_s);
    Style::setRole(emptyTitle, "emptyTitle");
    auto *emptyText = new QLabel(u"Vous n'avez pas encore créé de demande"_s);
    Style::setRole(emptyText, "subtitle");
    m_content->insertWidget(
        EmptyPage, ScreenParts::centredColumn({ trayIcon, emptyTitle, emptyText }, -1, m_content));

    m_list = new QListView(m_content);
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
    m_list->setAccessibleName(u"Mes tickets"_s);
    m_list->installEventFilter(this);
    m_content->insertWidget(ListPage, m_list);
    outer->addWidget(m_content, 1);

    connect(m_delegate, &TicketCard::toggleRequested, this, &MyTicketsView::toggleExpanded);
    connect(m_model, &QAbstractItemModel::modelReset, m_delegate, &TicketCard::clearCache);
    connect(this, &Sheet::appeared, this, &MyTicketsView::loadTickets);
    updateContent();
    // The cards are what the sheet is for: the keyboard starts there.
    m_list->setFocus();
}

QString MyTicketsView::contentState() const
{
    switch (m_content->currentIndex()) {
    case LoadingPage:
        return u"loading"_s;
    case EmptyPage:
        return u"empty"_s;
    default:
        return u"list"_s;
    }
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
        m_error->showText(u"Utilisateur non connecté"_s);
        return;
    }
    m_error->hide();
    setLoading(true);
    fetch();
}

QCoro::Task<> MyTicketsView::fetch()
{
    QPointer<MyTicketsView> self(this);
    // Loads overlap (refresh pressed twice, a new ticket meanwhile): only the
    // latest one's reply is applied, however late an older one comes back.
    const quint64 load = ++m_latestLoad;
    try {
        const QList<UserTicket> tickets
            = co_await m_api.getMyTickets(m_settings.readInteger(UserSettings::UserId));
        if (!self || load != m_latestLoad)
            co_return;
        m_model->setTickets(tickets);
        setLoading(false);
    } catch (const NorvikError &error) {
        if (!self || load != m_latestLoad)
            co_return;
        // The previous list stays under the error line.
        m_error->showText(u"Erreur de chargement: "_s + error.description());
        setLoading(false);
    }
}

void MyTicketsView::toggleExpanded(qint64 id)
{
    const int row = m_model->rowOf(id);
    if (row < 0)
        return;
    const bool expand = !m_model->isExpanded(id);
    // A card clicked again mid-animation turns back from where it stands.
    const qreal from = m_model->expansion(id);
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
        connect(animation, &QVariantAnimation::finished, this,
            [this, id] { m_animations.take(id)->deleteLater(); });
    }
    animation->stop();
    animation->setStartValue(from);
    animation->setEndValue(expand ? 1.0 : 0.0);
    animation->start();
}

bool MyTicketsView::eventFilter(QObject *watched, QEvent *event)
{
    // Space or Enter opens and closes the current card.
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QModelIndex current = m_list->currentIndex();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && current.isValid()) {
            toggleExpanded(current.data(MyTicketsModel::IdRole).toLongLong());
            return true;
        }
    }
    return Sheet::eventFilter(watched, event);
}
