#pragma once

// The member field table: which control holds which column of tblMembers, how it looks, which
// slot of the library's text lists it travels in and where Enter and Tab lead. The entry and edit
// forms are both built from it, so they cannot drift apart.

#include "club/RecordSlots.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace members {

enum class FieldKind { Text, List, Notes };

// A caption index of -1 names lblNotes, the notes box's own caption.
inline constexpr int NotesCaption = -1;
// Where a field that does not travel in the text lists would have its slot (the dues go as a
// number).
inline constexpr int NoSlot = -1;

inline constexpr const char *PaidItems[] = {"Monthly", "Semi Annual", "Quarterly", "Annual",
                                            "Other"};
inline constexpr const char *MembershipItems[] = {"Regular", "Family", "Life",   "Senior", "Junior",
                                                  "Pool",    "Golf",   "Tennis", "Sports", "Other"};

// One row of the table. What follows from a row's place is not written in it: the entry form's
// tab order and Enter walk the rows in order, the edit form's member list shows the identifier
// and then the fields in row order, and AddMember's list is UpdateMember's behind the identifier.
struct MemberField {
    FieldKind kind;
    int index;   // element of txtBox or cboBox (unused for the notes box)
    int caption; // element of lblData, or NotesCaption
    const char *captionText;
    const char *column;                            // column of tblMembers
    int maxLength = 0;                             // text boxes and the notes box; 0 for lists
    std::optional<MemberSlot> slot = std::nullopt; // none: not in the text lists
    int gridRow = 0;                               // row of the field grid (the notes stand apart)
    int gridColumn = 0;         // 0: caption column on the left; 2: beside the previous field
    bool lastOnEditTab = false; // the edit form tabs to it after the buttons
    bool lowerCase = false;     // stored in lower case
    std::span<const char *const> items = {}; // fixed list items
    const char *tipAdd = nullptr;            // tooltips of the field on each form
    const char *tipEdit = nullptr;
    const char *captionTipAdd = nullptr; // tooltips of the caption on each form
    const char *captionTipEdit = nullptr;

    constexpr int addSlot() const { return slot ? addMemberSlot(*slot) : NoSlot; }
    constexpr int updateSlot() const { return slot ? updateMemberSlot(*slot) : NoSlot; }
};

// Rows in screen order.
// clang-format off
inline constexpr std::array<MemberField, 16> MemberFields{{
    {.kind = FieldKind::Text, .index = 0, .caption = 0, .captionText = "*Last Name",
     .column = "LName", .maxLength = 35, .slot = MemberSlot::LName, .gridRow = 0},
    {.kind = FieldKind::Text, .index = 1, .caption = 1, .captionText = "*First Name",
     .column = "FName", .maxLength = 35, .slot = MemberSlot::FName, .gridRow = 1},
    {.kind = FieldKind::Text, .index = 2, .caption = 2, .captionText = "Middle Name",
     .column = "MName", .maxLength = 35, .slot = MemberSlot::MName, .gridRow = 2},
    {.kind = FieldKind::Text, .index = 3, .caption = 3, .captionText = "*Address",
     .column = "Address1", .maxLength = 35, .slot = MemberSlot::Address1, .gridRow = 3},
    {.kind = FieldKind::Text, .index = 4, .caption = 4, .captionText = "Address",
     .column = "Address2", .maxLength = 35, .slot = MemberSlot::Address2, .gridRow = 4},
    {.kind = FieldKind::Text, .index = 5, .caption = 5, .captionText = "*City",
     .column = "City", .maxLength = 35, .slot = MemberSlot::City, .gridRow = 5},
    {.kind = FieldKind::List, .index = 0, .caption = 6, .captionText = "*State / Prov",
     .column = "State", .slot = MemberSlot::State, .gridRow = 6},
    {.kind = FieldKind::Text, .index = 6, .caption = 7, .captionText = "*Postal Code",
     .column = "Zip", .maxLength = 10, .slot = MemberSlot::Zip, .gridRow = 7},
    {.kind = FieldKind::Text, .index = 7, .caption = 8, .captionText = "Home Phone",
     .column = "Phone1", .maxLength = 25, .slot = MemberSlot::Phone1, .gridRow = 8},
    {.kind = FieldKind::Text, .index = 8, .caption = 9, .captionText = "Work Phone",
     .column = "Phone2", .maxLength = 25, .slot = MemberSlot::Phone2, .gridRow = 9},
    {.kind = FieldKind::Text, .index = 9, .caption = 10, .captionText = "Cell Phone",
     .column = "Phone3", .maxLength = 15, .slot = MemberSlot::Phone3, .gridRow = 10},
    // The dues travel as a number, beside the text list.
    {.kind = FieldKind::Text, .index = 10, .caption = 11, .captionText = "*Dues Amount",
     .column = "Dues", .maxLength = 10, .gridRow = 11},
    // "Paid" stands beside the dues box; it has no "*" although Save requires it.
    {.kind = FieldKind::List, .index = 1, .caption = 14, .captionText = "Paid",
     .column = "DuesPaid", .slot = MemberSlot::DuesPaid, .gridRow = 11, .gridColumn = 2,
     .items = PaidItems, .tipAdd = " When dues are paid ", .tipEdit = " When due are paid ",
     .captionTipAdd = " When dues are paid "},
    {.kind = FieldKind::List, .index = 2, .caption = 12, .captionText = "*Membership",
     .column = "Membership", .slot = MemberSlot::Membership, .gridRow = 12,
     .items = MembershipItems, .tipAdd = " Membership type ", .tipEdit = " Membership Type ",
     .captionTipAdd = " Membership Type ", .captionTipEdit = " Membership Type "},
    {.kind = FieldKind::Text, .index = 11, .caption = 13, .captionText = "Email",
     .column = "Email", .maxLength = 45, .slot = MemberSlot::Email, .gridRow = 13,
     .lastOnEditTab = true, .lowerCase = true},
    // Last: Enter in the notes box breaks the line instead of walking on.
    {.kind = FieldKind::Notes, .index = 0, .caption = NotesCaption, .captionText = "Notes",
     .column = "Notes", .maxLength = 250, .slot = MemberSlot::Notes,
     .tipAdd = " Max 250 characters ", .tipEdit = " Max 250 characters "},
}};
// clang-format on

