#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

// The window of "Recently Deleted": the members deleted and not added back since, newest
// first, each of whom can be put back on the roll under their old identifier.
class frmDeletedMembers : public QWidget {
    Q_OBJECT

public:
    explicit frmDeletedMembers(QWidget *parent = nullptr);

    QLabel *lblCount = nullptr;
    // Deleted when, by whom, ID, name, city; the history row of the deletion rides along.
    QTreeWidget *lvDeleted = nullptr;
    QPushButton *cmdRestore = nullptr;
    QPushButton *cmdHistory = nullptr;

    void FillDeletedList();
    void cmdRestore_Click();

    QSize sizeHint() const override;

Q_SIGNALS:
    // "Member History..." asks to see the selected member's history; the main window opens it.
    void historyAsked(const QString &memberId);

private:
    void updateButtons();
};
