#pragma once

#include "qmrplatform.h"

class QAbstractButton;

// Enter on a focused button presses it, as a click does. No button is ever a form's default,
// so Enter in a field never presses one behind the user's back.
QMR_PLATFORM_EXPORT void pressOnEnter(QAbstractButton *button);
