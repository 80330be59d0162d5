// Takes a picture of every screen and sheet in each of its states, as a user
// meets them: against a running norvik-server with demo data for what the
// server really answers, and against a stand-in server for what it only
// does when something goes wrong (a slow reply, an error, an empty list).
//
//   norvik-screenshots OUTPUT_DIR API_BASE
//
// Run by scripts/screenshots.sh on a private X server at 96 DPI, with its
// own settings directory.

#include "core/apiservice.h"
#include "core/appevents.h"
#include "core/services.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/companyrow.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistview.h"
#include "ui/attachmentpicker.h"
#include "ui/createticketview.h"
#include "ui/homebutton.h"
#include "ui/mainwindow.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/settingsview.h"
#include "ui/widgets/navigationstack.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class Photographer
{
public:
    Photographer(const QString &folder, const QString &apiBase)
        : m_folder(folder)
        , m_demo(configuration(apiBase))
        , m_standIn(configuration(m_standInServer.apiBase()))
    {
        m_demo.setTransferTimeout(10000);
        m_standIn.setTransferTimeout(10000);
    }

    int run();

private:
    static Configuration configuration(const QString &apiBase)
    {
        Configuration c;
        c.apiBase = apiBase;
        return c;
    }

    Services services(APIService &api) { return { m_settings, api, m_channel, m_startup, m_events }; }

    void shoot(QWidget *widget, const QString &name);
    bool waitFor(const std::function<bool()> &condition, const char *what);

    void identity(bool registered, bool admin);
    void home();
    void registration();
    void settings();
    void createTicket();
    void myTickets();
    void adminLogin();
    void ticketList();
    void ticketDetail();
    void companies();

    // A screen in the three states only the stand-in can bring: a reply
    // still awaited, a server error, an empty list under listKey.
    struct StandInState
    {
        TestResponse response;
        bool holding;
        QString suffix;
    };
    static QList<StandInState> standInStates(const QString &listKey)
    {
        return { { TestResponse::json({}), true, u"-loading"_s },
            { TestResponse::json({ { u"error"_s, u"Base indisponible"_s } }, 500), false, u"-error"_s },
            { TestResponse::json({ { u"success"_s, true }, { listKey, QJsonArray() } }), false,
                u"-empty"_s } };
    }

    // The stand-in answers every path with one reply, or holds requests.
    void standIn(const TestResponse &response, bool holding = false)
    {
        m_standInServer.setHolding(holding);
        m_standInServer.setHandler([response](const TestRequest &) { return response; });
    }

    QString m_folder;
    HttpTestServer m_standInServer;
    APIService m_demo;
    APIService m_standIn;
    AppEvents m_events;
    UserSettings m_settings { UserSettings::defaultFilePath() };
    WebSocketService m_channel { Configuration(), m_settings };
    StartupManager m_startup { StartupManager::defaultEntryPath() };
    QStringList m_failures;
    int m_pictures = 0;
};

template<class T>
T *named(QWidget *parent, const QString &name)
{
    for (T *found : parent->findChildren<T *>())
        if (found->accessibleName().startsWith(name) || found->property("text").toString() == name)
            return found;
    return nullptr;
}

void type(QWidget *parent, const QString &field, const QString &text)
{
    if (QWidget *edit = named<QLineEdit>(parent, field)
            ? static_cast<QWidget *>(named<QLineEdit>(parent, field))
            : named<QPlainTextEdit>(parent, field)) {
        edit->setFocus();
        for (const QChar character : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QCoreApplication::sendEvent(edit, &press);
        }
    }
}

void click(QWidget *parent, const QString &button)
{
    if (QAbstractButton *found = named<QAbstractButton>(parent, button))
        QTest::mouseClick(found, Qt::LeftButton);
}

QImage samplePicture()
{
    QImage image(1600, 1000, QImage::Format_RGB32);
    image.fill(QColor(40, 44, 60));
    QPainter painter(&image);
    painter.fillRect(QRect(120, 120, 900, 560), QColor(230, 230, 235));
    painter.fillRect(QRect(160, 180, 820, 60), QColor(200, 60, 60));
    painter.setPen(Qt::white);
    painter.setFont(QFont(painter.font().family(), 48));
    painter.drawText(QRect(160, 180, 820, 60), Qt::AlignCenter, u"Erreur 0x5"_s);
    return image;
}

void Photographer::shoot(QWidget *widget, const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QTest::qWait(250); // spinners, fades and hover animations settle
    const QString path = m_folder + u'/' + name + u".png"_s;
    if (widget->grab().save(path)) {
        ++m_pictures;
        std::printf("%s\n", qPrintable(path));
    } else {
        m_failures.append(name);
    }
}

