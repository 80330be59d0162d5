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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_warning;
};
