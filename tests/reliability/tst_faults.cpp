// Saves under a full disk, failing writes, a write-protected roll and a roll another process
// holds: each fails the way its operation fails, never claims a save it did not make, and
// leaves every earlier member in place.
#include "RelSupport.h"
#include "TestSupport.h"
#include "component/Component.h"
#include "db/Connection.h"
#include "system/ErrorLog.h"
#include "system/System.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The edit form's list: element 0 is the last name, MemberID travels as the key.
QStringList update(const QString &lastName) {
    return sampleMember(QString(), lastName).mid(1);
}

bool run(const QString &program, const QStringList &args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A small file system of its own, so "full" is reached in a moment and harms nobody.
class SmallDisk {
public:
    explicit SmallDisk(const QString &size) {
        if (geteuid() != 0) {
            m_why = QStringLiteral("mounting a small file system needs root");
            return;
        }
        if (!run(QStringLiteral("mount"),
                 {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", m_dir.path()})) {
            m_why = QStringLiteral("mount -t tmpfs is not permitted here");
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted && !run(QStringLiteral("umount"), {m_dir.path()}))
            run(QStringLiteral("umount"), {"-l", m_dir.path()});
    }
    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }

    // Takes every free byte; what is left is what the roll already occupies.
    void fill() {
        QFile f(path() + QStringLiteral("/filler"));
        f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size()) {
        }
        for (;;) // the last partial page too
            if (f.write("x", 1) != 1)
                break;
    }
    void free() { QFile::remove(path() + QStringLiteral("/filler")); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

// An application folder of our own at any place: the real plugin and a fresh roll.
void makeAppFolder(const QString &folder) {
    QDir().mkpath(folder + QStringLiteral("/club"));
    for (const QFileInfo &fi : QDir(builtAppFolder()).entryInfoList(QDir::Files))
        if (QLibrary::isLibrary(fi.filePath()))
            QFile::link(fi.filePath(), folder + u'/' + fi.fileName());
    buildRoll(folder + QStringLiteral("/club/club.qmr"));
}

// Holds the roll from a separate sqlite3 process until released.
class Locker {
public:
    Locker(const QString &roll, const QString &begin) {
        m_p.setProcessChannelMode(QProcess::MergedChannels);
        m_p.start(QStringLiteral("sqlite3"), {roll});
        m_p.waitForStarted(10000);
        // A change of its own stays pending in its transaction the whole time.
        m_p.write(begin.toUtf8()
                  + ";\nUPDATE tblMembers SET Notes = 'the locker';\nSELECT 'held';\n");
        QElapsedTimer t;
        t.start();
        while (!m_out.contains("held") && t.elapsed() < 10000 && m_p.state() == QProcess::Running) {
            m_p.waitForReadyRead(100);
            m_out += m_p.readAll();
        }
    }
    ~Locker() { release(); }
    bool holding() const { return m_out.contains("held"); }
    void release() {
        if (m_p.state() != QProcess::Running)
            return;
        m_p.write("ROLLBACK;\n.quit\n");
        m_p.closeWriteChannel();
        if (!m_p.waitForFinished(10000))
            m_p.kill();
    }

private:
    QProcess m_p;
    QByteArray m_out;
};
} // namespace

class tst_faults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void diskFull_data();
    void diskFull();
    void ioErrorNeverConfirms_data();
    void ioErrorNeverConfirms();
    void readOnly_data();
    void readOnly();
    void lockedRoll_data();
    void lockedRoll();
};

void tst_faults::diskFull_data() {
    QTest::addColumn<bool>("logHasRoom");
    // An existing log grows inside its last page, which a full disk still allows.
    QTest::newRow("error log has room") << true;
    QTest::newRow("error log cannot be written") << false;
}

void tst_faults::diskFull() {
    QFETCH(bool, logHasRoom);
    SmallDisk disk(QStringLiteral("1m"));
    if (!disk.mounted())
        QSKIP(qPrintable(QStringLiteral("disk-full test skipped: ") + disk.why()));
    const QString folder = disk.path() + QStringLiteral("/Quillmere");
    makeAppFolder(folder);
    const QString roll = folder + QStringLiteral("/club/club.qmr");
    setAppFolder(folder);
    MsgBoxRecorder boxes;
    QStringList earlier;
    {
        auto club = std::unique_ptr<_libClub>(createObjectAs<_libClub>(libClubClassName));
        for (int i = 1; i <= 20; ++i) {
            earlier << QStringLiteral("M-%1").arg(i);
            QVERIFY(club->AddMember(sampleMember(earlier.last(), QStringLiteral("Early")), 10));
        }
        if (logHasRoom) {
            LogWriter first;
            first.label = QStringLiteral("before the disk filled");
            writeErrorLog(first, 0, QStringLiteral("-"));
        }
        disk.fill();

        // AddMember passes the engine's failure on; the new member is not there.
        const QString addFailure = failureOf([&] {
            club->AddMember(sampleMember(QStringLiteral("M-21"), QStringLiteral("Late")), 10);
        });
        QVERIFY2(addFailure.startsWith(QLatin1String("13 ")), qPrintable(addFailure));

        // UpdateMember reports: message and log entry, or, when the log itself cannot be
        // written, that failure reaches the caller instead (no crash, nothing changed).
        bool updated = true;
        const QString updateFailure = failureOf(
            [&] { updated = club->UpdateMember(update(QStringLiteral("Changed")), "M-1", 11); });
        if (logHasRoom) {
            QCOMPARE(updateFailure, QStringLiteral("no failure"));
            QVERIFY(!updated);
            QCOMPARE(boxes.shown().size(), 1);
            QCOMPARE(boxes.shown().first().title, QStringLiteral("Club"));
            QVERIFY2(boxes.prompts().first().startsWith(QStringLiteral("ERROR # 13\n\n")),
                     qPrintable(boxes.prompts().first()));
            QVERIFY(boxes.prompts().first().endsWith(QStringLiteral("\nFunction: UpdateMember")));
            QFile log(folder + QStringLiteral("/error.log"));
            QVERIFY(log.open(QIODevice::ReadOnly));
            QVERIFY(log.readAll().contains("Update Member - DLL Function"));
        } else {
            QVERIFY2(updateFailure.startsWith(QLatin1String("75 ")), qPrintable(updateFailure));
            QVERIFY(boxes.shown().isEmpty());
        }
        QCOMPARE(Roll::memberIds(roll), earlier);
        QCOMPARE(Roll::integrity(roll), QStringLiteral("ok"));

        // With room again the roll takes the next member as if nothing had happened.
        disk.free();
        QVERIFY(club->AddMember(sampleMember(QStringLiteral("M-21"), QStringLiteral("Late")), 10));
    }
    setAppFolder(QString());
    QCOMPARE(Roll::memberIds(roll), earlier << QStringLiteral("M-21"));
    QCOMPARE(Roll::integrity(roll), QStringLiteral("ok"));
}

void tst_faults::ioErrorNeverConfirms_data() {
    QTest::addColumn<QString>("calls");
    QTest::newRow("write") << QStringLiteral("pwrite64");
    QTest::newRow("sync") << QStringLiteral("fsync,fdatasync");
}

void tst_faults::ioErrorNeverConfirms() {
    QFETCH(QString, calls);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("I/O error test skipped: strace is not installed");
    TempAppFolder app;
    Roll::upToDate(app.rollPath()); // the calls of a save alone, not of a migration
    auto traced = [&](const QString &id, const QStringList &options) {
        return runToEnd(strace, QStringList{"-f", "-qq", "-e", "trace=" + calls} + options
                                    + QStringList{harnessPath(), "add1", app.path(), id});
    };
    // How many such calls one save makes: every one of them is failed in turn.
    const QString trace = app.path() + QStringLiteral("/trace.txt");
    QCOMPARE(traced(QStringLiteral("M-1000"), {"-o", trace}), QStringList{"OK M-1000"});
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly));
    int total = 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        total += line.contains('(') && !line.contains("resumed>") ? 1 : 0;
    QVERIFY(total > 0);

    QStringList expected = Roll::memberIds(app.rollPath());
    int refused = 0;
    for (int n = 1; n <= total + 1; ++n) {
        const QString id = QStringLiteral("M-%1").arg(n);
        const QStringList lines =
            traced(id, {"-o", "/dev/null", "-e",
                        QStringLiteral("inject=%1:error=EIO:when=%2").arg(calls).arg(n)});
        QVERIFY2(lines.size() == 1,
                 qPrintable(QStringLiteral("run %1: %2").arg(n).arg(lines.join(u'|'))));
        const bool confirmed = lines.first() == QStringLiteral("OK ") + id;
        if (confirmed) {
            expected << id;
        } else {
            QVERIFY2(lines.first().startsWith(QStringLiteral("FAIL ") + id + u' '),
                     qPrintable(lines.first()));
            ++refused;
        }
        // The next open decides what is in the roll: every confirmed save, nothing else.
        QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
        QCOMPARE(Roll::memberIds(app.rollPath()), expected);
        if (n == total + 1)
            QVERIFY2(confirmed, "a save without injected failures did not succeed");
    }
    qInfo("%s: %d calls per save failed in turn, %d saves refused, %d confirmed and stored",
          qPrintable(calls), total, refused, total + 1 - refused);
    QVERIFY2(refused > 0, "no injected failure reached the save");
}

