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
        row("settings", [this] { return new SettingsView(m_env->api, m_env->settings, m_env->startup); },
            QSize(500, 600), { { u"Paramètres utilisateur"_s, 24 }, { u"Alpha"_s, 14 }, { u"(A01)"_s, 12 } });
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
        }
    }
};

QTEST_MAIN(TestScreenSizing)
#include "tst_screensizing.moc"
