#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QWidget>

// Screenshots of the screens under test, kept for a reviewer in
// tests-artifacts/ next to the test binaries (or NORVIK_TEST_ARTIFACTS).
inline QString artifactPath(const QString &name)
{
    QString folder = qEnvironmentVariable("NORVIK_TEST_ARTIFACTS");
    if (folder.isEmpty())
        folder = QDir::currentPath() + QStringLiteral("/tests-artifacts");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

inline bool saveScreenshot(QWidget *widget, const QString &name)
{
    // Let pending layouts settle so the picture shows what a user would see.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    return widget->grab().save(artifactPath(name));
}
