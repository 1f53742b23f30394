// The CSV reader on any bytes, as found and with the encoding and separator forced: it returns
// a table that keeps its promises or words naming the file, and a table it reads comes back
// the same after the writer has written it.
#include "FuzzSupport.h"
#include "table/TableFile.h"

#include <cstdint>

namespace {
const QString Name = QStringLiteral("fuzz.csv");

bool blank(const QStringList &cells) {
    for (const QString &cell : cells)
        for (const QChar c : cell)
            if (!c.isSpace())
                return false;
    return true;
}

void check(const TableRead &read) {
    if (!read.ok) {
        if (!read.error.contains(Name))
            fuzz::broken(QStringLiteral("a failure whose words do not name the file"));
        if (!read.headings.isEmpty() || !read.rows.isEmpty())
            fuzz::broken(QStringLiteral("a failure with rows"));
        return;
    }
    if (!read.error.isEmpty() || read.rows.size() != read.rowNumbers.size())
        fuzz::broken(QStringLiteral("a table with words or without a number for each row"));
    if (blank(read.headings))
        fuzz::broken(QStringLiteral("blank headings"));
    qsizetype last = 1;
    for (qsizetype i = 0; i < read.rows.size(); ++i) {
        if (read.rowNumbers[i] <= last || blank(read.rows[i]))
            fuzz::broken(QStringLiteral("a blank row kept, or rows numbered out of order"));
        last = read.rowNumbers[i];
    }
}

// Text the writer cannot give back as it is: a lone surrogate, a leading byte order mark
// (taken for a second mark), or control characters that make the written file look binary.
bool writable(const QStringList &cells) {
    for (const QString &cell : cells) {
        if (!QStringView(cell).isValidUtf16())
            return false;
        for (const QChar c : cell)
            if ((c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n')
                || c.unicode() == 0xFEFF)
                return false;
    }
    return true;
}

void roundTrip(const TableRead &read) {
    if (!writable(read.headings))
        return;
    for (const QStringList &row : read.rows)
        if (!writable(row))
            return;
    const QString path = fuzz::scratch().filePath(QStringLiteral("round.csv"));
    QList<TableColumn> columns;
    for (const QString &heading : read.headings)
        columns.append({heading});
    QString error;
    auto writer = TableWriter::open(path, TableFormat::Csv, columns, &error);
    if (!writer)
        fuzz::broken(QStringLiteral("cannot write: ") + error);
    for (const QStringList &row : read.rows)
        writer->addRow(QVariantList(row.begin(), row.end()));
    if (!writer->finish(&error))
        fuzz::broken(QStringLiteral("cannot write: ") + error);
    const TableRead again = readTableFile(path);
    if (!again.ok || again.headings != read.headings || again.rows != read.rows)
        fuzz::broken(QStringLiteral("the written table reads back otherwise: ") + again.error);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz::startApplication(argc, argv, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TableRead found = readCsv(bytes, Name);
    check(found);
    if (found.ok)
        roundTrip(found);
    // The first byte chooses what is forced on the rest.
    if (size > 0) {
        TableReadOptions forced;
        forced.encoding = TextEncoding(data[0] % 4);
        forced.delimiter = QChar(u",;\t|"[(data[0] >> 2) % 4]);
        check(readCsv(bytes.sliced(1), Name, forced));
    }
    return 0;
}
