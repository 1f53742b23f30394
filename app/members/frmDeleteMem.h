#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
namespace members {
class MemberFinder;
class MemberList;
} // namespace members

// The child window in which a member is removed from the roll.
class frmDeleteMem : public QWidget {
    Q_OBJECT

public:
    explicit frmDeleteMem(QWidget *parent = nullptr);

    QLabel *lblTitle = nullptr;
    members::MemberFinder *finder = nullptr;
    members::MemberList *lvMember = nullptr;
    // The chosen member: ID, name, address, membership.
    std::array<QLabel *, 4> lblData{};
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdExit = nullptr;

    void FillMemberList();
    void lvMember_Click();
    void lvMember_ColumnClick(int column);
    void cmdDelete_Click();
    void cmdClear_Click();
    void cmdExit_Click();
};
