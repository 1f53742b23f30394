#pragma once

#include <QString>

// What the roll must hold for a cleaned value: NULs gone, blanks off both ends, the rest as
// it was. Said another way than the code says it, so the two do not share a slip. Header
// only, for the fuzz targets build without the test support library.
inline QString storedForm(QString typed) {
    typed.remove(QChar(0));
    while (typed.startsWith(u' '))
        typed.remove(0, 1);
    while (typed.endsWith(u' '))
        typed.chop(1);
    return typed;
}
