#include "Pointer.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace {
Pointer g_pointer = Pointer::Default;
}

void setPointer(Pointer p) {
    g_pointer = p;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (p == Pointer::Busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (p == Pointer::Arrow)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
}

Pointer currentPointer() {
    return g_pointer;
}

void setWindowPointer(QWidget *w, Pointer p) {
    if (!w)
        return;
    if (p == Pointer::Busy)
        w->setCursor(Qt::WaitCursor);
    else if (p == Pointer::Arrow)
        w->setCursor(Qt::ArrowCursor);
    else
        w->unsetCursor();
}
