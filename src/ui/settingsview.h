#pragma once

#include "protocol/records.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QTimer>
#include <optional>

class APIService;
class ConflictBox;
class FormField;
class GradientButton;
class NoticeBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class Spinner;
class StartupManager;
class ToggleSwitch;
class UserSettings;

// Lets a registered user correct the details joined to his tickets. While
// he types a workstation number other than his own, the server is asked,
// half a second after the last keystroke, whether someone holds it; saving
// writes the four details to the local store only. Its parts are named:
// "poste", its check's spinner "posteCheck", "telephone", "nom", "prenom".
class SettingsView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int CheckDelayMs = 500;

    SettingsView(APIService &api, UserSettings &settings, StartupManager &startup, QWidget *parent = nullptr);

public Q_SLOTS:
    void useExistingUser();
    void saveSettings();

Q_SIGNALS:
    // An administrator's "Sociétés": company management over this sheet.
    void companiesRequested();

private:
    QLayout *header(StartupManager &startup);
    ToggleSwitch *launchAtLoginSwitch(StartupManager &startup);
    // The administrators' way into company management.
    QPushButton *companiesButton();
    QLayout *posteSection(QWidget *content);
    void addIdentityFields(QVBoxLayout *column, QWidget *content);
    void addSaving(QVBoxLayout *column, QWidget *content);
    QString poste() const;
    bool canSave() const;
    void schedulePosteCheck();
    QCoro::Task<> checkPoste(LatestLoad::Ticket check);
    void setCheckingPoste(bool checking);
    void updateConflict();

    APIService &m_api;
    UserSettings &m_settings;
    std::optional<ExistingUserInfo> m_existingUser;
    // Each keystroke starts a new check: only the newest one may touch the
    // screen, whatever stage an older one had reached.
    LatestLoad m_checks;
    std::optional<LatestLoad::Ticket> m_pendingCheck;
    QTimer m_debounce;

    ConflictBox *m_conflict;
    QLineEdit *m_poste;
    Spinner *m_spinner;
    FormField *m_telephone;
    FormField *m_nom;
    FormField *m_prenom;
    NoticeBox *m_saveError;
    GradientButton *m_save;
};
