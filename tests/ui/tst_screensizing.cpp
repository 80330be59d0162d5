#include "admin/ticketjson.h"
#include "testing.h"
#include "httptestserver.h"
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
#include <QScrollBar>

using SheetFactory = std::function<Sheet *()>;
using LabelSizes = QList<QPair<QString, int>>;
Q_DECLARE_METATYPE(SheetFactory)

// Every sheet at its fixed size, filled as a registered user sees it: the
// form fits without a scroll bar, and its texts are as many pixels tall as
// the design says (the tests run at a device pixel ratio of 1).
class TestScreenSizing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(ViewTestEnv::prepare(m_config, m_server));
        ViewTestEnv::storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
        const QJsonArray companies { QJsonObject {
                                         { u"id"_s, 3 }, { u"nom"_s, u"Alpha"_s }, { u"code"_s, u"A01"_s } },
            QJsonObject { { u"id"_s, 7 }, { u"nom"_s, u"Brasserie Étoile"_s }, { u"code"_s, u"BE"_s } } };
        m_server.setReply(u"/company/list.php"_s,
            TestResponse::json({ { u"success"_s, true }, { u"companies"_s, companies } }));
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
        row("register", [] { return new RegisterView(ViewTestEnv::api(), ViewTestEnv::settings()); },
            QSize(520, 650),
            { { u"Bienvenue"_s, 28 }, { u"Créez votre compte pour commencer"_s, 15 },
                { u"Numéro de poste"_s, 13 } });
        row("settings",
            [] {
                return new SettingsView(
                    ViewTestEnv::api(), ViewTestEnv::settings(), ViewTestEnv::startup());
            },
            QSize(500, 600), { { u"Paramètres utilisateur"_s, 24 }, { u"Alpha"_s, 14 }, { u"(A01)"_s, 12 } });
        row("create ticket",
            [] { return new CreateTicketView(ViewTestEnv::api(), ViewTestEnv::settings()); },
            QSize(600, 750),
            { { u"Créer un ticket"_s, 24 }, { u"Titre de la demande"_s, 13 }, { u"Poste 24"_s, 12 } });
        row("my tickets", [] { return new MyTicketsView(ViewTestEnv::api(), ViewTestEnv::settings()); },
            QSize(700, 600), { { u"Mes tickets"_s, 24 }, { u"Suivez l'état de vos demandes"_s, 14 } });
        row("admin login",
            [] { return new AdminLoginView(ViewTestEnv::settings(), ViewTestEnv::channel()); },
            QSize(400, 450), { { u"Connexion admin"_s, 24 }, { u"Mot de passe"_s, 13 } });
        row("companies", [] { return new CompanyManagementView(ViewTestEnv::api()); }, QSize(600, 550),
            { { u"Gestion des sociétés"_s, 24 }, { u"Brasserie Étoile"_s, 16 } });
        row("new company", [] { return new AddCompanyView(ViewTestEnv::api(), [] {}); }, QSize(500, 450),
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
            const QList<QLabel *> found = sheet->findChildren<QLabel *>();
            const auto label
                = std::ranges::find_if(found, [&](QLabel *candidate) { return candidate->text() == text; });
            QVERIFY2(label != found.end(), qPrintable(text));
            QCOMPARE(QFontInfo((*label)->font()).pixelSize(), pixels);
            // One line of that size: taller than the letters, shorter than two lines.
            QVERIFY2((*label)->height() >= pixels && (*label)->height() < 2 * pixels, qPrintable(text));
        }
    }

private:
    QTemporaryDir m_config;
    HttpTestServer m_server;
};

QTEST_MAIN(TestScreenSizing)
#include "tst_screensizing.moc"
