#pragma once

#include "protocol/records.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QTimer>
#include <optional>

class APIService;
class CompaniesButton;
class ConflictBox;
class FormField;
class GradientButton;
class IconButton;
class NoticeBox;
class QLineEdit;
class Spinner;
class StartupManager;
class ToggleSwitch;
class UserSettings;

// Lets a registered user correct the details joined to his tickets. While
// he types a workstation number other than his own, the server is asked,
// half a second after the last keystroke, whether someone holds it; saving
// writes the four details to the local store only.
class SettingsView : public Sheet
{
    Q_OBJECT

public:
    static constexpr QSize SheetSize = Style::SheetSizes::Settings;
    static constexpr int CheckDelayMs = 500;

    SettingsView(APIService &api, UserSettings &settings, StartupManager &startup, QWidget *parent = nullptr);

    QString poste() const;
    bool isCheckingPoste() const { return m_isCheckingPoste; }
    bool posteExists() const { return m_existingUser.has_value(); }
    std::optional<ExistingUserInfo> existingUser() const { return m_existingUser; }
    bool canSave() const;

    QLineEdit *posteEdit() const { return m_poste; }
    FormField *telephoneField() const { return m_telephone; }
    FormField *nomField() const { return m_nom; }
    FormField *prenomField() const { return m_prenom; }
    QWidget *companyBox() const { return m_companyBox; }

public Q_SLOTS:
    void useExistingUser();
    void saveSettings();

private:
    void schedulePosteCheck();
    QCoro::Task<> checkPoste(quint64 generation);
    void setCheckingPoste(bool checking);
    void updateConflict();

    APIService &m_api;
    UserSettings &m_settings;
    bool m_isCheckingPoste = false;
    std::optional<ExistingUserInfo> m_existingUser;
    // Each keystroke starts a new generation: only the check of the newest
    // one may touch the screen, whatever stage an older one had reached.
    quint64 m_checkGeneration = 0;
    QTimer m_debounce;

    ToggleSwitch *m_launchAtLogin;
    CompaniesButton *m_companies = nullptr;
    IconButton *m_close;
    ConflictBox *m_conflict;
    QLineEdit *m_poste;
    Spinner *m_spinner;
    FormField *m_telephone;
    FormField *m_nom;
    FormField *m_prenom;
    QWidget *m_companyBox = nullptr;
    NoticeBox *m_saveError;
    GradientButton *m_save;
};
