// The windows of the import, the export and the e-mail list, driven on a real roll.
#include "../members/MemberTestUtil.h"
#include "exchange/ImportPlan.h"
#include "exchange/ImportPlanModel.h"
#include "exchange/MemberTable.h"
#include "exchange/UndoImport.h"
#include "exchange/frmCopyEmails.h"
#include "exchange/frmExportMembers.h"
#include "exchange/frmImportMembers.h"
#include "shell/frmMain.h"
#include "system/System.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

using namespace exchange;

namespace {
// Ashby is updated (a new city), Brook is already on the roll as he is, Cole and Dunn are new,
// and Eve's row lacks a first name.
const char ClubCsv[] = "Last Name,First Name,Address,City,State,Postal Code,Dues Amount,Paid,"
                       "Membership,Email\r\n"
                       "Ashby,Ann,1 Main St,Albany,NY,12345,25,Annual,Regular,ann@x.org\r\n"
                       "Brook,Ben,1 Main St,Springfield,NY - New York,12345,25,Annual,Regular,\r\n"
                       "Cole,Cara,5 Elm St,Albany,New York,12208,30,Annual,Family,cara@x.org\r\n"
                       "Dunn,Dan,6 Oak St,Troy,NY,12180,40,Annual,Regular,\r\n"
                       "Eve,,7 Pine St,Troy,NY,12180,40,Annual,Regular,\r\n";

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

StoredMember withEmail(StoredMember m, const QString &email, const QString &membership) {
    m.email = email;
    m.membership = membership;
    return m;
}

// The rosters read the roll from the working folder, which the start-up makes the application
// folder.
struct InAppFolder {
    explicit InAppFolder(const TempAppFolder &app) { QDir::setCurrent(app.path()); }
    ~InAppFolder() { QDir::setCurrent(old); }
    const QString old = QDir::currentPath();
};

// Opens the file and goes on to the preview with the columns as guessed.
void toPreview(frmImportMembers &wizard, const QString &file) {
    wizard.show();
    wizard.openFile(file);
    wizard.next();
    wizard.next();
}

// The next message box's answer comes with a cancel of the import's progress window as soon
// as events run again.
void cancelProgressAfterBox(MsgBoxRecorder &boxes, QWidget *owner) {
    boxes.onShow([owner](const MsgBoxRequest &) {
        QTimer::singleShot(0, owner, [owner] {
            if (auto *progress = owner->findChild<QProgressDialog *>())
                progress->cancel();
        });
    });
}

void storeClub(const TempAppFolder &app) {
    storeMember(app, withEmail(member("M-1", "Ashby", "Ann"), "ann@x.org", "Regular"));
    storeMember(app, withEmail(member("M-2", "Brook", "Ben"), "", "Regular"));
    storeMember(app, withEmail(member("M-3", "Clay", "Cy"), "ANN@x.org", "Family"));
    storeMember(app, withEmail(member("M-4", "Dale", "Di"), "", "Senior"));
}
} // namespace

class tst_ExchangeWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 30)); });
    }
    void cleanup() { objClub.reset(); }
    void importThenUndo();
    void cancelImportsNothing();
    void fileThatIsNoTable_data();
    void fileThatIsNoTable();
    void exportReadsBack_data();
    void exportReadsBack();
    void copyEmails();
    void fromTheToolsMenu();
};

