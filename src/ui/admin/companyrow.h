#pragma once

#include "protocol/records.h"

#include <QWidget>

// One customer company in the management list: its name and its code.
class CompanyRow : public QWidget
{
    Q_OBJECT

public:
    explicit CompanyRow(const Company &company, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
