#include "DuesPeriods.h"

#include <array>

namespace dues {

namespace {
struct PeriodLength {
    const char *paid;
    int months;
};
constexpr std::array<PeriodLength, 4> PeriodLengths{{
    {"Monthly", 1},
    {"Quarterly", 3},
    {"Semi Annual", 6},
    {"Annual", 12},
}};

QString counted(qint64 n, const char *unit) {
    QString text = QString::number(n) + u' ' + QLatin1String(unit);
    return n == 1 ? text : text + u's';
}
} // namespace

std::optional<int> periodMonths(const QString &duesPaid) {
    // Rolls filled by hand or by an import may differ in case or blanks from the list's items.
    const QString paid = duesPaid.trimmed();
    for (const PeriodLength &p : PeriodLengths)
        if (paid.compare(QLatin1String(p.paid), Qt::CaseInsensitive) == 0)
            return p.months;
    return std::nullopt;
}

QDate periodEnd(const QDate &from, int months) {
    if (!from.isValid() || months <= 0)
        return {};
    const QDate same = from.addMonths(months);
    // addMonths keeps the day unless the month is too short for it; then it gives the month's
    // last day, which is where such a period ends.
    return same.day() != from.day() ? same : same.addDays(-1);
}

Period nextPeriod(const QString &duesPaid, const QDate &paidThrough, const QDate &receivedOn) {
    QDate from = receivedOn;
    if (paidThrough.isValid() && paidThrough.addDays(1) > receivedOn)
        from = paidThrough.addDays(1);
    const std::optional<int> months = periodMonths(duesPaid);
    return {from, months ? periodEnd(from, *months) : QDate()};
}

bool isLifeMembership(const QString &membership) {
    return membership.trimmed().compare(QLatin1String("Life"), Qt::CaseInsensitive) == 0;
}

Standing standing(const QDate &paidThrough, const QString &membership, const QDate &today,
                  int dueDays) {
    if (isLifeMembership(membership))
        return Standing::Life;
    if (!paidThrough.isValid())
        return Standing::NeverPaid;
    if (paidThrough < today)
        return Standing::Lapsed;
    return paidThrough <= today.addDays(dueDays) ? Standing::Due : Standing::Paid;
}

QString standingName(Standing s) {
    switch (s) {
    case Standing::Paid:
        return QStringLiteral("Paid");
    case Standing::Due:
        return QStringLiteral("Due");
    case Standing::Lapsed:
        return QStringLiteral("Lapsed");
    case Standing::NeverPaid:
        return QStringLiteral("Never paid");
    case Standing::Life:
        return QStringLiteral("Life");
    }
    return {};
}

QString lapsedFor(const QDate &paidThrough, const QDate &today) {
    if (!paidThrough.isValid() || !today.isValid() || paidThrough >= today)
        return {};
    // A month lapsed is a monthly period missed, measured as the periods are.
    const QDate first = paidThrough.addDays(1);
    int months = (today.year() - first.year()) * 12 + today.month() - first.month() + 1;
    while (months > 0 && periodEnd(first, months) > today)
        --months;
    if (months > 0)
        return counted(months, "month");
    return counted(paidThrough.daysTo(today), "day");
}

} // namespace dues
