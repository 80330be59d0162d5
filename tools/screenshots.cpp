// Takes a picture of every screen and sheet in each of its states, as a user
// meets them: against a running norvik-server with demo data for what the
// server really answers, and against a stand-in server for what it only
// does when something goes wrong (a slow reply, an error, an empty list).
//
//   norvik-screenshots OUTPUT_DIR API_BASE
//   norvik-screenshots --check-contrast API_BASE
//
// With --check-contrast nothing is saved: in every scene, each visible and
// enabled label, button and text field is measured on the rendered pixels
// against what lies behind it, and any below 3:1 fails the run.
//
// Run by scripts/screenshots.sh on a private X server at 96 DPI, with its
// own settings directory.

#include "core/apiservice.h"
#include "core/appevents.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/services.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/admin/companyrow.h"
#include "ui/admin/systemreportsection.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistview.h"
#include "ui/attachmentpicker.h"
#include "ui/conflictbox.h"
#include "ui/conversation/conversationpanel.h"
#include "ui/createticketview.h"
#include "ui/homebutton.h"
#include "ui/mainwindow.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/settingsview.h"
#include "ui/widgets/navigationstack.h"
#include "ui/widgets/style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTextEdit>
#include <cmath>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

class Photographer
{
public:
    Photographer(const QString &folder, const QString &apiBase, bool checkContrast)
        : m_folder(folder)
        , m_checkContrast(checkContrast)
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

    Services services(APIService &api)
    {
        return { m_settings, api, m_channel, m_startup, m_events, m_conversations };
    }

