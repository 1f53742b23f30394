#pragma once

#include "MemberForm.h"

namespace members {
class MemberFinder;
class MemberList;
} // namespace members

// The child window in which an existing member is changed.
class frmEditMem : public members::MemberForm {
    Q_OBJECT

public:
    explicit frmEditMem(QWidget *parent = nullptr);

    members::MemberFinder *finder = nullptr;
    members::MemberList *lvMember = nullptr;
    QLabel *lblID = nullptr;

    // Lists every member afresh, in the order the roll returns them.
    void FillMemberList();
    // The user picked a row: its member goes into the fields.
    void lvMember_Click();
    // Shows a member as if picked from the list, whatever the find box held.
    void pickMember(const QString &memberId);
    // A click on a column header.
    void lvMember_ColumnClick(int column);
    void cmdSave_Click();
    void cmdClear_Click();
    void cmdExit_Click();
};
