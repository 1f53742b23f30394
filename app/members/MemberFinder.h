#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace members {

class MemberList;

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

} // namespace members
