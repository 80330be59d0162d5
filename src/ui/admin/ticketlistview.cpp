#include "ticketlistview.h"

#include "adminui.h"
#include "core/apiservice.h"
#include "core/conversations.h"
#include "ticketcarddelegate.h"
#include "ticketdetailview.h"
#include "ticketgridview.h"
#include "ticketlistmodel.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/navigationstack.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace Common = Style::Metrics::Common;

namespace {

namespace Sizes {
constexpr int LoadingSpinner = 30;
constexpr int PageSpacing = 16; // loading and empty pages
constexpr int ErrorSpacing = 20;
constexpr int ErrorSymbol = 60;
constexpr int ErrorTextSidePadding = 40;
constexpr int RetrySymbol = 16;
constexpr int RetryRadius = 10;
constexpr int RetryVerticalPadding = 12;
constexpr int RetrySidePadding = 24;
constexpr int HeaderBottomPadding = 20;
constexpr int HeaderSpacing = 16;
constexpr int TitleSize = 36;
constexpr int RefreshFrame = 44;
constexpr int RefreshSymbol = 20;
constexpr int RefreshRadius = 10;
constexpr int EmptySymbol = 60;
} // namespace Sizes

constexpr int GridMargin = Common::SheetPadding - TicketCardDelegate::Spacing / 2;

} // namespace

TicketListView::TicketListView(APIService &api, Conversations &conversations, QWidget *parent)
    : QWidget(parent)
    , m_api(api)
    , m_conversations(conversations)
    , m_model(new TicketListModel(this))
{
    Style::applyTo(this);
    setAccessibleName(tr("Gestion des tickets"));
    QVBoxLayout *column = ScreenParts::bareColumn(this);
    column->addWidget(NavigationStack::backBar(this));
    m_faces = new QStackedLayout;
    column->addLayout(m_faces, 1);
    m_loadingFace = buildLoadingFace();
    m_errorFace = buildErrorFace();
    m_listFace = buildListFace();
    m_emptyFace = buildEmptyFace();
    for (QWidget *face : { m_loadingFace, m_errorFace, m_listFace, m_emptyFace })
        m_faces->addWidget(face);
    connect(&m_conversations, &Conversations::unreadChanged, m_model, &TicketListModel::setUnread);
    showState();
}

QWidget *TicketListView::buildLoadingFace()
{
    return ScreenParts::centredColumn(
        { new Spinner(Sizes::LoadingSpinner, Style::white()),
            AdminUi::text(tr("Chargement des tickets..."), Text::CardTitle, QFont::Normal, Style::grey()) },
        Sizes::PageSpacing, this);
}

QWidget *TicketListView::buildErrorFace()
{
    auto *face = new QWidget(this);
    auto *column = new QVBoxLayout(face);
    column->setSpacing(Sizes::ErrorSpacing);
    column->addStretch();
    column->addWidget(AdminUi::symbol(u"exclamationmark.triangle.fill"_s,
                          Style::withOpacity(Style::red(), 0.8), Sizes::ErrorSymbol, face),
        0, Qt::AlignHCenter);
    column->addWidget(
        AdminUi::text(tr("Erreur de chargement"), Text::Title, QFont::Bold, Style::white(), face), 0,
        Qt::AlignHCenter);
    m_errorText = AdminUi::text(QString(), Text::Headline, QFont::Normal, Style::grey(), face);
    m_errorText->setObjectName(u"errorText"_s);
    m_errorText->setWordWrap(true);
    m_errorText->setAlignment(Qt::AlignCenter);
    m_errorText->setContentsMargins(Sizes::ErrorTextSidePadding, 0, Sizes::ErrorTextSidePadding, 0);
    column->addWidget(m_errorText);

    auto *retry = new QPushButton(
        SymbolIcons::icon(u"arrow.clockwise", Style::white(), Sizes::RetrySymbol), tr("Réessayer"), face);
    retry->setStyleSheet(Style::Sheets::filledButton(Style::withOpacity(Style::blue(), 0.6), Text::Lead,
        QFont::DemiBold, Sizes::RetryRadius,
        Style::Sheets::padding(Sizes::RetryVerticalPadding, Sizes::RetrySidePadding)));
    retry->setCursor(Qt::PointingHandCursor);
    connect(retry, &QPushButton::clicked, this, [this] { loadTickets(); });
    column->addWidget(retry, 0, Qt::AlignHCenter);
    column->addStretch();
    return face;
}

