#include "frmClubData.h"

frmClubData::frmClubData(QWidget *parent) : QDialog(parent) {}

void frmClubData::showFirstRun() {}
