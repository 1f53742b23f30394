// Backups of a database file: a whole, checked copy or none at all, the source never written,
// and a folder of them kept by its rule.
#include "TestSupport.h"
#include "db/Backup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
QByteArray digest(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Every row of every table, and the header values a reader relies on, as text.
QStringList content(const QString &path) {
    QStringList out;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto each = [&](const QString &sql, const std::function<void(sqlite3_stmt *)> &row) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            row(st);
        sqlite3_finalize(st);
    };
    auto text = [](sqlite3_stmt *st, int c) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
    };
    QStringList tables;
    each(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
         [&](sqlite3_stmt *st) { tables << text(st, 0); });
    for (const QString &t : {QStringLiteral("user_version"), QStringLiteral("application_id")})
        each(QStringLiteral("PRAGMA ") + t,
             [&](sqlite3_stmt *st) { out << t + u'=' + text(st, 0); });
    for (const QString &t : tables)
        each(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t), [&](sqlite3_stmt *st) {
            QString line = t;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                line += u'|' + text(st, c);
            out << line;
        });
    sqlite3_close_v2(db);
    return out;
}

void addMembers(const TempAppFolder &app, int n) {
    app.exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k "
                            "WHERE i < %1) INSERT INTO tblMembers (MemberID, LName, FName, City, "
                            "Dues, Notes) SELECT 'M-' || i, 'Last' || i, 'Fïrst', 'Town', i * 1.5, "
                            "hex(randomblob(40)) FROM k")
                 .arg(n));
}

// The roll with a save caught halfway: the file and its journal as a crash leaves them.
void leaveHotJournal(const QString &roll, const QString &copy) {
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(roll).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db,
                 "PRAGMA cache_size=2; BEGIN; UPDATE tblMembers SET Notes = hex(randomblob(60));",
                 nullptr, nullptr, nullptr);
    QFile::copy(roll, copy);
    QFile::copy(roll + QStringLiteral("-journal"), copy + QStringLiteral("-journal"));
    sqlite3_close_v2(db);
}

// A page in the middle of the members' rows overwritten, as a failing disk leaves it.
void damagePage(const QString &path, int page) {
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    f.seek(qint64(page) * 4096 + 16);
    f.write(QByteArray(1024, '\x5a'));
}

// A file system of its own, too small for the copy, where this process may mount one.
struct SmallDisk {
    QString at;
    bool mounted = false;
    explicit SmallDisk(const QString &folder)
        : at(folder) {
        mounted = geteuid() == 0
                  && QProcess::execute(QStringLiteral("mount"),
                                       {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                        QStringLiteral("-o"), QStringLiteral("size=64k"),
                                        QStringLiteral("tmpfs"), folder})
                         == 0;
    }
    ~SmallDisk() {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {at});
    }
};

// Sets the file size limit of this process for its lifetime: a write beyond it fails, as on a
// disk whose files cannot be that large.
struct FileLimit {
    rlimit before{};
    explicit FileLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit at = before;
        at.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &at);
    }
    ~FileLimit() { setrlimit(RLIMIT_FSIZE, &before); }
};

// A folder no one may write into: its mode for an ordinary user; root passes any mode, so for
// root the folder is made immutable, where the file system allows.
bool makeUnwritable(const QString &folder, bool unwritable) {
    if (geteuid() != 0)
        return QFile::setPermissions(folder, unwritable ? QFile::ReadOwner | QFile::ExeOwner
                                                        : QFile::ReadOwner | QFile::WriteOwner
                                                              | QFile::ExeOwner);
    return QProcess::execute(QStringLiteral("chattr"),
                             {unwritable ? QStringLiteral("+i") : QStringLiteral("-i"), folder})
           == 0;
}

enum class Fault {
    FolderIsFile,
    FolderMissing,
    FolderUnwritable,
    DiskFull,
    FileTooLarge,
    NotADatabase,
    SourceMissing,
    SourceDamaged,
    SaveCutShort
};
} // namespace

Q_DECLARE_METATYPE(Fault)

class tst_Backup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copyHoldsEveryRow();
    void failureLeavesNoBackup_data();
    void failureLeavesNoBackup();
    void pruneKeepsByTheRule();
    void newBackupOnlyAfterAChange_data();
    void newBackupOnlyAfterAChange();
};

