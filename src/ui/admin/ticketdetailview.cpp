#include "ticketdetailview.h"

#include "adminui.h"
#include "attachmentdecoder.h"
#include "core/apiservice.h"
#include "core/conversations.h"
#include "fullimageview.h"
#include "inforow.h"
#include "protocol/dates.h"
#include "protocol/vocabulary.h"
#include "systemreportsection.h"
#include "ui/conversation/conversationpanel.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/navigationstack.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/prioritybadge.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/statusbadge.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace Common = Style::Metrics::Common;

namespace {

namespace Sizes {
constexpr int SectionPadding = 24;
constexpr int SectionSpacing = 14;
constexpr int SectionGap = 16;
constexpr int SectionTitleSpacing = 10;
constexpr int SectionSymbol = 15;
constexpr int BadgeSpacing = 8;
constexpr int TitleRowSpacing = 12;
constexpr int TitleSymbol = 28;
constexpr int TitleSize = 32;
constexpr int DateRowSpacing = 8;
constexpr int DateSymbol = 16;
constexpr int InnerPadding = 16;
constexpr int InnerSpacing = 12;
constexpr int EditorHeight = 100;
constexpr int CloseButtonHeight = 44;
constexpr int CloseButtonRadius = 10;
constexpr int BannerPadding = 20;
constexpr int BannerSpacing = 10;
constexpr int BannerSymbol = 15;
constexpr QSize Thumbnail { 240, 180 };
constexpr int ThumbnailRadius = 10;
constexpr int ThumbnailShadowRoom = 20; // added to the picture's width and height
constexpr int ThumbnailShadowOffset = 5;
constexpr qreal ThumbnailShadowBlur = 10;
constexpr int ThumbnailFocusRingWidth = 2;
constexpr int InfoGridSpacing = 12;
constexpr int ConversationHeight = 440;
} // namespace Sizes

// The 240 × 180 preview of the attachment; a click opens it full size.
class Thumbnail : public QAbstractButton
{
public:
    Thumbnail(const QImage &image, QWidget *parent)
        : QAbstractButton(parent)
    {
        const QSize shown
            = image.size().scaled(Sizes::Thumbnail, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        const qreal ratio = devicePixelRatioF();
        m_pixmap
            = QPixmap::fromImage(image.scaled(shown * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_pixmap.setDevicePixelRatio(ratio);
        // Room below and around for the shadow.
        setFixedSize(shown.width() + Sizes::ThumbnailShadowRoom, shown.height() + Sizes::ThumbnailShadowRoom);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(TicketDetailView::tr("Pièce jointe"));
        setToolTip(TicketDetailView::tr("Agrandir la pièce jointe"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QSizeF size = m_pixmap.deviceIndependentSize();
        const QRectF frame(
            Sizes::ThumbnailShadowRoom / 2, Sizes::ThumbnailShadowOffset, size.width(), size.height());
        painter.setPen(Qt::NoPen);
        for (int i = 5; i >= 1; --i) {
            QColor shade = Qt::black;
            shade.setAlphaF(0.3f / 5 * 1.5f);
            painter.setBrush(shade);
            const qreal grow = Sizes::ThumbnailShadowBlur * i / 5 / 2;
            painter.drawRoundedRect(
                frame.translated(0, Sizes::ThumbnailShadowOffset).adjusted(-grow, -grow, grow, grow),
                Sizes::ThumbnailRadius + grow, Sizes::ThumbnailRadius + grow);
        }
        QPainterPath clip;
        clip.addRoundedRect(frame, Sizes::ThumbnailRadius, Sizes::ThumbnailRadius);
        painter.save();
        painter.setClipPath(clip);
        painter.drawPixmap(frame.topLeft(), m_pixmap);
        painter.restore();
        painter.setBrush(Qt::NoBrush);
        const bool ring = Style::showsFocusRing(this);
        painter.setPen(
            QPen(ring ? Style::blue() : Style::white(0.2), ring ? Sizes::ThumbnailFocusRingWidth : 1));
        painter.drawRoundedRect(
            frame.adjusted(0.5, 0.5, -0.5, -0.5), Sizes::ThumbnailRadius, Sizes::ThumbnailRadius);
    }

private:
    QPixmap m_pixmap;
};

// A section of the screen: a rounded panel around a column.
QVBoxLayout *sectionLayout(RoundedPanel *panel)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(
        Sizes::SectionPadding, Sizes::SectionPadding, Sizes::SectionPadding, Sizes::SectionPadding);
    layout->setSpacing(Sizes::SectionSpacing);
    return layout;
}

QWidget *titleRow(const QString &symbol, const QColor &color, const QString &title, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Sizes::SectionTitleSpacing);
    layout->addWidget(AdminUi::symbol(symbol, Style::withOpacity(color, 0.8), Sizes::SectionSymbol, row));
    layout->addWidget(AdminUi::text(title, Text::SectionTitle, QFont::DemiBold, Style::white(), row));
    layout->addStretch();
    return row;
}

} // namespace

TicketDetailView::TicketDetailView(
    APIService &api, Conversations &conversations, const Ticket &ticket, QWidget *parent)
    : QWidget(parent)
    , m_api(api)
    , m_conversations(conversations)
    , m_ticket(ticket)
    // Decoded once: the thumbnail and the full-size view share this image.
    , m_attachment(AttachmentDecoder::decode(ticket.captureBase64))
{
    Style::applyTo(this);
    setAccessibleName(m_ticket.displayTitle());

    QVBoxLayout *column = ScreenParts::bareColumn(this);

    column->addWidget(NavigationStack::backBar(this));

    QWidget *content = ScreenParts::addScrollingPage(column, 1);
    auto *sections = new QVBoxLayout(content);
    sections->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    sections->setSpacing(Sizes::SectionGap);
    sections->addWidget(buildHeader());
    if (m_conversations.isAvailable())
        sections->addWidget(buildConversationSection());
    m_adminSection = buildAdminSection();
    sections->addWidget(m_adminSection);
    m_closedBanner = buildClosedBanner();
    sections->addWidget(m_closedBanner);
    sections->addWidget(buildMessageSection());
    if (m_attachment)
        sections->addWidget(buildAttachmentSection());
    sections->addWidget(buildUserSection());
    if (m_api.hasStaffSession())
        sections->addWidget(new SystemReportSection(m_api, m_ticket.id, content));
    sections->addStretch();

    m_fullImage = new FullImageView(this);

    refresh();
}

bool TicketDetailView::canClose() const
{
    return !m_ticketClosed && !Status::isClosed(m_ticket.status.value_or(QString()));
}

QWidget *TicketDetailView::buildHeader()
{
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    auto *layout = sectionLayout(panel);

    auto *badges = new QHBoxLayout();
    badges->setSpacing(Sizes::BadgeSpacing);
    m_statusBadge = new StatusBadge(m_ticket.status.value_or(u"open"_s), panel);
    badges->addWidget(m_statusBadge);
    badges->addWidget(new PriorityBadge(m_ticket.priorite, panel));
    badges->addStretch();
    layout->addLayout(badges);

    auto *titleRow = new QHBoxLayout();
    titleRow->setSpacing(Sizes::TitleRowSpacing);
    titleRow->addWidget(AdminUi::symbol(u"doc.text.fill"_s, Style::withOpacity(Style::blue(), 0.8),
                            Sizes::TitleSymbol, panel),
        0, Qt::AlignTop);
    QLabel *title
        = AdminUi::text(m_ticket.displayTitle(), Sizes::TitleSize, QFont::Bold, Style::white(), panel);
    title->setWordWrap(true);
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titleRow->addWidget(title, 1);
    layout->addLayout(titleRow);

    auto *dateRow = new QHBoxLayout();
    dateRow->setSpacing(Sizes::DateRowSpacing);
    dateRow->addWidget(AdminUi::symbol(u"calendar"_s, Style::grey(), Sizes::DateSymbol, panel));
    dateRow->addWidget(
        AdminUi::text(tr("Créé le %1").arg(Dates::formatAdminDetail(m_ticket.createdAt.value_or(QString()))),
            Text::Headline, QFont::Normal, Style::grey(), panel));
    dateRow->addStretch();
    layout->addLayout(dateRow);
    return panel;
}

QWidget *TicketDetailView::buildConversationSection()
{
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    panel->setObjectName(u"conversationSection"_s);
    auto *layout = sectionLayout(panel);
    layout->addWidget(titleRow(u"text.bubble.fill"_s, Style::blue(), tr("Conversation"), panel));
    m_conversation
        = new ConversationPanel(m_conversations, m_ticket.id, ConversationPanel::Side::Staff, panel);
    m_conversation->setFixedHeight(Sizes::ConversationHeight);
    layout->addWidget(m_conversation);
    return panel;
}

QWidget *TicketDetailView::buildAdminSection()
{
    auto *panel = new RoundedPanel(
        Style::withOpacity(Style::red(), 0.05), this, Style::withOpacity(Style::red(), 0.3));
    auto *layout = sectionLayout(panel);
    layout->addWidget(titleRow(u"shield.fill"_s, Style::red(), tr("Actions Administrateur"), panel));

    auto *inner = new RoundedPanel(Style::white(0.03), panel);
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->setContentsMargins(
        Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding);
    innerLayout->setSpacing(Sizes::InnerSpacing);
    QLabel *label = AdminUi::text(
        tr("Message de clôture (optionnel)"), Text::Callout, QFont::Medium, Style::grey(), inner);
    innerLayout->addWidget(label);
    m_editor = new QPlainTextEdit(inner);
    m_editor->setFixedHeight(Sizes::EditorHeight);
    m_editor->setTabChangesFocus(true);
    m_editor->setAccessibleName(label->text());
    m_editor->setStyleSheet(Style::Sheets::closeMessageEditor());
    label->setBuddy(m_editor);
    connect(
        m_editor, &QPlainTextEdit::textChanged, this, [this] { m_closeMessage = m_editor->toPlainText(); });
    innerLayout->addWidget(m_editor);

    // Red to orange rather than the screens' usual blue: this one ends the ticket.
    m_closeButton = new GradientButton(tr("Fermer ce ticket"), inner);
    m_closeButton->setLook({ .from = Style::withOpacity(Style::red(), 0.7),
        .to = Style::withOpacity(Style::orange(), 0.7),
        .radius = Sizes::CloseButtonRadius,
        .inset = 0 });
    m_closeButton->setSymbol(u"checkmark.circle.fill"_s);
    m_closeButton->setBusyText(tr("Fermeture..."));
    m_closeButton->setFixedHeight(Sizes::CloseButtonHeight);
    connect(m_closeButton, &QPushButton::clicked, this, &TicketDetailView::requestClose);
    innerLayout->addWidget(m_closeButton);

    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), inner);
    innerLayout->addWidget(m_errorRow);
    layout->addWidget(inner);
    return panel;
}

QWidget *TicketDetailView::buildClosedBanner()
{
    auto *panel = new RoundedPanel(
        Style::withOpacity(Style::ticketDone(), 0.1), this, Style::withOpacity(Style::ticketDone(), 0.3));
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(
        Sizes::BannerPadding, Sizes::BannerPadding, Sizes::BannerPadding, Sizes::BannerPadding);
    row->setSpacing(Sizes::BannerSpacing);
    row->addWidget(
        AdminUi::symbol(u"checkmark.seal.fill"_s, Style::ticketDone(), Sizes::BannerSymbol, panel));
    row->addWidget(
        AdminUi::text(tr("Ce ticket a été fermé"), Text::Lead, QFont::DemiBold, Style::ticketDone(), panel));
    row->addStretch();
    panel->setAccessibleName(tr("Ce ticket a été fermé"));
    return panel;
}

QWidget *TicketDetailView::buildMessageSection()
{
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    auto *layout = sectionLayout(panel);
    layout->addWidget(titleRow(u"text.bubble.fill"_s, Style::green(), tr("Message"), panel));
    auto *box = new RoundedPanel(Style::white(0.03), panel);
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(
        Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding);
    QLabel *message
        = AdminUi::text(m_ticket.displayMessage(), Text::Lead, QFont::Normal, Style::white(0.85), box);
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    boxLayout->addWidget(message);
    layout->addWidget(box);
    return panel;
}

QWidget *TicketDetailView::buildAttachmentSection()
{
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    auto *layout = sectionLayout(panel);
    auto *title = new QHBoxLayout();
    title->setSpacing(Sizes::SectionTitleSpacing);
    title->addWidget(AdminUi::symbol(
        u"photo.fill"_s, Style::withOpacity(Style::orange(), 0.8), Sizes::SectionSymbol, panel));
    title->addWidget(
        AdminUi::text(tr("Pièce jointe"), Text::SectionTitle, QFont::DemiBold, Style::white(), panel));
    title->addWidget(AdminUi::text(u"(1)"_s, Text::Lead, QFont::Medium, Style::grey(), panel));
    title->addStretch();
    layout->addLayout(title);
    auto *thumbnail = new Thumbnail(*m_attachment, panel);
    connect(thumbnail, &QAbstractButton::clicked, this, &TicketDetailView::openFullImage);
    layout->addWidget(thumbnail);
    return panel;
}

QWidget *TicketDetailView::buildUserSection()
{
    auto *panel = new RoundedPanel(Style::white(0.05), this);
    auto *layout = sectionLayout(panel);
    layout->addWidget(
        titleRow(u"person.circle.fill"_s, Style::purple(), tr("Informations utilisateur"), panel));
    auto *box = new RoundedPanel(Style::white(0.03), panel);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(
        Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding, Sizes::InnerPadding);
    grid->setSpacing(Sizes::InfoGridSpacing);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    QList<InfoRow *> tiles;
    const Ticket &t = m_ticket;
    if (t.prenom && t.nom)
        tiles << new InfoRow(
            u"person.fill"_s, Style::blue(), tr("Nom complet"), *t.prenom + u' ' + *t.nom, box);
    if (t.telephone && !t.telephone->isEmpty())
        tiles << new InfoRow(u"phone.fill"_s, Style::pink(), tr("Téléphone"), *t.telephone, box);
    if (t.societe && !t.societe->isEmpty())
        tiles << new InfoRow(u"building.2.fill"_s, Style::orange(), tr("Société"), *t.societe, box);
    if (t.poste && !t.poste->isEmpty())
        tiles << new InfoRow(u"desktopcomputer"_s, Style::green(), tr("Poste"), *t.poste, box);
    for (int i = 0; i < tiles.size(); ++i)
        grid->addWidget(tiles.at(i), i / 2, i % 2);
    layout->addWidget(box);
    return panel;
}

void TicketDetailView::refresh()
{
    m_statusBadge->setStatus(m_ticketClosed ? u"closed"_s : m_ticket.status.value_or(u"open"_s));
    m_adminSection->setVisible(canClose());
    m_closedBanner->setVisible(isClosed());
    if (m_conversation)
        m_conversation->setClosed(isClosed());
    m_editor->setReadOnly(m_isClosing);
    m_editor->setEnabled(!m_isClosing);
    m_closeButton->setEnabled(!m_isClosing);
    m_closeButton->setBusy(m_isClosing);
    m_errorRow->setVisible(m_closeError.has_value());
    if (m_closeError)
        m_errorRow->setText(*m_closeError);
}

void TicketDetailView::requestClose()
{
    if (!canClose() || m_isClosing || m_confirm)
        return;
    m_confirm = new QMessageBox(QMessageBox::Warning, tr("Confirmer la fermeture"),
        tr("Voulez-vous vraiment fermer ce ticket ? Cette action marquera le ticket comme "
           "résolu."),
        QMessageBox::NoButton, this);
    m_confirm->setAttribute(Qt::WA_DeleteOnClose);
    m_confirm->setWindowModality(Qt::WindowModal);
    QPushButton *cancel = m_confirm->addButton(tr("Annuler"), QMessageBox::RejectRole);
    QPushButton *confirm = m_confirm->addButton(tr("Fermer le ticket"), QMessageBox::DestructiveRole);
    // The safe answer is the one Return gives.
    m_confirm->setDefaultButton(cancel);
    m_confirm->setEscapeButton(cancel);
    connect(m_confirm, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton *button) {
        if (button == confirm)
            performClose();
    });
    connect(m_confirm, &QObject::destroyed, this, [this] { m_confirm = nullptr; });
    m_confirm->open();
}

