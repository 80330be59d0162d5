#include "createticketview.h"

#include "attachmentpicker.h"
#include "core/apiservice.h"
#include "core/log.h"
#include "core/usersettings.h"
#include "draftoffer.h"
#include "identitybox.h"
#include "protocol/errors.h"
#include "protocol/vocabulary.h"
#include "systemreport/systemreportcollector.h"
#include "systemreportsheet.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/imagedecoder.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/segmentedpicker.h"
#include "ui/widgets/style.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Common = Style::Metrics::Common;
namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 600, 750 };
constexpr int HeaderLeftPadding = 28;
constexpr int HeaderTopPadding = 24;
constexpr int HeaderRightPadding = 24;
constexpr int HeaderBottomPadding = 12;
constexpr int ContentSidePadding = 28;
constexpr int ContentTopPadding = 8;
constexpr int ContentBottomPadding = 28;
constexpr int SectionSpacing = 20;
constexpr int DescriptionHeight = 120;
constexpr int ConsentSpacing = 12;
} // namespace Sizes

// One line per screen for the report: the GUI is only to be asked here.
QStringList screenLines()
{
    QStringList lines;
    for (const QScreen *screen : QGuiApplication::screens())
        lines.append(QCoreApplication::translate("CreateTicketView", "%1 : %2 × %3, échelle %4")
                         .arg(screen->name())
                         .arg(screen->size().width())
                         .arg(screen->size().height())
                         .arg(screen->devicePixelRatio()));
    return lines;
}

// The message a refused ticket shows: the server's own for a report too
// large, the client's for the rest.
QString failureText(const NorvikError &error)
{
    const auto *refusal = dynamic_cast<const APIError *>(&error);
    return refusal && refusal->statusCode == 413 ? refusal->message : error.description();
}

// Segment label of a priority word: "🟢 Normale", ...; others unchanged.
QString priorityLabel(const QString &priority)
{
    if (priority == Priority::Normale)
        return QCoreApplication::translate("CreateTicketView", "🟢 Normale");
    if (priority == Priority::Haute)
        return QCoreApplication::translate("CreateTicketView", "🟠 Haute");
    if (priority == Priority::Critique)
        return QCoreApplication::translate("CreateTicketView", "🔴 Critique");
    return priority;
}

// Each section keeps its label close to what it labels.
void addSection(QVBoxLayout *column, const QList<QWidget *> &parts)
{
    auto *section = new QVBoxLayout;
    section->setSpacing(Common::LabelToField);
    for (QWidget *part : parts)
        section->addWidget(part);
    column->addLayout(section);
}

} // namespace

