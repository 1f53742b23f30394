// The library's shared machinery: Clean, the error log, a failed set-up and the three ways
// operations deal with failures.

#include "LibTestUtil.h"
#include "club/RecordSlots.h"
#include "db/Connection.h"

#include <QDir>
#include <QLocale>

namespace {
const QString Rule51 = u'%' + QString(51, u'-') + u'%';
const QString Rule33 = u'%' + QString(33, u'-') + u'%';
const QString SpaceLine = u'%' + QString(51, u' ') + u'%';
const QString SetUpMessage =
    QStringLiteral("The database cannot be found!  If the database has been \n"
                   "moved it must be relocated back to the original folder! ");
} // namespace

class tst_libclub_core : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void Clean_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("two apostrophes") << "O'Neil's"
                                         << "O''Neil''s";
        QTest::newRow("blanks around") << "  a'b  "
                                       << "a''b";
        QTest::newRow("plain trimmed") << "  plain text  "
                                       << "plain text";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("lone apostrophe") << "'"
                                         << "''";
        QTest::newRow("pair stays a pair of pairs") << "''"
                                                    << "''''";
        QTest::newRow("apostrophes at both ends") << "'x'"
                                                  << "''x''";
        QTest::newRow("NUL removed") << QString::fromUtf16(u"a\0b", 3) << "ab";
        QTest::newRow("NULs around an apostrophe") << QString::fromUtf16(u"\0'\0'\0", 5) << "''''";
        // The NUL goes before the blanks are trimmed, so blanks behind it go too.
        QTest::newRow("NUL between blanks") << QString::fromUtf16(u" \0 x' \0 ", 8) << "x''";
        QTest::newRow("only blanks trimmed, tabs kept") << "\t a \t"
                                                        << "\t a \t";
        QTest::newRow("inner blanks kept") << " St. Mary's  Club "
                                           << "St. Mary''s  Club";
    }
    void Clean() {
        QFETCH(QString, in);
        QFETCH(QString, out);
        TempAppFolder app;
        auto club = app.newClub();
        QCOMPARE(club->Clean(in), out);
    }

    // Each writer's entries, byte for byte: the first creates the file with its banner, the
    // next one appends with the A lines.
    void errorLog_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("indent");
        QTest::addColumn<bool>("infoLine");
        QTest::addColumn<QString>("closing");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message"); // empty: no message

        // The operations' failures come from a roll that refuses every change.
        const QString refused = QStringLiteral("refused");
        QTest::newRow("set-up") << "set-up"
                                << "Initialize Database Connection" << 14 << true << Rule33 << "75"
                                << "Path/File access error" << SetUpMessage;
        QTest::newRow("AddClubDetails")
            << "AddClubDetails"
            << "AddClubDetails - DLL Function" << 14 << false << Rule51 << "19" << refused << "";
        const QString failure =
            QStringLiteral("ERROR # 19\n\nrefused\nIn the Dynamic Link Library\nFunction: ");
        QTest::newRow("UpdateClubDetails")
            << "UpdateClubDetails"
            << "UpdateClubDetails - DLL Function" << 13 << false << Rule51 << "19" << refused
            << failure + "UpdateClubDetails";
        QTest::newRow("UpdateMember") << "UpdateMember"
                                      << "Update Member - DLL Function" << 13 << false << Rule51
                                      << "19" << refused << failure + "UpdateMember";
    }
    void errorLog() {
        QFETCH(QString, writer);
        QFETCH(QString, label);
        QFETCH(int, indent);
        QFETCH(bool, infoLine);
        QFETCH(QString, closing);
        QFETCH(QString, number);
        QFETCH(QString, description);
        QFETCH(QString, message);

        TempAppFolder app;
        app.exec("INSERT INTO tblMembers (MemberID) VALUES ('M-1');"
                 "INSERT INTO tblMain (ClubID) VALUES ('C-1');");
        for (const char *change :
             {"INSERT ON tblMain", "UPDATE ON tblMain", "UPDATE ON tblMembers"})
            app.exec(QStringLiteral("CREATE TRIGGER \"%1\" BEFORE %1 BEGIN SELECT RAISE(ABORT, "
                                    "'refused'); END;")
                         .arg(QLatin1String(change)));
        MsgBoxRecorder boxes;
        FixedClock clock(at("2026-03-05T14:07:09"));
        auto fail = [&] {
            if (writer == u"set-up") {
                delete createFromPlugin(QString());
                return;
            }
            auto club = app.newClub();
            const Outcome o = call(*club, writer);
            QVERIFY(!o.threw);
            QVERIFY(!o.yes);
        };

        fail();
        const QString first = Rule51 + u'\n' + QString(indent, u' ') + "Quillmere - Error Log\n"
                              + Rule51 + u'\n' + SpaceLine + u'\n'
                              + "3/5/26        2:07:09 PM     Error: " + number + u'\n' + label
                              + u'\n' + Rule51 + u'\n' + description + u'\n' + closing + u'\n';
        QCOMPARE(app.errorLog(), first);

        clock.set(at("2026-11-28T09:30:05"));
        fail();
        const QString second = SpaceLine + u'\n'
                               + (infoLine ? QStringLiteral("% Error Information %\n") : QString())
                               + "11/28/26      9:30:05 AM    Error: " + number + u'\n' + label
                               + u'\n' + Rule51 + u'\n' + description + u'\n' + closing + u'\n';
        QCOMPARE(app.errorLog(), first + second);

        if (message.isEmpty()) {
            QVERIFY(boxes.shown().isEmpty());
        } else {
            QCOMPARE(boxes.shown().size(), 2);
            for (const MsgBoxRequest &r : boxes.shown()) {
                QCOMPARE(r.prompt, message);
                QCOMPARE(r.title, QStringLiteral("Club"));
                QCOMPARE(r.style, Mb::Critical | Mb::OKOnly);
            }
        }
    }

    // A log that cannot be written is a failure inside the failure path: it reaches the
    // caller, and the message that would have followed is not shown.
    void unwritableLogPassesOn() {
        TempAppFolder app;                          // UpdateMember fails: no member M-1
        QVERIFY(QDir().mkpath(app.errorLogPath())); // a folder where the file should be
        MsgBoxRecorder boxes;
        auto club = app.newClub();
        const Outcome o = call(*club, QStringLiteral("UpdateMember"));
        QVERIFY(o.threw);
        QCOMPARE(o.number, ErrNo::PathFileAccess);
        QVERIFY(boxes.shown().isEmpty());
    }

    void setUpFailure() {
        TempAppFolder app;
        MsgBoxRecorder boxes;
        std::unique_ptr<QObject> o(createFromPlugin(app.path() + QStringLiteral("/no-such")));
        auto *club = qobject_cast<_libClub *>(o.get());
        QVERIFY(club);
        QVERIFY(!club->conDataBase());
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown()[0].prompt, SetUpMessage);
        QCOMPARE(boxes.shown()[0].title, QStringLiteral("Club"));
        QCOMPARE(boxes.shown()[0].style, Mb::Critical | Mb::OKOnly);
        QVERIFY(app.errorLog().contains(QStringLiteral("Initialize Database Connection\n")));
        // The object is still there; its own text work goes on.
        QCOMPARE(club->Clean(QStringLiteral(" O'Neil ")), QStringLiteral("O''Neil"));
    }

    // After a failed set-up every operation fails: the ones that pass failures on, and the
    // reported ones whose roll-back step fails, throw 91 without log or message; the quiet
    // ones return no result set.
    void operationsAfterFailedSetUp_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("throws");
        for (const char *op :
             {"AddMember", "UpdateMember", "DeleteMember", "AddClubDetails", "UpdateClubDetails",
              "GetNewMemberID", "GetNewClubID", "LoadClub", "LoadEditClub"})
            QTest::newRow(op) << op << true;
        for (const char *op :
             {"LoadStates", "LoadCanada", "LoadMembers", "RefreshMembers", "RefreshRegularMembers",
              "RefreshFamilyMembers", "RefreshClub", "RefreshJuniorMembers", "RefreshLifeMembers",
              "RefreshSportsMembers", "RefreshPoolMembers", "RefreshSeniorMembers"})
            QTest::newRow(op) << op << false;
    }
    void operationsAfterFailedSetUp() {
        QFETCH(QString, op);
        QFETCH(bool, throws);
        TempAppFolder app;
        MsgBoxRecorder boxes;
        std::unique_ptr<QObject> o(createFromPlugin(QString()));
        auto *club = qobject_cast<_libClub *>(o.get());
        const QString logAfterSetUp = app.errorLog();
        boxes.clear();

        const Outcome r = call(*club, op);
        QCOMPARE(r.threw, throws);
        if (throws)
            QCOMPARE(r.number, ErrNo::ObjectNotSet);
        QVERIFY(!r.yes);
        QVERIFY(!r.rs);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(app.errorLog(), logAfterSetUp);
    }

    // A missing roll: the operations that pass failures on pass the engine's "cannot open";
    // the reported ones pass the failure of rolling back a connection that never opened,
    // without a log entry or a message; the quiet ones return no result set. The file is
    // never created.
    void missingRoll_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("number"); // 0: nothing thrown
        for (const char *op : {"AddMember", "DeleteMember", "LoadClub", "LoadEditClub"})
            QTest::newRow(op) << op << 14;
        for (const char *op : {"UpdateMember", "UpdateClubDetails", "AddClubDetails",
                               "GetNewMemberID", "GetNewClubID"})
            QTest::newRow(op) << op << 3704;
        for (const char *op :
             {"LoadStates", "LoadCanada", "LoadMembers", "RefreshMembers", "RefreshRegularMembers",
              "RefreshFamilyMembers", "RefreshClub", "RefreshJuniorMembers", "RefreshLifeMembers",
              "RefreshSportsMembers", "RefreshPoolMembers", "RefreshSeniorMembers"})
            QTest::newRow(op) << op << 0;
    }
    void missingRoll() {
        QFETCH(QString, op);
        QFETCH(int, number);
        TempAppFolder app(false);
        MsgBoxRecorder boxes;
        auto club = app.newClub(); // creating the object does not look for the file
        QVERIFY(club->conDataBase());

        const Outcome r = call(*club, op);
        QCOMPARE(r.threw, number != 0);
        QCOMPARE(r.number, number);
        QVERIFY(!r.yes);
        QVERIFY(!r.rs);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(app.errorLog(), QString());
        QVERIFY(!QFile::exists(app.rollPath()));
        QVERIFY(!club->conDataBase()->isOpen());
    }

    // A passed-on failure rolls back and closes before it reaches the caller; the object goes
    // on working.
    void passedOnRecovery() {
        TempAppFolder app;
        auto club = app.newClub();
        QStringList bad = newMember(QStringLiteral("M-1"), QStringLiteral("Bad"));
        bad[addMemberSlot(MemberSlot::State)] = QStringLiteral("O'X - Nowhere");
        const Outcome first = call(*club, QStringLiteral("AddMember"));
        QVERIFY(!first.threw);
        bool threw = false;
        try {
            club->AddMember(bad, 10);
        } catch (const Failure &f) {
            threw = true;
            QCOMPARE(f.number(), 1); // the engine's syntax error
        }
        QVERIFY(threw);
        QVERIFY(!club->conDataBase()->isOpen());

        QVERIFY(club->AddMember(newMember(QStringLiteral("M-2"), QStringLiteral("Good")), 10));
        QVERIFY(!club->conDataBase()->isOpen());
        QCOMPARE(app.column(QStringLiteral("SELECT LName FROM tblMembers ORDER BY ID")),
                 QStringList({"Smith", "Good"}));
    }

    // A passed-on failure after the change began leaves the roll free at once for other
    // readers and writers (not only when the object is released), and nothing of the change.
    void passedOnFailureFreesTheRoll_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("AddMember of an identifier in use") << "in use";
        QTest::newRow("AddMember whose commit waited for a reader") << "reader";
        QTest::newRow("DeleteMember whose question failed") << "question";
    }
    void passedOnFailureFreesTheRoll() {
        QFETCH(QString, how);
        TempAppFolder app;
        auto club = app.newClub();
        QVERIFY(club->AddMember(newMember(QStringLiteral("M-1")), 25));
        Connection outside;
        outside.setConnectionString("Data Source=" + app.rollPath() + ';');
        MsgBoxRecorder boxes;
        if (how == u"reader") {
            outside.open();
            outside.beginTrans();
            outside.execute(QStringLiteral("SELECT COUNT(*) FROM tblMembers;"));
        } else if (how == u"question") {
            boxes.onShow([](const MsgBoxRequest &) { throw Failure(ErrNo::Unexpected, "gone"); });
        }
        QVERIFY_THROWS_EXCEPTION(
            Failure, how == u"question"
                         ? club->DeleteMember(QStringLiteral("M-1"))
                         : club->AddMember(newMember(how == u"reader" ? QStringLiteral("M-2")
                                                                      : QStringLiteral("M-1")),
                                           25));
        QVERIFY(!club->conDataBase()->isOpen());
        if (outside.isOpen()) {
            outside.commitTrans();
            outside.close();
        }
        outside.open(); // a reader that would wait in vain while the roll stayed locked
        outside.beginTrans();
        outside.execute(QStringLiteral("INSERT INTO tblMembers (MemberID) VALUES ('M-9');"));
        outside.commitTrans();
        outside.close();
        QCOMPARE(app.column(QStringLiteral("SELECT MemberID FROM tblMembers ORDER BY ID")),
                 QStringList({"M-1", "M-9"}));
    }

    void connectionString() {
        TempAppFolder app;
        auto club = app.newClub();
        const QString expected = "Provider=SQLite3;User ID=;Data Source=" + app.path()
                                 + "/club/club.qmr;Persist Security Info=False;";
        QCOMPARE(club->strConnect(), expected);
        QCOMPARE(club->conDataBase()->connectionString(), expected);
        QCOMPARE(club->conDataBase()->cursorLocation(), CursorLocation::Client);
        // The connection keeps the string it was given at creation.
        club->setStrConnect(QStringLiteral("Data Source=/nowhere/x.qmr;"));
        QVERIFY(club->LoadStates());
    }
};

QTEST_MAIN(tst_libclub_core)
#include "tst_libclub_core.moc"