QCoro::Task<void> TicketDetailView::performClose()
{
    m_isClosing = true;
    m_closeError.reset();
    refresh();
    // An empty editor sends no message; anything else goes exactly as typed.
    const std::optional<QString> message
        = m_closeMessage.isEmpty() ? std::nullopt : std::optional<QString>(m_closeMessage);
    const qint64 id = m_ticket.id;
    const ScreenGuard guard(this);
    std::optional<QString> failure;
    try {
        co_await m_api.closeTicket(id, message);
    } catch (const std::exception &error) {
        failure = errorDescription(error);
    }
    if (guard.gone())
        co_return;
    m_isClosing = false;
    if (failure) {
        m_closeError = failure;
    } else {
        m_ticketClosed = true;
        QTimer::singleShot(ReturnDelayMs, this, &TicketDetailView::dismiss);
    }
    refresh();
    // The badge and the banner that say the ticket is closed head the page,
    // while the close button that was just used sits far below them.
    if (m_ticketClosed)
        ScreenParts::scrollToTop(m_statusBadge);
    emit closeFinished();
}

void TicketDetailView::openFullImage()
{
    if (!m_attachment)
        return;
    m_selectedImage = m_attachment;
    m_fullImage->present(*m_selectedImage);
}

void TicketDetailView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The full-size view covers the whole screen, whatever its size now.
    m_fullImage->setGeometry(rect());
}

void TicketDetailView::dismiss()
{
    NavigationStack *stack = NavigationStack::of(this);
    if (stack && stack->top() == this)
        stack->pop();
}
