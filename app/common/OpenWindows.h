#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The titles of the other child windows open now. What puts other content in place of the roll
// (a restore, an import, undoing one) runs only when there are none, so that no window goes on
// showing or saving what the roll no longer holds. The main window hands each such command its
// list; without one nothing counts as open.
using OpenWindows = std::function<QStringList()>;

// True when no other window is open; otherwise names them, asks that they be closed before
// `doing` ("restoring the roll"), and returns false.
bool otherWindowsClosed(const OpenWindows &openWindows, const QString &doing);
