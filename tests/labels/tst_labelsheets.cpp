// The label sheets against their makers' figures, where the engine puts each label, and who
// shares a label with whom.
#include "TestSupport.h"
#include "labels/LabelReport.h"

#include <QRegularExpression>
#include <QTest>

using namespace labels;

namespace {
constexpr double TwipsPerMm = 1440 / 25.4;

// "First|Middle|Last;..." as people.
QList<Person> people(const QString &text) {
    QList<Person> out;
    for (const QString &p : text.split(u';')) {
        const QStringList f = p.split(u'|');
        out.append({f.value(0), f.value(1), f.value(2)});
    }
    return out;
}

// tblMembers' columns the labels read, one row a member: id, last, first, middle, address 1,
// address 2, city, state, zip.
Recordset roll(const QList<QStringList> &members) {
    QVector<QVector<QVariant>> rows;
    for (const QStringList &m : members)
        rows.append(QVector<QVariant>(m.begin(), m.end()));
    return Recordset(
        {"MemberID", "LName", "FName", "MName", "Address1", "Address2", "City", "State", "Zip"},
        rows);
}

// The rectangle of label position `at` (0-based on its sheet), in twips from the paper's corner.
QRectF labelRect(const LabelSheet &s, int at) {
    const int row = at / s.columns, column = at % s.columns;
    return QRectF((s.leftMargin + column * s.horizontalPitch) * TwipsPerMm,
                  (s.topMargin + row * s.verticalPitch) * TwipsPerMm, s.labelWidth * TwipsPerMm,
                  s.labelHeight * TwipsPerMm);
}
} // namespace

class TestLabelSheets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void publishedGeometry_data();
    void publishedGeometry();
    void labelPositions_data();
    void labelPositions();
    void household_data();
    void household();
    void namesLine_data();
    void namesLine();
    void labelsOfARoll_data();
    void labelsOfARoll();
};

void TestLabelSheets::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestLabelSheets::publishedGeometry_data() {
    // As the maker publishes them, US sheets in inches and A4 ones in millimetres: columns, rows,
    // top margin, side margin, label width and height, horizontal and vertical pitch.
    QTest::addColumn<QList<double>>("published");
    QTest::addColumn<double>("unit"); // millimetres
    QTest::newRow("5160") << QList<double>{3, 10, 0.5, 0.1875, 2.625, 1, 2.75, 1} << 25.4;
    QTest::newRow("5161") << QList<double>{2, 10, 0.5, 0.15625, 4, 1, 4.1875, 1} << 25.4;
    QTest::newRow("5163") << QList<double>{2, 5, 0.5, 0.15625, 4, 2, 4.1875, 2} << 25.4;
    QTest::newRow("L7160") << QList<double>{3, 7, 15.15, 7.21, 63.5, 38.1, 66.04, 38.1} << 1.0;
    QTest::newRow("L7163") << QList<double>{2, 7, 15.15, 4.65, 99.1, 38.1, 101.6, 38.1} << 1.0;
    QTest::newRow("L7651") << QList<double>{5, 13, 10.7, 4.75, 38.1, 21.2, 40.6, 21.2} << 1.0;
}

void TestLabelSheets::publishedGeometry() {
    QFETCH(QList<double>, published);
    QFETCH(double, unit);
    const QString code = QString::fromLatin1(QTest::currentDataTag());
    const LabelSheet *s = sheetByCode(code);
    QVERIFY(s);
    // Found as the box names it too, in any letter case.
    QCOMPARE(sheetByCode(QStringLiteral(" avery  ") + code.toLower()), s);
    QCOMPARE(s->columns, int(published[0]));
    QCOMPARE(s->rows, int(published[1]));
    const double lengths[] = {s->topMargin,   s->leftMargin,      s->labelWidth,
                              s->labelHeight, s->horizontalPitch, s->verticalPitch};
    for (int i = 0; i < 6; ++i)
        QVERIFY2(qAbs(lengths[i] - published[i + 2] * unit) < 0.005,
                 qPrintable(QString::number(i)));
    // Margins alike on both sides: the labels and gaps fill the paper.
    QVERIFY(qAbs(2 * s->leftMargin + s->horizontalPitch * (s->columns - 1) + s->labelWidth
                 - paperWidth(s->paper))
            < 0.1);
    QVERIFY(qAbs(2 * s->topMargin + s->verticalPitch * (s->rows - 1) + s->labelHeight
                 - paperHeight(s->paper))
            < 0.1);
    QVERIFY(!sheetByCode(code.mid(1))); // a part of a code is none
}

void TestLabelSheets::labelPositions_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("startAt");
    QTest::addColumn<int>("count");
    for (const LabelSheet &s : LabelSheets) {
        // A full sheet: the first label top left, the last bottom right, nothing on a page 2.
        QTest::addRow("%s full sheet", s.code) << s.code << 1 << s.perSheet();
        // A used sheet: label 1 at position 4, the rest on the next sheet from its top left.
        QTest::addRow("%s from 4", s.code) << s.code << 4 << s.perSheet();
    }
    QTest::newRow("5160 last position") << "5160" << 30 << 2;
}

