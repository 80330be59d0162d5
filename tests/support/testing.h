#pragma once

// What almost every test program includes: Qt Test, signal spies, temporary
// directories, JSON and the string literals, so each test opens on its cases.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
