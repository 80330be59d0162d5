#pragma once

#include <QWidget>

class QLabel;

// The label row above a form field: a blue symbol, a 13-point medium grey
// label and, for a required field, a red "*". It hands its text to the field
// it labels so assistive technology reads the field by its label.
class FieldLabel : public QWidget
{
    Q_OBJECT

public:
    FieldLabel(const QString &symbol, const QString &text, bool required, QWidget *parent = nullptr);

    // Names field after this label and makes the label's mnemonic focus it.
    void setBuddy(QWidget *field);

private:
    QLabel *m_text;
    bool m_required;
};
