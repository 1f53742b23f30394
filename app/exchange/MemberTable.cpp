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

// The rows' members as cells in the order of memberColumns(): text as stored, the dues as a
// number. The columns are looked up once, not for every member.
class MemberCells {
public:
    explicit MemberCells(const Recordset &rows)
        : m_rows(rows) {
        for (const QString &name : exportedColumns())
            m_columns.append({rows.columnIndex(name), name == u"Dues"});
    }

    QVariantList operator()(int row) const {
        QVariantList cells;
        cells.reserve(m_columns.size());
        for (const auto &[c, dues] : m_columns) {
            const QVariant v = c >= 0 ? m_rows.value(row, c) : QVariant();
            bool ok = false;
            const double amount = dues ? v.toDouble(&ok) : 0;
            if (dues)
                cells.append(ok ? QVariant(amount) : QVariant());
            else
                cells.append(v.isNull() ? QVariant() : QVariant(v.toString()));
        }
        return cells;
    }

private:
    const Recordset &m_rows;
    QList<std::pair<int, bool>> m_columns; // column of the rows, and whether it holds the dues
};
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

ExportOutcome exportMembers(const Recordset &rows, const QString &path) {
    const MemberCells cells(rows);
    return writeTable(path, memberColumns(), rows.recordCount(), cells);
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
