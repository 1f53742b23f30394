#include "ClubAccess.h"
#include "MemberList.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

namespace members {

RecordsetPtr &currentRecordset() {
    if (!rsClub)
        throwObjectNotSet();
    return rsClub;
}

void fillFromRoll(MemberList &list) {
    setPointer(Pointer::Busy);
    skipOnFailure([&] { list.clearRows(); });
    skipOnFailure([] { rsClub = std::make_shared<Recordset>(); });
    skipOnFailure([] { rsClub = club().LoadMembers(); });
    skipOnFailure([&] { list.fill(*currentRecordset()); });
    CloseRecordset();
    setPointer(Pointer::Default);
}

void showChosenRow(MemberList &list, const std::function<void(const QStringList &row)> &show) {
    setPointer(Pointer::Busy);
    skipOnFailure([&] {
        const QStringList row = list.selectedRow();
        if (!row.isEmpty())
            show(row);
    });
    setPointer(Pointer::Default);
}

void sortByColumn(MemberList &list, int column) {
    setPointer(Pointer::Busy);
    skipOnFailure([&] { list.columnClick(column); });
    setPointer(Pointer::Default);
}

QString failureText(const QString &what, const Failure &f) {
    return what + LineBreak + LineBreak + f.description();
}

} // namespace members