void TestLabelSheets::labelPositions() {
    QFETCH(QString, code);
    QFETCH(int, startAt);
    QFETCH(int, count);
    const LabelSheet &sheet = *sheetByCode(code);
    QList<MailingLabel> list;
    for (int i = 1; i <= count; ++i) {
        MailingLabel l;
        // Long as real ones get, so the font's size is tried too: none may be cut.
        l.name = QStringLiteral("Maria Alvarez & Tomas #%1").arg(i);
        if (i == 1) // a long household, shortened for the sheet
            l.name = householdName(people("Marie-Ève||Bouchard;Jérôme||Gauthier;Siobhán||"
                                          "D'Amico;Bartholomew||Fitzgerald-Smith"),
                                   nameChars(sheet) - 3)
                     + QStringLiteral(" #1");
        l.lines = QStringList{QStringLiteral("12345 Northwestern Blvd #%1").arg(i),
                              QStringLiteral("Apartment #%1").arg(i),
                              QStringLiteral("Pointe-Claire, QC H9R 4Z2 #%1").arg(i)};
        list.append(l);
    }
    const auto report = buildLabelReport(sheet, list, startAt);
    QVERIFY(report);
    const int positions = startAt - 1 + count;
    QCOMPARE(report->pageCount(), (positions + sheet.perSheet() - 1) / sheet.perSheet());
    const QRegularExpression number(QStringLiteral("#(\\d+)$"));
    int drawnLines = 0;
    for (int page = 0; page < report->pageCount(); ++page) {
        QList<DrawnItem> drawn;
        report->pageImage(page, 20, &drawn);
        for (const DrawnItem &item : drawn) {
            const int label = number.match(item.text).captured(1).toInt();
            QVERIFY2(label >= 1 && label <= count, qPrintable(item.text));
            const int at = startAt - 2 + label;
            QCOMPARE(at / sheet.perSheet(), page);
            const QRectF box = labelRect(sheet, at % sheet.perSheet());
            // Inside the label at its published place, give or take a twip of rounding.
            QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(item.rect), qPrintable(item.text));
            if (item.text.startsWith(QLatin1String("Maria")))
                QVERIFY(item.rect.top() < box.top() + 0.15 * 1440); // the name on top
            QVERIFY2(!item.text.contains(QChar(0x2026)), qPrintable(item.text));
            ++drawnLines;
        }
    }
    QCOMPARE(drawnLines, 4 * count);
}

void TestLabelSheets::household_data() {
    QTest::addColumn<QStringList>("one"); // address 1, address 2, city, zip
    QTest::addColumn<QStringList>("other");
    QTest::addColumn<bool>("merged");
    const QStringList home{"12 Harbour Road", "", "Bath", "04530"};
    QTest::newRow("letter case") << home << QStringList{"12 HARBOUR road", "", "BATH", "04530"}
                                 << true;
    QTest::newRow("trailing and double blanks")
        << home << QStringList{"12  Harbour Road  ", " ", "Bath ", " 04530"} << true;
    QTest::newRow("punctuation") << QStringList{"12 O'Neil Ave.", "Apt. 4", "Bath", "04530"}
                                 << QStringList{"12 ONeil Ave", "apt 4", "Bath", "04530"} << true;
    QTest::newRow("accents") << QStringList{"3 Rue Bélanger", "", "Montréal", "H2S 1X5"}
                             << QStringList{"3 rue Belanger", "", "Montreal", "h2s1x5"} << true;
    QTest::newRow("flat on either line")
        << QStringList{"12 Harbour Road Apt 4", "", "Bath", "04530"}
        << QStringList{"12 Harbour Road", "Apt 4", "Bath", "04530"} << true;
    QTest::newRow("St. and Street")
        << QStringList{"12 Harbour St.", "", "Bath", "04530"}
        << QStringList{"12 Harbour Street", "", "Bath", "04530"} << false;
    QTest::newRow("other flat") << QStringList{"12 Harbour Road", "Apt 4", "Bath", "04530"}
                                << QStringList{"12 Harbour Road", "Apt 5", "Bath", "04530"}
                                << false;
    QTest::newRow("flat and house")
        << QStringList{"12 Harbour Road", "Apt 4", "Bath", "04530"} << home << false;
    QTest::newRow("other postal code")
        << home << QStringList{"12 Harbour Road", "", "Bath", "04531"} << false;
    QTest::newRow("other city") << home << QStringList{"12 Harbour Road", "", "Brunswick", "04530"}
                                << false;
    QTest::newRow("a word into the city")
        << QStringList{"1 Mill Road West", "", "Bath", "04530"}
        << QStringList{"1 Mill Road", "", "West Bath", "04530"} << false;
}

void TestLabelSheets::household() {
    QFETCH(QStringList, one);
    QFETCH(QStringList, other);
    QFETCH(bool, merged);
    QCOMPARE(householdKey(one[0], one[1], one[2], one[3])
                 == householdKey(other[0], other[1], other[2], other[3]),
             merged);
}