// The column of the edit form's member list a row is loaded from.
constexpr int listColumn(int row) {
    return row + 1;
}

// The row Enter moves to from a row; -1: Enter is left to the field.
constexpr int enterNext(int row) {
    return MemberFields[row].kind == FieldKind::Notes ? -1 : row + 1;
}

// The row of MemberFields that holds a given control.
constexpr int fieldRow(FieldKind kind, int index) {
    for (int r = 0; r < int(MemberFields.size()); ++r)
        if (MemberFields[r].kind == kind
            && (kind == FieldKind::Notes || MemberFields[r].index == index))
            return r;
    return -1;
}

// The row of MemberFields stored in a column of tblMembers; no such row does not compile.
consteval int fieldRow(std::string_view column) {
    for (int r = 0; r < int(MemberFields.size()); ++r)
        if (MemberFields[r].column == column)
            return r;
    throw "no member field stores this column";
}

constexpr int countOf(FieldKind kind) {
    int n = 0;
    for (const MemberField &f : MemberFields)
        n += f.kind == kind;
    return n;
}

// The grid column of the notes, the picture and the buttons, right of every field.
inline constexpr int RightColumn = 4;
inline constexpr int TextBoxCount = countOf(FieldKind::Text);
inline constexpr int ListCount = countOf(FieldKind::List);
inline constexpr int CaptionCount = TextBoxCount + ListCount;
inline constexpr int DuesBox = MemberFields[fieldRow("Dues")].index;
inline constexpr int EmailBox = MemberFields[fieldRow("Email")].index;
inline constexpr int StateList = MemberFields[fieldRow("State")].index;
inline constexpr int PaidList = MemberFields[fieldRow("DuesPaid")].index;
inline constexpr int MembershipList = MemberFields[fieldRow("Membership")].index;
inline constexpr int AddArraySize = AddMemberSize;
inline constexpr int UpdateArraySize = UpdateMemberSize;

// The forms rely on this: controls numbered densely in row order, every slot of the text lists
// filled by exactly one field that is stored in the slot's column, one caption per field, and
// the grid filled top to bottom.
consteval bool memberFieldsConsistent() {
    std::array<int, UpdateMemberSize> slotUses{};
    std::array<int, CaptionCount> captionUses{};
    int texts = 0, lists = 0, unslotted = 0, gridRow = -1;
    for (int r = 0; r < int(MemberFields.size()); ++r) {
        const MemberField &f = MemberFields[r];
        if (f.slot) {
            ++slotUses[updateMemberSlot(*f.slot)];
            if (std::string_view(MemberSlotColumns[updateMemberSlot(*f.slot)]) != f.column)
                return false;
        } else {
            ++unslotted;
        }
        if ((f.kind == FieldKind::List) != (f.maxLength == 0))
            return false;
        if (f.kind == FieldKind::Notes) {
            // The notes stand apart, last, so Enter never walks off the table.
            if (r != int(MemberFields.size()) - 1 || f.caption != NotesCaption)
                return false;
            continue;
        }
        if (f.index != (f.kind == FieldKind::Text ? texts++ : lists++))
            return false;
        if (f.caption < 0 || f.caption >= CaptionCount || captionUses[f.caption]++)
            return false;
        if (f.gridColumn == 0 ? f.gridRow != ++gridRow : f.gridRow != gridRow)
            return false;
    }
    for (int uses : slotUses)
        if (uses != 1)
            return false;
    return unslotted == 1 && !MemberFields[fieldRow("Dues")].slot;
}
static_assert(memberFieldsConsistent());

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
    {Check::Empty, fieldRow("LName"), "Last Name is missing! ", true},
    {Check::Empty, fieldRow("FName"), "First Name is missing! ", true},
    {Check::Empty, fieldRow("Address1"), "Address is missing! ", true},
    {Check::Empty, fieldRow("City"), "City Name is missing! ", true},
    {Check::NoChoice, fieldRow("State"), "Select a State or Province! ", false},
    // The second line follows the line break the form inserts.
    {Check::Separator, fieldRow("State"), "Select a valid State or Province!", false},
    {Check::Empty, fieldRow("Zip"), "Postal Code is missing! ", true},
    {Check::Empty, fieldRow("Dues"), "Dues Amount is missing! ", true},
    {Check::NotNumeric, fieldRow("Dues"), "Incorrect data in the Dues Amount box! ", true},
    {Check::NoChoice, fieldRow("DuesPaid"), "Payment Type (Paid) is missing! ", true},
    {Check::NoChoice, fieldRow("Membership"), "Membership Type is missing! ", true},
}};
inline constexpr char SeparatorSecondLine[] = "Canada is a country, not a state or province. ";

} // namespace members
