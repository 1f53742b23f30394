#include "TableInternal.h"
#include "system/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <xlsxwriter.h>

#ifndef QMR_XLSX_QUOTE_PREFIX
#include <minizip/unzip.h>
#include <minizip/zip.h>
#endif

namespace {

using table::shownPath;

bool isNumber(const QVariant &cell) {
    switch (cell.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

// A NUL cannot travel in either format (our own reader refuses a CSV file holding one).
QString cellText(const QVariant &cell) {
    QString text = cell.toString();
    if (text.contains(QChar(0)))
        text.remove(QChar(0));
    return text;
}

// Two decimals for an amount in whole cents, else every digit the number needs; never an
// exponent or a grouping mark, whatever the user's locale.
QString csvNumber(double value) {
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0.00");
    const QString cents = QString::number(value, 'f', 2);
    if (cents.toDouble() == value)
        return cents;
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

// Gives a finished file its name, on the disk first so a crash cannot leave the name on an
// empty file.
bool moveIntoPlace(const QString &from, const QString &to, QString *error) {
    const QString folder = QFileInfo(to).absolutePath();
    QString why = safefile::syncFile(from, folder);
    if (why.isEmpty())
        why = safefile::replaceFile(from, to, folder);
    if (!why.isEmpty()) {
        *error = QStringLiteral("%1 could not be written: %2").arg(shownPath(to), why);
        return false;
    }
    safefile::syncFolder(folder);
    return true;
}

class CsvWriter final : public TableWriter {
public:
    explicit CsvWriter(const QString &path)
        : file(path)
        , shown(shownPath(path)) {}

    bool start(const QList<TableColumn> &columns, QString *error) {
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("%1 cannot be written (%2)").arg(shown, file.errorString());
            return false;
        }
        buffer = QByteArrayLiteral("\xEF\xBB\xBF");
        QVariantList headings;
        for (const TableColumn &c : columns)
            headings.append(c.heading);
        if (!addRow(headings)) {
            *error = failure;
            return false;
        }
        return true;
    }

    bool addRow(const QVariantList &cells) override {
        if (!failure.isEmpty())
            return false;
        line.clear();
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i)
                line += u',';
            const QVariant &cell = cells[i];
            if (isNumber(cell)) {
                line += csvNumber(cell.toDouble());
                continue;
            }
            const QString text = neutraliseSpreadsheetText(cellText(cell));
            // Quoted also for a semicolon or a tab, so that a reader guessing the separator
            // cannot take one of them for it.
            bool quote = false;
            for (const QChar c : text)
                if (c == u',' || c == u'"' || c == u'\n' || c == u'\r' || c == u';' || c == u'\t')
                    quote = true;
            if (!quote) {
                line += text;
                continue;
            }
            line += u'"';
            for (const QChar c : text) {
                if (c == u'"')
                    line += u'"';
                line += c;
            }
            line += u'"';
        }
        line += QStringLiteral("\r\n");
        buffer += line.toUtf8();
        return buffer.size() < 1024 * 1024 || flush();
    }

    bool finish(QString *error) override {
        if (failure.isEmpty() && flush() && !file.commit())
            failure = QStringLiteral("%1 could not be written (%2)").arg(shown, file.errorString());
        if (failure.isEmpty())
            return true;
        file.cancelWriting();
        *error = failure;
        return false;
    }

private:
    bool flush() {
        if (file.write(buffer) != buffer.size()) {
            failure = QStringLiteral("%1 could not be written (%2)").arg(shown, file.errorString());
            file.cancelWriting();
            return false;
        }
        buffer.clear();
        return true;
    }

    QSaveFile file;
    const QString shown;
    QByteArray buffer;
    QString line;
    QString failure;
};

#ifndef QMR_XLSX_QUOTE_PREFIX
// The styles part with the quote-prefix mark on every cell format using the text format "@"
// (only our formula-like cells do); empty when there is none to mark.
QByteArray markQuotePrefix(const QByteArray &styles) {
    QString xml = QString::fromUtf8(styles);
    QStringList ids{QStringLiteral("49")}; // the built-in "@"
    static const QRegularExpression textFormat(
        QStringLiteral(R"re(<numFmt numFmtId="(\d+)" formatCode="@"\s*/>)re"));
    for (const QRegularExpressionMatch &m : textFormat.globalMatch(xml))
        ids.append(m.captured(1));
    qsizetype end = xml.indexOf(u"</cellXfs>");
    bool marked = false;
    for (qsizetype at = xml.indexOf(u"<xf ", xml.indexOf(u"<cellXfs")); at >= 0 && at < end;
         at = xml.indexOf(u"<xf ", at + 1)) {
        const QStringView tag = QStringView(xml).sliced(at, xml.indexOf(u'>', at) - at);
        for (const QString &id : std::as_const(ids)) {
            if (tag.contains(QStringLiteral("numFmtId=\"%1\"").arg(id))) {
                if (!tag.contains(u"quotePrefix"))
                    xml.insert(at + 3, QStringLiteral(" quotePrefix=\"1\""));
                end = xml.indexOf(u"</cellXfs>");
                marked = true;
                break;
            }
        }
    }
    return marked ? xml.toUtf8() : QByteArray();
}

// This libxlsxwriter cannot set the quote-prefix mark: the finished package is copied part by
// part (still packed, but for the styles) into `to`, the mark added to its styles. Empty when
// done, else what failed.
QString copyWithQuotePrefix(const QString &from, const QString &to) {
    struct Files {
        unzFile in = nullptr;
        zipFile out = nullptr;
        ~Files() {
            if (in)
                unzClose(in);
            if (out)
                zipClose(out, nullptr);
        }
    } f;
    f.in = unzOpen64(QFile::encodeName(from).constData());
    f.out = f.in ? zipOpen64(QFile::encodeName(to).constData(), APPEND_STATUS_CREATE) : nullptr;
    if (!f.out)
        return QStringLiteral("the finished workbook cannot be reopened");
    const QString damaged = QStringLiteral("the finished workbook cannot be copied");
    bool styled = false;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (int rc = unzGoToFirstFile(f.in); rc != UNZ_END_OF_LIST_OF_FILE;
         rc = unzGoToNextFile(f.in)) {
        unz_file_info64 info{};
        char name[256];
        if (rc != UNZ_OK
            || unzGetCurrentFileInfo64(f.in, &info, name, sizeof name, nullptr, 0, nullptr, 0)
                   != UNZ_OK)
            return damaged;
        zip_fileinfo meta{};
        meta.dosDate = info.dosDate;
        meta.internal_fa = info.internal_fa;
        meta.external_fa = info.external_fa;
        const bool styles = qstrcmp(name, "xl/styles.xml") == 0;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(f.in, &method, &level, styles ? 0 : 1) != UNZ_OK)
            return damaged;
        QByteArray whole;
        int got = 0;
        if (styles) {
            while ((got = unzReadCurrentFile(f.in, chunk.data(), int(chunk.size()))) > 0)
                whole.append(chunk.constData(), got);
            if (unzCloseCurrentFile(f.in) != UNZ_OK || got < 0)
                return damaged;
            whole = markQuotePrefix(whole);
            if (whole.isEmpty())
                return QStringLiteral("the text format of formula-like cells was not found");
            styled = true;
            if (zipOpenNewFileInZip64(f.out, name, &meta, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0)
                    != ZIP_OK
                || zipWriteInFileInZip(f.out, whole.constData(), unsigned(whole.size())) != ZIP_OK
                || zipCloseFileInZip(f.out) != ZIP_OK)
                return damaged;
            continue;
        }
        if (zipOpenNewFileInZip2_64(f.out, name, &meta, nullptr, 0, nullptr, 0, nullptr, method,
                                    level, 1, info.uncompressed_size >= 0xffffffffu)
            != ZIP_OK)
            return damaged;
        while ((got = unzReadCurrentFile(f.in, chunk.data(), int(chunk.size()))) > 0)
            if (zipWriteInFileInZip(f.out, chunk.constData(), unsigned(got)) != ZIP_OK)
                return damaged;
        if (got < 0 || unzCloseCurrentFile(f.in) != UNZ_OK
            || zipCloseFileInZipRaw64(f.out, info.uncompressed_size, info.crc) != ZIP_OK)
            return damaged;
    }
    const int closed = zipClose(f.out, nullptr);
    f.out = nullptr;
    if (closed != ZIP_OK)
        return damaged;
    return styled ? QString() : QStringLiteral("the workbook has no styles");
}
#endif

