// A process killed at any moment loses nothing it confirmed and leaves no half change.
#include "RelSupport.h"
#include "TestSupport.h"
#include "club/Roll.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <functional>

namespace {
int envInt(const char *name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// Members enough for a backup and a copy to take a few milliseconds.
QString manyMembers(int n, const char *name) {
    return QStringLiteral("INSERT INTO tblMain (ClubID,ClubName) VALUES ('C-1','%2 Club');"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                          "i < %1) INSERT INTO tblMembers (MemberID,LName,Notes,AddDate) SELECT "
                          "'M-' || i, '%2' || i, printf('%.300c', 'n'), '2026-01-01 10:00:00' "
                          "FROM n;")
        .arg(n)
        .arg(QLatin1String(name));
}

// Waits until a finished backup whose name ends in `suffix` lies in the folder.
bool backupAppears(const QString &folder, const QString &suffix) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (!QDir(folder).entryList({QLatin1Char('*') + suffix}, QDir::Files).isEmpty())
            return true;
        QThread::usleep(100);
    }
    return false;
}

quint32 seed() {
    const quint32 s = quint32(envInt("QMR_SEED", int(QRandomGenerator::global()->generate() >> 1)));
    qInfo("random seed %u (set QMR_SEED to repeat)", s);
    return s;
}

} // namespace

class tst_killed : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedMidSave();
    void killedInsideLargeTransaction_data();
    void killedInsideLargeTransaction();
    void killedDuringUpkeep_data();
    void killedDuringUpkeep();
    void killedDuringImport();
};

namespace {
// Every member change has exactly one history row and every history row its change: an
// addition's row while the member is there, an update's row while its ModDate is set.
QString historyMismatch(const QString &roll) {
    QMap<QString, bool> updated; // MemberID -> ModDate set
    for (const QStringList &r :
         Roll::rows(roll, "SELECT MemberID, ModDate IS NOT NULL FROM tblMembers"))
        updated.insert(r.value(0), r.value(1) == QLatin1String("1"));
    // Killed before the first save brought the roll up to date: nothing can be stored yet.
    if (Roll::rows(roll, "SELECT name FROM sqlite_master WHERE name = 'tblHistory'").isEmpty())
        return updated.isEmpty() ? QString()
                                 : QStringLiteral("members stored on a roll without history");
    QMap<QString, int> rows; // "operation MemberID" -> rows
    for (const QStringList &r : Roll::rows(
             roll, "SELECT Operation || ' ' || MemberID, COUNT(*) FROM tblHistory GROUP BY 1"))
        rows.insert(r.value(0), r.value(1).toInt());
    for (auto it = updated.begin(); it != updated.end(); ++it) {
        if (rows.take(QStringLiteral("add ") + it.key()) != 1)
            return QStringLiteral("%1 has no single add row").arg(it.key());
        if (rows.take(QStringLiteral("update ") + it.key()) != (it.value() ? 1 : 0))
            return QStringLiteral("%1 has the wrong update rows").arg(it.key());
    }
    return rows.isEmpty() ? QString()
                          : QStringLiteral("rows without their change: ") + rows.firstKey();
}

// The roll a kill round starts from, copied aside once and put back before each round, with
// the journal and backups the last round left gone.
class PristineRoll {
public:
    explicit PristineRoll(const TempAppFolder &app)
        : m_roll(app.rollPath())
        , m_backups(app.path() + QStringLiteral("/backups"))
        , m_copy(app.path() + QStringLiteral("/pristine.qmr"))
        , m_saved(QFile::copy(m_roll, m_copy)) {}
    bool saved() const { return m_saved; }
    bool putBack() const {
        QDir(m_backups).removeRecursively();
        QFile::remove(m_roll + QStringLiteral("-journal"));
        return QFile::remove(m_roll) && QFile::copy(m_copy, m_roll);
    }

private:
    QString m_roll, m_backups, m_copy;
    bool m_saved;
};
} // namespace

