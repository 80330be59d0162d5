#include "resetposteview.h"

#include "adminui.h"
#include "core/apiservice.h"
#include "protocol/errors.h"
#include "ui/widgets/errortext.h"
#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/noticebox.h"
#include "ui/widgets/screenguard.h"
#include "ui/widgets/style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace Common = Style::Metrics::Common;

namespace {

namespace Sizes {
constexpr QSize Sheet { 500, 420 };
constexpr int ItemSpacing = 20;
} // namespace Sizes

} // namespace

ResetPosteView::ResetPosteView(APIService &api, const Company &company, QWidget *parent)
    : Sheet(Sizes::Sheet, parent)
    , m_api(api)
    , m_company(company)
{
    setWindowTitle(tr("Réinitialiser un poste"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    column->setSpacing(Sizes::ItemSpacing);
    column->addLayout(buildHeader(this));
    QLabel *why
        = AdminUi::text(tr("Pour un utilisateur qui a perdu son accès (nouvel ordinateur, réinstallation) : "
                           "son prochain enregistrement sur ce poste retrouve ses tickets avec un nouvel "
                           "accès, et l'ancien ne fonctionne plus."),
            Text::Body, QFont::Normal, Style::grey(), this);
    why->setWordWrap(true);
    column->addWidget(why);

    auto *block = new QVBoxLayout();
    block->setSpacing(Common::LabelToField);
    auto *label = new FieldLabel(u"desktopcomputer"_s, tr("Numéro de poste"), true, this);
    m_poste = new QLineEdit(this);
    m_poste->setObjectName(u"poste"_s);
    m_poste->setPlaceholderText(tr("Ex: 42"));
    label->setBuddy(m_poste);
    block->addWidget(label);
    block->addWidget(m_poste);
    column->addLayout(block);

    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    m_errorRow->setObjectName(u"error"_s);
    column->addWidget(m_errorRow);
    m_successRow = new NoticeBox(u"checkmark.circle.fill"_s, Style::green(), this);
    m_successRow->setObjectName(u"success"_s);
    m_successRow->setText(tr("Poste réinitialisé : il peut être enregistré à nouveau."));
    column->addWidget(m_successRow);
    column->addLayout(buildButtons(this));
    column->addStretch();

    connect(m_poste, &QLineEdit::textChanged, this, &ResetPosteView::refresh);
    connect(m_poste, &QLineEdit::returnPressed, this, [this] { submit(); });
    refresh();
    m_poste->setFocus();
}

QLayout *ResetPosteView::buildHeader(QWidget *content)
{
    auto *header = new QHBoxLayout();
    auto *titles = new QVBoxLayout();
    titles->setSpacing(Common::TitleToSubtitle);
    titles->addWidget(
        AdminUi::text(tr("Réinitialiser un poste"), Text::Title, QFont::Bold, Style::white(), content));
    QLabel *company = AdminUi::text(u"%1 (%2)"_s.arg(m_company.nom, m_company.code), Text::Callout,
        QFont::Normal, Style::grey(), content);
    company->setTextFormat(Qt::PlainText);
    titles->addWidget(company);
    header->addLayout(titles);
    header->addStretch();
    IconButton *close = IconButton::closeButton(content);
    connect(close, &QAbstractButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignTop);
    return header;
}

QLayout *ResetPosteView::buildButtons(QWidget *content)
{
    auto *buttons = new QHBoxLayout();
    buttons->setSpacing(Common::ButtonRowSpacing);
    buttons->addWidget(AdminUi::cancelButton(this, content), 1);
    m_reset = new GradientButton(tr("Réinitialiser"), content);
    m_reset->setObjectName(u"reset"_s);
    m_reset->setAutoDefault(false);
    m_reset->setMinimumWidth(10);
    m_reset->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_reset, &QPushButton::clicked, this, [this] { submit(); });
    buttons->addWidget(m_reset, 1);
    return buttons;
}

void ResetPosteView::refresh()
{
    m_reset->setEnabled(!m_isSubmitting && !m_done && !m_poste->text().isEmpty());
    m_reset->setBusy(m_isSubmitting);
    m_poste->setReadOnly(m_isSubmitting || m_done);
    m_errorRow->setVisible(!m_errorRow->text().isEmpty());
    m_successRow->setVisible(m_done);
}

QCoro::Task<void> ResetPosteView::submit()
{
    if (m_isSubmitting || m_done || m_poste->text().isEmpty())
        co_return;
    m_isSubmitting = true;
    m_errorRow->setText(QString());
    refresh();
    const ScreenGuard guard(this);
    QString failure;
    try {
        co_await m_api.resetPoste(m_company.code, m_poste->text());
    } catch (const APIError &error) {
        failure = error.message; // the server's words: no such workstation
    } catch (const std::exception &error) {
        failure = tr("Erreur: %1").arg(errorDescription(error));
    }
    if (guard.gone())
        co_return;
    m_isSubmitting = false;
    m_errorRow->setText(failure);
    m_done = failure.isEmpty();
    if (m_done)
        QTimer::singleShot(CloseDelayMs, this, &Sheet::dismiss);
    refresh();
    Q_EMIT submitFinished();
}