// Excel's escape for characters XML cannot carry is _xHHHH_; an underscore that would start
// such a sequence in our text is itself escaped, so the reader gives the text back unchanged.
QString escapeXString(const QString &text) {
    static const QRegularExpression sequence(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    if (!text.contains(u"_x"))
        return text;
    return QString(text).replace(sequence, QStringLiteral("_x005F_"));
}

class XlsxWriter final : public TableWriter {
    static constexpr qsizetype MaxCellText = 32767; // a workbook cell's limit

public:
    XlsxWriter(const QString &path)
        : target(path)
        , partial(path + QStringLiteral(".partial"))
        , shown(shownPath(path)) {}
    ~XlsxWriter() override {
        if (!done)
            discard();
    }

    bool start(const QList<TableColumn> &columns, QString *error) {
        // The library opens the file only when it closes the workbook: find out now whether it
        // can be written.
        QFile probe(partial);
        if (!probe.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("%1 cannot be written (%2)").arg(shown, probe.errorString());
            return false;
        }
        probe.close();
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
#ifdef Q_OS_WIN
        const QByteArray name = partial.toUtf8();
#else
        const QByteArray name = QFile::encodeName(partial);
#endif
        book = workbook_new_opt(name.constData(), &options);
        sheet = book ? workbook_add_worksheet(book, nullptr) : nullptr;
        if (!sheet) {
            *error = QStringLiteral("%1 cannot be written (out of memory)").arg(shown);
            return false;
        }
        bold = workbook_add_format(book);
        format_set_bold(bold);
        boldQuoted = workbook_add_format(book);
        format_set_bold(boldQuoted);
        money = workbook_add_format(book);
        format_set_num_format(money, "0.00");
        quoted = workbook_add_format(book);
        // The text format keeps an edited cell text too; it also marks these formats for
        // copyWithQuotePrefix.
        for (lxw_format *f : {boldQuoted, quoted}) {
            format_set_num_format(f, "@");
#ifdef QMR_XLSX_QUOTE_PREFIX
            format_set_quote_prefix(f);
#endif
        }
        worksheet_freeze_panes(sheet, 1, 0);
        lxw_error rc = LXW_NO_ERROR;
        QVariantList headings;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            moneyColumns.append(columns[i].money);
            headings.append(columns[i].heading);
            if (columns[i].width > 0 && rc == LXW_NO_ERROR)
                rc = worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), columns[i].width,
                                          nullptr);
        }
        if (rc != LXW_NO_ERROR)
            failure = libraryWords(rc);
        if (!write(headings, true)) {
            *error = failure;
            return false;
        }
        return true;
    }

    bool addRow(const QVariantList &cells) override {
        return write(cells, false);
    }

    bool finish(QString *error) override {
        if (failure.isEmpty() && book) {
            errno = 0;
            const lxw_error rc = workbook_close(book);
            book = nullptr;
            if (rc != LXW_NO_ERROR)
                failure =
                    rc == LXW_ERROR_CREATING_XLSX_FILE && errno
                        ? QStringLiteral("%1 could not be written: %2")
                              .arg(shown,
                                   safefile::systemWords(errno, QFileInfo(partial).absolutePath()))
                        : libraryWords(rc);
        } else if (failure.isEmpty()) {
            failure = QStringLiteral("%1 was already written").arg(shown);
        }
#ifndef QMR_XLSX_QUOTE_PREFIX
        if (failure.isEmpty() && quotesUsed) {
            const QString copy = partial + QStringLiteral(".1");
            const QString words = copyWithQuotePrefix(partial, copy);
            if (!words.isEmpty() || !moveIntoPlace(copy, partial, &failure)) {
                if (failure.isEmpty())
                    failure = QStringLiteral("%1 could not be written (%2)").arg(shown, words);
                QFile::remove(copy);
            }
        }
#endif
        if (failure.isEmpty() && moveIntoPlace(partial, target, &failure)) {
            done = true;
            return true;
        }
        discard();
        *error = failure;
        return false;
    }

