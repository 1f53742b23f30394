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

// The same, parsed once for formatting many values.
class QMR_PLATFORM_EXPORT DisplayFormat {
public:
    DisplayFormat() = default;
    DisplayFormat(const QString &format, const QLocale &locale = QLocale());
    QString apply(const QVariant &value) const;

private:
    struct Pattern {
        QString prefix;
        QString suffix;
        int intZeros = 0;
        bool grouping = false;
        int minDecimals = 0;
        int maxDecimals = 0;
        bool percent = false;
        bool given = false; // the section exists and is not empty
    };
    static Pattern parse(const QString &section);
    QString number(double magnitude, const Pattern &p, bool *isZero) const;

    bool m_empty = true;
    Pattern m_sections[4];
    QString m_group;
    QString m_decimal;
    QString m_minus;
    QLocale m_locale;
};
