#include "TestSupport.h"
#include "club/Roll.h"
#include "db/Connection.h"
#include "system/System.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTest>

namespace {
QString sourceFor(const QString &path) {
    return QStringLiteral("Provider=SQLite3;User ID=;Data Source=%1;Persist Security Info=False;")
        .arg(path);
}

QByteArray digest(const QString &path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

int failureNumber(const std::function<void()> &f) {
    try {
        f();
    } catch (const DbError &e) {
        return e.number();
    } catch (const Failure &e) {
        return -e.number();
    }
    return 0;
}
} // namespace

class tst_Connection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingFileIsNeverCreated_data();
    void missingFileIsNeverCreated();
    void foreignFileRefusedUnchanged_data();
    void foreignFileRefusedUnchanged();
    void profileDecidesWhatIsTaken_data();
    void profileDecidesWhatIsTaken();
    void soundForOneProfileIsCheckedForAnother();
    void oneStatementPerText_data();
    void oneStatementPerText();
    void durableSettingsOnEveryOpen();
    void rollbackAfterEngineRolledBack();
    void readerNotBlockedByPendingDelete();
    void relativeSourceIgnoresLetterCase();
    void folderOfAnyName_data();
    void folderOfAnyName();
    void recordsetPositions();
};

void tst_Connection::missingFileIsNeverCreated_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("file") << QStringLiteral("club/absent.qmr");
    QTest::newRow("folder") << QStringLiteral("nowhere/club.qmr");
}

void tst_Connection::missingFileIsNeverCreated() {
    QFETCH(QString, relative);
    TempAppFolder app(false);
    const QString path = app.path() + u'/' + relative;
    Connection con;
    con.setConnectionString(sourceFor(path));
    QVERIFY(failureNumber([&] { con.open(); }) > 0);
    QVERIFY(!con.isOpen());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(con.errors().size(), 1);
}

void tst_Connection::foreignFileRefusedUnchanged_data() {
    QTest::addColumn<QByteArray>("setup");
    QTest::newRow("another program's database")
        << QByteArray("CREATE TABLE t(x); INSERT INTO t VALUES(1);");
    QTest::newRow("empty database") << QByteArray();
    QTest::newRow("text file") << QByteArray("text");
}

void tst_Connection::foreignFileRefusedUnchanged() {
    QFETCH(QByteArray, setup);
    TempAppFolder app(false);
    const QString path = app.rollPath();
    if (setup == "text") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Members\nO'Neil, Ann\n");
    } else {
        createDatabaseFromScript(path, QString::fromUtf8(setup));
    }
    const QByteArray before = digest(path);
    Connection con;
    con.setConnectionString(sourceFor(path));
    con.setProfile(rollProfile());
    QVERIFY(failureNumber([&] { con.open(); }) > 0);
    QVERIFY(!con.isOpen());
    QCOMPARE(digest(path), before);
}

// The connection itself takes any database and marks none; the caller's profile refuses and
// marks.
void tst_Connection::profileDecidesWhatIsTaken_data() {
    QTest::addColumn<bool>("roll");        // a roll's tables, or another program's
    QTest::addColumn<int>("mark");         // the file's application id
    QTest::addColumn<bool>("rollProfile"); // the connection is given the roll's profile
    QTest::addColumn<int>("refusal");      // 0: opened
    QTest::addColumn<int>("markAfter");
    constexpr int Foreign = 0x0F055112;
    QTest::newRow("no profile, unmarked") << false << 0 << false << 0 << 0;
    QTest::newRow("no profile, foreign mark") << false << Foreign << false << 0 << Foreign;
    QTest::newRow("roll profile, unmarked foreign") << false << 0 << true << 26 << 0;
    QTest::newRow("roll profile, foreign mark") << false << Foreign << true << 26 << Foreign;
    QTest::newRow("roll profile, unmarked roll") << true << 0 << true << 0 << RollApplicationId;
}

