#include "updateprompt.h"

#include "desktopintegration.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

UpdatePrompt::UpdatePrompt(Updater *updater, const QString &runningVersion, QObject *parent)
    : QObject(parent)
    , m_runningVersion(runningVersion)
{
    connect(updater, &Updater::upToDate, this, [this](Updater::Check check) {
        if (check == Updater::Check::UserStarted)
            showUpToDate();
    });
    connect(updater, &Updater::updateAvailable, this,
        [this](const UpdateInfo &info, Updater::Check) { showUpdate(info); });
    connect(updater, &Updater::failed, this, [this](const QString &message, Updater::Check check) {
        if (check == Updater::Check::UserStarted)
            showFailure(message);
    });
}

UpdatePrompt::~UpdatePrompt()
{
    delete m_dialog;
}

QMessageBox *UpdatePrompt::newDialog()
{
    // One answer on screen at a time: a new one replaces the previous.
    delete m_dialog;
    auto *box = new QMessageBox;
    box->setObjectName(QString::fromLatin1(DialogName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(u"Mises à jour de Norvik Support"_s);
    box->setWindowIcon(DesktopIntegration::applicationIcon());
    m_dialog = box;
    return box;
}

void UpdatePrompt::showUpToDate()
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Information);
    box->setText(u"Norvik Support est à jour."_s);
    box->setInformativeText(u"La version %1 est la plus récente."_s.arg(m_runningVersion));
    box->addButton(u"OK"_s, QMessageBox::AcceptRole);
    box->open();
}

void UpdatePrompt::showUpdate(const UpdateInfo &info)
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Information);
    box->setText(u"Une nouvelle version de Norvik Support est disponible."_s);
    QString details = u"La version %1 est disponible ; vous avez la version %2."_s.arg(
        info.displayVersion().toHtmlEscaped(), m_runningVersion.toHtmlEscaped());
    if (!info.releaseNotesUrl.isEmpty())
        details += u"<br><a href=\"%1\">Notes de version</a>"_s.arg(
            QString::fromUtf8(info.releaseNotesUrl.toEncoded()).toHtmlEscaped());
    box->setTextFormat(Qt::RichText);
    box->setInformativeText(details);
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);
    QPushButton *download = box->addButton(u"Télécharger"_s, QMessageBox::AcceptRole);
    box->addButton(u"Plus tard"_s, QMessageBox::RejectRole);
    box->setDefaultButton(download);
    const QUrl page = info.downloadUrl;
    connect(download, &QPushButton::clicked, this, [page] { QDesktopServices::openUrl(page); });
    box->open();
}

void UpdatePrompt::showFailure(const QString &message)
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Warning);
    box->setText(u"La recherche de mises à jour a échoué."_s);
    box->setInformativeText(message);
    box->addButton(u"OK"_s, QMessageBox::AcceptRole);
    box->open();
}
