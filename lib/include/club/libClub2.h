#pragma once

// Operations added after the first interface; the same object implements both, so the
// first keeps its slot order. Obtain it from that object with qobject_cast.

#include "db/Recordset.h"

#include <QString>
#include <QtPlugin>

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
};

#define libClub2_iid "com.velliscar.quillmere._libClub2/2.0"
Q_DECLARE_INTERFACE(_libClub2, libClub2_iid)
