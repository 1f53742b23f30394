#pragma once

#include "MemberForm.h"

#include <optional>

// The child window in which a new member is entered.
class frmAddMem : public members::MemberForm {
    Q_OBJECT

public:
    explicit frmAddMem(QWidget *parent = nullptr);

    void cmdSave_Click();
    void cmdClear_Click();
    void cmdExit_Click();
    // "M-" and one more than the highest row counter; nothing when that cannot be read.
    static std::optional<QString> NextMemberID();

protected:
    void showEvent(QShowEvent *e) override;

private:
    bool m_shown = false;
};
