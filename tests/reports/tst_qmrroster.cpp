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
    void printsWithArialWidthsWhereArialMeansAnotherFace();

private:
    static int run(const QStringList &args, QString *out = nullptr, QString *err = nullptr,
                   const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
};

int TestQmrRoster::run(const QStringList &args, QString *out, QString *err,
                       const QProcessEnvironment &env) {
    QProcess p;
    p.setProcessEnvironment(env);
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

// The layout's widths are Arial's: printed with another face, columns would cut or crowd.
void TestQmrRoster::printsWithArialWidthsWhereArialMeansAnotherFace() {
    TempAppFolder app;
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,Membership) VALUES "
                            "('M-1','Lee','Pool')"));
    QFile conf(app.path() + QStringLiteral("/fonts.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("<fontconfig><dir>/usr/share/fonts</dir><cachedir>%1</cachedir>"
                              "<match><test name=\"family\"><string>Arial</string></test>"
                              "<edit name=\"family\" mode=\"assign\" binding=\"strong\">"
                              "<string>DejaVu Sans</string></edit></match></fontconfig>")
                   .arg(app.path())
                   .toUtf8());
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
    const QString pdf = app.path() + QStringLiteral("/pool.pdf");
    QCOMPARE(
        run({"--roster", "pool", "--out", pdf, "--app-folder", app.path()}, nullptr, nullptr, env),
        0);
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {pdf});
    QVERIFY2(fonts.waitForFinished(60000) && fonts.exitCode() == 0,
             "pdffonts (poppler-utils) is needed to read the printed roster back");
    // After two heading lines, one line per font, its name first.
    const QStringList lines =
        QString::fromUtf8(fonts.readAllStandardOutput()).trimmed().split(u'\n');
    QVERIFY(lines.size() > 2);
    for (const QString &line : lines.mid(2))
        QVERIFY2(line.startsWith(QLatin1String("LiberationSans"))
                     || line.startsWith(QLatin1String("Arial")),
                 qPrintable(line));
}

QTEST_MAIN(TestQmrRoster)
#include "tst_qmrroster.moc"
