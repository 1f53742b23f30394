#include "RelSupport.h"
#include "club/RollMigrations.h"
#include "core/Failure.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <csignal>
#include <sqlite3.h>

namespace {
// Opening read-write on purpose: like the program's next start, it rolls back a hot journal.
sqlite3 *openRoll(const QString &path) {
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

QList<QStringList> query(const QString &path, const char *sql) {
    QList<QStringList> out;
    sqlite3 *db = openRoll(path);
    if (!db)
        return {{QStringLiteral("<cannot open>")}};
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        out.append({QStringLiteral("<error> ") + QString::fromUtf8(sqlite3_errmsg(db))});
    } else {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << (sqlite3_column_type(st, c) == SQLITE_NULL
                            ? QStringLiteral("<null>")
                            : QString::fromUtf8(
                                reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                sqlite3_column_bytes(st, c)));
            out.append(row);
        }
        if (rc != SQLITE_DONE)
            out.append({QStringLiteral("<error> ") + QString::fromUtf8(sqlite3_errmsg(db))});
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QByteArray digestOf(const QString &path, std::initializer_list<const char *> queries) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const char *sql : queries)
        for (const QStringList &r : query(path, sql))
            h.addData(r.join(QChar(0x1f)).toUtf8() + '\x1e');
    return h.result().toHex();
}
} // namespace

namespace Roll {
QString integrity(const QString &path) {
    const auto r = rows(path, "PRAGMA integrity_check");
    return r.isEmpty() ? QStringLiteral("<no answer>") : r.first().join(u' ');
}

QStringList memberIds(const QString &path) {
    QStringList ids;
    for (const QStringList &r : rows(path, "SELECT MemberID FROM tblMembers ORDER BY ID"))
        ids << r.value(0);
    return ids;
}

QByteArray digest(const QString &path) {
    return digestOf(path,
                    {"SELECT * FROM tblMembers ORDER BY ID", "SELECT * FROM tblMain ORDER BY ID",
                     "SELECT * FROM tblStates", "SELECT * FROM tblCanada",
                     "SELECT name, sql FROM sqlite_master ORDER BY name"});
}

QByteArray originalDigest(const QString &path, const QString &members) {
    const QByteArray memberRows =
        "SELECT * FROM tblMembers WHERE " + members.toUtf8() + " ORDER BY ID";
    return digestOf(path, {memberRows.constData(), "SELECT * FROM tblMain ORDER BY ID",
                           "SELECT * FROM tblStates", "SELECT * FROM tblCanada"});
}

QList<QStringList> rows(const QString &path, const char *sql) {
    return query(path, sql);
}

int version(const QString &path) {
    return query(path, "PRAGMA user_version").value(0).value(0).toInt();
}

bool hasHistory(const QString &path) {
    return query(path, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'tblHistory'")
               .value(0)
               .value(0)
           == QLatin1String("1");
}

void upToDate(const QString &path) {
    sqlite3 *db = openRoll(path);
    for (const RollMigration &m : RollMigrations) {
        const QByteArray script = "BEGIN;" + QByteArray(m.sql) + ";PRAGMA user_version = "
                                  + QByteArray::number(m.version) + ";COMMIT;";
        if (!db || sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("cannot bring %s up to date", qPrintable(path));
    }
    sqlite3_close(db);
}

QByteArray fileHash(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}
} // namespace Roll

QString harnessPath() {
    return QStringLiteral(QMR_RELHARNESS);
}

QStringList linesOf(const QByteArray &out) {
    return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
}

bool startAndWaitFor(QProcess &p, const QStringList &args, const QString &marker, QByteArray &out) {
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(harnessPath(), args);
    if (!p.waitForStarted(10000))
        return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
        if (out.contains(marker.toUtf8()))
            return true;
        if (p.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

void killHard(QProcess &p, QByteArray &out) {
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished(10000);
    out += p.readAllStandardOutput();
}

QStringList runToEnd(const QString &program, const QStringList &args, int timeoutMs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return linesOf(p.readAllStandardOutput());
}

QStringList sampleMember(const QString &id, const QString &lastName) {
    return {id,
            lastName,
            QStringLiteral("Ann"),
            QString(),
            QStringLiteral("1 Quay"),
            QString(),
            QStringLiteral("Tarnwell"),
            QStringLiteral("ME - Maine"),
            QStringLiteral("04101"),
            QStringLiteral("555-0101"),
            QString(),
            QString(),
            QStringLiteral("Regular"),
            QStringLiteral("Annual"),
            QStringLiteral("ann@example.org"),
            QString()};
}

QString failureOf(const std::function<void()> &f) {
    try {
        f();
    } catch (...) {
        const Failure e = currentFailure(std::current_exception());
        return QString::number(e.number()) + u' ' + e.description();
    }
    return QStringLiteral("no failure");
}
