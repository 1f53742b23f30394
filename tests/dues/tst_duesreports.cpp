// The renewal roster and the reminder letters, read as the report engine draws them.
#include "TestSupport.h"
#include "dues/DuesReports.h"
#include "dues/DuesRoll.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QTest>

using namespace dues;

namespace {
// Letter portrait with the letters' margins: the body every line must keep to.
const QRectF LetterBody(1440, 720, 12240 - 2 * 1440, 15840 - 720 - 1080);

// DuesList::selection's columns: id, last, first, address 2, state, paid through, dues.
RecordsetPtr selectionRows(const QList<QStringList> &members) {
    QVector<QVector<QVariant>> rows;
    for (const QStringList &m : members) {
        const QDate through = QDate::fromString(m[5], Qt::ISODate);
        rows.append(
            {m[0], m[1] + QStringLiteral(", ") + m[2], m[1], m[2], QString(),
             QStringLiteral("Regular"), m[6].toDouble(), QStringLiteral("Annual"),
             through.isValid() ? QVariant(through) : QVariant(),
             through.isValid() ? QStringLiteral("Lapsed 2 months") : QStringLiteral("Never paid"),
             QStringLiteral("555-0100"), m[0].toLower() + QStringLiteral("@club.org"),
             QStringLiteral("12 Harbour Road"), m[3], QStringLiteral("Bath"), m[4],
             QStringLiteral("04530")});
    }
    return std::make_shared<Recordset>(QStringList{"MemberID", "Name", "LName", "FName", "MName",
                                                   "Membership", "Dues", "DuesPaid", "PaidThrough",
                                                   "Standing", "Phone1", "Email", "Address1",
                                                   "Address2", "City", "State", "Zip"},
                                       rows);
}

ClubLetterhead club() {
    return {QStringLiteral("Harbour Sailing Club"),
            {QStringLiteral("1 Quay Street"), QStringLiteral("Bath, ME 04530")},
            QStringLiteral("207-555-0199"),
            QStringLiteral("secretary@harbour.org")};
}
} // namespace

class TestDuesReports : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rosterReadsLikeTheRosters();
    void oneLetterPerMember();
    void letterTextKeepsToThePage_data();
    void letterTextKeepsToThePage();
    void letterheadFromTheClubRecord();
};

void TestDuesReports::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setClock([] { return QDateTime(QDate(2026, 3, 14), QTime(9, 30)); });
    setAppTitle(QStringLiteral("Tarnwell"));
}

void TestDuesReports::rosterReadsLikeTheRosters() {
    QList<QStringList> members;
    for (int i = 1; i <= 25; ++i) // 20 rows to a page, as on the rosters
        members << QStringList{QStringLiteral("M-%1").arg(i),
                               QStringLiteral("Lee%1").arg(i),
                               "Pat",
                               "",
                               "ME - Maine",
                               i == 3 ? "" : "2026-01-31",
                               "1234.5"};
    const auto report =
        buildRenewalRoster(QStringLiteral("Harbour Sailing Club"), QStringLiteral("Renewal Roster"),
                           selectionRows(members));
    QCOMPARE(report->pageCount(), 2);
    QVERIFY(report->page.landscape);
    for (int p = 0; p < 2; ++p) {
        QList<DrawnItem> drawn;
        report->pageImage(p, 30, &drawn);
        const QStringList t = drawnTexts(drawn);
        const QStringList heading{"Harbour Sailing Club",
                                  "Renewal Roster",
                                  "Saturday, March 14, 2026",
                                  "ID",
                                  "Name",
                                  "Membership",
                                  "Amount",
                                  "Paid Through",
                                  "Standing",
                                  "Phone",
                                  "E-mail"};
        QCOMPARE(t.mid(0, heading.size()), heading);
        QCOMPARE(t.mid(t.size() - 3),
                 (QStringList{QStringLiteral("Page %1 of 2").arg(p + 1), "Tarnwell", "3/14/26"}));
    }
    QList<DrawnItem> drawn;
    report->pageImage(0, 30, &drawn);
    const QStringList t = drawnTexts(drawn);
    QCOMPARE(t.mid(11, 8), (QStringList{"M-1", "Lee1, Pat", "Regular", "$1,234.50", "1/31/2026",
                                        "Lapsed 2 months", "555-0100", "m-1@club.org"}));
    // Never paid: no date, the standing says so.
    QCOMPARE(t.mid(27, 6),
             (QStringList{"M-3", "Lee3, Pat", "Regular", "$1,234.50", "Never paid", "555-0100"}));
}

