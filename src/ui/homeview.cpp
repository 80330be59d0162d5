#include "homeview.h"

#include "core/appevents.h"
#include "core/appversion.h"
#include "core/usersettings.h"
#include "createticketview.h"
#include "homebutton.h"
#include "myticketsview.h"
#include "registerview.h"
#include "settingsview.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"
#include "usercard.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int ColumnTopPadding = 20;
constexpr int ColumnBottomPadding = 12;
constexpr int ColumnSpacing = 32;
constexpr int HeaderSidePadding = 32;
constexpr int HeaderTopPadding = 20;
constexpr int HeaderSpacing = 12;
constexpr int TitleBlockSpacing = 12;
constexpr int AppIcon = 96;
constexpr int AppIconShadowBlur = 16;
constexpr int AppIconShadowOffset = 8;
constexpr int ActionSpacing = 16;
} // namespace Sizes
} // namespace

HomeView::HomeView(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_isRegistered(services.settings.readBool(UserSettings::IsRegistered))
    , m_isAdmin(services.settings.readBool(UserSettings::IsAdmin))
{
    Style::applyTo(this);
    setWindowTitle(QString());

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, Sizes::ColumnTopPadding, 0, Sizes::ColumnBottomPadding);
    column->setSpacing(Sizes::ColumnSpacing);
    column->addLayout(header());
    column->addLayout(titleBlock());
    m_userCard = new UserCard(services.settings, this);
    column->addWidget(m_userCard, 0, Qt::AlignHCenter);
    column->addLayout(actions());
    column->addStretch();
    m_version = new QLabel(appVersionText(), this);
    Style::setRole(m_version, "version");
    column->addWidget(m_version, 0, Qt::AlignHCenter);

    // The tray menu's requests, whatever the registration state.
    connect(&services.events, &AppEvents::createTicketRequested, this, &HomeView::openCreateTicket);
    connect(&services.events, &AppEvents::myTicketsRequested, this, &HomeView::openMyTickets);

    updateModeControls();
}

QLayout *HomeView::header()
{
    // Square icon buttons on the right. The administrator button is there in
    // both modes: it also leads to logging out.
    auto *header = new QHBoxLayout;
    header->setContentsMargins(
        Sizes::HeaderSidePadding, Sizes::HeaderTopPadding, Sizes::HeaderSidePadding, 0);
    header->setSpacing(Sizes::HeaderSpacing);
    header->addStretch();
    m_adminButton = new IconButton(
        u"person.circle"_s, Style::white(0.7), tr("Connexion admin"), IconButton::Look {}, this);
    connect(m_adminButton, &IconButton::clicked, this, &HomeView::adminLoginRequested);
    header->addWidget(m_adminButton);
    m_settingsButton = new IconButton(
        u"gearshape.fill"_s, Style::white(0.7), tr("Paramètres utilisateur"), IconButton::Look {}, this);
    connect(m_settingsButton, &IconButton::clicked, this, &HomeView::openSettings);
    header->addWidget(m_settingsButton);
    return header;
}

QLayout *HomeView::titleBlock()
{
    auto *block = new QVBoxLayout;
    block->setSpacing(Sizes::TitleBlockSpacing);
    auto *icon = new QLabel(this);
    icon->setPixmap(Style::appIcon(Sizes::AppIcon, devicePixelRatioF()));
    auto *shadow = new QGraphicsDropShadowEffect(icon);
    shadow->setColor(Style::withOpacity(Qt::black, 0.33));
    shadow->setBlurRadius(Sizes::AppIconShadowBlur);
    shadow->setOffset(0, Sizes::AppIconShadowOffset);
    icon->setGraphicsEffect(shadow);
    block->addWidget(icon, 0, Qt::AlignHCenter);
    auto *title = new QLabel(tr("Norvik Support"), this);
    Style::setRole(title, "heroTitle");
    block->addWidget(title, 0, Qt::AlignHCenter);
    auto *subtitle = new QLabel(tr("Création et gestion des demandes au service technique"), this);
    Style::setRole(subtitle, "heroSubtitle");
    block->addWidget(subtitle, 0, Qt::AlignHCenter);
    return block;
}

QLayout *HomeView::actions()
{
    auto *actions = new QVBoxLayout;
    actions->setSpacing(Sizes::ActionSpacing);
    m_registerButton = new HomeButton(tr("Créer mon compte"), u"person.badge.plus"_s, Style::green(), this);
    m_createTicketButton
        = new HomeButton(tr("Démarrer un ticket"), u"plus.circle.fill"_s, Style::blue(), this);
    m_myTicketsButton = new HomeButton(tr("Mes tickets"), u"doc.text.fill"_s, Style::purple(), this);
    m_ticketListButton
        = new HomeButton(tr("Gestion des tickets"), u"square.stack.3d.up.fill"_s, Style::orange(), this);
    for (HomeButton *button :
        { m_registerButton, m_createTicketButton, m_myTicketsButton, m_ticketListButton })
        actions->addWidget(button, 0, Qt::AlignHCenter);
    connect(m_registerButton, &HomeButton::clicked, this, &HomeView::openRegister);
    connect(m_createTicketButton, &HomeButton::clicked, this, &HomeView::openCreateTicket);
    connect(m_myTicketsButton, &HomeButton::clicked, this, &HomeView::openMyTickets);
    connect(m_ticketListButton, &HomeButton::clicked, this, &HomeView::ticketListRequested);
    return actions;
}