void tst_killed::killedMidSave() {
    TempAppFolder app;
    const int rounds = envInt("QMR_KILL_ROUNDS", 60);
    QRandomGenerator rng(seed());
    int inFlightKept = 0, inFlightLost = 0;
    // Saves ("ADD M-5", "UPDATE M-5") confirmed, or found stored after being killed in flight.
    QSet<QString> confirmed;
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        QByteArray out;
        QVERIFY2(startAndWaitFor(p, {QStringLiteral("add"), app.path(), QStringLiteral("0")},
                                 QStringLiteral("TRY "), out),
                 "the harness never began to save");
        QThread::usleep(rng.bounded(250000));
        killHard(p, out);

        QString inFlight;
        for (const QString &line : linesOf(out)) {
            if (line.startsWith(QLatin1String("OK "))) {
                confirmed.insert(line.mid(3));
                inFlight.clear();
            } else if (line.startsWith(QLatin1String("TRY "))) {
                inFlight = line.mid(4);
            } else {
                QFAIL(qPrintable(
                    QStringLiteral("round %1: the harness said %2").arg(round).arg(line)));
            }
        }

        QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
        const QStringList stored = Roll::memberIds(app.rollPath());
        const QSet<QString> storedSet(stored.begin(), stored.end());
        QCOMPARE(storedSet.size(), stored.size()); // no identifier given twice
        QSet<QString> updated;
        for (const QStringList &r : Roll::rows(
                 app.rollPath(), "SELECT MemberID FROM tblMembers WHERE ModDate IS NOT NULL"))
            updated.insert(r.value(0));
        const auto isStored = [&](const QString &save) {
            const QString id = save.section(u' ', 1);
            return save.startsWith(QLatin1String("ADD ")) ? storedSet.contains(id)
                                                          : updated.contains(id);
        };
        for (const QString &save : std::as_const(confirmed))
            QVERIFY2(
                isStored(save),
                qPrintable(QStringLiteral("round %1: confirmed %2 is lost").arg(round).arg(save)));
        for (const QString &id : stored)
            QVERIFY2(confirmed.contains(QStringLiteral("ADD ") + id) || inFlight == "ADD " + id,
                     qPrintable(QStringLiteral("round %1: %2 was never saved").arg(round).arg(id)));
        const QString mismatch = historyMismatch(app.rollPath());
        QVERIFY2(mismatch.isEmpty(),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(mismatch)));
        if (!inFlight.isEmpty()) {
            if (isStored(inFlight)) {
                // Committed just before the kill: it is the secretary's now, like any other.
                confirmed.insert(inFlight);
                ++inFlightKept;
            } else {
                ++inFlightLost;
            }
        }
    }
    const int saves = int(confirmed.size()) - inFlightKept;
    const qsizetype historyRows = Roll::rows(app.rollPath(), "SELECT COUNT(*) FROM tblHistory")
                                      .value(0)
                                      .value(0)
                                      .toLongLong();
    qInfo("%d rounds, %d saves confirmed, 0 lost; %lld history rows, one per stored change; "
          "killed in flight: %d kept, %d not stored",
          rounds, saves, qlonglong(historyRows), inFlightKept, inFlightLost);
    QVERIFY2(saves > 0 && inFlightKept + inFlightLost > 0,
             "no kill landed during a save: the rounds prove nothing");
}

void tst_killed::killedInsideLargeTransaction_data() {
    QTest::addColumn<bool>("hold");
    QTest::addColumn<int>("rounds");
    QTest::newRow("held uncommitted") << true << 1;
    QTest::newRow("killed while changing or committing") << false << envInt("QMR_BIG_ROUNDS", 30);
}

