#pragma once

// What an import will do with each row of a spreadsheet: which file column fills which member
// field, which member a row is (so nobody is added twice), and whether a row can be stored at
// all, judged by the entry form's own checks and in its own words.
#include "club/libClub.h"
#include "club/libClub2.h"
#include "db/Recordset.h"
#include "table/TableFile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// What a file column fills: a row of members::MemberFields, the member's identifier, or
// nothing.
inline constexpr int IdField = -2;
inline constexpr int NotImported = -1;

// The field each heading names, guessed from the member forms' captions and common synonyms
// ("Surname", "Postcode", "Mobile", ...), letter case, accents, blanks and punctuation aside.
// A field is given to the first column naming it only; a second "Address" is the second line.
QList<int> guessMapping(const QStringList &headings);
// The name of a mapping target as the wizard and the messages show it ("Member ID",
// "Last Name", ..., "(not imported)").
QString fieldName(int field);
// Every mapping target, in form order, NotImported first.
QList<int> mappingTargets();
// The names of the fields a new member needs that no column fills, in form order.
QStringList unmappedRequired(const QList<int> &mapping);
// A column fills a field another column fills already: that field's name, else empty.
QString mappedTwice(const QList<int> &mapping);

enum class Action { Add, Update, Skip, Refused };
QString actionName(Action action); // "add", "update", "skip", "refused"

struct PlannedRow {
    qsizetype fileRow = 0; // as the spreadsheet numbers it
    Action proposed = Action::Add;
    Action action = Action::Add; // what will be done; the secretary may change it
    // Refused: the reason in the entry form's words ("Last Name is missing! "). Otherwise a
    // note such as "Same member as row 12" or which member it matched and how.
    QString reason;
    QString memberId;         // the member matched (update, skip), else empty
    QString name;             // "Last, First" as it will be stored
    ImportedMember member;    // what will be stored (memberId empty for an addition)
    QStringList changed;      // update: the names of the fields that change
    qsizetype sameAsRow = -1; // another row of the file is the same member: its file row
};

// The values lists offer, to match a file's values against: the state and the province items
// as the forms list them ("ME - Maine").
struct ImportLists {
    QStringList states;
    QStringList provinces;
};
// The lists as the roll holds them. Failures pass on.
ImportLists importLists(_libClub &club);

class ImportPlan {
public:
    // Judges every row of the table against the roll's members (all columns of tblMembers, as
    // LoadMembers gives them). The mapping has one entry per heading.
    ImportPlan(const TableRead &table, const QList<int> &mapping, const Recordset &members,
               const ImportLists &lists);

    const QList<PlannedRow> &rows() const { return m_rows; }
    // The actions a row may be given: refused rows none; others add and skip, and update when
    // the row matched a member.
    QList<Action> choices(qsizetype row) const;
    bool setAction(qsizetype row, Action action); // false when not among choices()
    // Gives every row that may take it the action; returns how many changed.
    int setAll(Action action);
    // Puts every row back to what was proposed.
    void reset();

    int count(Action action) const;
    // The members to hand to ImportMembers, in file order: additions and updates.
    QList<ImportedMember> toImport() const;

private:
    QList<PlannedRow> m_rows;
};

} // namespace exchange