bool Photographer::waitFor(const std::function<bool()> &condition, const char *what)
{
    if (QTest::qWaitFor(condition, 10000))
        return true;
    m_failures.append(QString::fromLatin1(what));
    return false;
}

void Photographer::identity(bool registered, bool admin)
{
    UserSettings &settings = m_settings;
    QFile::remove(settings.filePath());
    settings.reload();
    if (registered) {
        // Claire Duval of the demo data, user 1.
        settings.writeInteger(UserSettings::UserId, 1);
        settings.writeInteger(UserSettings::CompanyId, 1);
        settings.writeText(UserSettings::CompanyCode, u"ABR"_s);
        settings.writeText(UserSettings::CompanyName, u"Ateliers Brévent"_s);
        settings.writeText(UserSettings::UserPoste, u"P-101"_s);
        settings.writeText(UserSettings::UserNom, u"Duval"_s);
        settings.writeText(UserSettings::UserPrenom, u"Claire"_s);
        settings.writeText(UserSettings::UserTelephone, u"01 23 45 67 89"_s);
        settings.writeBool(UserSettings::IsRegistered, true);
    }
    settings.writeBool(UserSettings::IsAdmin, admin);
}

void Photographer::home()
{
    for (const auto &[registered, admin, name] : { std::tuple(false, false, u"home-unregistered"_s),
             std::tuple(true, false, u"home-user"_s), std::tuple(true, true, u"home-admin"_s) }) {
        identity(registered, admin);
        MainWindow window(services(m_demo));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the window did not show");
        shoot(&window, name);
        if (name == u"home-user") {
            if (auto *button = named<HomeButton>(&window, u"Démarrer un ticket"_s)) {
                QTest::mouseMove(button, button->rect().center());
                QEnterEvent enter(button->rect().center(), button->mapTo(&window, button->rect().center()),
                    button->mapToGlobal(button->rect().center()));
                QCoreApplication::sendEvent(button, &enter);
                shoot(&window, u"home-hover"_s);
            }
        }
    }
}

void Photographer::registration()
{
    identity(false, false);
    QWidget window;
    window.resize(960, 740);
    window.show();
    standIn(TestResponse::json({}), true);
    {
        RegisterView sheet(m_standIn, m_settings, &window);
        sheet.open();
        shoot(&sheet, u"register-loading"_s);
    }
    standIn(TestResponse::json({ { u"error"_s, u"Base indisponible"_s } }, 500));
    {
        RegisterView sheet(m_standIn, m_settings, &window);
        sheet.open();
        QTest::qWait(500);
        shoot(&sheet, u"register-error"_s);
    }
    RegisterView sheet(m_demo, m_settings, &window);
    sheet.open();
    auto *picker = sheet.findChild<QComboBox *>();
    if (!waitFor([picker] { return picker && picker->count() > 1; }, "register: companies"))
        return;
    shoot(&sheet, u"register-full"_s);
    picker->setCurrentIndex(1);
    type(&sheet, u"Numéro de poste"_s, u"P-204"_s);
    type(&sheet, u"Nom"_s, u"Martin"_s);
    type(&sheet, u"Prénom"_s, u"Sophie"_s);
    type(&sheet, u"Téléphone"_s, u"06 12 34 56 78"_s);
    shoot(&sheet, u"register-filled"_s);
}

void Photographer::settings()
{
    identity(true, false);
    QWidget window;
    window.resize(960, 740);
    window.show();
    {
        SettingsView sheet(m_demo, m_settings, m_startup, &window);
        sheet.open();
        shoot(&sheet, u"settings-full"_s);
        auto *poste = named<QLineEdit>(&sheet, u"Numéro de poste"_s);
        if (poste) {
            poste->selectAll();
            type(&sheet, u"Numéro de poste"_s, u"B12"_s);
            shoot(&sheet, u"settings-checking"_s);
            QTest::qWait(1500);
            shoot(&sheet, u"settings-conflict"_s);
        }
    }
    identity(true, true);
    SettingsView sheet(m_demo, m_settings, m_startup, &window);
    sheet.open();
    shoot(&sheet, u"settings-admin"_s);
}

