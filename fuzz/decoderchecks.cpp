#include "decoderchecks.h"

#include "core/updater.h"
#include "core/usersettings.h"
#include "protocol/errors.h"
#include "protocol/records.h"
#include "ui/admin/attachmentdecoder.h"
#include "ui/widgets/imagedecoder.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Decodes body as Record; if that works, the record must come back the same
// from its own encoding.
template<typename Record>
std::optional<QString> roundTrip(const char *name, const QByteArray &body)
{
    std::optional<Record> record;
    try {
        record = Record::decode(body);
    } catch (const DecodingError &) {
        return std::nullopt;
    }
    const QJsonObject encoded = record->toJson();
    try {
        const Record again = Record::decode(QJsonDocument(encoded).toJson(QJsonDocument::Compact));
        if (again.toJson() != encoded)
            return QString::fromLatin1(name) + u": not the same after encoding and decoding again"_s;
    } catch (const DecodingError &error) {
        return QString::fromLatin1(name) + u": its own encoding does not decode: "_s + error.description();
    }
    return std::nullopt;
}

qint64 pixelBytes(const QImage &image)
{
    return qint64(image.width()) * image.height() * 4;
}

} // namespace

std::optional<QString> DecoderChecks::restReplies(const QByteArray &body)
{
    const std::pair<const char *, std::optional<QString> (*)(const char *, const QByteArray &)> checks[] {
        { "CheckPosteResponse", roundTrip<CheckPosteResponse> },
        { "GetUserByPosteResponse", roundTrip<GetUserByPosteResponse> },
        { "RegisterUserResponse", roundTrip<RegisterUserResponse> },
        { "RegisterErrorResponse", roundTrip<RegisterErrorResponse> },
        { "CompanyListResponse", roundTrip<CompanyListResponse> },
        { "CreateCompanyResponse", roundTrip<CreateCompanyResponse> },
        { "CreateTicketResponse", roundTrip<CreateTicketResponse> },
        { "MyTicketsResponse", roundTrip<MyTicketsResponse> },
        { "TicketResponse", roundTrip<TicketResponse> },
        { "MessagesResponse", roundTrip<MessagesResponse> },
        { "SendMessageResponse", roundTrip<SendMessageResponse> },
    };
    for (const auto &[name, check] : checks) {
        if (auto fault = check(name, body))
            return fault;
    }
    return std::nullopt;
}

std::optional<QString> DecoderChecks::ticketListPaths(const QByteArray &body)
{
    const std::optional<TicketResponse> scanned = TicketResponse::scan(body);
    std::optional<TicketResponse> read;
    QString refusal;
    try {
        read = TicketResponse::decodeDocument(body);
    } catch (const DecodingError &error) {
        refusal = error.description();
    }
    if (scanned && !read)
        return u"the quick scan takes a body the document reading refuses: "_s + refusal;
    if (scanned && *scanned != *read)
        return u"the quick scan and the document reading disagree on the records"_s;
    return std::nullopt;
}

std::optional<QString> DecoderChecks::updateFeed(const QByteArray &xml)
{
    QString error;
    const auto items = Updater::parseFeed(xml, &error);
    if (!items)
        return error.isEmpty() ? std::optional(u"refused without a reason"_s) : std::nullopt;
    for (const UpdateInfo &item : *items) {
        if (item.version.isEmpty())
            return u"a release without a version"_s;
        if (!Updater::isAcceptableUrl(item.downloadUrl))
            return u"a download address the program must not open: "_s + item.downloadUrl.toString();
        if (!item.releaseNotesUrl.isEmpty() && !Updater::isAcceptableUrl(item.releaseNotesUrl))
            return u"release notes the program must not open: "_s + item.releaseNotesUrl.toString();
    }
    return std::nullopt;
}

std::optional<QString> DecoderChecks::settingsFile(const QByteArray &contents)
{
    // A fresh pair of files each time: QSettings keeps what it read of a path.
    static QTemporaryDir directory;
    static quint64 serial = 0;
    const QString damaged = directory.filePath(u"%1-damaged.conf"_s.arg(++serial));
    const QString reread = directory.filePath(u"%1-reread.conf"_s.arg(serial));
    QFile file(damaged);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return u"cannot write the settings file"_s;
    file.close();

    // The text to store: a line of the input, as a user might type it.
    const QString typed = QString::fromUtf8(contents.left(contents.indexOf('\n'))).left(200);
    std::optional<QString> fault;
    {
        UserSettings settings(damaged);
        const char *const keys[] { UserSettings::IsRegistered, UserSettings::UserId, UserSettings::CompanyId,
            UserSettings::CompanyCode, UserSettings::CompanyName, UserSettings::UserPoste,
            UserSettings::UserNom, UserSettings::UserPrenom, UserSettings::UserTelephone,
            UserSettings::IsAdmin };
        for (const char *key : keys) {
            (void)settings.readBool(key);
            (void)settings.readInteger(key);
            (void)settings.readTextOrEmpty(key);
        }
        (void)settings.isRegistered();
        settings.writeText(UserSettings::UserNom, typed);
        if (!settings.commit())
            fault = u"the settings file could not be written"_s;
    }
    if (!fault && !QFile::copy(damaged, reread))
        fault = u"cannot copy the settings file"_s;
    if (!fault) {
        const UserSettings settings(reread);
        if (settings.readTextOrEmpty(UserSettings::UserNom) != typed)
            fault = u"a stored text reads back as « %1 »"_s.arg(
                settings.readTextOrEmpty(UserSettings::UserNom));
    }
    QFile::remove(damaged);
    QFile::remove(reread);
    return fault;
}

std::optional<QString> DecoderChecks::imageSize(const QByteArray &data)
{
    // A small limit keeps each run quick; the checks are the same at any size.
    constexpr int LimitMiB = 4;
    const QImage image = ImageDecoder::fromData(data, LimitMiB);
    if (!image.isNull() && pixelBytes(image) > qint64(LimitMiB) * 1024 * 1024)
        return u"a picture of %1 x %2 passed the limit"_s.arg(image.width()).arg(image.height());
    // The same bytes as a ticket's capture text.
    const std::optional<QImage> capture = AttachmentDecoder::decode(data);
    if (capture && pixelBytes(*capture) > qint64(AttachmentDecoder::AllocationLimitMiB) * 1024 * 1024)
        return u"a capture of %1 x %2 passed the limit"_s.arg(capture->width()).arg(capture->height());
    return std::nullopt;
}
