#pragma once

#include "protocol/records.h"
#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <QPointer>

class APIService;
class AddCompanyView;
class NoticeBox;
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

    const QList<Company> &companies() const { return m_companies; }
    bool isLoading() const { return m_isLoading; }
    bool showError() const { return m_showError; }
    QString errorMessage() const { return m_errorMessage; }
    AddCompanyView *addCompanyView() const;

Q_SIGNALS:
    // A fetch ended, well or badly.
    void loadFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void rebuildRows();

    APIService &m_api;
    QList<Company> m_companies;
    bool m_isLoading = false;
    quint64 m_latestLoad = 0;
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
