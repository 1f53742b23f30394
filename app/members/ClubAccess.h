#pragma once

#include "club/libClub.h"

#include <QString>

class Failure;

namespace members {

class MemberList;

// The shared library object; a missing one fails like any other library call, so the
// caller's guard tells the user instead of the program falling over.
_libClub &club();
// rsClub, or a failure when the library handed back no result set at all.
RecordsetPtr &currentRecordset();
// What went wrong, in the words the user is shown.
QString failureText(const QString &what, const Failure &f);
// Refills a member list with every member of the roll; a failing step leaves it empty.
void fillFromRoll(MemberList &list);

} // namespace members
