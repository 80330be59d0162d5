#include "artifacts.h"
#include "views/formfield.h"
#include "views/gradientbutton.h"
#include "views/registerview.h"
#include "viewtestenv.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonObject companiesReply()
{
    return { { u"success"_s, true },
        { u"companies"_s,
            QJsonArray { QJsonObject { { u"id"_s, 3 }, { u"nom"_s, u"Alpha"_s }, { u"code"_s, u"A01"_s } },
                QJsonObject {
                    { u"id"_s, 7 }, { u"nom"_s, u"Brasserie Étoile"_s }, { u"code"_s, u"BE"_s } } } } };
}

} // namespace

class TestRegisterView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void companies_listedWithCodesAfterThePlaceholder();
    void submitButton_enabledOnlyForACompleteForm();
    void emptyCompanyList_neverAllowsSubmission();
    void failedCompanyLoad_showsBothMessages();
    void success_sendsTheFormAndStoresIdentityWithRegisteredLast();
    void slowServer_showsSpinnerAndBlocksSecondSubmission();
    void conflict409_showsOwnTextNotTheServers();
    void otherStatus_showsServerError();
    void undecodableReply_recoversTheAccountCreatedOnTheServer();
    void undecodableReply_failedRecoveryKeepsTheErrorBox();
    void droppedConnection_showsTheTransportTextWithoutRecovery();
    void escapeAndClose_doNotDismissTheSheet();

private:
    RegisterView *openSheet();
    void fill(RegisterView *view, int companyRow, const QString &poste, const QString &nom,
        const QString &prenom, const QString &telephone = QString());

    QTemporaryDir m_config;
    TestServer m_server;
    std::unique_ptr<RegisterView> m_view;
};

void TestRegisterView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
}

void TestRegisterView::init()
{
    m_view.reset();
    ViewTestEnv::clearSettings();
    m_server.requests.clear();
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        return TestResponse { 404, "{}", 0 };
    });
}

RegisterView *TestRegisterView::openSheet()
{
    m_view = std::make_unique<RegisterView>();
    m_view->show();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        return nullptr;
    return m_view.get();
}

void TestRegisterView::fill(RegisterView *view, int companyRow, const QString &poste, const QString &nom,
    const QString &prenom, const QString &telephone)
{
    view->companyPicker()->setCurrentIndex(companyRow);
    ViewTestEnv::typeText(view->posteField()->lineEdit(), poste);
    ViewTestEnv::typeText(view->nomField()->lineEdit(), nom);
    ViewTestEnv::typeText(view->prenomField()->lineEdit(), prenom);
    ViewTestEnv::typeText(view->telephoneField()->lineEdit(), telephone);
}

void TestRegisterView::companies_listedWithCodesAfterThePlaceholder()
{
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QComboBox *picker = view->companyPicker();
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->count(), 3);
    QCOMPARE(picker->itemText(0), u"Sélectionnez une société"_s);
    QCOMPARE(picker->itemData(0).toLongLong(), 0);
    QCOMPARE(picker->itemText(1), u"Alpha (A01)"_s);
    QCOMPARE(picker->itemData(2).toLongLong(), 7);
    QCOMPARE(view->selectedCompanyId(), 0);
    QCOMPARE(m_server.count(u"/company/list.php"_s), 1);
    QCOMPARE(m_server.requests.first().headers.value("x-api-token"), QByteArray(Configuration::ApiToken));
    QCOMPARE(picker->accessibleName(), u"Société (obligatoire)"_s);
    QCOMPARE(view->posteField()->lineEdit()->accessibleName(), u"Numéro de poste (obligatoire)"_s);
    QCOMPARE(view->telephoneField()->lineEdit()->accessibleName(), u"Téléphone"_s);
    QVERIFY(saveScreenshot(view, u"register"_s));
}

void TestRegisterView::submitButton_enabledOnlyForACompleteForm()
{
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    GradientButton *submit = view->submitButton();
    // Everything but the company: still disabled.
    fill(view, 0, u"24"_s, u"Durand"_s, u"Léa"_s);
    QVERIFY(!submit->isEnabled());
    view->companyPicker()->setCurrentIndex(1);
    QVERIFY(submit->isEnabled());
    view->prenomField()->lineEdit()->clear();
    QVERIFY(!submit->isEnabled());
    // A single space counts: nothing is trimmed.
    QTest::keyClick(view->prenomField()->lineEdit(), Qt::Key_Space);
    QVERIFY(submit->isEnabled());
    view->posteField()->lineEdit()->clear();
    QVERIFY(!submit->isEnabled());
}

