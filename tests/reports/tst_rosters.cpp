// The data environment's commands and the eight roster layouts, read as a reader sees them.
#include "TestSupport.h"
#include "common/modGlobal.h"
#include "reports/DataReport.h"
#include "reports/Rosters.h"
#include "reports/rptRoster.h"
#include "system/System.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(Roster)

namespace {
// MemberID, last name, membership.
const char *const Members[][3] = {
    {"M-1", "Zed", "Regular"},  {"M-2", "Adams", "Regular"}, {"M-3", "Brown", "Golf"},
    {"M-4", "Abel", "Tennis"},  {"M-5", "Young", "Golf"},    {"M-6", "Cole", "Sports"},
    {"M-7", "Dunn", "Other"},   {"M-8", "Fox", "Family"},    {"M-9", "Gray", "Life"},
    {"M-10", "Hill", "Senior"}, {"M-11", "Ives", "Pool"},    {"M-12", "Jones", "Junior"},
};

constexpr double FooterTop = 12240 - 400 - 450; // Letter landscape, bottom margin, footer

QStringList texts(const QList<DrawnItem> &items, bool boldOnly = false) {
    QStringList out;
    for (const DrawnItem &i : items)
        if (i.kind == DrawnItem::Kind::Text && (!boldOnly || i.bold))
            out << i.text;
    return out;
}

// The ID column as printed, top to bottom.
QStringList printedIds(const QList<DrawnItem> &items) {
    QStringList out;
    for (const DrawnItem &i : items)
        if (i.kind == DrawnItem::Kind::Text && i.rect.left() == 500 + 144
            && i.text.startsWith(QLatin1String("M-")))
            out << i.text;
    return out;
}

struct PdfWord {
    QString text;
    QRectF box; // points
};

// The words of a PDF as a text extractor reads them back, with where they stand.
QList<PdfWord> pdfWords(const QString &pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("pdftotext (poppler-utils) is needed to read the printed roster back");
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PdfWord> out;
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    for (const QRegularExpressionMatch &m : word.globalMatch(xml))
        out.append(
            {m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    return out;
}
} // namespace

class TestRosters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void selectionAndSort_data();
    void selectionAndSort();
    void readingOrder_data();
    void readingOrder();
    void printsEveryDigit_data();
    void printsEveryDigit();
    void firstPageShowsWhatTheReaderNeeds();
    void onlyTheFullRosterRulesItsFooter_data();
    void onlyTheFullRosterRulesItsFooter();
    void longRosterRepeatsHeaderAndCountsPages();
    void relativeSourceFoundWhateverTheCase_data();
    void relativeSourceFoundWhateverTheCase();
    void captions_data();
    void captions();
    void commandLineNames();

private:
    void addMember(const QString &id, const QString &last, const QString &type, double dues = 10);
    std::unique_ptr<TempAppFolder> m_app;
    QString m_oldCurrent;
};

void TestRosters::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setClock([] { return QDateTime(QDate(2026, 3, 14), QTime(9, 30)); });
    m_oldCurrent = QDir::currentPath();
}

void TestRosters::init() {
    m_app = std::make_unique<TempAppFolder>();
    QDir::setCurrent(m_app->path()); // as the start-up does
}

void TestRosters::cleanup() {
    DataReport.reset();
    QDir::setCurrent(m_oldCurrent);
    m_app.reset();
}

void TestRosters::addMember(const QString &id, const QString &last, const QString &type,
                            double dues) {
    m_app->exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,FName,Membership,Dues,"
                               "DuesPaid,Address1,City,State) VALUES ('%1','%2','Pat','%3',%4,"
                               "'Yes','1 Main St','Springfield','IL')")
                    .arg(id, last, type)
                    .arg(dues, 0, 'f', 2));
}

