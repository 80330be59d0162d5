#include "conflictbox.h"

#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int Padding = 14;
constexpr int Spacing = 6;
constexpr int Symbol = Style::Metrics::NoticeBox::Symbol;
} // namespace Sizes
} // namespace

ConflictBox::ConflictBox(QWidget *parent)
    : QWidget(parent)
    , m_name(new QLabel(this))
    , m_use(new QPushButton(tr("Utiliser ces informations"), this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    column->setSpacing(Sizes::Spacing);
    auto *headline = new QHBoxLayout;
    auto *icon = new QLabel(this);
    icon->setPixmap(SymbolIcons::pixmap(
        u"exclamationmark.triangle.fill"_s, Style::orange(), Sizes::Symbol, devicePixelRatioF()));
    headline->addWidget(icon);
    auto *warning = new QLabel(tr("Ce poste est déjà utilisé"), this);
    Style::setRole(warning, "warning");
    headline->addWidget(warning);
    headline->addStretch();
    column->addLayout(headline);
    auto *caption = new QLabel(tr("Utilisateur existant:"), this);
    Style::setRole(caption, "caption");
    column->addWidget(caption);
    Style::setRole(m_name, "value");
    column->addWidget(m_name);
    Style::setRole(m_use, "plain");
    m_use->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_use, 0, Qt::AlignLeft);
    connect(m_use, &QPushButton::clicked, this, &ConflictBox::useExistingUserRequested);
}

void ConflictBox::setExistingUser(const QString &prenom, const QString &nom)
{
    // First name first, as people introduce themselves.
    m_name->setText(prenom + u" "_s + nom);
    setAccessibleName(tr("Ce poste est déjà utilisé"));
    setAccessibleDescription(tr("Utilisateur existant: %1").arg(m_name->text()));
}

void ConflictBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), Style::Metrics::Common::PanelRadius, Style::white(0.05));
}
