#include "fieldlabel.h"

#include "style.h"
#include "symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

FieldLabel::FieldLabel(const QString &symbol, const QString &text, bool required, QWidget *parent)
    : QWidget(parent)
    , m_text(new QLabel(text, this))
    , m_required(required)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Style::Metrics::FieldLabel::Spacing);
    if (!symbol.isEmpty()) {
        auto *icon = new QLabel(this);
        icon->setPixmap(SymbolIcons::pixmap(
            symbol, Style::blue(), Style::Metrics::FieldLabel::Symbol, devicePixelRatioF()));
        icon->setAccessibleName(QString());
        row->addWidget(icon);
    }
    Style::setRole(m_text, "fieldLabel");
    row->addWidget(m_text);
    if (required) {
        auto *star = new QLabel(u"*"_s, this);
        Style::setRole(star, "required");
        row->addWidget(star);
    }
    row->addStretch();
}

QString FieldLabel::text() const
{
    return m_text->text();
}

void FieldLabel::setBuddy(QWidget *field)
{
    m_text->setBuddy(field);
    field->setAccessibleName(m_required ? m_text->text() + u" (obligatoire)"_s : m_text->text());
}
