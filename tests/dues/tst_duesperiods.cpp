// The dues year's arithmetic, where each member stands, the list the windows show and the
// money totalled.
#include "TestSupport.h"
#include "club/Dues.h"
#include "dues/DuesPeriods.h"
#include "dues/DuesRoll.h"

#include <QTest>

using namespace dues;

Q_DECLARE_METATYPE(Standing)

namespace {
const QDate Today(2026, 3, 14);

QDate day(const char *iso) {
    return QDate::fromString(QLatin1String(iso), Qt::ISODate);
}

// DuesStanding's rows as the library gives them.
RecordsetPtr standingRows(const QList<QStringList> &members) {
    QVector<QVector<QVariant>> rows;
    for (const QStringList &m : members) // id, last, first, membership, dues, paid through
        rows.append({m[0], m[1], m[2], QString(), m[3], m[4].toDouble(), QStringLiteral("Annual"),
                     QStringLiteral("1 Main St"), QString(), QStringLiteral("Bath"),
                     QStringLiteral("ME - Maine"), QStringLiteral("04530"),
                     QStringLiteral("555-0100"), QStringLiteral("a@b.org"),
                     m[5].isEmpty() ? QVariant() : QVariant(m[5])});
    return std::make_shared<Recordset>(QStringList{"MemberID", "LName", "FName", "MName",
                                                   "Membership", "Dues", "DuesPaid", "Address1",
                                                   "Address2", "City", "State", "Zip", "Phone1",
                                                   "Email", "PaidThrough"},
                                       rows);
}
} // namespace

class TestDuesPeriods : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void nextPeriod_data();
    void nextPeriod();
    void standing_data();
    void standing();
    void lapsedFor_data();
    void lapsedFor();
    void listCountsSelectsAndShows();
    void totalsKeepOpeningBalancesApart();
};

void TestDuesPeriods::nextPeriod_data() {
    QTest::addColumn<QString>("paid");
    QTest::addColumn<QDate>("paidThrough");
    QTest::addColumn<QDate>("received");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    // Dates left empty: none.
    const char *const rows[][6] = {
        // name, paid, paid through, received, from, to
        {"monthly, never paid", "Monthly", "", "2026-03-10", "2026-03-10", "2026-04-09"},
        {"quarterly, paying early", "Quarterly", "2026-03-31", "2026-03-15", "2026-04-01",
         "2026-06-30"},
        {"semi annual across the year", "Semi Annual", "2025-12-31", "2025-12-20", "2026-01-01",
         "2026-06-30"},
        {"annual", "Annual", "2025-06-30", "2025-06-01", "2025-07-01", "2026-06-30"},
        {"monthly from 31 January", "Monthly", "", "2026-01-31", "2026-01-31", "2026-02-28"},
        {"then from 1 March", "Monthly", "2026-02-28", "2026-02-20", "2026-03-01", "2026-03-31"},
        {"30 January", "Monthly", "", "2026-01-30", "2026-01-30", "2026-02-28"},
        {"31 January, leap year", "Monthly", "", "2024-01-31", "2024-01-31", "2024-02-29"},
        {"29 January, leap year", "Monthly", "", "2024-01-29", "2024-01-29", "2024-02-28"},
        {"annual from 29 February", "Annual", "", "2024-02-29", "2024-02-29", "2025-02-28"},
        {"annual into a leap February", "Annual", "2023-02-28", "2023-02-01", "2023-03-01",
         "2024-02-29"},
        {"quarterly from 30 November", "Quarterly", "2025-11-29", "2025-11-01", "2025-11-30",
         "2026-02-28"},
        {"lapsed, paying late", "Monthly", "2025-12-31", "2026-03-10", "2026-03-10", "2026-04-09"},
        {"paying the day after the period", "Annual", "2026-03-09", "2026-03-10", "2026-03-10",
         "2027-03-09"},
        {"case and blanks of a hand-made roll", " semi annual ", "", "2026-03-01", "2026-03-01",
         "2026-08-31"},
        {"Other asks for the dates", "Other", "2026-03-31", "2026-03-10", "2026-04-01", ""},
    };
    for (const auto &r : rows)
        QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << day(r[2]) << day(r[3]) << day(r[4])
                            << day(r[5]);
}

void TestDuesPeriods::nextPeriod() {
    QFETCH(QString, paid);
    QFETCH(QDate, paidThrough);
    QFETCH(QDate, received);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const Period p = dues::nextPeriod(paid, paidThrough, received);
    QCOMPARE(p.from, from);
    QCOMPARE(p.to, to);
}

void TestDuesPeriods::standing_data() {
    QTest::addColumn<QDate>("paidThrough");
    QTest::addColumn<QString>("membership");
    QTest::addColumn<int>("dueDays");
    QTest::addColumn<Standing>("expected");
    QTest::newRow("through today") << Today << "Regular" << 30 << Standing::Due;
    QTest::newRow("through today + N") << Today.addDays(30) << "Regular" << 30 << Standing::Due;
    QTest::newRow("through today + N + 1")
        << Today.addDays(31) << "Regular" << 30 << Standing::Paid;
    QTest::newRow("through yesterday") << Today.addDays(-1) << "Regular" << 30 << Standing::Lapsed;
    QTest::newRow("never paid") << QDate() << "Family" << 30 << Standing::NeverPaid;
    QTest::newRow("no window: today is due") << Today << "Regular" << 0 << Standing::Due;
    QTest::newRow("no window: tomorrow is paid")
        << Today.addDays(1) << "Regular" << 0 << Standing::Paid;
    QTest::newRow("life, long lapsed") << day("2001-01-01") << "Life" << 30 << Standing::Life;
    QTest::newRow("life, never paid") << QDate() << " life" << 30 << Standing::Life;
}

