#include "admin/ticketjson.h"
#include "artifacts.h"
#include "testserver.h"
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
#include <QTest>

using namespace Qt::StringLiterals;

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
    void initTestCase();
    void sheet_fitsItsSizeWithTextsAtTheirPixelSizes_data();
    void sheet_fitsItsSizeWithTextsAtTheirPixelSizes();

private:
    QTemporaryDir m_config;
    TestServer m_server;
};

void TestScreenSizing::initTestCase()
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

void TestScreenSizing::sheet_fitsItsSizeWithTextsAtTheirPixelSizes_data()
{
    QTest::addColumn<SheetFactory>("open");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<LabelSizes>("labels");
    QTest::newRow("register") << SheetFactory([] {
        return new RegisterView(APIService::shared(), UserSettings::shared());
    }) << QSize(520, 650)
                              << LabelSizes { { u"Bienvenue"_s, 28 },
                                     { u"Créez votre compte pour commencer"_s, 15 },
                                     { u"Numéro de poste"_s, 13 } };
    QTest::newRow("settings") << SheetFactory([] {
        return new SettingsView(APIService::shared(), UserSettings::shared(), StartupManager::shared());
    }) << QSize(500, 600)
                              << LabelSizes { { u"Paramètres utilisateur"_s, 24 },
                                     { u"Numéro de poste"_s, 13 }, { u"Alpha"_s, 14 }, { u"(A01)"_s, 12 } };
    QTest::newRow("create ticket") << SheetFactory([] {
        return new CreateTicketView(APIService::shared(), UserSettings::shared());
    }) << QSize(600, 750)
                                   << LabelSizes { { u"Créer un ticket"_s, 24 },
                                          { u"Décrivez votre demande au support technique"_s, 14 },
                                          { u"Titre de la demande"_s, 13 }, { u"Poste 24"_s, 12 } };
    QTest::newRow("my tickets") << SheetFactory([] {
        return new MyTicketsView(APIService::shared(), UserSettings::shared());
    }) << QSize(700, 600)
                                << LabelSizes { { u"Mes tickets"_s, 24 },
                                       { u"Suivez l'état de vos demandes"_s, 14 } };
    QTest::newRow("admin login") << SheetFactory([] {
        return new AdminLoginView(UserSettings::shared(), WebSocketService::shared());
    }) << QSize(400, 450)
                                 << LabelSizes { { u"Connexion admin"_s, 24 },
                                        { u"Accédez à la gestion des tickets"_s, 14 },
                                        { u"Mot de passe"_s, 13 } };
    QTest::newRow("companies") << SheetFactory([] { return new CompanyManagementView(APIService::shared()); })
                               << QSize(600, 550)
                               << LabelSizes { { u"Gestion des sociétés"_s, 24 },
                                      { u"Brasserie Étoile"_s, 16 }, { u"Code:"_s, 13 } };
    QTest::newRow("new company")
        << SheetFactory([] { return new AddCompanyView(APIService::shared(), [] {}); }) << QSize(500, 450)
        << LabelSizes { { u"Nouvelle société"_s, 24 }, { u"Ajouter une nouvelle société au système"_s, 14 },
               { u"Nom de la société"_s, 13 }, { u"Lettres majuscules et chiffres uniquement"_s, 11 } };
}

void TestScreenSizing::sheet_fitsItsSizeWithTextsAtTheirPixelSizes()
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
    QVERIFY(saveScreenshot(
        sheet.get(), u"sizing-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));

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

QTEST_MAIN(TestScreenSizing)
#include "tst_screensizing.moc"
