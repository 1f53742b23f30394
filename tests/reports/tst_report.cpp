// The report engine: display formats, pagination, what each page shows, and the preview.
#include "TestSupport.h"
#include "report/DisplayFormat.h"
#include "report/Report.h"
#include "report/ReportPreview.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {
RecordsetPtr rows(int n) {
    QVector<QVector<QVariant>> data;
    for (int i = 1; i <= n; ++i)
        data.append({QStringLiteral("Row %1").arg(i), 1000.0 + i});
    return std::make_shared<Recordset>(
        QStringList{QStringLiteral("Name"), QStringLiteral("Amount")}, std::move(data));
}

// Letter landscape with 10840 twips between the margins: 20 rows of 435 between a header of
// 1455 and a footer of 450.
std::shared_ptr<Report> sampleReport(int n) {
    auto r = std::make_shared<Report>();
    r->title = QStringLiteral("Sample Title");
    r->page.landscape = true;
    r->page.leftMargin = r->page.rightMargin = 500;
    r->page.topMargin = 1000;
    r->page.bottomMargin = 400;
    const ReportFont f;
    r->pageHeader.height = 1455;
    r->pageHeader.items << ReportItem::label(0, 0, 14000, 420, QStringLiteral("{Title}"),
                                             Qt::AlignHCenter, ReportFont{"Arial", 14, true});
    r->detail.height = 435;
    r->detail.items << ReportItem::field(0, 144, 3000, 285, QStringLiteral("Name"), Qt::AlignLeft,
                                         f)
                    << ReportItem::field(3000, 144, 1500, 285, QStringLiteral("Amount"),
                                         Qt::AlignRight, f, QStringLiteral("\"$\"#,##0.00"))
                    << ReportItem::hline(0, 432, 4500);
    r->pageFooter.height = 450;
    r->pageFooter.items << ReportItem::label(
        0, 144, 3000, 285, QStringLiteral("Page {Page} of {Pages}"), Qt::AlignLeft, f);
    r->setData(rows(n));
    return r;
}

QStringList rowNames(const QList<DrawnItem> &items) {
    QStringList out;
    for (const QString &t : drawnTexts(items))
        if (t.startsWith(QLatin1String("Row ")))
            out << t;
    return out;
}
} // namespace

class TestReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void displayFormat_data();
    void displayFormat();
    void pagination_data();
    void pagination();
    void reportFooterThatDoesNotFitGetsItsOwnPage();
    void pdfAndImageShowTheSamePages();
    void tooLongTextIsCutVisibly();
    void wrappedTextKeepsToItsBox_data();
    void wrappedTextKeepsToItsBox();
    void previewPagesOnDemand();
    void previewExportsPdf();
};

void TestReport::displayFormat_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    const QString money = QStringLiteral("\"$\"#,##0.00");
    QTest::newRow("1234.5") << QVariant(1234.5) << money << "$1,234.50";
    QTest::newRow("zero") << QVariant(0.0) << money << "$0.00";
    QTest::newRow("negative") << QVariant(-1234.5) << money << "-$1,234.50";
    QTest::newRow("millions") << QVariant(1234567.8) << money << "$1,234,567.80";
    QTest::newRow("whole number") << QVariant(qlonglong(7)) << money << "$7.00";
    QTest::newRow("rounds half up on the decimal form") << QVariant(2.675) << money << "$2.68";
    QTest::newRow("carry into a new group") << QVariant(999.995) << money << "$1,000.00";
    QTest::newRow("tiny negative shows no sign") << QVariant(-0.004) << money << "$0.00";
    QTest::newRow("numeric text") << QVariant(QStringLiteral("12.5")) << money << "$12.50";
    QTest::newRow("other text as it is") << QVariant(QStringLiteral("n/a")) << money << "n/a";
    QTest::newRow("null") << QVariant() << money << "";
    QTest::newRow("optional decimals") << QVariant(1.5) << "0.0#"
                                       << "1.5";
    QTest::newRow("negative section") << QVariant(-1500.0) << "#,##0;(#,##0)"
                                      << "(1,500)";
    QTest::newRow("zero section") << QVariant(0.0) << "0.00;;\"Nil\""
                                  << "Nil";
    QTest::newRow("per cent") << QVariant(0.25) << "0%"
                              << "25%";
}

