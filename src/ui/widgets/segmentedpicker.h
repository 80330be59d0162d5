#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;

// A row of mutually exclusive segments, each showing a label and standing
// for a value. Every segment is a button, so Tab and Space reach it.
class SegmentedPicker : public QWidget
{
    Q_OBJECT

public:
    // (value, label) pairs in display order; the first is selected.
    explicit SegmentedPicker(const QList<QPair<QString, QString>> &options, QWidget *parent = nullptr);

    QString value() const;
    void setValue(const QString &value);
    QList<QAbstractButton *> segments() const;

Q_SIGNALS:
    void valueChanged(const QString &value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QString> m_values;
    QButtonGroup *m_group;
};