private:
    QString libraryWords(lxw_error rc) const {
        return QStringLiteral("%1 could not be written (%2)")
            .arg(shown, QString::fromUtf8(lxw_strerror(rc)));
    }

    void discard() {
        if (book) {
            // Freeing a workbook leaves the sheet's temporary file open.
            if (sheet && sheet->optimize_tmpfile) {
                fclose(sheet->optimize_tmpfile);
                sheet->optimize_tmpfile = nullptr;
            }
            lxw_workbook_free(book);
            book = nullptr;
        }
        QFile::remove(partial);
    }

    bool write(const QVariantList &cells, bool headings) {
        if (!failure.isEmpty())
            return false;
        if (row >= LXW_ROW_MAX || cells.size() > LXW_COL_MAX) {
            failure = QStringLiteral("%1 could not be written: a workbook sheet holds at most "
                                     "%2 rows of %3 cells")
                          .arg(shown, QLocale::c().toString(LXW_ROW_MAX))
                          .arg(LXW_COL_MAX);
            return false;
        }
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QVariant &cell = cells[i];
            const auto column = lxw_col_t(i);
            lxw_error rc = LXW_NO_ERROR;
            if (isNumber(cell)) {
                const double value = cell.toDouble();
                if (std::isfinite(value))
                    rc = worksheet_write_number(
                        sheet, row, column, value,
                        i < moneyColumns.size() && moneyColumns[i] ? money : nullptr);
            } else {
                QString text = cellText(cell);
                if (text.isEmpty())
                    continue;
                lxw_format *format = headings ? bold : nullptr;
                const QString neutral = neutraliseSpreadsheetText(text);
                if (neutral.size() != text.size()) {
                    // A formula-like text keeps its characters and carries the mark; one that
                    // only begins with our apostrophe is written as the CSV has it.
                    if (text[0] == u'\'') {
                        text = neutral;
                    } else {
                        format = headings ? boldQuoted : quoted;
                        quotesUsed = true;
                    }
                }
                if (text.size() > MaxCellText) {
                    failure = QStringLiteral("%1 could not be written: row %2 has a cell of more "
                                             "than %3 characters, more than a workbook cell "
                                             "holds")
                                  .arg(shown)
                                  .arg(row + 1)
                                  .arg(QLocale::c().toString(MaxCellText));
                    return false;
                }
                rc = worksheet_write_string(sheet, row, column,
                                            escapeXString(text).toUtf8().constData(), format);
            }
            if (rc != LXW_NO_ERROR) {
                failure = libraryWords(rc);
                return false;
            }
        }
        ++row;
        return true;
    }

    const QString target, partial, shown;
    lxw_workbook *book = nullptr;
    lxw_worksheet *sheet = nullptr;
    lxw_format *bold = nullptr, *boldQuoted = nullptr, *money = nullptr, *quoted = nullptr;
    QList<bool> moneyColumns;
    lxw_row_t row = 0;
    QString failure;
    bool quotesUsed = false;
    bool done = false;
};

} // namespace

TableWriter::~TableWriter() = default;

TableFormat TableWriter::formatOf(const QString &path) {
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ? TableFormat::Xlsx
                                                                       : TableFormat::Csv;
}

std::unique_ptr<TableWriter> TableWriter::open(const QString &path, TableFormat format,
                                               const QList<TableColumn> &columns, QString *error) {
    if (format == TableFormat::Csv) {
        auto writer = std::make_unique<CsvWriter>(path);
        if (!writer->start(columns, error))
            return nullptr;
        return writer;
    }
    auto writer = std::make_unique<XlsxWriter>(path);
    if (!writer->start(columns, error))
        return nullptr;
    return writer;
}
