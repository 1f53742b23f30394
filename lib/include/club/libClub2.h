#pragma once

// Operations added after the first interface; the same object implements both, so the
// first keeps its slot order. Obtain it from that object with qobject_cast.

#include "club/Dues.h"
#include "db/Recordset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtPlugin>
#include <functional>

// One member of an import: a new one (memberId empty) or a change to the member holding
// memberId. The values travel as UpdateMember takes them.
struct ImportedMember {
    QString memberId;
    QStringList fields; // UpdateMember's text list
    double dues = 0;
};
// Called as an import goes on with the number of members done; false cancels it.
using ImportProgress = std::function<bool(qsizetype done)>;

class _libClub2 {
public:
    virtual ~_libClub2() = default;

    // prefix + n, or, when a row already holds that identifier, prefix + the next number no
    // row holds. The prefix is "M-" (members) or "C-" (the club record); the row counter a
    // form builds n from can lag behind identifiers already given (a roll rebuilt by copying
    // renumbers the counter). Failures pass on to the caller.
    virtual QString FreeIdentifier(const QString &prefix, qint64 n) = 0;

    // The operations below pass every failure on to the caller, after rolling back whatever
    // they began and closing the connection; a failure changes nothing.

    // The roll's schema version (PRAGMA user_version); reading it migrates nothing. A roll
    // whose version is above RollSchemaVersion is only read: every change is refused (number
    // 8, saying the roll was saved by a newer version and is opened read-only), and nothing,
    // migrations included, is written to it. An older roll is brought up to date at its first
    // change, after a backup (backups/, "before-migration"); without that backup the change
    // fails (number 75) and the roll is left as it was.
    virtual int RollVersion() = 0;

    // A member's history, oldest first: HistoryID, ChangedAt (ISO 8601 local time with its
    // offset), UserName (the operating system's), Operation ("add", "update", "delete",
    // "restore", "erase"), MemberID, Changes: JSON text of the columns as stored, for
    // "add"/"restore" {"Column": [null, value], ...} for each column holding a value, for
    // "update" {"Column": [old, new], ...} with the changed columns only (a save that changed
    // nothing else still records its ModDate), for "delete" the whole record
    // {"Column": value, ...}, for "erase" {}. Erasing leaves every value but ID, MemberID,
    // AddDate and ModDate as "(erased)". The club's saves have rows of their own ("club add",
    // "club update", MemberID NULL). A roll not yet brought up to date has no history: empty.
    virtual RecordsetPtr MemberHistory(const QString &memberId) = 0;
    // Members deleted and neither restored nor erased since: the history rows of their
    // deletions, newest first (same columns as MemberHistory). A deletion stays listed when a
    // new member was given its identifier since; RestoreMember then refuses it.
    virtual RecordsetPtr DeletedMembers() = 0;
    // Adds a deleted member back, under the old MemberID, from the history row of the
    // deletion, with its own history row. Fails when that identifier is held by a member now.
    virtual bool RestoreMember(qint64 historyId) = 0;
    // Removes a member (if still on the roll) and replaces every personal value in the
    // member's history with "(erased)", keeping only when, who and which operation; writes an
    // "erase" row that holds nothing personal. The space the values took in the file is
    // overwritten; backups made before keep them. Fails when nothing is held about the member.
    virtual bool EraseMember(const QString &memberId) = 0;
    // Replaces the whole roll with a backup's content, through SQLite's backup API while the
    // roll is held, in one transaction. The file is checked first (a roll, sound, of this
    // version or older): one that is not is refused before anything changes. Then the roll is
    // backed up (backups/, "before-restore"); without that backup nothing is restored. An
    // older backup is brought up to date by the same migrations as the roll (should that fail,
    // the restore stands, the failure is logged, and the next change tries again).
    virtual bool RestoreRoll(const QString &backupPath) = 0;