void tst_killed::killedInsideLargeTransaction() {
    QFETCH(bool, hold);
    QFETCH(int, rounds);
    constexpr int Rows = 20000; // several megabytes: more than the engine keeps in memory
    TempAppFolder app;
    app.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "INSERT INTO tblMembers (MemberID,LName,FName,Dues,Membership,AddDate) "
        "SELECT 'M-' || i, 'Name' || i, 'First', 25.5, 'Regular', '2026-01-01 10:00:00' FROM n;"));
    const QByteArray before = Roll::digest(app.rollPath());
    const QString pristine = app.path() + QStringLiteral("/pristine.qmr");
    QVERIFY(QFile::copy(app.rollPath(), pristine));

    // What a completed change leaves, to tell "all of it" from "part of it".
    // Its length sets the range of the kill moments.
    QByteArray after;
    qint64 changeUs = 0;
    if (!hold) {
        QProcess p;
        QByteArray out;
        QVERIFY(
            startAndWaitFor(p, {QStringLiteral("big"), app.path(), QString::number(Rows), "commit"},
                            QStringLiteral("BEGUN"), out));
        QElapsedTimer t;
        t.start();
        QVERIFY(p.waitForFinished(60000));
        changeUs = t.nsecsElapsed() / 1000;
        out += p.readAllStandardOutput();
        QVERIFY2(linesOf(out).contains(QStringLiteral("COMMITTED")), out.constData());
        after = Roll::digest(app.rollPath());
        QVERIFY(after != before);
        QVERIFY(QFile::remove(app.rollPath()) && QFile::copy(pristine, app.rollPath()));
    }

    QRandomGenerator rng(seed());
    int restored = 0, completed = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        QByteArray out;
        QVERIFY2(startAndWaitFor(p,
                                 {QStringLiteral("big"), app.path(), QString::number(Rows),
                                  hold ? QStringLiteral("hold") : QStringLiteral("commit")},
                                 hold ? QStringLiteral("HELD") : QStringLiteral("BEGUN"), out),
                 out.constData());
        if (!hold)
            QThread::usleep(rng.bounded(quint32(changeUs + changeUs / 5 + 1)));
        killHard(p, out);
        const bool committed = linesOf(out).contains(QStringLiteral("COMMITTED"));

        QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
        const QByteArray now = Roll::digest(app.rollPath());
        if (committed) {
            QCOMPARE(now, after);
        } else if (now == before) {
            ++restored;
        } else {
            QVERIFY2(now == after, "the roll holds part of a change");
            ++completed; // committed in the instant before the kill, unconfirmed
        }
        if (now != before)
            QVERIFY(QFile::remove(app.rollPath()) && QFile::copy(pristine, app.rollPath()));
    }
    qInfo("%d kills: %d restored as before, %d whole changes (%d unconfirmed), none partial",
          rounds, restored, rounds - restored, completed);
    if (hold)
        QCOMPARE(restored, rounds);
    QVERIFY2(restored > 0, "no kill landed inside the transaction");
}

// Killed while an older roll is brought up to date before a change, or while a backup
// replaces the roll: the roll is whole and in one of the states the operation passes through
// (each migration and the copy are one transaction), never between two.
void tst_killed::killedDuringUpkeep_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("backup"); // the one made first, after which the work runs
    QTest::newRow("migration") << "migrate"
                               << "-before-migration.qmr";
    QTest::newRow("restore") << "restore"
                             << "-before-restore.qmr";
}

