// A damaged or foreign file where the roll should be: the program refuses to start, says
// why, logs it, and leaves every byte of the file as it found it.
#include "RelSupport.h"
#include "TestSupport.h"
#include "club/Roll.h"
#include "common/modGlobal.h"
#include "shell/frmMain.h"
#include "shell/modMain.h"
#include "system/System.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <sqlite3.h>

namespace {
QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A roll with a club and enough members to span many pages.
void fill(const TempAppFolder &app) {
    app.exec(QStringLiteral("INSERT INTO tblMain (ClubID,ClubName) VALUES ('C-1','Harbour Club');"
                            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                            "i < 400) INSERT INTO tblMembers (MemberID,LName,Notes) "
                            "SELECT 'M-' || i, 'Name' || i, printf('%.200c', 'n') FROM n;"));
}

int rootPage(const TempAppFolder &app, const QString &table) {
    return app
        .scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table))
        .toInt();
}

// Somebody else's SQLite file, with or without an identifier of its own.
void foreignDatabase(const QString &path, int applicationId) {
    QFile::remove(path);
    createDatabaseFromScript(path, QStringLiteral("PRAGMA application_id = %1;"
                                                  "CREATE TABLE tblMain (ClubName TEXT);"
                                                  "INSERT INTO tblMain VALUES ('Not a club');")
                                       .arg(applicationId));
}
} // namespace

class tst_damaged : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        useRacingClock();
    }
    void cleanup() {
        objClub.reset();
        strClubName.clear();
        delete frmMain::instance();
    }
    void refusedAtStartUpUnchanged_data();
    void refusedAtStartUpUnchanged();
    void journalOfAnEarlierCopyRefused();
    void rollWithoutItsMarkAccepted();
};

void tst_damaged::refusedAtStartUpUnchanged_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says"); // what a person is told is wrong
    const QString notRoll = QStringLiteral("is not a Quillmere roll");
    const QString damaged = QStringLiteral("is damaged");
    QTest::newRow("text file") << "text" << 26 << notRoll;
    QTest::newRow("overwritten header") << "header" << 26 << notRoll;
    QTest::newRow("cut in half") << "half" << 11 << damaged;
    QTest::newRow("flipped byte in a table page") << "flip" << 11 << damaged;
    QTest::newRow("empty file") << "empty" << 26 << notRoll;
    QTest::newRow("another program's database") << "foreign" << 26 << notRoll;
    QTest::newRow("another program's marked database")
        << "marked" << 26 << "belongs to another program";
    QTest::newRow("roll missing a table") << "table" << 11 << "damaged: it has no table tblCanada";
    QTest::newRow("unmarked roll missing a column")
        << "column" << 26 << "its table tblMembers has no column Dues";
}

void tst_damaged::refusedAtStartUpUnchanged() {
    QFETCH(QString, damage);
    QFETCH(int, number);
    QFETCH(QString, says);
    TempAppFolder app;
    fill(app);
    const QString roll = app.rollPath();
    QByteArray bytes = readAll(roll);
    constexpr int PageSize = 4096;
    QCOMPARE(app.scalar(QStringLiteral("PRAGMA page_size")).toInt(), PageSize);
    if (damage == QLatin1String("text")) {
        bytes = QByteArray("Harbour Club members, exported\nLane, Ann, 1 Quay\n").repeated(200);
    } else if (damage == QLatin1String("header")) {
        bytes.replace(0, 100, QByteArray(100, 'x'));
    } else if (damage == QLatin1String("half")) {
        bytes.truncate(bytes.size() / 2);
    } else if (damage == QLatin1String("flip")) {
        // The page-type byte of the members' table root: its pages no longer make a tree.
        const qsizetype at = qsizetype(rootPage(app, QStringLiteral("tblMembers")) - 1) * PageSize;
        bytes[at] = char(bytes[at] ^ 0xFF);
    } else if (damage == QLatin1String("empty")) {
        bytes.clear();
    } else if (damage == QLatin1String("foreign") || damage == QLatin1String("marked")) {
        foreignDatabase(roll, damage == QLatin1String("marked") ? 0x0F055112 : 0);
        bytes = readAll(roll);
    } else if (damage == QLatin1String("table")) {
        app.exec(QStringLiteral("DROP TABLE tblCanada;"));
        bytes = readAll(roll);
    } else if (damage == QLatin1String("column")) {
        app.exec(QStringLiteral("PRAGMA application_id = 0; ALTER TABLE tblMembers DROP Dues;"));
        bytes = readAll(roll);
    }
    writeAll(roll, bytes);
    const QByteArray before = Roll::fileHash(roll);

    MsgBoxRecorder boxes;
    EndRecorder ended;
    QVERIFY(!Main());

    QCOMPARE(boxes.shown().size(), 1);
    const MsgBoxRequest &box = boxes.shown().first();
    QVERIFY2(box.prompt.startsWith(QStringLiteral("ERROR #%1\n\n").arg(number)),
             qPrintable(box.prompt));
    QVERIFY(box.prompt.endsWith(QStringLiteral("\nProcedure: SubMain Load Procedure")));
    QVERIFY2(box.prompt.contains(says) && box.prompt.contains(QStringLiteral("from a backup")),
             qPrintable(box.prompt));
    QCOMPARE(box.style, Mb::Critical | Mb::OKOnly);
    QVERIFY(app.errorLog().contains(QStringLiteral("\nSubMain Load Procedure\n")));
    QVERIFY(!frmMain::instance() || !frmMain::instance()->isVisible());

    // Not a byte written, not even by a save tried afterwards.
    auto club = app.newClub();
    bool added = true;
    try {
        QStringList values(16, QStringLiteral("x"));
        values[0] = QStringLiteral("M-999");
        added = club->AddMember(values, 1);
    } catch (const Failure &) {
        added = false;
    }
    QVERIFY(!added);
    club.reset();
    QCOMPARE(Roll::fileHash(roll), before);
    QVERIFY(!QFile::exists(roll + QStringLiteral("-journal")));
}

