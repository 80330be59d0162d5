#pragma once

#include <QWidget>

class UserSettings;

// Who the ticket will be filed for: the stored name, workstation and
// company, or, for an incomplete identity, a reminder to fill the settings.
class IdentityBox : public QWidget
{
    Q_OBJECT

public:
    explicit IdentityBox(const UserSettings &settings, QWidget *parent = nullptr);

    bool showsWarning() const { return m_warning; }
    QString nameLine() const { return m_name; }
    QString detailLine() const { return m_details; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_warning;
    QString m_name;
    QString m_details;
};
