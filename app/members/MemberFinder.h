#pragma once

#include <QWidget>

#include "MemberList.h"

#include <span>
#include <utility>

class QBoxLayout;
class QLabel;
class QLineEdit;

namespace members {

// The find box above a member list: what is typed narrows the list as it is typed, and the
// count beside it says how many of the roll's members are shown.
class MemberFinder : public QWidget {
    Q_OBJECT

public:
    MemberFinder(MemberList *list, QWidget *parent = nullptr);

    QLineEdit *txtFind = nullptr;
    QLabel *lblFound = nullptr;

    // "12 of 10,000 members", or "10,000 members" when nothing is asked.
    static QString countText(int shown, int total, bool finding);

Q_SIGNALS:
    // Enter picked the one member found.
    void picked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The window opens with the focus in the box.
    void showEvent(QShowEvent *event) override;

private:
    void updateCount();
    // Down: into the list, on its first row unless one is current already.
    void enterList();

    MemberList *m_list;
    bool m_shown = false;
};

// A member list with its find box above it, both added to the form's layout: the list is
// named lvMember and follows the box in the tab order.
using FindableList = std::pair<MemberFinder *, MemberList *>;
FindableList addFindableList(QWidget *form, QBoxLayout *layout, std::span<const ListColumn> columns,
                             const QString &spoken, const QString &tip);

} // namespace members
