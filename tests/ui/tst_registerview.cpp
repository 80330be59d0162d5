#include "admin/ticketjson.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/registerview.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/noticebox.h"
#include "viewtestenv.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>

namespace {

TestResponse registered(qint64 userId, int delayMs = 0)
{
    return TestResponse::json(
        { { u"success"_s, true }, { u"user_id"_s, userId }, { u"message"_s, u"ok"_s } }, 200, delayMs);
}

const QString lookupPath = u"/user/get-by-poste.php"_s;

} // namespace

class TestRegisterView : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        m_env->settings.writeObserver = [this](const char *key) { m_writes << QString::fromLatin1(key); };
    }

    void init()
    {
        m_view.reset();
        m_env->clearSettings();
        m_server.clearRequests();
        answer({ 404, "{}", 0 });
    }

    void companyListProblems_neverAllowSubmission_onlyAFailureOffersRetry()
    {
        // An empty list: a word of it, nothing to submit and nothing to retry.
        m_server.setHandler([](const TestRequest &) { return TestResponse::json(companyList({})); });
        RegisterView *view = openSheet();
        QTRY_VERIFY(m_server.count(u"/company/list.php"_s) == 1 && !isLoading(view));
        QVERIFY(ViewTestEnv::showsText(view, u"Aucune société disponible"_s) && errorBox(view)->isHidden());
        QVERIFY(!ViewTestEnv::button(view, u"Réessayer"_s, ViewTestEnv::Shown::Only));

        m_server.setHandler([](const TestRequest &) { return TestResponse { 500, "oops", 0 }; });
        view = openSheet();
        QTRY_VERIFY(m_server.count(u"/company/list.php"_s) == 2 && !isLoading(view));
        QCOMPARE(errorBox(view)->text(), u"Erreur de chargement des sociétés"_s);
        fill(view, -1, u"24"_s);
        QVERIFY(!view->findChild<GradientButton *>()->isEnabled()
            && !view->findChild<QComboBox *>()->isVisible());
        answer({ 404, "{}", 0 });
        QAbstractButton *retry = ViewTestEnv::button(view, u"Réessayer"_s, ViewTestEnv::Shown::Only);
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_COMPARE(view->findChild<QComboBox *>()->count(), 3);
        QVERIFY(errorBox(view)->isHidden() && !retry->isVisible());
    }

    void completeFormOnly_slowServerBlocksSecondSubmissionAndStoresWhatWasSent()
    {
        answer(registered(41, 700));
        RegisterView *view = openFilled(0, u" 24"_s); // phone left empty
        QVERIFY(view);
        m_writes.clear();
        // The button waits for a complete form, company included; nothing is trimmed.
        QVERIFY(!view->findChild<GradientButton *>()->isEnabled());
        view->findChild<QComboBox *>()->setCurrentIndex(2);
        field(view, u"prenom"_s)->setValue(u" "_s);
        QVERIFY(view->findChild<GradientButton *>()->isEnabled());
        // Registration is not optional: neither Escape nor closing dismisses the sheet.
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!view->close() && view->isVisible());
        QSignalSpy completed(view, &RegisterView::registrationCompleted);
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(view->findChild<GradientButton *>()->isBusy()
            && !view->findChild<GradientButton *>()->isEnabled());
        view->submitRegistration(); // a stray second activation sends nothing
        // Editing while the request is out must not store values the server never got.
        field(view, u"nom"_s)->setValue(u"Autre"_s);
        QTRY_COMPARE(completed.count(), 1);
        QVERIFY(!view->isVisible());

        const QList<TestRequest> sent = m_server.requestsTo(u"/user/register.php"_s);
        QCOMPARE(sent.size(), 1);
        const QJsonObject body = sent.first().json();
        QCOMPARE(body.value(u"company_id"_s).toInteger(), 7);
        QCOMPARE(body.value(u"poste"_s).toString() + u'|' + body.value(u"nom"_s).toString(), u" 24|Durand"_s);
        QCOMPARE(body.value(u"telephone"_s), QJsonValue(u""_s));
        // The registered flag goes last, so an interrupted write leaves no half identity behind it.
        QCOMPARE(m_writes,
            QStringList({ u"user_id"_s, u"company_id"_s, u"company_code"_s, u"company_name"_s,
                u"user_poste"_s, u"user_nom"_s, u"user_prenom"_s, u"user_telephone"_s, u"is_registered"_s }));
        QCOMPARE(m_env->storedValue(UserSettings::UserNom).toString(), u"Durand"_s);
        QCOMPARE(m_env->storedValue(UserSettings::CompanyCode).toString(), u"BE"_s);
    }

    void undecodableReply_recoversTheAccountCreatedOnTheServer()
    {
        // The server created the account but its answer is no record: the
        // screen must find the account instead of leaving the number blocked.
        answer({ 200, "<html>Warning: something</html>", 0 },
            TestResponse::json(
                { { u"success"_s, true },
                    { u"user"_s,
                        QJsonObject { { u"id"_s, 77 }, { u"company_id"_s, 3 }, { u"poste"_s, u"24"_s },
                            { u"nom"_s, u"DURAND"_s }, { u"prenom"_s, u"Léa"_s },
                            { u"telephone"_s, u"0102"_s }, { u"societe"_s, u"Alpha"_s },
                            { u"company_code"_s, u"A01"_s } } } },
                200, 300));
        RegisterView *view = openFilled();
        QVERIFY(view);
        QSignalSpy completed(view, &RegisterView::registrationCompleted);
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QTRY_COMPARE(completed.count(), 1);

        const QList<TestRequest> lookups = m_server.requestsTo(lookupPath);
        QCOMPARE(lookups.size(), 1);
        QCOMPARE(lookups.first().query.toString(QUrl::FullyDecoded), u"company_id=3&poste=24"_s);
        // The personal fields come from the server's record.
        QCOMPARE(m_env->storedValue(UserSettings::UserId).toInt(), 77);
        QCOMPARE(m_env->storedValue(UserSettings::UserNom).toString(), u"DURAND"_s);
        QVERIFY(m_env->settings.isRegistered());
    }

    void failures_showTheirTextAndKeepTheForm_data()
    {
        // An expected text ending in a space is the prefix of the client's own words.
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("lookups");
        QTest::newRow("409 with the server's own words")
            << 409 << QByteArray(R"({"error":"Poste pris"})")
            << u"Ce numéro de poste est déjà utilisé dans votre société"_s << 0;
        // Never the recovery: the number belongs to someone else.
        QTest::newRow("409 that cannot be read")
            << 409 << QByteArray("<html>Conflict</html>")
            << u"Ce numéro de poste est déjà utilisé dans votre société"_s << 0;
        QTest::newRow("other status") << 503 << QByteArray(R"({"error":"boom"})") << u"Erreur serveur"_s << 0;
        QTest::newRow("dropped connection, nothing created") << -1 << QByteArray() << u"Erreur: "_s << 0;
        QTest::newRow("undecodable reply, failed lookup")
            << 200 << QByteArray(R"({"success":true,"user_id":"41","message":"ok"})") << u"Erreur: "_s << 1;
    }

    void failures_showTheirTextAndKeepTheForm()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QFETCH(int, lookups);
        answer({ status, body, 0 }, { 200, "not json", 0 });
        RegisterView *view = openFilled();
        QVERIFY(view);
        QSignalSpy completed(view, &RegisterView::registrationCompleted);
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QTRY_VERIFY(!errorBox(view)->isHidden());
        QTRY_COMPARE(m_server.count(lookupPath), lookups);
        if (expected.endsWith(u' '))
            QVERIFY2(errorBox(view)->text().startsWith(expected)
                    && errorBox(view)->text().size() > expected.size(),
                qPrintable(errorBox(view)->text()));
        else
            QCOMPARE(errorBox(view)->text(), expected);
        QVERIFY(view->isVisible() && view->findChild<GradientButton *>()->isEnabled());
        QVERIFY(!m_env->storedValue(UserSettings::IsRegistered).isValid());
        // A new attempt hides the box first.
        m_server.setHandler([](const TestRequest &) { return TestResponse::json({}, 409, 400); });
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(errorBox(view)->isHidden());
        QTRY_VERIFY(!errorBox(view)->isHidden());
        // A failed lookup did not close the sheet, not even by the end of this later attempt.
        QCOMPARE(completed.count(), 0);
        QCOMPARE(m_server.count(lookupPath), lookups);
    }

    void unwritableSettings_showTheError_nextTryStoresWithoutRegisteringAgain()
    {
        answer(registered(41));
        RegisterView *view = openFilled();
        QVERIFY(view);
        QSignalSpy completed(view, &RegisterView::registrationCompleted);
        {
            ViewTestEnv::UnwritableSettings blocked(*m_env);
            QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
            QTRY_VERIFY(!errorBox(view)->isHidden());
            QCOMPARE(errorBox(view)->text(), m_env->settings.writeFailureText());
            QVERIFY(view->isVisible() && !m_env->settings.isRegistered()); // the store reads as the disk
        }
        // The account exists on the server now: it is stored, not registered twice.
        QTest::mouseClick(view->findChild<GradientButton *>(), Qt::LeftButton);
        QTRY_COMPARE(completed.count(), 1);
        QCOMPARE(m_server.count(u"/user/register.php"_s), 1);
        QCOMPARE(m_env->storedValue(UserSettings::UserId).toInt(), 41);
    }

