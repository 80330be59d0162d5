#pragma once

#include "core/updater.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

// What the user sees of update checks: a user-started check always answers
// in a dialog; the background check speaks only when a newer version exists.
class UpdatePrompt : public QObject
{
    Q_OBJECT

public:
    static constexpr auto DialogName = "updateDialog";

    UpdatePrompt(Updater *updater, const QString &runningVersion, QObject *parent = nullptr);
    ~UpdatePrompt() override;

    // The dialog on screen, if any (tests answer it).
    QMessageBox *dialog() const { return m_dialog; }

private:
    void showUpToDate();
    void showUpdate(const UpdateInfo &info);
    void showFailure(const QString &message);
    QMessageBox *newDialog();

    QString m_runningVersion;
    QPointer<QMessageBox> m_dialog;
};
