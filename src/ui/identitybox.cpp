#include "identitybox.h"

#include "core/usersettings.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int SidePadding = 14;
constexpr int VerticalPadding = 12;
constexpr int Spacing = 12;
constexpr int Symbol = 32;
constexpr int LineSpacing = 2;
constexpr int DetailSpacing = 6;
} // namespace Sizes
} // namespace

IdentityBox::IdentityBox(const UserSettings &settings, QWidget *parent)
    : QWidget(parent)
{
    m_warning = !settings.isRegistered();
    auto *row = new QHBoxLayout(this);
    if (m_warning) {
        // The form stays usable: the server decides about a ticket of user 0.
        row->setContentsMargins(0, 0, 0, 0);
        auto *notice = new NoticeBox(u"exclamationmark.triangle"_s, Style::orange(), this);
        notice->setText(tr("Pensez à remplir vos informations dans les paramètres"));
        row->addWidget(notice);
        setAccessibleName(notice->text());
        return;
    }
    row->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    row->setSpacing(Sizes::Spacing);
    auto *icon = new QLabel(this);
    icon->setPixmap(
        SymbolIcons::pixmap(u"person.circle.fill"_s, Style::blue(), Sizes::Symbol, devicePixelRatioF()));
    row->addWidget(icon);
    auto *column = new QVBoxLayout;
    column->setSpacing(Sizes::LineSpacing);
    const QString fullName = settings.readTextOrEmpty(UserSettings::UserPrenom) + u" "_s
        + settings.readTextOrEmpty(UserSettings::UserNom);
    auto *name = new QLabel(fullName, this);
    Style::setRole(name, "identityName");
    column->addWidget(name);

    auto *details = new QHBoxLayout;
    details->setSpacing(Sizes::DetailSpacing);
    const QString poste = settings.readTextOrEmpty(UserSettings::UserPoste);
    const QString company = settings.readTextOrEmpty(UserSettings::CompanyName);
    QStringList parts;
    if (!poste.isEmpty()) {
        auto *posteLabel = new QLabel(tr("Poste %1").arg(poste), this);
        Style::setRole(posteLabel, "small");
        details->addWidget(posteLabel);
        parts << posteLabel->text();
    }
    if (!company.isEmpty()) {
        auto *bullet = new QLabel(u"•"_s, this);
        Style::setRole(bullet, "smallBullet");
        auto *companyLabel = new QLabel(company, this);
        Style::setRole(companyLabel, "small");
        details->addWidget(bullet);
        details->addWidget(companyLabel);
        parts << company;
    }
    details->addStretch();
    column->addLayout(details);
    row->addLayout(column, 1);
    setAccessibleName(fullName);
    setAccessibleDescription(parts.join(u" • "_s));
}

void IdentityBox::paintEvent(QPaintEvent *)
{
    if (m_warning)
        return;
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), Style::Metrics::Common::PanelRadius, Style::white(0.05));
}
