#include "sheet.h"

#include "style.h"

#include <QCloseEvent>

Sheet::Sheet(const QSize &size, QWidget *parent)
    : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setFixedSize(size);
    setSizeGripEnabled(false);
    Style::applyTo(this);
}

void Sheet::dismiss()
{
    m_dismissing = true;
    done(QDialog::Accepted);
    m_dismissing = false;
}

void Sheet::reject()
{
    // Escape lands here.
    if (m_interactiveDismissal || m_dismissing)
        QDialog::reject();
}

void Sheet::closeEvent(QCloseEvent *event)
{
    if (m_interactiveDismissal || m_dismissing)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void Sheet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        Q_EMIT appeared();
    }
}
