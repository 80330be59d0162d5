#include "registerview.h"

#include "core/apiservice.h"
#include "core/log.h"
#include "core/usersettings.h"
#include "protocol/errors.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 520, 650 };
constexpr int SidePadding = 40;
constexpr int VerticalPadding = 20; // the whole form fits the sheet
constexpr int ItemSpacing = 14;
constexpr int HeaderSpacing = 8;
constexpr int AppIcon = 72;
constexpr int RetrySymbol = 14;
} // namespace Sizes
} // namespace

namespace {
enum CompanyPage { LoadingPage, EmptyPage, PickerPage };
}

RegisterView::RegisterView(APIService &api, UserSettings &settings, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
{
    setWindowTitle(tr("Créer mon compte"));
    // Only a completed registration closes this sheet.
    setInteractiveDismissal(false);

    QWidget *content = ScreenParts::addScrollingPage(ScreenParts::bareColumn(this));
    auto *column = new QVBoxLayout(content);
    // Tight enough that the whole form fits the sheet without scrolling.
    column->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    column->setSpacing(Sizes::ItemSpacing);
    column->addLayout(welcome(content));
    column->addLayout(companySection(content));
    addFields(column, content);

    m_error = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), content);
    m_error->setObjectName(u"error"_s);
    m_error->hide();
    column->addWidget(m_error);
    m_submit = new GradientButton(tr("Créer mon compte"), content);
    connect(m_submit, &GradientButton::clicked, this, &RegisterView::submitRegistration);
    column->addWidget(m_submit);
    column->addStretch();

    updateSubmitButton();
    m_poste->lineEdit()->setFocus();
    connect(this, &Sheet::appeared, this, [this] { loadCompanies(); });
}

QLayout *RegisterView::welcome(QWidget *content)
{
    auto *header = new QVBoxLayout();
    header->setSpacing(Sizes::HeaderSpacing);
    m_appIcon = new QLabel(content);
    m_appIcon->setPixmap(Style::appIcon(Sizes::AppIcon, devicePixelRatioF()));
    header->addWidget(m_appIcon, 0, Qt::AlignHCenter);
    auto *title = new QLabel(tr("Bienvenue"), content);
    Style::setRole(title, "welcomeTitle");
    header->addWidget(title, 0, Qt::AlignHCenter);
    auto *subtitle = new QLabel(tr("Créez votre compte pour commencer"), content);
    Style::setRole(subtitle, "welcomeSubtitle");
    header->addWidget(subtitle, 0, Qt::AlignHCenter);
    return header;
}

QLayout *RegisterView::companySection(QWidget *content)
{
    // Loading, empty or the picker, under its label like a field.
    auto *company = new QVBoxLayout();
    company->setSpacing(Common::LabelToField);
    auto *companyLabel = new FieldLabel(u"building.2"_s, tr("Société"), true, content);
    company->addWidget(companyLabel);
    m_companySection = new QStackedWidget(content);
    m_companySection->setObjectName(u"companySection"_s);
    auto *loading = new QWidget(m_companySection);
    loading->setObjectName(u"loading"_s);
    auto *loadingRow = new QHBoxLayout(loading);
    loadingRow->setContentsMargins(0, 0, 0, 0);
    loadingRow->addWidget(new Spinner(Common::SmallSpinner, Style::grey(), loading));
    auto *loadingText = new QLabel(tr("Chargement..."), loading);
    Style::setRole(loadingText, "secondary");
    loadingRow->addWidget(loadingText);
    loadingRow->addStretch();
    QWidget *empty = emptyCompanyList();
    m_picker = new QComboBox(m_companySection);
    companyLabel->setBuddy(m_picker);
    m_companySection->insertWidget(LoadingPage, loading);
    m_companySection->insertWidget(EmptyPage, empty);
    m_companySection->insertWidget(PickerPage, m_picker);
    m_companySection->setCurrentIndex(EmptyPage);
    m_companySection->setFixedHeight(m_picker->sizeHint().height());
    company->addWidget(m_companySection);
    connect(m_picker, &QComboBox::currentIndexChanged, this, &RegisterView::updateSubmitButton);
    return company;
}

