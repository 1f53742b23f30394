#pragma once

#include <QDialog>

class frmClubData : public QDialog {
    Q_OBJECT

public:
    explicit frmClubData(QWidget *parent = nullptr);
    // The first-run form, shown modal; every way of closing it ends the program.
    static void showFirstRun();
};
