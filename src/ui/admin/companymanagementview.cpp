#include "companymanagementview.h"

#include "addcompanyview.h"
#include "adminui.h"
#include "companyrow.h"
#include "core/apiservice.h"
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
namespace Sizes = Style::Metrics::Companies;

CompanyManagementView::CompanyManagementView(APIService &api, QWidget *parent)
    : Sheet(Style::SheetSizes::CompanyManagement, parent)
    , m_api(api)
{
    setWindowTitle(u"Gestion des sociétés"_s);
    QVBoxLayout *column = ScreenParts::bareColumn(this);

    auto *header = new QHBoxLayout();
    header->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    QLabel *title = AdminUi::text(u"Gestion des sociétés"_s, Text::Title, QFont::Bold, Style::white(), this);
    // The title never gives way to the buttons beside it.
    title->ensurePolished();
    title->setMinimumWidth(title->sizeHint().width());
    header->addWidget(title);
    header->addStretch();
    // Smaller than a screen's main button: it shares the header with the title.
    auto *add = new GradientButton(u"Nouvelle société"_s, this);
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
    column->addLayout(header);

    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    auto *errorMargin = new QHBoxLayout();
    errorMargin->setContentsMargins(Common::SheetPadding, 0, Common::SheetPadding, 0);
    errorMargin->addWidget(m_errorRow);
    column->addLayout(errorMargin);

    QWidget *content = ScreenParts::addScrollingPage(column, 1);
    m_faces = new QStackedLayout(content);

    m_loadingFace = new QWidget(content);
    auto *loading = new QVBoxLayout(m_loadingFace);
    loading->setContentsMargins(
        Sizes::LoadingPadding, Sizes::LoadingPadding, Sizes::LoadingPadding, Sizes::LoadingPadding);
    loading->addWidget(
        new Spinner(Common::Spinner, Style::white(), m_loadingFace), 0, Qt::AlignHCenter | Qt::AlignTop);
    loading->addStretch();

    m_listFace = new QWidget(content);
    auto *listColumn = new QVBoxLayout(m_listFace);
    listColumn->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    listColumn->setSpacing(Sizes::RowSpacing);
    m_rows = new QVBoxLayout();
    m_rows->setSpacing(Sizes::RowSpacing);
    listColumn->addLayout(m_rows);
    listColumn->addStretch();

    m_emptyFace = new QWidget(content);
    auto *empty = new QVBoxLayout(m_emptyFace);
    empty->setContentsMargins(
        Sizes::EmptyPadding, Sizes::EmptyPadding, Sizes::EmptyPadding, Sizes::EmptyPadding);
    empty->setSpacing(Sizes::EmptySpacing);
    empty->addWidget(AdminUi::symbol(u"building.2"_s, Style::grey(), Sizes::EmptySymbol, m_emptyFace), 0,
        Qt::AlignHCenter);
    empty->addWidget(
        AdminUi::text(u"Aucune société enregistrée"_s, Text::Lead, QFont::Normal, Style::grey(), m_emptyFace),
        0, Qt::AlignHCenter);
    empty->addStretch();

    m_faces->addWidget(m_loadingFace);
    m_faces->addWidget(m_listFace);
    m_faces->addWidget(m_emptyFace);
    refresh();
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
    for (const Company &company : std::as_const(m_companies))
        m_rows->addWidget(new CompanyRow(company, m_listFace));
}

QCoro::Task<void> CompanyManagementView::loadCompanies()
{
    m_isLoading = true;
    m_showError = false;
    refresh();
    QPointer<CompanyManagementView> self(this);
    const quint64 load = ++m_latestLoad;
    std::optional<QString> failure;
    QList<Company> fetched;
    try {
        fetched = co_await m_api.getCompanies();
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    // Only the latest load's reply is applied, however late an older one
    // comes back (a company added while the sheet was still loading).
    if (!self || load != m_latestLoad)
        co_return;
    if (failure) {
        // The previous list stays under the error row.
        m_errorMessage = u"Erreur de chargement: "_s + *failure;
        m_showError = true;
    } else {
        m_companies = std::move(fetched);
        rebuildRows();
    }
    m_isLoading = false;
    refresh();
    emit loadFinished();
}

AddCompanyView *CompanyManagementView::addCompanyView() const
{
    return m_addCompany;
}
