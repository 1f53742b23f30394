#include "TestSupport.h"
#include "clubdetails/frmEditClubData.h"
#include "common/modGlobal.h"
#include "dues/frmDues.h"
#include "dues/frmRecordPayment.h"
#include "help/HelpWindow.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"
#include "members/frmAddMem.h"
#include "members/frmDeleteMem.h"
#include "members/frmEditMem.h"
#include "members/frmFindMember.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "system/System.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

namespace {
const QString OpenerKey = QStringLiteral("htmlfile\\shell\\open\\command");

QAction *action(frmMain *w, const char *name) {
    auto *a = w->findChild<QAction *>(QString::fromLatin1(name));
    if (!a)
        qFatal("no menu item %s", name);
    return a;
}

QList<QMdiSubWindow *> subWindows(frmMain *w) {
    return w->mdiArea()->subWindowList(QMdiArea::CreationOrder);
}

void insertMember(const TempAppFolder &app, const QString &id, const QString &last) {
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID, LName, FName, Address1, City, "
                            "State, Zip, Dues, Membership, DuesPaid) VALUES ('%1', '%2', 'Ann', "
                            "'1 Elm St', 'Dover', 'DE - Delaware', '19901', 120, 'Regular', "
                            "'Annual')")
                 .arg(id, last));
}
} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

public:
    static void initMain();

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void checkForUpdateWithoutOpener();
    void menuBar_data();
    void menuBar();
    void captionShowsVersionNotClub();
    void noMembers_data();
    void noMembers();
    void membersOpenTheirWindow_data();
    void membersOpenTheirWindow();
    void childFormsAreSingleInstances();
    void findMemberOpensItForEditing();
    void duesWindowRecordsForItsMember();
    void formsFitTheScreen_data();
    void formsFitTheScreen();
    void windowCommandsWithoutChildren();
    void tile_data();
    void tile();
    void arrangeIcons();
    void backgroundPicture();
    void missingBackgroundPicture();
    void checkForUpdateStartsOpener();
    void userHelpOpensAtContents();
    void f1OpensThePageOfTheWindow_data();
    void f1OpensThePageOfTheWindow();
    void aboutShowsModalAndOkCloses();
    void aboutWithoutDocumentShowsNothing();
    void f1OverTheModalAboutBox();
    void exitEndsProgram();
    void closingTheWindowEndsProgram();

private:
    frmMain *openMain();
    HelpWindow *waitForHelp(const QString &file);
    void withAboutBox(frmMain *w, int guardMs, const std::function<void(frmAbout *)> &inside);

    std::unique_ptr<TempAppFolder> m_app;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
};

// The screens the program meets: a large one first, then a laptop's 1366x768 at 100%, 125% and
// 150% scaling, each given in the program's own pixels with room for a panel.
void TestFrmMain::initMain() {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    static QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(R"({"screens": [
        {"name": "1920x1080", "x": 0, "y": 0, "width": 1920, "height": 1040},
        {"name": "1366x768", "x": 1920, "y": 0, "width": 1366, "height": 738},
        {"name": "1366x768 at 125%", "x": 3286, "y": 0, "width": 1093, "height": 590},
        {"name": "1366x768 at 150%", "x": 4379, "y": 0, "width": 911, "height": 492}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
}

void TestFrmMain::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFrmMain::init() {
    m_app = std::make_unique<TempAppFolder>();
    m_app->exec(QStringLiteral("INSERT INTO tblMain (ClubID, ClubName) VALUES ('C-1', "
                               "'Harbour Lights Yacht Club')"));
    m_boxes = std::make_unique<MsgBoxRecorder>();
}

void TestFrmMain::cleanup() {
    for (const char *file : {"\\help\\Tarnwell.hlp", "\\help\\qmr.hlp"})
        delete HelpWindow::find(appPath(QString::fromLatin1(file)));
    delete frmMain::instance();
    CloseRecordset();
    objClub.reset();
    m_boxes.reset();
    m_app.reset();
}

frmMain *TestFrmMain::openMain() {
    frmMain *w = frmMain::load();
    w->resize(1000, 700);
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("main window not shown");
    return w;
}

HelpWindow *TestFrmMain::waitForHelp(const QString &file) {
    HelpWindow *help = HelpWindow::find(file);
    if (help && help->contentsHome().isEmpty()) {
        QSignalSpy ready(help, &HelpWindow::contentsReady);
        ready.wait(5000);
    }
    return help;
}

// Opens the About box and runs `inside` while it is up. A guard closes any modal box still
// open after guardMs, so a failing test ends instead of waiting for ever.
void TestFrmMain::withAboutBox(frmMain *w, int guardMs,
                               const std::function<void(frmAbout *)> &inside) {
    QTimer::singleShot(0, this, [inside] {
        if (auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget()))
            inside(about);
    });
    QTimer guard;
    guard.callOnTimeout(this, [] {
        if (QWidget *m = QApplication::activeModalWidget())
            m->close();
    });
    guard.start(guardMs);

    action(w, "mnuHelpAbout")->trigger();
}

