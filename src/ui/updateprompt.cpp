#include "updateprompt.h"

#include "desktopintegration.h"
#include "ui/widgets/style.h"

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
    // A window of its own, on no screen that could lend it the look.
    Style::applyTo(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(tr("Mises à jour de Norvik Support"));
    box->setWindowIcon(DesktopIntegration::applicationIcon());
    m_dialog = box;
    return box;
}

void UpdatePrompt::showUpToDate()
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Information);
    box->setText(tr("Norvik Support est à jour."));
    box->setInformativeText(tr("La version %1 est la plus récente.").arg(m_runningVersion));
    box->addButton(tr("OK"), QMessageBox::AcceptRole);
    box->open();
}

void UpdatePrompt::showUpdate(const UpdateInfo &info)
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Information);
    box->setText(tr("Une nouvelle version de Norvik Support est disponible."));
    QString details = tr("La version %1 est disponible ; vous avez la version %2.")
                          .arg(info.displayVersion().toHtmlEscaped(), m_runningVersion.toHtmlEscaped());
    if (!info.releaseNotesUrl.isEmpty())
        details += tr("<br><a href=\"%1\">Notes de version</a>")
                       .arg(QString::fromUtf8(info.releaseNotesUrl.toEncoded()).toHtmlEscaped());
    box->setTextFormat(Qt::RichText);
    box->setInformativeText(details);
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);
    QPushButton *download = box->addButton(tr("Télécharger"), QMessageBox::AcceptRole);
    box->addButton(tr("Plus tard"), QMessageBox::RejectRole);
    box->setDefaultButton(download);
    const QUrl page = info.downloadUrl;
    connect(download, &QPushButton::clicked, this, [page] { QDesktopServices::openUrl(page); });
    box->open();
}

void UpdatePrompt::showFailure(const QString &message)
{
    QMessageBox *box = newDialog();
    box->setIcon(QMessageBox::Warning);
    box->setText(tr("La recherche de mises à jour a échoué."));
    box->setInformativeText(message);
    box->addButton(tr("OK"), QMessageBox::AcceptRole);
    box->open();
}
