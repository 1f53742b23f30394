// The roll's backups as the secretary meets them: made at start and end, "Back Up Now...",
// and the list and refusals of "Restore From Backup...".
#include "TestSupport.h"
#include "backup/RollBackup.h"
#include "backup/frmRestore.h"
#include "common/modGlobal.h"
#include "system/System.h"

#include <QCryptographicHash>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
const QDateTime Made(QDate(2026, 12, 8), QTime(9, 30, 15));

QByteArray digest(const QString &path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void clubWithMembers(const TempAppFolder &app, const QString &club, int members) {
    app.exec(QStringLiteral("DELETE FROM tblMain"));
    app.exec(
        QStringLiteral("INSERT INTO tblMain (ClubID, ClubName) VALUES ('C-1', '%1')").arg(club));
    app.exec(QStringLiteral("DELETE FROM tblMembers"));
    app.exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE "
                            "i < %1) INSERT INTO tblMembers (MemberID, LName) SELECT 'M-' || i, "
                            "'L' FROM k")
                 .arg(members));
}

QStringList rowTexts(const QTreeWidget *list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}
} // namespace

class tst_RollBackup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setClock([] { return Made; });
    }
    void automaticAtStartAndEnd();
    void automaticFailureSaidOnce();
    void backUpNowSaysWhereAndHowMany();
    void restoreListsWhatEachHolds();
    void restoreReplacesTheRoll();
};

void tst_RollBackup::automaticAtStartAndEnd() {
    TempAppFolder app;
    clubWithMembers(app, QStringLiteral("Harbour Rowing Club"), 3);
    MsgBoxRecorder boxes;
    AutomaticBackupAtStart();
    QCOMPARE(rollBackups().entries().size(), 1);
    AutomaticBackupAtEnd(); // nothing changed since
    QCOMPARE(rollBackups().entries().size(), 1);
    AutomaticBackupAtStart();
    app.exec(QStringLiteral("UPDATE tblMembers SET LName = 'Changed' WHERE MemberID = 'M-2'"));
    AutomaticBackupAtEnd();
    AutomaticBackupAtEnd(); // once per start
    QCOMPARE(rollBackups().entries().size(), 2);
    QVERIFY(boxes.shown().isEmpty());
}

