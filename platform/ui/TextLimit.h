#pragma once

#include "qmrplatform.h"

#include <QString>

class QLineEdit;

// A length cap counts UTF-16 units, so it can cut a character in half; these keep
// characters whole, since half a character is stored as garbage.
QMR_PLATFORM_EXPORT QString leftWhole(const QString &text, int units);
QMR_PLATFORM_EXPORT void keepCharactersWhole(QLineEdit *box);

// Takes blanks off both ends and nothing else: tabs and line breaks the user typed are
// part of the text.
QMR_PLATFORM_EXPORT QString trimBlanks(const QString &text);
