// Tables read from and written to CSV and workbook files: what spreadsheets and people write is
// read exactly, what cannot be read is refused in words, and a write is whole or absent.
#include "table/TableFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <minizip/unzip.h>
#include <minizip/zip.h>

using Table = QList<QStringList>; // the headings, then the rows

namespace {
Table tableOf(const TableRead &read) {
    return Table{read.headings} + read.rows;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray utf16(const QString &text, bool bigEndian) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        out += char(bigEndian ? c.unicode() >> 8 : c.unicode() & 0xFF);
        out += char(bigEndian ? c.unicode() & 0xFF : c.unicode() >> 8);
    }
    return out;
}

using Parts = QList<QPair<QByteArray, QByteArray>>; // name, content

bool writeZip(const QString &path, const Parts &parts) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    bool ok = zip != nullptr;
    for (const auto &[name, data] : parts)
        ok = ok
             && zipOpenNewFileInZip64(zip, name.constData(), nullptr, nullptr, 0, nullptr, 0,
                                      nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0)
                    == ZIP_OK
             && zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) == ZIP_OK
             && zipCloseFileInZip(zip) == ZIP_OK;
    return zip && zipClose(zip, nullptr) == ZIP_OK && ok;
}

QByteArray unzipPart(const QString &path, const char *name) {
    QByteArray out;
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (zip && unzLocateFile(zip, name, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char chunk[4096];
        for (int n; (n = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0;)
            out.append(chunk, n);
        unzCloseCurrentFile(zip);
    }
    if (zip)
        unzClose(zip);
    return out;
}

// A workbook as a spreadsheet writes one, with `sheets` (name, sheetData's inside).
Parts workbook(const QList<QPair<QByteArray, QByteArray>> &sheets, const QByteArray &shared) {
    const QByteArray ns =
        R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
        R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
    QByteArray list, rels;
    Parts parts;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        list +=
            "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n
                + "\" Type=\"http://x/worksheet\" Target=\"worksheets/s" + n + ".xml\"/>";
        parts +=
            {"xl/worksheets/s" + n + ".xml",
             "<worksheet" + ns + "><sheetData>" + sheets[i].second + "</sheetData></worksheet>"};
    }
    rels += R"(<Relationship Id="rIdS" Type="http://x/sharedStrings" Target="/xl/strings.xml"/>)";
    parts += {
        {"_rels/.rels",
         R"(<Relationships><Relationship Id="r" Type="http://x/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml", "<workbook" + ns + "><sheets>" + list + "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships>" + rels + "</Relationships>"},
        {"xl/strings.xml", "<sst" + ns + ">" + shared + "</sst>"}};
    return parts;
}
} // namespace

class tst_TableFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsCsv_data();
    void readsCsv();
    void refusesCsv_data();
    void refusesCsv();
    void neutralises_data();
    void neutralises();
    void roundTrip_data();
    void roundTrip();
    void writeFailureLeavesTarget();
    void readsWorkbook_data();
    void readsWorkbook();
    void refusesWorkbook_data();
    void refusesWorkbook();
    void largeInput();

private:
    QTemporaryDir dir;
};