void TestRosters::selectionAndSort_data() {
    QTest::addColumn<Roster>("roster");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("ids");
    const QStringList all{"M-4", "M-2",  "M-3",  "M-6",  "M-7", "M-8",
                          "M-9", "M-10", "M-11", "M-12", "M-5", "M-1"};
    QTest::newRow("all") << Roster::All << "SELECT * FROM tblMembers ORDER BY LName" << all;
    QTest::newRow("regular")
        << Roster::Regular << "SELECT * FROM tblMembers WHERE Membership = 'Regular' ORDER BY LName"
        << QStringList{"M-2", "M-1"};
    QTest::newRow("sports: golf by name, then tennis")
        << Roster::Sports
        << "SELECT * FROM tblMembers WHERE Membership = 'Golf' OR Membership = 'Tennis' ORDER BY "
           "Membership,LName"
        << QStringList{"M-3", "M-5", "M-4"};
    QTest::newRow("family") << Roster::Family
                            << "SELECT * FROM tblMembers WHERE Membership = 'Family' ORDER BY LName"
                            << QStringList{"M-8"};
    QTest::newRow("life") << Roster::Life
                          << "SELECT * FROM tblMembers WHERE Membership = 'Life' ORDER BY LName"
                          << QStringList{"M-9"};
    QTest::newRow("senior") << Roster::Senior
                            << "SELECT * FROM tblMembers WHERE Membership = 'Senior' ORDER BY LName"
                            << QStringList{"M-10"};
    QTest::newRow("pool") << Roster::Pool
                          << "SELECT * FROM tblMembers WHERE Membership = 'Pool' ORDER BY LName"
                          << QStringList{"M-11"};
    QTest::newRow("junior") << Roster::Junior
                            << "SELECT * FROM tblMembers WHERE Membership = 'Junior' ORDER BY LName"
                            << QStringList{"M-12"};
}

void TestRosters::selectionAndSort() {
    QFETCH(Roster, roster);
    QFETCH(QString, sql);
    QFETCH(QStringList, ids);
    for (const auto &m : Members)
        addMember(QLatin1String(m[0]), QLatin1String(m[1]), QLatin1String(m[2]));
    StatementRecorder statements;
    DataReportEnvironment &env = dataReport();
    QVERIFY(!env.isOpen(roster));
    env.execute(roster);
    QVERIFY(env.isOpen(roster));
    QVERIFY(statements.statements().contains(sql));
    QList<DrawnItem> drawn;
    buildRosterReport(rosterInfo(roster), env.rs(roster))->pageImage(0, 30, &drawn);
    QCOMPARE(printedIds(drawn), ids);
    env.close(roster);
    QVERIFY(!env.isOpen(roster));
}

void TestRosters::readingOrder_data() {
    QTest::addColumn<Roster>("roster");
    QTest::addColumn<QStringList>("members"); // last name:membership, in the order added
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("case, particles and accents")
        << Roster::All << QStringList{"Wright:Regular",  "aaronson:Regular", "Young:Life",
                                      "de la Cruz:Pool", "van Dyke:Regular", "Ñúñez:Golf",
                                      "Ó Briain:Senior", "Åström:Family",    "Brown:Junior"}
        << QStringList{"aaronson", "Åström",   "Brown",  "de la Cruz", "Ñúñez",
                       "Ó Briain", "van Dyke", "Wright", "Young"};
    QTest::newRow("sports: golf first, each type in reading order")
        << Roster::Sports
        << QStringList{"zimmer:Golf", "Earl:Tennis", "Ávila:Golf", "dupont:Tennis", "Cole:Sports"}
        << QStringList{"Ávila", "zimmer", "dupont", "Earl"};
}

void TestRosters::readingOrder() {
    QFETCH(Roster, roster);
    QFETCH(QStringList, members);
    QFETCH(QStringList, printed);
    for (int i = 0; i < members.size(); ++i) {
        const QStringList m = members[i].split(u':');
        addMember(QStringLiteral("M-%1").arg(i + 1), m[0], m[1]);
    }
    dataReport().execute(roster);
    QList<DrawnItem> drawn;
    buildRosterReport(rosterInfo(roster), dataReport().rs(roster))->pageImage(0, 30, &drawn);
    QStringList names;
    for (const DrawnItem &i : drawn)
        if (i.kind == DrawnItem::Kind::Text && i.rect.left() == 500 + RosterColumns[1].left
            && !i.bold)
            names << i.text;
    QCOMPARE(names, printed);
}

