#pragma once

#include "protocol/records.h"
#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>

class APIService;
class GradientButton;
class NoticeBox;
class QLineEdit;

// Gives a workstation of a company back to its next registration, for a user
// who lost the secret (new machine, reinstall): the same user and tickets
// come back with a new secret, and the old one stops working.
class ResetPosteView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int CloseDelayMs = 1500;

    ResetPosteView(APIService &api, const Company &company, QWidget *parent = nullptr);

    QCoro::Task<void> submit();

Q_SIGNALS:
    // A reset request ended, well or badly.
    void submitFinished();

private:
    QLayout *buildHeader(QWidget *content);
    QLayout *buildButtons(QWidget *content);
    void refresh();

    APIService &m_api;
    const Company m_company;
    QLineEdit *m_poste = nullptr;
    NoticeBox *m_errorRow = nullptr;
    NoticeBox *m_successRow = nullptr;
    GradientButton *m_reset = nullptr;
    bool m_isSubmitting = false;
    bool m_done = false;
};