void tst_TableFile::readsCsv_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("forced"); // the delimiter asked for, or none
    QTest::addColumn<Table>("table");
    QTest::addColumn<QList<qsizetype>>("rowNumbers");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<bool>("bom");
    const auto U8 = TextEncoding::Utf8;
    QTest::newRow("quotes, quoted comma, quote and line break")
        << QByteArray("Name,Note\r\n\"Smith, J\",\"say \"\"hi\"\"\r\nagain\"\r\n") << QString()
        << Table{{"Name", "Note"}, {"Smith, J", "say \"hi\"\r\nagain"}} << QList<qsizetype>{2}
        << "," << U8 << false;
    QTest::newRow("semicolons beat decimal commas")
        << QByteArray("Name;Dues\nA;12,50\nB;3,00\n") << QString()
        << Table{{"Name", "Dues"}, {"A", "12,50"}, {"B", "3,00"}} << QList<qsizetype>{2, 3} << ";"
        << U8 << false;
    QTest::newRow("tabs beat commas in cells")
        << QByteArray("a\tb\nSmith, J\t2\nDoe, A\t3\n") << QString()
        << Table{{"a", "b"}, {"Smith, J", "2"}, {"Doe, A", "3"}} << QList<qsizetype>{2, 3} << "\t"
        << U8 << false;
    QTest::newRow("asked delimiter wins")
        << QByteArray("a;b,c\n1;2,3") << "," << Table{{"a;b", "c"}, {"1;2", "3"}}
        << QList<qsizetype>{2} << "," << U8 << false;
    QTest::newRow("mixed line ends, blank rows keep numbering")
        << QByteArray("h\r\n\r\nx\ry\n\n , \n\"a\nb\"\nz") << QString()
        << Table{{"h"}, {"x"}, {"y"}, {"a\nb"}, {"z"}} << QList<qsizetype>{3, 4, 7, 8} << "," << U8
        << false;
    QTest::newRow("ragged rows, trailing delimiter")
        << QByteArray("a,b\n1,2,3\n4\n5,\n") << QString()
        << Table{{"a", "b"}, {"1", "2", "3"}, {"4"}, {"5", ""}} << QList<qsizetype>{2, 3, 4} << ","
        << U8 << false;
    QTest::newRow("neutralised text given back")
        << QByteArray("h,i\n'=1+2,'t Hart\n") << QString() << Table{{"h", "i"}, {"=1+2", "'t Hart"}}
        << QList<qsizetype>{2} << "," << U8 << false;
    QTest::newRow("headings only") << QByteArray("a,b\r\n") << QString() << Table{{"a", "b"}}
                                   << QList<qsizetype>{} << "," << U8 << false;
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBFName\nJos\xC3\xA9\n") << QString() << Table{{"Name"}, {"José"}}
        << QList<qsizetype>{2} << "," << U8 << true;
    QTest::newRow("Windows-1252") << QByteArray("Name,Dues\nRen\xE9"
                                                "e,\x80 5\n\x93q\x94,it\x92s\n")
                                  << QString()
                                  << Table{{"Name", "Dues"}, {"Renée", "€ 5"}, {"“q”", "it’s"}}
                                  << QList<qsizetype>{2, 3} << "," << TextEncoding::Windows1252
                                  << false;
    QTest::newRow("UTF-16 LE") << utf16(QStringLiteral("a;b\r\nç;€"), false) << QString()
                               << Table{{"a", "b"}, {"ç", "€"}} << QList<qsizetype>{2} << ";"
                               << TextEncoding::Utf16LE << true;
    QTest::newRow("UTF-16 BE") << utf16(QStringLiteral("a\tb\nç\t€"), true) << QString()
                               << Table{{"a", "b"}, {"ç", "€"}} << QList<qsizetype>{2} << "\t"
                               << TextEncoding::Utf16BE << true;
}

void tst_TableFile::readsCsv() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, forced);
    QFETCH(Table, table);
    QFETCH(QList<qsizetype>, rowNumbers);
    QFETCH(QString, delimiter);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, bom);
    TableReadOptions options;
    if (!forced.isEmpty())
        options.delimiter = forced[0];
    const TableRead read = readCsv(bytes, QStringLiteral("in.csv"), options);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(tableOf(read), table);
    QCOMPARE(read.rowNumbers, rowNumbers);
    QCOMPARE(read.delimiter, delimiter[0]);
    QCOMPARE(read.encoding, encoding);
    QCOMPARE(read.byteOrderMark, bom);
    QVERIFY(!read.workbook);
}

void tst_TableFile::refusesCsv_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("words");
    QTest::newRow("empty") << QByteArray() << "in.csv is empty";
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << "in.csv is empty";
    QTest::newRow("blank rows only")
        << QByteArray("\r\n,\n  \n") << "in.csv holds nothing but blank rows";
    QTest::newRow("unbalanced quote")
        << QByteArray("a\nb\n\"c\n\nd,e\n") << "in.csv, row 3: a quoted cell is never closed";
    QTest::newRow("NUL") << QByteArray("a\n\"b\nc\"\nd\0e\n", 13)
                         << "in.csv is not a text file: row 3 holds a NUL character";
    QTest::newRow("PDF") << QByteArray("%PDF-1.7\n%\xE2\xE3\n1 0 obj")
                         << "in.csv is a PDF document";
    QTest::newRow("binary") << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x0E\x0F", 10)
                            << "in.csv holds binary data";
    QTest::newRow("older Office file") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10)
                                       << "in.csv is an older Office document";
}

void tst_TableFile::refusesCsv() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, words);
    const TableRead read = readCsv(bytes, QStringLiteral("in.csv"));
    QVERIFY(!read.ok);
    QVERIFY2(read.error.startsWith(words), qPrintable(read.error));
    QVERIFY(read.headings.isEmpty() && read.rows.isEmpty());
}

void tst_TableFile::neutralises_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("neutral");
    for (const char *same : {"", "'t Hart", "'", "a=b", " =1", "'x"})
        QTest::newRow(same) << same << same;
    QTest::newRow("formula") << "=1+2"
                             << "'=1+2";
    QTest::newRow("plus") << "+1 555"
                          << "'+1 555";
    QTest::newRow("minus") << "-5"
                           << "'-5";
    QTest::newRow("at") << "@x"
                        << "'@x";
    QTest::newRow("tab") << "\tx"
                         << "'\tx";
    QTest::newRow("carriage return") << "\rx"
                                     << "'\rx";
    QTest::newRow("apostrophe before formula") << "'=x"
                                               << "''=x";
    QTest::newRow("two apostrophes") << "''"
                                     << "'''";
}

