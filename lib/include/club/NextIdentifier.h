#pragma once

// The identifier a new member or club record is stored under.

#include "club/libClub2.h"

#include <QString>
#include <QVariant>
#include <optional>

inline constexpr char MemberIdPrefix[] = "M-";
inline constexpr char ClubIdPrefix[] = "C-";

// The number after the highest row counter (MAX(ID)), 1 for an empty table; none when the
// highest is no number, so nothing is stored under a guess.
inline std::optional<qint64> nextRowNumber(const QVariant &highest) {
    if (highest.isNull() || highest.toString().isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = highest.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n == 0 ? 1 : n + 1;
}

// prefix + the next number, moved on past identifiers rows already hold (the counter can lag
// behind them). Failures of the look-up pass on to the caller.
inline std::optional<QString> nextIdentifier(_libClub2 &club, const char *prefix,
                                             const QVariant &highest) {
    const std::optional<qint64> n = nextRowNumber(highest);
    if (!n || *n < 1)
        return std::nullopt;
    return club.FreeIdentifier(QLatin1String(prefix), *n);
}
