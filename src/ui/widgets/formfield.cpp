#include "formfield.h"

#include "fieldlabel.h"
#include "stylemetrics.h"

#include <QLineEdit>
#include <QVBoxLayout>

FormField::FormField(
    const QString &label, const QString &icon, const QString &placeholder, bool isRequired, QWidget *parent)
    : QWidget(parent)
    , m_label(new FieldLabel(icon, label, isRequired, this))
    , m_edit(new QLineEdit(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Style::Metrics::Common::LabelToField);
    m_edit->setPlaceholderText(placeholder);
    m_label->setBuddy(m_edit);
    column->addWidget(m_label);
    column->addWidget(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &FormField::valueChanged);
}

QString FormField::value() const
{
    return m_edit->text();
}

void FormField::setValue(const QString &value)
{
    m_edit->setText(value);
}
