// An import against real rolls: stored as the entry and edit forms store, all or nothing, and
// undone from its own backup.

#include "LibTestUtil.h"
#include "club/NextIdentifier.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {
// Every row of the tables an import touches.
QStringList dump(const QString &path) {
    return rowsOf(path, "SELECT * FROM tblMembers ORDER BY ID")
           + rowsOf(path, "SELECT * FROM tblMain")
           + rowsOf(path, "SELECT * FROM tblHistory ORDER BY HistoryID");
}

QStringList backups(const TempAppFolder &app, const QString &reason) {
    return QDir(app.path() + "/backups").entryList({"*-" + reason + ".qmr"}, QDir::Files);
}

// M-1 and M-2 as the forms saved them, M-4 given by hand ahead of the row counter, and a
// row counter that ran on (a member given row 20 was removed).
std::unique_ptr<_libClub> startedRoll(const TempAppFolder &app) {
    std::unique_ptr<_libClub> club(qobject_cast<_libClub *>(createFromPlugin(app.path())));
    club->AddMember(newMember("M-1"), 25);
    club->AddMember(newMember("M-2", "Baker"), 12.5);
    app.exec("INSERT INTO tblMembers (MemberID,LName) VALUES ('M-4','Held');"
             "INSERT INTO tblMembers (ID,MemberID) VALUES (20,'gone');"
             "DELETE FROM tblMembers WHERE ID = 20");
    return club;
}

const QStringList Tricky = [] {
    QStringList f = newMember({}, QStringLiteral("  O'Neil ") + QChar(0) + u' ').mid(1);
    f[updateMemberSlot(MemberSlot::Notes)] = "\tSays 'hi'\nand more  ";
    return f;
}();
} // namespace