void tst_Backup::copyHoldsEveryRow() {
    TempAppFolder app;
    addMembers(app, 500);
    const QString target = app.path() + QStringLiteral("/copy.qmr");
    QFile::copy(app.rollPath(), target); // an older backup of the name is replaced
    app.exec(QStringLiteral("DELETE FROM tblMembers WHERE ID % 7 = 0"));
    const QByteArray before = digest(app.rollPath());
    const BackupOutcome out = backupDatabase(app.rollPath(), target);
    QVERIFY2(out.ok, qPrintable(out.error));
    QCOMPARE(out.path, target);
    QCOMPARE(content(target), content(app.rollPath()));
    QVERIFY(content(target).size() > 400);
    QCOMPARE(digest(app.rollPath()), before);
    QCOMPARE(QDir(app.path()).entryList({QStringLiteral("copy.qmr*")}),
             QStringList{QStringLiteral("copy.qmr")});
}

void tst_Backup::failureLeavesNoBackup_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("words");
    QTest::newRow("folder is a file") << Fault::FolderIsFile << "is a file, not a folder";
    QTest::newRow("folder missing") << Fault::FolderMissing << "does not exist";
    QTest::newRow("folder unwritable") << Fault::FolderUnwritable << "cannot be written to";
    QTest::newRow("disk full") << Fault::DiskFull << "no room left on the disk";
    QTest::newRow("file too large") << Fault::FileTooLarge << "larger than the disk";
    QTest::newRow("not a database") << Fault::NotADatabase << "is not a database";
    QTest::newRow("source missing") << Fault::SourceMissing << "cannot be found";
    QTest::newRow("source damaged") << Fault::SourceDamaged << "failed its integrity check";
    QTest::newRow("save cut short") << Fault::SaveCutShort << "was cut short";
}

void tst_Backup::failureLeavesNoBackup() {
    QFETCH(Fault, fault);
    QFETCH(QString, words);
    TempAppFolder app;
    addMembers(app, 2000);
    QString source = app.rollPath();
    QString folder = app.path() + QStringLiteral("/backups");
    QDir().mkpath(folder);
    std::unique_ptr<SmallDisk> disk;
    std::unique_ptr<FileLimit> limit;
    switch (fault) {
    case Fault::FolderIsFile:
        folder = app.path() + QStringLiteral("/text/About.rtf");
        break;
    case Fault::FolderMissing:
        folder = app.path() + QStringLiteral("/nowhere");
        break;
    case Fault::FolderUnwritable:
        if (!makeUnwritable(folder, true))
            QSKIP("this file system cannot refuse root a folder");
        break;
    case Fault::DiskFull:
        disk = std::make_unique<SmallDisk>(folder);
        if (!disk->mounted)
            QSKIP("no file system can be mounted here");
        break;
    case Fault::FileTooLarge:
        limit = std::make_unique<FileLimit>(QFileInfo(source).size() / 2);
        break;
    case Fault::NotADatabase:
        source = app.path() + QStringLiteral("/text/About.rtf");
        break;
    case Fault::SourceMissing:
        source = app.path() + QStringLiteral("/club/absent.qmr");
        break;
    case Fault::SourceDamaged:
        damagePage(source, int(QFileInfo(source).size() / 4096 / 2));
        break;
    case Fault::SaveCutShort:
        source = app.path() + QStringLiteral("/club/cut.qmr");
        leaveHotJournal(app.rollPath(), source);
        QVERIFY(QFile::exists(source + QStringLiteral("-journal")));
        break;
    }
    const QByteArray before = digest(source);
    const QString target = folder + QStringLiteral("/club-2026-12-08-100000.qmr");
    const BackupOutcome out = backupDatabase(source, target);
    limit.reset();
    if (fault == Fault::FolderUnwritable)
        makeUnwritable(folder, false);
    QVERIFY(!out.ok);
    QVERIFY2(out.error.contains(words), qPrintable(out.error));
    QVERIFY(out.path.isEmpty());
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(!QFileInfo::exists(target + QStringLiteral(".partial")));
    QCOMPARE(digest(source), before);
    if (fault == Fault::SaveCutShort)
        QVERIFY(QFile::exists(source + QStringLiteral("-journal")));
}

