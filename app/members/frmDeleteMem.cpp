#include "frmDeleteMem.h"

frmDeleteMem::frmDeleteMem(QWidget *parent) : QWidget(parent) {}