QWidget *RegisterView::emptyCompanyList()
{
    // Without a list the user could never register: a failed load offers
    // to ask again.
    auto *empty = new QWidget(m_companySection);
    auto *emptyRow = new QHBoxLayout(empty);
    emptyRow->setContentsMargins(0, 0, 0, 0);
    auto *emptyText = new QLabel(tr("Aucune société disponible"), empty);
    Style::setRole(emptyText, "errorText");
    emptyRow->addWidget(emptyText);
    emptyRow->addStretch();
    // A link-like control in the sheet's blue, as the sheet's other small
    // actions: a native button would bring its own light face.
    m_retry = new QPushButton(
        SymbolIcons::icon(u"arrow.clockwise", Style::blue(), Sizes::RetrySymbol), tr("Réessayer"), empty);
    Style::setRole(m_retry, "plain");
    m_retry->setCursor(Qt::PointingHandCursor);
    m_retry->setAutoDefault(false);
    m_retry->hide();
    connect(m_retry, &QPushButton::clicked, this, [this] { loadCompanies(); });
    emptyRow->addWidget(m_retry);
    return empty;
}

void RegisterView::addFields(QVBoxLayout *column, QWidget *content)
{
    m_poste = new FormField(tr("Numéro de poste"), u"number"_s, tr("Ex: 24"), true, content);
    m_nom = new FormField(tr("Nom"), u"person"_s, tr("Votre nom"), true, content);
    m_prenom = new FormField(tr("Prénom"), u"person.fill"_s, tr("Votre prénom"), true, content);
    m_telephone = new FormField(tr("Téléphone"), u"phone"_s, tr("Ex: 06 12 34 56 78"), false, content);
    m_poste->setObjectName(u"poste"_s);
    m_nom->setObjectName(u"nom"_s);
    m_prenom->setObjectName(u"prenom"_s);
    m_telephone->setObjectName(u"telephone"_s);
    for (FormField *field : { m_poste, m_nom, m_prenom, m_telephone }) {
        column->addWidget(field);
        connect(field, &FormField::valueChanged, this, &RegisterView::updateSubmitButton);
    }
}

// The sheet is tight: while a message shows, the application's icon gives
// it room, so the submit button stays in view without scrolling.
void RegisterView::showError(const QString &text)
{
    m_appIcon->hide();
    m_error->showText(text);
}

void RegisterView::hideError()
{
    m_error->hide();
    m_appIcon->show();
}

qint64 RegisterView::selectedCompanyId() const
{
    return m_picker->currentIndex() < 0 ? 0 : m_picker->currentData().toLongLong();
}

bool RegisterView::isFormValid() const
{
    // Exactly as typed: a single space is a value.
    return selectedCompanyId() >= 1 && !m_poste->value().isEmpty() && !m_nom->value().isEmpty()
        && !m_prenom->value().isEmpty();
}

void RegisterView::updateSubmitButton()
{
    m_submit->setEnabled(!m_isSubmitting && isFormValid());
}

void RegisterView::setLoading(bool loading)
{
    if (loading)
        m_companySection->setCurrentIndex(LoadingPage);
    else
        m_companySection->setCurrentIndex(m_companies.isEmpty() ? EmptyPage : PickerPage);
}

void RegisterView::setSubmitting(bool submitting)
{
    m_isSubmitting = submitting;
    m_submit->setBusy(submitting);
    updateSubmitButton();
}

std::optional<Company> RegisterView::company(qint64 id) const
{
    for (const Company &candidate : m_companies)
        if (candidate.id == id)
            return candidate;
    return std::nullopt;
}

RegisterView::Stored RegisterView::storeIdentity(const Identity &identity)
{
    const std::optional<Company> chosen = company(identity.companyId);
    if (!chosen)
        return Stored::NoCompany;
    m_settings.writeInteger(UserSettings::UserId, identity.userId);
    m_settings.writeInteger(UserSettings::CompanyId, identity.companyId);
    m_settings.writeText(UserSettings::CompanyCode, chosen->code);
    m_settings.writeText(UserSettings::CompanyName, chosen->nom);
    m_settings.writeText(UserSettings::UserPoste, identity.poste);
    m_settings.writeText(UserSettings::UserNom, identity.nom);
    m_settings.writeText(UserSettings::UserPrenom, identity.prenom);
    m_settings.writeText(UserSettings::UserTelephone, identity.telephone);
    // Last, so a store interrupted half-way never claims a registration.
    m_settings.writeBool(UserSettings::IsRegistered, true);
    if (!m_settings.commit()) {
        m_unsaved = identity;
        showError(m_settings.writeFailureText());
        return Stored::WriteFailed;
    }
    m_unsaved.reset();
    return Stored::Yes;
}

