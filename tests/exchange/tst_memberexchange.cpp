// The import's judgement of each row, the export read back by the import, and the command-line
// tool on a real roll.
#include "TestSupport.h"
#include "exchange/ImportPlan.h"
#include "exchange/MemberTable.h"
#include "members/MemberFields.h"

#include <QProcess>
#include <QTest>

using namespace exchange;
using members::fieldRow;

namespace {
const QStringList Headings{"Member ID",  "Last Name",  "First Name",   "Middle Name", "Address",
                           "Address 2",  "City",       "State / Prov", "Postal Code", "Home Phone",
                           "Work Phone", "Cell Phone", "Dues Amount",  "Paid",        "Membership",
                           "Email",      "Notes"};

// A member as the roll stores it, by tblMembers column.
QVector<QVariant> stored(const QString &id, const QString &last, const QString &first,
                         const QString &address, const QString &email) {
    return {1,       id, last, first, QString(), address,   QString(), "Portland", "ME - Maine",
            "04101", "", "",   "",    25.0,      "Regular", "Annual",  email,      ""};
}

const QStringList Columns{"ID",       "MemberID", "LName",      "FName",    "MName",  "Address1",
                          "Address2", "City",     "State",      "Zip",      "Phone1", "Phone2",
                          "Phone3",   "Dues",     "Membership", "DuesPaid", "Email",  "Notes"};

QVector<QVector<QVariant>> rollRows() {
    return {stored("M-1", "Bélanger", "Anne", "1 Elm St", "anne@x.org"),
            stored("M-2", "Smith", "John", "2 Oak Ave", ""),
            stored("M-3", "Twin", "Sam", "3 Pine Rd", "sam@x.org"),
            stored("M-4", "Twin", "Sam", "3 Pine Rd", "sam@x.org")};
}

Recordset roll(const QVector<QVector<QVariant>> &rows = rollRows()) {
    return Recordset(Columns, rows);
}

// A file row as exported from the roll's member, with changes by heading.
QStringList fileRow(const QString &id, const QString &last, const QString &first,
                    const QString &address, const QString &email,
                    const QList<std::pair<QString, QString>> &changes = {}) {
    QStringList row{id,         last,         first,     "",    address, "",
                    "Portland", "ME - Maine", "04101",   "",    "",      "",
                    "25",       "Annual",     "Regular", email, ""};
    for (const auto &[heading, value] : changes)
        row[Headings.indexOf(heading)] = value;
    return row;
}

ImportPlan planOf(const QList<QStringList> &rows, const QStringList &headings = Headings) {
    TableRead table;
    table.ok = true;
    table.headings = headings;
    table.rows = rows;
    for (qsizetype i = 0; i < rows.size(); ++i)
        table.rowNumbers << i + 2;
    return ImportPlan(table, guessMapping(headings), roll(),
                      {{"ME - Maine"}, {"NB - New Brunswick"}});
}
} // namespace

class tst_MemberExchange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void guessesHeadings_data();
    void guessesHeadings();
    void judgesRows_data();
    void judgesRows();
    void zipCodesLoseNoZeros_data();
    void zipCodesLoseNoZeros();
    void rowsOfOneMemberInTheFile();
    void choicesFollowTheMatch();
    void exportReadsBackAsSkips_data();
    void exportReadsBackAsSkips();
    void commandLineRoundTrip();
};

void tst_MemberExchange::guessesHeadings_data() {
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("the export's own") << Headings << [] {
        QList<int> all{IdField};
        for (int f = 0; f < int(members::MemberFields.size()); ++f)
            all << f;
        return all;
    }();
    QTest::newRow("synonyms, case, blanks")
        << QStringList{" SURNAME", "Given name", "E-Mail Address", "Postcode", "Mobile", "Fee"}
        << QList<int>{fieldRow("LName"), fieldRow("FName"),  fieldRow("Email"),
                      fieldRow("Zip"),   fieldRow("Phone3"), fieldRow("Dues")};
    QTest::newRow("address twice, a field twice, unknown")
        << QStringList{"Address", "Address", "Last name", "Lastname", "Shoe size", ""}
        << QList<int>{fieldRow("Address1"), fieldRow("Address2"), fieldRow("LName"),
                      NotImported,          NotImported,          NotImported};
}

