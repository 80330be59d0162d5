#include "companymanagementview.h"

#include "addcompanyview.h"
#include "adminui.h"
#include "companyrow.h"
#include "core/apiservice.h"
#include "resetposteview.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"

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
constexpr QSize Sheet { 600, 550 };
constexpr int HeaderSpacing = 8;
constexpr int NewButtonTextSize = Style::TextSize::Callout;
constexpr int NewButtonHeight = 36;
constexpr int NewButtonRadius = 10;
constexpr int NewButtonPadding = 16;
constexpr int NewButtonSymbolGap = 6;
constexpr int LoadingPadding = 40;
constexpr int RowSpacing = 12;
constexpr int EmptyPadding = 60;
constexpr int EmptySpacing = 16;
constexpr int EmptySymbol = 48;
} // namespace Sizes

} // namespace

CompanyManagementView::CompanyManagementView(APIService &api, QWidget *parent)
    : Sheet(Sizes::Sheet, parent)
    , m_api(api)
{
    setWindowTitle(tr("Gestion des sociétés"));
    QVBoxLayout *column = ScreenParts::bareColumn(this);
    column->addLayout(buildHeader());

    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    m_errorRow->setObjectName(u"error"_s);
    auto *errorMargin = new QHBoxLayout();
    errorMargin->setContentsMargins(Common::SheetPadding, 0, Common::SheetPadding, 0);
    errorMargin->addWidget(m_errorRow);
    column->addLayout(errorMargin);

    QWidget *content = ScreenParts::addScrollingPage(column, 1);
    m_faces = new QStackedLayout(content);
    m_loadingFace = buildLoadingFace(content);
    m_listFace = buildListFace(content);
    m_emptyFace = buildEmptyFace(content);
    m_faces->addWidget(m_loadingFace);
    m_faces->addWidget(m_listFace);
    m_faces->addWidget(m_emptyFace);
    refresh();
}

QLayout *CompanyManagementView::buildHeader()
{
    auto *header = new QHBoxLayout();
    header->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    QLabel *title = AdminUi::text(tr("Gestion des sociétés"), Text::Title, QFont::Bold, Style::white(), this);
    // The title never gives way to the buttons beside it.
    title->ensurePolished();
    title->setMinimumWidth(title->sizeHint().width());
    header->addWidget(title);
    header->addStretch();
    // Smaller than a screen's main button: it shares the header with the title.
    auto *add = new GradientButton(tr("Nouvelle société"), this);
    add->setFont(Style::font(Sizes::NewButtonTextSize, QFont::Medium));
    add->setFixedHeight(Sizes::NewButtonHeight);
    add->setAutoDefault(false);
    add->setLook({ .radius = Sizes::NewButtonRadius,
        .padding = Sizes::NewButtonPadding,
        .symbolGap = Sizes::NewButtonSymbolGap });
    add->setSymbol(u"plus.circle.fill"_s);
    connect(add, &QPushButton::clicked, this, &CompanyManagementView::showAddCompany);
    header->addWidget(add);
    IconButton *close = IconButton::closeButton(this);
    connect(close, &QAbstractButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close);
    return header;
}

QWidget *CompanyManagementView::buildLoadingFace(QWidget *content)
{
    auto *face = new QWidget(content);
    face->setObjectName(u"loading"_s);
    auto *loading = new QVBoxLayout(face);
    loading->setContentsMargins(
        Sizes::LoadingPadding, Sizes::LoadingPadding, Sizes::LoadingPadding, Sizes::LoadingPadding);
    loading->addWidget(
        new Spinner(Common::Spinner, Style::white(), face), 0, Qt::AlignHCenter | Qt::AlignTop);
    loading->addStretch();
    return face;
}

QWidget *CompanyManagementView::buildListFace(QWidget *content)
{
    auto *face = new QWidget(content);
    auto *listColumn = new QVBoxLayout(face);
    listColumn->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    listColumn->setSpacing(Sizes::RowSpacing);
    m_rows = new QVBoxLayout();
    m_rows->setSpacing(Sizes::RowSpacing);
    listColumn->addLayout(m_rows);
    listColumn->addStretch();
    return face;
}

QWidget *CompanyManagementView::buildEmptyFace(QWidget *content)
{
    auto *face = new QWidget(content);
    auto *empty = new QVBoxLayout(face);
    empty->setContentsMargins(
        Sizes::EmptyPadding, Sizes::EmptyPadding, Sizes::EmptyPadding, Sizes::EmptyPadding);
    empty->setSpacing(Sizes::EmptySpacing);
    empty->addWidget(
        AdminUi::symbol(u"building.2"_s, Style::grey(), Sizes::EmptySymbol, face), 0, Qt::AlignHCenter);
    empty->addWidget(
        AdminUi::text(tr("Aucune société enregistrée"), Text::Lead, QFont::Normal, Style::grey(), face), 0,
        Qt::AlignHCenter);
    empty->addStretch();
    return face;
}

void CompanyManagementView::showEvent(QShowEvent *event)
{
    Sheet::showEvent(event);
    // Each time the sheet comes on screen, not when the desktop restores it.
    if (!event->spontaneous())
        loadCompanies();
}

void CompanyManagementView::showAddCompany()
{
    if (m_addCompany)
        return;
    QPointer<CompanyManagementView> self(this);
    m_addCompany = new AddCompanyView(
        m_api,
        [self] {
            if (self)
                self->loadCompanies();
        },
        this);
    m_addCompany->setAttribute(Qt::WA_DeleteOnClose);
    m_addCompany->open();
}

void CompanyManagementView::showResetPoste(const Company &company)
{
    auto *form = new ResetPosteView(m_api, company, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->open();
}

void CompanyManagementView::refresh()
{
    m_errorRow->setVisible(m_showError);
    m_errorRow->setText(m_errorMessage);
    if (m_isLoading)
        m_faces->setCurrentWidget(m_loadingFace);
    else if (!m_companies.isEmpty())
        m_faces->setCurrentWidget(m_listFace);
    else
        m_faces->setCurrentWidget(m_emptyFace);
}

void CompanyManagementView::rebuildRows()
{
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const bool offersPosteReset = m_api.hasStaffSession();
    for (const Company &company : std::as_const(m_companies)) {
        auto *row = new CompanyRow(company, offersPosteReset, m_listFace);
        connect(row, &CompanyRow::posteResetRequested, this, &CompanyManagementView::showResetPoste);
        m_rows->addWidget(row);
    }
}

QCoro::Task<void> CompanyManagementView::loadCompanies()
{
    m_isLoading = true;
    m_showError = false;
    refresh();
    // Only the latest load's reply is applied, however late an older one
    // comes back (a company added while the sheet was still loading).
    const LatestLoad::Ticket load = m_loads.start(this);
    std::optional<QString> failure;
    QList<Company> fetched;
    try {
        fetched = co_await m_api.getCompanies();
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    if (load.superseded())
        co_return;
    if (failure) {
        // The previous list stays under the error row.
        m_errorMessage = tr("Erreur de chargement: %1").arg(*failure);
        m_showError = true;
    } else {
        m_companies = std::move(fetched);
        rebuildRows();
    }
    m_isLoading = false;
    refresh();
    emit loadFinished();
}