    void shoot(QWidget *widget, const QString &name);
    void measure(QWidget *scene, const QString &name);
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
    void userConversation();
    void staffConversation();
    // The stand-in as a server in accounts mode: tickets with unread
    // messages, a conversation, a message refused because of refused.
    void conversationStandIn(const QString &refused);
    void signInConversations();

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
    bool m_checkContrast;
    QStringList m_lowContrast;
    int m_measured = 0;
    HttpTestServer m_standInServer;
    APIService m_demo;
    APIService m_standIn;
    AppEvents m_events;
    UserSettings m_settings { UserSettings::defaultFilePath() };
    WebSocketService m_channel { Configuration(), m_settings };
    StartupManager m_startup { StartupManager::defaultEntryPath() };
    // Without a credential, as against a shared-mode server: no conversation.
    CredentialStore m_credentials { u"norvik-screenshots"_s, QString() };
    Conversations m_conversations { m_standIn, m_channel, m_settings, m_credentials, QString() };
    // With both credentials, as against a server in accounts mode.
    CredentialStore m_talkCredentials { u"norvik-screenshots-accounts"_s, QString() };
    APIService m_talkApi { configuration(m_standInServer.apiBase()), m_talkCredentials };
    Conversations m_talk { m_talkApi, m_channel, m_settings, m_talkCredentials, QString() };
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

bool isShown(const QWidget *widget)
{
    return widget && widget->isVisible();
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

// WCAG 2 relative luminance of an sRGB colour.
double luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

struct Reading
{
    QRgb text;
    QRgb background;
    double ratio;
};

// From the rendered pixels of area: the most frequent colour is what lies
// behind; of the colours covering a few pixels at least (glyph cores, not
// anti-aliased edges), the one standing out most from it is the text's.
std::optional<Reading> read(const QImage &picture, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[picture.pixel(x, y) | 0xff000000u];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            most = it.value(), background = it.key();
    std::optional<Reading> best;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double ratio = contrast(it.key(), background);
        if (it.value() >= 3 && it.key() != background && (!best || ratio > best->ratio))
            best = Reading { it.key(), background, ratio };
    }
    return best;
}

// What a reader is meant to read: shown, enabled (a dimmed control is dimmed
// on purpose), and with words or a symbol to tell apart.
bool isReadable(const QWidget *widget)
{
    if (!widget->isVisible() || !widget->isEnabled())
        return false;
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return !label->text().trimmed().isEmpty();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return !edit->text().isEmpty() || !edit->placeholderText().isEmpty();
    if (const auto *edit = qobject_cast<const QTextEdit *>(widget))
        return !edit->toPlainText().isEmpty() || !edit->placeholderText().isEmpty();
    if (const auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        return !edit->toPlainText().isEmpty() || !edit->placeholderText().isEmpty();
    return qobject_cast<const QAbstractButton *>(widget) != nullptr;
}

// Whether another part of the scene (a page laid over the form) hides
// widget where it is measured.
bool isCovered(QWidget *scene, const QWidget *widget, QPoint point)
{
    const QWidget *top = scene->childAt(point);
    return top && top != widget && !widget->isAncestorOf(top) && !top->isAncestorOf(widget);
}

// Where a push button with words draws its symbol: left of its words, the
// two centred together in its contents (as Qt's styles lay them out).
std::optional<QRect> symbolRect(const QWidget *widget)
{
    const auto *button = qobject_cast<const QPushButton *>(widget);
    if (!button || button->icon().isNull() || button->text().isEmpty())
        return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QSize side = button->iconSize();
    const int width = side.width() + 4 + button->fontMetrics().horizontalAdvance(button->text());
    return QRect(QPoint(contents.center().x() - width / 2, contents.center().y() - side.height() / 2), side);
}

// The symbol's pixels against the button's face: the most frequent colour
// of the whole button.
std::optional<Reading> readSymbol(const QImage &picture, const QRect &button, const QRect &symbol)
{
    const std::optional<Reading> face = read(picture, button);
    if (!face)
        return std::nullopt;
    QRgb best = face->background;
    for (int y = symbol.top(); y <= symbol.bottom(); ++y)
        for (int x = symbol.left(); x <= symbol.right(); ++x)
            if (picture.rect().contains(x, y)
                && contrast(picture.pixel(x, y), face->background) > contrast(best, face->background))
                best = picture.pixel(x, y) | 0xff000000u;
    return Reading { best, face->background, contrast(best, face->background) };
}

QString describe(const QWidget *widget)
{
    QString words = widget->objectName();
    if (words.isEmpty())
        words = widget->accessibleName();
    if (words.isEmpty())
        words = widget->property("text").toString().left(40);
    return QString::fromLatin1(widget->metaObject()->className()) + u" \""_s + words + u'"';
}

QString hex(QRgb rgb)
{
    return QColor(rgb).name();
}

// The few quiet texts the design keeps below 3:1 on purpose, by role, with
// the value the design gives them.
const char *quietByDesign(const QWidget *widget)
{
    const QString role = widget->property("role").toString();
    if (role == u"version")
        return "white at 30 % (version line)";
    return nullptr;
}

void Photographer::measure(QWidget *scene, const QString &name)
{
    const QImage picture = scene->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QList<QWidget *> widgets { scene };
    widgets += scene->findChildren<QWidget *>();
    for (QWidget *widget : std::as_const(widgets)) {
        if (!isReadable(widget) || widget->window() != scene->window())
            continue;
        // Inside the frame a field or button draws, and only the part its
        // page shows.
        const QRect shown = widget->visibleRegion().boundingRect() & widget->rect().adjusted(3, 3, -3, -3);
        const QRect area = QRect(widget->mapTo(scene, shown.topLeft()), shown.size()) & picture.rect();
        // A field scrolled nearly out of its page shows an edge, not its text.
        const int needed = qMax(6, qMin(widget->height() - 6, 24));
        if (area.height() < needed || area.width() < 6 || isCovered(scene, widget, area.center()))
            continue;
        ++m_measured;
        std::optional<Reading> reading = read(picture, area);
        if (const std::optional<QRect> symbol = symbolRect(widget); symbol && reading) {
            const std::optional<Reading> mark
                = readSymbol(picture, area, QRect(widget->mapTo(scene, symbol->topLeft()), symbol->size()));
            if (mark && mark->ratio < reading->ratio)
                reading = mark;
        }
        const double ratio = reading ? reading->ratio : 1.0;
        if (ratio >= 3.0)
            continue;
        const QString line
            = u"%1: %2 contrast %3:1 (%4 on %5)"_s.arg(name, describe(widget))
                  .arg(ratio, 0, 'f', 2)
                  .arg(reading ? hex(reading->text) : u"-"_s, reading ? hex(reading->background) : u"-"_s);
        if (const char *design = quietByDesign(widget)) {
            std::printf("quiet by design, %s: %s\n", design, qPrintable(line));
            continue;
        }
        std::fprintf(stderr, "low contrast %s\n", qPrintable(line));
        m_lowContrast.append(line);
    }
}

void Photographer::shoot(QWidget *widget, const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QTest::qWait(250); // spinners, fades and hover animations settle
    if (m_checkContrast) {
        measure(widget, name);
        return;
    }
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
        if (waitFor([&sheet] { return isShown(named<QAbstractButton>(&sheet, u"Réessayer"_s)); },
                "register: retry"))
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
    }
    // The check's spinner, for as long as the stand-in holds the answer;
    // then the demo server's answer: the number is taken.
    for (APIService *api : { &m_standIn, &m_demo }) {
        standIn(TestResponse::json({}), true);
        SettingsView sheet(*api, m_settings, m_startup, &window);
        sheet.open();
        if (auto *poste = named<QLineEdit>(&sheet, u"Numéro de poste"_s))
            poste->selectAll();
        type(&sheet, u"Numéro de poste"_s, u"B12"_s);
        const bool checking = api == &m_standIn;
        QWidget *shown
            = checking ? sheet.findChild<QWidget *>(u"posteCheck"_s) : sheet.findChild<ConflictBox *>();
        if (waitFor(
                [shown] { return isShown(shown); }, checking ? "settings: checking" : "settings: conflict"))
            shoot(&sheet, checking ? u"settings-checking"_s : u"settings-conflict"_s);
    }
    standIn(TestResponse::json({}));
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
        // The system report's consent row leads to the report as it will be sent.
        click(&sheet, u"Voir"_s);
        const auto *report = sheet.findChild<QPlainTextEdit *>(u"reportText"_s);
        if (waitFor([report] { return isShown(report) && !report->toPlainText().contains(u"lecture en cours"_s); },
                "create ticket: system report")) {
            shoot(report->window(), u"createticket-systemreport"_s);
            report->window()->close();
        }
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
        // The request left waiting above was kept as a draft: its offer is
        // a state of its own, answered before the failing send.
        if (auto *offer = sheet.findChild<QWidget *>(u"draftOffer"_s); offer && offer->isVisible()) {
            shoot(&sheet, u"createticket-draft"_s);
            click(offer, u"Ignorer"_s);
        }
        type(&sheet, u"Titre de la demande"_s, u"Souris inerte"_s);
        type(&sheet, u"Description détaillée"_s, u"Le pointeur ne bouge plus."_s);
        click(&sheet, u"Envoyer le ticket"_s);
        if (holding)
            QTest::qWait(500);
        else
            waitFor(
                [&sheet] { return isShown(sheet.findChild<QWidget *>(u"error"_s)); }, "create ticket: error");
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
        MyTicketsView sheet(m_standIn, m_settings, m_conversations, &window);
        sheet.open();
        QTest::qWait(500);
        shoot(&sheet, name);
    }
    standIn(TestResponse::json({}));
    MyTicketsView sheet(m_demo, m_settings, m_conversations, &window);
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
        stack->push(new TicketListView(m_standIn, m_conversations));
        window.show();
        QTest::qWait(600);
        shoot(&window, name);
    }
    standIn(TestResponse::json({}));
    QWidget window;
    window.resize(960, 740);
    auto *stack = new NavigationStack(new QWidget, &window);
    stack->resize(window.size());
    auto *list = new TicketListView(m_demo, m_conversations);
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
        auto *detail = new TicketDetailView(m_demo, m_conversations, closed);
        showDetail(window, detail);
        shoot(&window, u"ticketdetail-closed"_s);
    }
    {
        // Given its report directly: the detail adds the section only with a
        // staff session, which the demo server does not hand out.
        QWidget window;
        Style::applyTo(&window);
        auto *section = new SystemReportSection(m_demo, 0, &window);
        section->showReport(QJsonDocument::fromJson(
            R"json({"system":{"os":"Debian GNU/Linux 12","hostname":"poste-p101","uptime":"3 j 4 h"},
            "load":{"memory":"5,1 Go sur 8 Go","disk_root":"47,1 Go utilisés sur 50 Go (94 %)","trouble":["disk_full"]},
            "printing":{"queues":["Etage-2 : arrêtée"],"trouble":["print_queue_stopped"]},
            "errors":{"failed_system_units":["cups-browsed.service"],"trouble":["failed_unit"]}})json")
                                .object());
        section->setUnfolded(true);
        section->setGeometry(24, 24, 912, section->sizeHint().height());
        window.resize(960, 740);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the window did not show");
        shoot(&window, u"ticketdetail-report"_s);
    }
    standIn(TestResponse::json({ { u"success"_s, true } }), true);
    QWidget window;
    auto *detail = new TicketDetailView(m_standIn, m_conversations, open);
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

