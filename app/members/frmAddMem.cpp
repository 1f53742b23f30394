#include "frmAddMem.h"

frmAddMem::frmAddMem(QWidget *parent) : QWidget(parent) {}
