// The sample-roll generator: the same seed gives the same roll, and the roll is one the
// program can open, with every list value present.
#include "TestSupport.h"
#include "db/Connection.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

int makeRoll(const QStringList &args, QString *err = nullptr) {
    QProcess p;
    p.start(QStringLiteral(QMR_MAKE_ROLL), args);
    p.waitForFinished(60000);
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QStringList roll(const QString &folder, qint64 members, quint64 seed) {
    return {QStringLiteral("--members"),    QString::number(members),
            QStringLiteral("--app-folder"), folder,
            QStringLiteral("--seed"),       QString::number(seed)};
}

RecordsetPtr query(const QString &folder, const QString &sql) {
    Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + folder
                          + QStringLiteral("/club/club.qmr;"));
    c.open();
    RecordsetPtr rs = c.execute(sql);
    c.close();
    return rs;
}

QStringList rows(const QString &folder, const QString &sql) {
    RecordsetPtr rs = query(folder, sql);
    QStringList out;
    for (int r = 0; r < rs->recordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs->columns().size(); ++c)
            cells.append(rs->value(r, c).toString());
        out.append(cells.join(u'|'));
    }
    return out;
}

QSet<QString> values(const QString &folder, const QString &sql) {
    const QStringList list = rows(folder, sql);
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class tst_makeroll : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameSeedSameRoll();
    void rollIsComplete();
    void keepsARollThatHoldsMembers();
};

void tst_makeroll::sameSeedSameRoll() {
    QTemporaryDir a, b, c;
    QCOMPARE(makeRoll(roll(a.path(), 400, 7)), 0);
    QCOMPARE(makeRoll(roll(b.path(), 400, 7)), 0);
    QCOMPARE(makeRoll(roll(c.path(), 400, 8)), 0);
    const QString all = QStringLiteral("SELECT * FROM tblMembers ORDER BY ID");
    const QStringList first = rows(a.path(), all);
    QCOMPARE(first.size(), 400);
    QCOMPARE(rows(b.path(), all), first);
    QVERIFY(rows(c.path(), all) != first);
    QCOMPARE(rows(b.path(), QStringLiteral("SELECT * FROM tblMain")),
             rows(a.path(), QStringLiteral("SELECT * FROM tblMain")));
}

void tst_makeroll::rollIsComplete() {
    // Only an empty folder: no program beside it, the roll must still be a valid one.
    QTemporaryDir dir;
    const qint64 n = 300;
    QCOMPARE(makeRoll(roll(dir.path(), n, 3)), 0);
    const QString folder = dir.path();

    QCOMPARE(query(folder, QStringLiteral("SELECT * FROM tblMembers;"))->recordCount(), int(n));
    QCOMPARE(rows(folder, QStringLiteral("SELECT ClubID FROM tblMain")),
             QStringList{QStringLiteral("C-1")});

    QCOMPARE(values(folder, QStringLiteral("SELECT DISTINCT Membership FROM tblMembers")),
             (QSet<QString>{"Regular", "Family", "Life", "Senior", "Junior", "Pool", "Golf",
                            "Tennis", "Sports", "Other"}));
    QCOMPARE(values(folder, QStringLiteral("SELECT DISTINCT DuesPaid FROM tblMembers")),
             (QSet<QString>{"Monthly", "Semi Annual", "Quarterly", "Annual", "Other"}));
    // Every state and province, in the form the member forms store it.
    QCOMPARE(
        values(folder, QStringLiteral("SELECT DISTINCT State FROM tblMembers")),
        values(folder, QStringLiteral("SELECT State || ' - ' || StateFull FROM tblStates "
                                      "UNION SELECT State || ' - ' || StateFull FROM tblCanada")));

    QCOMPARE(rows(folder, QStringLiteral("SELECT COUNT(*) FROM tblMembers "
                                         "WHERE MemberID <> 'M-' || ID")),
             QStringList{QStringLiteral("0")});
    const QStringList dues =
        rows(folder, QStringLiteral("SELECT MIN(Dues), MAX(Dues) FROM tblMembers"))
            .first()
            .split(u'|');
    QVERIFY(dues[0].toDouble() >= 0);
    QCOMPARE(dues[1].toDouble(), 5000.0);
    const QRegularExpression stamp(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$)"));
    for (const QString &d : rows(folder, QStringLiteral("SELECT AddDate FROM tblMembers")))
        QVERIFY2(stamp.match(d).hasMatch(), qPrintable(d));

    // The variety the forms and rosters must cope with.
    QVERIFY(!rows(folder, QStringLiteral("SELECT ID FROM tblMembers WHERE LName LIKE '%''%'"))
                 .isEmpty());
    QVERIFY(!rows(folder, QStringLiteral("SELECT ID FROM tblMembers WHERE LName || FName "
                                         "GLOB '*[^ -~]*'"))
                 .isEmpty());
    QVERIFY(!rows(folder, QStringLiteral("SELECT ID FROM tblMembers WHERE MName = '' AND "
                                         "Email = '' AND Notes = ''"))
                 .isEmpty());
    // Every value fits the field of the member forms.
    QCOMPARE(
        rows(folder, QStringLiteral(
                         "SELECT COUNT(*) FROM tblMembers WHERE length(LName) > 35 OR "
                         "length(FName) > 35 OR length(MName) > 35 OR length(Address1) > 35 "
                         "OR length(Address2) > 35 OR length(City) > 35 OR length(Zip) > 10 "
                         "OR length(Phone1) > 25 OR length(Phone2) > 25 OR length(Phone3) > 15 "
                         "OR length(Email) > 45 OR length(Notes) > 250 OR Email <> lower(Email)")),
        QStringList{QStringLiteral("0")});
}

void tst_makeroll::keepsARollThatHoldsMembers() {
    QTemporaryDir dir;
    QCOMPARE(makeRoll(roll(dir.path(), 20, 1)), 0);
    QString err;
    QCOMPARE(makeRoll(roll(dir.path(), 5, 2), &err), 1);
    QVERIFY2(err.contains(QStringLiteral("--replace")), qPrintable(err));
    QCOMPARE(query(dir.path(), QStringLiteral("SELECT * FROM tblMembers"))->recordCount(), 20);
    QCOMPARE(makeRoll(roll(dir.path(), 5, 2) << QStringLiteral("--replace")), 0);
    QCOMPARE(query(dir.path(), QStringLiteral("SELECT * FROM tblMembers"))->recordCount(), 5);

    // A fresh roll as the build makes it (no club, no members) is replaced without asking.
    QTemporaryDir fresh;
    buildRoll(fresh.path() + QStringLiteral("/club/club.qmr"));
    QCOMPARE(makeRoll(roll(fresh.path(), 10, 1)), 0);
    QCOMPARE(query(fresh.path(), QStringLiteral("SELECT * FROM tblMembers"))->recordCount(), 10);
}

QTEST_GUILESS_MAIN(tst_makeroll)
#include "tst_makeroll.moc"
