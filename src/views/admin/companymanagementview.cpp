#include "companymanagementview.h"

#include "addcompanyview.h"
#include "adminui.h"
#include "api/apiservice.h"
#include "api/errors.h"
#include "companyrow.h"
#include "views/gradientbutton.h"
#include "views/iconbutton.h"
#include "views/noticebox.h"
#include "views/spinner.h"
#include "views/style.h"
#include "views/symbolicons.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// "Nouvelle société": the primary gradient with the plus symbol before the words.
class NewCompanyButton : public GradientButton
{
public:
    explicit NewCompanyButton(QWidget *parent)
        : GradientButton(u"Nouvelle société"_s, parent)
    {
        setFont(Style::font(13, QFont::Medium));
        setFixedHeight(36);
        setAutoDefault(false);
    }

    QSize sizeHint() const override
    {
        return QSize(fontMetrics().horizontalAdvance(text()) + 16 + 6 + 32, 36);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Style::primaryGradient(area));
        painter.drawRoundedRect(area, 10, 10);
        if (hasFocus()) {
            painter.setPen(QPen(Style::white(0.85), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), 9, 9);
        }
        const qreal textWidth = fontMetrics().horizontalAdvance(text());
        const qreal left = area.center().x() - (16 + 6 + textWidth) / 2;
        SymbolIcons::paint(
            &painter, u"plus.circle.fill", QRectF(left, area.center().y() - 8, 16, 16), Style::white());
        painter.setPen(Style::white());
        painter.setFont(font());
        painter.drawText(QRectF(left + 22, area.top(), textWidth + 2, area.height()),
            Qt::AlignVCenter | Qt::AlignLeft, text());
    }
};

} // namespace

CompanyManagementView::CompanyManagementView(QWidget *parent)
    : Sheet(QSize(600, 550), parent)
{
    setWindowTitle(u"Gestion des sociétés"_s);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QHBoxLayout();
    header->setContentsMargins(20, 24, 20, 24);
    header->setSpacing(8);
    // Slightly under the other sheets' 24 points: with this platform's larger
    // points the title and both buttons must still share 600 of width.
    QLabel *title = AdminUi::text(u"Gestion des sociétés"_s, 21, QFont::Bold, Style::white(), this);
    // The title never gives way to the buttons beside it.
    title->ensurePolished();
    title->setMinimumWidth(title->sizeHint().width());
    header->addWidget(title);
    header->addStretch();
    auto *add = new NewCompanyButton(this);
    connect(add, &QPushButton::clicked, this, &CompanyManagementView::showAddCompany);
    header->addWidget(add);
    IconButton *close = IconButton::closeButton(this);
    connect(close, &QAbstractButton::clicked, this, &Sheet::dismiss);
    header->addWidget(close);
    column->addLayout(header);

    m_errorRow = new NoticeBox(u"exclamationmark.triangle.fill"_s, Style::red(), this);
    auto *errorMargin = new QHBoxLayout();
    errorMargin->setContentsMargins(24, 0, 24, 0);
    errorMargin->addWidget(m_errorRow);
    column->addLayout(errorMargin);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(scroll);
    m_faces = new QStackedLayout(content);

    m_loadingFace = new QWidget(content);
    auto *loading = new QVBoxLayout(m_loadingFace);
    loading->setContentsMargins(40, 40, 40, 40);
    loading->addWidget(new Spinner(20, Style::white(), m_loadingFace), 0, Qt::AlignHCenter | Qt::AlignTop);
    loading->addStretch();

    m_listFace = new QWidget(content);
    auto *listColumn = new QVBoxLayout(m_listFace);
    listColumn->setContentsMargins(24, 24, 24, 24);
    listColumn->setSpacing(12);
    m_rows = new QVBoxLayout();
    m_rows->setSpacing(12);
    listColumn->addLayout(m_rows);
    listColumn->addStretch();

    m_emptyFace = new QWidget(content);
    auto *empty = new QVBoxLayout(m_emptyFace);
    empty->setContentsMargins(60, 60, 60, 60);
    empty->setSpacing(16);
    empty->addWidget(AdminUi::symbol(u"building.2"_s, Style::grey(), 48, m_emptyFace), 0, Qt::AlignHCenter);
    empty->addWidget(
        AdminUi::text(u"Aucune société enregistrée"_s, 16, QFont::Normal, Style::grey(), m_emptyFace), 0,
        Qt::AlignHCenter);
    empty->addStretch();

    m_faces->addWidget(m_loadingFace);
    m_faces->addWidget(m_listFace);
    m_faces->addWidget(m_emptyFace);
    scroll->setWidget(content);
    column->addWidget(scroll, 1);
    refresh();
}

void CompanyManagementView::showEvent(QShowEvent *event)
{
    Sheet::showEvent(event);
    // Each time the sheet comes on screen, not when the desktop restores it.
    if (!event->spontaneous())
        loadCompanies();
}

void CompanyManagementView::showAddCompany()
{
    if (m_addCompany)
        return;
    QPointer<CompanyManagementView> self(this);
    m_addCompany = new AddCompanyView(
        [self] {
            if (self)
                self->loadCompanies();
        },
        this);
    m_addCompany->setAttribute(Qt::WA_DeleteOnClose);
    m_addCompany->open();
}

void CompanyManagementView::refresh()
{
    m_errorRow->setVisible(m_showError);
    m_errorRow->setText(m_errorMessage);
    if (m_isLoading)
        m_faces->setCurrentWidget(m_loadingFace);
    else if (!m_companies.isEmpty())
        m_faces->setCurrentWidget(m_listFace);
    else
        m_faces->setCurrentWidget(m_emptyFace);
}

void CompanyManagementView::rebuildRows()
{
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const Company &company : std::as_const(m_companies))
        m_rows->addWidget(new CompanyRow(company, m_listFace));
}

QCoro::Task<void> CompanyManagementView::loadCompanies()
{
    m_isLoading = true;
    m_showError = false;
    refresh();
    QPointer<CompanyManagementView> self(this);
    std::optional<QString> failure;
    QList<Company> fetched;
    try {
        fetched = co_await APIService::shared().getCompanies();
    } catch (const NorvikError &error) {
        failure = error.description();
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self)
        co_return;
    if (failure) {
        // The previous list stays under the error row.
        m_errorMessage = u"Erreur de chargement: "_s + *failure;
        m_showError = true;
    } else {
        m_companies = std::move(fetched);
        rebuildRows();
    }
    m_isLoading = false;
    refresh();
    emit loadFinished();
}

AddCompanyView *CompanyManagementView::addCompanyView() const
{
    return m_addCompany;
}
