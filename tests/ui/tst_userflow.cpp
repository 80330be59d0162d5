#include "core/apiservice.h"
#include "core/configuration.h"
#include "core/usersettings.h"
#include "serverprocess.h"
#include "testing.h"
#include "ui/createticketview.h"
#include "ui/homebutton.h"
#include "ui/homeview.h"
#include "ui/myticketsmodel.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/settingsview.h"
#include "ui/usercard.h"
#include "ui/widgets/formfield.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/segmentedpicker.h"
#include "viewtestenv.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>

// A newcomer's whole day against norvik-server with its demo data: register,
// file a ticket with a screenshot, find it in "Mes tickets", then correct
// the settings.
class TestUserFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_files.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("XDG_STATE_HOME", (m_config.path() + u"/state"_s).toUtf8());
        m_server = std::make_unique<ServerProcess>(QStringList { u"--demo"_s });
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        Configuration configuration;
        configuration.apiBase = m_server->apiBase();
        configuration.wsURL = m_server->wsUrl();
        m_env = std::make_unique<ViewTestEnv::Program>(configuration);
        m_env->api.setTransferTimeout(10000);
    }

    void cleanupTestCase()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            delete widget;
        QVERIFY(m_server->stop());
    }

    void newUser_registersFilesATicketSeesItAndCorrectsSettings()
    {
        HomeView home(m_env->services());
        home.resize(640, 820);
        home.show();
        QVERIFY(QTest::qWaitForWindowExposed(&home));

        // 1. The registration sheet offers itself and lists the server's companies.
        QTRY_VERIFY(home.findChild<RegisterView *>() && home.findChild<RegisterView *>()->isVisible());
        RegisterView *registration = home.findChild<RegisterView *>();
        QTRY_VERIFY(registration->findChild<QComboBox *>()->count() > 1);
        const int morvan = registration->findChild<QComboBox *>()->findText(u"Transports Morvan (TMO)"_s);
        QVERIFY(morvan > 0);
        registration->findChild<QComboBox *>()->setCurrentIndex(morvan);
        registration->findChild<FormField *>(u"poste"_s)->setValue(u"T-7"_s);
        registration->findChild<FormField *>(u"nom"_s)->setValue(u"Lemaire"_s);
        registration->findChild<FormField *>(u"prenom"_s)->setValue(u"Inès"_s);
        registration->findChild<FormField *>(u"telephone"_s)->setValue(u"06 12 34 56 78"_s);
        QTest::mouseClick(registration->findChild<GradientButton *>(), Qt::LeftButton);
        QTRY_VERIFY(!home.findChild<RegisterView *>());
        // The home screen follows: a registered user files tickets.
        QVERIFY(ViewTestEnv::button(&home, u"Démarrer un ticket"_s, ViewTestEnv::Shown::Only));
        QVERIFY(m_env->settings.readInteger(UserSettings::UserId) > 2); // after the two demo users
        QCOMPARE(home.findChild<UserCard *>()->accessibleName(), u"Inès Lemaire"_s);

        // 2. A ticket with a screenshot. The PNG the form sends is checked in
        // tst_createticketview, its keeping on the server in tst_serverapi.
        const QString shot = m_files.filePath(u"shot.png"_s);
        QImage picture(3000, 1500, QImage::Format_RGB32);
        picture.fill(QColor(240, 240, 240));
        QVERIFY(picture.save(shot));
        home.findChildren<HomeButton *>().at(1)->click();
        CreateTicketView *form = home.findChild<CreateTicketView *>();
        QVERIFY(form);
        form->findChild<QLineEdit *>(u"titre"_s)->setText(u"Imprimante en erreur"_s);
        form->findChild<QPlainTextEdit *>(u"description"_s)->setPlainText(u"Le voyant clignote orange."_s);
        form->findChild<SegmentedPicker *>(u"priority"_s)->setValue(u"critique"_s);
        QVERIFY(form->loadAttachment(shot));
        QTest::mouseClick(form->findChild<GradientButton *>(u"send"_s), Qt::LeftButton);
        QTRY_VERIFY(form->findChild<NoticeBox *>(u"success"_s)->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(
            !home.findChild<CreateTicketView *>(), CreateTicketView::CloseDelayMs + 3000);

        // 3. "Mes tickets" shows it, in progress.
        home.findChildren<HomeButton *>().at(2)->click();
        MyTicketsView *list = home.findChild<MyTicketsView *>();
        QVERIFY(list);
        const QListView *cards = list->findChild<QListView *>(u"list"_s);
        QTRY_VERIFY(cards->isVisible());
        QCOMPARE(cards->model()->rowCount(), 1);
        // Its title and priority words are read in tst_myticketsview.
        QCOMPARE(cards->model()->index(0, 0).data(MyTicketsModel::StatusWordRole).toString(), u"En cours"_s);
        list->dismiss();

        // 4. Settings: a new number is saved and the home screen's card follows.
        // The values written, and a taken number refused, are in tst_settingsview;
        // the holder of a number found on the server in tst_serverapi.
        home.openSettings();
        SettingsView *settings = home.findChild<SettingsView *>();
        QVERIFY(settings);
        settings->findChild<QLineEdit *>(u"poste"_s)->setText(u"T-8"_s);
        QTest::mouseClick(settings->findChild<GradientButton *>(), Qt::LeftButton);
        QVERIFY(!settings->isVisible());
        QCOMPARE(home.findChild<UserCard *>()->accessibleDescription(), u"Poste T-8 • Transports Morvan"_s);
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<ViewTestEnv::Program> m_env;
};

QTEST_MAIN(TestUserFlow)
#include "tst_userflow.moc"
