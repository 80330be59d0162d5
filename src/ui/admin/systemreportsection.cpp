#include "systemreportsection.h"

#include "adminui.h"
#include "core/apiservice.h"
#include "protocol/errors.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;

namespace {

namespace Sizes {
constexpr int Padding = 24;
constexpr int Spacing = 14;
constexpr int PartPadding = 16;
constexpr int PartSpacing = 6;
constexpr int Symbol = 15;
} // namespace Sizes

// A failed service or a server that does not answer stops the user's work;
// a full disk or a stopped queue is a warning.
bool isSerious(const QString &flag)
{
    return flag == QLatin1StringView(Trouble::FailedUnit)
        || flag == QLatin1StringView(Trouble::ServerUnreachable);
}

QString troublePhrase(const QString &flag)
{
    if (flag == QLatin1StringView(Trouble::DiskFull))
        return SystemReportSection::tr("Disque presque plein (plus de 90 %)");
    if (flag == QLatin1StringView(Trouble::PrintQueueStopped))
        return SystemReportSection::tr("File d'impression arrêtée");
    if (flag == QLatin1StringView(Trouble::FailedUnit))
        return SystemReportSection::tr("Service en échec");
    if (flag == QLatin1StringView(Trouble::ServerUnreachable))
        return SystemReportSection::tr("Le serveur ne répond pas");
    return flag; // a newer client's flag, shown as sent
}

// A section's heading and its readings, as the report words them; its
// trouble is said apart, in colour.
std::pair<QString, QString> partText(ReportPart part)
{
    part.trouble.clear();
    SystemReport alone;
    alone.setPart(std::move(part));
    const QString text = alone.toText().trimmed();
    const qsizetype firstLine = text.indexOf(u'\n');
    if (firstLine < 0)
        return { text, QString() };
    return { text.left(firstLine), text.mid(firstLine + 1) };
}

QWidget *partPanel(const ReportPart &part, QWidget *parent)
{
    QColor mark;
    QStringList phrases;
    for (const QString &flag : part.trouble) {
        phrases.append(troublePhrase(flag));
        if (!mark.isValid() || isSerious(flag))
            mark = isSerious(flag) ? Style::red() : Style::orange();
    }
    auto *panel = new RoundedPanel(mark.isValid() ? Style::withOpacity(mark, 0.08) : Style::white(0.03),
        parent, mark.isValid() ? Style::withOpacity(mark, 0.6) : QColor());
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(
        Sizes::PartPadding, Sizes::PartPadding, Sizes::PartPadding, Sizes::PartPadding);
    layout->setSpacing(Sizes::PartSpacing);
    const auto [heading, readings] = partText(part);
    layout->addWidget(AdminUi::text(heading, Text::Headline, QFont::DemiBold, Style::white(), panel));
    if (mark.isValid()) {
        auto *row = new QHBoxLayout();
        row->addWidget(AdminUi::symbol(u"exclamationmark.triangle.fill"_s, mark, Sizes::Symbol, panel));
        QLabel *said = AdminUi::text(phrases.join(u" · "_s), Text::Callout, QFont::DemiBold, mark, panel);
        said->setWordWrap(true);
        row->addWidget(said, 1);
        layout->addLayout(row);
    }
    QLabel *body = AdminUi::text(readings, Text::Body, QFont::Normal, Style::white(0.85), panel);
    body->setTextFormat(Qt::PlainText);
    body->setWordWrap(true);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(body);
    panel->setAccessibleName(phrases.isEmpty() ? heading : heading + u" : "_s + phrases.join(u", "_s));
    return panel;
}

} // namespace

SystemReportSection::SystemReportSection(APIService &api, qint64 ticketId, QWidget *parent)
    : QWidget(parent)
    , m_api(api)
    , m_ticketId(ticketId)
{
    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    frame->addWidget(panel);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    layout->setSpacing(Sizes::Spacing);
    layout->addWidget(buildHeader());
    m_body = buildBody();
    layout->addWidget(m_body);
    setUnfolded(false);
}

