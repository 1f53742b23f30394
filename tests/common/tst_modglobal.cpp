#include "TestSupport.h"
#include "common/modGlobal.h"
#include "reports/DataReport.h"
#include "system/System.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

class tst_modGlobal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void closeRecordsetTwice();
    void trimTextFields();
    void pauseCountsWholeSeconds_data();
    void pauseCountsWholeSeconds();
    void rootKeyOrder_data();
    void rootKeyOrder();
    void regString_data();
    void regString();
    void endProgramReleasesAndEnds();
};

void tst_modGlobal::closeRecordsetTwice() {
    rsClub =
        std::make_shared<Recordset>(QStringList{QStringLiteral("A")}, QVector<QVector<QVariant>>{});
    CloseRecordset();
    QVERIFY(!rsClub);
    CloseRecordset(); // already released: nothing to do, nothing thrown
    QVERIFY(!rsClub);
}

void tst_modGlobal::trimTextFields() {
    QWidget form;
    auto *name = new QLineEdit(QStringLiteral("  O'Neil  "), &form);
    auto *tabbed = new QLineEdit(QStringLiteral("\tAnn "), &form);
    auto *notes = new QTextEdit(&form);
    notes->setPlainText(QStringLiteral("  pays by cheque\n  "));
    auto *label = new QLabel(QStringLiteral("  M-7  "), &form);
    auto *combo = new QComboBox(&form);
    combo->setEditable(true);
    combo->setEditText(QStringLiteral("  Golf  "));

    TrimTextFields(&form);

    QCOMPARE(name->text(), QStringLiteral("O'Neil"));
    QCOMPARE(tabbed->text(), QStringLiteral("\tAnn")); // only blanks are trimmed
    QCOMPARE(notes->toPlainText(), QStringLiteral("pays by cheque\n"));
    QCOMPARE(label->text(), QStringLiteral("  M-7  "));
    QCOMPARE(combo->currentText(), QStringLiteral("  Golf  "));
}

void tst_modGlobal::pauseCountsWholeSeconds_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("startMs"); // where in its second the pause begins
    QTest::newRow("0 at a second's start") << 0 << 0;
    QTest::newRow("0 late in a second") << 0 << 900;
    QTest::newRow("2 at a second's start") << 2 << 0;
    QTest::newRow("2 late in a second") << 2 << 900;
}

void tst_modGlobal::pauseCountsWholeSeconds() {
    QFETCH(int, seconds);
    QFETCH(int, startMs);
    // A clock that moves 10 ms each time it is read stands in for real time.
    const QDateTime start(QDate(2026, 1, 1), QTime(9, 0, 0, startMs));
    qint64 reads = 0;
    setClock([&] { return start.addMSecs(10 * reads++); });
    QVERIFY(Pause(qint16(seconds)));
    setClock({});
    const qint64 elapsed = 10 * (reads - 1);
    QVERIFY2(elapsed >= 1000 * seconds - startMs && elapsed <= 1000 * (seconds + 1),
             qPrintable(QString::number(elapsed)));
}

void tst_modGlobal::rootKeyOrder_data() {
    QTest::addColumn<QList<bool>>("flags");
    QTest::addColumn<quint32>("root");
    QTest::newRow("none") << QList<bool>(7, false) << 0u;
    const quint32 roots[] = {0x80000000, 0x80000005, 0x80000001, 0x80000006,
                             0x80000002, 0x80000004, 0x80000003};
    for (int i = 0; i < 7; ++i) {
        QList<bool> f(7, false);
        f[i] = true;
        QTest::addRow("flag %d", i + 1) << f << roots[i];
    }
    QTest::newRow("first set wins")
        << QList<bool>{false, false, true, false, true, false, true} << 0x80000001u;
}

void tst_modGlobal::rootKeyOrder() {
    QFETCH(QList<bool>, flags);
    QFETCH(quint32, root);
    QCOMPARE(GetRootKey(flags[0], flags[1], flags[2], flags[3], flags[4], flags[5], flags[6]),
             root);
}

void tst_modGlobal::regString_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("classesRoot");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no root flag") << QStringLiteral("C:\\Tools") << false << false << QString();
    QTest::newRow("as stored") << QStringLiteral("  C:\\Tools  ") << true << false
                               << QStringLiteral("C:\\Tools");
    QTest::newRow("tabs are not blanks")
        << QStringLiteral(" \tC:\\Tools\t ") << true << false << QStringLiteral("\tC:\\Tools\t");
    QTest::newRow("separator added")
        << QStringLiteral("C:\\Tools") << true << true << QStringLiteral("C:\\Tools\\");
    QTest::newRow("separator kept single")
        << QStringLiteral("C:\\Tools\\") << true << true << QStringLiteral("C:\\Tools\\");
}

void tst_modGlobal::regString() {
    QFETCH(QString, stored);
    QFETCH(bool, classesRoot);
    QFETCH(bool, separator);
    QFETCH(QString, expected);
    Registry::setString(Registry::ClassesRoot, QStringLiteral("Quillmere\\Paths"),
                        QStringLiteral("Tools"), stored);
    QCOMPARE(GetRegString(QStringLiteral("Quillmere\\Paths"), QStringLiteral("Tools"), classesRoot,
                          false, false, false, false, false, false, separator),
             expected);
    QCOMPARE(GetRegString(QStringLiteral("Quillmere\\Absent"), QString(), true, false, false, false,
                          false, false, false, separator),
             QString());
}

void tst_modGlobal::endProgramReleasesAndEnds() {
    TempAppFolder app;
    EndRecorder ended;
    NewClub();
    DataReport = std::make_unique<DataReportEnvironment>();
    QDir::setCurrent(QDir::tempPath());
    EndProgram();
    QCOMPARE(ended.calls(), 1);
    QVERIFY(!objClub);
    QVERIFY(!DataReport);
    QCOMPARE(QDir::currentPath(), app.path());
}

QTEST_MAIN(tst_modGlobal)
#include "tst_modglobal.moc"