private:
    // The company list, then these answers to registration and to the lookup.
    void answer(const TestResponse &registration, const TestResponse &lookup = { 404, "{}", 0 })
    {
        m_server.setHandler([registration, lookup](const TestRequest &request) {
            if (request.path == u"/company/list.php")
                return TestResponse::json(
                    companyList({ { 3, "Alpha", "A01" }, { 7, "Brasserie Étoile", "BE" } }));
            if (request.path == u"/user/register.php")
                return registration;
            return request.path == lookupPath ? lookup : TestResponse { 404, "{}", 0 };
        });
    }

    // The sheet's named parts.
    static FormField *field(QWidget *view, const QString &name) { return view->findChild<FormField *>(name); }
    static NoticeBox *errorBox(QWidget *view) { return view->findChild<NoticeBox *>(u"error"_s); }
    static bool isLoading(QWidget *view)
    {
        return view->findChild<QStackedWidget *>(u"companySection"_s)->currentWidget()->objectName()
            == u"loading";
    }

    RegisterView *openSheet() { return ViewTestEnv::openSheet(m_view, m_env->api, m_env->settings); }

    // A sheet with its companies loaded and a complete form.
    RegisterView *openFilled(int companyRow = 1, const QString &poste = u"24"_s)
    {
        RegisterView *view = openSheet();
        if (!view || !QTest::qWaitFor([view] { return view->findChild<QComboBox *>()->count() > 1; }))
            return nullptr;
        fill(view, companyRow, poste);
        return view;
    }

    void fill(RegisterView *view, int companyRow, const QString &poste)
    {
        view->findChild<QComboBox *>()->setCurrentIndex(companyRow);
        ViewTestEnv::typeText(field(view, u"poste"_s)->lineEdit(), poste);
        ViewTestEnv::typeText(field(view, u"nom"_s)->lineEdit(), u"Durand"_s);
        ViewTestEnv::typeText(field(view, u"prenom"_s)->lineEdit(), u"Léa"_s);
    }

    std::unique_ptr<RegisterView> m_view;
    QStringList m_writes; // the keys written, in order
};

QTEST_MAIN(TestRegisterView)
#include "tst_registerview.moc"