void tst_Connection::profileDecidesWhatIsTaken() {
    QFETCH(bool, roll);
    QFETCH(int, mark);
    QFETCH(bool, rollProfile);
    QFETCH(int, refusal);
    QFETCH(int, markAfter);
    TempAppFolder app(roll);
    if (!roll)
        createDatabaseFromScript(
            app.rollPath(),
            QStringLiteral("CREATE TABLE t(x); PRAGMA application_id = %1;").arg(mark));
    else
        app.exec(QStringLiteral("PRAGMA application_id = %1;").arg(mark));
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    if (rollProfile)
        con.setProfile(::rollProfile());
    QCOMPARE(failureNumber([&] { con.open(); }), refusal);
    if (con.isOpen())
        con.close();
    Connection look;
    look.setConnectionString(sourceFor(app.rollPath()));
    look.open();
    QCOMPARE(look.execute(QStringLiteral("PRAGMA application_id"))->value(0, 0).toInt(), markAfter);
}

// A marked roll is checked in full only at its first open in a process: a first open by a
// connection that takes any database must not spare the roll's own check.
void tst_Connection::soundForOneProfileIsCheckedForAnother() {
    TempAppFolder app;
    app.exec(QStringLiteral("DROP TABLE tblCanada;"));
    Connection any;
    any.setConnectionString(sourceFor(app.rollPath()));
    any.open();
    any.close();
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    con.setProfile(rollProfile());
    QCOMPARE(failureNumber([&] { con.open(); }), 11);
}

void tst_Connection::oneStatementPerText_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("with semicolon") << QStringLiteral("SELECT State FROM tblStates;") << true;
    QTest::newRow("without") << QStringLiteral("SELECT State FROM tblStates") << true;
    QTest::newRow("trailing blanks") << QStringLiteral("SELECT State FROM tblStates;  \n") << true;
    QTest::newRow("second statement")
        << QStringLiteral("SELECT State FROM tblStates; DELETE FROM tblStates;") << false;
    QTest::newRow("after NUL") << (QStringLiteral("SELECT State FROM tblStates") + QChar(0)
                                   + QStringLiteral("; DELETE FROM tblStates"))
                               << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_Connection::oneStatementPerText() {
    QFETCH(QString, sql);
    QFETCH(bool, accepted);
    TempAppFolder app;
    const int states = app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblStates")).toInt();
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    con.open();
    RecordsetPtr rs;
    const int n = failureNumber([&] { rs = con.execute(sql); });
    QCOMPARE(n == 0, accepted);
    if (accepted)
        QCOMPARE(rs->recordCount(), states);
    con.close();
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblStates")).toInt(), states);
}

void tst_Connection::durableSettingsOnEveryOpen() {
    TempAppFolder app;
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    for (int round = 0; round < 2; ++round) {
        con.open();
        QCOMPARE(con.execute(QStringLiteral("PRAGMA synchronous"))->value(0, 0).toInt(), 2);
        // The roll stays one file: no write-ahead log beside it.
        QCOMPARE(con.execute(QStringLiteral("PRAGMA journal_mode"))->value(0, 0).toString(),
                 QStringLiteral("delete"));
        QVERIFY(con.execute(QStringLiteral("PRAGMA busy_timeout"))->value(0, 0).toInt() >= 2000);
        con.close();
    }
}

void tst_Connection::rollbackAfterEngineRolledBack() {
    TempAppFolder app;
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    con.open();
    con.beginTrans();
    con.execute(QStringLiteral("INSERT INTO tblMembers (MemberID) VALUES ('M-1');"));
    // What the engine does by itself on a full disk: the transaction is gone already.
    con.execute(QStringLiteral("ROLLBACK"));
    QVERIFY(!con.inTransaction());
    con.rollbackTrans();
    con.close();
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("0"));
}

void tst_Connection::readerNotBlockedByPendingDelete() {
    TempAppFolder app;
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID, LName) VALUES ('M-1', 'Ames');"));
    Connection writer, reader;
    writer.setConnectionString(sourceFor(app.rollPath()));
    reader.setConnectionString(sourceFor(app.rollPath()));
    writer.open();
    writer.beginTrans();
    writer.execute(QStringLiteral("DELETE FROM tblMembers WHERE MemberID = 'M-1';"));
    reader.open();
    QElapsedTimer t;
    t.start();
    const RecordsetPtr rs = reader.execute(QStringLiteral("SELECT MemberID FROM tblMembers;"));
    QVERIFY2(t.elapsed() < 1000, "the reader waited for the writer");
    QCOMPARE(rs->recordCount(), 1);
    reader.close();
    writer.commitTrans();
    writer.close();
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("0"));
}

