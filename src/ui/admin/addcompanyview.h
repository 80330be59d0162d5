#pragma once

#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <functional>

class APIService;
class GradientButton;
class NoticeBox;
class QLayout;
class QLineEdit;
class QVBoxLayout;

// The form that creates a customer company from a name and a short code.
// The code is kept upper-case, letters and digits only, as it is typed.
class AddCompanyView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int CloseDelayMs = 1500;

    explicit AddCompanyView(APIService &api, std::function<void()> onCompanyAdded, QWidget *parent = nullptr);

    QString nom() const;
    QString code() const;
    bool isFormValid() const;

    QCoro::Task<void> submitCompany();

Q_SIGNALS:
    // A create request ended, well or badly.
    void submitFinished();

private:
    QLayout *buildHeader(QWidget *content);
    void buildFields(QWidget *content, QVBoxLayout *column);
    QLayout *buildButtons(QWidget *content);
    void sanitizeField();
    void refresh();

    std::function<void()> m_onCompanyAdded;
    APIService &m_api;
    QLineEdit *m_nom = nullptr;
    QLineEdit *m_code = nullptr;
    NoticeBox *m_errorRow = nullptr;
    NoticeBox *m_successRow = nullptr;
    GradientButton *m_create = nullptr;

    bool m_isSubmitting = false;
    bool m_showError = false;
    QString m_errorMessage;
    bool m_showSuccess = false;
    // Set by a success and never cleared: the sheet is about to close, and a
    // second click would create the same company twice.
    bool m_created = false;
};
