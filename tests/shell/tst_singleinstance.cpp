#include "TestSupport.h"
#include "shell/modMain.h"
#include "system/System.h"

#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QTest>

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondCopyIsRefused();
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

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
