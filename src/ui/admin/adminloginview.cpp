#include "adminloginview.h"

#include "adminui.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "ui/widgets/gradientbutton.h"
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
constexpr int VerticalPadding = 12;
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
    connect(m_password, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_loginButton->setEnabled(!text.isEmpty()); });
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
    if (m_password->text() != QString::fromLatin1(UserSettings::defaultAdminPassword)) {
        m_error->setVisible(true);
        m_password->clear();
        return;
    }
    if (!storeMode(true))
        return;
    reconnectLater();
    emit isAdminChanged(true);
    dismiss();
}

void AdminLoginView::logout()
{
    if (!storeMode(false))
        return;
    // Back to the ordinary user's identity, or the user would hear of no
    // closed ticket until the next start.
    reconnectLater();
    emit isAdminChanged(false);
    dismiss();
}
