#pragma once

#include <QWidget>

class QLineEdit;

// A labelled text row of the settings screen: a grey label over a field,
// with neither symbol nor required marker.
class SettingsField : public QWidget
{
    Q_OBJECT

public:
    SettingsField(const QString &label, const QString &placeholder, QWidget *parent = nullptr);

    QString value() const;
    void setValue(const QString &value);
    QLineEdit *lineEdit() const { return m_edit; }

Q_SIGNALS:
    void valueChanged(const QString &value);

private:
    QLineEdit *m_edit;
};
