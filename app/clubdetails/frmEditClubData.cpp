#include "frmEditClubData.h"

frmEditClubData::frmEditClubData(QWidget *parent) : QWidget(parent) {}
