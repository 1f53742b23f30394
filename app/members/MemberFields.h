#pragma once

// The member field table: which control holds which column of tblMembers, how it looks, where
// it travels in the library's text arrays and where Enter and Tab lead. The entry and edit
// forms are both built from it, so they cannot drift apart.

#include <array>
#include <span>

namespace members {

enum class FieldKind { Text, List, Notes };

// A caption index of -1 names lblNotes, the notes box's own caption.
inline constexpr int NotesCaption = -1;
// A slot of -1: the value does not travel in the text array (the dues go as a number).
inline constexpr int NoSlot = -1;

inline constexpr const char *PaidItems[] = {"Monthly", "Semi Annual", "Quarterly", "Annual",
                                            "Other"};
inline constexpr const char *MembershipItems[] = {"Regular", "Family", "Life",   "Senior", "Junior",
                                                  "Pool",    "Golf",   "Tennis", "Sports", "Other"};

struct MemberField {
    FieldKind kind;
    int index;   // element of txtBox or cboBox (unused for the notes box)
    int caption; // element of lblData, or NotesCaption
    const char *captionText;
    const char *column; // column of tblMembers
    int maxLength;      // text boxes and the notes box; 0 for lists
    int addSlot;        // element of AddMember's array
    int updateSlot;     // element of UpdateMember's array
    int listColumn;     // column of the edit form's member list the field is loaded from
    int gridRow;        // row of the field grid
    int gridColumn;     // 0: caption column on the left; 2: beside the field of that row
    int enterNext;      // row of this table that Enter moves to; -1: Enter is left alone
    int tabAdd;         // place in the entry form's tab order
    int tabEdit;        // place in the edit form's tab order (the member list comes first)
    bool lowerCase;     // stored in lower case
    std::span<const char *const> items; // fixed list items
    const char *tipAdd;                 // tooltips of the field on each form
    const char *tipEdit;
    const char *captionTipAdd; // tooltips of the caption on each form
    const char *captionTipEdit;
};

// Rows in screen order; Enter walks them in this order too.
inline constexpr std::array<MemberField, 16> MemberFields{{
    {FieldKind::Text, 0,  0,       "*Last Name", "LName", 35,     1, 0, 1, 0, 0, 1, 0, 1,
     false,           {}, nullptr, nullptr,      nullptr, nullptr},
    {FieldKind::Text, 1,  1,       "*First Name", "FName", 35,     2, 1, 2, 1, 0, 2, 1, 2,
     false,           {}, nullptr, nullptr,       nullptr, nullptr},
    {FieldKind::Text, 2,  2,       "Middle Name", "MName", 35,     3, 2, 3, 2, 0, 3, 2, 3,
     false,           {}, nullptr, nullptr,       nullptr, nullptr},
    {FieldKind::Text, 3,  3,       "*Address", "Address1", 35,     4, 3, 4, 3, 0, 4, 3, 4,
     false,           {}, nullptr, nullptr,    nullptr,    nullptr},
    {FieldKind::Text, 4,  4,       "Address", "Address2", 35,     5, 4, 5, 4, 0, 5, 4, 5,
     false,           {}, nullptr, nullptr,   nullptr,    nullptr},
    {FieldKind::Text, 5,  5,       "*City", "City",  35,     6, 5, 6, 5, 0, 6, 5, 6,
     false,           {}, nullptr, nullptr, nullptr, nullptr},
    {FieldKind::List, 0,  6,       "*State / Prov", "State", 0,      7, 6, 7, 6, 0, 7, 6, 7,
     false,           {}, nullptr, nullptr,         nullptr, nullptr},
    {FieldKind::Text, 6,  7,       "*Postal Code", "Zip",   10,     8, 7, 8, 7, 0, 8, 7, 8,
     false,           {}, nullptr, nullptr,        nullptr, nullptr},
    {FieldKind::Text, 7,  8,       "Home Phone", "Phone1", 25,     9, 8, 9, 8, 0, 9, 8, 9,
     false,           {}, nullptr, nullptr,      nullptr,  nullptr},
    {FieldKind::Text, 8,  9,       "Work Phone", "Phone2", 25,     10, 9, 10, 9, 0, 10, 9, 10,
     false,           {}, nullptr, nullptr,      nullptr,  nullptr},
    {FieldKind::Text, 9,  10,      "Cell Phone", "Phone3", 15,     11, 10, 11, 10, 0, 11, 10, 11,
     false,           {}, nullptr, nullptr,      nullptr,  nullptr},
    {FieldKind::Text,
     10,
     11,
     "*Dues Amount",
     "Dues",
     10,
     NoSlot,
     NoSlot,
     12,
     11,
     0,
     12,
     11,
     12,
     false,
     {},
     nullptr,
     nullptr,
     nullptr,
     nullptr},
    // "Paid" stands beside the dues box; it has no "*" although Save requires it.
    {FieldKind::List,
     1,
     14,
     "Paid",
     "DuesPaid",
     0,
     13,
     12,
     13,
     11,
     2,
     13,
     12,
     13,
     false,
     PaidItems,
     " When dues are paid ",
     " When due are paid ",
     " When dues are paid ",
     nullptr},
    {FieldKind::List,
     2,
     12,
     "*Membership",
     "Membership",
     0,
     12,
     11,
     14,
     12,
     0,
     14,
     13,
     14,
     false,
     MembershipItems,
     " Membership type ",
     " Membership Type ",
     " Membership Type ",
     " Membership Type "},
    // On the edit form the e-mail box comes last of all in the tab order.
    {FieldKind::Text,
     11,
     13,
     "Email",
     "Email",
     45,
     14,
     13,
     15,
     13,
     0,
     15,
     14,
     19,
     true,
     {},
     nullptr,
     nullptr,
     nullptr,
     nullptr},
    {FieldKind::Notes,
     0,
     NotesCaption,
     "Notes",
     "Notes",
     250,
     15,
     14,
     16,
     0,
     0,
     -1,
     15,
     15,
     false,
     {},
     " Max 250 characters ",
     " Max 250 characters ",
     nullptr,
     nullptr},
}};

// The grid column of the notes, the picture and the buttons, right of every field.
inline constexpr int RightColumn = 4;
inline constexpr int TextBoxCount = 12;
inline constexpr int ListCount = 3;
inline constexpr int CaptionCount = 15;
inline constexpr int DuesBox = 10;
inline constexpr int EmailBox = 11;
inline constexpr int StateList = 0;
inline constexpr int PaidList = 1;
inline constexpr int MembershipList = 2;
inline constexpr int AddArraySize = 17;
inline constexpr int UpdateArraySize = 16;

// The item between the states and the provinces; it names no place a member can live in.
inline constexpr char CanadaSeparator[] = "- Canada -";

// The checks Save makes, in order; the first that fails stops the save.
enum class Check { Empty, NoChoice, Separator, NotNumeric };

struct MemberCheck {
    Check check;
    int field; // row of MemberFields
    const char *prompt;
    bool stopIcon; // stop icon, otherwise exclamation
};

inline constexpr std::array<MemberCheck, 11> MemberChecks{{
    {Check::Empty, 0, "Last Name is missing! ", true},
    {Check::Empty, 1, "First Name is missing! ", true},
    {Check::Empty, 3, "Address is missing! ", true},
    {Check::Empty, 5, "City Name is missing! ", true},
    {Check::NoChoice, 6, "Select a State or Province! ", false},
    // The second line follows the line break the form inserts.
    {Check::Separator, 6, "Select a valid State or Province!", false},
    {Check::Empty, 7, "Postal Code is missing! ", true},
    {Check::Empty, 11, "Dues Amount is missing! ", true},
    {Check::NotNumeric, 11, "Incorrect data in the Dues Amount box! ", true},
    {Check::NoChoice, 12, "Payment Type (Paid) is missing! ", true},
    {Check::NoChoice, 13, "Membership Type is missing! ", true},
}};
inline constexpr char SeparatorSecondLine[] = "Canada is a country, not a state or province. ";

// The row of MemberFields that holds a given control.
constexpr int fieldRow(FieldKind kind, int index) {
    for (int r = 0; r < int(MemberFields.size()); ++r)
        if (MemberFields[r].kind == kind
            && (kind == FieldKind::Notes || MemberFields[r].index == index))
            return r;
    return -1;
}

} // namespace members