    // Adds and changes the members of an import in one transaction: all of them or, on any
    // failure or a cancel, none. First the roll is backed up (backups/, "before-import"), while
    // it is already held against other writers; without that backup nothing is imported
    // (number 75). New members get identifiers as the entry form gives them (prefix "M-" and
    // the number after the highest row counter, which each new member moves on, moved past
    // identifiers held), values are stored as AddMember and UpdateMember store them (blanks
    // trimmed, no NUL; the list choices too, which those two take as given), with the moment
    // the import began as AddDate or ModDate, each member gets its history row ("add" or
    // "update"), and the import itself one more, written last: Operation "import", MemberID
    // NULL, Changes {"file": source, "backup": the backup's file name, "added": n,
    // "updated": n}. A change to an identifier no member holds fails (3021), one that several
    // hold 3022. progress, when given, is called after every 200 members and after the last;
    // false cancels (number 18). It must not call this object, whose connection the import
    // holds, and the roll may refuse other readers meanwhile (a large import holds it
    // exclusively before its end). A failed or cancelled import removes its backup again, as
    // there is nothing to undo. Returns the identifiers given to the new members, in order.
    virtual QStringList ImportMembers(const QString &source, const QList<ImportedMember> &members,
                                      const ImportProgress &progress) = 0;
    // The history row of the newest import (same columns as MemberHistory); empty when the
    // roll holds none.
    virtual RecordsetPtr LastImport() = 0;
    // Puts the roll back exactly as it was before the newest import, from the backup made
    // before it (through RestoreRoll, so the imported state is itself backed up first).
    // Refused, with words saying why and nothing changed, when the roll holds no import
    // (3021), when it changed since the import (a history row after it: 5), or when that
    // backup is gone (53); RestoreRoll's own refusals pass on as they are.
    virtual bool UndoLastImport() = 0;

    // Dues. A roll not yet brought up to date holds no payments: the readers return no rows
    // (DuesStanding with every PaidThrough NULL), and Setting an empty text.

    // Records a payment and its history row (Operation "payment", the member's MemberID, Changes
    // {"PaymentID": n, "ReceivedOn": d, "Amount": a, "PeriodFrom": d, "PeriodTo": d, "Method":
    // m, "Reference": r, "Note": t, "Membership": m}) in one transaction; stores the member's
    // Membership with it, so the totals by type stay as they were when the money came. Refused,
    // with words and nothing stored: no member with that identifier (3021), a date missing or
    // periodFrom after periodTo, an amount below zero or no number, a method not in
    // PaymentMethods (5). Returns the new PaymentID.
    virtual qint64 RecordPayment(const DuesPayment &payment) = 0;
    // Opening balances: each member whose paid-through date is before `paidThrough`, or who has
    // none, gets a payment of Method OpeningMethod, Amount 0, no PeriodFrom, PeriodTo
    // paidThrough, received today, with a history row "opening balance"; members paid through
    // that date or later are left as they are. One transaction; an identifier no member holds
    // fails it (3021) with nothing recorded. Returns how many were recorded.
    virtual qsizetype MarkPaidThrough(const QStringList &memberIds, const QDate &paidThrough) = 0;
    // Removes a payment recorded by mistake, with a history row "payment delete" holding it
    // whole ({"Column": value, ...}). Fails when there is no such payment (3021).
    virtual bool DeletePayment(qint64 paymentId) = 0;
    // Every member with their paid-through date, ordered by LName, FName, MemberID: MemberID,
    // LName, FName, MName, Membership, Dues, DuesPaid, Address1, Address2, City, State, Zip,
    // Phone1, Email, PaidThrough (ISO date text, NULL when never paid).
    virtual RecordsetPtr DuesStanding() = 0;
    // A member's payments, newest period first: PaymentID, MemberID, ReceivedOn, Amount,
    // PeriodFrom, PeriodTo, Method, Reference, Note, Membership, RecordedAt.
    virtual RecordsetPtr MemberPayments(const QString &memberId) = 0;
    // The payments received from `from` to `to`, both included, opening balances among them,
    // ordered by ReceivedOn, PaymentID: MemberPayments' columns, then LName and FName (NULL for
    // a member no longer on the roll).
    virtual RecordsetPtr PaymentsReceived(const QDate &from, const QDate &to) = 0;
    // A setting kept in the roll (SettingName); empty when never saved.
    virtual QString Setting(const QString &name) = 0;
    virtual bool SaveSetting(const QString &name, const QString &value) = 0;
};

#define libClub2_iid "com.velliscar.quillmere._libClub2/2.2"
Q_DECLARE_INTERFACE(_libClub2, libClub2_iid)