class tst_libclub_import : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("USER", "secretary"); }

    // Each member stored, numbered and recorded exactly as the forms would have done it one by
    // one (a twin roll shows it), then the import's own row; its backup is the roll before.
    void storedAsTheForms() {
        FixedClock clock(at("2026-12-09T10:30:00"));
        TempAppFolder app, twin;
        auto club = startedRoll(app), forms = startedRoll(twin);
        const QStringList before = dump(app.rollPath());
        const QStringList edited = editedMember(" Jones ");
        const QList<ImportedMember> members{
            {{}, Tricky, 30}, {"M-1", edited, 40}, {{}, newMember({}, "Cole").mid(1), 0}};
        const QStringList ids = later(*club).ImportMembers("/home/sec/members.csv", members, {});
        QCOMPARE(ids, QStringList({"M-5", "M-22"}));
        const auto formsAdd = [&](const QStringList &fields, double dues) {
            const QString id = *nextIdentifier(later(*forms), MemberIdPrefix,
                                               forms->GetNewMemberID()->value(0, 0));
            return forms->AddMember(QStringList{id} + fields, dues) ? id : QString();
        };
        QCOMPARE(formsAdd(Tricky, 30), ids[0]);
        QVERIFY(forms->UpdateMember(edited, "M-1", 40));
        QCOMPARE(formsAdd(newMember({}, "Cole").mid(1), 0), ids[1]);

        QStringList after = dump(app.rollPath());
        const QString importRow = after.takeLast();
        QVERIFY2(importRow.contains("|secretary|import|<null>|{"), qPrintable(importRow));
        QCOMPARE(after, dump(twin.rollPath()));
        const QStringList made = backups(app, "before-import");
        QCOMPARE(made.size(), 1);
        QCOMPARE(dump(app.path() + "/backups/" + made[0]), before);

        const RecordsetPtr last = later(*club).LastImport();
        QCOMPARE(last->recordCount(), 1);
        QCOMPARE(QJsonDocument::fromJson(last->field("Changes").toString().toUtf8()).object(),
                 QJsonObject({{"file", "/home/sec/members.csv"},
                              {"backup", made[0]},
                              {"added", 2},
                              {"updated", 1}}));
    }

    // Whatever stops an import midway leaves the roll exactly as it was, and no backup.
    void nothingImported_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("number");
        QTest::newRow("identifier no member holds") << "unknown" << 3021;
        QTest::newRow("identifier held twice") << "twice" << 3022;
        QTest::newRow("list too short") << "short" << 9;
        QTest::newRow("dues not a number") << "nan" << 1;
        QTest::newRow("cancelled at the last report") << "cancel" << 18;
        QTest::newRow("no backup possible") << "nobackup" << 75;
        QTest::newRow("roll of a newer version") << "newer" << 8;
    }
    void nothingImported() {
        QFETCH(QString, how);
        QFETCH(int, number);
        TempAppFolder app;
        auto club = startedRoll(app);
        QList<ImportedMember> members(how == u"cancel" ? 450 : 3, {{}, Tricky, 5});
        members[1] = {"M-2", editedMember(), 5};
        if (how == u"unknown")
            members[1].memberId = "M-9";
        if (how == u"twice")
            app.exec("DROP INDEX idxMembersMemberID; CREATE INDEX idxMembersMemberID ON "
                     "tblMembers (MemberID); INSERT INTO tblMembers (MemberID) VALUES ('M-2')");
        if (how == u"short")
            members[2].fields.resize(3);
        if (how == u"nan")
            members[2].dues = std::nan("");
        if (how == u"nobackup")
            QVERIFY(QDir(app.path() + "/backups").removeRecursively()
                    && QFile(app.path() + "/backups").open(QIODevice::WriteOnly));
        if (how == u"newer")
            app.exec("PRAGMA user_version = 99");
        const QStringList before = dump(app.rollPath());
        const QByteArray file = fileHash(app.rollPath());
        QList<qsizetype> reports;
        QString why;
        QCOMPARE(failureNumber(
                     [&] {
                         later(*club).ImportMembers("m.csv", members, [&](qsizetype done) {
                             reports << done;
                             return done < 450;
                         });
                     },
                     &why),
                 number);
        QCOMPARE(dump(app.rollPath()), before);
        QVERIFY(backups(app, "before-import").isEmpty());
        if (how == u"cancel") {
            QCOMPARE(reports, QList<qsizetype>({200, 400, 450}));
            QCOMPARE(why, "The import was cancelled: nothing was imported.");
        }
        if (how == u"newer")
            QCOMPARE(fileHash(app.rollPath()), file);
    }

    // Undone, the roll is exactly as before the import; refused, it is left as it is.
    void undo_data() {
        QTest::addColumn<QString>("since");
        QTest::addColumn<int>("number"); // 0: undone
        QTest::newRow("nothing since") << "" << 0;
        QTest::newRow("a member changed since") << "update" << 5;
        QTest::newRow("a payment recorded since") << "payment" << 5;
        QTest::newRow("its backup gone") << "gone" << 53;
        QTest::newRow("no import") << "none" << 3021;
    }
    void undo() {
        QFETCH(QString, since);
        QFETCH(int, number);
        TempAppFolder app;
        auto club = startedRoll(app);
        const QStringList before = dump(app.rollPath());
        if (since != u"none")
            later(*club).ImportMembers("m.csv", {{{}, Tricky, 5}, {"M-2", editedMember(), 5}}, {});
        if (since == u"update")
            QVERIFY(club->UpdateMember(editedMember("Later"), "M-1", 1));
        if (since == u"payment")
            later(*club).RecordPayment(
                {"M-1", QDate(2026, 1, 5), 25, QDate(2026, 1, 1), QDate(2026, 12, 31), "cash"});
        if (since == u"gone")
            QVERIFY(
                QFile::remove(app.path() + "/backups/" + backups(app, "before-import").value(0)));
        const QStringList now = dump(app.rollPath());
        QString why;
        QCOMPARE(failureNumber([&] { later(*club).UndoLastImport(); }, &why), number);
        QCOMPARE(dump(app.rollPath()), number == 0 ? before : now);
        QVERIFY2(number == 0 || why.endsWith("Nothing was undone."), qPrintable(why));
        if (since == u"update")
            QVERIFY2(why.startsWith("The roll was changed after the import of m.csv on 20"),
                     qPrintable(why));
        if (number == 0)
            QVERIFY(later(*club).LastImport()->isEmpty());
    }
};

QTEST_MAIN(tst_libclub_import)
#include "tst_libclub_import.moc"
