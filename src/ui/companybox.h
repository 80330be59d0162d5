#pragma once

#include <QWidget>

// The user's company as stored at registration: name and "(code)". For
// information only.
class CompanyBox : public QWidget
{
    Q_OBJECT

public:
    CompanyBox(const QString &name, const QString &code, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_row;
};
