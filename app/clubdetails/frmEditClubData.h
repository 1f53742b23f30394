#pragma once

#include "ClubForm.h"

#include <QWidget>

// The main window's child in which the club's details are changed later.
class frmEditClubData : public QWidget, public ClubFormControls {
    Q_OBJECT

public:
    explicit frmEditClubData(QWidget *parent = nullptr);

    QLabel *lblID;

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