CreateTicketView::CreateTicketView(APIService &api, UserSettings &settings, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_api(api)
    , m_settings(settings)
    , m_collector(new SystemReportCollector({ .server = QUrl(api.apiBase()) }, *api.network(), this))
{
    setWindowTitle(tr("Créer un ticket"));
    setAcceptDrops(true);
    // Qt's own decoders (clipboard, drops) honour the same bound as files.
    QImageReader::setAllocationLimit(ImageDecoder::AllocationLimitMiB);

    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    outer->addLayout(header());
    QWidget *content = ScreenParts::addScrollingPage(outer);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(Sizes::ContentSidePadding, Sizes::ContentTopPadding, Sizes::ContentSidePadding,
        Sizes::ContentBottomPadding);
    column->setSpacing(Sizes::SectionSpacing);

    m_identity = new IdentityBox(settings, content);
    column->addWidget(m_identity);
    addTextSections(column, content);
    m_picker = new AttachmentPicker(content);
    column->addWidget(m_picker);
    addReportConsent(column, content);
    addPrioritySection(column, content);
    addActions(column, content);
    addOutcomes(column, content);
    column->addStretch();

    takePictures();
    keepDrafts();
    updateSendButton();
    m_titre->setFocus();
    offerDraft(content, column);
}

QLayout *CreateTicketView::header()
{
    auto *header = new QHBoxLayout;
    header->setContentsMargins(Sizes::HeaderLeftPadding, Sizes::HeaderTopPadding, Sizes::HeaderRightPadding,
        Sizes::HeaderBottomPadding);
    header->addLayout(
        ScreenParts::titles(tr("Créer un ticket"), tr("Décrivez votre demande au support technique"), this),
        1);
    IconButton *close = IconButton::closeButton(this);
    connect(close, &IconButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignTop);
    return header;
}

void CreateTicketView::addTextSections(QVBoxLayout *column, QWidget *content)
{
    auto *titreLabel = new FieldLabel(u"doc.text"_s, tr("Titre de la demande"), true, content);
    m_titre = new QLineEdit(content);
    m_titre->setObjectName(u"titre"_s);
    m_titre->setPlaceholderText(tr("Ex: Impossible d'imprimer"));
    titreLabel->setBuddy(m_titre);
    addSection(column, { titreLabel, m_titre });

    auto *descriptionLabel = new FieldLabel(u"text.alignleft"_s, tr("Description détaillée"), true, content);
    m_description = new QPlainTextEdit(content);
    m_description->setObjectName(u"description"_s);
    m_description->setFixedHeight(Sizes::DescriptionHeight);
    // Tab moves on, so the keyboard can leave the editor.
    m_description->setTabChangesFocus(true);
    descriptionLabel->setBuddy(m_description);
    addSection(column, { descriptionLabel, m_description });
    connect(m_titre, &QLineEdit::textChanged, this, &CreateTicketView::updateSendButton);
    connect(m_description, &QPlainTextEdit::textChanged, this, &CreateTicketView::updateSendButton);
}

void CreateTicketView::addPrioritySection(QVBoxLayout *column, QWidget *content)
{
    auto *label = new FieldLabel(u"flag"_s, tr("Priorité"), false, content);
    QList<QPair<QString, QString>> options;
    for (const QString &value :
        { Priority::Normale.toString(), Priority::Haute.toString(), Priority::Critique.toString() })
        options.append({ value, priorityLabel(value) });
    m_priority = new SegmentedPicker(options, content);
    m_priority->setObjectName(u"priority"_s);
    label->setBuddy(m_priority);
    addSection(column, { label, m_priority });
}

void CreateTicketView::addReportConsent(QVBoxLayout *column, QWidget *content)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(Sizes::ConsentSpacing);
    m_attachReport = new QCheckBox(tr("Joindre les informations système"), content);
    m_attachReport->setObjectName(u"attachReport"_s);
    m_attachReport->setChecked(m_settings.readBool(UserSettings::AttachSystemReport, true));
    m_attachReport->setAccessibleDescription(
        tr("Système, charge, réseau, impression et erreurs récentes de cet ordinateur"));
    m_viewReport = new QPushButton(tr("Voir"), content);
    m_viewReport->setObjectName(u"viewReport"_s);
    m_viewReport->setAccessibleName(tr("Voir les informations système"));
    Style::setRole(m_viewReport, "plain");
    m_viewReport->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_attachReport);
    row->addWidget(m_viewReport);
    row->addStretch();
    column->addLayout(row);
    connect(m_attachReport, &QCheckBox::toggled, this, &CreateTicketView::setReportAttached);
    connect(m_viewReport, &QPushButton::clicked, this, &CreateTicketView::showSystemReport);
    connect(m_collector, &SystemReportCollector::finished, this, &CreateTicketView::systemReportRead);
    // Read from the moment the form is on screen, and only if it may go.
    connect(this, &Sheet::appeared, this, [this] {
        if (m_attachReport->isChecked())
            startSystemReport();
    });
}

void CreateTicketView::setReportAttached(bool attached)
{
    m_settings.writeBool(UserSettings::AttachSystemReport, attached);
    if (!m_settings.commit())
        m_error->showText(m_settings.writeFailureText());
    if (attached)
        startSystemReport();
    // An unticked report leaves the draft at its next write.
    draftChanged();
}

void CreateTicketView::startSystemReport()
{
    m_collector->start(screenLines());
}

void CreateTicketView::systemReportRead()
{
    if (m_reportSheet && !m_draftReport)
        m_reportSheet->setReportText(m_collector->report().toText());
    draftChanged();
}

void CreateTicketView::showSystemReport()
{
    startSystemReport();
    const SystemReport report = m_draftReport.value_or(m_collector->report());
    if (m_reportSheet) {
        m_reportSheet->setReportText(report.toText());
        return;
    }
    m_reportSheet = new SystemReportSheet(report.toText(), this);
    m_reportSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_reportSheet->open();
}

std::optional<SystemReport> CreateTicketView::reportToSend() const
{
    if (!m_attachReport->isChecked())
        return std::nullopt;
    if (m_draftReport)
        return m_draftReport;
    return m_collector->report();
}

