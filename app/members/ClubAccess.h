#pragma once

#include "club/libClub.h"

#include <QString>

class Failure;

namespace members {

// The shared library object; a missing one fails like any other library call, so the
// caller's guard tells the user instead of the program falling over.
_libClub &club();
// rsClub, or a failure when the library handed back no result set at all.
RecordsetPtr &currentRecordset();
// What went wrong, in the words the user is shown.
QString failureText(const QString &what, const Failure &f);

} // namespace members