void Photographer::conversationStandIn(const QString &refused)
{
    const auto ticket = [](qint64 id, const char *titre, const char *status, int unread) {
        return QJsonObject { { u"id"_s, id }, { u"titre"_s, QString::fromUtf8(titre) },
            { u"description"_s, u"Depuis ce matin l'écran reste noir après le logo du fabricant."_s },
            { u"priorite"_s, u"haute"_s }, { u"status"_s, QString::fromUtf8(status) },
            { u"created_at"_s, u"2026-12-07 09:14:03"_s }, { u"nom"_s, u"Duval"_s },
            { u"prenom"_s, u"Claire"_s }, { u"unread_messages"_s, unread } };
    };
    const QJsonArray tickets { ticket(41, "Écran noir au démarrage", "open", 2),
        ticket(42, "Imprimante du 2e étage hors ligne", "open", 0),
        ticket(43, "Mot de passe expiré", "closed", 0) };
    const auto message
        = [](qint64 id, const char *sender, const char *name, const char *text, const char *at) {
              return QJsonObject { { u"id"_s, id }, { u"ticket_id"_s, 41 },
                  { u"sender"_s, QString::fromUtf8(sender) }, { u"sender_name"_s, QString::fromUtf8(name) },
                  { u"message"_s, QString::fromUtf8(text) }, { u"created_at"_s, QString::fromUtf8(at) } };
          };
    const QJsonArray messages { message(1, "admin", "Marc Petit",
                                    "Bonjour, avez-vous essayé un autre câble vidéo ?",
                                    "2026-12-07 09:40:00"),
        message(2, "user", "Claire Duval", "Oui, même résultat avec le câble du bureau voisin.",
            "2026-12-07 09:52:00"),
        message(3, "admin", "Marc Petit", "Je passe vous voir dans l'après-midi.", "2026-12-07 10:05:00") };
    m_standInServer.setHolding(false);
    m_standInServer.setHandler([=](const TestRequest &request) {
        if (request.path == u"/ticket/messages.php")
            return TestResponse::json({ { u"success"_s, true }, { u"messages"_s, messages } });
        if (request.path == u"/ticket/send-message.php")
            return TestResponse::json({ { u"success"_s, false }, { u"error"_s, refused } }, 409);
        return TestResponse::json({ { u"success"_s, true }, { u"tickets"_s, tickets } });
    });
}

