#pragma once

#include "club/libClub.h"
#include "common/modGlobal.h"

#include <QString>
#include <functional>

class Failure;

namespace members {

class MemberList;

// The library object is reached through club() and club2() (common/modGlobal.h).
// rsClub, or a failure when the library handed back no result set at all.
RecordsetPtr &currentRecordset();
// What went wrong, in the words the user is shown.
QString failureText(const QString &what, const Failure &f);
// Refills a member list with every member of the roll; a failing step leaves it empty.
void fillFromRoll(MemberList &list);
// Hands the row the user chose, if any, to show; a failure there leaves the form as it was.
void showChosenRow(MemberList &list, const std::function<void(const QStringList &row)> &show);
// Sorts the list by the clicked column.
void sortByColumn(MemberList &list, int column);

} // namespace members
