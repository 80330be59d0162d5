#pragma once

#include "realtime/websocketservice.h"

#include <QObject>
#include <QStringList>

// Collects the lines the real-time channel writes to the log, in order.
class LogRecorder : public QObject
{
    Q_OBJECT

public:
    explicit LogRecorder(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&WebSocketService::shared(), &WebSocketService::logged, this,
            [this](const QString &line) { lines.append(line); });
    }

    bool contains(const QString &line) const { return lines.contains(line); }
    qsizetype count(const QString &line) const { return lines.count(line); }
    // Lines that begin with prefix, in order.
    QStringList starting(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines)
            if (line.startsWith(prefix))
                found.append(line);
        return found;
    }
    // The lines after the last one equal to marker.
    QStringList after(const QString &marker) const
    {
        const qsizetype at = lines.lastIndexOf(marker);
        return at < 0 ? QStringList() : lines.mid(at + 1);
    }

    QStringList lines;
};