void tst_ExchangeWindows::importThenUndo() {
    TempAppFolder app;
    storeMember(app, withEmail(member("M-1", "Ashby", "Ann"), "ann@x.org", "Regular"));
    storeMember(app, withEmail(member("M-2", "Brook", "Ben"), "", "Regular"));
    QTemporaryDir dir;
    const QString csv = writeFile(dir, "club.csv", ClubCsv);
    QStringList open{"Quillmere - Edit Member"};
    MsgBoxRecorder boxes;
    frmImportMembers wizard([&open] { return open; });
    wizard.show();
    wizard.openFile(csv);
    QCOMPARE(wizard.cboSeparator->currentText(), QStringLiteral("Comma"));
    QCOMPARE(wizard.lblRows->text(), QStringLiteral("5 rows below the headings."));
    for (int separator : {1, 0}) { // semicolons: one column; then commas again
        wizard.cboSeparator->setCurrentIndex(separator);
        Q_EMIT wizard.cboSeparator->activated(separator);
        QCOMPARE(wizard.tblSample->columnCount(), separator ? 1 : 10);
    }
    QVERIFY(wizard.currentPage()->isComplete());
    wizard.next();

    // Every required field must be filled, by one column only.
    QCOMPARE(wizard.currentId(), int(frmImportMembers::ColumnsPage));
    const QList<int> guessed = wizard.mapping();
    QVERIFY(wizard.currentPage()->isComplete());
    wizard.setMapping(0, NotImported);
    QVERIFY(!wizard.currentPage()->isComplete());
    QVERIFY(wizard.lblColumnProblem->text().contains(QStringLiteral("Last Name")));
    wizard.setMapping(0, guessed[0]);
    wizard.setMapping(3, guessed[9]);
    QVERIFY(!wizard.currentPage()->isComplete());
    QVERIFY(wizard.lblColumnProblem->text().contains(QStringLiteral("fills Email")));
    wizard.setMapping(3, guessed[3]);
    QVERIFY(wizard.lblColumnProblem->isHidden());
    wizard.next();

    QCOMPARE(wizard.currentId(), int(frmImportMembers::PreviewPage));
    const QString proposed = QStringLiteral("2 to add, 1 to update, 1 to skip, 1 refused");
    QCOMPARE(wizard.lblCounts->text(), proposed);
    // One row changed by hand, all of them, then the choices undone.
    ImportPlanModel *model = wizard.planModel();
    wizard.tvPlan->edit(wizard.tvPlan->model()->index(0, ImportPlanModel::ActionColumn));
    auto *choice = wizard.tvPlan->findChild<QComboBox *>("cboAction");
    QVERIFY(choice);
    QCOMPARE(choice->count(), 3); // update, add, skip
    choice->setCurrentIndex(choice->findText("Skip"));
    Q_EMIT choice->activated(choice->currentIndex());
    QCOMPARE(wizard.lblCounts->text(),
             QStringLiteral("2 to add, 0 to update, 2 to skip, 1 refused"));
    QVERIFY(!model->setData(model->index(4, ImportPlanModel::ActionColumn), int(Action::Add),
                            ImportPlanModel::ActionRole));
    wizard.cboShow->setCurrentIndex(1);
    Q_EMIT wizard.cboShow->activated(1);
    QCOMPARE(wizard.tvPlan->model()->rowCount(), 1);
    wizard.cboShow->setCurrentIndex(2);
    Q_EMIT wizard.cboShow->activated(2);
    QCOMPARE(wizard.tvPlan->model()->rowCount(), 2); // the two additions
    wizard.cboShow->setCurrentIndex(1);
    Q_EMIT wizard.cboShow->activated(1);
    QVERIFY(wizard.tvPlan->model()
                ->index(0, ImportPlanModel::WhatColumn)
                .data()
                .toString()
                .contains(QStringLiteral("First Name")));
    wizard.cmdSkipAll->click();
    QCOMPARE(wizard.lblCounts->text(),
             QStringLiteral("0 to add, 0 to update, 4 to skip, 1 refused"));
    wizard.next(); // nothing to do
    wizard.cmdUndoChoices->click();
    QCOMPARE(wizard.lblCounts->text(), proposed);
    wizard.next(); // refused: a window is open
    open.clear();
    boxes.answer({Mb::No});
    wizard.next();
    QCOMPARE(wizard.currentId(), int(frmImportMembers::PreviewPage));
    QCOMPARE(app.scalar("SELECT COUNT(*) FROM tblMembers"), QStringLiteral("2"));
    wizard.next(); // answered Yes
    const QString confirm = "Import the rows of club.csv?\n\n" + proposed
                            + ".\n\nThe roll is backed up first; \"Undo Last Import\" in the "
                              "Tools menu puts it back.";
    QCOMPARE(boxes.prompts(),
             QStringList({"Nothing to import: no row is to be added or updated, so the roll stays "
                          "as it is.",
                          "Close these windows before importing members:\n\nQuillmere - Edit "
                          "Member",
                          confirm, confirm}));

    QCOMPARE(wizard.currentId(), int(frmImportMembers::SummaryPage));
    const QStringList summary{wizard.lblAdded->text(), wizard.lblUpdated->text(),
                              wizard.lblSkipped->text(), wizard.lblRefused->text()};
    QCOMPARE(summary, QStringList({"2", "1", "1", "1"}));
    const QString byName = "SELECT LName || '|' || City || '|' || State || '|' || Membership "
                           "FROM tblMembers ORDER BY LName";
    QCOMPARE(app.column(byName),
             QStringList({"Ashby|Albany|NY - New York|Regular",
                          "Brook|Springfield|NY - New York|Regular",
                          "Cole|Albany|NY - New York|Family", "Dunn|Troy|NY - New York|Regular"}));

    boxes.clear();
    undoLastImport({});
    QCOMPARE(boxes.prompts().size(), 2);
    QVERIFY2(boxes.prompts()[0].startsWith("Undo the import of " + QDir::toNativeSeparators(csv)
                                           + ", made "),
             qPrintable(boxes.prompts()[0]));
    QVERIFY(boxes.prompts()[0].contains("It added 2 members and updated 1 member."));
    QCOMPARE(boxes.prompts()[1],
             "The import of " + QDir::toNativeSeparators(csv)
                 + " was undone; the roll is as it was before it.\n\nThe 2 members it added are "
                   "gone and the 1 member it updated is as it was.");
    QCOMPARE(app.column(byName), QStringList({"Ashby|Springfield|NY - New York|Regular",
                                              "Brook|Springfield|NY - New York|Regular"}));
    boxes.clear();
    undoLastImport({});
    QCOMPARE(boxes.prompts(), QStringList{"There is no import to undo."});
}