// Runs first, before anything reads the registry: the registry then holds no opener, as on
// a desktop without a browser.
void TestFrmMain::checkForUpdateWithoutOpener() {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    const QString opener =
        GetRegString(OpenerKey, QString(), true, false, false, false, false, false, false, false);
    qputenv("PATH", path);
    if (!opener.isEmpty())
        QSKIP("the registry was read before this test");

    frmMain *w = openMain();
    const auto before = QApplication::topLevelWidgets().size();
    action(w, "mnuHelpCheckUpdates")->trigger();
    QTest::qWait(100);
    QVERIFY(m_boxes->shown().isEmpty());
    QCOMPARE(QApplication::topLevelWidgets().size(), before);
}

void TestFrmMain::menuBar_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuName");
    QTest::addColumn<QStringList>("items"); // caption|name, "-" for a separator

    QTest::newRow("Add") << "&Add"
                         << "mnuAdd"
                         << QStringList{"Add New Member|mnuAddNewMember", "-|A0",
                                        "e&Xit|mnuAddExit"};
    QTest::newRow("Edit") << "&Edit"
                          << "mnuEdit"
                          << QStringList{"Edit Member|mnuEditMember", "-|E0",
                                         "Edit Club Details|mnuEditClubDetails"};
    QTest::newRow("Utils") << "&Utils"
                           << "mnuUtils"
                           << QStringList{"Delete Member Record|mnuUtilsDeleteMember"};
    QTest::newRow("Reports") << "&Reports"
                             << "mnuReports"
                             << QStringList{"Membership Roster|mnuReportsMembershipRoll", "-|R0",
                                            "Regular Members|mnuReportsRegularMembers",   "-|R1",
                                            "Family Members|mnuReportsFamilyMembers",     "-|H6",
                                            "Life Members|mnuReportsLifeMembers",         "-|R2",
                                            "Senior Members|mnuReportsSeniorMembers",     "-|R3",
                                            "Sports Members|mnuReportsSportsMembers",     "-|R4",
                                            "Pool Members|mnuReportsPoolMembers",         "-|R5",
                                            "Junior Members|mnuReportsJuniorMembers"};
    // The one menu beyond the original ones; its items may have shortcuts.
    QTest::newRow("Tools") << "&Tools"
                           << "mnuTools"
                           << QStringList{"Find Member...|mnuToolsFindMember",
                                          "-|T0",
                                          "Member History...|mnuToolsMemberHistory",
                                          "Recently Deleted|mnuToolsRecentlyDeleted",
                                          "-|T1",
                                          "Back Up Now...|mnuToolsBackUpNow",
                                          "Restore From Backup...|mnuToolsRestore",
                                          "-|T2",
                                          "Import Members...|mnuToolsImportMembers",
                                          "Undo Last Import|mnuToolsUndoImport",
                                          "-|T3",
                                          "Export Members...|mnuToolsExportMembers",
                                          "Copy E-mail Addresses|mnuToolsCopyEmails",
                                          "-|T4",
                                          "Record Dues Payment...|mnuToolsRecordPayment",
                                          "Dues and Renewals...|mnuToolsDues",
                                          "-|T5",
                                          "Mailing Labels...|mnuToolsMailingLabels"};
    QTest::newRow("Window") << "&Window"
                            << "mnuWindow"
                            << QStringList{"Cascade|mnuWindowCascade",           "-|W0",
                                           "Tile Vertically|mnuWindowV",         "-|W1",
                                           "Tile Horizontally|mnuWindowH",       "-|W2",
                                           "Arrange Icons|mnuWindowArrangeIcons"};
    QTest::newRow("Help") << "&Help"
                          << "mnuHelp"
                          << QStringList{"User Help|mnuShowHelp", "-|H0",
                                         "Check For Update|mnuHelpCheckUpdates", "-|H2",
                                         "About|mnuHelpAbout"};
}