void TestReport::displayFormat() {
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(formatValue(value, format), expected);
}

void TestReport::pagination_data() {
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty report still has a page") << 0 << 1;
    QTest::newRow("one full page") << 20 << 1;
    QTest::newRow("one row over") << 21 << 2;
    QTest::newRow("five pages") << 95 << 5;
}

void TestReport::pagination() {
    QFETCH(int, rowCount);
    QFETCH(int, pages);
    const auto report = sampleReport(rowCount);
    QCOMPARE(report->pageCount(), pages);
    QStringList seen;
    for (int p = 0; p < pages; ++p) {
        QList<DrawnItem> drawn;
        report->pageImage(p, 30, &drawn);
        const QStringList t = drawnTexts(drawn);
        QVERIFY2(t.contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages)),
                 qPrintable(t.join(u'|')));
        QCOMPARE(t.count(QStringLiteral("Sample Title")), 1); // the header on every page
        seen += rowNames(drawn);
    }
    QStringList all;
    for (int i = 1; i <= rowCount; ++i)
        all << QStringLiteral("Row %1").arg(i);
    QCOMPARE(seen, all); // every row once, in order
}

void TestReport::reportFooterThatDoesNotFitGetsItsOwnPage() {
    auto report = sampleReport(20);
    report->reportFooter.height = 300;
    report->reportFooter.items << ReportItem::label(0, 0, 3000, 285, QStringLiteral("The end"),
                                                    Qt::AlignLeft, ReportFont{});
    report->invalidate();
    QCOMPARE(report->pageCount(), 2);
    QList<DrawnItem> last;
    report->pageImage(1, 30, &last);
    QVERIFY(drawnTexts(last).contains(QStringLiteral("The end")));
    QVERIFY(rowNames(last).isEmpty());
    QVERIFY(drawnTexts(last).contains(QStringLiteral("Page 2 of 2")));
}

void TestReport::pdfAndImageShowTheSamePages() {
    const auto report = sampleReport(45);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QList<QStringList> pdfPages;
    const int written = report->writePdf(path, [&](int page, const QList<DrawnItem> &items) {
        QCOMPARE(page, pdfPages.size());
        pdfPages << drawnTexts(items);
    });
    QCOMPARE(written, 3);
    QCOMPARE(pdfPages.size(), 3);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(5) == "%PDF-");
    for (int p = 0; p < 3; ++p) {
        QList<DrawnItem> drawn;
        const QImage image = report->pageImage(p, 50, &drawn);
        QCOMPARE(drawnTexts(drawn), pdfPages[p]);
        QVERIFY(pdfPages[p].contains(QStringLiteral("Page %1 of 3").arg(p + 1)));
        // Something was really painted, not only listed.
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qGray(image.pixel(x, y)) < 200;
        QVERIFY2(inked > 1000, qPrintable(QString::number(inked)));
    }
    QVERIFY(pdfPages[0].contains(QStringLiteral("$1,001.00")));
    QCOMPARE(report->writePdf(dir.filePath(QStringLiteral("no/such/folder/out.pdf"))), -1);
}

void TestReport::tooLongTextIsCutVisibly() {
    Report r;
    r.detail.height = 435;
    r.detail.items << ReportItem::field(0, 0, 600, 285, QStringLiteral("Name"), Qt::AlignLeft,
                                        ReportFont{});
    QVector<QVector<QVariant>> data{{QStringLiteral("A name far too long for its narrow column")}};
    r.setData(std::make_shared<Recordset>(QStringList{QStringLiteral("Name")}, data));
    QList<DrawnItem> drawn;
    r.pageImage(0, 30, &drawn);
    const QStringList t = drawnTexts(drawn);
    QCOMPARE(t.size(), 1);
    QVERIFY2(t[0].endsWith(QChar(0x2026)) && t[0].size() < 20, qPrintable(t[0]));
}

void TestReport::wrappedTextKeepsToItsBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines"); // empty: only that the words come out in order
    QTest::addColumn<bool>("cut");
    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    QTest::newRow("line breaks kept, blank lines kept")
        << "Dear Pat,\n\nThank you." << QStringList{"Dear Pat,", "Thank you."} << false;
    QTest::newRow("a paragraph broken between words")
        << sentence.repeated(4) << QStringList{} << false;
    QTest::newRow("a word wider than the box")
        << QStringLiteral("x").repeated(120) << QStringList{} << false;
    QTest::newRow("more than the box holds at the smallest size")
        << sentence.repeated(60) << QStringList{} << true;
}

// Every line drawn inside the box (read from the ink, not from the engine's own list), in order,
// with nothing lost unless the end says so.
void TestReport::wrappedTextKeepsToItsBox() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(bool, cut);
    const QRect box(1440, 1440, 2880, 1440); // two inches by one, an inch from the corner
    Report r;
    r.detail.height = 4000;
    ReportItem item = ReportItem::label(0, 0, box.width(), box.height(), text, Qt::AlignLeft,
                                        ReportFont{"Arial", 10, false});
    item.wrap = true;
    r.detail.items << item;
    r.page.leftMargin = r.page.topMargin = 1440;
    r.setData(std::make_shared<Recordset>(QStringList{"X"}, QVector<QVector<QVariant>>{{1}}));
    QList<DrawnItem> drawn;
    const double dpi = 96;
    const QImage image = r.pageImage(0, dpi, &drawn);
    const QStringList t = drawnTexts(drawn);
    if (!lines.isEmpty())
        QCOMPARE(t, lines);
    QVERIFY(t.size() > 1);
    for (const DrawnItem &d : drawn)
        QVERIFY(QRectF(box).contains(d.rect));
    const QString words = t.join(u' ').simplified();
    if (cut) {
        QVERIFY2(t.last().endsWith(QChar(0x2026)), qPrintable(t.last()));
        QVERIFY(text.simplified().startsWith(words.chopped(1).trimmed()));
    } else if (lines.isEmpty()) {
        QCOMPARE(t.join(QString()).remove(u' '), text.simplified().remove(u' '));
    }
    const QRect inked = QRectF(box.left() * dpi / 1440 - 1, box.top() * dpi / 1440 - 1,
                               box.width() * dpi / 1440 + 2, box.height() * dpi / 1440 + 2)
                            .toAlignedRect();
    int outside = 0, inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                ++(inked.contains(x, y) ? inside : outside);
    QCOMPARE(outside, 0);
    QVERIFY(inside > 200);
}

void TestReport::previewPagesOnDemand() {
    ReportPreview preview(sampleReport(95));
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    auto *label = preview.findChild<QLabel *>(QStringLiteral("lblPage"));
    QCOMPARE(label->text(), QStringLiteral("Page 1 of 5"));
    QVERIFY(!preview.action(QStringLiteral("actPrevious"))->isEnabled());
    preview.action(QStringLiteral("actNext"))->trigger();
    QCOMPARE(label->text(), QStringLiteral("Page 2 of 5"));
    preview.action(QStringLiteral("actLast"))->trigger();
    QCOMPARE(preview.currentPage(), 4);
    QVERIFY(!preview.action(QStringLiteral("actNext"))->isEnabled());
    preview.action(QStringLiteral("actNext"))->trigger();
    QCOMPARE(label->text(), QStringLiteral("Page 5 of 5"));
    preview.action(QStringLiteral("actFirst"))->trigger();
    QCOMPARE(preview.currentPage(), 0);
    const double fit = preview.effectiveScale();
    preview.setZoom(2);
    QVERIFY(preview.effectiveScale() != fit);
    QVERIFY(preview.action(QStringLiteral("actPrint")));
    QVERIFY(preview.action(QStringLiteral("actPageSetup")));
}

void TestReport::previewExportsPdf() {
    MsgBoxRecorder boxes;
    ReportPreview preview(sampleReport(30));
    QTemporaryDir dir;
    QVERIFY(preview.exportPdf(dir.filePath(QStringLiteral("roster.pdf"))));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("roster.pdf"))).size() > 1000);
    QVERIFY(boxes.shown().isEmpty());
    QVERIFY(!preview.exportPdf(dir.filePath(QStringLiteral("missing/roster.pdf"))));
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(
        boxes.shown()[0].prompt.startsWith(QStringLiteral("The PDF file could not be written")));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
