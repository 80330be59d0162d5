#include "core/apiservice.h"
#include "core/credentialstore.h"
#include "core/systemreport/systemreport.h"
#include "notificationdaemon.h"
#include "runtask.h"
#include "serverprocess.h"
#include "ui/admin/systemreportsection.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/style.h"
#include "viewtestenv.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr auto Password = "correct-horse-7";

// A machine whose disk is nearly full, its other sections in order.
SystemReport troubledReport()
{
    ReportPart system { QString::fromLatin1(SystemReport::System), {}, {} };
    system.add(u"hostname"_s, u"poste-compta-3"_s);
    ReportPart load { QString::fromLatin1(SystemReport::Load), {}, {} };
    load.add(u"disk_root"_s, u"47,1 Go utilisés sur 50 Go (94 %)"_s);
    load.flag(Trouble::DiskFull);
    SystemReport report;
    report.setPart(system);
    report.setPart(load);
    return report;
}

// Whether the widget shows some pixel of colour's hue, strongly coloured.
bool showsHueOf(QWidget *widget, const QColor &colour)
{
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.hsvSaturation() > 120 && pixel.value() > 120
                && qAbs(pixel.hsvHue() - colour.hsvHue()) < 8)
                return true;
        }
    return false;
}

} // namespace

// The system report in the staff's ticket detail, against a real server in
// accounts mode: a user's ticket sent with one and one sent without.
class TestSystemReportSection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QProcess staff;
        staff.start(qEnvironmentVariable("NORVIK_SERVER_BIN"),
            { u"staff"_s, u"add"_s, u"boss"_s, u"--db"_s, m_server.dbPath() });
        staff.write(Password);
        staff.closeWriteChannel();
        QVERIFY(staff.waitForFinished(60000) && staff.exitCode() == 0);
        m_configuration.apiBase = m_server.apiBase();
        m_staffStore.emplace(u"norvik-support-test"_s, m_dir.filePath(u"staff.json"_s));
        m_userStore.emplace(u"norvik-support-test"_s, m_dir.filePath(u"user.json"_s));
        m_staff.emplace(m_configuration, *m_staffStore);
        m_user.emplace(m_configuration, *m_userStore);
        RunTask::run(m_staff->staffLogin(u"boss"_s, QString::fromLatin1(Password)));
        const qint64 company = RunTask::run(m_staff->createCompany(u"Acme"_s, u"ACME1"_s));
        m_userId
            = RunTask::run(m_user->registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, u"06"_s)).userId;
    }

    void withReport_shownOnUnfold_troubleMarked_copied()
    {
        const Ticket ticket = newTicket(troubledReport().toJson());
        TicketDetailView view(*m_staff, ticket);
        view.show();
        auto *section = view.findChild<SystemReportSection *>();
        QVERIFY(section);
        QVERIFY(!section->isUnfolded());
        QVERIFY(!ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only));

        // Unfolded from the keyboard: the header is a button of its own name.
        QAbstractButton *header = ViewTestEnv::button(section, u"Informations système"_s);
        QVERIFY(header && header->focusPolicy() & Qt::TabFocus);
        QSignalSpy loaded(section, &SystemReportSection::loadFinished);
        header->setFocus();
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(loaded.wait());
        QVERIFY(section->isUnfolded());
        QVERIFY(ViewTestEnv::showsText(section, u"Système"_s));
        QVERIFY(ViewTestEnv::showsText(section, u"Charge"_s));

        QLabel *warning = ViewTestEnv::label(section, u"Disque presque plein (plus de 90 %)"_s);
        QVERIFY(warning && warning->isVisibleTo(section));
        QTRY_VERIFY(showsHueOf(warning, Style::orange()));
        // The sound section carries no mark.
        QCOMPARE(std::ranges::count_if(section->findChildren<QLabel *>(),
                     [](QLabel *label) { return label->text().startsWith(u"Disque presque plein"_s); }),
            1);

        QGuiApplication::clipboard()->clear();
        QAbstractButton *copy = ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only);
        QVERIFY(copy);
        QTest::mouseClick(copy, Qt::LeftButton);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, troubledReport().toText());
        QVERIFY(copied.contains(u"poste-compta-3"_s) && copied.contains(u"94 %"_s));

        // Folded and unfolded again: kept, not asked for twice.
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(!section->isUnfolded());
        QTest::keyClick(header, Qt::Key_Space);
        QVERIFY(ViewTestEnv::showsText(section, u"Charge"_s));
        QVERIFY(!ViewTestEnv::showsText(section, u"Chargement du rapport..."_s));
        QCOMPARE(loaded.count(), 1);
    }

    void withoutReport_saysSo_andOnlyForTheStaff()
    {
        const Ticket ticket = newTicket(std::nullopt);
        TicketDetailView view(*m_staff, ticket);
        view.show();
        auto *section = view.findChild<SystemReportSection *>();
        QVERIFY(section);
        QSignalSpy loaded(section, &SystemReportSection::loadFinished);
        QTest::mouseClick(ViewTestEnv::button(section, u"Informations système"_s), Qt::LeftButton);
        QVERIFY(loaded.wait());
        QVERIFY(ViewTestEnv::showsText(section, u"Aucune information système jointe à ce ticket."_s));
        QVERIFY(!ViewTestEnv::button(section, u"Copier"_s, ViewTestEnv::Shown::Only));

        // Without a staff session there is no report to ask for.
        TicketDetailView userFace(*m_user, ticket);
        QVERIFY(!userFace.findChild<SystemReportSection *>());
    }

    // A refusal says the server's words; unfolding again asks once more.
    void refused_serverReasonShown_askedAgain()
    {
        Ticket gone;
        gone.id = 987654;
        TicketDetailView view(*m_staff, gone);
        view.show();
        auto *section = view.findChild<SystemReportSection *>();
        QVERIFY(section);
        QSignalSpy loaded(section, &SystemReportSection::loadFinished);
        QAbstractButton *header = ViewTestEnv::button(section, u"Informations système"_s);
        QTest::mouseClick(header, Qt::LeftButton);
        QVERIFY(loaded.wait());
        auto *error = section->findChild<NoticeBox *>();
        QVERIFY(error && error->isVisibleTo(section));
        QCOMPARE(error->text(), u"Ticket introuvable"_s);
        QVERIFY(!ViewTestEnv::showsText(section, u"Aucune information système jointe à ce ticket."_s));
        QTest::mouseClick(header, Qt::LeftButton);
        QTest::mouseClick(header, Qt::LeftButton);
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.count(), 2);
    }

private:
    Ticket newTicket(const std::optional<QJsonObject> &report)
    {
        const qint64 id = RunTask::run(
            m_user->createTicket(m_userId, u"Lent"_s, u"Tout rame"_s, u"normale"_s, std::nullopt, report));
        for (const Ticket &ticket : RunTask::run(m_staff->getAllTickets()))
            if (ticket.id == id)
                return ticket;
        return {};
    }

    QTemporaryDir m_dir;
    NotificationDaemon m_bus;
    ServerProcess m_server { { u"--auth"_s, u"accounts"_s } };
    Configuration m_configuration;
    std::optional<CredentialStore> m_staffStore, m_userStore;
    std::optional<APIService> m_staff, m_user;
    qint64 m_userId = 0;
};

QTEST_MAIN(TestSystemReportSection)
#include "tst_systemreportsection.moc"
