#include "TableInternal.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <cmath>

namespace {

bool startsFormula(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// An apostrophe put in front by neutraliseSpreadsheetText: one before a formula's first
// character or before another apostrophe.
bool markedByUs(const QString &text) {
    return text.size() >= 2 && text[0] == u'\'' && (startsFormula(text[1]) || text[1] == u'\'');
}

} // namespace

QString encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 (little-endian)");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 (big-endian)");
    }
    return QString();
}

QString neutraliseSpreadsheetText(const QString &text) {
    if (text.isEmpty())
        return text;
    if (startsFormula(text[0]) || markedByUs(text))
        return u'\'' + text;
    return text;
}

QString restoreSpreadsheetText(const QString &text) {
    return markedByUs(text) ? text.mid(1) : text;
}

TableRead readTableFile(const QString &path, const TableReadOptions &options) {
    const QString shown = table::shownPath(path);
    TableRead failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failed.error = QStringLiteral("%1 cannot be opened (%2)").arg(shown, file.errorString());
        return failed;
    }
    if (file.size() > table::MaxBytes) {
        failed.error =
            QStringLiteral("%1 is larger than 512 MB, too large to be read as a table").arg(shown);
        return failed;
    }
    // The local file header, the end of an empty archive, or a spanned one.
    const QByteArray start = file.peek(4);
    if (start == QByteArrayLiteral("PK\x03\x04") || start == QByteArrayLiteral("PK\x05\x06")
        || start == QByteArrayLiteral("PK\x07\x08")) {
        file.close();
        return table::readWorkbook(path, options);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        failed.error = QStringLiteral("%1 cannot be read (%2)").arg(shown, file.errorString());
        return failed;
    }
    return readCsv(bytes, shown, options);
}

namespace table {

QString shownPath(const QString &path) {
    return QDir::toNativeSeparators(path);
}

bool RowCollector::blank(const QStringList &cells) {
    for (const QString &cell : cells)
        for (const QChar c : cell)
            if (!c.isSpace())
                return false;
    return true;
}

bool RowCollector::add(QStringList &&row, qsizetype rowNumber, QString *error) {
    for (QString &cell : row)
        if (markedByUs(cell))
            cell.remove(0, 1);
    if (blank(row))
        return true;
    cells += row.size();
    if (cells > MaxCells) {
        *error = QStringLiteral("%1 holds more than %2 cells, more than one table here may hold "
                                "(row %3)")
                     .arg(fileName, QLocale::c().toString(MaxCells))
                     .arg(rowNumber);
        return false;
    }
    if (!headings) {
        headings = true;
        into.headings = std::move(row);
    } else {
        into.rows.append(std::move(row));
        into.rowNumbers.append(rowNumber);
    }
    return true;
}

QString workbookNumber(const QString &text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return text;
    if (value == 0)
        return QStringLiteral("0");
    // Plain digits where a person would write them so (phone numbers, amounts); an exponent
    // only for the very large and the very small.
    const double size = std::abs(value);
    const char form = size >= 1e-6 && size < 1e21 ? 'f' : 'g';
    return QString::number(value, form, QLocale::FloatingPointShortest);
}

} // namespace table