void tst_ExchangeWindows::cancelImportsNothing() {
    TempAppFolder app;
    QTemporaryDir dir;
    MsgBoxRecorder boxes;
    frmImportMembers wizard;
    toPreview(wizard, writeFile(dir, "club.csv", ClubCsv));
    cancelProgressAfterBox(boxes, &wizard);
    wizard.next();
    QCOMPARE(boxes.prompts().last(),
             QStringLiteral("The import was cancelled; nothing was imported."));
    QCOMPARE(wizard.currentId(), int(frmImportMembers::PreviewPage));
    QCOMPARE(app.scalar("SELECT COUNT(*) FROM tblMembers"), QStringLiteral("0"));
}

void tst_ExchangeWindows::fileThatIsNoTable_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("a PDF") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n");
    QTest::newRow("headings only") << QByteArray("Last Name,First Name\r\n");
}

void tst_ExchangeWindows::fileThatIsNoTable() {
    QFETCH(QByteArray, bytes);
    TempAppFolder app;
    QTemporaryDir dir;
    frmImportMembers wizard;
    wizard.show();
    wizard.openFile(writeFile(dir, "roll.csv", bytes));
    QVERIFY(!wizard.currentPage()->isComplete());
    QVERIFY(!wizard.lblFileProblem->isHidden());
    QVERIFY2(wizard.lblFileProblem->text().contains("roll.csv"),
             qPrintable(wizard.lblFileProblem->text()));
    QCOMPARE(wizard.tblSample->rowCount(), 0);
}

void tst_ExchangeWindows::exportReadsBack_data() {
    QTest::addColumn<bool>("workbook");
    QTest::newRow("csv") << false;
    QTest::newRow("xlsx") << true;
}