void TestFrmMain::menuBar() {
    QFETCH(QString, menu);
    QFETCH(QString, menuName);
    QFETCH(QStringList, items);
    frmMain *w = openMain();

    static const QStringList order{"mnuAdd",   "mnuEdit",   "mnuUtils", "mnuReports",
                                   "mnuTools", "mnuWindow", "mnuHelp"};
    const QList<QAction *> top = w->menuBar()->actions();
    QCOMPARE(top.size(), order.size());
    const int at = int(order.indexOf(menuName));
    QCOMPARE(top[at]->text(), menu);
    QMenu *m = top[at]->menu();
    QVERIFY(m);
    QCOMPARE(m->objectName(), menuName);

    QStringList shown;
    for (QAction *a : m->actions()) {
        if (menuName != QLatin1String("mnuTools"))
            QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
        shown << (a->isSeparator() ? QStringLiteral("-") : a->text()) + u'|' + a->objectName();
    }
    QCOMPARE(shown, items);
}

void TestFrmMain::captionShowsVersionNotClub() {
    frmMain *w = openMain();
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillmere v3.0"));
    // Opening and cascading a child leaves the caption alone.
    action(w, "mnuEditClubDetails")->trigger();
    QVERIFY(!w->windowTitle().contains(QStringLiteral("Harbour")));
}

void TestFrmMain::noMembers_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<bool>("withLibrary");
    QTest::addColumn<QString>("prompt");
    const QString edit = QStringLiteral("No Member records were found to edit! ");
    const QString del = QStringLiteral("No Member records were found to delete! ");
    QTest::newRow("edit, empty roll") << QByteArray("mnuEditMember") << true << edit;
    QTest::newRow("delete, empty roll") << QByteArray("mnuUtilsDeleteMember") << true << del;
    QTest::newRow("edit, no library") << QByteArray("mnuEditMember") << false << edit;
    QTest::newRow("delete, no library") << QByteArray("mnuUtilsDeleteMember") << false << del;
}

void TestFrmMain::noMembers() {
    QFETCH(QByteArray, item);
    QFETCH(bool, withLibrary);
    QFETCH(QString, prompt);
    frmMain *w = openMain();
    if (!withLibrary)
        objClub.reset();
    Qt::CursorShape during = Qt::ArrowCursor;
    m_boxes->onShow([&](const MsgBoxRequest &) { during = w->cursor().shape(); });

    action(w, item.constData())->trigger();

    QCOMPARE(m_boxes->prompts(), QStringList{prompt});
    QCOMPARE(m_boxes->shown().first().style, Mb::Exclamation | Mb::OKOnly);
    QCOMPARE(m_boxes->shown().first().title, QStringLiteral("Quillmere"));
    QCOMPARE(during, Qt::ArrowCursor); // the busy pointer is gone before the box
    QVERIFY(subWindows(w).isEmpty());
    QVERIFY(!rsClub);
}

void TestFrmMain::findMemberOpensItForEditing() {
    insertMember(*m_app, QStringLiteral("M-1"), QStringLiteral("Ashby"));
    insertMember(*m_app, QStringLiteral("M-2"), QStringLiteral("Brook"));
    insertMember(*m_app, QStringLiteral("M-3"), QStringLiteral("Ashcroft"));
    frmMain *w = openMain();
    action(w, "mnuToolsFindMember")->trigger();
    auto *find = qobject_cast<frmFindMember *>(w->mdiArea()->activeSubWindow()->widget());
    QVERIFY(find);
    QCOMPARE(QApplication::focusWidget(), find->finder->txtFind);
    // Sorted as a person reads the names.
    QCOMPARE(find->lvMember->rows()->rowTexts(0).value(1), QStringLiteral("Ashby"));
    QCOMPARE(find->lvMember->rows()->rowTexts(1).value(1), QStringLiteral("Ashcroft"));
    // The edit window, already open and showing another member, picks the one found.
    action(w, "mnuEditMember")->trigger();
    auto *edit = w->findChild<frmEditMem *>();
    QVERIFY(edit);
    QTest::keyClicks(edit->finder->txtFind, QStringLiteral("brook"));
    action(w, "mnuToolsFindMember")->trigger();
    QCOMPARE(subWindows(w).size(), 2);
    find->finder->txtFind->setFocus();
    QTest::keyClicks(find->finder->txtFind, QStringLiteral("ashc"));
    QTest::keyClick(find->finder->txtFind, Qt::Key_Return);
    QCOMPARE(w->mdiArea()->activeSubWindow()->widget(), edit);
    QCOMPARE(edit->lblID->text(), QStringLiteral("M-3"));
    QCOMPARE(edit->txtBox[0]->text(), QStringLiteral("Ashcroft"));
    QCOMPARE(QApplication::focusWidget(), edit->txtBox[0]);
    QCOMPARE(edit->lvMember->selectedRow().value(0), QStringLiteral("M-3"));
}