void tst_TableFile::neutralises() {
    QFETCH(QString, text);
    QFETCH(QString, neutral);
    QCOMPARE(neutraliseSpreadsheetText(text), neutral);
    QCOMPARE(restoreSpreadsheetText(neutral), text);
}

void tst_TableFile::roundTrip_data() {
    QTest::addColumn<TableFormat>("format");
    QTest::addColumn<QStringList>("numbers"); // 25.5, 5551234, 0.1 + 0.2 and -3 as read back
    QTest::newRow("csv") << TableFormat::Csv
                         << QStringList{"25.50", "5551234.00", "0.30000000000000004", "-3.00"};
    QTest::newRow("xlsx") << TableFormat::Xlsx << QStringList{"25.5", "5551234", "0.3", "-3"};
}

void tst_TableFile::roundTrip() {
    QFETCH(TableFormat, format);
    QFETCH(QStringList, numbers);
    const QString path = dir.filePath(format == TableFormat::Csv ? "out.csv" : "book.XLSX");
    QCOMPARE(TableWriter::formatOf(path), format);
    QVERIFY(writeFile(path, "an older export"));
    const QStringList awkward{
        "Smith, \"Jr\"", "two\nlines\r\nthree", "=1+2", "'t Hart", "'=x", "-5", "Zoë Ångström €",
        "a;b\tc",        "_x0041_ stays",       ""};
    QString error;
    auto writer =
        TableWriter::open(path, format, {{"=Name"}, {"Dues", true, 12}, {"Notes"}}, &error);
    QVERIFY2(writer, qPrintable(error));
    const QList<double> amounts{25.5, 5551234, 0.1 + 0.2, -3};
    for (qsizetype i = 0; i < awkward.size(); ++i)
        QVERIFY(writer->addRow(
            {awkward[i], i < 4 ? QVariant(amounts[i]) : QVariant(), awkward.value(i + 1)}));
    QVERIFY2(writer->finish(&error), qPrintable(error));
    writer.reset();
    const QFileInfo written(path);
    QCOMPARE(QDir(dir.path()).entryList({written.completeBaseName() + '*'}, QDir::Files),
             QStringList{written.fileName()});

    const TableRead read = readTableFile(path);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.workbook, format == TableFormat::Xlsx);
    QCOMPARE(read.headings, (QStringList{"=Name", "Dues", "Notes"}));
    QCOMPARE(read.rows.size(), awkward.size() - 1); // the last row is blank
    for (qsizetype i = 0; i + 1 < awkward.size(); ++i) {
        QCOMPARE(read.rows[i].value(0), awkward[i]);
        QCOMPARE(read.rows[i].value(1), numbers.value(i));
        QCOMPARE(read.rows[i].value(2), awkward[i + 1]);
    }
    if (format == TableFormat::Xlsx) { // formulas carry the mark, not an apostrophe
        QVERIFY(unzipPart(path, "xl/styles.xml").contains("quotePrefix=\"1\""));
        QVERIFY(unzipPart(path, "xl/worksheets/sheet1.xml").contains("<t>=1+2</t>"));
    }
}

void tst_TableFile::writeFailureLeavesTarget() {
    QString error;
    QVERIFY(!TableWriter::open(dir.filePath("none/x.csv"), TableFormat::Csv, {{"a"}}, &error));
    QVERIFY2(error.contains("x.csv"), qPrintable(error));
    const QString path = dir.filePath("kept.xlsx");
    QVERIFY(writeFile(path, "earlier"));
    auto writer = TableWriter::open(path, TableFormat::Xlsx, {{"a"}}, &error);
    QVERIFY(writer && writer->addRow({"fine"}));
    QVERIFY(!writer->addRow({QString(40000, u'x')}));
    QVERIFY(!writer->finish(&error));
    QVERIFY2(error.contains("kept.xlsx") && error.contains("row 3"), qPrintable(error));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList({"kept*"}, QDir::Files), QStringList{"kept.xlsx"});
}

