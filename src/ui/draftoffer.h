#pragma once

#include <QWidget>

class QPushButton;

// The ticket form's offer of a draft kept from an earlier visit: the user
// takes it back or drops it, and the form waits for the answer.
class DraftOffer : public QWidget
{
    Q_OBJECT

public:
    explicit DraftOffer(QWidget *parent = nullptr);

    QPushButton *resumeButton() const { return m_resume; }

Q_SIGNALS:
    void resumeRequested();
    void ignoreRequested();

private:
    QPushButton *m_resume;
    QPushButton *m_ignore;
};
