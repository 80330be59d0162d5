#include "settingsview.h"

#include "companybox.h"
#include "conflictbox.h"
#include "core/apiservice.h"
#include "core/log.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "protocol/errors.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"
#include "ui/widgets/toggleswitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 500, 600 };
constexpr int HeaderLeftPadding = 24;
constexpr int HeaderTopPadding = 10;
constexpr int HeaderRightPadding = 20;
constexpr int HeaderBottomPadding = 0;
constexpr int HeaderSpacing = 4;
constexpr int ControlSpacing = 10;
constexpr int ContentTopPadding = 8;
// The header needs two rows (see header()), so its paddings and the page's
// bottom are kept small: that buys the room for the items' 20 px gaps with
// "Enregistrer" still in view, for administrators too.
constexpr int ContentBottomPadding = 8;
constexpr int ItemSpacing = 20;
constexpr int SaveTextSize = Style::TextSize::Lead;
// The administrators' "Sociétés" button.
constexpr int CompaniesSymbol = 14;
constexpr int CompaniesRadius = 8;
constexpr int CompaniesVerticalPadding = 6;
constexpr int CompaniesSidePadding = 12;
} // namespace Sizes
} // namespace

SettingsView::SettingsView(APIService &api, UserSettings &settings, StartupManager &startup, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
{
    setWindowTitle(tr("Paramètres utilisateur"));

    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    outer->addLayout(header(startup));
    QWidget *content = ScreenParts::addScrollingPage(outer);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(
        Common::SheetPadding, Sizes::ContentTopPadding, Common::SheetPadding, Sizes::ContentBottomPadding);
    column->setSpacing(Sizes::ItemSpacing);

    auto *note = new QLabel(tr("Ces informations seront jointes à vos demandes"), content);
    Style::setRole(note, "note");
    note->setWordWrap(true);
    column->addWidget(note);
    m_conflict = new ConflictBox(content);
    m_conflict->hide();
    connect(m_conflict, &ConflictBox::useExistingUserRequested, this, &SettingsView::useExistingUser);
    column->addWidget(m_conflict);
    column->addLayout(posteSection(content));
    addIdentityFields(column, content);
    addSaving(column, content);
    column->addStretch();

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(CheckDelayMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] { checkPoste(*m_pendingCheck); });
    updateConflict();
    m_poste->setFocus();
}

QLayout *SettingsView::header(StartupManager &startup)
{
    // The sheet is too narrow for all four controls on one line: of its 456 px
    // the title alone takes 305, and the switch would need 179 even with its
    // words on two lines. So the title keeps the buttons beside it, the
    // administrators' included (their 99 px still fit), and the switch gets
    // the second line to itself, the same height for every user.
    auto *header = new QVBoxLayout;
    header->setContentsMargins(Sizes::HeaderLeftPadding, Sizes::HeaderTopPadding, Sizes::HeaderRightPadding,
        Sizes::HeaderBottomPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(Sizes::ControlSpacing);
    auto *title = new QLabel(tr("Paramètres utilisateur"), this);
    Style::setRole(title, "title");
    titleRow->addWidget(title, 1);
    // Created in reading order, which is also the keyboard's order.
    ToggleSwitch *toggle = launchAtLoginSwitch(startup);
    if (m_settings.readBool(UserSettings::IsAdmin))
        titleRow->addWidget(companiesButton(), 0, Qt::AlignVCenter);
    IconButton *close = IconButton::closeButton(this);
    connect(close, &IconButton::clicked, this, &Sheet::dismiss);
    titleRow->addWidget(close, 0, Qt::AlignVCenter);
    header->addLayout(titleRow);
    header->addWidget(toggle, 0, Qt::AlignLeft);
    return header;
}

ToggleSwitch *SettingsView::launchAtLoginSwitch(StartupManager &startup)
{
    auto *toggle = new ToggleSwitch(tr("Ouvrir Norvik Support au démarrage"), this);
    toggle->setChecked(startup.isEnabled());
    // Only the user's own clicks register or unregister; the manager's
    // answer (which may refuse) puts the switch where things really stand.
    connect(toggle, &ToggleSwitch::clicked, &startup, &StartupManager::setEnabled);
    connect(&startup, &StartupManager::isEnabledChanged, toggle, [toggle](bool enabled) {
        const QSignalBlocker quiet(toggle);
        toggle->setChecked(enabled);
    });
    return toggle;
}

QLayout *SettingsView::posteSection(QWidget *content)
{
    // The workstation number, with the check's spinner beside it.
    auto *section = new QVBoxLayout;
    section->setSpacing(Common::LabelToField);
    auto *label = new FieldLabel(QString(), tr("Numéro de poste"), false, content);
    section->addWidget(label);
    auto *row = new QHBoxLayout;
    m_poste = new QLineEdit(m_settings.readTextOrEmpty(UserSettings::UserPoste), content);
    m_poste->setObjectName(u"poste"_s);
    m_poste->setPlaceholderText(tr("Ex: 24"));
    label->setBuddy(m_poste);
    row->addWidget(m_poste);
    m_spinner = new Spinner(Common::SmallSpinner, Qt::white, content);
    m_spinner->setObjectName(u"posteCheck"_s);
    m_spinner->hide();
    row->addWidget(m_spinner);
    section->addLayout(row);
    // Typing checks; filling the field from the store above did not.
    connect(m_poste, &QLineEdit::textChanged, this, &SettingsView::schedulePosteCheck);
    return section;
}

void SettingsView::addIdentityFields(QVBoxLayout *column, QWidget *content)
{
    m_telephone = new FormField(tr("Téléphone"), QString(), tr("Ex: 06 12 34 56 78"), false, content);
    m_nom = new FormField(tr("Nom"), QString(), tr("Votre nom"), false, content);
    m_prenom = new FormField(tr("Prénom"), QString(), tr("Votre prénom"), false, content);
    m_telephone->setObjectName(u"telephone"_s);
    m_nom->setObjectName(u"nom"_s);
    m_prenom->setObjectName(u"prenom"_s);
    m_telephone->setValue(m_settings.readTextOrEmpty(UserSettings::UserTelephone));
    m_nom->setValue(m_settings.readTextOrEmpty(UserSettings::UserNom));
    m_prenom->setValue(m_settings.readTextOrEmpty(UserSettings::UserPrenom));
    for (FormField *field : { m_telephone, m_nom, m_prenom })
        column->addWidget(field);

    const QString companyName = m_settings.readTextOrEmpty(UserSettings::CompanyName);
    if (!companyName.isEmpty())
        column->addWidget(
            new CompanyBox(companyName, m_settings.readTextOrEmpty(UserSettings::CompanyCode), content));
}

void SettingsView::addSaving(QVBoxLayout *column, QWidget *content)
{
    m_saveError = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), content);
    m_saveError->hide();
    column->addWidget(m_saveError);
    m_save = new GradientButton(tr("Enregistrer"), content);
    m_save->setFont(Style::font(Sizes::SaveTextSize, QFont::DemiBold));
    connect(m_save, &GradientButton::clicked, this, &SettingsView::saveSettings);
    column->addWidget(m_save);
}

