#include "ui/admin/ticketlistmodel.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Ticket ticket(qint64 id, std::optional<QString> status, std::optional<QString> createdAt)
{
    Ticket t;
    t.id = id;
    t.status = std::move(status);
    t.createdAt = std::move(createdAt);
    return t;
}

QList<qint64> idsOf(const QList<Ticket> &tickets)
{
    QList<qint64> ids;
    for (const Ticket &t : tickets)
        ids << t.id;
    return ids;
}

// The grid as a reader meets it: "H:<title>:<count>" for headers, ids for cards.
QStringList layout(const TicketListModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        if (model.rowKind(row) == TicketListModel::RowKind::Header)
            rows << u"H:"_s + index.data().toString() + u':'
                    + index.data(TicketListModel::SectionCountRole).toString();
        else
            rows << index.data(TicketListModel::TicketIdRole).toString();
    }
    return rows;
}

} // namespace

class TestTicketListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mixedStatuses_sectionsOrderAndCount();
    void sort_isStableAndPutsMissingDatesLast();
    void cardText_fallbacksFrenchDatesAndAccessibleRoles();
};

void TestTicketListModel::mixedStatuses_sectionsOrderAndCount()
{
    TicketListModel model;
    model.setTickets({
        ticket(1, u"Ouvert"_s, u"2025-01-01 10:00:00"_s),
        ticket(2, u"CLOSED"_s, u"2025-01-03 10:00:00"_s),
        ticket(3, u"en_cours"_s, u"2025-01-05 10:00:00"_s),
        ticket(4, std::nullopt, u"2025-01-04 10:00:00"_s),
        ticket(5, u"OPEN"_s, std::nullopt),
        ticket(6, u"Fermé"_s, u"2025-01-02 10:00:00"_s),
        ticket(7, u"FERMÉ"_s, std::nullopt),
        ticket(8, u"open"_s, u"2025-01-06 10:00:00"_s),
    });
    QCOMPARE(TicketListModel::countLine(1), u"1 ticket au total"_s);
    QCOMPARE(idsOf(model.tickets()), (QList<qint64> { 8, 3, 4, 2, 6, 1, 5, 7 }));
    QCOMPARE(layout(model),
        (QStringList { u"H:Tickets en cours:3"_s, u"8"_s, u"1"_s, u"5"_s, u"H:Tickets fermés:3"_s, u"2"_s,
            u"6"_s, u"7"_s }));
    QCOMPARE(model.rowOfTicket(6), 6);
    const auto open = model.sectionRows(TicketListModel::Section::Open);
    const auto closed = model.sectionRows(TicketListModel::Section::Closed);
    QCOMPARE((QList<int> { open.header, open.first, open.last }), (QList<int> { 0, 1, 3 }));
    QCOMPARE((QList<int> { closed.header, closed.first, closed.last }), (QList<int> { 4, 5, 7 }));
    QCOMPARE(model.rowOfTicket(3), -1); // en_cours: counted, shown nowhere
    // Headers are read, never selected by the keyboard cursor.
    QVERIFY(!(model.flags(model.index(0)) & Qt::ItemIsSelectable));
    QVERIFY(model.flags(model.index(1)) & Qt::ItemIsSelectable);

    // An empty section has no header; tickets shown nowhere leave no row at all.
    model.setTickets(
        { ticket(1, u"fermé"_s, u"2025-01-01 10:00:00"_s), ticket(2, u"en_cours"_s, std::nullopt) });
    QCOMPARE(layout(model), (QStringList { u"H:Tickets fermés:1"_s, u"1"_s }));
    model.setTickets({ ticket(3, std::nullopt, std::nullopt) });
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.tickets().size(), 1);
}

void TestTicketListModel::sort_isStableAndPutsMissingDatesLast()
{
    QList<Ticket> tickets {
        ticket(1, u"open"_s, std::nullopt),
        ticket(2, u"open"_s, u"2025-02-01 08:00:00"_s),
        ticket(3, u"open"_s, u"2025-02-01 08:00:00"_s),
        ticket(4, u"open"_s, u""_s),
        ticket(5, u"open"_s, u"2025-02-01 09:00:00"_s),
        ticket(6, u"open"_s, u"2025-02-01 08:00:00"_s),
        ticket(7, u"open"_s, std::nullopt),
    };
    TicketListModel::sortNewestFirst(tickets);
    // Equal keys keep the server's order, and a missing date is the empty text.
    QCOMPARE(idsOf(tickets), (QList<qint64> { 5, 2, 3, 6, 1, 4, 7 }));
}

void TestTicketListModel::cardText_fallbacksFrenchDatesAndAccessibleRoles()
{
    Ticket withoutStatus = ticket(1, std::nullopt, std::nullopt);
    Ticket onlyFirstName = ticket(2, u"open"_s, u"2025-03-14T09:26:53.589Z"_s);
    onlyFirstName.titre = u"  Imprimante"_s;
    onlyFirstName.priorite = u"Haute"_s;
    onlyFirstName.prenom = u"Léa"_s;
    onlyFirstName.societe = QString();
    Ticket full = ticket(3, u"fermé"_s, u"2025-01-02 10:00:00"_s);
    full.titre = u"   "_s;
    full.prenom = QString();
    full.nom = u"Durand"_s;
    full.societe = u"Norvik"_s;

    TicketListModel model;
    model.setTickets({ withoutStatus, onlyFirstName, full });
    QCOMPARE(
        layout(model), (QStringList { u"H:Tickets en cours:1"_s, u"2"_s, u"H:Tickets fermés:1"_s, u"3"_s }));

    const auto &open = model.cardText(1);
    QCOMPARE(open.title, u"  Imprimante"_s);
    QCOMPARE(open.priority, u"HAUTE"_s);
    QCOMPARE(open.priorityTint, Tint::Orange);
    QVERIFY(!open.hasName); // prenom without nom
    QVERIFY(open.company.isEmpty()); // empty societe shows no row
    QCOMPARE(open.date, u"14 mars 2025 à 10:26"_s); // the test runs with TZ=Europe/Paris

    // The badges' words and tints are in tst_records; what a reader hears in tst_ticketlistview.
    const auto &closed = model.cardText(3);
    QCOMPARE(closed.title, u"Sans titre"_s);
    QVERIFY(closed.hasName);
    QCOMPARE(closed.name, u" Durand"_s);
    QCOMPARE(closed.date, u"2025-01-02 10:00:00"_s); // not ISO: shown as it came
    QCOMPARE(model.index(3).data(Qt::AccessibleTextRole).toString(), u"Sans titre"_s);
}

QTEST_GUILESS_MAIN(TestTicketListModel)
#include "tst_ticketlistmodel.moc"