void HomeView::setIsRegistered(bool registered)
{
    m_isRegistered = registered;
    updateModeControls();
}

void HomeView::setIsAdmin(bool admin)
{
    m_isAdmin = admin;
    updateModeControls();
}

void HomeView::updateModeControls()
{
    if (m_isAdmin)
        m_adminButton->setSymbol(u"person.fill.checkmark"_s, Style::green());
    else
        m_adminButton->setSymbol(u"person.circle"_s, Style::white(0.7));
    m_adminButton->setToolTipAndName(m_isAdmin ? tr("Admin connecté") : tr("Connexion admin"));
    m_ticketListButton->setVisible(m_isAdmin);
    m_settingsButton->setVisible(m_isRegistered);
    m_registerButton->setVisible(!m_isRegistered);
    m_createTicketButton->setVisible(m_isRegistered);
    m_myTicketsButton->setVisible(m_isRegistered);
    // The card needs both the screen's flag and a complete stored identity.
    m_userCard->reload();
    m_userCard->setVisible(m_isRegistered && m_services.settings.isRegistered());
}

void HomeView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshFlags();
}

void HomeView::refreshFlags()
{
    // "is_admin" is not re-read here: the mode changes only through the
    // login sheet's binding or a new home screen.
    setIsRegistered(m_services.settings.readBool(UserSettings::IsRegistered));
    if (!m_isRegistered)
        QTimer::singleShot(RegisterDelayMs, this, &HomeView::openRegister);
}

void HomeView::setContentEnabled(bool enabled)
{
    // The screen's own controls only: a sheet may be this widget's child
    // when the home screen is a window of its own.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            child->setEnabled(enabled);
}

template<typename View, typename Make>
void HomeView::present(QPointer<View> &slot, Make make)
{
    if (slot) {
        slot->raise();
        slot->activateWindow();
        return;
    }
    View *sheet = make();
    slot = sheet;
    // The slot empties as soon as the sheet closes, not when it is deleted.
    connect(sheet, &QDialog::finished, this, [&slot, sheet] {
        if (slot == sheet)
            slot = nullptr;
    });
    presentSheet(sheet);
}

void HomeView::presentSheet(Sheet *sheet)
{
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    // A closed sheet may have changed the stored identity: the card follows.
    connect(sheet, &QDialog::finished, this, [this] {
        setContentEnabled(true);
        updateModeControls();
    });
    if (sheet->allowsInteractiveDismissal()) {
        sheet->open();
        return;
    }
    // A sheet the user cannot close must not hold the window either: a
    // window-modal sheet makes the window refuse its own close button, and
    // the user could not put the program back in the tray. The screen under
    // it is disabled instead; closing the window takes the sheet with it and
    // the next window offers it again.
    setContentEnabled(false);
    sheet->setWindowModality(Qt::NonModal);
    sheet->show();
}

void HomeView::openSettings()
{
    const Services &s = m_services;
    present(m_settings, [&] {
        auto *sheet = new SettingsView(s.api, s.settings, s.startup, window());
        connect(sheet, &SettingsView::companiesRequested, this,
            [this, sheet] { Q_EMIT companiesRequested(sheet); });
        return sheet;
    });
}

void HomeView::openCreateTicket()
{
    const Services &s = m_services;
    present(m_createTicket, [&] {
        auto *sheet = new CreateTicketView(s.api, s.settings, window());
        connect(sheet, &CreateTicketView::ticketCreated, &s.events, &AppEvents::myTicketsChanged);
        connect(&s.events, &AppEvents::ticketPictureCaptured, sheet, &CreateTicketView::loadAttachment);
        return sheet;
    });
}

void HomeView::openMyTickets()
{
    const Services &s = m_services;
    present(m_myTickets, [&] {
        auto *sheet = new MyTicketsView(s.api, s.settings, s.conversations, window());
        connect(&s.events, &AppEvents::myTicketsChanged, sheet, &MyTicketsView::loadTickets);
        return sheet;
    });
}

void HomeView::openRegister()
{
    present(m_register, [this] {
        auto *sheet = new RegisterView(m_services.api, m_services.settings, window());
        connect(sheet, &RegisterView::registrationCompleted, this, [this] { setIsRegistered(true); });
        return sheet;
    });
}
