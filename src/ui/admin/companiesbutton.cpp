#include "companiesbutton.h"

#include "companymanagementview.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

using namespace Qt::StringLiterals;

CompaniesButton::CompaniesButton(APIService &api, QWidget *parent)
    : QPushButton(SymbolIcons::icon(u"building.2.fill", Style::white(), 14), u"Sociétés"_s, parent)
    , m_api(api)
{
    setToolTip(u"Gérer les sociétés"_s);
    setCursor(Qt::PointingHandCursor);
    setAutoDefault(false);
    setStyleSheet(u"QPushButton { color: white; font-size: 13pt; font-weight: 500; border: none;"
                  " border-radius: 8px; padding: 6px 12px; background: rgba(255, 159, 10, 178); }"
                  " QPushButton:focus { border: 2px solid white; }"_s);
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

CompanyManagementView *CompaniesButton::sheet() const
{
    return m_sheet;
}