QWidget *SystemReportSection::buildHeader()
{
    m_toggle = new QPushButton(tr("Informations système"), this);
    m_toggle->setCheckable(true);
    m_toggle->setFocusPolicy(Qt::StrongFocus);
    m_toggle->setAccessibleName(tr("Informations système"));
    m_toggle->setIconSize(QSize(Sizes::Symbol, Sizes::Symbol));
    m_toggle->setStyleSheet(Style::Sheets::plainButton(
        Style::white(), Text::SectionTitle, QFont::DemiBold, Style::Sheets::padding(4, 4)));
    m_toggle->setCursor(Qt::PointingHandCursor);
    connect(m_toggle, &QPushButton::toggled, this, &SystemReportSection::setUnfolded);
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_toggle);
    layout->addStretch();
    return row;
}

QWidget *SystemReportSection::buildBody()
{
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Sizes::Spacing);
    m_note = AdminUi::text(QString(), Text::Callout, QFont::Normal, Style::grey(), body);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    m_error = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), body);
    m_error->hide();
    layout->addWidget(m_error);
    m_parts = new QVBoxLayout();
    m_parts->setSpacing(Sizes::Spacing);
    layout->addLayout(m_parts);
    m_copy = new QPushButton(tr("Copier"), body);
    m_copy->setAccessibleName(tr("Copier le rapport"));
    m_copy->setStyleSheet(Style::Sheets::filledButton(Style::withOpacity(Style::blue(), 0.7), Text::Callout,
        QFont::DemiBold, 8, Style::Sheets::padding(6, 14)));
    m_copy->hide();
    connect(m_copy, &QPushButton::clicked, this, &SystemReportSection::copyReport);
    layout->addWidget(m_copy, 0, Qt::AlignLeft);
    return body;
}

bool SystemReportSection::isUnfolded() const
{
    return m_toggle->isChecked();
}

void SystemReportSection::setUnfolded(bool unfolded)
{
    m_toggle->setChecked(unfolded);
    m_toggle->setIcon(
        SymbolIcons::icon(unfolded ? u"chevron.up" : u"chevron.down", Style::white(0.7), Sizes::Symbol));
    m_body->setVisible(unfolded);
    if (unfolded && !m_requested)
        load();
}

QCoro::Task<void> SystemReportSection::load()
{
    m_requested = true;
    m_error->hide();
    m_note->setText(tr("Chargement du rapport..."));
    m_note->show();
    const ScreenGuard guard(this);
    std::optional<QJsonObject> report;
    std::optional<QString> failure;
    try {
        report = co_await m_api.getTicketReport(m_ticketId);
    } catch (const APIError &error) {
        failure = error.message; // the server's words: unknown ticket, no access
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    if (guard.gone())
        co_return;
    if (failure) {
        // Folding and unfolding again asks once more.
        m_requested = false;
        m_note->hide();
        m_error->showText(*failure);
    } else {
        showReport(report);
    }
    emit loadFinished();
}

void SystemReportSection::showReport(const std::optional<QJsonObject> &report)
{
    m_requested = true;
    clearParts();
    m_report = report ? SystemReport::fromJson(*report) : SystemReport();
    m_note->setText(tr("Aucune information système jointe à ce ticket."));
    m_note->setVisible(m_report.isEmpty());
    m_copy->setVisible(!m_report.isEmpty());
    // Shown at once, not on the layout's next turn: the section is read as
    // soon as the answer is in.
    for (const ReportPart &part : m_report.parts()) {
        QWidget *panel = partPanel(part, m_body);
        m_parts->addWidget(panel);
        panel->show();
    }
}

void SystemReportSection::clearParts()
{
    while (QLayoutItem *item = m_parts->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void SystemReportSection::copyReport()
{
    QGuiApplication::clipboard()->setText(m_report.toText());
}
