// Writes a sample roll: a club record and N members with the variety a real roll has (names
// with apostrophes and accents, every state and province, every membership type and payment
// period, empty optional fields). The same seed always gives the same roll.
#include "RollData.h"
#include "db/Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: make-roll --members N --app-folder DIR [--seed S] [--replace]\n"
                 "  Writes DIR/club/club.qmr with a club record and N members.\n"
                 "  A roll that already holds a club or members is kept unless --replace.\n");
}

QString readScripts() {
    QString script;
    for (const QString &name : QString::fromUtf8(QMR_SCHEMA_FILES).split(u'|')) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            throw DbError(SQLITE_CANTOPEN, QStringLiteral("cannot read ") + name);
        script += QString::fromUtf8(f.readAll()) + u'\n';
    }
    return script;
}

// Rows of a roll that somebody may still want; an empty fresh roll is safe to replace.
qint64 rowsWorthKeeping(const QString &path) {
    sqlite3 *db = nullptr;
    qint64 rows = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT (SELECT COUNT(*) FROM tblMembers)"
                               " + (SELECT COUNT(*) FROM tblMain)",
                               -1, &st, nullptr)
                == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            rows = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return rows;
}

class Db {
public:
    explicit Db(const QString &path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE,
                            nullptr)
            != SQLITE_OK)
            fail();
    }
    ~Db() { sqlite3_close_v2(m_db); }
    void exec(const char *sql) {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    sqlite3_stmt *prepare(const char *sql) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
            fail();
        return st;
    }
    void step(sqlite3_stmt *st) {
        if (sqlite3_step(st) != SQLITE_DONE)
            fail();
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
    [[noreturn]] void fail() {
        throw DbError(sqlite3_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

QList<StateItem> readStates(Db &db) {
    QList<StateItem> items;
    // Both lists, in the order the forms show them; the form stores "code - name".
    for (const char *sql : {"SELECT State,StateFull FROM tblStates ORDER BY State",
                            "SELECT State,StateFull FROM tblCanada ORDER BY StateFull"}) {
        sqlite3_stmt *st = db.prepare(sql);
        const bool canadian = items.size() > 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            items.append(
                {QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                 QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1))),
                 canadian});
        sqlite3_finalize(st);
    }
    return items;
}

// The forms store an empty field as an empty text, so only a never-written column is NULL.
void bindText(sqlite3_stmt *st, int index, const QString &value, bool nullWhenEmpty = false) {
    if (nullWhenEmpty && value.isEmpty()) {
        sqlite3_bind_null(st, index);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void writeRoll(const QString &path, qint64 members, quint64 seed) {
    createDatabaseFromScript(path,
                             QStringLiteral("BEGIN;") + readScripts() + QStringLiteral("COMMIT;"));
    Db db(path);
    RollGenerator gen(seed, readStates(db));
    // One transaction for the whole roll: one sync at the end instead of one per member.
    db.exec("BEGIN");
    {
        const ClubRecord c = gen.club();
        sqlite3_stmt *st = db.prepare(
            "INSERT INTO tblMain (ClubID,ClubName,Address1,City,State,Zip,Phone1,Phone2,Phone3,"
            "Phone4,Phone5,Phone6,WebURL,Email,AddDate) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < c.values.size(); ++i)
            bindText(st, i + 1, c.values[i]);
        db.step(st);
        sqlite3_finalize(st);
    }
    sqlite3_stmt *st = db.prepare(
        "INSERT INTO tblMembers (ID,MemberID,LName,FName,MName,Address1,Address2,City,State,Zip,"
        "Phone1,Phone2,Phone3,Dues,Membership,DuesPaid,Email,Notes,AddDate,ModDate) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    gen.planMembers(members);
    for (qint64 id = 1; id <= members; ++id) {
        const MemberRecord m = gen.member(id);
        sqlite3_bind_int64(st, 1, id);
        bindText(st, 2, m.memberId);
        const QString *texts[] = {&m.lName, &m.fName, &m.mName,  &m.address1, &m.address2, &m.city,
                                  &m.state, &m.zip,   &m.phone1, &m.phone2,   &m.phone3};
        int index = 3;
        for (const QString *t : texts)
            bindText(st, index++, *t);
        sqlite3_bind_double(st, index++, m.dues);
        bindText(st, index++, m.membership);
        bindText(st, index++, m.duesPaid);
        bindText(st, index++, m.email);
        bindText(st, index++, m.notes);
        bindText(st, index++, m.addDate);
        bindText(st, index++, m.modDate, true);
        db.step(st);
    }
    sqlite3_finalize(st);
    db.exec("COMMIT");
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    qint64 members = -1;
    QString folder;
    quint64 seed = 1;
    bool replace = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == u"--members" && hasValue)
            members = args[++i].toLongLong(&ok);
        else if (a == u"--app-folder" && hasValue)
            folder = args[++i];
        else if (a == u"--seed" && hasValue)
            seed = args[++i].toULongLong(&ok);
        else if (a == u"--replace")
            replace = true;
        else
            ok = false;
        if (!ok) {
            usage();
            return 2;
        }
    }
    if (members < 0 || folder.isEmpty()) {
        usage();
        return 2;
    }

    const QString target = QDir(folder).absoluteFilePath(QStringLiteral("club/club.qmr"));
    if (QFileInfo::exists(target) && !replace) {
        const qint64 rows = rowsWorthKeeping(target);
        if (rows != 0) {
            std::fprintf(stderr,
                         "make-roll: %s already holds a roll%s; give --replace to overwrite it\n",
                         qPrintable(target), rows > 0 ? " with a club or members" : "");
            return 1;
        }
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Written beside the target and renamed, so a failed run never leaves half a roll.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    QElapsedTimer clock;
    clock.start();
    try {
        writeRoll(partial, members, seed);
    } catch (const DbError &e) {
        QFile::remove(partial);
        std::fprintf(stderr, "make-roll: %s\n", e.what());
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "make-roll: cannot write %s\n", qPrintable(target));
        return 1;
    }
    std::printf("make-roll: %lld members written to %s in %.2f s\n", members, qPrintable(target),
                clock.elapsed() / 1000.0);
    return 0;
}
