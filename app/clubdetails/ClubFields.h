#pragma once

#include "club/RecordSlots.h"

#include <array>
#include <cstddef>

// One field of the club record as both club forms show it: the caption beside it, how many
// characters it takes, the slot of the save list it travels in, the tblMain column it is
// stored in, and the message shown when it is required and left empty (null: optional).
struct ClubField {
    const char *caption;
    int maxLength;
    ClubSlot slot;
    const char *column;
    const char *missing;
};

inline constexpr std::size_t ClubFieldCount = 13;

inline constexpr std::array<ClubField, ClubFieldCount> ClubFields{{
    {"Club Name", 45, ClubSlot::ClubName, "ClubName", "Club Name is Missing"},
    {"Address", 35, ClubSlot::Address1, "Address1", "Club Address is Missing"},
    {"City", 35, ClubSlot::City, "City", "Club City is Missing"},
    {"State/Prov", 3, ClubSlot::State, "State", "Club State/Prov is Missing"},
    {"Postal Code", 10, ClubSlot::Zip, "Zip", "Club Postal Code is Missing"},
    {"Club Phone", 25, ClubSlot::Phone1, "Phone1", "Club Phone is Missing"},
    {"Restaurant Phone", 25, ClubSlot::Phone2, "Phone2", nullptr},
    {"Lounge Phone", 25, ClubSlot::Phone3, "Phone3", nullptr},
    {"Bar Phone", 25, ClubSlot::Phone4, "Phone4", nullptr},
    {"Kitchen Phone", 25, ClubSlot::Phone5, "Phone5", nullptr},
    {"Pro Shop Phone", 25, ClubSlot::Phone6, "Phone6", nullptr},
    {"Web URL", 45, ClubSlot::WebURL, "WebURL", nullptr},
    {"E-mail", 45, ClubSlot::Email, "Email", nullptr},
}};

// The save list: the ClubID, then one slot per field.
inline constexpr int ClubSaveArraySize = ClubSize;
// The field whose state code is entered by hand: narrow, centred.
inline constexpr std::size_t ClubStateField = 3;

// The table is the contract with the library's club statements; keep it consistent.
consteval bool clubFieldsConsistent() {
    for (std::size_t i = 0; i < ClubFieldCount; ++i) {
        if (ClubFields[i].slot != ClubSlot(i + 1) || ClubFields[i].maxLength <= 0)
            return false;
        // The required fields come first, so validation stops at the first one missing.
        if ((ClubFields[i].missing != nullptr) != (i <= 5))
            return false;
    }
    return ClubFields[ClubStateField].maxLength == 3;
}
static_assert(clubFieldsConsistent());
