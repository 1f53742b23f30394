#pragma once

#include <QWidget>

namespace members {
class MemberFinder;
class MemberList;
} // namespace members

// The window of "Find Member...": one box, the members it finds, and the one chosen handed on
// to be edited.
class frmFindMember : public QWidget {
    Q_OBJECT

public:
    explicit frmFindMember(QWidget *parent = nullptr);

    members::MemberFinder *finder = nullptr;
    members::MemberList *lvMember = nullptr;

    // Lists every member afresh, by last and then first name as a person reads them.
    void FillMemberList();
    // Room for a screenful of members.
    QSize sizeHint() const override;

Q_SIGNALS:
    // Enter or a double click chose this member.
    void memberChosen(const QString &memberId);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseSelected();
};
