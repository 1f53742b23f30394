#pragma once

// What the table readers and writers share inside the platform.
#include "TableFile.h"

namespace table {

// The most a file (or one unpacked part of a workbook) may hold: far above any roll, and low
// enough that a hostile file cannot take the machine's memory.
constexpr qint64 MaxBytes = 512LL * 1024 * 1024;
// As many columns as a spreadsheet holds, and a cap on the cells of one table (each costs a
// few dozen bytes however short it is).
constexpr qsizetype MaxColumns = 16384;
constexpr qsizetype MaxCells = 20'000'000;

QString shownPath(const QString &path);

// Collects the rows a reader finds: blank rows are left out, the first other one is the
// headings, every cell's neutralised formula is given back.
class RowCollector {
public:
    RowCollector(TableRead &into, const QString &fileName)
        : into(into)
        , fileName(fileName) {}
    // False with the words in `error` when the table grows past the caps.
    bool add(QStringList &&cells, qsizetype rowNumber, QString *error);
    bool hasHeadings() const { return headings; }
    static bool blank(const QStringList &cells);

private:
    TableRead &into;
    const QString &fileName;
    bool headings = false;
    qsizetype cells = 0;
};

// `text` read as a number the way a workbook stores it, given back as the shortest plain text
// that reads back as the same number; `text` itself when it is not a number.
QString workbookNumber(const QString &text);

TableRead readWorkbook(const QString &path, const TableReadOptions &options);

} // namespace table
