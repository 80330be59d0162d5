#include "systemreportsheet.h"

#include "ui/widgets/iconbutton.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/style.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This sheet's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 640, 620 };
constexpr int SidePadding = 28;
constexpr int TopPadding = 24;
constexpr int BottomPadding = 28;
constexpr int Spacing = 14;
} // namespace Sizes
} // namespace

SystemReportSheet::SystemReportSheet(const QString &reportText, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_text(new QPlainTextEdit(this))
{
    setWindowTitle(tr("Informations système"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Sizes::SidePadding, Sizes::TopPadding, Sizes::SidePadding, Sizes::BottomPadding);
    column->setSpacing(Sizes::Spacing);

    auto *header = new QHBoxLayout;
    header->addLayout(ScreenParts::titles(tr("Informations système"),
                          tr("Ce qui sera joint au ticket, tel qu'il sera envoyé"), this),
        1);
    IconButton *close = IconButton::closeButton(this);
    connect(close, &IconButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignTop);
    column->addLayout(header);

    auto *privacy = new QLabel(tr("Les adresses réseau, le nom de la machine et les lignes du journal sont des "
                                  "données personnelles : décochez la case du formulaire pour ne pas les envoyer."),
        this);
    privacy->setWordWrap(true);
    Style::setRole(privacy, "note");
    column->addWidget(privacy);

    m_text->setObjectName(u"reportText"_s);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(tr("Informations système"));
    m_text->setAccessibleDescription(privacy->text());
    m_text->setPlainText(reportText);
    column->addWidget(m_text, 1);
}

void SystemReportSheet::setReportText(const QString &reportText)
{
    m_text->setPlainText(reportText);
}

QString SystemReportSheet::reportText() const
{
    return m_text->toPlainText();
}