void tst_MemberExchange::guessesHeadings() {
    QFETCH(QStringList, headings);
    QFETCH(QList<int>, expected);
    QCOMPARE(guessMapping(headings), expected);
}

void tst_MemberExchange::judgesRows_data() {
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("memberId");
    QTest::addColumn<QString>("reason"); // refused: the words; else a part of the note

    QTest::newRow("identical by ID")
        << fileRow("M-1", "Bélanger", "Anne", "1 Elm St", "anne@x.org") << "skip"
        << "M-1"
        << "Identical";
    QTest::newRow("ID wins over the name")
        << fileRow("M-2", "Smythe", "John", "2 Oak Ave", "") << "update"
        << "M-2"
        << "Last Name";
    QTest::newRow("name and e-mail, case and accents aside")
        << fileRow("", "BELANGER", "anne", "9 New Rd", "Anne@X.org") << "update"
        << "M-1"
        << "Address";
    QTest::newRow("name and first address line")
        << fileRow("", "smith", "JOHN", "2 oak ave", "john@y.org") << "update"
        << "M-2"
        << "Email";
    QTest::newRow("unknown ID is a new member")
        << fileRow("M-99", "New", "Nina", "5 Bay St", "") << "add"
        << ""
        << "M-99";
    QTest::newRow("a new member") << fileRow("", "New", "Nina", "5 Bay St", "") << "add"
                                  << ""
                                  << "";
    QTest::newRow("two members match")
        << fileRow("", "Twin", "Sam", "3 Pine Rd", "sam@x.org") << "refused"
        << ""
        << "Matches 2 members (M-3, M-4): give the Member ID to say which. ";
    QTest::newRow("state by code, name or item; lists without case")
        << fileRow("", "New", "Nina", "5 Bay St", "",
                   {{"State / Prov", "nb"}, {"Paid", "annual"}, {"Membership", "FAMILY"}})
        << "add"
        << ""
        << "";
    QTest::newRow("state by full name")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"State / Prov", "New Brunswick"}}) << "add"
        << ""
        << "";
    QTest::newRow("no such state")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"State / Prov", "Atlantis"}}) << "refused"
        << ""
        << "Select a State or Province! ";
    QTest::newRow("the separator")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"State / Prov", "- Canada -"}}) << "refused"
        << ""
        << "Select a valid State or Province!\nCanada is a country, not "
           "a state or province. ";
    QTest::newRow("last name missing") << fileRow("", "  ", "Nina", "5 Bay St", "") << "refused"
                                       << ""
                                       << "Last Name is missing! ";
    QTest::newRow("dues no number")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"Dues Amount", "twenty"}}) << "refused"
        << ""
        << "Incorrect data in the Dues Amount box! ";
    QTest::newRow("dues with a currency sign")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"Dues Amount", "$ 30.50"}}) << "add"
        << ""
        << "";
    QTest::newRow("paid not in the list")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"Paid", "Yearly"}}) << "refused"
        << ""
        << "Payment Type (Paid) is missing! ";
    QTest::newRow("too long for the form")
        << fileRow("", "New", "Nina", "5 Bay St", "", {{"Postal Code", "12345678901"}}) << "refused"
        << ""
        << "Postal Code is longer than the form allows (11 characters, at most 10)! ";
    QTest::newRow("cells past the headings")
        << (fileRow("", "New", "Nina", "5 Bay St", "") << ""
                                                       << "lost")
        << "refused"
        << ""
        << "The row has 19 cells but the file only 17 headings: the cells past the last heading "
           "would be lost. ";
}

