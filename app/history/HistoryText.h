#pragma once

// How a member's history rows read to a person: field captions from the member form, the
// operation in words, the time in the user's locale, and each change on a line of its own.

#include "db/Recordset.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

namespace history {

// What the library writes in place of every personal value of an erased member.
inline constexpr char ErasedText[] = "(erased)";

// One row of MemberHistory or DeletedMembers, as stored.
struct HistoryRow {
    qint64 historyId = 0;
    QString changedAt; // ISO 8601 with its offset
    QString userName;
    QString operation; // "add", "update", "delete", "restore", "erase"
    QString memberId;
    QString changes; // JSON
    // The changes read as an object; empty when there are none or they cannot be read.
    QJsonObject changeObject() const;
};

// Every row of a history result set, in the order returned.
QVector<HistoryRow> historyRows(const Recordset &rs);

// The member form's caption of a column of tblMembers (no "*"); the second address line is
// told from the first. A column the form does not show keeps a plain name.
QString fieldCaption(const QString &column);
// "Added", "Changed", "Deleted", "Restored", "Erased"; an unknown operation as stored.
QString operationText(const QString &operation);
// One line per field: "Field: old → new" for a change, "Field: value" for a record held whole
// or a value first given. Fields follow the member form's order.
QStringList changeLines(const HistoryRow &row);
// "Clark, Anne" from a record or an add's values; empty when the name was erased or is absent.
QString memberName(const QJsonObject &values);

} // namespace history
