#pragma once

#include <QWidget>

class FieldLabel;
class QLineEdit;

// A labelled text row of the registration form: the label row (blue symbol,
// grey label, red "*" when required) over a single-line field.
class RegisterField : public QWidget
{
    Q_OBJECT

public:
    RegisterField(const QString &label, const QString &icon, const QString &placeholder, bool isRequired,
        QWidget *parent = nullptr);

    QString value() const;
    void setValue(const QString &value);
    QLineEdit *lineEdit() const { return m_edit; }
    FieldLabel *label() const { return m_label; }

Q_SIGNALS:
    void valueChanged(const QString &value);

private:
    FieldLabel *m_label;
    QLineEdit *m_edit;
};
