#include "DuesExport.h"
#include "DuesRoll.h"

namespace dues {

namespace {
using exchange::CellKind;

struct Column {
    const char *heading;
    const char *column;
    CellKind kind;
    int width;
};

template<size_t N>
std::function<QVariantList(int)> cells(const Recordset &rows, const Column (&columns)[N]) {
    QList<exchange::CellColumn> asked;
    for (const Column &c : columns)
        asked.append({QLatin1String(c.column), c.kind});
    return exchange::cellsOf(rows, asked);
}

template<size_t N>
QList<TableColumn> headings(const Column (&columns)[N]) {
    QList<TableColumn> out;
    for (const Column &c : columns)
        out.append({QLatin1String(c.heading), c.kind == CellKind::Money, c.width});
    return out;
}

constexpr Column RenewalColumns[] = {
    {"Member ID", "MemberID", CellKind::Text, 10},
    {"Last Name", "LName", CellKind::Text, 20},
    {"First Name", "FName", CellKind::Text, 16},
    {"Membership", "Membership", CellKind::Text, 12},
    {"Amount", "Dues", CellKind::Money, 10},
    {"Paid Through", "PaidThrough", CellKind::Date, 12},
    {"Standing", "Standing", CellKind::Text, 18},
    {"Phone", "Phone1", CellKind::Text, 16},
    {"E-mail", "Email", CellKind::Text, 28},
};

constexpr Column PaymentColumns[] = {
    {"Received", "ReceivedOn", CellKind::Date, 12},
    {"Member ID", "MemberID", CellKind::Text, 10},
    {"Last Name", "LName", CellKind::Text, 20},
    {"First Name", "FName", CellKind::Text, 16},
    {"Membership", "Membership", CellKind::Text, 12},
    {"Amount", "Amount", CellKind::Money, 10},
    {"Method", "Method", CellKind::Text, 10},
    {"Period From", "PeriodFrom", CellKind::Date, 12},
    {"Period To", "PeriodTo", CellKind::Date, 12},
    {"Reference", "Reference", CellKind::Text, 14},
    {"Note", "Note", CellKind::Text, 30},
};
constexpr int AmountColumn = 5, CountColumn = 6;

// A totals row: its words in the first cell, the sum under Amount, a count beside it.
QVariantList totalsRow(const QString &words, const QVariant &amount, const QString &count = {}) {
    QVariantList cells(std::size(PaymentColumns));
    cells[0] = words;
    cells[AmountColumn] = amount;
    if (!count.isEmpty())
        cells[CountColumn] = count;
    return cells;
}
} // namespace

exchange::ExportOutcome exportRenewalList(const Recordset &rows, const QString &path) {
    return exchange::writeTable(path, headings(RenewalColumns), rows.recordCount(),
                                cells(rows, RenewalColumns));
}

exchange::ExportOutcome exportPayments(const Recordset &payments, const QDate &from,
                                       const QDate &to, const QString &path) {
    const DuesTotals totals = totalsOf(payments);
    // Below the payments, after an empty row, the same totals the window shows.
    QList<QVariantList> below{QVariantList(std::size(PaymentColumns))};
    below << totalsRow(QStringLiteral("Collected %1 to %2")
                           .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)),
                       totals.collected, QStringLiteral("%1 payments").arg(totals.payments));
    for (auto it = totals.byMethod.cbegin(); it != totals.byMethod.cend(); ++it)
        below << totalsRow(QStringLiteral("By method: %1").arg(it.key()), it.value());
    for (auto it = totals.byMembership.cbegin(); it != totals.byMembership.cend(); ++it)
        below << totalsRow(QStringLiteral("By membership: %1").arg(it.key()), it.value());
    below << totalsRow(QStringLiteral("Opening balances (no money)"), QVariant(),
                       QString::number(totals.openingBalances));

    const auto paymentCells = cells(payments, PaymentColumns);
    const int count = payments.recordCount();
    exchange::ExportOutcome outcome = exchange::writeTable(
        path, headings(PaymentColumns), count + int(below.size()),
        [&](int row) { return row < count ? paymentCells(row) : below[row - count]; });
    if (outcome.ok)
        outcome.members = count;
    return outcome;
}

} // namespace dues
