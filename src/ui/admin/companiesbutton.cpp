#include "companiesbutton.h"

#include "companymanagementview.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

using namespace Qt::StringLiterals;

namespace {

namespace Sizes {
constexpr int Symbol = 14;
constexpr int Radius = 8;
constexpr int VerticalPadding = 6;
constexpr int SidePadding = 12;
} // namespace Sizes

} // namespace

CompaniesButton::CompaniesButton(APIService &api, QWidget *parent)
    : QPushButton(
        SymbolIcons::icon(u"building.2.fill", Style::white(), Sizes::Symbol), tr("Sociétés"), parent)
    , m_api(api)
{
    setToolTip(tr("Gérer les sociétés"));
    setCursor(Qt::PointingHandCursor);
    setAutoDefault(false);
    setStyleSheet(Style::Sheets::filledButton(Style::withOpacity(Style::orange(), 0.7), Style::TextSize::Body,
        QFont::Medium, Sizes::Radius, Style::Sheets::padding(Sizes::VerticalPadding, Sizes::SidePadding)));
    connect(this, &QPushButton::clicked, this, &CompaniesButton::openCompanyManagement);
}

void CompaniesButton::openCompanyManagement()
{
    if (m_sheet) {
        m_sheet->raise();
        return;
    }
    m_sheet = new CompanyManagementView(m_api, window());
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->open();
}
