#include "Backup.h"
#include "system/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <sqlite3.h>

namespace {
using safefile::noRoom;
using safefile::notWritable;
using safefile::replaceFile;
using safefile::syncFile;
using safefile::syncFolder;
using safefile::systemWords;

// A writer holds the file for one commit, milliseconds long; two seconds of waiting means
// something else is wrong, and the caller is better told than kept waiting.
constexpr int BusyRetries = 100;
constexpr int BusyPauseMs = 20;

// Closes itself however the work ends, so a failure path never leaves a file open.
struct Db {
    sqlite3 *db = nullptr;
    Db() = default;
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;
    ~Db() {
        if (db)
            sqlite3_close_v2(db);
    }
    QString words() const {
        return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    }
};

int openDb(Db &d, const QString &path, int flags) {
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &d.db,
                                   flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (d.db)
        sqlite3_extended_result_codes(d.db, 1);
    return rc;
}

bool busy(int rc) {
    return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
}

// The first column of every row, waiting out a busy moment; SQLITE_OK or the failure.
int collect(sqlite3 *db, const QString &sql, QStringList *rows) {
    const QByteArray text = sql.toUtf8();
    for (int tries = 0;; ++tries) {
        sqlite3_stmt *st = nullptr;
        int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr);
        if (rc == SQLITE_OK) {
            rows->clear();
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                *rows << QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(st, 0)),
                    sqlite3_column_bytes(st, 0));
            sqlite3_finalize(st);
            if (rc == SQLITE_DONE)
                return SQLITE_OK;
        }
        if (!busy(rc) || tries >= BusyRetries)
            return rc;
        QThread::msleep(BusyPauseMs);
    }
}

QString native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

// Why the source could not be read, from the engine's answer to the first read.
QString sourceWords(int rc, const QString &source, const QString &engine) {
    if (rc == SQLITE_READONLY_ROLLBACK)
        return QStringLiteral("a change to %1 was cut short and has not been undone yet (a "
                              "journal lies beside it); open it once with its program, then "
                              "back up again")
            .arg(native(source));
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
        return QStringLiteral("%1 is not a database").arg(native(source));
    case SQLITE_CORRUPT:
        return QStringLiteral("%1 is damaged (%2)").arg(native(source), engine);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("%1 stayed in use by another program; try again in a moment")
            .arg(native(source));
    default:
        return QStringLiteral("%1 cannot be read (%2)").arg(native(source), engine);
    }
}

// Why the copy could not be written into the target's folder.
QString targetWords(int rc, const Db &d, const QString &folder) {
    switch (rc & 0xFF) {
    case SQLITE_FULL:
        return noRoom(folder);
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return notWritable(folder, d.words());
    case SQLITE_IOERR:
        if (const int error = d.db ? sqlite3_system_errno(d.db) : 0)
            return systemWords(error, folder);
        [[fallthrough]];
    default:
        return QStringLiteral("it could not be written to %1 (%2)").arg(native(folder), d.words());
    }
}

