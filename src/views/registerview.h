#pragma once

#include "api/records.h"
#include "sheet.h"

#include <QCoro/QCoroTask>
#include <QList>

class GradientButton;
class NoticeBox;
class QComboBox;
class QLabel;
class QStackedWidget;
class RegisterField;

// One-time enrolment of an ordinary user: a company from the server's list,
// a workstation number, a name and an optional phone. On success the
// identity is stored (with "is_registered" last) and the sheet closes; it
// cannot be dismissed otherwise.
class RegisterView : public Sheet
{
    Q_OBJECT

public:
    static constexpr QSize SheetSize { 520, 650 };

    explicit RegisterView(QWidget *parent = nullptr);

    bool isFormValid() const;
    bool isLoading() const { return m_isLoading; }
    bool isSubmitting() const { return m_isSubmitting; }
    bool showError() const { return m_showError; }
    QString errorMessage() const { return m_errorMessage; }
    QList<Company> companies() const { return m_companies; }
    qint64 selectedCompanyId() const;

    RegisterField *posteField() const { return m_poste; }
    RegisterField *nomField() const { return m_nom; }
    RegisterField *prenomField() const { return m_prenom; }
    RegisterField *telephoneField() const { return m_telephone; }
    QComboBox *companyPicker() const { return m_picker; }
    GradientButton *submitButton() const { return m_submit; }

Q_SIGNALS:
    // The binding to the home screen's isRegistered: set to true.
    void registrationCompleted();

public Q_SLOTS:
    void submitRegistration();

private:
    QCoro::Task<> loadCompanies();
    QCoro::Task<> submit();
    QCoro::Task<> recoverRegisteredUser(qint64 companyId, QString poste);
    std::optional<Company> company(qint64 id) const;
    void setLoading(bool loading);
    void setSubmitting(bool submitting);
    void showErrorMessage(const QString &message);
    void updateSubmitButton();

    QList<Company> m_companies;
    bool m_isLoading = false;
    bool m_isSubmitting = false;
    bool m_showError = false;
    QString m_errorMessage;

    QStackedWidget *m_companySection;
    QComboBox *m_picker;
    RegisterField *m_poste;
    RegisterField *m_nom;
    RegisterField *m_prenom;
    RegisterField *m_telephone;
    NoticeBox *m_error;
    GradientButton *m_submit;
};
