-- The club's roll: members, the club's own record and the two lookup lists.
PRAGMA application_id = 1364021811; -- 0x514D5233, "QMR3": marks the file as a roll
PRAGMA user_version = 1;

CREATE TABLE tblMembers (
    ID INTEGER PRIMARY KEY AUTOINCREMENT, -- never reused, always above every ID present
    MemberID TEXT,
    LName TEXT,
    FName TEXT,
    MName TEXT,
    Address1 TEXT,
    Address2 TEXT,
    City TEXT,
    State TEXT,
    Zip TEXT,
    Phone1 TEXT,
    Phone2 TEXT,
    Phone3 TEXT,
    Dues REAL,
    Membership TEXT,
    DuesPaid TEXT,
    Email TEXT,
    Notes TEXT,
    AddDate TEXT,
    ModDate TEXT
);
-- One member per identifier: an edit or a deletion addresses the row by it.
CREATE UNIQUE INDEX idxMembersMemberID ON tblMembers (MemberID);
CREATE INDEX idxMembersMembership ON tblMembers (Membership);

CREATE TABLE tblMain (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ClubID TEXT,
    ClubName TEXT,
    Address1 TEXT,
    City TEXT,
    State TEXT,
    Zip TEXT,
    Phone1 TEXT,
    Phone2 TEXT,
    Phone3 TEXT,
    Phone4 TEXT,
    Phone5 TEXT,
    Phone6 TEXT,
    WebURL TEXT,
    Email TEXT,
    AddDate TEXT
);

CREATE TABLE tblStates (State TEXT, StateFull TEXT);
CREATE TABLE tblCanada (State TEXT, StateFull TEXT);