void Photographer::createTicket()
{
    identity(true, false);
    QWidget window;
    window.resize(960, 740);
    window.show();
    {
        CreateTicketView sheet(m_demo, m_settings, &window);
        sheet.open();
        shoot(&sheet, u"createticket-empty"_s);
        type(&sheet, u"Titre de la demande"_s, u"Écran noir au démarrage"_s);
        type(&sheet, u"Description détaillée"_s, u"Depuis ce matin l'écran reste noir après le logo."_s);
        sheet.findChild<AttachmentPicker *>()->attachImage(samplePicture());
        shoot(&sheet, u"createticket-filled"_s);
        click(&sheet, u"Envoyer le ticket"_s);
        waitFor([&sheet] { return sheet.findChild<QWidget *>(u"success"_s)->isVisible(); },
            "create ticket: success");
        shoot(&sheet, u"createticket-success"_s);
    }
    for (const auto &[response, holding, name] :
        { std::tuple(TestResponse::json({}), true, u"createticket-sending"_s),
            std::tuple(TestResponse::json({ { u"error"_s, u"Base indisponible"_s } }, 500), false,
                u"createticket-error"_s) }) {
        standIn(response, holding);
        CreateTicketView sheet(m_standIn, m_settings, &window);
        sheet.open();
        type(&sheet, u"Titre de la demande"_s, u"Souris inerte"_s);
        type(&sheet, u"Description détaillée"_s, u"Le pointeur ne bouge plus."_s);
        click(&sheet, u"Envoyer le ticket"_s);
        QTest::qWait(500);
        shoot(&sheet, name);
    }
    standIn(TestResponse::json({}));
}

void Photographer::myTickets()
{
    identity(true, false);
    QWidget window;
    window.resize(960, 740);
    window.show();
    for (const StandInState &state : standInStates(u"tickets"_s)) {
        const QString name = u"mytickets"_s + state.suffix;
        standIn(state.response, state.holding);
        MyTicketsView sheet(m_standIn, m_settings, &window);
        sheet.open();
        QTest::qWait(500);
        shoot(&sheet, name);
    }
    standIn(TestResponse::json({}));
    MyTicketsView sheet(m_demo, m_settings, &window);
    sheet.open();
    auto *list = sheet.findChild<QListView *>();
    if (!waitFor([list] { return list && list->model()->rowCount() > 0; }, "my tickets: list"))
        return;
    shoot(&sheet, u"mytickets-full"_s);
    const qint64 first = list->model()->index(0, 0).data(Qt::UserRole + 1).toLongLong();
    sheet.toggleExpanded(first);
    QTest::qWait(400);
    shoot(&sheet, u"mytickets-expanded"_s);
}

void Photographer::adminLogin()
{
    identity(true, false);
    QWidget window;
    window.resize(960, 740);
    window.show();
    {
        AdminLoginView sheet(m_settings, m_channel, &window);
        sheet.open();
        shoot(&sheet, u"adminlogin-form"_s);
        type(&sheet, u"Mot de passe"_s, u"erreur"_s);
        click(&sheet, u"Se connecter"_s);
        shoot(&sheet, u"adminlogin-error"_s);
    }
    identity(true, true);
    AdminLoginView sheet(m_settings, m_channel, &window);
    sheet.open();
    shoot(&sheet, u"adminlogin-connected"_s);
}

void Photographer::ticketList()
{
    identity(true, true);
    for (const StandInState &state : standInStates(u"tickets"_s)) {
        const QString name = u"ticketlist"_s + state.suffix;
        standIn(state.response, state.holding);
        QWidget window;
        window.resize(960, 740);
        auto *stack = new NavigationStack(new QWidget, &window);
        stack->resize(window.size());
        stack->push(new TicketListView(m_standIn));
        window.show();
        QTest::qWait(600);
        shoot(&window, name);
    }
    standIn(TestResponse::json({}));
    QWidget window;
    window.resize(960, 740);
    auto *stack = new NavigationStack(new QWidget, &window);
    stack->resize(window.size());
    auto *list = new TicketListView(m_demo);
    stack->push(list);
    window.show();
    if (!waitFor([list] { return list->face() == TicketListView::Face::List; }, "ticket list: list"))
        return;
    shoot(&window, u"ticketlist-full"_s);
    if (auto *grid = window.findChild<TicketGridView *>()) {
        const QPoint card = grid->viewport()->rect().topLeft() + QPoint(140, 200);
        QTest::mouseMove(grid->viewport(), card);
        QTest::qWait(400);
        shoot(&window, u"ticketlist-hover"_s);
    }
}