void TestFrmMain::membersOpenTheirWindow_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("edit") << QByteArray("mnuEditMember") << QByteArray("frmEditMem");
    QTest::newRow("delete") << QByteArray("mnuUtilsDeleteMember") << QByteArray("frmDeleteMem");
}

void TestFrmMain::membersOpenTheirWindow() {
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, form);
    insertMember(*m_app, QStringLiteral("M-1"), QStringLiteral("Ashby"));
    frmMain *w = openMain();
    action(w, "mnuAddNewMember")->trigger();

    action(w, item.constData())->trigger();

    QVERIFY(m_boxes->shown().isEmpty());
    const auto subs = subWindows(w);
    QCOMPARE(subs.size(), 2);
    QCOMPARE(subs.last()->widget()->metaObject()->className(), form.constData());
    QCOMPARE(w->mdiArea()->activeSubWindow(), subs.last());
    // Cascaded: the second window sits below and right of the first.
    QVERIFY(subs[1]->y() > subs[0]->y());
    QVERIFY(subs[1]->x() > subs[0]->x());
    QVERIFY(!rsClub);
}

void TestFrmMain::childFormsAreSingleInstances() {
    frmMain *w = openMain();
    action(w, "mnuAddNewMember")->trigger();
    action(w, "mnuEditClubDetails")->trigger();
    QCOMPARE(subWindows(w).size(), 2);
    QWidget *add = subWindows(w).first()->widget();
    QVERIFY(qobject_cast<frmAddMem *>(add));

    action(w, "mnuAddNewMember")->trigger();
    QCOMPARE(subWindows(w).size(), 2);
    QCOMPARE(subWindows(w).first()->widget(), add);
    QCOMPARE(w->mdiArea()->activeSubWindow(), subWindows(w).first());

    // Closed, it loads afresh the next time.
    QPointer<QWidget> old = add;
    UnloadForm(add);
    QTRY_VERIFY(!old);
    action(w, "mnuAddNewMember")->trigger();
    QCOMPARE(subWindows(w).size(), 2);
    QVERIFY(qobject_cast<frmAddMem *>(subWindows(w).last()->widget()));
}

void TestFrmMain::duesWindowRecordsForItsMember() {
    insertMember(*m_app, QStringLiteral("M-1"), QStringLiteral("Ashby"));
    insertMember(*m_app, QStringLiteral("M-2"), QStringLiteral("Brook"));
    frmMain *w = openMain();
    action(w, "mnuToolsDues")->trigger();
    auto *dues = qobject_cast<frmDues *>(w->mdiArea()->activeSubWindow()->widget());
    QVERIFY(dues);
    Q_EMIT dues->recordPaymentFor(QStringLiteral("M-2"));
    auto *record = qobject_cast<frmRecordPayment *>(w->mdiArea()->activeSubWindow()->widget());
    QVERIFY(record);
    QCOMPARE(record->payingMember(), QStringLiteral("M-2"));
    QCOMPARE(QApplication::focusWidget(), record->txtAmount);
    // The open window is the one chosen again, on the next member, and the menu raises it.
    Q_EMIT dues->recordPaymentFor(QStringLiteral("M-1"));
    QCOMPARE(record->payingMember(), QStringLiteral("M-1"));
    action(w, "mnuToolsRecordPayment")->trigger();
    QCOMPARE(subWindows(w).size(), 2);
    QCOMPARE(w->mdiArea()->activeSubWindow()->widget(), record);
}

