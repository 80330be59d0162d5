#include "settingsfield.h"

#include "fieldlabel.h"

#include <QLineEdit>
#include <QVBoxLayout>

SettingsField::SettingsField(const QString &label, const QString &placeholder, QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto *title = new FieldLabel(QString(), label, false, this);
    title->setBuddy(m_edit);
    m_edit->setPlaceholderText(placeholder);
    column->addWidget(title);
    column->addWidget(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &SettingsField::valueChanged);
}

QString SettingsField::value() const
{
    return m_edit->text();
}

void SettingsField::setValue(const QString &value)
{
    m_edit->setText(value);
}
