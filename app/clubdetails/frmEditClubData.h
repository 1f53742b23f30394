#pragma once

#include "ClubForm.h"

#include <QWidget>

// The main window's child in which the club's details are changed later.
class frmEditClubData : public QWidget {
    Q_OBJECT

public:
    explicit frmEditClubData(QWidget *parent = nullptr);

    QLabel *lblTitle;
    QLabel *lblID;
    std::array<QLabel *, ClubFieldCount> lblData;
    ClubTextBoxes txtBox;
    QPushButton *cmdSave;
    QPushButton *cmdClear;
    QPushButton *cmdExit;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void loadClub();
    void cmdSave_Click();
    void cmdClear_Click();
    // Enter in a field moves on to the next one; the last field keeps the focus.
    bool txtBox_KeyPress(std::size_t index, int key);
};
