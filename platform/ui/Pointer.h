#pragma once

#include "qmrplatform.h"

class QWidget;

enum class Pointer { Default, Arrow, Busy };

// The process-wide pointer is one state, not a stack: setting it replaces the previous one.
QMR_PLATFORM_EXPORT void setPointer(Pointer p);
QMR_PLATFORM_EXPORT Pointer currentPointer();

// A window's own pointer (over that window only).
QMR_PLATFORM_EXPORT void setWindowPointer(QWidget *w, Pointer p);