void TestRosters::printsEveryDigit_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("last");
    QTest::addColumn<double>("dues");
    QTest::addColumn<int>("column");      // of the roster's columns
    QTest::addColumn<QString>("printed"); // ending in "…": cut, showing at least that much
    QTest::newRow("dues of ten thousand") << "M-1"
                                          << "Lee" << 10000.0 << 5 << "$10,000.00";
    QTest::newRow("dues in the millions") << "M-2"
                                          << "Lee" << 1234567.89 << 5 << "$1,234,567.89";
    QTest::newRow("six-digit identifier") << "M-100000"
                                          << "Lee" << 10.0 << 0 << "M-100000";
    QTest::newRow("long name drawn smaller")
        << "M-3"
        << "Featherstonehaugh-Smyth" << 10.0 << 1 << "Featherstonehaugh-Smyth";
    QTest::newRow("name too long even at the smallest size")
        << "M-4"
        << "Wolfeschlegelsteinhausenbergerdorff" << 10.0 << 1 << "Wolfeschlegelsteinhau…";
}

// Read back from the PDF: the whole text, inside its own cell and clear of the rules.
void TestRosters::printsEveryDigit() {
    QFETCH(QString, id);
    QFETCH(QString, last);
    QFETCH(double, dues);
    QFETCH(int, column);
    QFETCH(QString, printed);
    addMember(id, last, QStringLiteral("Regular"), dues);
    dataReport().cmdAllMembers();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("roster.pdf"));
    buildRosterReport(rosterInfo(Roster::All), dataReport().rscmdAllMembers())->writePdf(pdf);
    const RosterColumn &c = RosterColumns[size_t(column)];
    const QRectF cell(QPointF(500 + c.left, 1000 + 1455) / Twips::PerPoint,
                      QSizeF(c.width, 435) / Twips::PerPoint);
    const QChar ellipsis(0x2026);
    QStringList inCell;
    int cut = 0;
    for (const PdfWord &w : pdfWords(pdf)) {
        cut += w.text.endsWith(ellipsis);
        if (!cell.contains(w.box.center()))
            continue;
        inCell << w.text;
        QVERIFY2(cell.adjusted(-0.5, -0.5, 0.5, 0.5).contains(w.box), qPrintable(w.text));
        for (int rule : RosterRules) // half a rule's width and a hair
            QVERIFY2(qAbs((500 + rule) / Twips::PerPoint - w.box.center().x())
                         > w.box.width() / 2 + 0.5,
                     qPrintable(QStringLiteral("%1 touches a rule").arg(w.text)));
    }
    QCOMPARE(cut, int(printed.endsWith(ellipsis)));
    QCOMPARE(inCell.size(), 1);
    if (cut)
        QVERIFY2(last.startsWith(inCell[0].chopped(1)) && inCell[0].size() >= printed.size(),
                 qPrintable(inCell[0]));
    else
        QCOMPARE(inCell[0], printed);
}

void TestRosters::firstPageShowsWhatTheReaderNeeds() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Lee"), QStringLiteral("Regular"), 1234.5);
    dataReport().cmdAllMembers();
    QList<DrawnItem> drawn;
    buildRosterReport(rosterInfo(Roster::All), dataReport().rscmdAllMembers())
        ->pageImage(0, 30, &drawn);
    const QStringList t = texts(drawn);
    QCOMPARE(t.value(0), QStringLiteral("Membership Roster"));
    QVERIFY(t.contains(QStringLiteral("Saturday, March 14, 2026")));
    const QStringList headings{"ID",   "Last Name", "First Name", "Middle Name", "Membership",
                               "Dues", "Paid",      "Address",    "City",        "State"};
    QCOMPARE(texts(drawn, true), QStringList{"Membership Roster"} + headings);
    QVERIFY(t.contains(QStringLiteral("$1,234.50")));
    QVERIFY(t.contains(QStringLiteral("Page 1 of 1")));
    QVERIFY(t.contains(QStringLiteral("Quillmere")));
    QVERIFY(t.contains(QStringLiteral("3/14/26")));
    for (const char *v : {"M-1", "Lee", "Pat", "Regular", "Yes", "1 Main St", "Springfield", "IL"})
        QVERIFY2(t.contains(QLatin1String(v)), v);
}

void TestRosters::onlyTheFullRosterRulesItsFooter_data() {
    QTest::addColumn<Roster>("roster");
    QTest::addColumn<bool>("ruled");
    for (const RosterInfo &r : Rosters)
        QTest::newRow(r.report) << r.roster << (r.roster == Roster::All);
}

