-- Who changed what, and when: one row per change of a member or of the club's record, written
-- in the same transaction as the change. Changes is JSON text, so the sqlite3 shell reads it.
-- IF NOT EXISTS: a roll rebuilt with the shell's .dump keeps the table but loses its version.
CREATE TABLE IF NOT EXISTS tblHistory (
    HistoryID INTEGER PRIMARY KEY AUTOINCREMENT,
    ChangedAt TEXT NOT NULL,  -- local time, ISO 8601 with its offset from UTC
    UserName TEXT NOT NULL,   -- the operating system's user
    Operation TEXT NOT NULL,  -- add, update, delete, restore, erase, club add, club update
    MemberID TEXT,            -- NULL for the club's record
    Changes TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS idxHistoryMemberID ON tblHistory (MemberID);
