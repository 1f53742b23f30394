#include "MemberTable.h"

#include "members/MemberFields.h"
#include "reports/DataReport.h"

#include <QSet>

namespace exchange {

namespace {
// The columns of an exported row in memberColumns() order: the identifier, then the form's.
QStringList exportedColumns() {
    QStringList columns{QStringLiteral("MemberID")};
    for (const members::MemberField &f : members::MemberFields)
        columns << QLatin1String(f.column);
    return columns;
}

int widthOf(const members::MemberField &f) {
    if (f.kind == members::FieldKind::Notes)
        return 40;
    return f.maxLength ? std::min(f.maxLength, 30) + 2 : 16;
}

} // namespace

QList<TableColumn> memberColumns() {
    QList<TableColumn> columns{{QStringLiteral("Member ID"), false, 10}};
    bool addressSeen = false;
    for (const members::MemberField &f : members::MemberFields) {
        QString heading = QString::fromLatin1(f.captionText);
        if (heading.startsWith(u'*'))
            heading.remove(0, 1);
        if (heading == u"Address" && std::exchange(addressSeen, true))
            heading = QStringLiteral("Address 2");
        columns.append({heading, std::string_view(f.column) == "Dues", widthOf(f)});
    }
    return columns;
}

RecordsetPtr rosterMembers(Roster roster) {
    // A data environment of its own, so an open roster preview keeps its rows.
    DataReportEnvironment env;
    env.execute(roster);
    return env.rs(roster);
}

ExportOutcome writeTable(const QString &path, const QList<TableColumn> &columns, int count,
                         const std::function<QVariantList(int row)> &cellsOf) {
    ExportOutcome outcome;
    const auto writer =
        TableWriter::open(path, TableWriter::formatOf(path), columns, &outcome.error);
    if (!writer)
        return outcome;
    bool ok = true;
    for (int r = 0; ok && r < count; ++r)
        ok = writer->addRow(cellsOf(r));
    // finish() names the failure of any row written before it.
    if (!writer->finish(&outcome.error))
        return outcome;
    outcome.ok = true;
    outcome.members = count;
    return outcome;
}

std::function<QVariantList(int row)> cellsOf(const Recordset &rows,
                                             const QList<CellColumn> &columns) {
    QList<std::pair<int, CellKind>> found;
    for (const CellColumn &c : columns)
        found.append({rows.columnIndex(c.column), c.kind});
    return [&rows, found](int row) {
        QVariantList cells;
        cells.reserve(found.size());
        for (const auto &[c, kind] : found) {
            const QVariant v = c >= 0 ? rows.value(row, c) : QVariant();
            bool ok = false;
            const double amount = kind == CellKind::Money ? v.toDouble(&ok) : 0;
            if (v.isNull())
                cells.append(QVariant());
            else if (kind == CellKind::Money)
                cells.append(ok ? QVariant(amount) : QVariant());
            else if (kind == CellKind::Date && v.typeId() == QMetaType::QDate)
                cells.append(v.toDate().toString(Qt::ISODate));
            else
                cells.append(v.toString());
        }
        return cells;
    };
}

ExportOutcome exportMembers(const Recordset &rows, const QString &path) {
    QList<CellColumn> columns;
    for (const QString &name : exportedColumns())
        columns.append({name, name == u"Dues" ? CellKind::Money : CellKind::Text});
    return writeTable(path, memberColumns(), rows.recordCount(), cellsOf(rows, columns));
}

EmailAddresses emailAddresses(const Recordset &rows) {
    EmailAddresses result;
    const int c = rows.columnIndex(QStringLiteral("Email"));
    QSet<QString> seen;
    QStringList addresses;
    for (int r = 0; r < rows.recordCount(); ++r) {
        const QString address = c >= 0 ? rows.value(r, c).toString().trimmed() : QString();
        if (address.isEmpty()) {
            ++result.withoutEmail;
            continue;
        }
        if (!seen.contains(address.toLower())) {
            seen.insert(address.toLower());
            addresses << address;
        }
    }
    result.copied = int(addresses.size());
    result.text = addresses.join(QStringLiteral("; "));
    return result;
}

} // namespace exchange
