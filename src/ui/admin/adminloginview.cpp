#include "adminloginview.h"

#include "adminui.h"
#include "core/apiservice.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "protocol/errors.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace Common = Style::Metrics::Common;

namespace {

namespace Sizes {
constexpr QSize Sheet { 400, 450 };
constexpr int SidePadding = 16;
// Not wider: with a refusal under its field the face needs all the rest.
constexpr int VerticalPadding = 10;
constexpr int QuietButtonVerticalPadding = 4;
constexpr int QuietButtonSidePadding = 8;
constexpr int FaceSpacing = 24;
constexpr int Symbol = 60;
constexpr int PasswordBlockWidth = 300;
constexpr QSize LoginButton { 300, Common::MainButtonHeight };
constexpr QSize LogoutButton { 200, Common::MainButtonHeight };
constexpr int LogoutRadius = 12;
} // namespace Sizes

QPushButton *plainGreyButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setStyleSheet(Style::Sheets::plainButton(Style::grey(), Text::Callout, QFont::Normal,
        Style::Sheets::padding(Sizes::QuietButtonVerticalPadding, Sizes::QuietButtonSidePadding)));
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    return button;
}

} // namespace

AdminLoginView::AdminLoginView(UserSettings &settings, WebSocketService &channel, QWidget *parent)
    : Sheet(Sizes::Sheet, parent)
    , m_settings(settings)
    , m_channel(channel)
{
    setWindowTitle(tr("Connexion admin"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    auto *host = new QWidget(this);
    m_faces = new QStackedLayout(host);
    m_loginFace = buildLoginFace();
    m_adminFace = buildAdminFace();
    m_faces->addWidget(m_loginFace);
    m_faces->addWidget(m_adminFace);
    outer->addWidget(host);
    // Under either face: the mode could not be stored, so it did not change.
    m_saveError = AdminUi::text(QString(), Text::Body, QFont::Normal, Style::red(), this);
    m_saveError->setWordWrap(true);
    m_saveError->setAlignment(Qt::AlignHCenter);
    m_saveError->setVisible(false);
    outer->addWidget(m_saveError);
    chooseFace();
}

AdminLoginView::AdminLoginView(
    UserSettings &settings, WebSocketService &channel, APIService &api, QWidget *parent)
    : AdminLoginView(settings, channel, parent)
{
    m_api = &api;
}

QWidget *AdminLoginView::buildLoginFace()
{
    auto *face = new QWidget(this);
    auto *column = new QVBoxLayout(face);
    column->setSpacing(Sizes::FaceSpacing);
    column->addStretch();
    column->addWidget(
        AdminUi::symbol(u"lock.shield"_s, Style::blue(), Sizes::Symbol, face), 0, Qt::AlignHCenter);
    auto *titles = new QVBoxLayout();
    titles->setSpacing(Sizes::FaceSpacing);
    titles->addWidget(AdminUi::text(tr("Connexion admin"), Text::Title, QFont::Bold, Style::white(), face), 0,
        Qt::AlignHCenter);
    titles->addWidget(AdminUi::text(tr("Accédez à la gestion des tickets"), Text::Callout, QFont::Normal,
                          Style::grey(), face),
        0, Qt::AlignHCenter);
    column->addLayout(titles);
    column->addWidget(buildLoginBlock(face), 0, Qt::AlignHCenter);
    column->addWidget(buildPasswordBlock(face), 0, Qt::AlignHCenter);
    // An item of the face like the others, so it keeps their distance.
    m_error = AdminUi::text(tr("Mot de passe incorrect"), Text::Body, QFont::Normal, Style::red(), face);
    m_error->setVisible(false);
    column->addWidget(m_error, 0, Qt::AlignHCenter);

    m_loginButton = new GradientButton(tr("Se connecter"), face);
    m_loginButton->setFont(Style::font(Text::Lead, QFont::DemiBold));
    m_loginButton->setFixedSize(Sizes::LoginButton);
    m_loginButton->setAutoDefault(false);
    m_loginButton->setEnabled(false);
    column->addWidget(m_loginButton, 0, Qt::AlignHCenter);
    QPushButton *cancel = plainGreyButton(tr("Annuler"), face);
    column->addWidget(cancel, 0, Qt::AlignHCenter);
    column->addStretch();

    // The message stays while a new password is typed; only the button follows.
    connect(m_password, &QLineEdit::textChanged, this, &AdminLoginView::updateLoginButton);
    connect(m_login, &QLineEdit::textChanged, this, &AdminLoginView::updateLoginButton);
    connect(m_loginButton, &QPushButton::clicked, this, &AdminLoginView::login);
    connect(cancel, &QPushButton::clicked, this, &Sheet::dismiss);
    return face;
}

QWidget *AdminLoginView::buildPasswordBlock(QWidget *face)
{
    auto *block = new QWidget(face);
    block->setFixedWidth(Sizes::PasswordBlockWidth);
    auto *blockLayout = new QVBoxLayout(block);
    blockLayout->setContentsMargins(0, 0, 0, 0);
    blockLayout->setSpacing(Common::LabelToField);
    QLabel *label = AdminUi::text(tr("Mot de passe"), Text::Body, QFont::Medium, Style::grey(), block);
    blockLayout->addWidget(label);
    m_password = new QLineEdit(block);
    m_password->setObjectName(u"password"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(tr("Mot de passe admin"));
    m_password->setAccessibleName(tr("Mot de passe"));
    Style::setRole(m_password, "roomy");
    // The sheet is small; the field keeps its full height and the gaps give.
    m_password->setMinimumHeight(m_password->sizeHint().height());
    label->setBuddy(m_password);
    blockLayout->addWidget(m_password);
    // Return runs login even in an empty field, which then fails visibly.
    connect(m_password, &QLineEdit::returnPressed, this, &AdminLoginView::login);
    return block;
}

QWidget *AdminLoginView::buildLoginBlock(QWidget *face)
{
    // Shown only once the server said it logs the staff in itself.
    m_loginBlock = new QWidget(face);
    m_loginBlock->setFixedWidth(Sizes::PasswordBlockWidth);
    auto *blockLayout = new QVBoxLayout(m_loginBlock);
    blockLayout->setContentsMargins(0, 0, 0, 0);
    blockLayout->setSpacing(Common::LabelToField);
    QLabel *label = AdminUi::text(tr("Identifiant"), Text::Body, QFont::Medium, Style::grey(), m_loginBlock);
    blockLayout->addWidget(label);
    m_login = new QLineEdit(m_loginBlock);
    m_login->setObjectName(u"login"_s);
    m_login->setPlaceholderText(tr("Identifiant"));
    m_login->setAccessibleName(tr("Identifiant"));
    Style::setRole(m_login, "roomy");
    m_login->setMinimumHeight(m_login->sizeHint().height());
    label->setBuddy(m_login);
    blockLayout->addWidget(m_login);
    connect(m_login, &QLineEdit::returnPressed, this, [this] { m_password->setFocus(); });
    m_loginBlock->setVisible(false);
    return m_loginBlock;
}

void AdminLoginView::showIdentifier(bool shown)
{
    m_loginBlock->setVisible(shown);
    // The face has no room to spare for a second field: the sheet grows by
    // it, so the face's items keep their distance and fields their height.
    const int grown = shown ? m_loginBlock->sizeHint().height() + Sizes::FaceSpacing : 0;
    setFixedSize(Sizes::Sheet + QSize(0, grown));
    if (shown && m_login->text().isEmpty())
        m_login->setFocus();
    updateLoginButton();
}

void AdminLoginView::updateLoginButton()
{
    const bool identified = m_loginBlock->isHidden() || !m_login->text().isEmpty();
    m_loginButton->setEnabled(!m_busy && identified && !m_password->text().isEmpty());
}

QWidget *AdminLoginView::buildAdminFace()
{
    auto *logout = new QPushButton(tr("Se déconnecter"));
    logout->setFixedSize(Sizes::LogoutButton);
    logout->setAutoDefault(false);
    logout->setCursor(Qt::PointingHandCursor);
    logout->setStyleSheet(Style::Sheets::filledButton(Style::withOpacity(Style::red(), 0.7), Text::Lead,
        QFont::DemiBold, Sizes::LogoutRadius, Style::Sheets::padding(0, 0)));
    QPushButton *close = plainGreyButton(tr("Fermer"), nullptr);
    connect(logout, &QPushButton::clicked, this, &AdminLoginView::logout);
    connect(close, &QPushButton::clicked, this, &Sheet::dismiss);
    return ScreenParts::centredColumn(
        { AdminUi::symbol(u"person.fill.checkmark"_s, Style::green(), Sizes::Symbol),
            AdminUi::text(
                tr("Connecté en tant qu'admin"), Text::SectionTitle, QFont::DemiBold, Style::white()),
            logout, close },
        Sizes::FaceSpacing, this);
}

void AdminLoginView::chooseFace()
{
    // The stored flag decides, not the home screen's binding.
    const bool admin = m_settings.readBool(UserSettings::IsAdmin);
    m_faces->setCurrentWidget(admin ? m_adminFace : m_loginFace);
    if (!admin)
        m_password->setFocus();
}

void AdminLoginView::showEvent(QShowEvent *event)
{
    chooseFace();
    Sheet::showEvent(event);
    if (m_api && m_faces->currentWidget() == m_loginFace)
        askServer();
}

bool AdminLoginView::storeMode(bool admin)
{
    m_settings.writeBool(UserSettings::IsAdmin, admin);
    if (m_settings.commit())
        return true;
    // The store went back to the mode on disk; so does everything else.
    m_saveError->setText(m_settings.writeFailureText());
    m_saveError->setVisible(true);
    return false;
}

void AdminLoginView::reconnectLater()
{
    m_channel.disconnect();
    // The channel outlives the sheet, so the reconnection is its own business.
    // It reads the mode just stored and announces itself accordingly.
    QTimer::singleShot(ReconnectDelayMs, &m_channel, [&channel = m_channel] {
        channel.allowReconnection();
        channel.connect();
    });
}

void AdminLoginView::login()
{
    if (m_busy)
        return;
    if (m_api && m_serverLogin != false)
        loginAsked();
    else
        checkHere();
}

void AdminLoginView::checkHere()
{
    if (m_password->text() != QString::fromLatin1(UserSettings::defaultAdminPassword)) {
        refuse(tr("Mot de passe incorrect"));
        return;
    }
    enterAdminMode();
}

void AdminLoginView::refuse(const QString &text)
{
    m_error->setText(text);
    m_error->setVisible(true);
    m_password->clear();
}

void AdminLoginView::enterAdminMode()
{
    if (!storeMode(true))
        return;
    reconnectLater();
    emit isAdminChanged(true);
    dismiss();
}

QCoro::Task<bool> AdminLoginView::askServer()
{
    if (m_serverLogin)
        co_return *m_serverLogin;
    const ScreenGuard guard(this);
    bool answer = false;
    try {
        answer = co_await m_api->hasStaffAccounts();
    } catch (const NorvikError &) {
        // Unreachable: checked here this time, asked again at the next try.
        co_return false;
    }
    if (guard.gone())
        co_return answer;
    m_serverLogin = answer;
    showIdentifier(answer);
    co_return answer;
}

QCoro::Task<> AdminLoginView::loginAsked()
{
    m_busy = true;
    const ScreenGuard guard(this);
    const bool serverLogin = co_await askServer();
    if (guard.gone())
        co_return;
    m_busy = false;
    // A server without staff accounts, or one that did not answer.
    if (!serverLogin) {
        checkHere();
        co_return;
    }
    if (m_login->text().isEmpty()) {
        m_login->setFocus();
        co_return;
    }
    co_await loginThroughServer();
}

QCoro::Task<> AdminLoginView::loginThroughServer()
{
    m_busy = true;
    updateLoginButton();
    const ScreenGuard guard(this);
    std::optional<QString> refusal;
    try {
        co_await m_api->staffLogin(m_login->text(), m_password->text());
    } catch (const APIError &error) {
        refusal = error.message;
    } catch (const NorvikError &error) {
        refusal = error.description();
    }
    if (guard.gone())
        co_return;
    m_busy = false;
    updateLoginButton();
    if (refusal) {
        refuse(*refusal);
        co_return;
    }
    enterAdminMode();
}

void AdminLoginView::logout()
{
    if (!storeMode(false))
        return;
    // The session ends on the server too; the client outlives the sheet.
    if (m_api)
        m_api->staffLogout();
    // Back to the ordinary user's identity, or the user would hear of no
    // closed ticket until the next start.
    reconnectLater();
    emit isAdminChanged(false);
    dismiss();
}