void CreateTicketView::addActions(QVBoxLayout *column, QWidget *content)
{
    auto *actions = new QHBoxLayout;
    actions->setSpacing(Common::ButtonRowSpacing);
    auto *cancel = new QPushButton(tr("Annuler"), content);
    Style::setRole(cancel, "secondary");
    cancel->setCursor(Qt::PointingHandCursor);
    connect(cancel, &QPushButton::clicked, this, &Sheet::dismiss);
    m_send = new GradientButton(tr("Envoyer le ticket"), content);
    m_send->setObjectName(u"send"_s);
    connect(m_send, &GradientButton::clicked, this, &CreateTicketView::submitTicket);
    actions->addWidget(cancel, 1);
    actions->addWidget(m_send, 2);
    column->addLayout(actions);
}

void CreateTicketView::addOutcomes(QVBoxLayout *column, QWidget *content)
{
    m_error = new NoticeBox(QString(), Style::red(), content);
    m_error->setObjectName(u"error"_s);
    m_error->hide();
    column->addWidget(m_error);
    m_retry = new QPushButton(tr("Réessayer"), content);
    m_retry->setObjectName(u"retry"_s);
    Style::setRole(m_retry, "plain");
    m_retry->setCursor(Qt::PointingHandCursor);
    m_retry->hide();
    column->addWidget(m_retry, 0, Qt::AlignLeft);
    connect(m_retry, &QPushButton::clicked, this, &CreateTicketView::submitTicket);
    m_success = new NoticeBox(u"checkmark.circle.fill"_s, Style::green(), content);
    m_success->setObjectName(u"success"_s);
    m_success->setText(tr("Ticket créé avec succès !"));
    m_success->hide();
    column->addWidget(m_success);
}

void CreateTicketView::takePictures()
{
    connect(m_picker, &AttachmentPicker::failed, m_error, &NoticeBox::showText);
    connect(m_picker, &AttachmentPicker::attachmentChanged, this, &CreateTicketView::draftChanged);
    // A dropped file goes to the form, not into a text field as its path.
    m_titre->setAcceptDrops(false);
    m_description->setAcceptDrops(false);
    m_description->viewport()->setAcceptDrops(false);
    // Ctrl+V with a picture on the clipboard attaches it; with text, the
    // fields paste as usual.
    auto *paste = new QShortcut(QKeySequence::Paste, this);
    paste->setContext(Qt::WidgetWithChildrenShortcut);
    connect(paste, &QShortcut::activated, m_picker, &AttachmentPicker::pasteImage);
    m_picker->watchPastesIn(m_titre);
    m_picker->watchPastesIn(m_description);
}

void CreateTicketView::keepDrafts()
{
    // Every change is written to the draft within a second; closing the
    // sheet writes it at once.
    m_draftTimer = new QTimer(this);
    m_draftTimer->setSingleShot(true);
    m_draftTimer->setInterval(DraftSaveIntervalMs);
    connect(m_draftTimer, &QTimer::timeout, this, &CreateTicketView::saveDraft);
    connect(m_titre, &QLineEdit::textChanged, this, &CreateTicketView::draftChanged);
    connect(m_description, &QPlainTextEdit::textChanged, this, &CreateTicketView::draftChanged);
    connect(m_priority, &SegmentedPicker::valueChanged, this, &CreateTicketView::draftChanged);
}

CreateTicketView::~CreateTicketView()
{
    if (m_draftTimer->isActive())
        saveDraft();
}

void CreateTicketView::done(int result)
{
    saveDraft();
    Sheet::done(result);
}

TicketDraft CreateTicketView::currentDraft() const
{
    TicketDraft draft { m_titre->text(), m_description->toPlainText(), m_priority->value(), std::nullopt };
    if (const std::optional<Attachment> attachment = m_picker->attachment())
        draft.captureBase64 = attachment->base64;
    // A report half read is not worth keeping: the next write has it whole.
    if (m_attachReport->isChecked() && (m_draftReport || m_collector->isFinished()))
        draft.systemReport = reportToSend()->toJson();
    return draft;
}

void CreateTicketView::offerDraft(QWidget *content, QVBoxLayout *column)
{
    m_offered = m_drafts.load();
    if (!m_offered)
        return;
    logLine(u"💥 Brouillon de ticket proposé"_s);
    m_offer = new DraftOffer(content);
    m_offer->setObjectName(u"draftOffer"_s);
    column->insertWidget(column->indexOf(m_identity) + 1, m_offer);
    connect(m_offer, &DraftOffer::resumeRequested, this, &CreateTicketView::resumeDraft);
    connect(m_offer, &DraftOffer::ignoreRequested, this, &CreateTicketView::ignoreDraft);
    // The form waits for the answer, so nothing typed meanwhile competes
    // with the kept draft.
    setFormEnabled(false);
    updateSendButton();
    m_offer->resumeButton()->setFocus();
}

