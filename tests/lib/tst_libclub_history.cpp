// The roll's version, its migrations and the history of changes, against real rolls: what
// each operation leaves in the file, and what a refusal leaves (nothing).

#include "LibTestUtil.h"
#include "club/Roll.h"
#include "db/Connection.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// The four original tables, every row and column.
QStringList original(const QString &path, const QString &members = "1") {
    return rowsOf(path, "SELECT * FROM tblMembers WHERE " + members + " ORDER BY ID")
           + rowsOf(path, "SELECT * FROM tblMain ORDER BY ID")
           + rowsOf(path, "SELECT * FROM tblStates") + rowsOf(path, "SELECT * FROM tblCanada");
}

QStringList history(const QString &path) {
    return rowsOf(path, "SELECT Operation,MemberID,Changes FROM tblHistory ORDER BY HistoryID");
}

QStringList backups(const TempAppFolder &app) {
    return QDir(app.path() + "/backups").entryList(QDir::Files, QDir::Name);
}

// Members with every column filled, as a roll of today holds them.
const QString TodaysMembers = QStringLiteral(
    "INSERT INTO tblMembers (MemberID,LName,FName,MName,Address1,Address2,City,State,Zip,Phone1,"
    "Phone2,Phone3,Dues,Membership,DuesPaid,Email,Notes,AddDate,ModDate) VALUES "
    "('M-1','Ames','Ann','B','1 Quay','','Tarnwell','ME - Maine','04101','555-0101','','',25.5,"
    "'Regular','Annual','ann@example.org','O''Hara''s friend','2025-01-02 10:00:00',NULL),"
    "('M-2','Baker','Bo','','2 Quay','Flat 1','Tarnwell','ME - Maine','04101','','','',0,"
    "'Life','Paid','','','2025-02-03 11:00:00','2025-06-07 12:00:00');"
    "INSERT INTO tblMain (ClubID,ClubName,AddDate) VALUES ('C-1','Harbour Club',"
    "'2025-01-01 09:00:00');");
} // namespace

