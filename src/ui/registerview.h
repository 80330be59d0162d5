#pragma once

#include "protocol/records.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"

#include <QCoro/QCoroTask>
#include <QList>

class APIService;
class FormField;
class GradientButton;
class NoticeBox;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class UserSettings;

// One-time enrolment of an ordinary user: a company from the server's list,
// a workstation number, a name and an optional phone. On success the
// identity is stored (with "is_registered" last) and the sheet closes; it
// cannot be dismissed otherwise. Its parts are named: "poste", "nom",
// "prenom", "telephone", "error" and the company list's "companySection",
// whose page while the list loads is "loading".
class RegisterView : public Sheet
{
    Q_OBJECT

public:
    RegisterView(APIService &api, UserSettings &settings, QWidget *parent = nullptr);

Q_SIGNALS:
    // The binding to the home screen's isRegistered: set to true.
    void registrationCompleted();

public Q_SLOTS:
    void submitRegistration();

private:
    QLayout *welcome(QWidget *content);
    QLayout *companySection(QWidget *content);
    QWidget *emptyCompanyList();
    void addFields(QVBoxLayout *column, QWidget *content);
    bool isFormValid() const;
    qint64 selectedCompanyId() const;
    QCoro::Task<> loadCompanies();
    QCoro::Task<> submit();
    QCoro::Task<> recoverRegisteredUser(qint64 companyId, QString poste);
    struct Identity
    {
        qint64 userId = 0;
        qint64 companyId = 0;
        QString poste, nom, prenom, telephone;
    };
    enum class Stored { Yes, NoCompany, WriteFailed };

    std::optional<Company> company(qint64 id) const;
    // Stores the identity with its company; nothing when the company is not
    // in the list. When the file cannot be written, shows why and keeps the
    // identity for the next submission.
    Stored storeIdentity(const Identity &identity);
    // Closes the sheet on an account that is now stored (or has no company).
    void complete();
    void setLoading(bool loading);
    void showError(const QString &text);
    void hideError();
    void setSubmitting(bool submitting);
    void updateSubmitButton();

    APIService &m_api;
    UserSettings &m_settings;
    QList<Company> m_companies;
    // An account the server created but that could not be stored. The next
    // submission for the same company and number stores it rather than
    // registering again, which the server would refuse as a conflict.
    std::optional<Identity> m_unsaved;
    bool m_isSubmitting = false;

    QStackedWidget *m_companySection;
    QComboBox *m_picker;
    FormField *m_poste;
    FormField *m_nom;
    FormField *m_prenom;
    FormField *m_telephone;
    NoticeBox *m_error;
    QLabel *m_appIcon;
    QPushButton *m_retry;
    GradientButton *m_submit;
};
