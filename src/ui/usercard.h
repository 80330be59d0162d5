#pragma once

#include <QWidget>

class QLabel;
class UserSettings;

// Who the user is, on the home screen: "Prénom Nom" and, under it, the
// workstation and the company, each only when stored.
class UserCard : public QWidget
{
    Q_OBJECT

public:
    explicit UserCard(const UserSettings &settings, QWidget *parent = nullptr);

    // Re-reads the stored identity.
    void reload();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString nameLine() const;
    QString detailLine() const;

    const UserSettings &m_settings;
    QLabel *m_name;
    QLabel *m_poste;
    QLabel *m_bullet;
    QLabel *m_company;
};
