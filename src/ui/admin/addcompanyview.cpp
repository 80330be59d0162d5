#include "addcompanyview.h"

#include "adminui.h"
#include "companycode.h"
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
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace Common = Style::Metrics::Common;

namespace {

namespace Sizes {
constexpr QSize Sheet { 500, 450 };
constexpr int ItemSpacing = 20;
} // namespace Sizes

} // namespace

AddCompanyView::AddCompanyView(APIService &api, std::function<void()> onCompanyAdded, QWidget *parent)
    : Sheet(Sizes::Sheet, parent)
    , m_onCompanyAdded(std::move(onCompanyAdded))
    , m_api(api)
{
    setWindowTitle(tr("Nouvelle société"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(scroll);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(
        Common::SheetPadding, Common::SheetPadding, Common::SheetPadding, Common::SheetPadding);
    column->setSpacing(Sizes::ItemSpacing);
    column->addLayout(buildHeader(content));
    buildFields(content, column);
    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), content);
    m_errorRow->setObjectName(u"error"_s);
    column->addWidget(m_errorRow);
    m_successRow = new NoticeBox(u"checkmark.circle.fill"_s, Style::green(), content);
    m_successRow->setObjectName(u"success"_s);
    m_successRow->setText(tr("Société créée avec succès !"));
    column->addWidget(m_successRow);
    column->addLayout(buildButtons(content));
    column->addStretch();
    scroll->setWidget(content);
    outer->addWidget(scroll);

    connect(m_nom, &QLineEdit::textChanged, this, &AddCompanyView::refresh);
    connect(m_code, &QLineEdit::textChanged, this, &AddCompanyView::sanitizeField);
    refresh();
    m_nom->setFocus();
}

QLayout *AddCompanyView::buildHeader(QWidget *content)
{
    auto *header = new QHBoxLayout();
    auto *titles = new QVBoxLayout();
    titles->setSpacing(Common::TitleToSubtitle);
    titles->addWidget(
        AdminUi::text(tr("Nouvelle société"), Text::Title, QFont::Bold, Style::white(), content));
    titles->addWidget(AdminUi::text(
        tr("Ajouter une nouvelle société au système"), Text::Callout, QFont::Normal, Style::grey(), content));
    header->addLayout(titles);
    header->addStretch();
    IconButton *close = IconButton::closeButton(content);
    connect(close, &QAbstractButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close, 0, Qt::AlignTop);
    return header;
}

void AddCompanyView::buildFields(QWidget *content, QVBoxLayout *column)
{
    auto field = [&](const QString &symbol, const QString &label, const QString &placeholder) {
        auto *block = new QVBoxLayout();
        block->setSpacing(Common::LabelToField);
        auto *fieldLabel = new FieldLabel(symbol, label, true, content);
        auto *edit = new QLineEdit(content);
        edit->setPlaceholderText(placeholder);
        fieldLabel->setBuddy(edit);
        block->addWidget(fieldLabel);
        block->addWidget(edit);
        column->addLayout(block);
        return std::pair(block, edit);
    };
    m_nom = field(u"building.2"_s, tr("Nom de la société"), tr("Ex: Norvik")).second;
    m_nom->setObjectName(u"nom"_s);
    auto [codeBlock, codeEdit] = field(u"number"_s, tr("Code unique (3-10 caractères)"), tr("Ex: NORVIK001"));
    m_code = codeEdit;
    m_code->setObjectName(u"code"_s);
    codeBlock->addWidget(AdminUi::text(tr("Lettres majuscules et chiffres uniquement"), Text::Footnote,
        QFont::Normal, Style::withOpacity(Style::grey(), 0.7), content));
}

QLayout *AddCompanyView::buildButtons(QWidget *content)
{
    auto *buttons = new QHBoxLayout();
    buttons->setSpacing(Common::ButtonRowSpacing);
    buttons->addWidget(AdminUi::cancelButton(this, content), 1);
    m_create = new GradientButton(tr("Créer la société"), content);
    m_create->setAutoDefault(false);
    m_create->setMinimumWidth(10);
    m_create->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_create, &QPushButton::clicked, this, [this] { submitCompany(); });
    buttons->addWidget(m_create, 1);
    return buttons;
}

QString AddCompanyView::nom() const
{
    return m_nom->text();
}

QString AddCompanyView::code() const
{
    return m_code->text();
}

bool AddCompanyView::isFormValid() const
{
    return CompanyCode::isFormValid(nom(), code());
}

void AddCompanyView::sanitizeField()
{
    const QString typed = m_code->text();
    const QString kept = sanitizeCode(typed);
    if (kept != typed) {
        // Keep the caret where the user was typing, counted in kept characters.
        const int caret = int(sanitizeCode(typed.left(m_code->cursorPosition())).size());
        m_code->setText(kept); // re-enters here once and settles at once
        m_code->setCursorPosition(qMin(caret, int(kept.size())));
        return;
    }
    refresh();
}

void AddCompanyView::refresh()
{
    m_create->setEnabled(!m_isSubmitting && !m_created && isFormValid());
    m_create->setBusy(m_isSubmitting);
    m_errorRow->setVisible(m_showError);
    m_errorRow->setText(m_errorMessage);
    m_successRow->setVisible(m_showSuccess);
}

QCoro::Task<void> AddCompanyView::submitCompany()
{
    if (m_isSubmitting || m_created || !isFormValid())
        co_return;
    m_isSubmitting = true;
    m_showError = false;
    m_showSuccess = false;
    refresh();
    const QString nom = this->nom();
    const QString code = this->code();
    const ScreenGuard guard(this);
    // Copied now: the form may be closed while the request is out, and the
    // company list must still learn of a company that was created.
    const std::function<void()> added = m_onCompanyAdded;
    std::optional<QString> failure;
    try {
        co_await m_api.createCompany(nom, code);
    } catch (const APIError &error) {
        // The server's own words, for instance why a code is refused.
        failure = error.message;
    } catch (const std::exception &error) {
        failure = tr("Erreur: %1").arg(errorDescription(error));
    }
    if (guard.gone()) {
        if (!failure && added)
            added();
        co_return;
    }
    if (failure) {
        m_errorMessage = *failure;
        m_showError = true;
    } else {
        m_showSuccess = true;
        m_created = true;
        // The list reloads even if the form is closed by hand meanwhile, so
        // the step lives on the presenter when there is one.
        QObject *context = parent() ? parent() : this;
        QPointer<AddCompanyView> form(this);
        QTimer::singleShot(CloseDelayMs, context, [form, added] {
            if (added)
                added();
            if (form)
                form->dismiss();
        });
    }
    m_isSubmitting = false;
    refresh();
    emit submitFinished();
}