class tst_libclub_history : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("USER", "secretary");
    }

    // Today's roll, and one rebuilt by the sqlite3 shell (which drops the version and the
    // mark), are brought up to date at their first change after a backup; every row stays.
    void migration_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("today's roll") << 1;
        QTest::newRow("rebuilt without version or mark") << 0;
    }
    void migration() {
        QFETCH(int, version);
        TempAppFolder app;
        app.exec(TodaysMembers);
        if (version == 0)
            app.exec("PRAGMA user_version = 0; PRAGMA application_id = 0;");
        const QStringList before = original(app.rollPath());
        auto club = app.newClub();
        QCOMPARE(later(*club).RollVersion(), version); // reading brings nothing up to date
        QVERIFY(club->AddMember(newMember("M-3"), 1));
        QCOMPARE(later(*club).RollVersion(), RollSchemaVersion);
        QCOMPARE(original(app.rollPath(), "MemberID <> 'M-3'"), before);
        QCOMPARE(history(app.rollPath()).size(), 1);

        const QStringList made = backups(app);
        QCOMPARE(made.size(), 1);
        QVERIFY2(made[0].startsWith("club-") && made[0].endsWith("-before-migration.qmr"),
                 qPrintable(made[0]));
        const QString backup = app.path() + "/backups/" + made[0];
        QCOMPARE(original(backup), before);
        QCOMPARE(rowsOf(backup, "PRAGMA user_version"), QStringList{QString::number(version)});

        QVERIFY(club->AddMember(newMember("M-4"), 1));
        QCOMPARE(backups(app), made); // once
    }

    // Without its backup the roll is not migrated and the change that asked fails; the next
    // change tries again.
    void migrationWaitsForItsBackup() {
        TempAppFolder app;
        QFile blocker(app.path() + "/backups"); // a file where the folder belongs
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QByteArray file = fileHash(app.rollPath());
        auto club = app.newClub();
        QString why;
        QCOMPARE(failureNumber([&] { club->AddMember(newMember("M-1"), 1); }, &why), 75);
        QVERIFY2(why.contains("up to date") && why.contains("Nothing was saved"), qPrintable(why));
        QCOMPARE(fileHash(app.rollPath()), file);
        QVERIFY(QFile::remove(blocker.fileName()));
        QVERIFY(club->AddMember(newMember("M-1"), 1));
        QCOMPARE(later(*club).RollVersion(), RollSchemaVersion);
    }

    // A roll of a newer version is read, and not one byte of it is written: not the change,
    // not a migration, not the identifier guard, not the mark.
    void newerRollOnlyRead_data() {
        QTest::addColumn<QString>("op");
        for (const char *op : {"AddMember", "UpdateMember", "DeleteMember", "AddClubDetails",
                               "UpdateClubDetails", "RestoreMember", "EraseMember", "RestoreRoll",
                               "RecordPayment", "MarkPaidThrough", "DeletePayment", "SaveSetting"})
            QTest::newRow(op) << op;
    }
    void newerRollOnlyRead() {
        QFETCH(QString, op);
        TempAppFolder app;
        upToDate(app);
        app.exec(TodaysMembers
                 + "DROP INDEX idxMembersMemberID;"
                   "CREATE INDEX idxMembersMemberID ON tblMembers (MemberID);"
                   "INSERT INTO tblHistory (ChangedAt,UserName,Operation,MemberID,Changes) "
                   "VALUES ('x','y','delete','M-9','{}');"
                   "INSERT INTO tblPayments (MemberID,PeriodTo) VALUES ('M-1','2026-01-31');"
                   "PRAGMA application_id = 0; PRAGMA user_version = 99;");
        const QString other = app.path() + "/other.qmr";
        buildRoll(other);
        const QByteArray file = fileHash(app.rollPath());
        auto club = app.newClub();
        MsgBoxRecorder boxes;
        QCOMPARE(later(*club).RollVersion(), 99);
        QCOMPARE(club->LoadMembers()->recordCount(), 2);
        QString why;
        int number = 0;
        if (op == u"RestoreMember")
            number = failureNumber([&] { later(*club).RestoreMember(1); }, &why);
        else if (op == u"EraseMember")
            number = failureNumber([&] { later(*club).EraseMember("M-1"); }, &why);
        else if (op == u"RestoreRoll")
            number = failureNumber([&] { later(*club).RestoreRoll(other); }, &why);
        else if (op == u"RecordPayment")
            number = failureNumber(
                [&] {
                    later(*club).RecordPayment({"M-1", QDate(2026, 1, 5), 25, QDate(2026, 1, 1),
                                                QDate(2026, 12, 31), "cash"});
                },
                &why);
        else if (op == u"MarkPaidThrough")
            number = failureNumber(
                [&] { later(*club).MarkPaidThrough({"M-1"}, QDate(2026, 12, 31)); }, &why);
        else if (op == u"DeletePayment")
            number = failureNumber([&] { later(*club).DeletePayment(1); }, &why);
        else if (op == u"SaveSetting")
            number =
                failureNumber([&] { later(*club).SaveSetting("ReminderLetterText", "x"); }, &why);
        else if (const Outcome o = call(*club, op); o.threw)
            std::tie(number, why) = std::pair(o.number, o.description);
        else if (!o.yes) // reported in a message and the log (AddClubDetails: the log only)
            std::tie(number, why) = std::pair(
                op == u"AddClubDetails" || boxes.prompts().value(0).startsWith("ERROR # 8\n") ? 8
                                                                                              : -1,
                boxes.prompts().join(u'\n') + app.errorLog());
        QVERIFY2(number == 8, qPrintable(why));
        QVERIFY2(why.contains("saved by a newer version of Quillmere")
                     && why.contains("read-only: nothing was saved"),
                 qPrintable(why));
        QCOMPARE(fileHash(app.rollPath()), file);
        QVERIFY(backups(app).isEmpty());
    }

    // One history row per change, in its transaction: who, when, which operation and what
    // changed (old and new as stored); a deletion keeps the whole record; No keeps nothing.
    void historyRows_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("operation"); // empty: no row
        QTest::addColumn<QString>("memberId");
        QTest::addColumn<QString>("changes"); // each of these, and nothing else when exact
        QTest::addColumn<int>("columns");     // how many columns the row names
        QTest::newRow("add")
            << "add"
            << "add"
            << "M-2"
            << R"({"MemberID":[null,"M-2"],"LName":[null,"Baker"],"Dues":[null,12.5],
                  "Address2":[null,"Apt 2"],"AddDate":[null,"2026-07-01 08:05:00"]})"
            << 18;
        QTest::newRow("update") << "update"
                                << "update"
                                << "M-1"
                                << R"({"LName":["Smith","Jones"],"Dues":[25,30],
                                      "ModDate":[null,"2026-07-01 08:05:00"]})"
                                << 3;
        QTest::newRow("update changing nothing but the date")
            << "same"
            << "update"
            << "M-1"
            << R"({"ModDate":[null,"2026-07-01 08:05:00"]})" << 1;
        QTest::newRow("delete") << "delete"
                                << "delete"
                                << "M-1"
                                << R"({"ID":1,"MemberID":"M-1","LName":"Smith","Dues":25,
                                      "Notes":"Pays by cheque","AddDate":"2026-03-05 14:07:09",
                                      "ModDate":null})"
                                << 20;
        QTest::newRow("delete answered No") << "keep"
                                            << ""
                                            << ""
                                            << "{}" << 0;
        QTest::newRow("club add") << "club add"
                                  << "club add"
                                  << ""
                                  << R"({"ClubID":[null,"C-2"],"ClubName":[null,"Hill"]})" << 15;
        QTest::newRow("club update") << "club update"
                                     << "club update"
                                     << ""
                                     << R"({"ClubName":["Lakeside","Hill"]})" << 1;
        QTest::newRow("club saved unchanged") << "club same"
                                              << "club update"
                                              << ""
                                              << "{}" << 0;
    }
    void historyRows() {
        QFETCH(QString, op);
        QFETCH(QString, operation);
        QFETCH(QString, memberId);
        QFETCH(QString, changes);
        QFETCH(int, columns);
        TempAppFolder app;
        auto club = app.newClub();
        FixedClock clock(at("2026-03-05T14:07:09"));
        QVERIFY(club->AddMember(newMember("M-1"), 25));
        QVERIFY(club->AddClubDetails(clubDetails("C-1", "Lakeside")));
        const QStringList before = history(app.rollPath());
        const QDateTime when = at("2026-07-01T08:05:00");
        clock.set(when);
        MsgBoxRecorder boxes;
        QStringList edited = newMember("M-1").mid(1);
        if (op == u"add") {
            QVERIFY(club->AddMember(newMember("M-2", "Baker"), 12.5));
        } else if (op == u"update" || op == u"same") {
            if (op == u"update")
                edited[0] = "Jones";
            QVERIFY(club->UpdateMember(edited, "M-1", op == u"update" ? 30 : 25));
        } else if (op == u"delete" || op == u"keep") {
            boxes.answer({op == u"delete" ? int(Mb::Yes) : int(Mb::No)});
            QCOMPARE(club->DeleteMember("M-1"), op == u"delete");
        } else if (op == u"club add") {
            QVERIFY(club->AddClubDetails(clubDetails("C-2", "Hill")));
        } else {
            QVERIFY(club->UpdateClubDetails(
                clubDetails("C-1", op == u"club same" ? "Lakeside" : "Hill")));
        }
        const QStringList after = history(app.rollPath());
        QCOMPARE(after.mid(0, before.size()), before);
        QCOMPARE(after.size(), before.size() + (operation.isEmpty() ? 0 : 1));
        if (operation.isEmpty())
            return;
        const QStringList row =
            rowsOf(app.rollPath(), "SELECT ChangedAt,UserName,Operation,IFNULL(MemberID,'') "
                                   "FROM tblHistory ORDER BY HistoryID DESC LIMIT 1")[0]
                .split(u'|');
        QCOMPARE(QDateTime::fromString(row[0], Qt::ISODate), when);
        QVERIFY2(row[0].contains(QRegularExpression("T08:05:00([+-]\\d\\d:\\d\\d|Z)$")),
                 qPrintable(row[0]));
        QCOMPARE(row.mid(1), QStringList({"secretary", operation, memberId}));
        const QJsonObject stored =
            QJsonDocument::fromJson(
                app.scalar("SELECT Changes FROM tblHistory ORDER BY HistoryID DESC").toUtf8())
                .object();
        const QJsonObject expected = QJsonDocument::fromJson(changes.toUtf8()).object();
        QCOMPARE(stored.size(), columns);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(stored.value(it.key()) == it.value(), qPrintable(it.key()));
    }

    // A deleted member comes back whole under the old identifier, when it is free and the
    // deletion was neither answered nor erased since.
    void restoreMember_data() {
        QTest::addColumn<QString>("since");
        QTest::addColumn<int>("number"); // 0: restored
        QTest::newRow("identifier free") << "" << 0;
        QTest::newRow("identifier given again") << "add" << 3022;
        QTest::newRow("restored already") << "restore" << 3021;
        QTest::newRow("erased since") << "erase" << 3021;
    }
    void restoreMember() {
        QFETCH(QString, since);
        QFETCH(int, number);
        TempAppFolder app;
        auto club = app.newClub();
        MsgBoxRecorder boxes;
        QVERIFY(club->AddMember(newMember("M-1"), 25));
        QVERIFY(club->AddMember(newMember("M-2", "Baker"), 12.5));
        QVERIFY(club->UpdateMember(editedMember(), "M-2", 30));
        const QString columns = "MemberID,LName,FName,MName,Address1,Address2,City,State,Zip,"
                                "Phone1,Phone2,Phone3,Dues,Membership,DuesPaid,Email,Notes,"
                                "AddDate,ModDate";
        const QString m2 = "SELECT " + columns + " FROM tblMembers WHERE MemberID = 'M-2'";
        const QStringList record = rowsOf(app.rollPath(), m2);
        QVERIFY(club->DeleteMember("M-2"));
        const qint64 deletion = app.scalar("SELECT MAX(HistoryID) FROM tblHistory").toLongLong();
        QCOMPARE(firstColumn(later(*club).DeletedMembers()),
                 QStringList{QString::number(deletion)});
        if (since == u"add")
            QVERIFY(club->AddMember(newMember("M-2", "Newcomer"), 1));
        else if (since == u"restore")
            QVERIFY(later(*club).RestoreMember(deletion));
        else if (since == u"erase")
            QVERIFY(later(*club).EraseMember("M-2"));
        const QStringList members = original(app.rollPath()), changes = history(app.rollPath());

        QCOMPARE(failureNumber([&] { later(*club).RestoreMember(deletion); }), number);
        if (number != 0) {
            QCOMPARE(original(app.rollPath()), members);
            QCOMPARE(history(app.rollPath()), changes);
            return;
        }
        QCOMPARE(rowsOf(app.rollPath(), m2), record);
        QVERIFY(history(app.rollPath()).last().startsWith("restore|M-2|{"));
        QVERIFY(later(*club).DeletedMembers()->isEmpty());
        QCOMPARE(later(*club).MemberHistory("M-2")->recordCount(), 4);
    }

    // Erasing leaves no personal value of the member anywhere in the file: the record is gone,
    // its history keeps when and which operation, and an erase row says it was done.
    void eraseMember_data() {
        QTest::addColumn<bool>("deletedFirst");
        QTest::addColumn<QString>("id");
        QTest::newRow("on the roll") << false << "M-1";
        QTest::newRow("deleted before") << true << "M-1";
        QTest::newRow("never known") << false << "M-77";
    }
    void eraseMember() {
        QFETCH(bool, deletedFirst);
        QFETCH(QString, id);
        TempAppFolder app;
        auto club = app.newClub();
        MsgBoxRecorder boxes;
        QStringList values = newMember("M-1", "Zebedee");
        values.last() = "Allergic to wasps";
        QVERIFY(club->AddMember(values, 25));
        values.last() = "Allergic to hornets";
        QVERIFY(club->UpdateMember(values.mid(1), "M-1", 25));
        if (deletedFirst)
            QVERIFY(club->DeleteMember("M-1"));
        QVERIFY(club->AddMember(newMember("M-2", "Other"), 1));
        const QStringList members = original(app.rollPath()), changes = history(app.rollPath());
        const QString added = app.scalar("SELECT Changes FROM tblHistory WHERE MemberID = 'M-1'");

        if (id != u"M-1") {
            QCOMPARE(failureNumber([&] { later(*club).EraseMember(id); }), 3021);
            QCOMPARE(original(app.rollPath()), members);
            QCOMPARE(history(app.rollPath()), changes);
            return;
        }
        QVERIFY(later(*club).EraseMember(id));
        QCOMPARE(app.column("SELECT MemberID FROM tblMembers"), QStringList{"M-2"});
        const RecordsetPtr rows = later(*club).MemberHistory("M-1");
        QCOMPARE(rows->recordCount(), deletedFirst ? 4 : 3);
        QCOMPARE(rows->value(rows->recordCount() - 1, 3).toString(), "erase");
        QCOMPARE(rows->value(rows->recordCount() - 1, 5).toString(), "{}");
        const QJsonObject first =
            QJsonDocument::fromJson(rows->value(0, 5).toString().toUtf8()).object();
        QCOMPARE(first.value("AddDate"),
                 QJsonDocument::fromJson(added.toUtf8()).object().value("AddDate"));
        QCOMPARE(first.value("LName"), QJsonValue(QJsonArray{QJsonValue(), "(erased)"}));
        QVERIFY(later(*club).DeletedMembers()->isEmpty());
        QCOMPARE(history(app.rollPath()).filter("|M-2|"), changes.filter("|M-2|"));
        QFile file(app.rollPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const char *personal : {"Zebedee", "wasps", "hornets"})
            QVERIFY2(!bytes.contains(personal), personal);
    }

    // A backup replaces the roll only when it is a sound roll this version can take; the
    // current roll is backed up first, and an older backup is brought up to date.
    void restoreRoll_data() {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<int>("number"); // 0: restored
        QTest::newRow("older roll") << "v1" << 0;
        QTest::newRow("roll of this version") << "v2" << 0;
        QTest::newRow("text file") << "text" << 26;
        QTest::newRow("another program's database") << "foreign" << 26;
        QTest::newRow("cut in half") << "half" << 11;
        QTest::newRow("index disagreeing with its table") << "index" << 11;
        QTest::newRow("newer version") << "v99" << 26;
        QTest::newRow("copied during a save, with its journal") << "journal" << 8;
        QTest::newRow("missing") << "missing" << 53;
        QTest::newRow("the roll itself") << "itself" << 5;
    }
    void restoreRoll() {
        QFETCH(QString, offered);
        QFETCH(int, number);
        TempAppFolder app;
        auto club = app.newClub();
        QVERIFY(club->AddMember(newMember("M-1", "Current"), 25));
        const QString path = offered == u"itself" ? app.rollPath() : app.path() + "/offered.qmr";
        if (offered == u"text") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a roll\n") > 0);
        } else if (offered == u"foreign") {
            createDatabaseFromScript(path, "CREATE TABLE t (x); INSERT INTO t VALUES (1);");
        } else if (offered != u"missing" && offered != u"itself") {
            buildRoll(path);
            Connection c;
            c.setConnectionString("Data Source=" + path + ";");
            c.open();
            c.executeScript(TodaysMembers);
            if (offered == u"v2")
                for (const RollMigration &m : RollMigrations)
                    c.executeScript(QString::fromUtf8(m.sql)
                                    + ";PRAGMA user_version = " + QString::number(m.version));
            if (offered == u"v99")
                c.executeScript("PRAGMA user_version = 99");
            if (offered == u"index") // seen only by the full check, not by the open's own
                c.executeScript("PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = "
                                "'CREATE INDEX idxMembersMembership ON tblMembers (LName)' "
                                "WHERE name = 'idxMembersMembership'");
            if (offered == u"journal") { // copied while a save was under way
                c.executeScript("PRAGMA cache_size = 1; BEGIN; UPDATE tblStates SET StateFull = "
                                "printf('%.4000c', 'x')");
                for (const QString end : {"", "-journal"})
                    QVERIFY(QFile::copy(path + end, path + ".copy" + end));
                c.executeScript("ROLLBACK");
            }
            c.close();
            if (offered == u"journal")
                QVERIFY(QFile::remove(path) && QFile::rename(path + ".copy", path)
                        && QFile::rename(path + ".copy-journal", path + "-journal"));
            if (offered == u"half") {
                QFile f(path);
                QVERIFY(f.resize(f.size() / 2));
            }
        }
        const QByteArray file = fileHash(app.rollPath());
        const QStringList made = backups(app);
        QString why;
        QCOMPARE(failureNumber([&] { later(*club).RestoreRoll(path); }, &why), number);
        if (number != 0) {
            QVERIFY2(why.contains("Nothing was restored"), qPrintable(why));
            QCOMPARE(fileHash(app.rollPath()), file);
            QCOMPARE(backups(app), made);
            return;
        }
        QCOMPARE(app.column("PRAGMA integrity_check"), QStringList{"ok"});
        QCOMPARE(app.column("SELECT MemberID FROM tblMembers ORDER BY ID"),
                 QStringList({"M-1", "M-2"}));
        QCOMPARE(app.column("SELECT ClubName FROM tblMain"), QStringList{"Harbour Club"});
        QCOMPARE(later(*club).RollVersion(), RollSchemaVersion);
        const QStringList before = backups(app).filter("-before-restore.qmr");
        QCOMPARE(before.size(), 1);
        QCOMPARE(rowsOf(app.path() + "/backups/" + before[0], "SELECT LName FROM tblMembers"),
                 QStringList{"Current"});
        QVERIFY(club->AddMember(newMember("M-3"), 1));
        QCOMPARE(history(app.rollPath()).size(), 1);
    }
};

QTEST_MAIN(tst_libclub_history)
#include "tst_libclub_history.moc"