void TestLabelSheets::namesLine_data() {
    QTest::addColumn<QString>("people");
    QTest::addColumn<int>("maxChars");
    QTest::addColumn<QString>("line");
    QTest::newRow("one") << "Maria|Luisa|Alvarez" << 0 << "Maria Luisa Alvarez";
    QTest::newRow("two, one last name")
        << "Maria|L.|Alvarez;Tomas||ALVAREZ" << 0 << "Maria & Tomas Alvarez";
    QTest::newRow("two, accents aside")
        << "Maria||Álvarez;Tomas||Alvarez" << 0 << "Maria & Tomas Álvarez";
    QTest::newRow("two last names")
        << "Maria||Alvarez;Tomas||Reyes" << 0 << "Maria Alvarez & Tomas Reyes";
    QTest::newRow("family") << "Maria||Alvarez;Tomas||Alvarez;Ana||Alvarez" << 0
                            << "The Alvarez Family";
    QTest::newRow("three listed") << "Ana||Diaz;Maria||Alvarez;Tomas||Reyes" << 0
                                  << "Ana Diaz, Maria Alvarez & Tomas Reyes";
    QTest::newRow("listed, room for all")
        << "Ana||Diaz;Maria||Alvarez;Tomas||Reyes" << 37 << "Ana Diaz, Maria Alvarez & Tomas Reyes";
    QTest::newRow("and others") << "Ana||Diaz;Maria||Alvarez;Tomas||Reyes;Luz||Ortega" << 35
                                << "Ana Diaz, Maria Alvarez & others";
    QTest::newRow("two, too long")
        << "Harper||Esposito;Marie-Ève||Rousseau" << 30 << "H. Esposito & M. Rousseau";
    QTest::newRow("one name at least")
        << "Ana||Diaz;Maria||Alvarez;Tomas||Reyes" << 5 << "Ana Diaz & others";
}

void TestLabelSheets::namesLine() {
    QFETCH(QString, people);
    QFETCH(int, maxChars);
    QFETCH(QString, line);
    QCOMPARE(householdName(::people(people), maxChars), line);
}

void TestLabelSheets::labelsOfARoll_data() {
    QTest::addColumn<bool>("perHousehold");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("households by name")
        << true << int(LabelOrder::LastName)
        << QStringList{"Maria & Tomas Alvarez", "Ana Reyes", "The Reyes Family", "Zoe Young"};
    QTest::newRow("households by postal code")
        << true << int(LabelOrder::PostalCode)
        << QStringList{"Ana Reyes", "Maria & Tomas Alvarez", "Zoe Young", "The Reyes Family"};
    QTest::newRow("members by name")
        << false << int(LabelOrder::LastName)
        << QStringList{"Maria Alvarez", "Tomas B. alvarez", "Ana Reyes", "Ana Reyes",
                       "Luz Reyes",     "Pablo Reyes",      "Zoe Young"};
}

void TestLabelSheets::labelsOfARoll() {
    QFETCH(bool, perHousehold);
    QFETCH(int, order);
    QFETCH(QStringList, names);
    const Recordset rows = roll({
        {"M-1", "Young", "Zoe", "", "9 Elm Street", "", "Bath", "ME - Maine", "04530"},
        {"M-2", "Reyes", "Pablo", "", "4 Pine Road", "", "Bath", "ME - Maine", "04531"},
        {"M-3", "Alvarez", "Maria", "", "12 Harbour Road", "Apt 4", "Bath", "ME - Maine", "04530"},
        {"M-4", "Reyes", "Ana", "", "4 Pine Road", "Apt 1", "Bath", "ME - Maine", "04500"},
        {"M-5", "Moss", "Kim", "", " ", "Apt 9", "Bath", "ME - Maine", "04530"},
        {"M-6", "alvarez", "Tomas", "B.", "12 harbour road", "APT. 4", "bath", "ME - Maine",
         "04530"},
        {"M-7", "Reyes", "Ana", "", "4 Pine Road", "", "Bath", "ME - Maine", "04531"},
        {"M-8", "Reyes", "Luz", "", "4 Pine Road", "", "Bath", "ME - Maine", "04531"},
    });
    const LabelRun run = makeLabels(rows, perHousehold, LabelOrder(order));
    QStringList got;
    for (const MailingLabel &l : run.labels)
        got << l.name;
    QCOMPARE(got, names);
    QCOMPARE(run.members, 7);
    QCOMPARE(run.withoutAddress, 1);
    QCOMPARE(run.leftOut, QStringList{"Moss, Kim (M-5)"});
    QCOMPARE(run.households, perHousehold ? 2 : 0);
    // The household's address as its first member on the roll gives it, the state by its code.
    const auto alvarez =
        std::find_if(run.labels.begin(), run.labels.end(),
                     [](const MailingLabel &l) { return l.name.contains(QLatin1String("Maria")); });
    QCOMPARE(alvarez->lines, (QStringList{"12 Harbour Road", "Apt 4", "Bath, ME 04530"}));
    QCOMPARE(alvarez->members, perHousehold ? 2 : 1);
}

QTEST_MAIN(TestLabelSheets)
#include "tst_labelsheets.moc"
