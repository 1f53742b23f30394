#pragma once

// The dues year's arithmetic: which period a payment covers and where a member stands.
#include <QDate>
#include <QString>
#include <optional>

namespace dues {

// The months one payment covers for the member's "Paid" choice: Monthly 1, Quarterly 3,
// Semi Annual 6, Annual 12; none for "Other" (or anything else), whose dates are asked for.
std::optional<int> periodMonths(const QString &duesPaid);

// The last day of a period of `months` starting on `from`: the day before the same day
// `months` later, or, where that month is too short for the day (a start on 29, 30 or 31
// January, one month), the last day of that month, so the next period starts on the 1st and
// periods never drift backwards through short months.
QDate periodEnd(const QDate &from, int months);

struct Period {
    QDate from;
    QDate to; // invalid when the member's choice gives no length ("Other")
};
// The period a payment received on `receivedOn` pays for: from the day after `paidThrough`,
// or from `receivedOn` when the member had lapsed by then or never paid (paidThrough invalid).
Period nextPeriod(const QString &duesPaid, const QDate &paidThrough, const QDate &receivedOn);

// Where a member stands on a day. Life members never fall due.
enum class Standing { Paid, Due, Lapsed, NeverPaid, Life };
inline constexpr int StandingCount = 5;
// The default reminder window, in days.
inline constexpr int DefaultDueDays = 30;

bool isLifeMembership(const QString &membership);
// Paid: through a day later than today + dueDays. Due: through today up to today + dueDays,
// both included. Lapsed: through a day before today. NeverPaid: no paid-through date.
Standing standing(const QDate &paidThrough, const QString &membership, const QDate &today,
                  int dueDays);
// "Paid", "Due", "Lapsed", "Never paid", "Life".
QString standingName(Standing s);
// How long a lapsed member has been lapsed on `today`, the day after paidThrough counting as
// the first: "1 day", "20 days", "1 month", "14 months" (whole months once there is one).
QString lapsedFor(const QDate &paidThrough, const QDate &today);

} // namespace dues
