// Dues payments against real rolls: what each operation stores with its history row, what a
// refusal leaves (nothing), and how payments follow a member deleted, restored or erased.

#include "LibTestUtil.h"
#include "club/Roll.h"

#include <QDir>
#include <cmath>

Q_DECLARE_METATYPE(DuesPayment)

namespace {
QDate day(const char *iso) {
    return QDate::fromString(QLatin1String(iso), Qt::ISODate);
}

DuesPayment payment(const QString &id, const char *received, const char *from = "2026-01-01",
                    const char *to = "2026-12-31") {
    return {id, day(received), 25, day(from), day(to), "cheque", " 1042 ", "From O'Hara"};
}

// The payments and the history, every row.
QStringList dues(const QString &path) {
    return rowsOf(path, "SELECT * FROM tblPayments ORDER BY PaymentID")
           + rowsOf(path, "SELECT * FROM tblHistory ORDER BY HistoryID");
}

QString lastHistory(const TempAppFolder &app) {
    return app.scalar("SELECT Operation || ' ' || Changes FROM tblHistory ORDER BY HistoryID DESC");
}

// M-1 Smith (Regular) and M-2 Baker (Family) on a roll of today's version.
std::unique_ptr<_libClub> started(const TempAppFolder &app) {
    upToDate(app);
    auto club = app.newClub();
    club->AddMember(newMember("M-1"), 25);
    club->AddMember(newMember("M-2", "Baker", "Family"), 40);
    return club;
}

// A member's PaidThrough as DuesStanding lists it.
QString standing(_libClub &club, const QString &id) {
    const RecordsetPtr rs = later(club).DuesStanding();
    for (int r = 0; r < rs->recordCount(); ++r)
        if (rs->value(r, 0).toString() == id)
            return rs->value(r, 14).toString();
    return "<absent>";
}
} // namespace

