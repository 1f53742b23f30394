#include "TestSupport.h"
#include "system/ErrorLog.h"
#include "system/System.h"

#include <QFile>
#include <QLocale>
#include <QTest>

class tst_ErrorLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setClock([] { return QDateTime(QDate(2026, 3, 4), QTime(17, 5, 9)); });
    }
    void cleanupTestCase() { setClock({}); }
    void startUpEntries();
    void unwritableFolderIsAFailure();
};

void tst_ErrorLog::startUpEntries() {
    TempAppFolder app;
    const LogWriter startUp{.label = QStringLiteral("SubMain Load Procedure"),
                            .bannerIndent = 13,
                            .separator = QStringLiteral("---"),
                            .startUp = true};
    writeErrorLog(startUp, 26, QStringLiteral("file is not a database"));
    writeErrorLog(startUp, -7, QStringLiteral("Out of memory"));
    const QString rule = u'%' + QString(51, u'-') + u'%';
    const QString blank = u'%' + QString(51, u' ') + u'%';
    const QString expected = rule + u'\n' + QString(13, u' ') + "Quillmere - Error Log\n" + rule
                             + u'\n' +
                             // first entry, written with the header
                             blank
                             + "\n3/4/26        5:05:09 PM    Error: 26\n"
                               "SubMain Load Procedure\n---\nfile is not a database\n"
                             + rule + u'\n' +
                             // appended entry: the number keeps its sign, no blank
                             blank
                             + "\n3/4/26        5:05:09 PM    Error:-7\n"
                               "SubMain Load Procedure\n---\nOut of memory\n"
                             + rule + u'\n';
    QCOMPARE(app.errorLog(), expected);
}

void tst_ErrorLog::unwritableFolderIsAFailure() {
    setAppFolder(QStringLiteral("/proc/no-such-folder"));
    try {
        LogWriter writer;
        writer.label = QStringLiteral("x");
        writeErrorLog(writer, 1, QStringLiteral("y"));
        QFAIL("writing into a missing folder succeeded");
    } catch (const Failure &f) {
        QCOMPARE(f.number(), ErrNo::PathFileAccess);
    }
    setAppFolder(QString());
}

QTEST_GUILESS_MAIN(tst_ErrorLog)
#include "tst_errorlog.moc"