void tst_killed::killedDuringUpkeep() {
    QFETCH(QString, operation);
    QFETCH(QString, backup);
    const bool restore = operation == u"restore";
    TempAppFolder offered; // for a restore: an older roll, of other members
    if (restore)
        offered.exec(manyMembers(5000, "Restored"));
    TempAppFolder app;
    if (restore)
        Roll::upToDate(app.rollPath());
    app.exec(manyMembers(restore ? 2000 : 3000, "Current"));
    const QString roll = app.rollPath(), backups = app.path() + QStringLiteral("/backups");
    const PristineRoll pristine(app);
    QVERIFY(pristine.saved());
    const QStringList args{operation, app.path(),
                           restore ? offered.rollPath() : QStringLiteral("-")};
    const auto state = [&] {
        return Roll::originalDigest(roll) + ' ' + QByteArray::number(Roll::version(roll));
    };
    // The states a whole run passes through, by name.
    const QByteArray before = state();
    QMap<QByteArray, QString> states{{before, QStringLiteral("as before")}};
    // Each migration commits on its own, so every version on the way is a whole state.
    for (int v = restore ? 1 : 2; v <= RollSchemaVersion; ++v)
        states.insert(Roll::originalDigest(restore ? offered.rollPath() : roll) + ' '
                          + QByteArray::number(v),
                      (restore ? QStringLiteral("restored, at version %1")
                               : QStringLiteral("migrated to version %1, unchanged"))
                          .arg(v));

    // Three whole runs: the time after the backup is where the work is worth cutting short.
    std::vector<std::pair<qint64, qint64>> runs; // whole, after the backup (microseconds)
    QByteArray done;
    for (int i = 0; i < 3; ++i) {
        QProcess p;
        QByteArray out;
        QElapsedTimer t;
        t.start();
        QVERIFY(startAndWaitFor(p, args, QStringLiteral("BEGUN"), out));
        QVERIFY(backupAppears(backups, backup));
        const qint64 backedUp = t.nsecsElapsed() / 1000;
        QVERIFY(p.waitForFinished(60000));
        runs.emplace_back(t.nsecsElapsed() / 1000, t.nsecsElapsed() / 1000 - backedUp);
        QCOMPARE(linesOf(out + p.readAllStandardOutput()).value(1), QStringLiteral("DONE"));
        done = state();
        QVERIFY(pristine.putBack());
    }
    std::sort(runs.begin(), runs.end());
    const auto [wholeUs, afterBackupUs] = runs[1];
    states.insert(done, QStringLiteral("done"));

    QRandomGenerator rng(seed());
    const int rounds = envInt("QMR_UPKEEP_ROUNDS", 30);
    QMap<QString, int> seen;
    int hot = 0, takenBack = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        QByteArray out;
        QVERIFY(startAndWaitFor(p, args, QStringLiteral("BEGUN"), out));
        // Every other kill at a random moment of the run, the others just after the backup.
        if (round % 2 == 0)
            QThread::usleep(rng.bounded(quint32(wholeUs + wholeUs / 5 + 1)));
        else if (backupAppears(backups, backup))
            QThread::usleep(rng.bounded(quint32(afterBackupUs + 1)));
        killHard(p, out);
        const bool journal = QFile::exists(roll + QStringLiteral("-journal"));

        QCOMPARE(Roll::integrity(roll), QStringLiteral("ok"));
        const QByteArray now = state();
        QVERIFY2(states.contains(now), qPrintable(QStringLiteral("round %1: a state between "
                                                                 "two: version %2, history %3")
                                                      .arg(round)
                                                      .arg(Roll::version(roll))
                                                      .arg(Roll::hasHistory(roll))));
        QCOMPARE(Roll::hasHistory(roll), Roll::version(roll) >= 2);
        if (linesOf(out).contains(QStringLiteral("DONE")))
            QCOMPARE(now, done);
        ++seen[states[now]];
        hot += journal ? 1 : 0;
        takenBack += journal && now == before ? 1 : 0;
        QVERIFY(pristine.putBack());
    }
    QStringList outcomes;
    for (auto it = seen.begin(); it != seen.end(); ++it)
        outcomes << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    qInfo("%d kills: %s; none between. %d left a journal (%d of them inside the %s's "
          "transaction, taken back); a whole run %lld ms, %lld ms of it after the backup",
          rounds, qPrintable(outcomes.join(QStringLiteral(", "))), hot, takenBack,
          QTest::currentDataTag(), wholeUs / 1000, afterBackupUs / 1000);
    QVERIFY2(seen.value(QStringLiteral("as before")) > 0 && seen.size() > 1,
             "the kills did not land on both sides of the work");
}

