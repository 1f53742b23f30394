#pragma once

// The slots of the text lists the member and club operations take. Forms fill them and the
// library reads them by these names only, so a slot's meaning is written once.

// A member's values in the order UpdateMember takes them; AddMember's list puts the new
// identifier in front of the same values.
enum class MemberSlot : int {
    LName,
    FName,
    MName,
    Address1,
    Address2,
    City,
    State,
    Zip,
    Phone1,
    Phone2,
    Phone3,
    Membership,
    DuesPaid,
    Email,
    Notes,
};
inline constexpr int UpdateMemberSize = int(MemberSlot::Notes) + 1;
// The tblMembers column each slot is stored in.
inline constexpr const char *MemberSlotColumns[UpdateMemberSize] = {
    "LName",  "FName",  "MName",  "Address1",   "Address2", "City",  "State", "Zip",
    "Phone1", "Phone2", "Phone3", "Membership", "DuesPaid", "Email", "Notes"};
inline constexpr int AddMemberSize = UpdateMemberSize + 1;
inline constexpr int AddMemberIdSlot = 0;

constexpr int updateMemberSlot(MemberSlot s) {
    return int(s);
}
constexpr int addMemberSlot(MemberSlot s) {
    return int(s) + 1;
}

// The club record's values, the same list for AddClubDetails and UpdateClubDetails.
enum class ClubSlot : int {
    ClubID,
    ClubName,
    Address1,
    City,
    State,
    Zip,
    Phone1,
    Phone2,
    Phone3,
    Phone4,
    Phone5,
    Phone6,
    WebURL,
    Email,
};
inline constexpr int ClubSize = int(ClubSlot::Email) + 1;

constexpr int clubSlot(ClubSlot s) {
    return int(s);
}
