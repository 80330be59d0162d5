#include "fieldlabel.h"

#include "style.h"
#include "symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

namespace Sizes {
constexpr int Spacing = 6; // symbol, words and "*"
constexpr int Symbol = 15;
} // namespace Sizes

} // namespace

FieldLabel::FieldLabel(const QString &symbol, const QString &text, bool required, QWidget *parent)
    : QWidget(parent)
    , m_text(new QLabel(text, this))
    , m_required(required)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Sizes::Spacing);
    if (!symbol.isEmpty()) {
        auto *icon = new QLabel(this);
        icon->setPixmap(SymbolIcons::pixmap(symbol, Style::blue(), Sizes::Symbol, devicePixelRatioF()));
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

void FieldLabel::setBuddy(QWidget *field)
{
    m_text->setBuddy(field);
    field->setAccessibleName(m_required ? tr("%1 (obligatoire)").arg(m_text->text()) : m_text->text());
}
