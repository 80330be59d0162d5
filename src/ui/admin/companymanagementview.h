#pragma once

#include "protocol/records.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <QPointer>

class APIService;
class AddCompanyView;
class NoticeBox;
class QLayout;
class QStackedLayout;
class QVBoxLayout;

// The customer companies known to the server, and the way to add one. The
// list is fetched each time the sheet comes on screen and after a creation.
class CompanyManagementView : public Sheet
{
    Q_OBJECT

public:
    explicit CompanyManagementView(APIService &api, QWidget *parent = nullptr);

    QCoro::Task<void> loadCompanies();
    // Presents the add form over this sheet ("Nouvelle société").
    void showAddCompany();
    // Presents the form that frees a workstation of company.
    void showResetPoste(const Company &company);

Q_SIGNALS:
    // A fetch ended, well or badly.
    void loadFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLayout *buildHeader();
    QWidget *buildLoadingFace(QWidget *content);
    QWidget *buildListFace(QWidget *content);
    QWidget *buildEmptyFace(QWidget *content);
    void refresh();
    void rebuildRows();

    APIService &m_api;
    QList<Company> m_companies;
    bool m_isLoading = false;
    LatestLoad m_loads;
    QString m_errorMessage;
    bool m_showError = false;

    NoticeBox *m_errorRow = nullptr;
    QStackedLayout *m_faces = nullptr;
    QWidget *m_loadingFace = nullptr;
    QWidget *m_listFace = nullptr;
    QWidget *m_emptyFace = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QPointer<AddCompanyView> m_addCompany;
};
