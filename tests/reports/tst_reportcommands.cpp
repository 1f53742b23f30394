// The eight Reports menu commands: their checks, messages and previews.
#include "TestSupport.h"
#include "common/modGlobal.h"
#include "report/ReportPreview.h"
#include "reports/DataReport.h"
#include "reports/ReportCommands.h"
#include "reports/Rosters.h"
#include "reports/rptRoster.h"
#include "shell/frmMain.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

Q_DECLARE_METATYPE(Roster)

class TestReportCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void emptyRollSaysSoForEachRoster_data();
    void emptyRollSaysSoForEachRoster();
    void noLibraryObjectCountsAsNone();
    void sportsCountsGolfAndTennisOnly();
    void previewOpensInTheMainWindow();
    void reopeningShowsAFreshPreview();
    void captionKeepsTheStartUpName();
    void worksWithoutTheMainWindow();

private:
    void addMember(const QString &id, const QString &type);
    QList<rptRoster *> openRosters() const;
    std::unique_ptr<TempAppFolder> m_app;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    QString m_oldCurrent;
};

void TestReportCommands::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_oldCurrent = QDir::currentPath();
}

void TestReportCommands::init() {
    m_app = std::make_unique<TempAppFolder>();
    QDir::setCurrent(m_app->path());
    m_app->exec(
        QStringLiteral("INSERT INTO tblMain (ClubID, ClubName) VALUES ('C-1', 'Harbour Club')"));
    strClubName = QStringLiteral("Harbour Club");
    m_boxes = std::make_unique<MsgBoxRecorder>();
    frmMain *w = frmMain::load();
    w->resize(1200, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
}

void TestReportCommands::cleanup() {
    delete frmMain::instance();
    for (const RosterInfo &r : Rosters)
        delete dataReport().roster(r.roster).window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    DataReport.reset();
    CloseRecordset();
    objClub.reset();
    m_boxes.reset();
    QDir::setCurrent(m_oldCurrent);
    m_app.reset();
}

void TestReportCommands::addMember(const QString &id, const QString &type) {
    m_app->exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,FName,Membership,Dues) "
                               "VALUES ('%1','Lee','Pat','%2',25)")
                    .arg(id, type));
}

QList<rptRoster *> TestReportCommands::openRosters() const {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<rptRoster *> out;
    for (QMdiSubWindow *sub : frmMain::instance()->mdiArea()->subWindowList())
        if (auto *r = qobject_cast<rptRoster *>(sub->widget()))
            out << r;
    return out;
}

void TestReportCommands::emptyRollSaysSoForEachRoster_data() {
    QTest::addColumn<Roster>("roster");
    QTest::addColumn<QString>("message");
    QTest::newRow("all") << Roster::All << "No membership records were found! ";
    QTest::newRow("regular") << Roster::Regular << "No Regular membership records were found! ";
    QTest::newRow("family") << Roster::Family << "No Family membership records were found! ";
    QTest::newRow("life") << Roster::Life << "No Life membership records were found! ";
    QTest::newRow("senior") << Roster::Senior << "No Senior membership records were found! ";
    QTest::newRow("sports") << Roster::Sports << "No Sports membership records were found! ";
    QTest::newRow("pool") << Roster::Pool << "No Pool membership records were found! ";
    QTest::newRow("junior") << Roster::Junior << "No Junior membership records were found! ";
}

void TestReportCommands::emptyRollSaysSoForEachRoster() {
    QFETCH(Roster, roster);
    QFETCH(QString, message);
    RunRosterCommand(roster);
    QCOMPARE(m_boxes->shown().size(), 1);
    QCOMPARE(m_boxes->shown()[0].prompt, message);
    QCOMPARE(m_boxes->shown()[0].style, Mb::OKOnly | Mb::Exclamation);
    QCOMPARE(m_boxes->shown()[0].title, QStringLiteral("Quillmere"));
    QVERIFY(openRosters().isEmpty());
    QVERIFY(!rsClub);
}

void TestReportCommands::noLibraryObjectCountsAsNone() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Pool"));
    objClub.reset();
    RunRosterCommand(Roster::Pool);
    QCOMPARE(m_boxes->prompts(), QStringList{"No Pool membership records were found! "});
    QVERIFY(openRosters().isEmpty());
}

void TestReportCommands::sportsCountsGolfAndTennisOnly() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Sports"));
    RunRosterCommand(Roster::Sports);
    QCOMPARE(m_boxes->prompts(), QStringList{"No Sports membership records were found! "});
    RunRosterCommand(Roster::All);
    QCOMPARE(m_boxes->shown().size(), 1);
    QCOMPARE(openRosters().size(), 1);
    QCOMPARE(openRosters()[0]->objectName(), QStringLiteral("rptAllMembers"));
}

void TestReportCommands::previewOpensInTheMainWindow() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Golf"));
    addMember(QStringLiteral("M-2"), QStringLiteral("Tennis"));
    RunRosterCommand(Roster::Sports);
    RunRosterCommand(Roster::All);
    QVERIFY(m_boxes->shown().isEmpty());
    const QList<rptRoster *> open = openRosters();
    QCOMPARE(open.size(), 2);
    rptRoster *sports = dataReport().roster(Roster::Sports).window;
    QVERIFY(sports);
    QCOMPARE(sports->windowTitle(), QStringLiteral("Harbour Club - Sports Members Roster"));
    QCOMPARE(sports->preview()->report().data()->recordCount(), 2);
    QCOMPARE(sports->preview()->pageText(), QStringLiteral("Page 1 of 1"));
    // Cascaded: the two windows do not sit on top of each other.
    QVERIFY(open[0]->parentWidget()->pos() != open[1]->parentWidget()->pos());
    QVERIFY(dataReport().isOpen(Roster::Sports));
}

void TestReportCommands::reopeningShowsAFreshPreview() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Junior"));
    RunRosterCommand(Roster::Junior);
    QPointer<rptRoster> first = dataReport().roster(Roster::Junior).window;
    QVERIFY(first);
    QCOMPARE(first->preview()->report().data()->recordCount(), 1);
    addMember(QStringLiteral("M-2"), QStringLiteral("Junior"));
    RunRosterCommand(Roster::Junior);
    const QList<rptRoster *> open = openRosters();
    QVERIFY(!first); // discarded
    QCOMPARE(open.size(), 1);
    QCOMPARE(open[0], dataReport().roster(Roster::Junior).window.data());
    QCOMPARE(open[0]->preview()->report().data()->recordCount(), 2);
}

void TestReportCommands::captionKeepsTheStartUpName() {
    addMember(QStringLiteral("M-1"), QStringLiteral("Life"));
    m_app->exec(QStringLiteral("UPDATE tblMain SET ClubName = 'Renamed Club'"));
    RunRosterCommand(Roster::Life);
    QVERIFY(dataReport().roster(Roster::Life).window);
    QCOMPARE(dataReport().roster(Roster::Life).window->windowTitle(),
             QStringLiteral("Harbour Club - Life Members Roster"));
}

void TestReportCommands::worksWithoutTheMainWindow() {
    delete frmMain::instance();
    NewClub();
    addMember(QStringLiteral("M-1"), QStringLiteral("Senior"));
    RunRosterCommand(Roster::Senior);
    QPointer<rptRoster> w = dataReport().roster(Roster::Senior).window;
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(w->isWindow());
}

QTEST_MAIN(TestReportCommands)
#include "tst_reportcommands.moc"
