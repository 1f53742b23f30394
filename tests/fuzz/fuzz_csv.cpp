// The CSV reader on any bytes, as found and with the encoding and separator forced: it returns
// a table that keeps its promises or words naming the file, and a table it reads comes back
// the same after the writer has written it. Every table it reads is then planned as an import,
// with the columns as their headings say and as the input's first byte maps them.
#include "FuzzSupport.h"
#include "exchange/ImportPlan.h"
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
// A plan keeps its promises: a row for each row read, a reason for each refusal, and only
// whole members, without NUL, handed to the library.
void plan(const TableRead &read, const QList<int> &mapping) {
    static const Recordset roll(
        {"ID", "MemberID", "LName", "FName", "Address1", "City", "State", "Zip", "Dues", "Email"},
        {{1, "M-1", "Smith", "Ann", "1 Elm St", "Bath", "ME - Maine", "04530", 25.0, "a@x.org"},
         {2, "M-2", "Smith", "Ann", "1 Elm St", "Bath", "ME - Maine", "04530", 25.0, "a@x.org"}});
    exchange::ImportPlan p(read, mapping, roll, {{"ME - Maine"}, {"NB - New Brunswick"}});
    if (p.rows().size() != read.rows.size())
        fuzz::broken(QStringLiteral("a plan without a row for each row read"));
    for (const exchange::PlannedRow &r : p.rows())
        if (r.action == exchange::Action::Refused && r.reason.isEmpty())
            fuzz::broken(QStringLiteral("a refusal without its reason"));
    p.setAll(exchange::Action::Add);
    const QList<ImportedMember> members = p.toImport();
    if (members.size() != p.rows().size() - p.count(exchange::Action::Refused))
        fuzz::broken(QStringLiteral("rows that may be added left out"));
    for (const ImportedMember &m : members) {
        if (m.fields.size() != UpdateMemberSize || !m.memberId.isEmpty())
            fuzz::broken(QStringLiteral("an addition that is no whole new member"));
        for (const QString &v : m.fields)
            if (v.contains(QChar(0)))
                fuzz::broken(QStringLiteral("a NUL handed to the library"));
    }
}

void plans(const TableRead &read, uint8_t seed) {
    plan(read, exchange::guessMapping(read.headings));
    const QList<int> targets = exchange::mappingTargets();
    QList<int> forced;
    for (qsizetype c = 0; c < read.headings.size(); ++c)
        forced << targets[(c + seed) % targets.size()];
    plan(read, forced);
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
    if (found.ok) {
        roundTrip(found);
        plans(found, size > 0 ? data[0] : 0);
    }
    // The first byte chooses what is forced on the rest.
    if (size > 0) {
        TableReadOptions forced;
        forced.encoding = TextEncoding(data[0] % 4);
        forced.delimiter = QChar(u",;\t|"[(data[0] >> 2) % 4]);
        check(readCsv(bytes.sliced(1), Name, forced));
    }
    return 0;
}
