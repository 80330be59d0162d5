#include "settingsview.h"

#include "companybox.h"
#include "conflictbox.h"
#include "core/apiservice.h"
#include "core/log.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "protocol/errors.h"
#include "ui/admin/companiesbutton.h"
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
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace Sizes = Style::Metrics::Settings;

SettingsView::SettingsView(APIService &api, UserSettings &settings, StartupManager &startup, QWidget *parent)
    : Sheet(SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
{
    setWindowTitle(u"Paramètres utilisateur"_s);

    QVBoxLayout *outer = ScreenParts::bareColumn(this);

    // Header: the title and the close button, then the launch-at-login
    // switch and the administrators' button (the sheet is too narrow for
    // all four on one line).
    auto *header = new QVBoxLayout;
    header->setContentsMargins(Sizes::HeaderLeftPadding, Sizes::HeaderTopPadding, Sizes::HeaderRightPadding,
        Sizes::HeaderBottomPadding);
    header->setSpacing(Sizes::HeaderSpacing);
    auto *titleRow = new QHBoxLayout;
    auto *title = new QLabel(u"Paramètres utilisateur"_s, this);
    Style::setRole(title, "title");
    titleRow->addWidget(title, 1);
    m_close = IconButton::closeButton(this);
    connect(m_close, &IconButton::clicked, this, &Sheet::dismiss);
    titleRow->addWidget(m_close, 0, Qt::AlignVCenter);
    header->addLayout(titleRow);

    auto *controls = new QHBoxLayout;
    controls->setSpacing(Sizes::ControlSpacing);
    m_launchAtLogin = new ToggleSwitch(u"Ouvrir Norvik Support au démarrage"_s, this);
    m_launchAtLogin->setChecked(startup.isEnabled());
    // Only the user's own clicks register or unregister; the manager's
    // answer (which may refuse) puts the switch where things really stand.
    connect(m_launchAtLogin, &ToggleSwitch::clicked, &startup, &StartupManager::setEnabled);
    connect(&startup, &StartupManager::isEnabledChanged, m_launchAtLogin, [this](bool enabled) {
        const QSignalBlocker quiet(m_launchAtLogin);
        m_launchAtLogin->setChecked(enabled);
    });
    controls->addWidget(m_launchAtLogin);
    controls->addStretch();
    if (settings.readBool(UserSettings::IsAdmin)) {
        m_companies = new CompaniesButton(api, this);
        controls->addWidget(m_companies);
    }
    header->addLayout(controls);
    outer->addLayout(header);

    QWidget *content = ScreenParts::addScrollingPage(outer);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(
        Common::SheetPadding, Sizes::ContentTopPadding, Common::SheetPadding, Sizes::ContentBottomPadding);
    column->setSpacing(Sizes::ItemSpacing);

    auto *note = new QLabel(u"Ces informations seront jointes à vos demandes"_s, content);
    Style::setRole(note, "note");
    note->setWordWrap(true);
    column->addWidget(note);

    m_conflict = new ConflictBox(content);
    m_conflict->hide();
    connect(m_conflict, &ConflictBox::useExistingUserRequested, this, &SettingsView::useExistingUser);
    column->addWidget(m_conflict);

    // Workstation number, with the check's spinner beside it.
    auto *posteSection = new QVBoxLayout;
    posteSection->setSpacing(Common::LabelToField);
    auto *posteLabel = new FieldLabel(QString(), u"Numéro de poste"_s, false, content);
    posteSection->addWidget(posteLabel);
    auto *posteRow = new QHBoxLayout;
    m_poste = new QLineEdit(settings.readTextOrEmpty(UserSettings::UserPoste), content);
    m_poste->setPlaceholderText(u"Ex: 24"_s);
    posteLabel->setBuddy(m_poste);
    posteRow->addWidget(m_poste);
    m_spinner = new Spinner(Common::SmallSpinner, Qt::white, content);
    m_spinner->hide();
    posteRow->addWidget(m_spinner);
    posteSection->addLayout(posteRow);
    column->addLayout(posteSection);
    // Typing checks; filling the field from the store above did not.
    connect(m_poste, &QLineEdit::textChanged, this, &SettingsView::schedulePosteCheck);

    m_telephone = new FormField(u"Téléphone"_s, QString(), u"Ex: 06 12 34 56 78"_s, false, content);
    m_nom = new FormField(u"Nom"_s, QString(), u"Votre nom"_s, false, content);
    m_prenom = new FormField(u"Prénom"_s, QString(), u"Votre prénom"_s, false, content);
    m_telephone->setValue(settings.readTextOrEmpty(UserSettings::UserTelephone));
    m_nom->setValue(settings.readTextOrEmpty(UserSettings::UserNom));
    m_prenom->setValue(settings.readTextOrEmpty(UserSettings::UserPrenom));
    for (FormField *field : { m_telephone, m_nom, m_prenom })
        column->addWidget(field);

    const QString companyName = settings.readTextOrEmpty(UserSettings::CompanyName);
    if (!companyName.isEmpty()) {
        m_companyBox
            = new CompanyBox(companyName, settings.readTextOrEmpty(UserSettings::CompanyCode), content);
        column->addWidget(m_companyBox);
    }

    m_saveError = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), content);
    m_saveError->hide();
    column->addWidget(m_saveError);

    m_save = new GradientButton(u"Enregistrer"_s, content);
    m_save->setFont(Style::font(Sizes::SaveTextSize, QFont::DemiBold));
    connect(m_save, &GradientButton::clicked, this, &SettingsView::saveSettings);
    column->addWidget(m_save);
    column->addStretch();

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(CheckDelayMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] { checkPoste(m_checkGeneration); });
    updateConflict();
    m_poste->setFocus();
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
    m_isCheckingPoste = checking;
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
    ++m_checkGeneration;
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

QCoro::Task<> SettingsView::checkPoste(quint64 generation)
{
    QPointer<SettingsView> self(this);
    setCheckingPoste(true);
    const QString value = poste();
    try {
        std::optional<ExistingUserInfo> holder = co_await m_api.checkPoste(value);
        if (!self || generation != m_checkGeneration)
            co_return;
        m_existingUser = std::move(holder);
        setCheckingPoste(false);
        updateConflict();
    } catch (const NorvikError &error) {
        if (!self || generation != m_checkGeneration)
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