void tst_faults::readOnly_data() {
    QTest::addColumn<bool>("rollWritable");
    QTest::addColumn<bool>("foldersWritable");
    QTest::addColumn<QString>("expected"); // the harness's lines, one per step
    const QString club = QStringLiteral(
        "MSG Club ERROR # %1||%2|In the Dynamic Link Library|Function: UpdateMember");
    QTest::newRow("read-only roll")
        << false << true
        << QStringList{"READ 2",
                       "ADD threw 8 attempt to write a readonly database",
                       club.arg(8).arg("attempt to write a readonly database"),
                       "UPDATE no",
                       "DELETE threw 8 attempt to write a readonly database",
                       "READ 2"}
               .join(u'\n');
    QTest::newRow("read-only folders")
        << true << false
        << QStringList{"READ 2", "ADD threw 8 attempt to write a readonly database",
                       "UPDATE threw 75 Path/File access error",
                       "DELETE threw 8 attempt to write a readonly database", "READ 2"}
               .join(u'\n');
    QTest::newRow("read-only roll and folders")
        << false << false
        << QStringList{"READ 2", "ADD threw 8 attempt to write a readonly database",
                       "UPDATE threw 75 Path/File access error",
                       "DELETE threw 8 attempt to write a readonly database", "READ 2"}
               .join(u'\n');
}