void Photographer::signInConversations()
{
    // Kept in memory at once; where they are written does not matter here.
    m_talkCredentials.store(CredentialStore::Kind::UserSecret, u"secret"_s);
    m_talkCredentials.store(CredentialStore::Kind::StaffSession, u"session"_s);
}

// Writes a message the server refuses, then one still on its way.
void writeTwoMessages(ConversationPanel *panel, HttpTestServer &server)
{
    panel->setReplyText(u"Le problème revient après chaque redémarrage."_s);
    panel->send();
    QTest::qWait(300);
    server.setHolding(true);
    panel->setReplyText(u"Je reste joignable au poste 101."_s);
    panel->send();
}

void Photographer::userConversation()
{
    identity(true, false);
    signInConversations();
    conversationStandIn(u"Le message dépasse la longueur permise."_s);
    QWidget window;
    window.resize(960, 740);
    window.show();
    MyTicketsView sheet(m_talkApi, m_settings, m_talk, &window);
    sheet.open();
    auto *list = sheet.findChild<QListView *>();
    if (!waitFor([list] { return list && list->model()->rowCount() > 0; }, "conversation: my tickets"))
        return;
    shoot(&sheet, u"mytickets-unread"_s);
    sheet.showConversation(41);
    if (!waitFor([&sheet] { return sheet.conversationPanel(41) != nullptr; }, "conversation: user panel"))
        return;
    ConversationPanel *panel = sheet.conversationPanel(41);
    QTest::qWait(300);
    writeTwoMessages(panel, m_standInServer);
    Q_EMIT m_channel.adminTyping(41);
    shoot(&sheet, u"mytickets-conversation"_s);
    m_standInServer.setHolding(false);
}

