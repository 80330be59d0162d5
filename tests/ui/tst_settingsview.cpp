#include "core/startupmanager.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/companybox.h"
#include "ui/conflictbox.h"
#include "ui/settingsview.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/toggleswitch.h"
#include "viewtestenv.h"

#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>

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

class TestSettingsView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env); }

    void init()
    {
        m_view.reset();
        m_env->clearSettings();
        m_env->storeIdentity(12, u"24"_s, u"Durand"_s, u"Léa"_s, u"Alpha"_s, u"A01"_s);
        m_env->settings.writeText(UserSettings::UserTelephone, u"0102"_s);
        m_server.clearRequests();
        m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request); });
    }

    // Saving a corrected number against norvik-server is in tst_userflow.
    void opens_withStoredValues_closeDiscards_saveWritesAsTypedOrSaysWhyNot()
    {
        SettingsView *view = openSheet();
        QVERIFY(view);
        QCOMPARE(QStringList({ poste(view)->text(), field(view, u"telephone"_s)->value(),
                     field(view, u"nom"_s)->value(), field(view, u"prenom"_s)->value() }),
            QStringList({ u"24"_s, u"0102"_s, u"Durand"_s, u"Léa"_s }));
        field(view, u"nom"_s)->setValue(u"Autre"_s);
        QTest::mouseClick(ViewTestEnv::button(view, u"Fermer"_s), Qt::LeftButton);
        QVERIFY(!view->isVisible());
        QCOMPARE(m_env->storedValue(UserSettings::UserNom).toString(), u"Durand"_s);

        view = openSheet();
        poste(view)->setText(u" 31 "_s);
        field(view, u"telephone"_s)->setValue(QString());
        field(view, u"nom"_s)->setValue(u"Durand-Roy "_s);
        QTRY_VERIFY(!isChecking(view) && m_server.count(checkPath) == 1);
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(!view->isVisible());
        QCOMPARE(m_env->storedValue(UserSettings::UserPoste).toString(), u" 31 "_s);
        QCOMPARE(m_env->storedValue(UserSettings::UserNom).toString(), u"Durand-Roy "_s);
        QCOMPARE(m_server.requests().size(), 1); // saving is local only

        // When the directory cannot be written the sheet stays, and says why.
        view = openSheet();
        ViewTestEnv::UnwritableSettings blocked(*m_env);
        field(view, u"nom"_s)->setValue(u"Roy"_s);
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(view->isVisible());
        QVERIFY(ViewTestEnv::showsText(view, m_env->settings.writeFailureText()));
        QVERIFY(m_env->settings.readText(UserSettings::UserNom) == std::nullopt); // as on disk
    }

    void oneCheckPerPause_takenNumberBlocksSavingUntilOwnOrNoNumber()
    {
        m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request, 400); });
        SettingsView *view = openSheet();
        QVERIFY(view);
        // Three quick keystrokes: one check, for the whole number.
        poste(view)->clear();
        QTest::keyClicks(poste(view), u"42"_s, Qt::NoModifier, 100);
        QTRY_VERIFY(isChecking(view)); // the spinner shows while the request is out
        QTRY_VERIFY(showsConflict(view) && !isChecking(view));
        QCOMPARE(m_server.count(checkPath), 1);
        QCOMPARE(m_server.apiRequests().last().query.queryItemValue(u"poste"_s), u"42"_s);

        // Taking the existing user's details copies them but saving stays blocked.
        QTest::mouseClick(
            ViewTestEnv::button(view->findChild<ConflictBox *>(), u"Utiliser ces informations"_s),
            Qt::LeftButton);
        QCOMPARE(QStringList({ poste(view)->text(), field(view, u"telephone"_s)->value(),
                     field(view, u"nom"_s)->value(), field(view, u"prenom"_s)->value() }),
            QStringList({ u"42"_s, u"0611"_s, u"Martin"_s, u"Chloé"_s }));
        QVERIFY(!view->findChild<GradientButton *>()->isEnabled());

        // A failed check keeps the previous result.
        m_server.setHandler([](const TestRequest &) {
            return TestResponse { 500, "<html>error</html>", 0 };
        });
        QTest::keyClick(poste(view), Qt::Key_1);
        QTRY_COMPARE(m_server.count(checkPath), 2);
        QTRY_VERIFY(!isChecking(view));
        QVERIFY(showsConflict(view));
        QCOMPARE(view->findChild<ConflictBox *>()->accessibleDescription(),
            u"Utilisateur existant: Chloé Martin"_s);
        m_server.setHandler([](const TestRequest &request) { return checkPosteReply(request); });

        // The user's own number clears the conflict at once, without asking: a
        // number typed afterwards in another sheet is the next one checked.
        poste(view)->setText(u"24"_s);
        QVERIFY(!showsConflict(view) && view->findChild<GradientButton *>()->isEnabled());
        std::unique_ptr<SettingsView> other;
        QVERIFY(ViewTestEnv::openSheet(other, m_env->api, m_env->settings, m_env->startup));
        poste(other.get())->setText(u"31"_s);
        QTRY_COMPARE(m_server.count(checkPath), 3);
        QCOMPARE(m_server.apiRequests().last().query.queryItemValue(u"poste"_s), u"31"_s);

        // So does an emptied field, which may be saved.
        poste(view)->setText(u"42"_s);
        QTRY_VERIFY(showsConflict(view));
        poste(view)->clear();
        QVERIFY(!view->findChild<ConflictBox *>()->isVisible());
        view->saveSettings();
        QCOMPARE(m_env->storedValue(UserSettings::UserPoste).toString(), u""_s);
        QCOMPARE(m_server.requests().size(), 4);
    }

    void staleReply_isNeverAppliedOverANewerValue()
    {
        // "77" is taken but its answer is slow; by the time it arrives the user
        // has typed "778", which is free. The old answer must not show a conflict.
        m_server.setHandler([](const TestRequest &request) {
            const bool slow = request.query.queryItemValue(u"poste"_s) == u"77";
            return checkPosteReply(request, slow ? 600 : 0);
        });
        SettingsView *view = openSheet();
        QVERIFY(view);
        QSignalSpy replies(m_env->api.network(), &QNetworkAccessManager::finished);
        bool conflictSeen = false;
        QTimer watch;
        connect(
            &watch, &QTimer::timeout, view, [view, &conflictSeen] { conflictSeen |= showsConflict(view); });
        watch.start(10);
        poste(view)->setText(u"77"_s);
        QTRY_COMPARE(m_server.count(checkPath), 1);
        QTest::keyClick(poste(view), Qt::Key_8);
        QVERIFY(!isChecking(view));
        QTRY_COMPARE(m_server.count(checkPath), 2);
        QCOMPARE(m_server.apiRequests().last().query.queryItemValue(u"poste"_s), u"778"_s);
        // Until the slow answer for "77" has landed too.
        QTRY_COMPARE(replies.size(), 2);
        QVERIFY(!conflictSeen && !showsConflict(view) && view->findChild<GradientButton *>()->isEnabled());
    }

    void launchAtLoginSwitch_registersAndUnregistersOnClickOnly()
    {
        const QString entry = m_env->startup.entryPath();
        QVERIFY(entry.startsWith(m_config.path()));
        SettingsView *view = openSheet();
        ToggleSwitch *toggle = view->findChild<ToggleSwitch *>();
        QVERIFY(!toggle->isChecked() && !QFile::exists(entry)); // showing the screen changes nothing
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(StartupManager::entryIsEnabled(entry));
        // A new sheet shows the manager's state.
        QVERIFY(openSheet()->findChild<ToggleSwitch *>()->isChecked());
    }

    void companyBoxFollowsTheStoredCompany_companiesButtonOnlyForAdministrators()
    {
        const QString companies = u"companiesButton"_s;
        QVERIFY(!openSheet()->findChild<QPushButton *>(companies));
        m_env->settings.writeText(UserSettings::CompanyName, QString());
        QVERIFY(!openSheet()->findChild<CompanyBox *>());
        m_env->settings.writeBool(UserSettings::IsAdmin, true);
        // "Sociétés" asks for company management, which the window builds.
        SettingsView *view = openSheet();
        QSignalSpy asked(view, &SettingsView::companiesRequested);
        QTest::mouseClick(view->findChild<QPushButton *>(companies), Qt::LeftButton);
        QCOMPARE(asked.count(), 1);
    }

private:
    // The sheet's named parts; the spinner shows while a check is out.
    static QLineEdit *poste(QWidget *view) { return view->findChild<QLineEdit *>(u"poste"_s); }
    static FormField *field(QWidget *view, const QString &name) { return view->findChild<FormField *>(name); }
    static bool isChecking(QWidget *view) { return !view->findChild<QWidget *>(u"posteCheck"_s)->isHidden(); }
    static bool showsConflict(QWidget *view) { return !view->findChild<ConflictBox *>()->isHidden(); }

    SettingsView *openSheet()
    {
        return ViewTestEnv::openSheet(m_view, m_env->api, m_env->settings, m_env->startup);
    }

    std::unique_ptr<SettingsView> m_view;
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
