#pragma once

// The dues lists in spreadsheets: the renewal list as the window shows it, and the treasurer's
// export of the money received in a period with its totals.
#include "db/Recordset.h"
#include "exchange/MemberTable.h"

#include <QDate>
#include <QString>

namespace dues {

// DuesList::selection rows to CSV or, for a name ending in .xlsx, a workbook: ID, Last Name,
// First Name, Membership, Amount, Paid Through, Standing, Phone, E-mail.
exchange::ExportOutcome exportRenewalList(const Recordset &rows, const QString &path);

// PaymentsReceived rows to CSV or .xlsx: one row per payment (Received, Member ID, Last Name,
// First Name, Membership, Amount, Method, Period From, Period To, Reference, Note), then the
// totals of totalsOf below them: the sum collected, each method, each membership type, and
// the opening balances counted apart. ExportOutcome::members counts the payments.
exchange::ExportOutcome exportPayments(const Recordset &payments, const QDate &from,
                                       const QDate &to, const QString &path);

} // namespace dues