void Photographer::staffConversation()
{
    identity(true, true);
    conversationStandIn(u"Ce ticket est fermé : il ne reçoit plus de messages."_s);
    {
        QWidget window;
        window.resize(960, 740);
        auto *stack = new NavigationStack(new QWidget, &window);
        stack->resize(window.size());
        auto *list = new TicketListView(m_talkApi, m_talk);
        stack->push(list);
        window.show();
        if (waitFor(
                [list] { return list->face() == TicketListView::Face::List; }, "conversation: staff list"))
            shoot(&window, u"ticketlist-unread"_s);
    }
    Ticket open;
    open.id = 44;
    open.userId = 1;
    open.titre = u"Écran noir au démarrage"_s;
    open.priorite = u"haute"_s;
    open.status = u"open"_s;
    open.createdAt = u"2026-12-07 09:14:03"_s;
    open.nom = u"Duval"_s;
    open.prenom = u"Claire"_s;
    QWidget window;
    window.resize(960, 1100);
    auto *stack = new NavigationStack(new QWidget, &window);
    stack->resize(window.size());
    auto *detail = new TicketDetailView(m_talkApi, m_talk, open);
    stack->push(detail);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qWarning("the window did not show");
    QTest::qWait(300);
    writeTwoMessages(detail->conversationPanel(), m_standInServer);
    Q_EMIT m_channel.userTyping(44);
    shoot(&window, u"ticketdetail-conversation"_s);
    m_standInServer.setHolding(false);
}

int Photographer::run()
{
    if (!m_checkContrast)
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
    userConversation();
    staffConversation();
    if (m_checkContrast)
        std::printf("%d of %d texts below 3:1\n", int(m_lowContrast.size()), m_measured);
    else
        std::printf("%d pictures in %s\n", m_pictures, qPrintable(m_folder));
    for (const QString &failure : std::as_const(m_failures))
        std::fprintf(stderr, "not reached: %s\n", qPrintable(failure));
    return m_failures.isEmpty() && m_lowContrast.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Norvik"_s);
    QApplication::setApplicationName(u"NorvikSupport"_s);
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const bool checkContrast = arguments.size() == 3 && arguments.at(1) == u"--check-contrast";
    if (arguments.size() != 3) {
        std::fprintf(stderr,
            "usage: norvik-screenshots OUTPUT_DIR API_BASE\n"
            "       norvik-screenshots --check-contrast API_BASE\n");
        return 2;
    }
    Photographer photographer(checkContrast ? QString() : arguments.at(1), arguments.at(2), checkContrast);
    return photographer.run();
}
