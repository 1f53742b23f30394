#pragma once

#include "ClubForm.h"

#include <QDialog>

// The first-run form that enters the club's details. It stands alone (the main window is
// still hidden), and closing it in any way ends the program.
class frmClubData : public QDialog, public ClubFormControls {
    Q_OBJECT

public:
    explicit frmClubData(QWidget *parent = nullptr);
    // The first-run form, shown modal; every way of closing it ends the program.
    static void showFirstRun();

    void done(int r) override;

protected:
    // Escape must not close it: one keystroke would end the program and lose the entries.
    void keyPressEvent(QKeyEvent *e) override;

private:
    void Form_Load();
    void cmdSave_Click();
    void cmdClear_Click();
    void Form_Unload();
    // The new record's identifier; false when the library could not give the counter.
    bool newClubId(QString &id);

    bool m_unloaded = false;
};
