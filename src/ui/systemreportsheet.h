#pragma once

#include "ui/widgets/sheet.h"

class QPlainTextEdit;

// The report of the machine's state exactly as a ticket would carry it,
// read-only, with a word on the personal data it holds. Its text is named
// "reportText".
class SystemReportSheet : public Sheet
{
    Q_OBJECT

public:
    explicit SystemReportSheet(const QString &reportText, QWidget *parent = nullptr);

    // The report read further since the sheet opened.
    void setReportText(const QString &reportText);
    QString reportText() const;

private:
    QPlainTextEdit *m_text;
};