void TestFrmMain::formsFitTheScreen_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("roomy"); // room for every form whole
    QTest::newRow("1920x1080") << "1920x1080" << true;
    QTest::newRow("1366x768") << "1366x768" << false;
    QTest::newRow("1366x768 at 125%") << "1366x768 at 125%" << false;
    QTest::newRow("1366x768 at 150%") << "1366x768 at 150%" << false;
}

void TestFrmMain::formsFitTheScreen() {
    QFETCH(QString, screen);
    QFETCH(bool, roomy);
    const auto screens = QGuiApplication::screens();
    const auto found = std::find_if(screens.cbegin(), screens.cend(),
                                    [&](const QScreen *s) { return s->name() == screen; });
    if (found == screens.cend())
        QSKIP("the test's screens are made on the offscreen platform only");
    const auto home = qScopeGuard([] { QCursor::setPos(0, 0); });
    QScreen *target = *found;
    QCursor::setPos(target->geometry().center());
    insertMember(*m_app, QStringLiteral("M-1"), QStringLiteral("Ashby"));

    frmMain *w = frmMain::load();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->screen(), target);
    QMdiArea *area = w->mdiArea();

    for (const char *item :
         {"mnuAddNewMember", "mnuEditMember", "mnuUtilsDeleteMember", "mnuEditClubDetails"}) {
        action(w, item)->trigger();
        QCoreApplication::processEvents();
        QVERIFY2(target->availableGeometry().contains(w->frameGeometry()), item);
        // What the area shows, and what its scroll bars can bring into view.
        const QRect shown = area->viewport()->rect();
        const QScrollBar *across = area->horizontalScrollBar(), *down = area->verticalScrollBar();
        const QRect reach =
            shown.adjusted(-across->value(), -down->value(), across->maximum() - across->value(),
                           down->maximum() - down->value());
        for (QMdiSubWindow *sub : subWindows(w)) {
            const QString form = QString::fromLatin1(sub->widget()->metaObject()->className());
            if (roomy) {
                QCOMPARE(sub->size(), sub->sizeHint());
                QVERIFY2(shown.contains(sub->geometry()), qPrintable(form));
            }
            const auto buttons = sub->widget()->findChildren<QPushButton *>();
            QVERIFY(!buttons.isEmpty());
            for (QPushButton *b : buttons)
                QVERIFY2(reach.contains(QRect(b->mapTo(area->viewport(), QPoint()), b->size())),
                         qPrintable(form + u' ' + b->text()));
        }
    }
}

void TestFrmMain::windowCommandsWithoutChildren() {
    frmMain *w = openMain();
    for (const char *item :
         {"mnuWindowCascade", "mnuWindowV", "mnuWindowH", "mnuWindowArrangeIcons"})
        action(w, item)->trigger();
    QVERIFY(subWindows(w).isEmpty());
    QVERIFY(m_boxes->shown().isEmpty());
}

void TestFrmMain::tile_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<bool>("sideBySide");
    QTest::addColumn<bool>("fromMaximized");
    QTest::newRow("vertically, from a maximized window")
        << QByteArray("mnuWindowV") << true << true;
    QTest::newRow("horizontally") << QByteArray("mnuWindowH") << false << false;
}

void TestFrmMain::tile() {
    QFETCH(QByteArray, item);
    QFETCH(bool, sideBySide);
    QFETCH(bool, fromMaximized);
    frmMain *w = openMain();
    action(w, "mnuAddNewMember")->trigger();
    action(w, "mnuEditClubDetails")->trigger();
    if (fromMaximized)
        subWindows(w).last()->showMaximized();

    action(w, item)->trigger();

    // Stacked windows are checked as side-by-side ones with the axes swapped.
    const auto axes = [sideBySide](const QRect &r) {
        return sideBySide ? r : QRect(r.top(), r.left(), r.height(), r.width());
    };
    const auto subs = subWindows(w);
    const QRect area = axes(w->mdiArea()->viewport()->rect());
    const QRect a = axes(subs[0]->geometry()), b = axes(subs[1]->geometry());
    QVERIFY(!subs[1]->isMaximized());
    QCOMPARE(a.top(), area.top());
    QCOMPARE(b.top(), area.top());
    QCOMPARE(a.height(), area.height());
    QCOMPARE(b.height(), area.height());
    QCOMPARE(a.left(), area.left());
    QCOMPARE(b.left(), a.right() + 1); // no overlap
    QCOMPARE(b.right(), area.right());
}