// Empty when `partial` holds a whole copy of the source that passed integrity_check.
QString copyChecked(const QString &source, const QString &partial, const QString &folder) {
    Db src;
    int rc = openDb(src, source, SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK)
        return sourceWords(rc, source, src.words());
    // The first read tells a source that cannot be read apart from a target that cannot take
    // the copy: the backup API reports both the same way.
    QStringList rows;
    rc = collect(src.db, QStringLiteral("SELECT count(*) FROM sqlite_master"), &rows);
    if (rc != SQLITE_OK)
        return sourceWords(rc, source, src.words());

    Db dst;
    rc = openDb(dst, partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (rc != SQLITE_OK)
        return targetWords(rc, dst, folder);
    // No journal and no syncs while copying: a copy cut short is thrown away, never repaired,
    // and the finished one is synced once as a whole.
    sqlite3_exec(dst.db, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(dst.db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup *copy = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!copy)
        return targetWords(sqlite3_errcode(dst.db), dst, folder);
    // All pages in one step: the source is read under one shared lock, so the copy is one
    // consistent state of it even while others use the file.
    for (int tries = 0;; ++tries) {
        rc = sqlite3_backup_step(copy, -1);
        if (!busy(rc) || tries >= BusyRetries)
            break;
        QThread::msleep(BusyPauseMs);
    }
    sqlite3_backup_finish(copy);
    if (rc != SQLITE_DONE) {
        if (busy(rc) || rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ
            || (rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
            return sourceWords(rc, source, QString::fromUtf8(sqlite3_errstr(rc)));
        return targetWords(rc, dst, folder);
    }
    rc = collect(dst.db, QStringLiteral("PRAGMA integrity_check"), &rows);
    if (rc != SQLITE_OK)
        return targetWords(rc, dst, folder);
    if (rows != QStringList{QStringLiteral("ok")})
        return QStringLiteral("the copy failed its integrity check (%1), so %2 itself may be "
                              "damaged")
            .arg(rows.value(0), native(source));
    return {};
}

void removeCopy(const QString &partial) {
    QFile::remove(partial);
    QFile::remove(partial + QStringLiteral("-journal"));
}

// What must hold before any file is written; empty when it does.
QString refusal(const QString &source, const QString &target, const QString &folder) {
    const QFileInfo from(source);
    if (!from.exists())
        return QStringLiteral("%1 cannot be found").arg(native(source));
    if (from.isDir())
        return QStringLiteral("%1 is a folder, not a database").arg(native(source));
    const QFileInfo in(folder);
    if (!in.exists())
        return QStringLiteral("the folder %1 does not exist").arg(native(folder));
    if (!in.isDir())
        return QStringLiteral("%1 is a file, not a folder").arg(native(folder));
    const QFileInfo to(target);
    if (to.isDir())
        return QStringLiteral("%1 is a folder").arg(native(target));
    if (to.exists() && to.canonicalFilePath() == from.canonicalFilePath())
        return QStringLiteral("the backup would replace %1 itself").arg(native(source));
    return {};
}
} // namespace

BackupOutcome backupDatabase(const QString &source, const QString &target) {
    const QString folder = QFileInfo(target).absolutePath();
    const QString partial = target + QStringLiteral(".partial");
    QString why = refusal(source, target, folder);
    if (why.isEmpty()) {
        // A temporary left by a copy that was cut short would be taken for the start of ours.
        removeCopy(partial);
        if (QFileInfo::exists(partial))
            why = notWritable(folder, QStringLiteral("%1 cannot be removed").arg(native(partial)));
    }
    if (why.isEmpty())
        why = copyChecked(source, partial, folder);
    if (why.isEmpty())
        why = syncFile(partial, folder);
    if (why.isEmpty())
        why = replaceFile(partial, target, folder);
    if (!why.isEmpty()) {
        removeCopy(partial);
        return {false,
                {},
                QStringLiteral("Could not back up %1 to %2: %3.")
                    .arg(native(source), native(target), why)};
    }
    syncFolder(folder);
    return {true, target, {}};
}

DatabaseSummary readDatabaseSummary(const QString &path, std::shared_ptr<const FileProfile> profile,
                                    const QStringList &queries) {
    using State = DatabaseSummary::State;
    DatabaseSummary s;
    if (!QFileInfo(path).isFile()) {
        s.problem = QStringLiteral("The file %1 cannot be found.").arg(native(path));
        return s;
    }
    // The connection's own open judges the file by the profile, as for the file in use.
    Connection file;
    file.setConnectionString(QStringLiteral("Data Source=") + Connection::quoteValue(path) + u';');
    file.setProfile(std::move(profile));
    file.setReadOnly(true);
    try {
        file.open();
        for (const QString &query : queries) {
            const RecordsetPtr rows = file.execute(query);
            s.values << (rows && rows->recordCount() > 0 ? rows->value(0, 0).toString()
                                                         : QString());
        }
        file.close();
        s.state = State::Sound;
    } catch (const DbError &e) {
        s.values.clear();
        s.state = e.number() == SQLITE_NOTADB    ? State::Foreign
                  : e.number() == SQLITE_CORRUPT ? State::Damaged
                                                 : State::Unreadable;
        s.problem = e.description();
    }
    return s;
}

// ---- the backups of one file in one folder --------------------------------------------------

namespace {
using Reason = BackupFolder::Reason;

const char *const ReasonTags[] = {"", "before-migration", "before-restore", "before-import"};

struct Named {
    BackupFolder::Entry entry;
    QString stamp;
    int sequence = 1; // the N of a second backup within one second
};

const QString StampFormat = QStringLiteral("yyyy-MM-dd-HHmmss");

// "<base>-<stamp>[-N][-<reason>].qmr" followed by `suffix` (a temporary's own ending).
QRegularExpression namePattern(const QString &base, const QString &suffix = {}) {
    return QRegularExpression(
        QStringLiteral("^%1-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-(\\d+))?"
                       "(?:-(before-migration|before-restore|before-import))?\\.qmr%2$")
            .arg(QRegularExpression::escape(base), QRegularExpression::escape(suffix)),
        QRegularExpression::CaseInsensitiveOption);
}

QList<Named> scan(const QString &folder, const QString &base) {
    QList<Named> found;
    const QRegularExpression pattern = namePattern(base);
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files) {
        const auto m = pattern.match(file.fileName());
        if (!m.hasMatch())
            continue;
        Named n;
        n.stamp = m.captured(1);
        n.entry.madeAt = QDateTime::fromString(n.stamp, StampFormat);
        if (!n.entry.madeAt.isValid())
            continue;
        n.entry.path = file.absoluteFilePath();
        n.sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        for (int r = 1; r < 4; ++r)
            if (m.captured(3).compare(QLatin1String(ReasonTags[r]), Qt::CaseInsensitive) == 0)
                n.entry.reason = Reason(r);
        found << n;
    }
    std::sort(found.begin(), found.end(), [](const Named &a, const Named &b) {
        if (a.entry.madeAt != b.entry.madeAt)
            return a.entry.madeAt > b.entry.madeAt;
        return a.sequence > b.sequence;
    });
    return found;
}

// "Changed since the last backup" compares the file with the newest backup itself, byte for
// byte, except the header fields the backup API writes afresh into every copy: the change
// counter and the in-header size (24-31), the schema cookie (40-43), and the
// version-valid-for number and library version (92-99). The copy keeps none of the source's
// counter (it starts its own), so comparing counters would need a record kept beside the
// backups, and a restored or copied-in file can bring back a counter seen before with other
// content; a digest would read the same bytes and need the same record. Reading both files
// needs no state but the backups themselves, and a newest backup deleted or damaged since
// simply counts as a change.
bool sameDatabase(const QString &a, const QString &b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    if (fa.size() != fb.size() || fa.size() < 100)
        return false;
    constexpr qint64 Chunk = 1 << 20;
    QByteArray x(Chunk, Qt::Uninitialized), y(Chunk, Qt::Uninitialized);
    bool header = true;
    for (;;) {
        const qint64 n = fa.read(x.data(), Chunk);
        if (n != fb.read(y.data(), Chunk) || n < 0)
            return false;
        if (n == 0)
            return true;
        if (header) {
            for (auto [from, to] : {std::pair{24, 32}, {40, 44}, {92, 100}})
                for (int i = from; i < to; ++i)
                    x[i] = y[i] = 0;
            header = false;
        }
        if (std::memcmp(x.constData(), y.constData(), size_t(n)) != 0)
            return false;
    }
}
} // namespace

BackupFolder::BackupFolder(const QString &folder, const QString &baseName)
    : m_folder(folder)
    , m_baseName(baseName) {}

QString BackupFolder::freeName(Reason reason, const QDateTime &at) const {
    const QString stamp = at.toString(StampFormat);
    int taken = 0;
    for (const Named &n : scan(m_folder, m_baseName))
        if (n.stamp == stamp)
            taken = std::max(taken, n.sequence);
    QString name = m_baseName + u'-' + stamp;
    if (taken > 0)
        name += u'-' + QString::number(taken + 1);
    if (reason != Reason::Automatic)
        name += u'-' + QLatin1String(ReasonTags[int(reason)]);
    return QDir(m_folder).absoluteFilePath(name + QStringLiteral(".qmr"));
}

BackupOutcome BackupFolder::make(const QString &source, Reason reason, const QDateTime &at) {
    if (!QDir().mkpath(m_folder))
        return {false,
                {},
                QStringLiteral("Could not back up %1: the folder %2 cannot be made.")
                    .arg(native(source), native(m_folder))};
    // Temporaries of backups cut short (the process killed, the power gone) go first.
    const QRegularExpression leftover = namePattern(m_baseName, QStringLiteral(".partial"));
    const QStringList files = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : files)
        if (leftover.match(file).hasMatch())
            removeCopy(QDir(m_folder).absoluteFilePath(file));
    BackupOutcome out = backupDatabase(source, freeName(reason, at));
    if (out.ok)
        prune(at);
    return out;
}

BackupOutcome BackupFolder::makeIfChanged(const QString &source, const QDateTime &at) {
    const QList<Named> made = scan(m_folder, m_baseName);
    if (!made.isEmpty() && sameDatabase(source, made.first().entry.path))
        return {true, {}, {}};
    return make(source, Reason::Automatic, at);
}

QList<BackupFolder::Entry> BackupFolder::entries() const {
    QList<Entry> list;
    for (const Named &n : scan(m_folder, m_baseName))
        list << n.entry;
    return list;
}

void BackupFolder::prune(const QDateTime &now) {
    constexpr int LastKept = 10, MonthsKept = 12;
    auto monthOf = [](const QDate &d) {
        return d.year() * 12 + d.month() - 1;
    };
    const int thisMonth = monthOf(now.date());
    QSet<int> monthsHeld;
    int automatic = 0;
    for (const Named &n : scan(m_folder, m_baseName)) {
        if (n.entry.reason != Reason::Automatic)
            continue;
        bool keep = automatic++ < LastKept;
        const int month = monthOf(n.entry.madeAt.date());
        if (month <= thisMonth && month > thisMonth - MonthsKept && !monthsHeld.contains(month)) {
            monthsHeld.insert(month);
            keep = true;
        }
        if (!keep)
            QFile::remove(n.entry.path);
    }
}
