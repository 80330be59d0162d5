#pragma once

#include <QPointer>
#include <QPushButton>

class APIService;
class CompanyManagementView;

// The administrators' way into company management from the user settings
// sheet: "Sociétés" on orange, which presents the management sheet over the
// sheet it sits in.
class CompaniesButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CompaniesButton(APIService &api, QWidget *parent = nullptr);

    void openCompanyManagement();

private:
    APIService &m_api;
    QPointer<CompanyManagementView> m_sheet;
};