void tst_MemberExchange::judgesRows() {
    QFETCH(QStringList, row);
    QFETCH(QString, action);
    QFETCH(QString, memberId);
    QFETCH(QString, reason);
    const ImportPlan plan = planOf({row});
    const PlannedRow &r = plan.rows().at(0);
    QCOMPARE(actionName(r.action), action);
    QCOMPARE(r.memberId, memberId);
    if (action == u"refused")
        QCOMPARE(r.reason, reason);
    else
        QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
    if (action == u"add" || action == u"update") {
        const ImportedMember m = plan.toImport().at(0);
        QCOMPARE(m.memberId, action == u"update" ? memberId : QString());
        QCOMPARE(m.fields.size(), UpdateMemberSize);
        // List values are stored as the lists spell them.
        QVERIFY(m.fields[updateMemberSlot(MemberSlot::State)].contains(u" - "));
        QVERIFY(QStringList({"Monthly", "Semi Annual", "Quarterly", "Annual", "Other"})
                    .contains(m.fields[updateMemberSlot(MemberSlot::DuesPaid)]));
    }
}

void tst_MemberExchange::zipCodesLoseNoZeros_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("zip");
    QTest::addColumn<QString>("stored");
    QTest::newRow("ZIP read as a number") << "ME"
                                          << "4101"
                                          << "04101";
    QTest::newRow("ZIP+4 as typed") << "ME"
                                    << "04101-1234"
                                    << "04101-1234";
    QTest::newRow("a province's code as typed") << "NB"
                                                << "4101"
                                                << "4101";
}

void tst_MemberExchange::zipCodesLoseNoZeros() {
    QFETCH(QString, state);
    QFETCH(QString, zip);
    QFETCH(QString, stored);
    const ImportPlan plan = planOf({fileRow("", "New", "Nina", "5 Bay St", "",
                                            {{"State / Prov", state}, {"Postal Code", zip}})});
    QCOMPARE(plan.toImport().at(0).fields[updateMemberSlot(MemberSlot::Zip)], stored);
}

void tst_MemberExchange::rowsOfOneMemberInTheFile() {
    const ImportPlan plan =
        planOf({fileRow("", "New", "Nina", "5 Bay St", "nina@z.org"),
                fileRow("", "NEW", "Nina", "6 Other Rd", "nina@z.org"),
                fileRow("", "New", "Nina", "5 Bay St", ""),
                fileRow("M-2", "Smith", "John", "2 Oak Ave", "", {{"Notes", "first"}}),
                fileRow("M-2", "Smith", "John", "2 Oak Ave", "", {{"Notes", "second"}})});
    const QList<PlannedRow> &rows = plan.rows();
    QCOMPARE(actionName(rows[0].action), u"add");
    for (int i : {1, 2})
        QCOMPARE(rows[i].sameAsRow, 2);
    QCOMPARE(actionName(rows[3].action), u"update");
    QCOMPARE(rows[4].sameAsRow, 5);
    QCOMPARE(rows[4].reason, u"Same member as row 5");
    QCOMPARE(plan.toImport().size(), 2);
}

void tst_MemberExchange::choicesFollowTheMatch() {
    ImportPlan plan = planOf({fileRow("", "New", "Nina", "5 Bay St", ""),
                              fileRow("M-2", "Smythe", "John", "2 Oak Ave", ""),
                              fileRow("", "", "Nina", "5 Bay St", "")});
    QCOMPARE(plan.choices(0), (QList<Action>{Action::Add, Action::Skip}));
    QCOMPARE(plan.choices(1), (QList<Action>{Action::Update, Action::Add, Action::Skip}));
    QVERIFY(plan.choices(2).isEmpty());
    QVERIFY(!plan.setAction(0, Action::Update));
    QVERIFY(!plan.setAction(2, Action::Add));
    QCOMPARE(plan.setAll(Action::Skip), 2);
    QVERIFY(plan.toImport().isEmpty());
    QCOMPARE(plan.setAll(Action::Add), 2);
    // Added on purpose despite the match: a new member, not a change to M-2.
    QCOMPARE(plan.toImport().at(1).memberId, QString());
    plan.reset();
    QCOMPARE(plan.count(Action::Update), 1);
    QCOMPARE(plan.count(Action::Refused), 1);
}

void tst_MemberExchange::exportReadsBackAsSkips_data() {
    QTest::addColumn<QString>("suffix");
    QTest::newRow("csv") << "csv";
    QTest::newRow("xlsx") << "xlsx";
}

