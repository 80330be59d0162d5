#pragma once

#include "protocol/records.h"

#include <QWidget>

// One customer company in the management list: its name and its code.
class CompanyRow : public QWidget
{
    Q_OBJECT

public:
    // offersPosteReset: the server keeps accounts, so a workstation whose
    // secret was lost can be freed from here.
    explicit CompanyRow(const Company &company, bool offersPosteReset = false, QWidget *parent = nullptr);

Q_SIGNALS:
    void posteResetRequested(const Company &company);

protected:
    void paintEvent(QPaintEvent *event) override;
};