void Photographer::ticketDetail()
{
    identity(true, true);
    Ticket open;
    open.id = 41;
    open.userId = 1;
    open.titre = u"Écran noir au démarrage"_s;
    open.description = u"Depuis ce matin l'écran reste noir après le logo du fabricant."_s;
    open.priorite = u"haute"_s;
    open.status = u"open"_s;
    open.createdAt = u"2026-12-07 09:14:03"_s;
    open.nom = u"Duval"_s;
    open.prenom = u"Claire"_s;
    open.societe = u"Ateliers Brévent"_s;
    open.poste = u"P-101"_s;
    open.telephone = u"01 23 45 67 89"_s;
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        samplePicture().scaled(1200, 750).save(&buffer, "PNG");
    }
    open.captureBase64 = png.toBase64();
    Ticket closed = open;
    closed.status = u"fermé"_s;
    closed.captureBase64.reset();
    closed.message = u"Câble vidéo remplacé, tout fonctionne."_s;

    const auto showDetail = [](QWidget &window, TicketDetailView *detail) {
        window.resize(960, 740);
        auto *stack = new NavigationStack(new QWidget, &window);
        stack->resize(window.size());
        stack->push(detail);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the window did not show");
    };
    {
        QWidget window;
        auto *detail = new TicketDetailView(m_demo, closed);
        showDetail(window, detail);
        shoot(&window, u"ticketdetail-closed"_s);
    }
    standIn(TestResponse::json({ { u"success"_s, true } }), true);
    QWidget window;
    auto *detail = new TicketDetailView(m_standIn, open);
    showDetail(window, detail);
    shoot(&window, u"ticketdetail-open"_s);
    type(&window, u"Message de clôture"_s, u"Câble vidéo remplacé."_s);
    detail->requestClose();
    if (auto *confirm = detail->findChild<QMessageBox *>()) {
        waitFor([confirm] { return confirm->isVisible(); }, "detail: confirmation");
        shoot(confirm, u"ticketdetail-confirm"_s);
        // The destructive button, not accept(): only a clicked button closes the ticket.
        for (QAbstractButton *button : confirm->buttons()) {
            if (button->text() == u"Fermer le ticket"_s)
                button->click();
        }
        QTest::qWait(300);
        shoot(&window, u"ticketdetail-closing"_s);
        m_standInServer.setHolding(false);
        waitFor([detail] { return detail->isClosed(); }, "detail: closed");
        shoot(&window, u"ticketdetail-success"_s);
    }
    standIn(TestResponse::json({}));
}

void Photographer::companies()
{
    identity(true, true);
    QWidget window;
    window.resize(960, 740);
    window.show();
    for (const StandInState &state : standInStates(u"companies"_s)) {
        const QString name = u"companies"_s + state.suffix;
        standIn(state.response, state.holding);
        CompanyManagementView sheet(m_standIn, &window);
        sheet.open();
        QTest::qWait(500);
        shoot(&sheet, name);
    }
    standIn(TestResponse::json({}));
    CompanyManagementView sheet(m_demo, &window);
    sheet.open();
    waitFor([&sheet] { return !sheet.findChildren<CompanyRow *>().isEmpty(); }, "companies: list");
    shoot(&sheet, u"companies-full"_s);
    sheet.showAddCompany();
    AddCompanyView *form = sheet.findChild<AddCompanyView *>();
    if (!form)
        return;
    waitFor([form] { return form->isVisible(); }, "add company: shown");
    shoot(form, u"addcompany-empty"_s);
    type(form, u"Nom de la société"_s, u"Scierie Vautrin"_s);
    type(form, u"Code unique"_s, u"ABR"_s);
    shoot(form, u"addcompany-filled"_s);
    click(form, u"Créer la société"_s);
    QTest::qWait(800);
    shoot(form, u"addcompany-error"_s);
    if (auto *code = named<QLineEdit>(form, u"Code unique"_s)) {
        code->clear();
        type(form, u"Code unique"_s, u"SVA"_s);
    }
    click(form, u"Créer la société"_s);
    QTest::qWait(800);
    shoot(form, u"addcompany-success"_s);
}

int Photographer::run()
{
    QDir().mkpath(m_folder);
    home();
    registration();
    settings();
    createTicket();
    myTickets();
    adminLogin();
    ticketList();
    ticketDetail();
    companies();
    std::printf("%d pictures in %s\n", m_pictures, qPrintable(m_folder));
    for (const QString &failure : std::as_const(m_failures))
        std::fprintf(stderr, "not reached: %s\n", qPrintable(failure));
    return m_failures.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Norvik"_s);
    QApplication::setApplicationName(u"NorvikSupport"_s);
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: norvik-screenshots OUTPUT_DIR API_BASE\n");
        return 2;
    }
    Photographer photographer(arguments.at(1), arguments.at(2));
    return photographer.run();
}