void tst_TableFile::readsWorkbook_data() {
    QTest::addColumn<Parts>("parts");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<Table>("table");
    QTest::addColumn<QList<qsizetype>>("rowNumbers");
    const QByteArray shared = "<si><t>Name</t></si><si><r><t>Ri</t></r><r><rPr><b/></rPr><t>ch</t>"
                              "</r><rPh><t>ignored</t></rPh></si><si><t>a_x000D_b</t></si>";
    const QByteArray first =
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="inlineStr"><is><t>Phone</t></is></c></row>)"
        R"(<row r="3"><c t="s"><v>1</v></c><c><v>25.5</v></c><c><v>5551234</v></c><c t="b"><v>1</v></c></row>)"
        R"(<row r="4"><c r="B4" t="e"><v>#N/A</v></c><c r="D4" t="str"><f>A1</f><v>x</v></c><c r="E4" s="1"/></row>)"
        R"(<row r="5"><c r="A5" t="s"><v>2</v></c><c r="B5"><v>1E-3</v></c><c r="C5" t="inlineStr"><is><t>'=1</t></is></c></row>)";
    QTest::newRow("first sheet") << workbook(
        {{"Roll", first}, {"Other", R"(<row><c><v>7</v></c></row>)"}}, shared)
                                 << 0
                                 << Table{{"Name", "", "Phone"},
                                          {"Rich", "25.5", "5551234", "TRUE"},
                                          {"", "#N/A", "", "x"},
                                          {"a\rb", "0.001", "=1"}}
                                 << QList<qsizetype>{3, 4, 5};
    QTest::newRow("second sheet") << workbook(
        {{"Roll", first},
         {"Other", R"(<row><c><v>7</v></c></row><row/><row><c/><c><v>8</v></c></row>)"}},
        shared) << 1 << Table{{"7"}, {"", "8"}}
                                  << QList<qsizetype>{3};
}

void tst_TableFile::readsWorkbook() {
    QFETCH(Parts, parts);
    QFETCH(int, sheet);
    QFETCH(Table, table);
    QFETCH(QList<qsizetype>, rowNumbers);
    const QString path = dir.filePath("in.xlsx");
    QVERIFY(writeZip(path, parts));
    TableReadOptions options;
    options.sheet = sheet;
    const TableRead read = readTableFile(path, options);
    QVERIFY2(read.ok, qPrintable(read.error));
    QVERIFY(read.workbook);
    QCOMPARE(read.sheets, (QStringList{"Roll", "Other"}));
    QCOMPARE(read.sheet, sheet);
    QCOMPARE(tableOf(read), table);
    QCOMPARE(read.rowNumbers, rowNumbers);
}

void tst_TableFile::refusesWorkbook_data() {
    QTest::addColumn<Parts>("parts"); // none: the bytes of `damaged` instead
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("words");
    QTest::newRow("zip of something else") << Parts{{"photo.jpg", "\xFF\xD8\xFF"}} << 0
                                           << "in.xlsx is a zip archive, not an Excel workbook";
    QTest::newRow("damaged archive") << Parts{} << 0 << "in.xlsx is a damaged zip archive";
    QTest::newRow("no such sheet") << workbook({{"Roll", "<row><c><v>1</v></c></row>"}}, "") << 2
                                   << "in.xlsx has no sheet 3: it has one sheet";
    QTest::newRow("missing shared text")
        << workbook({{"Roll", R"(<row><c t="s"><v>5</v></c></row>)"}}, "") << 0
        << "in.xlsx is damaged: row 1 refers to text";
    QTest::newRow("empty sheet") << workbook({{"Roll", "<row/>"}}, "") << 0 << "sheet \"Roll\" of";
}

void tst_TableFile::refusesWorkbook() {
    QFETCH(Parts, parts);
    QFETCH(int, sheet);
    QFETCH(QString, words);
    const QString path = dir.filePath("in.xlsx");
    QVERIFY(parts.isEmpty() ? writeFile(path, "PK\x03\x04 and then nothing of a zip")
                            : writeZip(path, parts));
    TableReadOptions options;
    options.sheet = sheet;
    const TableRead read = readTableFile(path, options);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.contains(words) && read.error.contains("in.xlsx"), qPrintable(read.error));
}

void tst_TableFile::largeInput() {
    // A cell of some megabytes full of doubled quotes and line ends, and 10,000 columns.
    QByteArray big = "h\n\"";
    for (int i = 0; i < 200000; ++i)
        big += "0123456789 \"\" \r\n";
    big += "\"\n";
    QByteArray wide;
    for (int i = 0; i < 10000; ++i)
        wide += (i ? "," : "") + QByteArray::number(i);
    QElapsedTimer timer;
    timer.start();
    const TableRead cell = readCsv(big, QStringLiteral("big.csv"));
    const TableRead columns = readCsv(wide + "\n" + wide, QStringLiteral("wide.csv"));
    qDebug("a %lld MB cell and 10,000 columns read in %lld ms", big.size() >> 20, timer.elapsed());
    QVERIFY2(cell.ok && columns.ok, qPrintable(cell.error + columns.error));
    QCOMPARE(cell.rows.value(0).value(0).size(), 200000 * 15);
    QVERIFY(cell.rows[0][0].endsWith("789 \" \r\n"));
    QCOMPARE(columns.rows.value(0).size(), 10000);
    QCOMPARE(columns.rows[0].last(), "9999");
}

QTEST_APPLESS_MAIN(tst_TableFile)
#include "tst_tablefile.moc"
