#include "core/startupmanager.h"
#include "testserver.h"
#include "ui/admin/companiesbutton.h"
#include "ui/admin/companymanagementview.h"
#include "ui/conflictbox.h"
#include "ui/settingsview.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/toggleswitch.h"
#include "viewtestenv.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "42" and "77" are taken; every other number is free.
TestResponse checkPosteReply(const TestRequest &request, int delayMs = 0)
{
    const QString poste = request.query.queryItemValue(u"poste"_s);
    if (poste == u"42" || poste == u"77")
        return TestResponse::json(
            { { u"exists"_s, true },
                { u"user"_s,
                    QJsonObject { { u"nom"_s, u"Martin"_s }, { u"prenom"_s, u"Chloé"_s },
                        { u"telephone"_s, u"0611"_s } } } },
            200, delayMs);
    return TestResponse::json({ { u"exists"_s, false } }, 200, delayMs);
}

const QString checkPath = u"/user/check-poste.php"_s;

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void opens_withStoredValues_closeDiscards_saveWritesAsTypedOrSaysWhyNot();
    void oneCheckPerPause_takenNumberBlocksSavingUntilOwnOrNoNumber();
    void staleReply_isNeverAppliedOverANewerValue();
    void launchAtLoginSwitch_registersAndUnregistersOnClickOnly();
    void companyBoxFollowsTheStoredCompany_companiesButtonOnlyForAdministrators();

private:
    SettingsView *openSheet()
    {
        return ViewTestEnv::openSheet(
            m_view, ViewTestEnv::api(), ViewTestEnv::settings(), ViewTestEnv::startup());
    }
    // No further request within the debounce delay and a margin.
    bool noRequestBeyond(qsizetype count)
    {
        return !QTest::qWaitFor(
            [this, count] { return m_server.requests.size() > count; }, SettingsView::CheckDelayMs + 200);
    }

    QTemporaryDir m_config;
    TestServer m_server;
    std::unique_ptr<SettingsView> m_view;
};

void TestSettingsView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
}

void TestSettingsView::init()
{
    m_view.reset();
    ViewTestEnv::clearSettings();
    ViewTestEnv::storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
    ViewTestEnv::settings().writeText(UserSettings::UserTelephone, u"0102"_s);
    m_server.requests.clear();
    m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request); });
}

// Saving a corrected number against norvik-server is in tst_userflow.
void TestSettingsView::opens_withStoredValues_closeDiscards_saveWritesAsTypedOrSaysWhyNot()
{
    SettingsView *view = openSheet();
    QVERIFY(view);
    QCOMPARE(QStringList({ view->poste(), view->telephoneField()->value(), view->nomField()->value(),
                 view->prenomField()->value() }),
        QStringList({ u"24"_s, u"0102"_s, u"Durand"_s, u"Léa"_s }));
    view->nomField()->setValue(u"Autre"_s);
    QTest::mouseClick(ViewTestEnv::button(view, u"Fermer"_s), Qt::LeftButton);
    QVERIFY(!view->isVisible());
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserNom).toString(), u"Durand"_s);

    view = openSheet();
    view->posteEdit()->setText(u" 31 "_s);
    view->telephoneField()->setValue(QString());
    view->nomField()->setValue(u"Durand-Roy "_s);
    QTRY_VERIFY(!view->isCheckingPoste() && m_server.count(checkPath) == 1);
    QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
    QVERIFY(!view->isVisible());
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserPoste).toString(), u" 31 "_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserNom).toString(), u"Durand-Roy "_s);
    QCOMPARE(m_server.requests.size(), 1); // saving is local only

    // When the directory cannot be written the sheet stays, and says why.
    view = openSheet();
    ViewTestEnv::UnwritableSettings blocked;
    view->nomField()->setValue(u"Roy"_s);
    QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
    QVERIFY(view->isVisible());
    QVERIFY(ViewTestEnv::showsText(view, ViewTestEnv::settings().writeFailureText()));
    QVERIFY(ViewTestEnv::settings().readText(UserSettings::UserNom) == std::nullopt); // as on disk
}

