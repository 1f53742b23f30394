#pragma once

#include "club/libClub.h"
#include "report/Report.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>

// The rosters of the Reports menu, in menu order.
enum class Roster { All, Regular, Family, Life, Senior, Sports, Pool, Junior };

// One roster: its report, its data-environment command with the exact SQL, its title and
// caption, the library check that guards it and what is said when that finds nobody.
struct RosterInfo {
    Roster roster;
    const char *report;
    const char *command;
    const char *sql;
    const char *title;
    const char *captionSuffix;
    RecordsetPtr (_libClub::*count)();
    const char *noRecords;
    bool footerRule;  // a rule across the top of the page footer
    const char *name; // the command-line name
};

// In menu order, so a Roster value is its index.
inline constexpr std::array<RosterInfo, 8> Rosters{{
    {Roster::All, "rptAllMembers", "cmdAllMembers", "SELECT * FROM tblMembers ORDER BY LName",
     "Membership Roster", " - Membership Roster", &_libClub::RefreshMembers,
     "No membership records were found! ", true, "all"},
    {Roster::Regular, "rptRegularMembers", "cmdFullMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Regular' ORDER BY LName",
     "Regular Members Roster", " - Regular Members Roster", &_libClub::RefreshRegularMembers,
     "No Regular membership records were found! ", false, "regular"},
    {Roster::Family, "rptFamilyMembers", "cmdFamilyMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Family' ORDER BY LName", "Family Members Roster",
     " - Family Membership Roster", &_libClub::RefreshFamilyMembers,
     "No Family membership records were found! ", false, "family"},
    {Roster::Life, "rptLifemembers", "cmdLifeMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Life' ORDER BY LName", "Life Members Roster",
     " - Life Members Roster", &_libClub::RefreshLifeMembers,
     "No Life membership records were found! ", false, "life"},
    {Roster::Senior, "rptSeniormembers", "cmdSeniorMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Senior' ORDER BY LName", "Senior Members Roster",
     " - Senior Members Roster", &_libClub::RefreshSeniorMembers,
     "No Senior membership records were found! ", false, "senior"},
    {Roster::Sports, "rptSportsMembers", "cmdSportsMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Golf' OR Membership = 'Tennis' ORDER BY "
     "Membership,LName",
     "Sports Members Roster", " - Sports Members Roster", &_libClub::RefreshSportsMembers,
     "No Sports membership records were found! ", false, "sports"},
    {Roster::Pool, "rptPoolMembers", "cmdPoolMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Pool' ORDER BY LName", "Pool Members Roster",
     " - Pool Members Roster", &_libClub::RefreshPoolMembers,
     "No Pool membership records were found! ", false, "pool"},
    {Roster::Junior, "rptJuniorMembers", "cmdJuniorMembers",
     "SELECT * FROM tblMembers WHERE Membership = 'Junior' ORDER BY LName", "Junior Members Roster",
     " - Junior Membership Roster", &_libClub::RefreshJuniorMembers,
     "No Junior membership records were found! ", false, "junior"},
}};

inline const RosterInfo &rosterInfo(Roster r) {
    return Rosters[size_t(r)];
}

// The columns the roster's SQL orders by, first key first.
QStringList rosterOrderKeys(const RosterInfo &info);

// The roster named on a command line ("all", "Regular", ...), letter case ignored.
std::optional<Roster> rosterByName(const QString &name);

// The column table of every roster, left to right (twips from the body's left edge).
struct RosterColumn {
    const char *heading;
    const char *column;
    int left;
    int width;
    Qt::AlignmentFlag alignment;
    const char *format;
    bool whole; // identifiers and amounts: drawn smaller as far as it takes, never cut
};

inline constexpr std::array<RosterColumn, 10> RosterColumns{{
    {"ID", "MemberID", 144, 585, Qt::AlignHCenter, "", true},
    {"Last Name", "LName", 720, 1575, Qt::AlignHCenter, "", false},
    {"First Name", "FName", 2304, 1290, Qt::AlignHCenter, "", false},
    {"Middle Name", "MName", 3600, 1155, Qt::AlignHCenter, "", false},
    {"Membership", "Membership", 4752, 1155, Qt::AlignHCenter, "", false},
    {"Dues", "Dues", 5904, 780, Qt::AlignRight, "\"$\"#,##0.00", true},
    {"Paid", "DuesPaid", 6768, 1290, Qt::AlignHCenter, "", false},
    {"Address", "Address1", 8064, 2445, Qt::AlignHCenter, "", false},
    {"City", "City", 10512, 1890, Qt::AlignHCenter, "", false},
    {"State", "State", 12384, 1875, Qt::AlignHCenter, "", false},
}};

// Where the ruled grid's vertical rules stand.
inline constexpr std::array<int, 11> RosterRules{144,  720,  2304,  3600,  4752, 5904,
                                                 6768, 8064, 10512, 12384, 14256};

// The roster's layout with its initialisation done (title, body width, landscape,
// margins), bound to the rows.
std::shared_ptr<Report> buildRosterReport(const RosterInfo &info, RecordsetPtr rows);
