-- Dues received, one row per payment, so a member's paid-through date is the latest PeriodTo
-- of their rows. A payment outlives its member: deleted, the member's rows move to
-- DeletedMemberID (DeletionID: the deletion's history row) so a newcomer given the same
-- identifier inherits nothing and a restore takes back exactly those rows; erased, the money
-- stays for the treasurer's books with every link to the person cleared.
-- Dates are ISO text, so they sort and compare as text and the sqlite3 shell reads them.
-- IF NOT EXISTS: a roll rebuilt with the shell's .dump keeps the tables but loses its version.
CREATE TABLE IF NOT EXISTS tblPayments (
    PaymentID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberID TEXT,         -- NULL once the member was deleted or erased
    ReceivedOn TEXT,       -- yyyy-MM-dd
    Amount REAL,
    PeriodFrom TEXT,       -- NULL for an opening balance
    PeriodTo TEXT,         -- the last day covered
    Method TEXT,           -- cash, cheque, transfer, card, other; opening: no money received
    Reference TEXT,
    Note TEXT,
    Membership TEXT,       -- the member's type when recorded, so totals by type stay put
    RecordedAt TEXT,       -- local time, ISO 8601 with its offset from UTC
    DeletedMemberID TEXT,
    DeletionID INTEGER
);
-- A member's paid-through date is the last entry of their rows in this index: one look-up per
-- member, where reading every payment made the dues list of a large club slow to open.
CREATE INDEX IF NOT EXISTS idxPaymentsMemberPeriod ON tblPayments (MemberID, PeriodTo);
-- The treasurer's totals read the payments of a period.
CREATE INDEX IF NOT EXISTS idxPaymentsReceivedOn ON tblPayments (ReceivedOn);

-- The club's own choices kept in the roll, so they travel with it (the reminder letter's text).
CREATE TABLE IF NOT EXISTS tblSettings (
    Name TEXT PRIMARY KEY,
    Value TEXT
);
