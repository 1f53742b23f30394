#include "TestSupport.h"
#include "common/modGlobal.h"
#include "shell/frmMain.h"
#include "shell/modMain.h"
#include "system/System.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLocale>
#include <QTest>
#include <optional>

namespace {
// Calls back when the splash window is released.
class SplashWatcher : public QObject {
public:
    explicit SplashWatcher(std::function<void()> released)
        : m_released(std::move(released)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::Show && o->objectName() == QLatin1String("frmSplash"))
            connect(o, &QObject::destroyed, this, [this] { m_released(); });
        return false;
    }

private:
    std::function<void()> m_released;
};
} // namespace

class tst_modMain : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        useRacingClock();
    }
    void cleanup() {
        objClub.reset();
        strClubName.clear();
        if (frmMain::instance())
            delete frmMain::instance();
    }
    void missingRollEndsTheProgram();
    void workingFolderBecomesAppFolder();
    void unreadableRollIsLoggedNotTakenForEmpty();
    void normalStartShowsMainWindow();
};

void tst_modMain::missingRollEndsTheProgram() {
    TempAppFolder app(false);
    MsgBoxRecorder boxes;
    EndRecorder ended;
    QApplication::clipboard()->setText(QStringLiteral("left over"));

    QVERIFY(!Main());

    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(
        boxes.shown()[0].prompt,
        QStringLiteral("Database Not Found.\n\nThe database must reside in the folder where it "
                       "was originally installed."));
    QCOMPARE(boxes.shown()[0].title, QStringLiteral(" ERROR - DATABASE NOT FOUND"));
    QCOMPARE(boxes.shown()[0].style, Mb::Critical | Mb::OKOnly);
    QCOMPARE(ended.calls(), 1);
    QVERIFY(!QFile::exists(app.rollPath()));
    QVERIFY(!QFile::exists(app.errorLogPath()));
    QVERIFY(QApplication::clipboard()->text().isEmpty());
    QVERIFY(!frmMain::instance() || !frmMain::instance()->isVisible());
}

void tst_modMain::workingFolderBecomesAppFolder() {
    TempAppFolder app;
    QDir::setCurrent(QDir::tempPath());
    QVERIFY(CheckDatabase());
    QCOMPARE(QDir::currentPath(), app.path());
    QFile::remove(app.rollPath());
    QVERIFY(!CheckDatabase());
}

void tst_modMain::unreadableRollIsLoggedNotTakenForEmpty() {
    TempAppFolder app(false);
    // Somebody else's database where the roll should be: reading the club fails.
    createDatabaseFromScript(app.rollPath(), QStringLiteral("CREATE TABLE tblMain (ClubName);"));
    MsgBoxRecorder boxes;
    EndRecorder ended;

    QVERIFY(!Main());

    QCOMPARE(boxes.shown().size(), 1);
    const MsgBoxRequest &box = boxes.shown()[0];
    QVERIFY2(box.prompt.startsWith(QStringLiteral("ERROR #26\n\n")), qPrintable(box.prompt));
    QVERIFY(box.prompt.endsWith(
        QStringLiteral("\nIn the: ModMain code module\nProcedure: SubMain Load Procedure")));
    QCOMPARE(box.title, QStringLiteral("Quillmere"));
    QCOMPARE(box.style, Mb::Critical | Mb::OKOnly);
    QCOMPARE(strProcedure, QStringLiteral("SubMain Load Procedure"));
    const QStringList log = app.errorLog().split(u'\n');
    QCOMPARE(log.size(), 10); // banner, one six-line entry, final newline
    QCOMPARE(log[1], QString(13, u' ') + QStringLiteral("Quillmere - Error Log"));
    QVERIFY(log[4].endsWith(QStringLiteral("Error: 26")));
    QCOMPARE(log[5], QStringLiteral("SubMain Load Procedure"));
    QCOMPARE(log[6], QStringLiteral("---"));
    QVERIFY(!frmMain::instance()->isVisible());
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
}

void tst_modMain::normalStartShowsMainWindow() {
    TempAppFolder app;
    app.exec(QStringLiteral(
        "INSERT INTO tblMain (ClubID, ClubName) VALUES ('C-1', 'St. Mary''s Club');"));
    MsgBoxRecorder boxes;
    EndRecorder ended;
    // The splash goes while the busy pointer shows, and the pointer is back to normal after.
    std::optional<Pointer> pointerAtSplashEnd;
    SplashWatcher watcher([&] { pointerAtSplashEnd = currentPointer(); });

    QVERIFY(Main());

    QCOMPARE(pointerAtSplashEnd, std::optional(Pointer::Busy));
    QCOMPARE(currentPointer(), Pointer::Default);
    QVERIFY(boxes.shown().isEmpty());
    QCOMPARE(ended.calls(), 0);
    QCOMPARE(strClubName, QStringLiteral("St. Mary's Club"));
    QVERIFY(objClub);
    QVERIFY(frmMain::instance()->isVisible());
    QCOMPARE(frmMain::instance()->windowTitle(), QStringLiteral("Quillmere v3.0"));
}

QTEST_MAIN(tst_modMain)
#include "tst_modmain.moc"
