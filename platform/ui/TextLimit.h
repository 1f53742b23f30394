#pragma once

#include "qmrplatform.h"

#include <QString>

class QLineEdit;

// A length cap counts UTF-16 units, so it can cut a character in half; these keep
// characters whole, since half a character is stored as garbage.
QMR_PLATFORM_EXPORT QString leftWhole(const QString &text, int units);

// A one-line box holds one line of whole characters, wherever the user types, pastes or
// drops text into it: what is put in keeps only what stands before its first line break, and
// a character the length cap would halve is left out.
QMR_PLATFORM_EXPORT void guardOneLineBox(QLineEdit *box);
// Puts a stored value into a guarded box as it is, line breaks included: what the file holds
// is shown whole, never cut behind the user's back.
QMR_PLATFORM_EXPORT void setStoredText(QLineEdit *box, const QString &text);

// Takes blanks off both ends and nothing else: tabs and line breaks the user typed are
// part of the text.
QMR_PLATFORM_EXPORT QString trimBlanks(const QString &text);
