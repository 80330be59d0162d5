#include "ticketgridview.h"

#include "ticketcarddelegate.h"
#include "ticketlistmodel.h"
#include "ui/widgets/screenlook.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {
constexpr int ScrollStep = 24; // one wheel or arrow step
} // namespace

TicketGridView::TicketGridView(TicketListModel *model, QWidget *parent)
    : QListView(parent)
    , m_model(model)
{
    setModel(model);
    m_delegate = new TicketCardDelegate(this);
    setItemDelegate(m_delegate);
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSpacing(0);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(ScrollStep);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Tickets"));
    viewport()->setAttribute(Qt::WA_Hover);

    connect(this, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() == m_releasedOnCard)
            emit ticketActivated(index.row());
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_delegate->reset();
        if (hasFocus())
            ensureCardIsCurrent();
    });
}

bool TicketGridView::isCard(int row) const
{
    return row >= 0 && row < m_model->rowCount() && m_model->rowKind(row) == TicketListModel::RowKind::Card;
}

QModelIndex TicketGridView::cardIndex(int row) const
{
    return isCard(row) ? m_model->index(row) : QModelIndex();
}

int TicketGridView::cardRowAt(const QPoint &position) const
{
    // The gaps between cards belong to no card.
    const QModelIndex index = indexAt(position);
    return index.isValid() && isCard(index.row())
            && TicketCardDelegate::cardRect(visualRect(index)).contains(position)
        ? index.row()
        : -1;
}

void TicketGridView::mouseMoveEvent(QMouseEvent *event)
{
    m_delegate->setHoveredRow(cardRowAt(event->position().toPoint()));
    QListView::mouseMoveEvent(event);
}

void TicketGridView::mouseReleaseEvent(QMouseEvent *event)
{
    m_releasedOnCard = cardRowAt(event->position().toPoint());
    QListView::mouseReleaseEvent(event);
}

void TicketGridView::leaveEvent(QEvent *event)
{
    m_delegate->setHoveredRow(-1);
    QListView::leaveEvent(event);
}

void TicketGridView::ensureCardIsCurrent()
{
    // The keyboard cursor rests on a card, never on a header or nowhere.
    if (currentIndex().isValid() && isCard(currentIndex().row()))
        return;
    for (const auto section : { TicketListModel::Section::Open, TicketListModel::Section::Closed }) {
        const int first = m_model->sectionRows(section).first;
        if (first >= 0) {
            setCurrentIndex(m_model->index(first));
            return;
        }
    }
}

void TicketGridView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    ensureCardIsCurrent();
}

void TicketGridView::keyPressEvent(QKeyEvent *event)
{
    // Moving between cards with the keys is keyboard use, even after a click
    // focused the grid: the cursor's card shows its ring from now on.
    if (!property(ScreenLook::KeyboardFocus).toBool()) {
        setProperty(ScreenLook::KeyboardFocus, true);
        viewport()->update();
    }
    // Alt+Left is the window's "back", not a move between cards.
    if (event->matches(QKeySequence::Back)) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (currentIndex().isValid() && isCard(currentIndex().row())) {
            emit ticketActivated(currentIndex().row());
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

QModelIndex TicketGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    using Section = TicketListModel::Section;
    const auto open = m_model->sectionRows(Section::Open);
    const auto closed = m_model->sectionRows(Section::Closed);
    const int firstCard = open.first >= 0 ? open.first : closed.first;
    const int lastCard = closed.last >= 0 ? closed.last : open.last;
    if (firstCard < 0)
        return {};
    const int current = currentIndex().isValid() && isCard(currentIndex().row()) ? currentIndex().row() : -1;
    if (current < 0)
        return m_model->index(firstCard);

    switch (action) {
    case MoveRight:
    case MoveNext:
        return m_model->index(cardAlong(current, 1));
    case MoveLeft:
    case MovePrevious:
        return m_model->index(cardAlong(current, -1));
    case MoveDown:
        return m_model->index(cardBelow(current));
    case MoveUp:
        return m_model->index(cardAbove(current));
    case MoveHome:
        return m_model->index(firstCard);
    case MoveEnd:
        return m_model->index(lastCard);
    case MovePageUp:
    case MovePageDown: {
        QModelIndex index = QListView::moveCursor(action, modifiers);
        if (index.isValid() && !isCard(index.row()))
            index = cardIndex(index.row() + 1);
        return index.isValid() ? index : m_model->index(current);
    }
    }
    return m_model->index(current);
}

int TicketGridView::cardAlong(int current, int step) const
{
    int next = current + step;
    if (!isCard(next))
        next += step; // over the closed section's header
    return isCard(next) ? next : current;
}

TicketGridView::Place TicketGridView::placeOf(int current) const
{
    Place place { m_model->sectionRows(TicketListModel::Section::Open),
        m_model->sectionRows(TicketListModel::Section::Closed), false, {}, 0 };
    place.inOpen = place.open.first >= 0 && current <= place.open.last;
    place.here = place.inOpen ? place.open : place.closed;
    place.column = (current - place.here.first) % TicketCardDelegate::Columns;
    return place;
}

int TicketGridView::cardBelow(int current) const
{
    constexpr int cols = TicketCardDelegate::Columns;
    const auto [open, closed, inOpen, here, column] = placeOf(current);
    if (current + cols <= here.last)
        return current + cols;
    // From the line above a shorter last line, land on its last card.
    if (current - column + cols <= here.last)
        return here.last;
    if (inOpen && closed.first >= 0)
        return qMin(closed.first + column, closed.last);
    return current;
}

int TicketGridView::cardAbove(int current) const
{
    constexpr int cols = TicketCardDelegate::Columns;
    const auto [open, closed, inOpen, here, column] = placeOf(current);
    if (current - cols >= here.first)
        return current - cols;
    if (!inOpen && open.first >= 0) {
        const int lastLineStart = open.first + ((open.last - open.first) / cols) * cols;
        return qMin(lastLineStart + column, open.last);
    }
    return current;
}
