#include "TestSupport.h"
#include "shell/modMain.h"
#include "system/System.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondCopyIsRefused();
    void rollGuardedHoweverReached_data();
    void rollGuardedHoweverReached();
};

namespace {
QString holdLock(QProcess &p, const QString &folder) {
    p.start(QStringLiteral(QMR_INSTANCE_HOLDER), {folder});
    if (!p.waitForReadyRead(10000))
        return QStringLiteral("no answer");
    return QString::fromLatin1(p.readLine()).trimmed();
}
} // namespace

void tst_SingleInstance::secondCopyIsRefused() {
    TempAppFolder app;
    QProcess first;
    QCOMPARE(holdLock(first, app.path()), QStringLiteral("claimed"));

    MsgBoxRecorder boxes;
    EndRecorder ended;
    QApplication::clipboard()->setText(QStringLiteral("left over"));
    QVERIFY(!Main());
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.shown()[0].prompt,
             QStringLiteral("Quillmere is already running on this computer! "));
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Quillmere"));
    QCOMPARE(boxes.shown()[0].style, Mb::Exclamation | Mb::OKOnly);
    QCOMPARE(ended.calls(), 1);
    QVERIFY(QApplication::clipboard()->text().isEmpty());

    // Another folder is another installation: not refused.
    TempAppFolder other;
    QProcess elsewhere;
    QCOMPARE(holdLock(elsewhere, other.path()), QStringLiteral("claimed"));
    elsewhere.kill();
    elsewhere.waitForFinished();

    // A copy that crashed does not block the next start.
    first.kill();
    first.waitForFinished();
    QProcess next;
    QCOMPARE(holdLock(next, app.path()), QStringLiteral("claimed"));
    next.kill();
    next.waitForFinished();
}

void tst_SingleInstance::rollGuardedHoweverReached_data() {
    QTest::addColumn<QString>("next"); // how the next copy reaches the running copy's roll
    QTest::addColumn<bool>("refused");
    QTest::newRow("from another login's runtime folder") << "runtime" << true;
    QTest::newRow("from a second folder whose roll is a link") << "roll link" << true;
    QTest::newRow("from a second folder whose club folder is a link") << "club link" << true;
    QTest::newRow("a second folder with a roll of its own") << "own roll" << false;
    QTest::newRow("a folder where no lock can be made") << "no lock" << false;
}

void tst_SingleInstance::rollGuardedHoweverReached() {
    QFETCH(QString, next);
    QFETCH(bool, refused);
    TempAppFolder app;
    TempAppFolder other(next == u"own roll");
    QProcess first, second;
    QCOMPARE(holdLock(first, app.path()), QStringLiteral("claimed"));
    QString folder = other.path();
    if (next == u"runtime") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), other.path());
        env.insert(QStringLiteral("TMPDIR"), other.path());
        second.setProcessEnvironment(env);
        folder = app.path();
    } else if (next == u"roll link") {
        QVERIFY(QFile::link(app.rollPath(), other.rollPath()));
    } else if (next != u"own roll") {
        QVERIFY(QDir(other.path()).rmdir(QStringLiteral("club")));
        // A file where the club folder should be: no lock can be made in it, even by root.
        QVERIFY(next == u"club link" ? QFile::link(app.path() + QStringLiteral("/club"),
                                                   other.path() + QStringLiteral("/club"))
                                     : QFile::copy(app.rollPath(), other.path() + "/club"));
    }
    QCOMPARE(holdLock(second, folder),
             refused ? QStringLiteral("refused") : QStringLiteral("claimed"));
    for (QProcess *p : {&first, &second}) {
        p->kill();
        p->waitForFinished();
    }
}

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
