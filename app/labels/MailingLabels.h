#pragma once

// Who gets a label and what it says: one per member, or one per household of members sharing
// an address, each with the name line and the address lines.
#include "db/Recordset.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace labels {

// Members at one address: the first address line, the second (so flats stay apart), the city
// and the postal code, compared without letter case, accents, punctuation or blanks. "St." and
// "Street" stay apart: a guess that merged them would merge neighbours too.
QString householdKey(const QString &address1, const QString &address2, const QString &city,
                     const QString &zip);

struct Person {
    QString first;
    QString middle;
    QString last;
};
// The name line of a label: "Maria Alvarez" for one; "Maria & Tomas Alvarez" for two with one
// last name; "Maria Alvarez & Tomas Reyes" for two with different ones; "The Alvarez Family"
// for three or more with one last name; otherwise the names listed ("Ana Diaz, Maria Alvarez &
// Tomas Reyes"), as far as they fit: the label drawing makes the text smaller down to a floor,
// and `maxChars`, when above 0, ends the list with "& others" before it grows longer (two
// different last names longer than that: "M. Alvarez & T. Reyes").
QString householdName(const QList<Person> &people, int maxChars = 0);

struct MailingLabel {
    QString name;
    QStringList lines; // Address1, Address2 when there is one, "City, ST Zip" (state code only)
    int members = 1;
    QString sortName; // the first member's "Last, First", folded, for the order by name
    QString zip;      // for the order by postal code
};

enum class LabelOrder { LastName, PostalCode };

struct LabelRun {
    QList<MailingLabel> labels;
    int members = 0;        // members given a label (on their own or in a household)
    int households = 0;     // labels standing for two or more members
    int withoutAddress = 0; // members left out: no first address line
    QStringList leftOut;    // their names, "Last, First (M-12)", for the preview to say
};

// The labels of the members in `rows` (tblMembers' columns: MemberID, LName, FName, MName,
// Address1, Address2, City, State, Zip), one per household or one per member, in the order
// asked (by postal code: then by name within it). `nameChars` is householdName's maxChars:
// the sheet's nameChars(), so a long household is not drawn tiny or cut.
LabelRun makeLabels(const Recordset &rows, bool perHousehold, LabelOrder order, int nameChars = 0);

} // namespace labels
