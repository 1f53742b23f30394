#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace members {
class MemberFinder;
class MemberList;
} // namespace members

// The window of "Member History...": a member found with the find box, every change ever made
// to that member, and what data-protection law asks for on the member's request: a copy of all
// that is held, or its erasure.
class frmMemberHistory : public QWidget {
    Q_OBJECT

public:
    explicit frmMemberHistory(QWidget *parent = nullptr);

    members::MemberFinder *finder = nullptr;
    members::MemberList *lvMember = nullptr;
    QLabel *lblMember = nullptr;
    // One row per change, oldest first: when, who, what, and the fields on lines of their own.
    QTreeWidget *lvHistory = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdErase = nullptr;

    // Asks where the export goes; empty: the user cancelled. Replaceable so the export runs
    // without a person.
    std::function<QString(const QString &suggested)> askExportPath;

    // Lists every member on the roll afresh, by last and then first name.
    void FillMemberList();
    // Shows a member's history, picked in the list when the member is on the roll. A deleted
    // member's history is shown all the same.
    void showMember(const QString &memberId);
    // The member whose history is shown; empty before one is chosen.
    QString memberId() const { return m_memberId; }

    void cmdExport_Click();
    void cmdErase_Click();
    // Writes everything held about the shown member to a file; false after telling the user
    // why it could not.
    bool exportMember(const QString &path);

    QSize sizeHint() const override;

private:
    void loadHistory(const QString &memberId);
    // The member as the user knows them: "Clark, Anne (M-4)", or the identifier alone.
    QString memberTitle() const;

    QString m_memberId;
    QString m_name;
    bool m_picking = false;
};