void tst_RollBackup::automaticFailureSaidOnce() {
    TempAppFolder app;
    // A file where the folder of backups belongs: no backup can be made there.
    QFile blocker(app.path() + QStringLiteral("/backups"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MsgBoxRecorder boxes;
    AutomaticBackupAtStart();
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID) VALUES ('M-1')"));
    const QByteArray changed = digest(app.rollPath());
    AutomaticBackupAtEnd();
    QCOMPARE(digest(app.rollPath()), changed);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(boxes.prompts().first().contains(QStringLiteral("could not be made")));
    QCOMPARE(app.errorLog().count(QStringLiteral("Automatic Backup")), 2);
    QVERIFY(app.errorLog().contains(QStringLiteral("cannot be made")));
}

void tst_RollBackup::backUpNowSaysWhereAndHowMany() {
    TempAppFolder app;
    clubWithMembers(app, QStringLiteral("Harbour Rowing Club"), 1204);
    QTemporaryDir stick;
    MsgBoxRecorder boxes;
    const QString copy = BackUpNowTo(stick.path());
    QCOMPARE(copy, stick.filePath(QStringLiteral("club-2026-12-08-093015.qmr")));
    QVERIFY(QFile::exists(copy));
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(boxes.prompts().first().contains(QDir::toNativeSeparators(copy)));
    QVERIFY(boxes.prompts().first().contains(QStringLiteral("1,204 members")));
    // A folder that is not one: said, and nothing made.
    boxes.clear();
    QVERIFY(BackUpNowTo(app.path() + QStringLiteral("/text/About.rtf")).isEmpty());
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(boxes.prompts().first().startsWith(QStringLiteral("The roll was not backed up.")));
}

void tst_RollBackup::restoreListsWhatEachHolds() {
    TempAppFolder app;
    clubWithMembers(app, QStringLiteral("Harbour Rowing Club"), 2);
    QVERIFY(rollBackups().make(app.rollPath(), BackupFolder::Reason::Automatic, Made).ok);
    clubWithMembers(app, QStringLiteral("Harbour Rowing & Sailing"), 5);
    QVERIFY(rollBackups()
                .make(app.rollPath(), BackupFolder::Reason::BeforeRestore, Made.addDays(1))
                .ok);
    // A backup whose pages were overwritten, and a file that is no roll at all.
    const QString damaged = app.path() + QStringLiteral("/damaged.qmr");
    QFile::copy(app.rollPath(), damaged);
    {
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(4096 + 8);
        f.write(QByteArray(2000, '\x7f'));
    }
    MsgBoxRecorder boxes;
    frmRestore form;
    form.addFile(damaged);
    form.addFile(app.path() + QStringLiteral("/text/About.rtf"));
    QTreeWidget *list = form.lvBackups;
    QCOMPARE(list->topLevelItemCount(), 4);
    using C = frmRestore::Column;
    const QList<QStringList> expected = {
        {"", "", "", "Not a roll", "Picked file"},
        {"", "", "", "Damaged", "Picked file"},
        {"12/9/26 9:30 AM", "5", "Harbour Rowing & Sailing", "Sound", "Before a restore"},
        {"12/8/26 9:30 AM", "2", "Harbour Rowing Club", "Sound", "Automatic"},
    };
    for (int row = 0; row < 4; ++row) {
        QStringList texts = rowTexts(list, row).mid(0, C::FileColumn);
        if (row < 2)
            texts[C::DateColumn].clear(); // the file's own time
        QCOMPARE(texts, expected[row]);
    }
    // The file picked last is chosen; neither it nor the damaged one can be restored.
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    QVERIFY(!form.cmdRestore->isEnabled());
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(!form.cmdRestore->isEnabled());
    QVERIFY(list->topLevelItem(1)->toolTip(C::ClubColumn).contains(QStringLiteral("damaged")));
    list->setCurrentItem(list->topLevelItem(3));
    QVERIFY(form.cmdRestore->isEnabled());
    QVERIFY(boxes.shown().isEmpty());
}

void tst_RollBackup::restoreReplacesTheRoll() {
    TempAppFolder app;
    clubWithMembers(app, QStringLiteral("Harbour Rowing Club"), 2);
    QVERIFY(rollBackups().make(app.rollPath(), BackupFolder::Reason::Automatic, Made).ok);
    clubWithMembers(app, QStringLiteral("Harbour Rowing & Sailing"), 7);
    QStringList open = {QStringLiteral("Quillmere - Edit Member"),
                        QStringLiteral("Quillmere - Find Member")};
    MsgBoxRecorder boxes;
    boxes.answer({Mb::OK, Mb::No});
    frmRestore form([&open] { return open; });
    QTest::mouseClick(form.cmdRestore, Qt::LeftButton); // refused: windows are open
    open.clear();
    QTest::mouseClick(form.cmdRestore, Qt::LeftButton); // answered No
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("7"));
    QTest::mouseClick(form.cmdRestore, Qt::LeftButton);
    const QString confirm = QStringLiteral("Replace the roll with the backup made 12/8/26 9:30 AM?"
                                           "\n\nHarbour Rowing Club, 2 members.\n\nThe roll as it "
                                           "is now is backed up first.");
    QCOMPARE(boxes.prompts(),
             QStringList({QStringLiteral("Close these windows before restoring the roll:\n\n"
                                         "Quillmere - Edit Member\nQuillmere - Find Member"),
                          confirm, confirm,
                          QStringLiteral("The roll was restored from the backup made 12/8/26 "
                                         "9:30 AM.\n\nClub: Harbour Rowing Club\nMembers: 2")}));
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("2"));
    QCOMPARE(strClubName, QStringLiteral("Harbour Rowing Club"));
    // The roll as it was is kept, and listed with the others.
    QStringList kept;
    for (int row = 0; row < form.lvBackups->topLevelItemCount(); ++row)
        kept << rowTexts(form.lvBackups, row).mid(frmRestore::MembersColumn, 4).join(u'|');
    QVERIFY2(kept.contains(QStringLiteral("7|Harbour Rowing & Sailing|Sound|Before a restore")),
             qPrintable(kept.join(u'\n')));
}

QTEST_MAIN(tst_RollBackup)
#include "tst_rollbackup.moc"