void tst_faults::readOnly() {
    QFETCH(bool, rollWritable);
    QFETCH(bool, foldersWritable);
    QFETCH(QString, expected);
    if (geteuid() != 0)
        QSKIP("read-only test skipped: file modes only bind another user, and switching to "
              "nobody needs root");
    if (!run(QStringLiteral("runuser"), {"-u", "nobody", "--", "test", "-x", harnessPath()}))
        QSKIP("read-only test skipped: nobody cannot run the harness from this build folder");
    TempAppFolder app;
    Roll::upToDate(app.rollPath()); // a save's own writes, not a migration's
    app.exec(QStringLiteral(
        "INSERT INTO tblMembers (MemberID,LName) VALUES ('M-1','One'),('M-2','Two');"));
    const QByteArray before = Roll::fileHash(app.rollPath());
    // nobody may reach the folder; whether it may write there is the case under test.
    QVERIFY(::chmod(QFile::encodeName(app.path()).constData(), foldersWritable ? 0777 : 0555) == 0);
    QVERIFY(
        ::chmod(QFile::encodeName(app.path() + "/club").constData(), foldersWritable ? 0777 : 0555)
        == 0);
    QVERIFY(::chmod(QFile::encodeName(app.rollPath()).constData(), rollWritable ? 0666 : 0444)
            == 0);

    const QStringList lines = runToEnd(QStringLiteral("runuser"),
                                       {"-u", "nobody", "--", harnessPath(), "probe", app.path()});
    ::chmod(QFile::encodeName(app.path()).constData(), 0700);
    ::chmod(QFile::encodeName(app.path() + "/club").constData(), 0755);
    QCOMPARE(lines.join(u'\n'), expected);
    QCOMPARE(Roll::fileHash(app.rollPath()), before);
    QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
    if (!rollWritable && foldersWritable)
        QVERIFY(app.errorLog().contains(QLatin1String("Update Member - DLL Function")));
}

void tst_faults::lockedRoll_data() {
    QTest::addColumn<QString>("begin");
    QTest::addColumn<QString>("operation");
    QTest::newRow("exclusive, add") << "BEGIN EXCLUSIVE"
                                    << "add";
    QTest::newRow("exclusive, update") << "BEGIN EXCLUSIVE"
                                       << "update";
    QTest::newRow("exclusive, delete") << "BEGIN EXCLUSIVE"
                                       << "delete";
    QTest::newRow("writing, add") << "BEGIN IMMEDIATE"
                                  << "add";
}

void tst_faults::lockedRoll() {
    QFETCH(QString, begin);
    QFETCH(QString, operation);
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("lock test skipped: the sqlite3 program is not installed");
    TempAppFolder app;
    Roll::upToDate(app.rollPath());
    app.exec(QStringLiteral(
        "INSERT INTO tblMembers (MemberID,LName) VALUES ('M-1','One'),('M-2','Two');"));
    const QByteArray before = Roll::digest(app.rollPath());
    MsgBoxRecorder boxes;
    auto club = app.newClub();
    Locker locker(app.rollPath(), begin);
    QVERIFY2(locker.holding(), "sqlite3 did not take the lock");

    QElapsedTimer t;
    t.start();
    bool result = true;
    const QString failure = failureOf([&] {
        if (operation == QLatin1String("add"))
            result =
                club->AddMember(sampleMember(QStringLiteral("M-3"), QStringLiteral("Three")), 5);
        else if (operation == QLatin1String("update"))
            result =
                club->UpdateMember(update(QStringLiteral("Changed")), QStringLiteral("M-1"), 5);
        else
            result = club->DeleteMember(QStringLiteral("M-1"));
    });
    const qint64 waited = t.elapsed();
    QVERIFY2(waited >= 2800 && waited < 10000, qPrintable(QString::number(waited)));
    if (operation == QLatin1String("update")) {
        // The roll could not even be opened: the roll-back of the closed connection fails,
        // and that failure reaches the caller without a log entry or a message.
        QCOMPARE(failure,
                 QStringLiteral("3704 Operation is not allowed when the object is closed."));
        QCOMPARE(app.errorLog(), QString());
    } else {
        QCOMPARE(failure, QStringLiteral("5 database is locked"));
    }
    QVERIFY(boxes.shown().isEmpty()); // not even the deletion's question
    locker.release();
    club.reset();
    QCOMPARE(Roll::digest(app.rollPath()), before);
    QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(tst_faults)
#include "tst_faults.moc"
