#include "admin/ticketjson.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/adminloginview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/createticketview.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/settingsview.h"
#include "ui/widgets/spinner.h"
#include "viewtestenv.h"

#include <QAbstractScrollArea>
#include <QFontInfo>
#include <QLineEdit>
#include <QScrollBar>

using SheetFactory = std::function<Sheet *()>;
using LabelSizes = QList<QPair<QString, int>>;
Q_DECLARE_METATYPE(SheetFactory)

// Every sheet at its fixed size, filled as a registered user sees it: the
// form fits without a scroll bar, and its texts are as many pixels tall as
// the design says (the tests run at a device pixel ratio of 1).
class TestScreenSizing : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        m_env->storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
        m_server.setReply(u"/company/list.php"_s,
            TestResponse::json(companyList({ { 3, "Alpha", "A01" }, { 7, "Brasserie Étoile", "BE" } })));
        QJsonObject ticket = ticketJson(1, "open", "2025-03-07 14:05:00", "Imprimante HS");
        ticket.insert(u"description"_s, u"Plus rien ne sort."_s);
        ticket.insert(u"priorite"_s, u"haute"_s);
        m_server.setReply(u"/user/my-tickets.php"_s, TestResponse::json(ticketList({ ticket })));
    }

    void sheet_fitsItsSizeWithTextsAtTheirPixelSizes_data()
    {
        QTest::addColumn<SheetFactory>("open");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<LabelSizes>("labels");
        const auto row = [](const char *name, const SheetFactory &open, QSize size,
                             const LabelSizes &labels) { QTest::newRow(name) << open << size << labels; };
        row("register", [this] { return new RegisterView(m_env->api, m_env->settings); }, QSize(520, 650),
            { { u"Bienvenue"_s, 28 }, { u"Créez votre compte pour commencer"_s, 15 },
                { u"Numéro de poste"_s, 13 } });
        // Administrators get one more button in the header, and the same room below it.
        for (const bool admin : { false, true }) {
            row(admin ? "settings, administrator" : "settings",
                [this, admin] {
                    m_env->settings.writeBool(UserSettings::IsAdmin, admin);
                    auto *sheet = new SettingsView(m_env->api, m_env->settings, m_env->startup);
                    m_env->settings.writeBool(UserSettings::IsAdmin, false);
                    return sheet;
                },
                QSize(500, 600),
                { { u"Paramètres utilisateur"_s, 24 }, { u"Alpha"_s, 14 }, { u"(A01)"_s, 12 } });
        }
        row("create ticket", [this] { return new CreateTicketView(m_env->api, m_env->settings); },
            QSize(600, 750),
            { { u"Créer un ticket"_s, 24 }, { u"Titre de la demande"_s, 13 }, { u"Poste 24"_s, 12 } });
        row("my tickets",
            [this] { return new MyTicketsView(m_env->api, m_env->settings, m_env->conversations); },
            QSize(700, 600), { { u"Mes tickets"_s, 24 }, { u"Suivez l'état de vos demandes"_s, 14 } });
        row("admin login", [this] { return new AdminLoginView(m_env->settings, m_env->channel); },
            QSize(400, 450), { { u"Connexion admin"_s, 24 }, { u"Mot de passe"_s, 13 } });
        row("companies", [this] { return new CompanyManagementView(m_env->api); }, QSize(600, 550),
            { { u"Gestion des sociétés"_s, 24 }, { u"Brasserie Étoile"_s, 16 } });
        row("new company", [this] { return new AddCompanyView(m_env->api, [] {}); }, QSize(500, 450),
            { { u"Nouvelle société"_s, 24 }, { u"Lettres majuscules et chiffres uniquement"_s, 11 } });
    }

    void sheet_fitsItsSizeWithTextsAtTheirPixelSizes()
    {
        QFETCH(SheetFactory, open);
        QFETCH(QSize, size);
        QFETCH(LabelSizes, labels);
        std::unique_ptr<Sheet> sheet(open());
        sheet->show();
        QVERIFY(QTest::qWaitForWindowExposed(sheet.get()));
        // Whatever the sheet loads has come in.
        QTRY_VERIFY(std::ranges::none_of(sheet->findChildren<Spinner *>(),
            [&](Spinner *spinner) { return spinner->isVisibleTo(sheet.get()); }));
        QCOMPARE(sheet->size(), size);

        for (QAbstractScrollArea *area : sheet->findChildren<QAbstractScrollArea *>())
            QVERIFY2(!area->verticalScrollBar()->isVisible(), area->metaObject()->className());
        for (const auto &[text, pixels] : labels) {
            const QLabel *label = ViewTestEnv::label(sheet.get(), text);
            QVERIFY2(label, qPrintable(text));
            QCOMPARE(QFontInfo(label->font()).pixelSize(), pixels);
            // One line of that size: taller than the letters, shorter than two lines.
            QVERIFY2(label->height() >= pixels && label->height() < 2 * pixels, qPrintable(text));
            // And wide enough for all of it: nothing beside it cuts it off.
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(text));
        }
    }

    // A server that logs the staff in asks for an identifier too, on top of
    // the password: the sheet makes room for it. Whichever the server, none
    // of the items is squeezed under the height it needs, not even once a
    // refusal is shown under the fields.
    void adminLogin_keepsEveryItemWhole_alsoWithARefusal_data()
    {
        QTest::addColumn<bool>("staffAccounts");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("password only") << false << u"Mot de passe incorrect"_s;
        QTest::newRow("identifier and password") << true << u"Identifiant ou mot de passe incorrect"_s;
    }

    void adminLogin_keepsEveryItemWhole_alsoWithARefusal()
    {
        QFETCH(bool, staffAccounts);
        QFETCH(QString, refusal);
        // The login route refuses a GET where it exists.
        m_server.setReply(u"/admin/login.php"_s, TestResponse::json({}, staffAccounts ? 405 : 404));
        AdminLoginView sheet(m_env->settings, m_env->channel, m_env->api);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        auto *login = sheet.findChild<QLineEdit *>(u"login"_s);
        if (staffAccounts)
            QTRY_VERIFY(login->isVisible());
        QCOMPARE(sheet.width(), 400);
        QVERIFY(staffAccounts ? sheet.height() > 450 : sheet.height() == 450);
        verifyNothingSqueezed(sheet);

        if (staffAccounts)
            m_server.setReply(u"/admin/login.php"_s, TestResponse::json({ { u"error"_s, refusal } }, 401));
        login->setText(u"boss"_s);
        sheet.findChild<QLineEdit *>(u"password"_s)->setText(u"wrong"_s);
        sheet.login();
        QTRY_VERIFY(ViewTestEnv::showsText(&sheet, refusal));
        verifyNothingSqueezed(sheet);
    }

private:
    static void verifyNothingSqueezed(const QWidget &sheet)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (const QWidget *item : sheet.findChildren<QWidget *>()) {
            const int needed = qMax(item->minimumHeight(), item->minimumSizeHint().height());
            QVERIFY2(!item->isVisible() || item->height() >= needed,
                qPrintable(u"%1 \"%2\": %3 px of %4"_s
                               .arg(QString::fromLatin1(item->metaObject()->className()),
                                   item->property("text").toString())
                               .arg(item->height())
                               .arg(needed)));
        }
    }
};

QTEST_MAIN(TestScreenSizing)
#include "tst_screensizing.moc"
