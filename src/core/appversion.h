#pragma once

#include <QString>

// "Version 1.2.0 (42)": the project version and the configure-time build
// number, with 1.0.0 and 1 standing in for either when it is empty.
QString appVersionText();
QString appVersionText(const QString &shortVersion, const QString &build);
