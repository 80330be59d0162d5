#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Tells the user that the workstation number he typed already belongs to
// someone, who that is, and offers to copy that person's details.
class ConflictBox : public QWidget
{
    Q_OBJECT

public:
    explicit ConflictBox(QWidget *parent = nullptr);

    void setExistingUser(const QString &prenom, const QString &nom);

Q_SIGNALS:
    void useExistingUserRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_name;
    QPushButton *m_use;
};