void tst_Backup::pruneKeepsByTheRule() {
    QTemporaryDir dir;
    const QString base = QStringLiteral("club-");
    QStringList kept, removed;
    // Two automatic backups a month for 14 months, the 20th's the month's newest.
    for (QDate month(2025, 11, 1); month <= QDate(2026, 12, 1); month = month.addMonths(1)) {
        const QString stamp = month.toString(QStringLiteral("yyyy-MM-"));
        removed << base + stamp + QStringLiteral("05-100000.qmr");
        (month.year() == 2025 ? removed : kept) << base + stamp + QStringLiteral("20-100000.qmr");
    }
    // December's busy days: the last 10 are kept however close together.
    removed << QStringLiteral("club-2026-12-10-080000.qmr")
            << QStringLiteral("club-2026-12-10-090000.qmr");
    kept << QStringLiteral("club-2026-12-11-080000.qmr")
         << QStringLiteral("club-2026-12-11-090000.qmr")
         << QStringLiteral("club-2026-12-12-080000.qmr")
         << QStringLiteral("club-2026-12-12-090000.qmr")
         << QStringLiteral("club-2026-12-13-080000.qmr")
         << QStringLiteral("club-2026-12-13-090000.qmr")
         << QStringLiteral("club-2026-12-14-080000.qmr")
         << QStringLiteral("club-2026-12-14-090000.qmr")
         << QStringLiteral("club-2026-12-14-090000-2.qmr");
    // Made before a change, whatever their age; and files that are not backups.
    kept << QStringLiteral("club-2025-11-03-080000-before-restore.qmr")
         << QStringLiteral("club-2026-03-01-000000-before-migration.qmr")
         << QStringLiteral("club-2026-12-10-085959-before-import.qmr");
    const QStringList others = {QStringLiteral("club-2025-01-01-000000.qmr.partial"),
                                QStringLiteral("notes.txt"), QStringLiteral("club.qmr"),
                                QStringLiteral("other-2025-01-01-000000.qmr")};
    for (const QString &name : kept + removed + others) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    BackupFolder folder(dir.path(), QStringLiteral("club"));
    QCOMPARE(folder.entries().size(), kept.size() + removed.size());
    folder.prune(QDateTime(QDate(2026, 12, 31), QTime(12, 0)));
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    QStringList expected = kept + others;
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
    const QList<BackupFolder::Entry> entries = folder.entries();
    QCOMPARE(QFileInfo(entries.at(0).path).fileName(),
             QStringLiteral("club-2026-12-20-100000.qmr"));
    QCOMPARE(QFileInfo(entries.at(1).path).fileName(),
             QStringLiteral("club-2026-12-14-090000-2.qmr"));
    QCOMPARE(entries.at(1).madeAt, QDateTime(QDate(2026, 12, 14), QTime(9, 0)));
    QCOMPARE(QFileInfo(entries.last().path).fileName(),
             QStringLiteral("club-2025-11-03-080000-before-restore.qmr"));
    QCOMPARE(entries.last().reason, BackupFolder::Reason::BeforeRestore);
}

void tst_Backup::newBackupOnlyAfterAChange_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("made");
    QTest::newRow("nothing") << QString() << false;
    // A commit that leaves every value as it was still counts in the file's header.
    QTest::newRow("values written as they were")
        << QStringLiteral("UPDATE tblMembers SET LName = LName") << false;
    QTest::newRow("member added") << QStringLiteral(
        "INSERT INTO tblMembers (MemberID, LName) VALUES ('M-99', 'New')")
                                  << true;
    QTest::newRow("one value changed")
        << QStringLiteral("UPDATE tblMembers SET City = 'Elsewhere' WHERE MemberID = 'M-3'")
        << true;
    QTest::newRow("layout version raised") << QStringLiteral("PRAGMA user_version = 99") << true;
}

void tst_Backup::newBackupOnlyAfterAChange() {
    QFETCH(QString, change);
    QFETCH(bool, made);
    TempAppFolder app;
    addMembers(app, 20);
    BackupFolder folder(app.path() + QStringLiteral("/backups"), QStringLiteral("club"));
    const QDateTime first(QDate(2026, 12, 8), QTime(9, 30));
    const BackupOutcome initial = folder.makeIfChanged(app.rollPath(), first);
    QVERIFY2(initial.ok && QFile::exists(initial.path), qPrintable(initial.error));
    if (!change.isEmpty())
        app.exec(change);
    const BackupOutcome next = folder.makeIfChanged(app.rollPath(), first);
    QVERIFY2(next.ok, qPrintable(next.error));
    QCOMPARE(!next.path.isEmpty(), made);
    QCOMPARE(folder.entries().size(), made ? 2 : 1);
    if (made) // made in the same second as the first, which it does not replace
        QCOMPARE(QFileInfo(next.path).fileName(), QStringLiteral("club-2026-12-08-093000-2.qmr"));
}

QTEST_GUILESS_MAIN(tst_Backup)
#include "tst_backup.moc"