void tst_MemberExchange::exportReadsBackAsSkips() {
    QFETCH(QString, suffix);
    // Awkward values the round trip must give back exactly: formulas, quotes, line breaks.
    QVector<QVector<QVariant>> rows = rollRows();
    auto set = [&](int row, const char *column, const QVariant &v) {
        rows[row][Columns.indexOf(column)] = v;
    };
    set(0, "Notes", "=HYPERLINK(\"http://x\")\nline two, \"quoted\"");
    set(1, "Phone3", "+1 555 0101");
    set(1, "MName", "'t");
    set(2, "Dues", 12.5);
    const Recordset members = roll(rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("members." + suffix);
    const ExportOutcome out = exportMembers(members, path);
    QVERIFY2(out.ok, qPrintable(out.error));
    QCOMPARE(out.members, 4);
    const TableRead table = readTableFile(path);
    QVERIFY2(table.ok, qPrintable(table.error));
    QCOMPARE(table.headings, Headings);
    QCOMPARE(table.rows.size(), 4);
    const ImportPlan plan(table, guessMapping(table.headings), members, {{"ME - Maine"}, {}});
    for (const PlannedRow &r : plan.rows())
        QCOMPARE(actionName(r.action) + u' ' + r.reason, "skip Identical to " + r.memberId);
    QCOMPARE(plan.count(Action::Skip), 4);
}

void tst_MemberExchange::commandLineRoundTrip() {
    TempAppFolder app;
    const QString qmr = builtAppFolder() + "/qmr";
    QTemporaryDir here; // where the user runs it from
    auto run = [&](const QStringList &args, QByteArray *out = nullptr) {
        QProcess p;
        p.setWorkingDirectory(here.path());
        p.start(qmr, QStringList(args) << "--app-folder" << app.path());
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    for (int i = 1; i <= 3; ++i)
        app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,FName,Address1,City,State,"
                                "Zip,Dues,Membership,DuesPaid,Email) VALUES ('M-%1','Last%1',"
                                "'First%1','%1 Main St','Bangor','ME - Maine','04401',20,"
                                "'Regular','Annual','m%1@x.org')")
                     .arg(i));
    // A relative name is the user's, not the application folder's.
    const QString csv = here.filePath("out.csv");
    QCOMPARE(run({"export", "--roster", "all", "--out", "out.csv"}), 0);
    QVERIFY(!QFile::exists(app.path() + "/out.csv"));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray text = f.readAll();
    f.close();
    text.replace("2 Main St", "22 Main St");
    text += "\"\",New,Nina,,5 Bay St,,Bangor,ME,04401,,,,30,Monthly,Family,,\r\n";
    text += "\"\",,Nobody,,5 Bay St,,Bangor,ME,04401,,,,30,Monthly,Family,,\r\n";
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();

    const QString before = app.column("SELECT MemberID||LName||Address1 FROM tblMembers").join(',');
    QByteArray out;
    QCOMPARE(run({"import", csv, "--dry-run"}, &out), 3);
    QVERIFY2(out.contains("1 added, 1 updated, 2 skipped, 1 refused"), out.constData());
    QCOMPARE(app.column("SELECT MemberID||LName||Address1 FROM tblMembers").join(','), before);
    QCOMPARE(run({"import", csv}, &out), 3);
    QCOMPARE(app.scalar("SELECT Address1 FROM tblMembers WHERE MemberID='M-2'"), "22 Main St");
    QCOMPARE(app.scalar("SELECT MemberID FROM tblMembers WHERE LName='New'"), "M-4");
    QCOMPARE(run({"undo-import"}), 0);
    QCOMPARE(app.column("SELECT MemberID||LName||Address1 FROM tblMembers").join(','), before);
    QCOMPARE(run({"undo-import"}), 1);
    QCOMPARE(run({"import", app.path() + "/missing.csv"}), 1);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.left(text.indexOf('\n') + 1));
    f.close();
    QCOMPARE(run({"import", csv}), 1);
    QCOMPARE(run({"export"}), 2);
}

QTEST_MAIN(tst_MemberExchange)
#include "tst_memberexchange.moc"
