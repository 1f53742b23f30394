// qmr-roster: a roster to PDF from the command line, and its refusals.
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

class TestQmrRoster : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesTheRoster();
    void refuses_data();
    void refuses();

private:
    static int run(const QStringList &args, QString *out = nullptr, QString *err = nullptr);
};

int TestQmrRoster::run(const QStringList &args, QString *out, QString *err) {
    QProcess p;
    p.start(QStringLiteral(QMR_ROSTER_TOOL), args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestQmrRoster::writesTheRoster() {
    TempAppFolder app;
    QStringList values;
    for (int i = 1; i <= 25; ++i)
        values << QStringLiteral("('M-%1','Lee%1','Golf',10)").arg(i);
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,Membership,Dues) VALUES ")
             + values.join(u','));
    const QString pdf = app.path() + QStringLiteral("/sports.pdf");
    QString out;
    QCOMPARE(run({"--roster", "Sports", "--out", pdf, "--app-folder", app.path()}, &out), 0);
    QVERIFY2(out.startsWith(QStringLiteral("2 pages, 25 members written to ")), qPrintable(out));
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(5) == "%PDF-");
}

void TestQmrRoster::refuses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("withRoll");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown roster") << QStringList{"--roster", "golf"} << true << "unknown roster";
    QTest::newRow("missing roll") << QStringList{"--roster", "all"} << false << "no roll at";
    QTest::newRow("no output named")
        << QStringList{"--roster", "all", "--out"} << true << "--out needs a value";
}

void TestQmrRoster::refuses() {
    QFETCH(QStringList, args);
    QFETCH(bool, withRoll);
    QFETCH(QString, message);
    TempAppFolder app(withRoll);
    QStringList full{QStringLiteral("--app-folder"), app.path()};
    full += args;
    if (!args.contains(QStringLiteral("--out")))
        full << QStringLiteral("--out") << app.path() + QStringLiteral("/x.pdf");
    QString err;
    QVERIFY(run(full, nullptr, &err) != 0);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!QFile::exists(app.path() + QStringLiteral("/x.pdf")));
}

QTEST_MAIN(TestQmrRoster)
#include "tst_qmrroster.moc"