// Seen: a save was killed and left its journal; the secretary then copied a backup over the
// roll. The next open played the journal's pages into the backup: indexes disagreeing with
// the table, yet the quick check said "ok". Refused, at every start, until the backup is
// copied again.
void tst_damaged::journalOfAnEarlierCopyRefused() {
    TempAppFolder app;
    fill(app);
    app.exec(QStringLiteral("UPDATE tblMembers SET Membership = 'Golf';"));
    const QString roll = app.rollPath();
    const QString backup = app.path() + QStringLiteral("/backup.qmr");
    QVERIFY(QFile::copy(roll, backup));
    // Changed after the backup, page for page in place: the pages differ, their shape not.
    app.exec(QStringLiteral("UPDATE tblMembers SET Membership = 'Pool' WHERE ID % 2 = 0;"));
    QProcess save;
    QByteArray out;
    QVERIFY2(
        startAndWaitFor(save, {QStringLiteral("notes"), app.path()}, QStringLiteral("HELD"), out),
        out.constData());
    killHard(save, out);
    QVERIFY(QFile::exists(roll + QStringLiteral("-journal")));
    QVERIFY(QFile::remove(roll) && QFile::copy(backup, roll));

    for (int start = 1; start <= 2; ++start) {
        MsgBoxRecorder boxes;
        EndRecorder ended;
        QVERIFY2(!Main(), qPrintable(QStringLiteral("start %1 went ahead").arg(start)));
        QCOMPARE(boxes.shown().size(), 1);
        const QString prompt = boxes.shown().first().prompt;
        QVERIFY2(prompt.startsWith(QStringLiteral("ERROR #11\n\n")), qPrintable(prompt));
        QVERIFY2(prompt.contains(QStringLiteral("club.qmr-journal")), qPrintable(prompt));
        cleanup();
    }
    QVERIFY(Roll::integrity(roll) != QStringLiteral("ok"));

    // Copied again as the advice says: the program starts.
    QVERIFY(QFile::remove(roll) && QFile::copy(backup, roll));
    MsgBoxRecorder boxes;
    QVERIFY(Main());
    QVERIFY(boxes.shown().isEmpty());
}

// A roll rebuilt with the sqlite3 shell's dump has its four tables but not the mark.
void tst_damaged::rollWithoutItsMarkAccepted() {
    TempAppFolder app;
    fill(app);
    app.exec(QStringLiteral("PRAGMA application_id = 0;"));
    MsgBoxRecorder boxes;
    QVERIFY(Main());
    QVERIFY(boxes.shown().isEmpty());
    QVERIFY(objClub->AddMember(sampleMember(QStringLiteral("M-401")), 25));
    QCOMPARE(app.scalar(QStringLiteral("PRAGMA application_id")).toInt(), RollApplicationId);
}

QTEST_MAIN(tst_damaged)
#include "tst_damaged.moc"