void tst_Connection::relativeSourceIgnoresLetterCase() {
    TempAppFolder app;
    const QString before = QDir::currentPath();
    QDir::setCurrent(app.path());
    Connection con;
    con.setConnectionString(QStringLiteral("Data Source=CLub\\CLUB.qmr;"));
    QCOMPARE(con.dataSource(), app.rollPath());
    con.open();
    QVERIFY(con.isOpen());
    con.close();
    QDir::setCurrent(before);
}

void tst_Connection::folderOfAnyName_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("semicolon") << "Club; Roll";
    QTest::newRow("equals sign") << "a=b;c=d";
    QTest::newRow("double quotes") << "The \"Harbour\" Club";
    QTest::newRow("apostrophes") << "O'Neil's club";
    QTest::newRow("both quotes") << "O'Neil's \"club\"; ''\"\"";
    QTest::newRow("outer blanks") << "  club  ";
    QTest::newRow("non-ASCII letters") << QStringLiteral("Ñúñez Åström 俱乐部");
}

// The real plugin in an application folder of that name adds, changes and reads a member.
void tst_Connection::folderOfAnyName() {
    QFETCH(QString, name);
    TempAppFolder base;
    const QString folder = base.path() + u'/' + name;
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/club")));
    QVERIFY(QFile::copy(base.rollPath(), folder + QStringLiteral("/club/club.qmr")));
    for (const QString &file : QDir(builtAppFolder()).entryList(QDir::Files))
        if (QLibrary::isLibrary(file))
            QVERIFY(QFile::link(builtAppFolder() + u'/' + file, folder + u'/' + file));
    setAppFolder(folder);
    auto club = base.newClub();
    QCOMPARE(club->conDataBase()->dataSource(), folder + QStringLiteral("/club/club.qmr"));
    QStringList member(16);
    member[0] = QStringLiteral("M-1");
    member[1] = QStringLiteral("Lane");
    QVERIFY(club->AddMember(member, 25));
    member[1] = QStringLiteral("Ames");
    QVERIFY(club->UpdateMember(member.mid(1), QStringLiteral("M-1"), 30));
    const RecordsetPtr rs = club->LoadMembers();
    QVERIFY(rs && rs->recordCount() == 1);
    QCOMPARE(rs->field(QStringLiteral("LName")).toString(), QStringLiteral("Ames"));
}

void tst_Connection::recordsetPositions() {
    TempAppFolder app;
    Connection con;
    con.setConnectionString(sourceFor(app.rollPath()));
    con.open();
    const RecordsetPtr empty = con.execute(QStringLiteral("SELECT MemberID FROM tblMembers;"));
    const RecordsetPtr max =
        con.execute(QStringLiteral("SELECT MAX(ID) AS [NewMemberID] FROM tblMembers"));
    const RecordsetPtr two =
        con.execute(QStringLiteral("SELECT State FROM tblCanada ORDER BY State LIMIT 2;"));
    con.close();

    QVERIFY(empty->isEmpty());
    QCOMPARE(failureNumber([&] { empty->field(QStringLiteral("MemberID")); }),
             -ErrNo::NoCurrentRow);

    QVERIFY(!max->isEmpty());
    QVERIFY(!max->field(QStringLiteral("newmemberid")).isValid()); // null, read after close

    QCOMPARE(two->field(QStringLiteral("State")).toString(), QStringLiteral("AB"));
    two->moveNext();
    QCOMPARE(two->field(QStringLiteral("State")).toString(), QStringLiteral("BC"));
    two->moveNext();
    QVERIFY(two->eof() && !two->bof());
    QCOMPARE(failureNumber([&] { two->moveNext(); }), -ErrNo::NoCurrentRow);
    two->moveFirst();
    QCOMPARE(two->field(QStringLiteral("State")).toString(), QStringLiteral("AB"));
    QVERIFY(failureNumber([&] { two->field(QStringLiteral("Nope")); }) < 0);
    two->close();
    QVERIFY(failureNumber([&] { two->eof(); }) < 0);
}

QTEST_GUILESS_MAIN(tst_Connection)
#include "tst_connection.moc"
