#include "segmentedpicker.h"

#include "style.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

namespace Sizes {
constexpr int Inset = 3; // around and between the segments
constexpr int Radius = 9;
} // namespace Sizes

} // namespace

SegmentedPicker::SegmentedPicker(const QList<QPair<QString, QString>> &options, QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Sizes::Inset, Sizes::Inset, Sizes::Inset, Sizes::Inset);
    row->setSpacing(Sizes::Inset);
    // Exactly one segment is on at any time, like the radio buttons it stands for.
    m_group->setExclusive(true);
    for (const auto &[value, label] : options) {
        auto *segment = new QPushButton(label, this);
        segment->setCheckable(true);
        segment->setCursor(Qt::PointingHandCursor);
        segment->setStyleSheet(Style::Sheets::segment());
        m_group->addButton(segment, int(m_values.size()));
        m_values.append(value);
        row->addWidget(segment, 1);
    }
    if (!m_values.isEmpty())
        m_group->button(0)->setChecked(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Q_EMIT valueChanged(m_values.value(id));
    });
}

QString SegmentedPicker::value() const
{
    return m_values.value(m_group->checkedId());
}

void SegmentedPicker::setValue(const QString &value)
{
    const int id = int(m_values.indexOf(value));
    if (id >= 0)
        m_group->button(id)->setChecked(true);
}

QList<QAbstractButton *> SegmentedPicker::segments() const
{
    return m_group->buttons();
}

void SegmentedPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), Sizes::Radius, Style::white(0.08));
}
