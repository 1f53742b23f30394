#pragma once

#include "common/OpenWindows.h"

namespace exchange {

// "Undo Last Import": names the newest import (its file, when, by whom, how many members it
// added and updated) and, once the user agrees, has the library put the roll back as it was
// before it. The roll changes under every window, so no other window may be open.
void undoLastImport(const OpenWindows &openWindows);

} // namespace exchange