void TestRosters::onlyTheFullRosterRulesItsFooter() {
    QFETCH(Roster, roster);
    QFETCH(bool, ruled);
    QList<DrawnItem> drawn;
    buildRosterReport(rosterInfo(roster), std::make_shared<Recordset>())->pageImage(0, 30, &drawn);
    bool footerRule = false;
    for (const DrawnItem &i : drawn)
        if (i.kind == DrawnItem::Kind::Line && i.rect.top() == FooterTop && i.rect.height() == 0)
            footerRule = footerRule || i.rect.width() == 14100;
    QCOMPARE(footerRule, ruled);
}

void TestRosters::longRosterRepeatsHeaderAndCountsPages() {
    // 20 rows fit a page, so 45 members fill three.
    QStringList values;
    for (int i = 1; i <= 45; ++i)
        values << QStringLiteral("('M-%1','Name%2','Regular')").arg(i).arg(i, 2, 10, QChar(u'0'));
    m_app->exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,Membership) VALUES ")
                + values.join(u','));
    dataReport().cmdFullMembers();
    const auto report =
        buildRosterReport(rosterInfo(Roster::Regular), dataReport().rscmdFullMembers());
    QTemporaryDir dir;
    QList<QStringList> pages;
    QCOMPARE(report->writePdf(dir.filePath(QStringLiteral("r.pdf")),
                              [&](int, const QList<DrawnItem> &items) { pages << texts(items); }),
             3);
    int rows = 0;
    for (int p = 0; p < 3; ++p) {
        QCOMPARE(pages[p].value(0), QStringLiteral("Regular Members Roster"));
        QVERIFY(pages[p].contains(QStringLiteral("Last Name")));
        QVERIFY(pages[p].contains(QStringLiteral("Page %1 of 3").arg(p + 1)));
        for (const QString &t : pages[p])
            rows += t.startsWith(QLatin1String("Name"));
    }
    QCOMPARE(rows, 45);
}

void TestRosters::relativeSourceFoundWhateverTheCase_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("club") << "club";
    QTest::newRow("CLub") << "CLub";
    QTest::newRow("CLUB") << "CLUB";
}

void TestRosters::relativeSourceFoundWhateverTheCase() {
    QFETCH(QString, folder);
    addMember(QStringLiteral("M-1"), QStringLiteral("Lee"), QStringLiteral("Life"));
    if (folder != u"club")
        QVERIFY(QDir(m_app->path()).rename(QStringLiteral("club"), folder));
    dataReport().cmdLifeMembers();
    QCOMPARE(dataReport().rscmdLifeMembers()->recordCount(), 1);
    QCOMPARE(
        QFileInfo(dataReport().conReport.dataSource()).canonicalFilePath(),
        QFileInfo(m_app->path() + u'/' + folder + QStringLiteral("/club.qmr")).canonicalFilePath());
}

void TestRosters::captions_data() {
    QTest::addColumn<Roster>("roster");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::newRow("all") << Roster::All << "Harbour Club - Membership Roster"
                         << "Membership Roster";
    QTest::newRow("junior") << Roster::Junior << "Harbour Club - Junior Membership Roster"
                            << "Junior Members Roster";
    QTest::newRow("family") << Roster::Family << "Harbour Club - Family Membership Roster"
                            << "Family Members Roster";
    QTest::newRow("sports") << Roster::Sports << "Harbour Club - Sports Members Roster"
                            << "Sports Members Roster";
}

void TestRosters::captions() {
    QFETCH(Roster, roster);
    QFETCH(QString, caption);
    QFETCH(QString, title);
    strClubName = QStringLiteral("Harbour Club");
    rptRoster window(rosterInfo(roster), std::make_shared<Recordset>());
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.objectName(), QLatin1String(rosterInfo(roster).report));
    QList<DrawnItem> drawn;
    buildRosterReport(rosterInfo(roster), std::make_shared<Recordset>())->pageImage(0, 30, &drawn);
    QCOMPARE(texts(drawn).value(0), title);
    strClubName.clear();
}

void TestRosters::commandLineNames() {
    QCOMPARE(rosterByName(QStringLiteral("all")), std::optional<Roster>(Roster::All));
    QCOMPARE(rosterByName(QStringLiteral("Regular")), std::optional<Roster>(Roster::Regular));
    QCOMPARE(rosterByName(QStringLiteral("JUNIOR")), std::optional<Roster>(Roster::Junior));
    QVERIFY(!rosterByName(QStringLiteral("golf")));
}

QTEST_MAIN(TestRosters)
#include "tst_rosters.moc"