void TestSettingsView::oneCheckPerPause_takenNumberBlocksSavingUntilOwnOrNoNumber()
{
    m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request, 400); });
    SettingsView *view = openSheet();
    QVERIFY(view);
    // Three quick keystrokes: one check, for the whole number.
    view->posteEdit()->clear();
    QTest::keyClicks(view->posteEdit(), u"42"_s, Qt::NoModifier, 100);
    QTRY_VERIFY(view->isCheckingPoste()); // the spinner shows while the request is out
    QTRY_VERIFY(view->posteExists() && !view->isCheckingPoste());
    QCOMPARE(m_server.count(checkPath), 1);
    QCOMPARE(m_server.requests.last().query.queryItemValue(u"poste"_s), u"42"_s);

    // Taking the existing user's details copies them but saving stays blocked.
    QTest::mouseClick(ViewTestEnv::button(view->findChild<ConflictBox *>(), u"Utiliser ces informations"_s),
        Qt::LeftButton);
    QCOMPARE(QStringList({ view->poste(), view->telephoneField()->value(), view->nomField()->value(),
                 view->prenomField()->value() }),
        QStringList({ u"42"_s, u"0611"_s, u"Martin"_s, u"Chloé"_s }));
    QVERIFY(!view->findChild<GradientButton *>()->isEnabled());

    // A failed check keeps the previous result.
    m_server.setHandler([](const TestRequest &) { return TestResponse { 500, "<html>error</html>", 0 }; });
    QTest::keyClick(view->posteEdit(), Qt::Key_1);
    QTRY_COMPARE(m_server.count(checkPath), 2);
    QTRY_VERIFY(!view->isCheckingPoste());
    QCOMPARE(view->existingUser()->nom, u"Martin"_s);
    m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request); });

    // The user's own number clears the conflict at once, without asking.
    view->posteEdit()->setText(u"24"_s);
    QVERIFY(!view->existingUser() && view->findChild<GradientButton *>()->isEnabled());
    QVERIFY(noRequestBeyond(2));

    // So does an emptied field, which may be saved.
    view->posteEdit()->setText(u"42"_s);
    QTRY_VERIFY(view->posteExists());
    view->posteEdit()->clear();
    QVERIFY(!view->findChild<ConflictBox *>()->isVisible());
    view->saveSettings();
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserPoste).toString(), u""_s);
    QCOMPARE(m_server.requests.size(), 3);
}

void TestSettingsView::staleReply_isNeverAppliedOverANewerValue()
{
    // "77" is taken but its answer is slow; by the time it arrives the user
    // has typed "778", which is free. The old answer must not show a conflict.
    m_server.setHandler([](const TestRequest &request) {
        const bool slow = request.query.queryItemValue(u"poste"_s) == u"77";
        return checkPosteReply(request, slow ? 600 : 0);
    });
    SettingsView *view = openSheet();
    QVERIFY(view);
    bool conflictSeen = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, view, [view, &conflictSeen] { conflictSeen |= view->posteExists(); });
    watch.start(10);
    view->posteEdit()->setText(u"77"_s);
    QTRY_COMPARE(m_server.count(checkPath), 1);
    QTest::keyClick(view->posteEdit(), Qt::Key_8);
    QVERIFY(!view->isCheckingPoste());
    QTRY_COMPARE(m_server.count(checkPath), 2);
    QCOMPARE(m_server.requests.last().query.queryItemValue(u"poste"_s), u"778"_s);
    // Give the slow answer for "77" time to land too.
    QVERIFY(!QTest::qWaitFor([&conflictSeen] { return conflictSeen; }, 900));
    QVERIFY(!view->posteExists() && view->findChild<GradientButton *>()->isEnabled());
}

void TestSettingsView::launchAtLoginSwitch_registersAndUnregistersOnClickOnly()
{
    const QString entry = ViewTestEnv::startup().entryPath();
    QVERIFY(entry.startsWith(m_config.path()));
    SettingsView *view = openSheet();
    ToggleSwitch *toggle = view->findChild<ToggleSwitch *>();
    QVERIFY(!toggle->isChecked() && !QFile::exists(entry)); // showing the screen changes nothing
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(StartupManager::entryIsEnabled(entry));
    // A new sheet shows the manager's state.
    QVERIFY(openSheet()->findChild<ToggleSwitch *>()->isChecked());
}

void TestSettingsView::companyBoxFollowsTheStoredCompany_companiesButtonOnlyForAdministrators()
{
    QVERIFY(!openSheet()->findChild<CompaniesButton *>());
    ViewTestEnv::settings().writeText(UserSettings::CompanyName, QString());
    QVERIFY(!openSheet()->companyBox());
    ViewTestEnv::settings().writeBool(UserSettings::IsAdmin, true);
    QVERIFY(openSheet()->findChild<CompaniesButton *>());
}

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
