#pragma once

// Tables in the files spreadsheets read and write: CSV text and Excel workbooks (.xlsx). The
// reader takes what spreadsheets and people produce (any of the usual encodings and separators,
// quoted cells over several lines, mixed line endings) and says in words, naming the file and
// the row, what it cannot read. The writers never leave a half-written file under the name
// asked for. Neither knows what the columns mean.
#include "qmrplatform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

enum class TextEncoding { Utf8, Windows1252, Utf16LE, Utf16BE };

// How a file is to be read; what is left unset is detected.
struct QMR_PLATFORM_EXPORT TableReadOptions {
    std::optional<TextEncoding> encoding; // CSV only
    std::optional<QChar> delimiter;       // CSV only: ',', ';' or '\t'
    int sheet = 0;                        // workbooks: the sheet, counted from 0
};

struct QMR_PLATFORM_EXPORT TableRead {
    bool ok = false;
    // When not ok: what went wrong, naming the file (and the row where there is one). Nothing
    // else is filled then.
    QString error;

    bool workbook = false;                      // read as .xlsx rather than CSV
    TextEncoding encoding = TextEncoding::Utf8; // CSV: as detected or as asked
    bool byteOrderMark = false;                 // CSV: the text began with one
    QChar delimiter = u',';                     // CSV: as detected or as asked
    QStringList sheets;                         // workbooks: every sheet's name, in workbook order
    int sheet = 0;                              // workbooks: the sheet read

    // The first row, and the rows after it as the file holds them: every cell's text exactly,
    // neutralised formulas given back (see restoreSpreadsheetText), numbers of a workbook as
    // the shortest text that reads back as the same number. A row has as many cells as the
    // file gave it (the caller judges rows longer than the headings). Blank rows are left out.
    QStringList headings;
    QList<QStringList> rows;
    // For each of rows: its row number as a spreadsheet shows it (the headings are row 1).
    QList<qsizetype> rowNumbers;
};

// Reads a file as a workbook when it is a zip archive (whatever its name), otherwise as CSV.
// A file that is neither (a PDF, a picture, a zip of something other than a workbook), that is
// empty or holds no headings fails with words saying so.
QMR_PLATFORM_EXPORT TableRead readTableFile(const QString &path,
                                            const TableReadOptions &options = {});
// The same for CSV bytes already in memory; `fileName` is used in the words of a failure.
QMR_PLATFORM_EXPORT TableRead readCsv(const QByteArray &bytes, const QString &fileName,
                                      const TableReadOptions &options = {});

// The name of an encoding as a person reads it ("UTF-8", "Windows-1252", ...).
QMR_PLATFORM_EXPORT QString encodingName(TextEncoding encoding);

// Spreadsheets run a cell that begins with "=", "+", "-", "@", a tab or a carriage return as a
// formula. Written text that begins so gets an apostrophe in front, and so does text that
// already begins with an apostrophe followed by one of those or by another apostrophe; reading
// takes exactly that apostrophe off again, so the round trip gives back the original text
// ("'t Hart" stays as it is both ways).
QMR_PLATFORM_EXPORT QString neutraliseSpreadsheetText(const QString &text);
QMR_PLATFORM_EXPORT QString restoreSpreadsheetText(const QString &text);

enum class TableFormat { Csv, Xlsx };

struct QMR_PLATFORM_EXPORT TableColumn {
    QString heading;
    bool money = false; // numbers shown with two decimals in a workbook
    int width = 0;      // workbooks: characters; 0 for the default
};

// Writes one table. CSV: UTF-8 with a byte order mark, comma-separated, CRLF line ends, cells
// quoted as RFC 4180 says (when they hold a comma, a quote or a line break; also a semicolon or
// a tab, so that a reader guessing the separator cannot take one for it), every text cell
// neutralised. Workbooks: one sheet, the headings bold and frozen, text cells as text (a cell
// that would read as a formula carries the quote-prefix mark instead of an apostrophe; one that
// begins with an apostrophe the reader would take off gets a second, as in CSV), numbers as
// numbers. A cell is a QString or a double (written as a number; in CSV as a plain decimal with
// "." and no grouping; a number that is not finite is left empty), or null (empty). NUL
// characters, which neither format carries, are left out of text.
// The file is written under a temporary name beside the target and renamed only when complete:
// a failure leaves any file of the target's name as it was.
class QMR_PLATFORM_EXPORT TableWriter {
public:
    virtual ~TableWriter();
    // Opens a writer for `path` and writes the columns' headings as its first row; null with
    // `error` set when it cannot. addRow then adds the rows below the headings.
    static std::unique_ptr<TableWriter> open(const QString &path, TableFormat format,
                                             const QList<TableColumn> &columns, QString *error);
    // The format a file name asks for: .xlsx (any case) is a workbook, anything else CSV.
    static TableFormat formatOf(const QString &path);
    virtual bool addRow(const QVariantList &cells) = 0;
    // Completes the file and gives it its name. False with `error` set (naming the file) when
    // any step failed since open; the target is then untouched.
    virtual bool finish(QString *error) = 0;
};
