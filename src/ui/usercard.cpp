#include "usercard.h"

#include "core/usersettings.h"
#include "ui/widgets/style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int SidePadding = 24;
constexpr int VerticalPadding = 12;
constexpr int Spacing = 4;
constexpr int DetailSpacing = 6;
} // namespace Sizes
} // namespace

UserCard::UserCard(const UserSettings &settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_name(new QLabel(this))
    , m_poste(new QLabel(this))
    , m_bullet(new QLabel(u"•"_s, this))
    , m_company(new QLabel(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    column->setSpacing(Sizes::Spacing);
    Style::setRole(m_name, "userCardName");
    m_name->setAlignment(Qt::AlignCenter);
    column->addWidget(m_name, 0, Qt::AlignHCenter);

    auto *details = new QHBoxLayout;
    details->setSpacing(Sizes::DetailSpacing);
    for (QLabel *label : { m_poste, m_company })
        Style::setRole(label, "secondary");
    Style::setRole(m_bullet, "bullet");
    details->addWidget(m_poste);
    details->addWidget(m_bullet);
    details->addWidget(m_company);
    column->addLayout(details);
    column->setAlignment(details, Qt::AlignHCenter);
    reload();
}

void UserCard::reload()
{
    // A missing value reads as empty; the parts of the second line come and
    // go with what is stored.
    m_name->setText(m_settings.readTextOrEmpty(UserSettings::UserPrenom) + u" "_s
        + m_settings.readTextOrEmpty(UserSettings::UserNom));
    const QString poste = m_settings.readTextOrEmpty(UserSettings::UserPoste);
    const QString company = m_settings.readTextOrEmpty(UserSettings::CompanyName);
    m_poste->setText(tr("Poste %1").arg(poste));
    m_poste->setVisible(!poste.isEmpty());
    m_company->setText(company);
    m_bullet->setVisible(!company.isEmpty());
    m_company->setVisible(!company.isEmpty());
    setAccessibleName(nameLine());
    setAccessibleDescription(detailLine());
}

QString UserCard::nameLine() const
{
    return m_name->text();
}

QString UserCard::detailLine() const
{
    QStringList parts;
    if (!m_poste->isHidden())
        parts << m_poste->text();
    if (!m_company->isHidden())
        parts << m_company->text();
    return parts.join(u" • "_s);
}

void UserCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), Style::Metrics::Common::PanelRadius, Style::white(0.05));
}
