#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

// Sends this process's standard output to a temporary file while alive, so a
// test can read the log lines the code under test wrote.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }

    QStringList lines()
    {
        std::fflush(stdout);
        QFile reader(m_file.fileName());
        if (!reader.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(reader.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};