void TestFrmMain::arrangeIcons() {
    frmMain *w = openMain();
    action(w, "mnuAddNewMember")->trigger();
    action(w, "mnuEditClubDetails")->trigger();
    action(w, "mnuEditMember")->trigger(); // no members: stays shut
    auto subs = subWindows(w);
    QCOMPARE(subs.size(), 2);
    for (QMdiSubWindow *s : subs) {
        s->showMinimized();
        s->move(200, 40); // the user dragged them away
    }
    QTest::qWait(20);

    action(w, "mnuWindowArrangeIcons")->trigger();

    const QRect area = w->mdiArea()->viewport()->rect();
    const QRect a = subs[0]->geometry(), b = subs[1]->geometry();
    QCOMPARE(a.bottom(), area.bottom());
    QCOMPARE(b.bottom(), area.bottom());
    QCOMPARE(a.left(), area.left());
    QCOMPARE(b.left(), a.right() + 1);

    // Tiling leaves the icons' row free and skips the minimized windows.
    subs[1]->showNormal();
    action(w, "mnuWindowH")->trigger();
    QVERIFY(subs[0]->isMinimized());
    QVERIFY(subs[1]->geometry().bottom() < subs[0]->geometry().top());
}

void TestFrmMain::backgroundPicture() {
    frmMain *w = openMain();
    QVERIFY(!w->backgroundPicture().isNull());
    QCOMPARE(w->backgroundPicture().size(), QPixmap(appPath("\\images\\Club_01.jpg")).size());
}

void TestFrmMain::missingBackgroundPicture() {
    QVERIFY(QFile::remove(appPath(QStringLiteral("\\images\\Club_01.jpg"))));
    frmMain *w = openMain();
    QVERIFY(w->backgroundPicture().isNull());
    QCOMPARE(w->windowTitle(), QStringLiteral("Quillmere v3.0"));
    // The library object made after the failure works.
    QVERIFY(objClub);
    RecordsetPtr rs = objClub->RefreshMembers();
    QVERIFY(rs && rs->isEmpty());
}

void TestFrmMain::checkForUpdateStartsOpener() {
    const QString out = m_app->path() + QStringLiteral("/opened.txt");
    const QString script = m_app->path() + QStringLiteral("/opener.sh");
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\n").arg(out).toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    Registry::setString(Registry::ClassesRoot, OpenerKey, QString(), script);

    frmMain *w = openMain();
    action(w, "mnuHelpCheckUpdates")->trigger();

    auto written = [&] {
        QFile result(out);
        return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll()).trimmed()
                                                : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(written(),
                              QStringLiteral("https://velliscar.example/quillmere/updates"), 5000);
    QVERIFY(m_boxes->shown().isEmpty());

    // An opener that cannot be started is not reported either.
    Registry::setString(Registry::ClassesRoot, OpenerKey, QString(),
                        m_app->path() + QStringLiteral("/no-such-browser"));
    action(w, "mnuHelpCheckUpdates")->trigger();
    QVERIFY(m_boxes->shown().isEmpty());
}

void TestFrmMain::userHelpOpensAtContents() {
    frmMain *w = openMain();
    const QString file = appPath(QStringLiteral("\\help\\Tarnwell.hlp"));
    QVERIFY(QFile::exists(builtAppFolder() + QStringLiteral("/help/Tarnwell.hlp")));
    QVERIFY(QFile::exists(builtAppFolder() + QStringLiteral("/help/qmr.hlp")));

    action(w, "mnuShowHelp")->trigger();

    HelpWindow *help = waitForHelp(file);
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->tabs()->currentIndex(), 0);
    QCOMPARE(help->tabs()->tabText(0), QStringLiteral("Contents"));
    QCOMPARE(help->tabs()->tabText(1), QStringLiteral("Index"));
    QCOMPARE(help->tabs()->tabText(2), QStringLiteral("Search"));
    QHelpContentModel *model = help->engine()->contentModel();
    QVERIFY(model->rowCount() > 0);
    QVERIFY(model->rowCount(model->index(0, 0)) >= 6);
    QTRY_VERIFY(help->currentPage().path().endsWith(QStringLiteral("/index.html")));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Quillmere Help")));

    // A second request raises the same window.
    action(w, "mnuShowHelp")->trigger();
    QCOMPARE(HelpWindow::find(file), help);
}

