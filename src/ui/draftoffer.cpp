#include "draftoffer.h"

#include "ui/widgets/noticebox.h"
#include "ui/widgets/style.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int Spacing = 6;
} // namespace

DraftOffer::DraftOffer(QWidget *parent)
    : QWidget(parent)
    , m_resume(new QPushButton(tr("Reprendre le brouillon"), this))
    , m_ignore(new QPushButton(tr("Ignorer"), this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Spacing);
    auto *notice = new NoticeBox(u"doc.text"_s, Style::blue(), this);
    notice->setText(tr("Un ticket commencé et non envoyé a été gardé en brouillon."));
    column->addWidget(notice);
    auto *row = new QHBoxLayout;
    for (QPushButton *button : { m_resume, m_ignore }) {
        Style::setRole(button, "plain");
        button->setCursor(Qt::PointingHandCursor);
        row->addWidget(button);
    }
    row->addStretch();
    column->addLayout(row);
    connect(m_resume, &QPushButton::clicked, this, &DraftOffer::resumeRequested);
    connect(m_ignore, &QPushButton::clicked, this, &DraftOffer::ignoreRequested);
}
