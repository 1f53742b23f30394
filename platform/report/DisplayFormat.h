#pragma once

#include "qmrplatform.h"

#include <QLocale>
#include <QString>
#include <QVariant>

// Formats a value with a number display format such as "$"#,##0.00: quoted or backslashed
// literals, '0' and '#' digit placeholders, ',' for thousands grouping, '.' for the decimal
// mark and '%' for per cent. Up to four sections separated by ';' give the positive,
// negative, zero and null forms. Group and decimal marks follow the locale. A null value
// gives the empty text (or the fourth section); a text that is no number is shown as it is.
QMR_PLATFORM_EXPORT QString formatValue(const QVariant &value, const QString &format,
                                        const QLocale &locale = QLocale());
