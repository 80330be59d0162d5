#include "companycode.h"

#include <QList>

namespace {

QString keepLettersAndNumbers(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    const QList<uint> codePoints = QStringView(text).toUcs4();
    for (const uint codePoint : codePoints) {
        if (QChar::isLetterOrNumber(char32_t(codePoint)))
            kept.append(QChar::fromUcs4(char32_t(codePoint)));
    }
    return kept;
}

} // namespace

QString CompanyCode::sanitize(const QString &text)
{
    // Upper-casing can produce a character that upper-cases again or a
    // letter out of a combining mark; one more round settles every such case,
    // and the loop is bounded so no input can keep it turning.
    QString code = keepLettersAndNumbers(text.toUpper());
    for (int round = 0; round < 3; ++round) {
        QString again = keepLettersAndNumbers(code.toUpper());
        if (again == code)
            break;
        code = std::move(again);
    }
    return code;
}

int CompanyCode::length(const QString &code)
{
    return int(QStringView(code).toUcs4().size());
}

bool CompanyCode::isFormValid(const QString &nom, const QString &code)
{
    const int size = length(code);
    return !nom.isEmpty() && size >= MinLength && size <= MaxLength;
}