void tst_ExchangeWindows::exportReadsBack() {
    QFETCH(bool, workbook);
    TempAppFolder app;
    const InAppFolder inApp(app);
    storeClub(app);
    QTemporaryDir dir;
    MsgBoxRecorder boxes;
    frmExportMembers form;
    QStringList suggested;
    QString path;
    form.askPath = [&](const QString &s) {
        suggested << QFileInfo(s).fileName();
        return path;
    };
    form.cboRoster->setCurrentIndex(int(Roster::Junior));
    QVERIFY(!form.exportChosen());
    form.cboRoster->setCurrentIndex(int(Roster::Regular));
    (workbook ? form.optWorkbook : form.optCsv)->setChecked(true);
    QVERIFY(!form.exportChosen()); // the save dialog cancelled
    path = dir.filePath("no-such-folder/regular");
    QVERIFY(!form.exportChosen());
    path = dir.filePath("regular");
    QVERIFY(form.exportChosen());
    const QString ending = workbook ? ".xlsx" : ".csv";
    QCOMPARE(suggested, QStringList(3, "regular-members-2026-12-08" + ending));
    QCOMPARE(boxes.prompts().size(), 3);
    QCOMPARE(boxes.prompts()[0], QStringLiteral("No Junior membership records were found! "));
    QVERIFY2(boxes.prompts()[1].startsWith("The members were not exported.\n\n")
                 && boxes.prompts()[1].contains("regular" + ending),
             qPrintable(boxes.prompts()[1]));
    QCOMPARE(boxes.prompts()[2],
             "2 members were written to:\n\n" + QDir::toNativeSeparators(path + ending));
    QVERIFY(!QFileInfo::exists(dir.filePath("no-such-folder")));

    const TableRead read = readTableFile(path + ending);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.workbook, workbook);
    QCOMPARE(read.headings.first(), QStringLiteral("Member ID"));
    QCOMPARE(read.headings.size(), memberColumns().size());
    QCOMPARE(read.rows.size(), 2);
    QCOMPARE(read.rows[0].mid(0, 3), QStringList({"M-1", "Ashby", "Ann"}));
    QCOMPARE(read.rows[1].mid(0, 3), QStringList({"M-2", "Brook", "Ben"}));
}

void tst_ExchangeWindows::copyEmails() {
    TempAppFolder app;
    const InAppFolder inApp(app);
    storeClub(app);
    MsgBoxRecorder boxes;
    QGuiApplication::clipboard()->setText("before");
    frmCopyEmails form;
    QVERIFY(form.copyChosen());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ann@x.org"));
    form.cboRoster->setCurrentIndex(int(Roster::Family));
    QVERIFY(form.copyChosen());
    for (Roster nobody : {Roster::Senior, Roster::Pool}) {
        form.cboRoster->setCurrentIndex(int(nobody));
        QVERIFY(!form.copyChosen());
    }
    QCOMPARE(boxes.prompts(),
             QStringList({"1 e-mail address copied, ready to paste into Bcc. 2 members have no "
                          "e-mail address.",
                          "1 e-mail address copied, ready to paste into Bcc.",
                          "None of these members has an e-mail address; nothing was copied.",
                          "No Pool membership records were found! "}));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ANN@x.org"));
}

// The Tools menu's import runs in the main window with no other window open; once finished the
// wizard is gone, and the undo is refused while another window is open.
void tst_ExchangeWindows::fromTheToolsMenu() {
    TempAppFolder app;
    QTemporaryDir dir;
    MsgBoxRecorder boxes;
    frmMain *w = frmMain::load();
    w->show();
    auto trigger = [w](const char *name) {
        w->findChild<QAction *>(QString::fromLatin1(name))->trigger();
    };
    trigger("mnuToolsImportMembers");
    trigger("mnuToolsImportMembers");
    QCOMPARE(w->mdiArea()->subWindowList().size(), 1);
    QPointer<frmImportMembers> wizard = w->findChild<frmImportMembers *>();
    toPreview(*wizard, writeFile(dir, "club.csv", ClubCsv));
    wizard->next();
    QCOMPARE(wizard->currentId(), int(frmImportMembers::SummaryPage));
    wizard->button(QWizard::FinishButton)->click();
    QTRY_VERIFY(wizard.isNull());
    QCOMPARE(app.scalar("SELECT COUNT(*) FROM tblMembers"), QStringLiteral("4"));

    trigger("mnuAddNewMember");
    const QString title = w->mdiArea()->subWindowList().first()->widget()->windowTitle();
    boxes.clear();
    trigger("mnuToolsUndoImport");
    QCOMPARE(boxes.prompts(),
             QStringList("Close these windows before undoing the import:\n\n" + title));
    w->mdiArea()->closeAllSubWindows();
    trigger("mnuToolsUndoImport");
    QCOMPARE(boxes.prompts().size(), 3);
    QCOMPARE(app.scalar("SELECT COUNT(*) FROM tblMembers"), QStringLiteral("0"));
    delete w;
}

QTEST_MAIN(tst_ExchangeWindows)
#include "tst_exchangewindows.moc"
