#pragma once

// The renewal roster and the reminder letters, drawn by the report engine with the rosters'
// look.
#include "db/Recordset.h"
#include "report/Report.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace dues {

// The club's heading of a letter, from the club's record (tblMain).
struct ClubLetterhead {
    QString name;
    QStringList addressLines; // the street, then "City, ST Zip"
    QString phone;
    QString email;
};

// The code of a state or province as the roll stores it ("ME - Maine" -> "ME"); a text
// without a code as it is.
QString stateCode(const QString &stored);
// "City, ST Zip", leaving out what is blank.
QString cityLine(const QString &city, const QString &state, const QString &zip);
// The letterhead from the club's record (tblMain's columns, its first row).
ClubLetterhead clubLetterhead(const Recordset &club);

// The reminder text a new roll starts with; the secretary's own, once saved, is kept in the
// roll. {Amount} and {PaidThrough} are replaced with the member's.
QString defaultReminderText();
// The text the letters use: the one saved in the roll, or the default while there is none.
QString reminderText(const QString &saved);

// The renewal roster of DuesList::selection rows: landscape like the rosters, headed with the
// club's name and `title`, columns ID, Name, Membership, Amount, Paid Through, Standing, Phone,
// E-mail; page n of m in the footer.
std::shared_ptr<Report> buildRenewalRoster(const QString &clubName, const QString &title,
                                           RecordsetPtr rows);

// One letter per row of DuesList::selection rows, one page each: the club's letterhead, the
// date, the member's name and address, "Dear First Last,", the text with {Amount} and
// {PaidThrough} filled in (paragraphs wrapped), and the club's name to close.
std::shared_ptr<Report> buildReminderLetters(const ClubLetterhead &club, const QString &text,
                                             RecordsetPtr rows);

} // namespace dues
