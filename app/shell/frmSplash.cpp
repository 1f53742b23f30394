#include "frmSplash.h"

frmSplash::frmSplash(QWidget *parent) : QWidget(parent) {}

void frmSplash::load() {}
