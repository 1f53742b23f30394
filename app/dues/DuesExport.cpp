#include "DuesExport.h"
#include "DuesRoll.h"

namespace dues {

namespace {
// Dates as ISO text: a spreadsheet in any language reads them the same and sorts them right.
QVariant dateCell(const QVariant &v) {
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    return v.toString();
}

QVariant moneyCell(const QVariant &v) {
    bool ok = false;
    const double amount = v.toDouble(&ok);
    return ok && !v.isNull() ? QVariant(amount) : QVariant();
}

QVariant textCell(const QVariant &v) {
    return v.isNull() ? QVariant() : QVariant(v.toString());
}

enum class Cell { Text, Date, Money };
struct Column {
    const char *heading;
    const char *column;
    Cell kind;
    int width;
};

// Looks the columns up once, not for every row.
class Cells {
public:
    template<size_t N>
    Cells(const Recordset &rows, const Column (&columns)[N])
        : m_rows(rows) {
        for (const Column &c : columns)
            m_columns.append({rows.columnIndex(QLatin1String(c.column)), c.kind});
    }
    QVariantList operator()(int row) const {
        QVariantList cells;
        cells.reserve(m_columns.size());
        for (const auto &[c, kind] : m_columns) {
            const QVariant v = c >= 0 ? m_rows.value(row, c) : QVariant();
            cells.append(kind == Cell::Date    ? dateCell(v)
                         : kind == Cell::Money ? moneyCell(v)
                                               : textCell(v));
        }
        return cells;
    }

private:
    const Recordset &m_rows;
    QList<std::pair<int, Cell>> m_columns;
};

template<size_t N>
QList<TableColumn> headings(const Column (&columns)[N]) {
    QList<TableColumn> out;
    for (const Column &c : columns)
        out.append({QLatin1String(c.heading), c.kind == Cell::Money, c.width});
    return out;
}

constexpr Column RenewalColumns[] = {
    {"Member ID", "MemberID", Cell::Text, 10}, {"Last Name", "LName", Cell::Text, 20},
    {"First Name", "FName", Cell::Text, 16},   {"Membership", "Membership", Cell::Text, 12},
    {"Amount", "Dues", Cell::Money, 10},       {"Paid Through", "PaidThrough", Cell::Date, 12},
    {"Standing", "Standing", Cell::Text, 18},  {"Phone", "Phone1", Cell::Text, 16},
    {"E-mail", "Email", Cell::Text, 28},
};

constexpr Column PaymentColumns[] = {
    {"Received", "ReceivedOn", Cell::Date, 12},
    {"Member ID", "MemberID", Cell::Text, 10},
    {"Last Name", "LName", Cell::Text, 20},
    {"First Name", "FName", Cell::Text, 16},
    {"Membership", "Membership", Cell::Text, 12},
    {"Amount", "Amount", Cell::Money, 10},
    {"Method", "Method", Cell::Text, 10},
    {"Period From", "PeriodFrom", Cell::Date, 12},
    {"Period To", "PeriodTo", Cell::Date, 12},
    {"Reference", "Reference", Cell::Text, 14},
    {"Note", "Note", Cell::Text, 30},
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
                                Cells(rows, RenewalColumns));
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

    const Cells cells(payments, PaymentColumns);
    const int count = payments.recordCount();
    exchange::ExportOutcome outcome = exchange::writeTable(
        path, headings(PaymentColumns), count + int(below.size()),
        [&](int row) { return row < count ? cells(row) : below[row - count]; });
    if (outcome.ok)
        outcome.members = count;
    return outcome;
}

} // namespace dues