void TestFrmMain::f1OpensThePageOfTheWindow_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QString>("page");
    QTest::newRow("main window") << QByteArray() << "index.html";
    QTest::newRow("add member") << QByteArray("mnuAddNewMember") << "add-member.html";
    QTest::newRow("edit club") << QByteArray("mnuEditClubDetails") << "club.html#edit";
    // The find box opens its own part of the page.
    QTest::newRow("find member") << QByteArray("mnuToolsFindMember") << "edit-member.html#find";
    QTest::newRow("record payment") << QByteArray("mnuToolsRecordPayment") << "dues.html#record";
    QTest::newRow("dues") << QByteArray("mnuToolsDues") << "dues.html#renewals";
    QTest::newRow("mailing labels") << QByteArray("mnuToolsMailingLabels") << "labels.html";
}

void TestFrmMain::f1OpensThePageOfTheWindow() {
    QFETCH(QByteArray, item);
    QFETCH(QString, page);
    frmMain *w = openMain();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QWidget *target = w;
    if (!item.isEmpty()) {
        action(w, item.constData())->trigger();
        target = subWindows(w).last()->widget();
        target->setFocus();
    }
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : target;

    QTest::keyClick(focus, Qt::Key_F1);

    HelpWindow *help = waitForHelp(appPath(QStringLiteral("\\help\\qmr.hlp")));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QTRY_COMPARE(help->currentPage().fileName()
                     + (help->currentPage().hasFragment() ? u'#' + help->currentPage().fragment()
                                                          : QString()),
                 page);
}

void TestFrmMain::aboutShowsModalAndOkCloses() {
    frmMain *w = openMain();
    QString caption, version, text;
    bool wasModal = false;
    withAboutBox(w, 3000, [&](frmAbout *about) {
        wasModal = about->isModal();
        caption = about->windowTitle();
        version = about->lblVersion->text();
        text = about->rtBox->toPlainText();
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    });

    QVERIFY(wasModal);
    QCOMPARE(caption, QStringLiteral("About Quillmere"));
    QCOMPARE(version, QStringLiteral("v3.0"));
    QVERIFY(text.contains(QStringLiteral("membership roll of your club")));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w->findChildren<frmAbout *>().isEmpty()); // unloaded again
}

void TestFrmMain::aboutWithoutDocumentShowsNothing() {
    QVERIFY(QFile::remove(appPath(QStringLiteral("\\text\\About.rtf"))));
    frmMain *w = openMain();
    bool appeared = false;
    QTimer guard;
    guard.callOnTimeout(this, [&] {
        if (QWidget *m = QApplication::activeModalWidget()) {
            appeared = true;
            m->close();
        }
    });
    guard.start(50);

    action(w, "mnuHelpAbout")->trigger();
    QTest::qWait(120);

    QVERIFY(!appeared);
    QVERIFY(m_boxes->shown().isEmpty());
    QVERIFY(w->isVisible());
}

void TestFrmMain::f1OverTheModalAboutBox() {
    frmMain *w = openMain();
    QString page;
    bool helpModal = false, stillModal = false;
    withAboutBox(w, 5000, [&](frmAbout *about) {
        QTest::keyClick(about->rtBox, Qt::Key_F1);
        if (HelpWindow *help = waitForHelp(appPath(QStringLiteral("\\help\\qmr.hlp")))) {
            page = help->currentPage().fileName();
            // Over a modal box the help must be usable, so it is modal itself, and F1 pressed
            // in the help keeps it so.
            helpModal = help->isModal() && QApplication::activeModalWidget() == help;
            QTest::keyClick(help->browser(), Qt::Key_F1);
            stillModal =
                help->isVisible() && help->isModal() && QApplication::activeModalWidget() == help;
            help->close();
        }
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    });

    QCOMPARE(page, QStringLiteral("windows.html"));
    QVERIFY(helpModal);
    QVERIFY(stillModal);
}

void TestFrmMain::exitEndsProgram() {
    EndRecorder ends;
    frmMain *w = openMain();
    action(w, "mnuAddExit")->trigger();
    QCOMPARE(ends.calls(), 1);
    QVERIFY(!objClub); // released on the way out
}

void TestFrmMain::closingTheWindowEndsProgram() {
    EndRecorder ends;
    frmMain *w = openMain();
    action(w, "mnuAddNewMember")->trigger();
    QTimer::singleShot(0, w, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QTRY_VERIFY(!frmMain::instance());
    QCOMPARE(ends.calls(), 0); // not through EndProgram
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
