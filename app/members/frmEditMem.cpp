#include "frmEditMem.h"

frmEditMem::frmEditMem(QWidget *parent) : QWidget(parent) {}