void TestRegisterView::emptyCompanyList_neverAllowsSubmission()
{
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"success"_s, true }, { u"companies"_s, QJsonArray {} } });
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QVERIFY(!view->companyPicker()->isVisible());
    const QList<QLabel *> labels = view->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(),
        [](QLabel *label) { return label->isVisible() && label->text() == u"Aucune société disponible"; }));
    fill(view, -1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QVERIFY(!view->submitButton()->isEnabled());
    QVERIFY(!view->showError());
}

void TestRegisterView::failedCompanyLoad_showsBothMessages()
{
    m_server.setHandler([](const TestRequest &) { return TestResponse { 500, "oops", 0 }; });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(view->showError());
    QVERIFY(!view->isLoading());
    QCOMPARE(view->errorMessage(), u"Erreur de chargement des sociétés"_s);
    QVERIFY(!view->companyPicker()->isVisible());
    QVERIFY(!view->submitButton()->isEnabled());
    QVERIFY(saveScreenshot(view, u"register-load-failed"_s));
}

void TestRegisterView::success_sendsTheFormAndStoresIdentityWithRegisteredLast()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        if (request.path == u"/user/register.php")
            return TestResponse::json(
                { { u"success"_s, true }, { u"user_id"_s, 41 }, { u"message"_s, u"ok"_s } });
        return TestResponse { 404, "{}", 0 };
    });
    QStringList writes;
    UserSettings::shared().writeObserver = [&writes](const char *key) { writes << QString::fromLatin1(key); };
    auto forget = qScopeGuard([] { UserSettings::shared().writeObserver = nullptr; });

    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QSignalSpy completed(view, &RegisterView::registrationCompleted);
    fill(view, 2, u" 24"_s, u"Durand"_s, u"Léa"_s); // phone left empty
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_COMPARE(completed.count(), 1);
    QVERIFY(!view->isVisible());
    QVERIFY(!view->showError());

    const QList<TestRequest> sent = m_server.requestsTo(u"/user/register.php"_s);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().method, QByteArray("POST"));
    const QJsonObject body = sent.first().json();
    QCOMPARE(body.value(u"company_id"_s).toInteger(), 7);
    QCOMPARE(body.value(u"poste"_s).toString(), u" 24"_s);
    QCOMPARE(body.value(u"nom"_s).toString(), u"Durand"_s);
    QCOMPARE(body.value(u"prenom"_s).toString(), u"Léa"_s);
    QCOMPARE(body.value(u"telephone"_s), QJsonValue(u""_s));

    QCOMPARE(writes,
        QStringList({ u"user_id"_s, u"company_id"_s, u"company_code"_s, u"company_name"_s, u"user_poste"_s,
            u"user_nom"_s, u"user_prenom"_s, u"user_telephone"_s, u"is_registered"_s }));
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserId).toInt(), 41);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::CompanyId).toInt(), 7);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::CompanyName).toString(), u"Brasserie Étoile"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::CompanyCode).toString(), u"BE"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserPoste).toString(), u" 24"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserTelephone).toString(), u""_s);
    QVERIFY(UserSettings::shared().isRegistered());
}

void TestRegisterView::slowServer_showsSpinnerAndBlocksSecondSubmission()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        return TestResponse::json(
            { { u"success"_s, true }, { u"user_id"_s, 9 }, { u"message"_s, u"ok"_s } }, 200, 700);
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QSignalSpy completed(view, &RegisterView::registrationCompleted);
    fill(view, 1, u"5"_s, u"Roy"_s, u"Jo"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QVERIFY(view->isSubmitting());
    QVERIFY(view->submitButton()->isBusy());
    QVERIFY(!view->submitButton()->isEnabled());
    QVERIFY(saveScreenshot(view, u"register-submitting"_s));
    view->submitRegistration(); // a stray second activation sends nothing
    // Editing while the request is out must not store values the server never got.
    view->nomField()->setValue(u"Autre"_s);
    QTRY_COMPARE(completed.count(), 1);
    QCOMPARE(m_server.count(u"/user/register.php"_s), 1);
    QCOMPARE(
        m_server.requestsTo(u"/user/register.php"_s).first().json().value(u"nom"_s).toString(), u"Roy"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserNom).toString(), u"Roy"_s);
}

void TestRegisterView::conflict409_showsOwnTextNotTheServers()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        return TestResponse::json({ { u"error"_s, u"Poste pris"_s } }, 409);
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    fill(view, 1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Ce numéro de poste est déjà utilisé dans votre société"_s);
    QVERIFY(!view->isSubmitting());
    QVERIFY(view->submitButton()->isEnabled());
    QVERIFY(view->isVisible());
    QCOMPARE(view->posteField()->value(), u"24"_s); // kept for correction
    QVERIFY(!ViewTestEnv::storedValue(UserSettings::IsRegistered).isValid());
    QCOMPARE(m_server.count(u"/user/get-by-poste.php"_s), 0);
    QVERIFY(saveScreenshot(view, u"register-409"_s));
}

