#pragma once

#include "core/systemreport/systemreport.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QWidget>
#include <optional>

class APIService;
class NoticeBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The report of the user's machine a ticket may carry, in the staff's ticket
// detail. Folded at first: the report is asked for the first time the staff
// unfold it, then kept. Each section of the report is shown apart, the ones
// that point at trouble marked, and the whole can be copied as text.
class SystemReportSection : public QWidget
{
    Q_OBJECT

public:
    SystemReportSection(APIService &api, qint64 ticketId, QWidget *parent = nullptr);

    bool isUnfolded() const;
    void setUnfolded(bool unfolded);
    // Shows this report (nothing: the ticket has none) without asking the server.
    void showReport(const std::optional<QJsonObject> &report);
    const SystemReport &report() const { return m_report; }

Q_SIGNALS:
    // A load asked for by unfolding ended, well or badly.
    void loadFinished();

private:
    QWidget *buildHeader();
    QWidget *buildBody();
    QCoro::Task<void> load();
    void clearParts();
    void copyReport();

    APIService &m_api;
    qint64 m_ticketId = 0;
    bool m_requested = false;
    SystemReport m_report;

    QPushButton *m_toggle = nullptr;
    QWidget *m_body = nullptr;
    QLabel *m_note = nullptr;
    NoticeBox *m_error = nullptr;
    QVBoxLayout *m_parts = nullptr;
    QPushButton *m_copy = nullptr;
};