// Killed at any moment of an import of 10,000 members (the first hundred changes to members
// held): the roll is exactly as before it, history and counters included, or holds all of it.
void tst_killed::killedDuringImport() {
    TempAppFolder app;
    Roll::upToDate(app.rollPath());
    app.exec(manyMembers(300, "Current"));
    const QString roll = app.rollPath();
    const PristineRoll pristine(app);
    QVERIFY(pristine.saved());
    const auto state = [&] {
        QCryptographicHash h(QCryptographicHash::Sha256);
        h.addData(Roll::digest(roll));
        for (const char *sql :
             {"SELECT * FROM tblHistory ORDER BY HistoryID", "SELECT * FROM sqlite_sequence"})
            for (const QStringList &r : Roll::rows(roll, sql))
                h.addData(r.join(QChar(0x1f)).toUtf8() + '\x1e');
        return h.result().toHex();
    };
    const QStringList args{QStringLiteral("import"), app.path(), QStringLiteral("10000"),
                           QStringLiteral("100")};
    const QByteArray before = state();
    // The last report comes after the last member, before the import's own row and the commit.
    const auto lastReported = [](QProcess &p, QByteArray &out) {
        while (!out.contains("AT 10000\n") && p.state() == QProcess::Running) {
            p.waitForReadyRead(5);
            out += p.readAllStandardOutput();
        }
        return out.contains("AT 10000\n");
    };

    // A whole run: what all of it leaves (the harness's clock stands still, so every whole run
    // leaves the same), how long it takes, and how long after the last member: the ranges of
    // the kill moments.
    qint64 wholeUs = 0, endUs = 0;
    {
        QProcess p;
        QByteArray out;
        QElapsedTimer t;
        QVERIFY(startAndWaitFor(p, args, QStringLiteral("BEGUN"), out));
        t.start();
        QVERIFY(lastReported(p, out));
        endUs = t.nsecsElapsed() / 1000;
        QVERIFY(p.waitForFinished(60000));
        wholeUs = t.nsecsElapsed() / 1000;
        endUs = wholeUs - endUs;
        QVERIFY2(linesOf(out + p.readAllStandardOutput()).last().startsWith("DONE 9900 added"),
                 out.constData());
    }
    const QByteArray after = state();
    QVERIFY(after != before && pristine.putBack());

    QRandomGenerator rng(seed());
    const int rounds = envInt("QMR_IMPORT_ROUNDS", 30);
    int asBefore = 0, all = 0, confirmed = 0, journals = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        QByteArray out;
        QVERIFY(startAndWaitFor(p, args, QStringLiteral("BEGUN"), out));
        // Two kills in three at a random moment of the whole run, the third after the last
        // member, where the import's row and the commit are written.
        if (round % 3 != 2)
            QThread::usleep(rng.bounded(quint32(wholeUs + wholeUs / 10 + 1)));
        else if (lastReported(p, out))
            QThread::usleep(rng.bounded(quint32(endUs + endUs / 5 + 1)));
        killHard(p, out);
        journals += QFile::exists(roll + QStringLiteral("-journal")) ? 1 : 0;

        QCOMPARE(Roll::integrity(roll), QStringLiteral("ok"));
        const QByteArray now = state();
        const bool done = linesOf(out).last().startsWith(QLatin1String("DONE"));
        QVERIFY2(now == before || now == after,
                 qPrintable(QStringLiteral("round %1: part of the import").arg(round)));
        QVERIFY(!done || now == after);
        asBefore += now == before ? 1 : 0;
        all += now == after ? 1 : 0;
        confirmed += done ? 1 : 0;
        QVERIFY(pristine.putBack());
    }
    qInfo("%d kills: %d as before, %d whole imports (%d confirmed), none partial; %d left a "
          "journal; an import %lld ms, %lld ms of it after the last member",
          rounds, asBefore, all, confirmed, journals, wholeUs / 1000, endUs / 1000);
    QVERIFY2(asBefore > 0 && all > 0, "the kills did not land on both sides of the import");
}

QTEST_GUILESS_MAIN(tst_killed)
#include "tst_killed.moc"
