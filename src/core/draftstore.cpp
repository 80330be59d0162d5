#include "draftstore.h"

#include "log.h"
#include "statedirectory.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr auto TitreKey = "titre";
constexpr auto DescriptionKey = "description";
constexpr auto PrioriteKey = "priorite";
constexpr auto CaptureKey = "capture_png_base64";
constexpr auto ReportKey = "system_report";

// An object or nothing; anything else makes the draft unreadable.
bool readReport(const QJsonObject &object, TicketDraft &draft)
{
    const QJsonValue report = object.value(QLatin1StringView(ReportKey));
    if (report.isUndefined())
        return true;
    if (!report.isObject())
        return false;
    draft.systemReport = report.toObject();
    return true;
}

std::optional<TicketDraft> decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue titre = object.value(QLatin1StringView(TitreKey));
    const QJsonValue description = object.value(QLatin1StringView(DescriptionKey));
    const QJsonValue priorite = object.value(QLatin1StringView(PrioriteKey));
    if (!titre.isString() || !description.isString() || !priorite.isString())
        return std::nullopt;
    TicketDraft draft { titre.toString(), description.toString(), priorite.toString(), std::nullopt };
    if (!readReport(object, draft))
        return std::nullopt;
    const QJsonValue capture = object.value(QLatin1StringView(CaptureKey));
    if (capture.isUndefined())
        return draft;
    if (!capture.isString())
        return std::nullopt;
    // The picture must at least be Base64; whether it is a picture is for
    // the form's bounded decoder to say.
    const auto png = QByteArray::fromBase64Encoding(
        capture.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!png || png.decoded.isEmpty())
        return std::nullopt;
    draft.captureBase64 = capture.toString();
    return draft;
}

} // namespace

QString DraftStore::defaultPath()
{
    return StateDirectory::filePath(u"ticket-draft.json"_s);
}

DraftStore::DraftStore(QString path)
    : m_path(std::move(path))
{ }

bool DraftStore::exists() const
{
    return QFile::exists(m_path);
}

std::optional<TicketDraft> DraftStore::load() const
{
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    std::optional<TicketDraft> draft;
    if (file.size() <= MaxFileBytes && file.open(QIODevice::ReadOnly))
        draft = decode(file.readAll());
    if (!draft) {
        logLine(u"⚠️ Brouillon de ticket illisible ignoré : "_s + m_path);
        return std::nullopt;
    }
    if (draft->isEmpty())
        return std::nullopt;
    return draft;
}

bool DraftStore::save(const TicketDraft &draft)
{
    if (draft.isEmpty()) {
        remove();
        return true;
    }
    QJsonObject object { { QLatin1StringView(TitreKey), draft.titre },
        { QLatin1StringView(DescriptionKey), draft.description },
        { QLatin1StringView(PrioriteKey), draft.priorite } };
    if (draft.captureBase64)
        object.insert(QLatin1StringView(CaptureKey), *draft.captureBase64);
    if (draft.systemReport)
        object.insert(QLatin1StringView(ReportKey), *draft.systemReport);

    QSaveFile file(m_path);
    const bool written = StateDirectory::ensure() && file.open(QIODevice::WriteOnly)
        && file.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
    // Typing saves every second: a full disk is said once, not every second.
    if (!written && !std::exchange(m_failing, true))
        logLine(u"❌ Brouillon de ticket non enregistré : "_s + m_path + u" ("_s + file.errorString() + u')');
    if (written)
        m_failing = false;
    return written;
}

void DraftStore::remove()
{
    QFile::remove(m_path);
}
