// A process killed at any moment loses nothing it confirmed and leaves no half change.
#include "RelSupport.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QThread>

namespace {
int envInt(const char *name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
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
};

void tst_killed::killedMidSave() {
    TempAppFolder app;
    const int rounds = envInt("QMR_KILL_ROUNDS", 60);
    QRandomGenerator rng(seed());
    int confirmed = 0, inFlightKept = 0, inFlightLost = 0;
    QSet<QString> confirmedIds;
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
                confirmedIds.insert(line.mid(3));
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
        for (const QString &id : confirmedIds)
            QVERIFY2(
                storedSet.contains(id),
                qPrintable(QStringLiteral("round %1: confirmed %2 is lost").arg(round).arg(id)));
        for (const QString &id : stored)
            QVERIFY2(confirmedIds.contains(id) || id == inFlight,
                     qPrintable(QStringLiteral("round %1: %2 was never saved").arg(round).arg(id)));
        if (!inFlight.isEmpty()) {
            if (storedSet.contains(inFlight)) {
                // Committed just before the kill: it is the secretary's now, like any other.
                confirmedIds.insert(inFlight);
                ++inFlightKept;
            } else {
                ++inFlightLost;
            }
        }
    }
    confirmed = int(confirmedIds.size()) - inFlightKept;
    qInfo("%d rounds, %d saves confirmed, 0 lost; killed in flight: %d kept, %d not stored", rounds,
          confirmed, inFlightKept, inFlightLost);
    QVERIFY2(confirmed > 0 && inFlightKept + inFlightLost > 0,
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

QTEST_GUILESS_MAIN(tst_killed)
#include "tst_killed.moc"