void CreateTicketView::setFormEnabled(bool enabled)
{
    m_titre->setEnabled(enabled);
    m_description->setEnabled(enabled);
    m_picker->setAttachingEnabled(enabled);
    m_priority->setEnabled(enabled);
}

void CreateTicketView::closeDraftOffer()
{
    setFormEnabled(true);
    m_offer->hide();
    m_offer->deleteLater();
    m_offer = nullptr;
    m_offered.reset();
    updateSendButton();
    m_titre->setFocus();
}

void CreateTicketView::resumeDraft()
{
    if (!m_offer)
        return;
    const TicketDraft draft = *m_offered;
    closeDraftOffer();
    m_titre->setText(draft.titre);
    m_description->setPlainText(draft.description);
    m_priority->setValue(draft.priorite);
    if (draft.systemReport)
        m_draftReport = SystemReport::fromJson(*draft.systemReport);
    // A picture attached while the offer waited (a capture asked for from
    // the command line) is newer than the draft's.
    if (draft.captureBase64 && !m_picker->attachment())
        m_picker->attachImage(
            ImageDecoder::fromData(QByteArray::fromBase64(draft.captureBase64->toLatin1())));
}

void CreateTicketView::ignoreDraft()
{
    if (!m_offer)
        return;
    m_drafts.remove();
    closeDraftOffer();
}

void CreateTicketView::draftChanged()
{
    if (!m_offer && !m_succeeded && !m_draftTimer->isActive())
        m_draftTimer->start();
}

void CreateTicketView::saveDraft()
{
    m_draftTimer->stop();
    // A sent ticket is no draft, and an unanswered offer still holds the kept one.
    if (m_succeeded || m_offer)
        return;
    m_drafts.save(currentDraft());
}

void CreateTicketView::updateSendButton()
{
    m_send->setEnabled(!m_isSubmitting && !m_succeeded && !m_offer && !m_titre->text().isEmpty()
        && !m_description->toPlainText().isEmpty());
}

void CreateTicketView::setSubmitting(bool submitting)
{
    m_isSubmitting = submitting;
    m_send->setBusy(submitting);
    updateSendButton();
}

void CreateTicketView::submitTicket()
{
    if (!m_send->isEnabled())
        return;
    submit();
}

QCoro::Task<> CreateTicketView::submit()
{
    const ScreenGuard guard(this);
    setSubmitting(true);
    m_error->hide();
    m_retry->hide();
    m_success->hide();
    const qint64 userId = m_settings.readInteger(UserSettings::UserId);
    // Kept on disk first: a crash during the send loses nothing.
    saveDraft();
    const TicketDraft sent = currentDraft();
    // Named, not a temporary of the call: this compiler's coroutines would
    // destroy a temporary argument twice.
    std::optional<QJsonObject> report;
    if (const std::optional<SystemReport> attached = reportToSend())
        report = attached->toJson();
    const QString draftPath = m_drafts.path();
    try {
        co_await m_api.createTicket(
            userId, sent.titre, sent.description, sent.priorite, sent.captureBase64, report);
        // An open list reloads even if this sheet was closed meanwhile.
        Q_EMIT ticketCreated();
        if (guard.gone()) {
            // Closing the sheet kept the draft; it is sent now, unless a new
            // form has put another draft in its place.
            DraftStore store(draftPath);
            if (store.load() == sent)
                store.remove();
            co_return;
        }
        m_succeeded = true;
        m_draftTimer->stop();
        m_drafts.remove();
        m_success->show();
        QTimer::singleShot(CloseDelayMs, this, &Sheet::dismiss);
        setSubmitting(false);
    } catch (const NorvikError &error) {
        if (guard.gone())
            co_return;
        m_error->showText(failureText(error));
        // A network failure is worth trying again as it is.
        m_retry->setVisible(dynamic_cast<const TransportError *>(&error) != nullptr);
        ScreenParts::revealWhenLaidOut(m_retry);
        setSubmitting(false);
    }
}

bool CreateTicketView::loadAttachment(const QString &path)
{
    return m_picker->loadAttachment(path);
}

void CreateTicketView::dragEnterEvent(QDragEnterEvent *event)
{
    if (AttachmentPicker::canTake(event->mimeData()))
        event->acceptProposedAction();
}

void CreateTicketView::dropEvent(QDropEvent *event)
{
    m_picker->take(event->mimeData());
    event->acceptProposedAction();
}
