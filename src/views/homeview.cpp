#include "homeview.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HomeView::HomeView(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"Norvik Support"_s, this), 0, Qt::AlignCenter);
}