QPushButton *SettingsView::companiesButton()
{
    auto *button = new QPushButton(
        SymbolIcons::icon(u"building.2.fill", Style::white(), Sizes::CompaniesSymbol), tr("Sociétés"), this);
    button->setObjectName(u"companiesButton"_s);
    button->setToolTip(tr("Gérer les sociétés"));
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    button->setStyleSheet(Style::Sheets::filledButton(Style::withOpacity(Style::orange(), 0.7),
        Style::TextSize::Body, QFont::Medium, Sizes::CompaniesRadius,
        Style::Sheets::padding(Sizes::CompaniesVerticalPadding, Sizes::CompaniesSidePadding)));
    connect(button, &QPushButton::clicked, this, &SettingsView::companiesRequested);
    return button;
}

QString SettingsView::poste() const
{
    return m_poste->text();
}

bool SettingsView::canSave() const
{
    return !(m_existingUser && poste() != m_settings.readTextOrEmpty(UserSettings::UserPoste));
}

void SettingsView::setCheckingPoste(bool checking)
{
    m_spinner->setVisible(checking);
}

void SettingsView::updateConflict()
{
    m_conflict->setVisible(m_existingUser.has_value());
    if (m_existingUser)
        m_conflict->setExistingUser(m_existingUser->prenom, m_existingUser->nom);
    m_save->setEnabled(canSave());
}

void SettingsView::schedulePosteCheck()
{
    // Whatever an older check is doing (waiting or in flight), it is now
    // out of date: its reply must never land over this newer value.
    m_pendingCheck = m_checks.start(this);
    m_debounce.stop();
    setCheckingPoste(false);
    const QString value = poste();
    if (!value.isEmpty() && value != m_settings.readTextOrEmpty(UserSettings::UserPoste)) {
        m_debounce.start();
    } else {
        m_existingUser.reset();
    }
    updateConflict();
}

QCoro::Task<> SettingsView::checkPoste(LatestLoad::Ticket check)
{
    setCheckingPoste(true);
    const QString value = poste();
    try {
        std::optional<ExistingUserInfo> holder = co_await m_api.checkPoste(value);
        if (check.superseded())
            co_return;
        m_existingUser = std::move(holder);
        setCheckingPoste(false);
        updateConflict();
    } catch (const NorvikError &error) {
        if (check.superseded())
            co_return;
        logLine(u"Erreur vérification poste: "_s + errorTextualForm(error));
        // The previous result stands.
        setCheckingPoste(false);
    }
}

void SettingsView::useExistingUser()
{
    if (!m_existingUser)
        return;
    m_nom->setValue(m_existingUser->nom);
    m_prenom->setValue(m_existingUser->prenom);
    m_telephone->setValue(m_existingUser->telephone);
}

void SettingsView::saveSettings()
{
    if (!canSave())
        return;
    m_settings.writeText(UserSettings::UserPoste, poste());
    m_settings.writeText(UserSettings::UserTelephone, m_telephone->value());
    m_settings.writeText(UserSettings::UserNom, m_nom->value());
    m_settings.writeText(UserSettings::UserPrenom, m_prenom->value());
    // The sheet stays, with the typed values, when they did not reach the disk.
    if (!m_settings.commit()) {
        m_saveError->showText(m_settings.writeFailureText());
        return;
    }
    dismiss();
}
