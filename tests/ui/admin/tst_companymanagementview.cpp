#include "testserver.h"
#include "ui/admin/addcompanyview.h"
#include "ui/admin/companymanagementview.h"
#include "ui/widgets/gradientbutton.h"
#include "viewtestenv.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString listPath = u"/company/list.php"_s;

TestResponse companies(const QStringList &names, int delayMs = 0)
{
    QJsonArray list;
    for (const QString &name : names)
        list.append(QJsonObject { { u"id"_s, list.size() + 1 }, { u"nom"_s, name }, { u"code"_s, u"C"_s } });
    return TestResponse::json({ { u"success"_s, true }, { u"companies"_s, list } }, 200, delayMs);
}

} // namespace

// The company list against replies that come late or after its form is gone;
// listing and creating against the real server are in tst_adminflow.
class TestCompanyManagementView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void overlappingLoads_latestReplyWins();
    void formClosedDuringItsRequest_stillReloadsTheList();

private:
    QTemporaryDir m_config;
    TestServer m_server;
};

void TestCompanyManagementView::initTestCase()
{
    QVERIFY(ViewTestEnv::prepare(m_config, m_server));
}

void TestCompanyManagementView::overlappingLoads_latestReplyWins()
{
    int served = 0;
    m_server.setHandler([&served](const TestRequest &) {
        const bool first = served++ == 0;
        return first ? companies({ u"Ancienne"_s }, 600) : companies({ u"Ancienne"_s, u"Nouvelle"_s });
    });
    QSignalSpy replies(APIService::shared().network(), &QNetworkAccessManager::finished);
    CompanyManagementView view(APIService::shared());
    view.open();
    QTRY_COMPARE(m_server.count(listPath), 1);
    view.loadCompanies();
    QTRY_COMPARE(replies.size(), 2);
    QCOMPARE(view.companies().size(), 2);
    QVERIFY(!view.isLoading());
}

void TestCompanyManagementView::formClosedDuringItsRequest_stillReloadsTheList()
{
    m_server.setHandler([](const TestRequest &request) {
        if (request.path == u"/company/create.php")
            return TestResponse::json(
                { { u"success"_s, true }, { u"company_id"_s, 9 }, { u"message"_s, u"ok"_s } }, 200, 400);
        return companies({ u"Alpha"_s });
    });
    CompanyManagementView view(APIService::shared());
    view.open();
    QTRY_VERIFY(!view.isLoading());
    const qsizetype loads = m_server.count(listPath);
    view.showAddCompany();
    auto *form = view.findChild<AddCompanyView *>();
    QVERIFY(form);
    QTest::keyClicks(form->nameField(), u"Scierie"_s);
    QTest::keyClicks(form->codeField(), u"SCI1"_s);
    QTest::mouseClick(form->findChild<GradientButton *>(), Qt::LeftButton);
    QTRY_COMPARE(m_server.count(u"/company/create.php"_s), 1);
    form->close();
    QTRY_COMPARE(m_server.count(listPath), loads + 1);
}

QTEST_MAIN(TestCompanyManagementView)
#include "tst_companymanagementview.moc"
