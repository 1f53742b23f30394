#pragma once

// Members as a table for spreadsheets and mail programs: the columns an export writes, the
// members a roster selects, and their e-mail addresses.
#include "db/Recordset.h"
#include "reports/Rosters.h"
#include "table/TableFile.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>

namespace exchange {

// "Member ID", then the member forms' captions in form order without their "*" ("Last Name",
// ..., "Dues Amount", "Paid", "Membership", "Email", "Notes"); the second address line is
// "Address 2" so that every heading names one column.
QList<TableColumn> memberColumns();

// The rows of a roster from the roll in the application folder, in the roster's order (the
// whole roll is Roster::All). Reads through the report data environment; failures pass on.
RecordsetPtr rosterMembers(Roster roster);

struct ExportOutcome {
    bool ok = false;
    QString error; // names the file
    int members = 0;
};
// Writes the rows to `path` as CSV or, for a name ending in .xlsx, a workbook.
ExportOutcome exportMembers(const Recordset &rows, const QString &path);
// How a column of a result set is written: text as stored, a date as ISO text (read the same in
// any language and sorted right), or an amount as a number.
enum class CellKind { Text, Date, Money };
struct CellColumn {
    QString column;
    CellKind kind = CellKind::Text;
};
// The cells of the rows' row in the order of `columns`, each column looked up once, not for
// every row; a column the rows lack is empty. The rows must outlive the function.
std::function<QVariantList(int row)> cellsOf(const Recordset &rows,
                                             const QList<CellColumn> &columns);

// Writes `count` rows of cells under the columns' headings, CSV or workbook by the name;
// ExportOutcome::members is `count` once written.
ExportOutcome writeTable(const QString &path, const QList<TableColumn> &columns, int count,
                         const std::function<QVariantList(int row)> &cellsOf);

struct EmailAddresses {
    QString text;         // ready for a Bcc field: "a@x.org; b@y.org"
    int copied = 0;       // addresses in text
    int withoutEmail = 0; // members with no address
};
// Each address once (letter case aside), in the rows' order, separated by "; ".
EmailAddresses emailAddresses(const Recordset &rows);

} // namespace exchange