void TestRegisterView::otherStatus_showsServerError()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        return TestResponse::json({ { u"error"_s, u"boom"_s } }, 503);
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    fill(view, 1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QCOMPARE(view->errorMessage(), u"Erreur serveur"_s);
    // A new attempt hides the box first.
    m_server.setHandler([](const TestRequest &) {
        return TestResponse::json({ { u"error"_s, u"x"_s } }, 409, 400);
    });
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QVERIFY(!view->showError());
    QTRY_VERIFY(view->showError());
}

void TestRegisterView::undecodableReply_recoversTheAccountCreatedOnTheServer()
{
    // The server created the account but its answer is no record: the
    // screen must find the account instead of leaving the number blocked.
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        if (request.path == u"/user/register.php")
            return TestResponse { 200, "<html>Warning: something</html>", 0 };
        if (request.path == u"/user/get-by-poste.php")
            return TestResponse::json(
                { { u"success"_s, true },
                    { u"user"_s,
                        QJsonObject { { u"id"_s, 77 }, { u"company_id"_s, 3 }, { u"poste"_s, u"24"_s },
                            { u"nom"_s, u"DURAND"_s }, { u"prenom"_s, u"Léa"_s },
                            { u"telephone"_s, u"0102"_s }, { u"societe"_s, u"Alpha"_s },
                            { u"company_code"_s, u"A01"_s } } } },
                200, 300);
        return TestResponse { 404, "{}", 0 };
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QSignalSpy completed(view, &RegisterView::registrationCompleted);
    fill(view, 1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QVERIFY(view->errorMessage().startsWith(u"Erreur: "_s));
    QVERIFY(view->errorMessage().size() > 8);
    QTRY_COMPARE(completed.count(), 1);
    QVERIFY(!view->isVisible());

    const QList<TestRequest> lookups = m_server.requestsTo(u"/user/get-by-poste.php"_s);
    QCOMPARE(lookups.size(), 1);
    QCOMPARE(lookups.first().query.queryItemValue(u"company_id"_s), u"3"_s);
    QCOMPARE(lookups.first().query.queryItemValue(u"poste"_s), u"24"_s);
    // The personal fields come from the server's record.
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserId).toInt(), 77);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserNom).toString(), u"DURAND"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::UserTelephone).toString(), u"0102"_s);
    QCOMPARE(ViewTestEnv::storedValue(UserSettings::CompanyCode).toString(), u"A01"_s);
    QVERIFY(UserSettings::shared().isRegistered());
}

void TestRegisterView::undecodableReply_failedRecoveryKeepsTheErrorBox()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        if (request.path == u"/user/register.php")
            return TestResponse::json(
                { { u"success"_s, true }, { u"user_id"_s, u"41"_s }, { u"message"_s, u"ok"_s } });
        return TestResponse { 200, "not json", 0 };
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    QSignalSpy completed(view, &RegisterView::registrationCompleted);
    fill(view, 1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_COMPARE(m_server.count(u"/user/get-by-poste.php"_s), 1);
    QTRY_VERIFY(view->showError());
    // The failed lookup must not close the sheet, however long we give it.
    QVERIFY(!QTest::qWaitFor([&completed] { return completed.count() > 0; }, 300));
    QVERIFY(view->isVisible());
    QVERIFY(view->errorMessage().startsWith(u"Erreur: "_s));
    QVERIFY(!ViewTestEnv::storedValue(UserSettings::IsRegistered).isValid());
}

void TestRegisterView::droppedConnection_showsTheTransportTextWithoutRecovery()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/list.php")
            return TestResponse::json(companiesReply());
        return TestResponse { -1, {}, 0 };
    });
    RegisterView *view = openSheet();
    QVERIFY(view);
    QTRY_VERIFY(!view->isLoading());
    fill(view, 1, u"24"_s, u"Durand"_s, u"Léa"_s);
    QTest::mouseClick(view->submitButton(), Qt::LeftButton);
    QTRY_VERIFY(view->showError());
    QVERIFY(view->errorMessage().startsWith(u"Erreur: "_s));
    QVERIFY(view->errorMessage().size() > 8);
    // Nothing was created on the server's side as far as we know: no lookup.
    QCOMPARE(m_server.count(u"/user/get-by-poste.php"_s), 0);
    QVERIFY(view->submitButton()->isEnabled());
}

void TestRegisterView::escapeAndClose_doNotDismissTheSheet()
{
    RegisterView *view = openSheet();
    QVERIFY(view);
    QCOMPARE(view->size(), QSize(520, 650));
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(view->isVisible());
    view->close();
    QVERIFY(view->isVisible());
}

QTEST_MAIN(TestRegisterView)
#include "tst_registerview.moc"