class tst_libclub_dues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("USER", "treasurer"); }

    void recordedWithItsHistory() {
        TempAppFolder app;
        auto club = started(app);
        FixedClock clock(at("2026-02-03T19:30:00"));
        DuesPayment p = payment("M-2", "2026-02-03");
        p.amount = 40.5;
        QCOMPARE(later(*club).RecordPayment(p), qint64(1));
        // Recorded at the moment its history row names.
        QCOMPARE(rowsOf(app.rollPath(), "SELECT p.*,h.UserName FROM tblPayments p JOIN tblHistory "
                                        "h ON h.ChangedAt = p.RecordedAt")
                     .value(0)
                     .replace(app.scalar("SELECT RecordedAt FROM tblPayments"), "at"),
                 "1|M-2|2026-02-03|40.5|2026-01-01|2026-12-31|cheque|1042|From O'Hara|Family|at|"
                 "<null>|<null>|treasurer");
        QCOMPARE(
            QDateTime::fromString(app.scalar("SELECT RecordedAt FROM tblPayments"), Qt::ISODate),
            at("2026-02-03T19:30:00"));
        QCOMPARE(
            lastHistory(app),
            "payment {\"Amount\":40.5,\"Membership\":\"Family\",\"Method\":\"cheque\","
            "\"Note\":\"From O'Hara\",\"PaymentID\":1,\"PeriodFrom\":\"2026-01-01\","
            "\"PeriodTo\":\"2026-12-31\",\"ReceivedOn\":\"2026-02-03\",\"Reference\":\"1042\"}");
        QCOMPARE(later(*club).MemberPayments("M-2")->columns().join(u','),
                 "PaymentID,MemberID,ReceivedOn,Amount,PeriodFrom,PeriodTo,Method,Reference,Note,"
                 "Membership,RecordedAt");
        QCOMPARE(standing(*club, "M-2"), "2026-12-31");
        QCOMPARE(standing(*club, "M-1"), "");
    }

    void refused_data() {
        QTest::addColumn<DuesPayment>("p");
        QTest::addColumn<int>("number");
        const auto with = [](auto change) {
            DuesPayment p = payment("M-1", "2026-02-03");
            change(p);
            return p;
        };
        QTest::newRow("unknown member") << with([](auto &p) { p.memberId = "M-9"; }) << 3021;
        QTest::newRow("no member") << with([](auto &p) { p.memberId = " "; }) << 3021;
        QTest::newRow("no date received") << with([](auto &p) { p.receivedOn = {}; }) << 5;
        QTest::newRow("no first day") << with([](auto &p) { p.periodFrom = {}; }) << 5;
        QTest::newRow("no last day") << with([](auto &p) { p.periodTo = {}; }) << 5;
        QTest::newRow("first day after the last")
            << with([](auto &p) { p.periodFrom = day("2027-01-01"); }) << 5;
        QTest::newRow("amount below zero") << with([](auto &p) { p.amount = -0.01; }) << 5;
        QTest::newRow("amount no number") << with([](auto &p) { p.amount = std::nan(""); }) << 5;
        QTest::newRow("unknown method") << with([](auto &p) { p.method = "Cash"; }) << 5;
        QTest::newRow("opening balance") << with([](auto &p) { p.method = "opening"; }) << 5;
    }
    void refused() {
        QFETCH(DuesPayment, p);
        QFETCH(int, number);
        TempAppFolder app;
        auto club = started(app);
        const QStringList before = dues(app.rollPath());
        QString why;
        QCOMPARE(failureNumber([&] { later(*club).RecordPayment(p); }, &why), number);
        QVERIFY2(why.endsWith("nothing was recorded.")
                     && (p.memberId.trimmed().isEmpty() || why.contains(p.memberId)),
                 qPrintable(why));
        QCOMPARE(dues(app.rollPath()), before);
    }

    // Opening balances go to those paid through an earlier date or never; the last money
    // received stays what it was. An identifier no member holds records nothing at all.
    void markPaidThrough() {
        TempAppFolder app;
        auto club = started(app);
        QVERIFY(club->AddMember(newMember("M-3", "Cole"), 25));
        FixedClock clock(at("2026-05-06T10:00:00"));
        later(*club).RecordPayment(payment("M-1", "2026-01-05"));
        later(*club).RecordPayment(payment("M-2", "2025-07-01", "2025-07-01", "2025-12-31"));
        const QStringList before = dues(app.rollPath());
        const QDate june = day("2026-06-30");
        QCOMPARE(failureNumber([&] { later(*club).MarkPaidThrough({"M-2", "M-7"}, june); }), 3021);
        QCOMPARE(dues(app.rollPath()), before);

        QCOMPARE(later(*club).MarkPaidThrough({"M-1", "M-2", "M-3", "M-3"}, june), 2);
        QCOMPARE(rowsOf(app.rollPath(), "SELECT MemberID,ReceivedOn,Amount,PeriodFrom,PeriodTo,"
                                        "Method,Membership FROM tblPayments WHERE PaymentID > 2"),
                 QStringList({"M-2|2026-05-06|0|<null>|2026-06-30|opening|Family",
                              "M-3|2026-05-06|0|<null>|2026-06-30|opening|Regular"}));
        QVERIFY(lastHistory(app).startsWith("opening balance {\"Amount\":0,"));
        QCOMPARE(standing(*club, "M-1"), "2026-12-31");
        QCOMPARE(standing(*club, "M-2"), "2026-06-30");
        QCOMPARE(standing(*club, "M-3"), "2026-06-30");
    }

    // Both bounds included, opening balances among them; a payment deleted is gone, its
    // history row holding it whole; settings come back as saved, and an unchanged save writes
    // nothing.
    void receivedDeletedAndSettings() {
        TempAppFolder app;
        auto club = started(app);
        for (const char *d : {"2026-01-31", "2026-02-01", "2026-02-28", "2026-03-01"})
            later(*club).RecordPayment(payment("M-1", d));
        FixedClock clock(at("2026-02-15T10:00:00"));
        later(*club).MarkPaidThrough({"M-2"}, day("2027-03-31"));
        const RecordsetPtr rs = later(*club).PaymentsReceived(day("2026-02-01"), day("2026-02-28"));
        QCOMPARE(firstColumn(rs), QStringList({"2", "5", "3"}));
        QCOMPARE(rs->field("LName").toString() + rs->field("FName").toString(), "SmithJohn");

        QVERIFY(later(*club).DeletePayment(3));
        QCOMPARE(firstColumn(later(*club).MemberPayments("M-1")), QStringList({"4", "2", "1"}));
        QVERIFY(lastHistory(app).startsWith("payment delete {\"Amount\":25,\"DeletedMemberID\":"
                                            "null,\"DeletionID\":null,\"MemberID\":\"M-1\","));
        QCOMPARE(failureNumber([&] { later(*club).DeletePayment(3); }), 3021);

        QCOMPARE(later(*club).Setting(SettingName::ReminderText), "");
        QVERIFY(later(*club).SaveSetting(SettingName::ReminderText, "Dear member,\n"));
        QCOMPARE(later(*club).Setting(SettingName::ReminderText), "Dear member,\n");
        QCOMPARE(lastHistory(app), "setting {\"ReminderLetterText\":[null,\"Dear member,\\n\"]}");
        const QStringList saved = dues(app.rollPath());
        QVERIFY(later(*club).SaveSetting(SettingName::ReminderText, "Dear member,\n"));
        QCOMPARE(dues(app.rollPath()), saved);
    }

    // Deleted, a member's payments are hidden under that deletion; restored they come back;
    // a newcomer given the identifier inherits nothing; erased, the money stays but nothing
    // leads to the person.
    void followsTheMember_data() {
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("stored"); // MemberID|DeletedMemberID|Reference|Note
        QTest::addColumn<QString>("standing");
        const QString linked = "M-1|<null>|1042|From O'Hara",
                      hidden = "<null>|M-1|1042|From O'Hara";
        QTest::newRow("deleted") << "" << hidden << "<absent>";
        QTest::newRow("deleted, answered No") << "no" << linked << "2026-12-31";
        QTest::newRow("restored") << "restore" << linked << "2026-12-31";
        QTest::newRow("identifier given again") << "add" << hidden << "";
        QTest::newRow("erased") << "erase"
                                << "<null>|<null>|<null>|<null>"
                                << "<absent>";
    }
    void followsTheMember() {
        QFETCH(QString, then);
        QFETCH(QString, stored);
        QFETCH(QString, standing);
        TempAppFolder app;
        auto club = started(app);
        MsgBoxRecorder boxes;
        later(*club).RecordPayment(payment("M-1", "2026-02-03"));
        DuesPayment other = payment("M-2", "2026-02-04");
        other.note = "Baker's own";
        later(*club).RecordPayment(other);
        boxes.answer({then == u"no" ? int(Mb::No) : int(Mb::Yes)});
        QCOMPARE(club->DeleteMember("M-1"), then != u"no");
        const QString deletion = app.scalar("SELECT MAX(HistoryID) FROM tblHistory");
        if (then == u"restore")
            QVERIFY(later(*club).RestoreMember(deletion.toLongLong()));
        if (then == u"add")
            QVERIFY(club->AddMember(newMember("M-1", "Newcomer"), 25));
        if (then == u"erase")
            QVERIFY(later(*club).EraseMember("M-1"));
        QCOMPARE(rowsOf(app.rollPath(), "SELECT MemberID,DeletedMemberID,Reference,Note,"
                                        "IFNULL(DeletionID,''),ReceivedOn,Amount,PeriodTo,Method,"
                                        "Membership FROM tblPayments WHERE PaymentID = 1"),
                 QStringList{stored + u'|' + (stored.startsWith("<null>|M-1") ? deletion : "")
                             + "|2026-02-03|25|2026-12-31|cheque|Regular"});
        QCOMPARE(::standing(*club, "M-1"), standing);
        QCOMPARE(::standing(*club, "M-2"), "2026-12-31");
        // The money counts whatever became of the member.
        QCOMPARE(later(*club).PaymentsReceived(day("2026-01-01"), day("2026-12-31"))->recordCount(),
                 2);
        QFile file(app.rollPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().contains("O'Hara"), then != u"erase");
    }

    // A roll of version 2 is read as one without payments, and not changed; its first payment
    // brings it up to date after a backup.
    void fromVersion2() {
        TempAppFolder app;
        app.exec("BEGIN;" + QString::fromUtf8(RollMigrations[0].sql)
                 + ";PRAGMA user_version = 2;INSERT INTO tblMembers (MemberID) VALUES ('M-1');"
                   "COMMIT;");
        const QByteArray file = fileHash(app.rollPath());
        auto club = app.newClub();
        QCOMPARE(standing(*club, "M-1"), "");
        QVERIFY(later(*club).MemberPayments("M-1")->isEmpty());
        QVERIFY(later(*club).PaymentsReceived(day("2000-01-01"), day("2100-01-01"))->isEmpty());
        QCOMPARE(later(*club).Setting(SettingName::ReminderText), "");
        QCOMPARE(fileHash(app.rollPath()), file);
        QVERIFY(QDir(app.path() + "/backups").isEmpty());

        later(*club).RecordPayment(payment("M-1", "2026-02-03"));
        QCOMPARE(later(*club).RollVersion(), RollSchemaVersion);
        QCOMPARE(standing(*club, "M-1"), "2026-12-31");
        const QStringList made = QDir(app.path() + "/backups").entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        QVERIFY(made[0].endsWith("-before-migration.qmr"));
        QCOMPARE(rowsOf(app.path() + "/backups/" + made[0], "PRAGMA user_version"),
                 QStringList{"2"});
    }
};

QTEST_MAIN(tst_libclub_dues)
#include "tst_libclub_dues.moc"