void TestDuesPeriods::standing() {
    QFETCH(QDate, paidThrough);
    QFETCH(QString, membership);
    QFETCH(int, dueDays);
    QFETCH(Standing, expected);
    QCOMPARE(dues::standing(paidThrough, membership, Today, dueDays), expected);
}

void TestDuesPeriods::lapsedFor_data() {
    QTest::addColumn<QDate>("paidThrough");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the first day") << day("2026-03-13") << Today << "1 day";
    QTest::newRow("twenty days") << day("2026-02-22") << Today << "20 days";
    QTest::newRow("a day short of a month") << day("2026-01-31") << day("2026-02-27") << "27 days";
    QTest::newRow("February missed: a month")
        << day("2026-01-31") << day("2026-02-28") << "1 month";
    QTest::newRow("fourteen months") << day("2025-01-13") << Today << "14 months";
    QTest::newRow("not lapsed") << Today << Today << "";
}

void TestDuesPeriods::lapsedFor() {
    QFETCH(QDate, paidThrough);
    QFETCH(QDate, today);
    QFETCH(QString, expected);
    QCOMPARE(dues::lapsedFor(paidThrough, today), expected);
}

void TestDuesPeriods::listCountsSelectsAndShows() {
    DuesList list;
    list.setRows(standingRows({
        {"M-1", "Adams", "Ann", "Regular", "25", "2026-12-31"}, // paid
        {"M-2", "Brown", "Bob", "Regular", "25", "2026-03-31"}, // due
        {"M-3", "Cole", "Cy", "Family", "40", "2025-12-13"},    // lapsed three months
        {"M-4", "Dunn", "", "Family", "40", ""},                // never paid
        {"M-5", "Eve", "Ed", "Life", "0", ""},                  // life
        {"M-6", "Fox", "Flo", "Regular", "1234.5", "2026-01-31"},
    }));
    list.judge(Today, 30);
    QCOMPARE(list.counts(), (std::array<int, StandingCount>{1, 1, 2, 1, 1}));
    QCOMPARE(list.select({Standing::Due, Standing::Lapsed}, QString()),
             (std::vector<int>{1, 2, 5}));
    QCOMPARE(list.select({Standing::Lapsed, Standing::NeverPaid}, QStringLiteral("Family")),
             (std::vector<int>{2, 3}));
    QCOMPARE(list.select({Standing::Paid}, QStringLiteral("Family")), std::vector<int>{});
    // A wider window makes the paid member due, and the counts follow.
    list.judge(Today, 365);
    QCOMPARE(list.counts(), (std::array<int, StandingCount>{0, 2, 2, 1, 1}));
    list.judge(Today, 30);

    const RecordsetPtr sel = list.selection({2, 3});
    QCOMPARE(sel->recordCount(), 2);
    QCOMPARE(sel->value(0, sel->columnIndex("Name")).toString(), QStringLiteral("Cole, Cy"));
    QCOMPARE(sel->value(0, sel->columnIndex("Standing")).toString(),
             QStringLiteral("Lapsed 3 months"));
    QCOMPARE(sel->value(0, sel->columnIndex("PaidThrough")).toDate(), day("2025-12-13"));
    QCOMPARE(sel->value(1, sel->columnIndex("Name")).toString(), QStringLiteral("Dunn"));
    QVERIFY(sel->value(1, sel->columnIndex("PaidThrough")).isNull());
    QCOMPARE(sel->value(1, sel->columnIndex("State")).toString(), QStringLiteral("ME - Maine"));

    DuesListModel model;
    model.show(&list, list.select({Standing::Lapsed}, QString()));
    QCOMPARE(model.rowCount(), 2);
    QStringList headings, row;
    for (int c = 0; c < model.columnCount(); ++c) {
        headings << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        row << model.index(1, c).data().toString();
    }
    QCOMPARE(headings, (QStringList{"ID", "Name", "Membership", "Amount", "Paid Through",
                                    "Standing", "Phone", "E-mail"}));
    QCOMPARE(row, (QStringList{"M-6", "Fox, Flo", "Regular", "$1,234.50", "1/31/2026",
                               "Lapsed 1 month", "555-0100", "a@b.org"}));
    QCOMPARE(model.listRow(1), 5);
}

void TestDuesPeriods::totalsKeepOpeningBalancesApart() {
    QVector<QVector<QVariant>> rows;
    const auto pay = [&](const char *method, double amount, const char *membership) {
        rows.append({QLatin1String(method), amount, QLatin1String(membership)});
    };
    for (int i = 0; i < 10; ++i)
        pay("cash", 0.1, "Regular"); // binary fractions that must still add up to the cent
    pay("cheque", 40, "Family");
    pay("cheque", 25.55, "Regular");
    pay(OpeningMethod, 0, "Regular");
    pay(OpeningMethod, 0, "Family");
    const DuesTotals t = totalsOf(Recordset({"Method", "Amount", "Membership"}, std::move(rows)));
    QCOMPARE(t.payments, 12);
    QCOMPARE(t.openingBalances, 2);
    QCOMPARE(t.collected, 66.55);
    QCOMPARE(t.byMethod, (QMap<QString, double>{{"cash", 1.0}, {"cheque", 65.55}}));
    QCOMPARE(t.byMembership, (QMap<QString, double>{{"Family", 40.0}, {"Regular", 26.55}}));
}

QTEST_MAIN(TestDuesPeriods)
#include "tst_duesperiods.moc"
