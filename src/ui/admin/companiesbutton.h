#pragma once

#include <QPointer>
#include <QPushButton>

class CompanyManagementView;

// The administrators' way into company management from the user settings
// sheet: "Sociétés" on orange, which presents the management sheet over the
// sheet it sits in.
class CompaniesButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CompaniesButton(QWidget *parent = nullptr);

    void openCompanyManagement();
    CompanyManagementView *sheet() const;

private:
    QPointer<CompanyManagementView> m_sheet;
};