QWidget *TicketListView::buildListFace()
{
    auto *face = new QWidget(this);
    QVBoxLayout *column = ScreenParts::bareColumn(face);
    auto *header = new QWidget(face);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(Common::SheetPadding - GridMargin, Common::SheetPadding,
        Common::SheetPadding - GridMargin, Sizes::HeaderBottomPadding);
    row->setSpacing(Sizes::HeaderSpacing);
    auto *titles = new QVBoxLayout();
    titles->setSpacing(Common::TitleToSubtitle);
    titles->addWidget(
        AdminUi::text(tr("Gestion des tickets"), Sizes::TitleSize, QFont::Bold, Style::white(), header));
    m_countLine = AdminUi::text(QString(), Text::Lead, QFont::Normal, Style::grey(), header);
    titles->addWidget(m_countLine);
    row->addLayout(titles);
    row->addStretch();
    auto *refresh = new IconButton(u"arrow.clockwise"_s, Style::white(), tr("Actualiser"),
        IconButton::Look { Sizes::RefreshFrame, Sizes::RefreshSymbol, 0.1, Sizes::RefreshRadius }, header);
    connect(refresh, &QAbstractButton::clicked, this, [this] { loadTickets(); });
    row->addWidget(refresh, 0, Qt::AlignVCenter);
    column->addWidget(header);

    m_grid = new TicketGridView(m_model, face);
    m_grid->setObjectName(u"grid"_s);
    // With the half spacing the grid keeps at its edges, 24 points in all.
    column->setContentsMargins(GridMargin, 0, GridMargin, GridMargin);
    connect(m_grid, &TicketGridView::ticketActivated, this, &TicketListView::openTicket);
    column->addWidget(m_grid, 1);
    return face;
}

QWidget *TicketListView::buildEmptyFace()
{
    return ScreenParts::centredColumn(
        { AdminUi::symbol(u"tray.fill"_s, Style::withOpacity(Style::grey(), 0.5), Sizes::EmptySymbol),
            AdminUi::text(tr("Aucun ticket"), Text::Title, QFont::Bold, Style::white()),
            AdminUi::text(
                tr("Il n'y a aucun ticket pour le moment"), Text::Headline, QFont::Normal, Style::grey()) },
        Sizes::PageSpacing, this);
}

TicketListView::Face TicketListView::face() const
{
    if (m_loading)
        return Face::Loading;
    if (m_errorMessage)
        return Face::Error;
    if (!m_model->tickets().isEmpty())
        return Face::List;
    return Face::Empty;
}

void TicketListView::showState()
{
    switch (face()) {
    case Face::Loading:
        m_faces->setCurrentWidget(m_loadingFace);
        break;
    case Face::Error:
        m_errorText->setText(*m_errorMessage);
        m_faces->setCurrentWidget(m_errorFace);
        break;
    case Face::List:
        m_countLine->setText(TicketListModel::countLine(m_model->tickets().size()));
        m_faces->setCurrentWidget(m_listFace);
        break;
    case Face::Empty:
        m_faces->setCurrentWidget(m_emptyFace);
        break;
    }
}

void TicketListView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Coming on screen (first push, or back from a detail) fetches anew; a
    // window merely restored by the desktop does not.
    if (!event->spontaneous())
        loadTickets();
}

QCoro::Task<void> TicketListView::loadTickets()
{
    m_loading = true;
    m_errorMessage.reset();
    showState();
    // Fetches overlap (refresh, coming back from a detail): only the latest
    // one's reply is applied, however late an older one comes back.
    const LatestLoad::Ticket load = m_loads.start(this);
    std::optional<QString> failure;
    QList<Ticket> fetched;
    try {
        fetched = co_await m_api.getAllTickets();
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    if (load.superseded())
        co_return;
    if (failure) {
        m_errorMessage = failure;
    } else {
        applyTickets(std::move(fetched));
    }
    m_loading = false;
    showState();
    emit loadFinished();
    if (const int row = m_model->rowOfTicket(std::exchange(m_requested, 0)); row >= 0)
        openTicket(row);
}

void TicketListView::applyTickets(QList<Ticket> tickets)
{
    for (const Ticket &ticket : std::as_const(tickets))
        if (ticket.unreadMessages)
            m_conversations.setUnreadCount(ticket.id, int(*ticket.unreadMessages));
    m_model->setTickets(std::move(tickets));
    for (const Ticket &ticket : m_model->tickets())
        m_model->setUnread(ticket.id, m_conversations.unreadCount(ticket.id));
}

void TicketListView::openTicketById(qint64 id)
{
    const int row = m_model->rowOfTicket(id);
    if (row >= 0 && !m_loading) {
        openTicket(row);
        return;
    }
    // Not listed yet: the load under way, or a new one, brings it.
    m_requested = id;
    if (!m_loading)
        loadTickets();
}

void TicketListView::openTicket(int row)
{
    if (row < 0 || row >= m_model->rowCount() || m_model->rowKind(row) != TicketListModel::RowKind::Card)
        return;
    NavigationStack *stack = NavigationStack::of(this);
    if (!stack)
        return;
    m_selectedTicket = m_model->ticketAt(row);
    auto *detail = new TicketDetailView(m_api, m_conversations, *m_selectedTicket);
    // Going back (however the detail leaves) clears the selection.
    connect(detail, &QObject::destroyed, this, [this] { m_selectedTicket.reset(); });
    stack->push(detail);
}