void TestDuesReports::oneLetterPerMember() {
    const auto report = buildReminderLetters(
        club(), defaultReminderText(),
        selectionRows({{"M-1", "Lee", "Pat", "Apt 4", "ME - Maine", "2026-01-31", "25"},
                       {"M-2", "Roy", "Kim", "", "ON - Ontario", "", "1234.5"},
                       {"M-3", "Dunn", "Al", "", "ME - Maine", "2025-12-31", "40"}}));
    QCOMPARE(report->pageCount(), 3);
    QList<DrawnItem> first, second;
    report->pageImage(0, 30, &first);
    report->pageImage(1, 30, &second);
    const QStringList head{"Harbour Sailing Club", "1 Quay Street", "Bath, ME 04530",
                           "207-555-0199", "secretary@harbour.org"};
    QCOMPARE(drawnTexts(first).mid(0, 5), head);
    QVERIFY(first[0].bold && !first[1].bold);
    QCOMPARE(drawnTexts(second).mid(0, 5), head);

    const QStringList t = drawnTexts(first);
    QCOMPARE(t.mid(5, 5), (QStringList{"Saturday, March 14, 2026", "Pat Lee", "12 Harbour Road",
                                       "Apt 4", "Bath, ME 04530"}));
    QCOMPARE(t.mid(10, 4),
             (QStringList{"Dear Pat Lee,",
                          "This is a friendly reminder that your membership "
                          "dues are due for renewal.",
                          "Amount due: $25.00", "Paid through: Saturday, January 31, 2026"}));
    QCOMPARE(t.mid(t.size() - 2), (QStringList{"Yours sincerely,", "Harbour Sailing Club"}));

    const QStringList u = drawnTexts(second);
    QCOMPARE(u.mid(6, 4),
             (QStringList{"Kim Roy", "12 Harbour Road", "Bath, ON 04530", "Dear Kim Roy,"}));
    QVERIFY(u.contains(QStringLiteral("Amount due: $1,234.50")));
    QVERIFY(u.contains(QStringLiteral("Paid through: no payment on record")));
}

void TestDuesReports::letterTextKeepsToThePage_data() {
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<bool>("cut");
    QTest::newRow("a long letter wraps") << 3 << false;
    QTest::newRow("a text beyond the page is cut, visibly") << 60 << true;
}

// Every line inside the page's body, none drawn over another, and nothing lost past the page's
// end without a visible cut.
void TestDuesReports::letterTextKeepsToThePage() {
    QFETCH(int, paragraphs);
    QFETCH(bool, cut);
    const QString paragraph = QStringLiteral(
        "Your dues of {Amount} keep the clubhouse open, the moorings maintained and the "
        "launch running through the whole season, and we thank you for them.");
    QStringList text;
    for (int i = 0; i < paragraphs; ++i)
        text << paragraph;
    const auto report = buildReminderLetters(
        club(), text.join(QStringLiteral("\n\n")),
        selectionRows({{"M-1", "Lee", "Pat", "", "ME - Maine", "2026-01-31", "25"}}));
    QCOMPARE(report->pageCount(), 1);
    QList<DrawnItem> drawn;
    report->pageImage(0, 30, &drawn);
    QRectF previous;
    int starts = 0, ends = 0;
    for (const DrawnItem &i : drawn) {
        if (i.kind != DrawnItem::Kind::Text)
            continue;
        QVERIFY2(LetterBody.contains(i.rect), qPrintable(i.text));
        QVERIFY2(!previous.intersects(i.rect), qPrintable(i.text));
        QVERIFY(!i.text.contains(u'{'));
        previous = i.rect;
        starts += i.text.startsWith(QLatin1String("Your dues of $25.00"));
        ends += i.text.endsWith(QLatin1String("thank you for them."));
    }
    const QStringList t = drawnTexts(drawn);
    if (cut) {
        QVERIFY(t.last().endsWith(QChar(0x2026)));
        QVERIFY(starts < paragraphs);
    } else {
        // Each paragraph whole, on lines of its own.
        QCOMPARE(starts, paragraphs);
        QCOMPARE(ends, paragraphs);
        QVERIFY(!t.contains(QString(paragraph).replace(QLatin1String("{Amount}"), "$25.00")));
        QCOMPARE(t.last(), QStringLiteral("Harbour Sailing Club"));
    }
}

void TestDuesReports::letterheadFromTheClubRecord() {
    const Recordset rs({"ClubName", "Address1", "City", "State", "Zip", "Phone1", "Email"},
                       {{" Harbour Sailing Club", "1 Quay Street", "Bath", "ME", "04530",
                         "207-555-0199", QVariant()}});
    const ClubLetterhead l = clubLetterhead(rs);
    QCOMPARE(l.name, QStringLiteral("Harbour Sailing Club"));
    QCOMPARE(l.addressLines, (QStringList{"1 Quay Street", "Bath, ME 04530"}));
    QCOMPARE(l.phone, QStringLiteral("207-555-0199"));
    QVERIFY(l.email.isEmpty());
    QCOMPARE(cityLine("", "NS - Nova Scotia", "B3H 1A1"), QStringLiteral("NS B3H 1A1"));
    QCOMPARE(cityLine("Halifax", "", ""), QStringLiteral("Halifax"));
}

QTEST_MAIN(TestDuesReports)
#include "tst_duesreports.moc"
