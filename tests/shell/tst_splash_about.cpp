#include "TestSupport.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"
#include "shell/modMain.h"
#include "system/System.h"
#include "ui/Pointer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <memory>

namespace {
// A clock that moves 100 ms on every read, starting just past the middle of a second.
struct SteppingClock {
    QDateTime now = QDateTime(QDate(2026, 5, 1), QTime(8, 0, 0, 550));
    SteppingClock() {
        setClock([this] {
            const QDateTime t = now;
            now = now.addMSecs(100);
            return t;
        });
    }
    ~SteppingClock() { setClock({}); }
};
} // namespace

class TestSplashAbout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void splashTexts();
    void splashPlaysNineValues();
    void splashLivesSevenToEightSeconds();
    void missingSplashPicture();
    void startUpGoesOnWithoutSplashPicture();
    void aboutTexts();
    void aboutOkCloses();
    void aboutWithoutDocumentFails();

private:
    std::unique_ptr<TempAppFolder> m_app;
};

void TestSplashAbout::init() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_app = std::make_unique<TempAppFolder>();
}

void TestSplashAbout::cleanup() {
    delete frmMain::instance();
    objClub.reset();
    m_app.reset();
    setPointer(Pointer::Default);
}

void TestSplashAbout::splashTexts() {
    SteppingClock clock;
    frmSplash splash;
    splash.load();
    QCOMPARE(splash.lblCompanyProduct->text(), QStringLiteral("Velliscar Software"));
    QCOMPARE(splash.lblProductName->text(), QStringLiteral("Quillmere"));
    QCOMPARE(splash.lblVersion->text(), QStringLiteral("Version 3.0"));
    QCOMPARE(splash.lblCompany->text(), QStringLiteral("Velliscar Software and Web Design"));
    QCOMPARE(splash.Label1->text(), QStringLiteral("Initializing..."));
    QVERIFY(splash.lblCopyright->text().startsWith(QStringLiteral("Copyright")));
    QVERIFY(!splash.Label2->text().isEmpty());
    QVERIFY(!splash.Image1->pixmap().isNull());
    QVERIFY(splash.Frame1->isAncestorOf(splash.lblVersion));
    QVERIFY(!splash.Frame1->isAncestorOf(splash.proBar));
    QCOMPARE(currentPointer(), Pointer::Default);
}

void TestSplashAbout::splashPlaysNineValues() {
    SteppingClock clock;
    frmSplash splash;
    QList<int> values;
    QList<QDateTime> at;
    bool alwaysVisible = true;
    connect(splash.proBar, &QProgressBar::valueChanged, this, [&](int v) {
        values << v;
        at << clock.now;
        alwaysVisible = alwaysVisible && splash.isVisible() && splash.proBar->isVisible();
    });

    splash.load();

    QCOMPARE(values, (QList<int>{0, 2, 4, 6, 8, 10, 12, 14, 16}));
    QVERIFY(alwaysVisible);
    QCOMPARE(splash.proBar->minimum(), 0);
    QCOMPARE(splash.proBar->maximum(), 16);
    // One wait for the clock's next second after every value but the last.
    for (int i = 1; i < at.size(); ++i) {
        const qint64 gap = at[i - 1].msecsTo(at[i]);
        QVERIFY2(gap > 0 && gap <= 1100, qPrintable(QString::number(gap)));
    }
    const qint64 total = at.first().msecsTo(at.last());
    QVERIFY2(total >= 7000 && total <= 8000, qPrintable(QString::number(total)));
}

// The one test on the real clock.
void TestSplashAbout::splashLivesSevenToEightSeconds() {
    frmSplash splash;
    QElapsedTimer shown;
    connect(splash.proBar, &QProgressBar::valueChanged, this, [&](int v) {
        if (v == 0)
            shown.start();
    });
    splash.load();
    const qint64 ms = shown.elapsed();
    QVERIFY2(ms >= 7000 && ms <= 8100, qPrintable(QString::number(ms)));
}

void TestSplashAbout::missingSplashPicture() {
    QVERIFY(QFile::remove(appPath(QStringLiteral("\\images\\club_01.jpg"))));
    SteppingClock clock;
    frmSplash splash;
    int changes = 0;
    connect(splash.proBar, &QProgressBar::valueChanged, this, [&] { ++changes; });
    try {
        splash.load();
        QFAIL("the load went on without its picture");
    } catch (const Failure &f) {
        QCOMPARE(f.number(), ErrNo::FileNotFound);
    }
    QVERIFY(!splash.isVisible());
    QCOMPARE(changes, 0);
}

void TestSplashAbout::startUpGoesOnWithoutSplashPicture() {
    m_app->exec(QStringLiteral("INSERT INTO tblMain (ClubID, ClubName) VALUES ('C-1', 'Elm')"));
    QVERIFY(QFile::remove(appPath(QStringLiteral("\\images\\club_01.jpg"))));
    SteppingClock clock;
    MsgBoxRecorder boxes;
    EndRecorder ends;

    QVERIFY(Main());

    QVERIFY(boxes.shown().isEmpty());
    QCOMPARE(ends.calls(), 0);
    QVERIFY(frmMain::instance() && frmMain::instance()->isVisible());
    QVERIFY(!QFile::exists(m_app->errorLogPath()));
    QCOMPARE(currentPointer(), Pointer::Default);
}

void TestSplashAbout::aboutTexts() {
    frmAbout about;
    about.load();
    QCOMPARE(about.windowTitle(), QStringLiteral("About Quillmere"));
    QCOMPARE(about.lblTitle->text(), QStringLiteral("Quillmere"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("v3.0"));
    QCOMPARE(about.cmdOK->text(), QStringLiteral("&OK"));
    const QTextDocument *doc = about.rtBox->document();
    QCOMPARE(doc->firstBlock().text(), QStringLiteral("Quillmere"));
    QVERIFY(doc->toPlainText().contains(QStringLiteral("Copyright \u00A9 2026 Velliscar")));
}

void TestSplashAbout::aboutOkCloses() {
    frmAbout about;
    about.load();
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.cmdOK, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void TestSplashAbout::aboutWithoutDocumentFails() {
    QVERIFY(QFile::remove(appPath(QStringLiteral("\\text\\About.rtf"))));
    frmAbout about;
    try {
        about.load();
        QFAIL("the About box loaded without its document");
    } catch (const Failure &f) {
        QCOMPARE(f.number(), ErrNo::FileNotFound);
    }
}

QTEST_MAIN(TestSplashAbout)
#include "tst_splash_about.moc"
