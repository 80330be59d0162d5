#pragma once

#include "ui/widgets/stylemetrics.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class Sheet;

// Small builders the administrator screens share on top of the style module:
// labels in a given size and colour, symbols as labels, rounded panels.
namespace AdminUi {

QLabel *text(
    const QString &text, int pixelSize, QFont::Weight weight, const QColor &color, QWidget *parent = nullptr);
QLabel *symbol(const QString &name, const QColor &color, int side, QWidget *parent = nullptr);
// The "Annuler" of a form sheet: a size up from the shared secondary button,
// as tall as the form's main button, closing sheet.
QPushButton *cancelButton(Sheet *sheet, QWidget *parent);
// Centres a screen's content horizontally within an expanding row.
QWidget *centred(QWidget *content, QWidget *parent = nullptr);

} // namespace AdminUi

// A rounded rectangle behind a group of widgets: the sections of the detail
// screen, the information tiles, the company rows.
class RoundedPanel : public QWidget
{
    Q_OBJECT

public:
    RoundedPanel(const QColor &fill, QWidget *parent = nullptr, const QColor &outline = QColor(),
        qreal radius = Style::Metrics::Common::PanelRadius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    QColor m_outline;
    qreal m_radius;
};
