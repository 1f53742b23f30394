#include "DisplayFormat.h"

#include <algorithm>
#include <cmath>

namespace {
// Splits on ';' outside quotes and escapes.
QStringList sections(const QString &format) {
    QStringList result(QString{});
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\\' && i + 1 < format.size()) {
            result.last() += c;
            result.last() += format[++i];
            continue;
        } else if (!quoted && c == u';') {
            result.append(QString{});
            continue;
        }
        result.last() += c;
    }
    return result;
}

// Adds one unit in the last place of a string of decimal digits.
QString incremented(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return u'1' + digits;
}
} // namespace

DisplayFormat::Pattern DisplayFormat::parse(const QString &section) {
    Pattern p;
    p.given = !section.isEmpty();
    bool inNumber = false;
    bool afterPoint = false;
    auto literal = [&](const QString &text) {
        (inNumber ? p.suffix : p.prefix) += text;
    };
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'"') {
            const qsizetype end = section.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? section.size() : end;
            literal(section.mid(i + 1, stop - i - 1));
            i = stop;
        } else if (c == u'\\' && i + 1 < section.size()) {
            literal(QString(section[++i]));
        } else if (c == u'0' || c == u'#') {
            inNumber = true;
            if (!afterPoint) {
                if (c == u'0')
                    ++p.intZeros;
            } else {
                ++p.maxDecimals;
                if (c == u'0')
                    p.minDecimals = p.maxDecimals;
            }
        } else if (c == u',' && inNumber && !afterPoint) {
            p.grouping = true;
        } else if (c == u'.' && !afterPoint) {
            inNumber = true;
            afterPoint = true;
        } else if (c == u'%') {
            p.percent = true;
            literal(QStringLiteral("%"));
        } else {
            literal(QString(c));
        }
    }
    return p;
}

DisplayFormat::DisplayFormat(const QString &format, const QLocale &locale)
    : m_empty(format.isEmpty())
    , m_group(locale.groupSeparator())
    , m_decimal(locale.decimalPoint())
    , m_minus(locale.negativeSign())
    , m_locale(locale) {
    const QStringList secs = sections(format);
    for (qsizetype i = 0; i < secs.size() && i < 4; ++i)
        m_sections[i] = parse(secs[i]);
}

// The magnitude's digits under the pattern; rounds half away from zero on the shortest
// decimal form, so 2.675 shows as 2.68 although its binary value lies just below.
QString DisplayFormat::number(double magnitude, const Pattern &p, bool *isZero) const {
    if (p.percent)
        magnitude *= 100;
    const QString plain = QString::number(magnitude, 'f', QLocale::FloatingPointShortest);
    const qsizetype point = plain.indexOf(u'.');
    QString whole = point < 0 ? plain : plain.left(point);
    QString fraction = point < 0 ? QString() : plain.mid(point + 1);
    if (fraction.size() > p.maxDecimals) {
        const bool up = fraction[p.maxDecimals] >= u'5';
        fraction.truncate(p.maxDecimals);
        if (up) {
            const QString all = incremented(whole + fraction);
            whole = all.left(all.size() - fraction.size());
            fraction = all.right(fraction.size());
        }
    }
    while (fraction.size() > p.minDecimals && fraction.endsWith(u'0'))
        fraction.chop(1);
    while (fraction.size() < p.minDecimals)
        fraction += u'0';
    auto nonZero = [](QChar c) {
        return c >= u'1' && c <= u'9';
    };
    *isZero = std::none_of(whole.begin(), whole.end(), nonZero)
              && std::none_of(fraction.begin(), fraction.end(), nonZero);

    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole == u"0" && p.intZeros == 0)
        whole.clear();
    while (whole.size() < p.intZeros)
        whole.prepend(u'0');
    if (p.grouping)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, m_group);
    if (!fraction.isEmpty())
        whole += m_decimal + fraction;
    return whole;
}

QString DisplayFormat::apply(const QVariant &value) const {
    if (!value.isValid() || value.isNull())
        return m_sections[3].given ? m_sections[3].prefix + m_sections[3].suffix : QString();

    bool ok = false;
    double v = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        v = value.toDouble(&ok);
        break;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        v = QLocale::c().toDouble(text, &ok);
        if (!ok)
            v = m_locale.toDouble(text, &ok);
        break;
    }
    default:
        break;
    }
    if (!ok || !std::isfinite(v) || m_empty)
        return value.toString();

    const bool negative = v < 0;
    const bool ownNegative = negative && m_sections[1].given;
    const Pattern &p = m_sections[ownNegative ? 1 : 0];
    bool isZero = false;
    const QString digits = number(std::fabs(v), p, &isZero);
    if (isZero && m_sections[2].given) {
        const Pattern &z = m_sections[2];
        return z.prefix + number(0, z, &isZero) + z.suffix;
    }
    // A negative amount that rounds to nothing shows without its sign.
    const bool minus = negative && !ownNegative && !isZero;
    return (minus ? m_minus : QString()) + p.prefix + digits + p.suffix;
}

QString formatValue(const QVariant &value, const QString &format, const QLocale &locale) {
    return DisplayFormat(format, locale).apply(value);
}