void RegisterView::complete()
{
    Q_EMIT registrationCompleted();
    dismiss();
}

// Each presentation of the sheet asks for the list again; a failure leaves
// the empty-list message and the error box, with "Réessayer".
QCoro::Task<> RegisterView::loadCompanies()
{
    const ScreenGuard guard(this);
    m_retry->hide();
    hideError();
    setLoading(true);
    try {
        QList<Company> companies = co_await m_api.getCompanies();
        if (guard.gone())
            co_return;
        m_companies = std::move(companies);
        // Keep whichever company was chosen (none after a fresh open).
        const qint64 chosen = selectedCompanyId();
        m_picker->clear();
        m_picker->addItem(tr("Sélectionnez une société"), qint64(0));
        for (const Company &entry : std::as_const(m_companies))
            m_picker->addItem(entry.nom + u" ("_s + entry.code + u")"_s, entry.id);
        m_picker->setCurrentIndex(qMax(0, m_picker->findData(chosen)));
        setLoading(false);
    } catch (const NorvikError &) {
        if (guard.gone())
            co_return;
        showError(tr("Erreur de chargement des sociétés"));
        m_retry->show();
        setLoading(false);
    }
    updateSubmitButton();
}

void RegisterView::submitRegistration()
{
    if (m_isSubmitting || !isFormValid())
        return;
    submit();
}

QCoro::Task<> RegisterView::submit()
{
    const ScreenGuard guard(this);
    setSubmitting(true);
    hideError();
    // What goes to the server is what gets stored, even if the user edits a
    // field while the request is in flight.
    const qint64 companyId = selectedCompanyId();
    const QString poste = m_poste->value(), nom = m_nom->value(), prenom = m_prenom->value(),
                  telephone = m_telephone->value();
    if (m_unsaved && m_unsaved->companyId == companyId && m_unsaved->poste == poste) {
        if (storeIdentity(*m_unsaved) == Stored::Yes) {
            logLine(u"✅ Informations sauvegardées"_s);
            complete();
        }
        setSubmitting(false);
        co_return;
    }
    try {
        const RegisterUserResponse response
            = co_await m_api.registerUser(companyId, poste, nom, prenom, telephone);
        if (guard.gone())
            co_return;
        logLine(u"✅ Utilisateur créé, ID: "_s + QString::number(response.userId));
        const Stored stored = storeIdentity({ response.userId, companyId, poste, nom, prenom, telephone });
        if (stored == Stored::Yes)
            logLine(u"✅ Informations sauvegardées"_s);
        if (stored != Stored::WriteFailed)
            complete();
        setSubmitting(false);
    } catch (const APIError &error) {
        if (guard.gone())
            co_return;
        logLine(u"❌ APIError: "_s + QString::number(error.statusCode) + u" - "_s + error.message);
        showError(error.statusCode == 409 ? tr("Ce numéro de poste est déjà utilisé dans votre société")
                                          : error.message);
        setSubmitting(false);
    } catch (const NorvikError &error) {
        if (guard.gone())
            co_return;
        logLine(u"❌ Erreur générique: "_s + errorTextualForm(error));
        logLine(u"❌ Description: "_s + error.description());
        // The server accepted the registration but its reply could not be
        // read: look the account up rather than leave the number blocked.
        // Only a 200 reply gets here undecoded; a conflict is an APIError.
        if (dynamic_cast<const DecodingError *>(&error))
            recoverRegisteredUser(companyId, poste);
        showError(tr("Erreur: %1").arg(error.description()));
        setSubmitting(false);
    }
}

QCoro::Task<> RegisterView::recoverRegisteredUser(qint64 companyId, QString poste)
{
    const ScreenGuard guard(this);
    try {
        const GetUserByPosteResponse response = co_await m_api.getUserByPoste(companyId, poste);
        if (guard.gone() || !response.user)
            co_return;
        const UserDetailData &user = *response.user;
        // The personal fields come from the server's record, not the form.
        if (storeIdentity({ user.id, companyId, user.poste, user.nom, user.prenom, user.telephone })
            != Stored::WriteFailed)
            complete();
    } catch (const NorvikError &) {
        logLine(u"❌ Impossible de récupérer l'utilisateur"_s);
    }
}
