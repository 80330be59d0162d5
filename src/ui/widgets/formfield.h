#pragma once

#include <QWidget>

class FieldLabel;
class QLineEdit;

// A labelled single-line field of the user's forms: the label row (an
// optional blue symbol, the grey label, a red "*" when required) over the field.
class FormField : public QWidget
{
    Q_OBJECT

public:
    FormField(const QString &label, const QString &icon, const QString &placeholder, bool isRequired,
        QWidget *parent = nullptr);

    QString value() const;
    void setValue(const QString &value);
    QLineEdit *lineEdit() const { return m_edit; }

Q_SIGNALS:
    void valueChanged(const QString &value);

private:
    FieldLabel *m_label;
    QLineEdit *m_edit;
};
