#pragma once

#include "qmrplatform.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads the subset of RTF our own documents use into a QTextDocument: paragraphs and line
// breaks, tabs, bold, italic, underline, font sizes, fonts, colours, alignment and indents,
// \'hh and \uN characters. Unknown control words are ignored and unknown destinations
// skipped, so any input gives a document; malformed input never loops or overruns.
// Returns false when the text does not start with "{\rtf" (the document is then left empty).
QMR_PLATFORM_EXPORT bool readRtf(const QByteArray &rtf, QTextDocument *document);

// Loads an RTF file into the document. A missing file fails with number 53, an unreadable
// one with 75, a file that is not RTF with 5.
QMR_PLATFORM_EXPORT void loadRtfFile(const QString &path, QTextDocument *document);
