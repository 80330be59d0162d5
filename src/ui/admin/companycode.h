#pragma once

#include <QString>

// The company code as the form keeps it: upper case, letters and digits only.
namespace CompanyCode {

inline constexpr int MinLength = 3;
inline constexpr int MaxLength = 10;

// Upper-cases the whole text (full Unicode casing, so "ß" becomes "SS") and
// keeps only the code points that are letters or numbers. Applying it to its
// own result changes nothing, so a field that re-runs it on every change
// settles at once. The length is not cut: a long code only fails validation.
QString sanitize(const QString &text);

// Length in characters as the user counts them (code points, not UTF-16 units).
int length(const QString &code);

// A name (even of spaces only) and a code of 3 to 10 characters.
bool isFormValid(const QString &nom, const QString &code);

} // namespace CompanyCode

// The name the company form uses for the step run on every change of the code.
inline QString sanitizeCode(const QString &text)
{
    return CompanyCode::sanitize(text);
}
