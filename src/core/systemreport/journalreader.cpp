#include "journalreader.h"

#include <QCoreApplication>
#include <QFile>
#include <QDateTime>
#include <cstring>
#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>

using namespace Qt::StringLiterals;

namespace {

QString systemError(int negativeErrno)
{
    return QString::fromLocal8Bit(std::strerror(-negativeErrno));
}

// The value of field in the current entry, empty when it has none.
QByteArray fieldOf(sd_journal *journal, const char *field)
{
    const void *data = nullptr;
    size_t length = 0;
    if (sd_journal_get_data(journal, field, &data, &length) < 0)
        return {};
    const QByteArray whole(static_cast<const char *>(data), qsizetype(length));
    return whole.mid(whole.indexOf('=') + 1);
}

QString entryLine(sd_journal *journal)
{
    uint64_t microseconds = 0;
    QString when;
    if (sd_journal_get_realtime_usec(journal, &microseconds) >= 0)
        when = QDateTime::fromMSecsSinceEpoch(qint64(microseconds / 1000)).toString(u"HH:mm:ss"_s) + u' ';
    QByteArray who = fieldOf(journal, "SYSLOG_IDENTIFIER");
    if (who.isEmpty())
        who = fieldOf(journal, "_COMM");
    const QString message = QString::fromUtf8(fieldOf(journal, "MESSAGE"));
    return JournalReader::cutLine(when + QString::fromUtf8(who) + u": "_s + message);
}

// Only err (3) and worse, only this boot.
int addMatches(sd_journal *journal)
{
    for (const char *priority : { "PRIORITY=0", "PRIORITY=1", "PRIORITY=2", "PRIORITY=3" })
        if (const int result = sd_journal_add_match(journal, priority, 0); result < 0)
            return result;
    sd_id128_t boot;
    if (const int result = sd_id128_get_boot(&boot); result < 0)
        return result;
    char bootText[SD_ID128_STRING_MAX];
    const QByteArray match = QByteArray("_BOOT_ID=") + sd_id128_to_string(boot, bootText);
    if (const int result = sd_journal_add_conjunction(journal); result < 0)
        return result;
    return sd_journal_add_match(journal, match.constData(), size_t(match.size()));
}

} // namespace

namespace JournalReader {

Result recentErrors(const QString &directory, int maxLines)
{
    Result result;
    sd_journal *journal = nullptr;
    // sd_journal_open_directory() takes an existing directory on trust.
    int opened = -ENOENT;
    if (directory.isEmpty())
        opened = sd_journal_open(&journal, SD_JOURNAL_LOCAL_ONLY);
    else if (QFile::exists(directory))
        opened = sd_journal_open_directory(&journal, QFile::encodeName(directory).constData(), 0);
    if (opened < 0) {
        result.error = QCoreApplication::translate("SystemReport", "journal illisible (%1)").arg(systemError(opened));
        return result;
    }
    if (const int matched = addMatches(journal); matched < 0) {
        sd_journal_close(journal);
        result.error = QCoreApplication::translate("SystemReport", "journal illisible (%1)").arg(systemError(matched));
        return result;
    }
    sd_journal_seek_tail(journal);
    while (result.lines.size() < maxLines && sd_journal_previous(journal) > 0)
        result.lines.prepend(entryLine(journal));
    sd_journal_close(journal);
    return result;
}

QString cutLine(const QString &text, int maxLength)
{
    QString line = text;
    for (QChar &character : line)
        if (character.category() == QChar::Other_Control)
            character = u' ';
    if (line.size() <= maxLength)
        return line;
    qsizetype keep = maxLength - 1;
    if (keep > 0 && line.at(keep - 1).isHighSurrogate())
        --keep;
    return line.left(keep) + u'…';
}

} // namespace JournalReader
