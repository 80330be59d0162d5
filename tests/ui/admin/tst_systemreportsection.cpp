#include "notificationdaemon.h"
#include "runtask.h"
#include "systemreport/systemreport.h"
#include "testing.h"
#include "ui/admin/systemreportsection.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/style.h"
#include "viewtestenv.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <algorithm>

namespace {

// A machine whose disk is nearly full, its other section sound, as the
// server hands it over.
QJsonObject troubledReport()
{
    return { { u"system"_s, QJsonObject { { u"hostname"_s, u"poste-compta-3"_s } } },
        { u"load"_s,
            QJsonObject { { u"disk_root"_s, u"47,1 Go utilisés sur 50 Go (94 %)"_s },
                { u"trouble"_s, QJsonArray { u"disk_full"_s } } } } };
}

} // namespace

// The system report in the staff's ticket detail, against a scripted server:
// what that server keeps and to whom it gives it is tst_serverreport's.
class TestSystemReportSection : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_env);
        // A session bus without a keyring: the staff session stays in a file.
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        RunTask::run(m_env->credentials.store(CredentialStore::Kind::StaffSession, u"session-7"_s));
    }

    void init() { m_server.clearRequests(); }

    void withReport_shownOnUnfold_troubleMarked_copied()
    {
        answer(TestResponse::json({ { u"success"_s, true }, { u"system_report"_s, troubledReport() } }));
        TicketDetailView view(m_env->api, m_env->conversations, ticket());
        SystemReportSection *section = shownSection(view);
        QVERIFY(section && !section->isUnfolded());
        QVERIFY(!ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only));

        // Unfolded from the keyboard: the header is a button of its own name.
        QAbstractButton *header = ViewTestEnv::button(section, u"Informations système"_s);
        QVERIFY(header && header->focusPolicy() & Qt::TabFocus);
        QSignalSpy loaded(section, &SystemReportSection::loadFinished);
        header->setFocus();
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(loaded.wait());
        QVERIFY(section->isUnfolded());
        const TestRequest asked = m_server.requestsTo(ReportPath).last();
        // As the staff, for this ticket.
        QCOMPARE(asked.query.queryItemValue(u"ticket_id"_s) + u' '
                + QString::fromLatin1(asked.headers.value("authorization")),
            u"41 Bearer session-7"_s);
        QVERIFY(ViewTestEnv::showsText(section, u"Système"_s));
        QVERIFY(ViewTestEnv::showsText(section, u"Charge"_s));

        QLabel *warning = ViewTestEnv::label(section, u"Disque presque plein (plus de 90 %)"_s);
        QVERIFY(warning && warning->isVisibleTo(section));
        // A warning's colour, not a stopping fault's.
        QCOMPARE(warning->palette().color(QPalette::WindowText).rgb(), Style::orange().rgb());
        // The sound section carries no mark.
        QCOMPARE(std::ranges::count_if(section->findChildren<QLabel *>(),
                     [](QLabel *label) { return label->text().startsWith(u"Disque presque plein"_s); }),
            1);

        QGuiApplication::clipboard()->clear();
        QAbstractButton *copy = ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only);
        QVERIFY(copy);
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), SystemReport::fromJson(troubledReport()).toText());

        // Folded and unfolded again: kept, not asked for twice.
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(!section->isUnfolded());
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(ViewTestEnv::showsText(section, u"Charge"_s));
        QVERIFY(!ViewTestEnv::showsText(section, u"Chargement du rapport..."_s));
        QCOMPARE(m_server.count(ReportPath), 1);
    }

    void withoutReport_saysSo_andOnlyForTheStaff()
    {
        answer(TestResponse::json({ { u"success"_s, true }, { u"system_report"_s, QJsonValue::Null } }));
        TicketDetailView view(m_env->api, m_env->conversations, ticket());
        SystemReportSection *section = shownSection(view);
        QVERIFY(section && unfold(section));
        QVERIFY(ViewTestEnv::showsText(section, u"Aucune information système jointe à ce ticket."_s));
        QVERIFY(!ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only));

        // Without a staff session there is no report to ask for.
        APIService user(m_env->configuration);
        TicketDetailView userFace(user, m_env->conversations, ticket());
        QVERIFY(!userFace.findChild<SystemReportSection *>());
    }

    // A refusal says the server's words; unfolding again asks once more.
    void refused_serverReasonShown_askedAgain()
    {
        answer(TestResponse::json({ { u"success"_s, false }, { u"error"_s, u"Ticket introuvable"_s } }, 404));
        TicketDetailView view(m_env->api, m_env->conversations, ticket());
        SystemReportSection *section = shownSection(view);
        QVERIFY(section && unfold(section));
        auto *error = section->findChild<NoticeBox *>();
        QVERIFY(error && error->isVisibleTo(section));
        QCOMPARE(error->text(), u"Ticket introuvable"_s);
        QVERIFY(!ViewTestEnv::showsText(section, u"Aucune information système jointe à ce ticket."_s));
        QTest::mouseClick(ViewTestEnv::button(section, u"Informations système"_s), Qt::LeftButton);
        QVERIFY(unfold(section));
        QCOMPARE(m_server.count(ReportPath), 2);
    }

private:
    inline static const QString ReportPath = u"/admin/ticket-report.php"_s;

    void answer(const TestResponse &response) { m_server.setReply(ReportPath, response); }

    static Ticket ticket()
    {
        Ticket ticket;
        ticket.id = 41;
        return ticket;
    }

    static SystemReportSection *shownSection(TicketDetailView &view)
    {
        view.show();
        return view.findChild<SystemReportSection *>();
    }

    // Clicks the header and waits for the report's answer.
    static bool unfold(SystemReportSection *section)
    {
        QSignalSpy loaded(section, &SystemReportSection::loadFinished);
        QTest::mouseClick(ViewTestEnv::button(section, u"Informations système"_s), Qt::LeftButton);
        return loaded.wait();
    }

    NotificationDaemon m_bus;
};

QTEST_MAIN(TestSystemReportSection)
#include "tst_systemreportsection.moc"
