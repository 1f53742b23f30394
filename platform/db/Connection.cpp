#include "Connection.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

DbError::~DbError() = default;

namespace {
Connection::StatementObserver &observer() {
    static Connection::StatementObserver o;
    return o;
}

constexpr int ErrClosed = 3704;
constexpr int BusyTimeoutMs = 3000;

// Rolls found sound in this process. The check reads the whole file, so it runs at the
// first open (start-up) rather than before every operation.
QSet<QString> &checkedRolls() {
    static QSet<QString> rolls;
    return rolls;
}

// What makes a file a roll when it carries no mark: the four tables with these columns.
constexpr struct {
    const char *name;
    const char *columns;
} RollTables[] = {
    {"tblMembers", "ID MemberID LName FName MName Address1 Address2 City State Zip Phone1 Phone2 "
                   "Phone3 Dues Membership DuesPaid Email Notes AddDate ModDate"},
    {"tblMain", "ID ClubID ClubName Address1 City State Zip Phone1 Phone2 Phone3 Phone4 Phone5 "
                "Phone6 WebURL Email AddDate"},
    {"tblStates", "State StateFull"},
    {"tblCanada", "State StateFull"},
};

const QString Restore = QStringLiteral("Restore the roll from a backup.");
const QString PutBack =
    QStringLiteral("Put the club's roll back in its place, for example from a backup.");

QString damaged(const QString &path, const QString &problem, bool journalPlayed) {
    QString message = QStringLiteral("The roll %1 is damaged (%2). %3").arg(path, problem, Restore);
    if (journalPlayed)
        message += QStringLiteral(" A save that was cut short had left %1 beside it, and it was "
                                  "played into the roll: remove any such file before you copy "
                                  "the backup.")
                       .arg(QFileInfo(path).fileName() + QStringLiteral("-journal"));
    return message;
}

// The items of a connection string. A value may stand in double or single quotes, inside
// which the quote written twice stands for itself; an unquoted value loses its outer blanks.
QList<std::pair<QString, QString>> connectionItems(const QString &s) {
    QList<std::pair<QString, QString>> items;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = s.indexOf(u'=', i);
        qsizetype semi = s.indexOf(u';', i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = s.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && s[i].isSpace() && s[i] != u';')
            ++i;
        QString value;
        if (i < n && (s[i] == u'"' || s[i] == u'\'')) {
            const QChar quote = s[i++];
            for (; i < n; ++i) {
                if (s[i] != quote) {
                    value += s[i];
                } else if (i + 1 < n && s[i + 1] == quote) {
                    value += quote;
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            semi = s.indexOf(u';', i);
        } else {
            semi = s.indexOf(u';', i);
            value = s.mid(i, (semi < 0 ? n : semi) - i).trimmed();
        }
        items.append({key, value});
        i = semi < 0 ? n : semi + 1;
    }
    return items;
}

// Walks a relative path from a base folder, matching each name regardless of letter case,
// so a source written as "CLub\club.qmr" finds "club/club.qmr".
QString resolveIgnoringCase(const QString &base, const QString &relative) {
    QString current = base;
    const QStringList parts =
        QString(relative).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString exact = current + u'/' + part;
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        QString match;
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &e : entries)
            if (e.compare(part, Qt::CaseInsensitive) == 0) {
                match = e;
                break;
            }
        current += u'/' + (match.isEmpty() ? part : match);
    }
    return current;
}
} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    // Closing discards an uncommitted transaction: the engine rolls it back.
    if (m_db)
        sqlite3_close_v2(m_db);
}

void Connection::setStatementObserver(StatementObserver o) {
    observer() = std::move(o);
}

QString Connection::dataSource() const {
    for (const auto &[key, source] : connectionItems(m_connectionString)) {
        if (key.compare(u"Data Source", Qt::CaseInsensitive) != 0)
            continue;
        if (source.isEmpty())
            return source;
        const QString forward = QString(source).replace(u'\\', u'/');
        if (QDir::isAbsolutePath(forward))
            return QDir::cleanPath(forward);
        return resolveIgnoringCase(QDir::currentPath(), forward);
    }
    return {};
}

QString Connection::quoteValue(const QString &value) {
    const bool hasDouble = value.contains(u'"');
    const bool hasSingle = value.contains(u'\'');
    if (!hasDouble && !hasSingle && !value.contains(u';') && value.trimmed() == value)
        return value;
    if (hasDouble && !hasSingle)
        return u'\'' + value + u'\'';
    return u'"' + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void Connection::fail(int code, const QString &message) {
    DbError e(code, message);
    m_errors.append(e);
    throw e;
}

void Connection::failFromEngine() {
    fail(sqlite3_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void Connection::run(const char *sql) {
    if (observer())
        observer()(QString::fromUtf8(sql));
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failFromEngine();
}

void Connection::open() {
    if (m_db)
        fail(SQLITE_MISUSE, QStringLiteral("The connection is already open."));
    const QString path = dataSource();
    if (path.isEmpty())
        fail(SQLITE_CANTOPEN, QStringLiteral("No data source is given."));
    // Read-write without the create flag: a missing roll fails here and is never made.
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        fail(rc, QStringLiteral("%1: %2").arg(message, path));
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    try {
        // Looked at before the first read, which plays a hot journal into the file: a journal
        // left by an interrupted save beside a roll since replaced (a backup copied over it)
        // mixes old pages into it, so the result is checked in full. The mark keeps that
        // check due until the roll passes it, even when this open is refused or killed.
        const QString mark =
            QFile::decodeName(sqlite3_db_filename(m_db, "main")) + QStringLiteral(".unchecked");
        bool suspect = QFileInfo::exists(mark);
        if (hotJournal()) {
            suspect = true;
            QFile(mark).open(QIODevice::WriteOnly); // unwritable folder: checked this time only
        }
        QStringList ids;
        try {
            run("PRAGMA synchronous=FULL"); // the first read of the file
            ids = collect("PRAGMA application_id");
        } catch (const DbError &e) {
            refuseUnreadable(e, path, suspect);
        }
        const int id = ids.value(0).toInt();
        if (id != RollApplicationId && id != 0)
            fail(SQLITE_NOTADB,
                 QStringLiteral("The file %1 belongs to another program: it is not a Quillmere "
                                "roll. %2")
                     .arg(path, PutBack));
        const bool first = !checkedRolls().contains(path);
        if (first || suspect)
            checkPages(path, suspect);
        if (first || suspect || id == 0)
            checkTables(path, id == 0);
        if (suspect)
            QFile::remove(mark);
        checkedRolls().insert(path);
        if (id == 0) {
            // Marked again (the sqlite3 shell's dump drops the mark); a roll that cannot be
            // written now is marked at a later open.
            const QByteArray stamp =
                "PRAGMA application_id = " + QByteArray::number(RollApplicationId);
            sqlite3_exec(m_db, stamp.constData(), nullptr, nullptr, nullptr);
        }
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

// True when a journal beside the roll would be played into it at the first read: present,
// begun (its first byte is set once it holds pages) and held by no live writer.
bool Connection::hotJournal() {
    QFile journal(QFile::decodeName(sqlite3_filename_journal(sqlite3_db_filename(m_db, "main"))));
    char first = 0;
    if (!journal.open(QIODevice::ReadOnly) || !journal.getChar(&first) || first == 0)
        return false;
    sqlite3_file *file = nullptr;
    int reserved = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file
        && file->pMethods && file->pMethods->xCheckReservedLock(file, &reserved) == SQLITE_OK)
        return reserved == 0;
    return true;
}

QStringList Connection::collect(const char *sql) {
    QStringList out;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        failFromEngine();
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        failFromEngine();
    return out;
}

// A damaged roll is refused before anything is written into it: a change on top of a broken
// page would spread the damage over members that are still intact. The quick check reads
// every page but does not compare an index with its table; only the full check does.
void Connection::checkPages(const QString &path, bool thorough) {
    QStringList verdict;
    try {
        verdict = collect(thorough ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)");
    } catch (const DbError &e) {
        refuseUnreadable(e, path, thorough);
    }
    if (verdict != QStringList{QStringLiteral("ok")})
        fail(SQLITE_CORRUPT, damaged(path, verdict.value(0), thorough));
}

// The engine's own words for a file it cannot read are said again so a person can act on them.
void Connection::refuseUnreadable(const DbError &e, const QString &path, bool journalPlayed) {
    if (e.number() != SQLITE_NOTADB && e.number() != SQLITE_CORRUPT)
        throw e;
    m_errors.removeLast();
    if (e.number() == SQLITE_NOTADB && !journalPlayed)
        fail(SQLITE_NOTADB, QStringLiteral("The file %1 is not a Quillmere roll (%2). %3")
                                .arg(path, e.description(), PutBack));
    fail(e.number(), damaged(path, e.description(), journalPlayed));
}

// Without the mark, the tables are all that tells a roll from another program's file.
void Connection::checkTables(const QString &path, bool unmarked) {
    auto refuse = [&](const QString &what) {
        if (unmarked)
            fail(SQLITE_NOTADB, QStringLiteral("The file %1 is not a Quillmere roll: %2. %3")
                                    .arg(path, what, PutBack));
        fail(SQLITE_CORRUPT,
             QStringLiteral("The roll %1 is damaged: %2. %3").arg(path, what, Restore));
    };
    const QStringList tables = collect("SELECT name FROM sqlite_master WHERE type = 'table'");
    for (const auto &table : RollTables) {
        const QString name = QLatin1String(table.name);
        if (!tables.contains(name, Qt::CaseInsensitive))
            refuse(QStringLiteral("it has no table %1").arg(name));
        const QStringList columns = collect(
            ("SELECT name FROM pragma_table_info('" + QByteArray(table.name) + "')").constData());
        for (const QString &column :
             QString::fromLatin1(table.columns).split(u' ', Qt::SkipEmptyParts))
            if (!columns.contains(column, Qt::CaseInsensitive))
                refuse(QStringLiteral("its table %1 has no column %2").arg(name, column));
    }
}

void Connection::close() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool Connection::inTransaction() const {
    return m_db && !sqlite3_get_autocommit(m_db);
}

void Connection::beginTrans() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    run("BEGIN");
}

void Connection::commitTrans() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    if (!inTransaction())
        fail(SQLITE_ERROR, QStringLiteral("No transaction is active."));
    run("COMMIT");
}

void Connection::rollbackTrans() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    if (inTransaction())
        run("ROLLBACK");
}

RecordsetPtr Connection::execute(const QString &sql) {
    m_rowsAffected = 0;
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    if (observer())
        observer()(sql);
    const QByteArray text = sql.toUtf8();
    if (text.contains('\0'))
        fail(SQLITE_ERROR, QStringLiteral("The statement text holds a NUL character."));
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, &tail) != SQLITE_OK)
        failFromEngine();
    if (!st)
        fail(SQLITE_ERROR, QStringLiteral("The statement text is empty."));
    // One statement per text: anything but blanks after it is refused before it runs.
    if (!QByteArray(tail).trimmed().isEmpty()) {
        sqlite3_finalize(st);
        fail(SQLITE_ERROR, QStringLiteral("Only one statement may be executed at a time."));
    }
    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db);
    const int n = sqlite3_column_count(st);
    QStringList columns;
    for (int c = 0; c < n; ++c)
        columns << QString::fromUtf8(sqlite3_column_name(st, c));
    QVector<QVector<QVariant>> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QVector<QVariant> row(n);
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                row[c] = qlonglong(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                row[c] = sqlite3_column_double(st, c);
                break;
            case SQLITE_TEXT:
                row[c] =
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                      sqlite3_column_bytes(st, c));
                break;
            case SQLITE_BLOB:
                row[c] = QByteArray(static_cast<const char *>(sqlite3_column_blob(st, c)),
                                    sqlite3_column_bytes(st, c));
                break;
            default:
                break; // null stays an invalid QVariant
            }
        }
        rows.append(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        failFromEngine();
    m_rowsAffected = sqlite3_total_changes64(m_db) - changesBefore;
    return std::make_shared<Recordset>(std::move(columns), std::move(rows));
}

void createDatabaseFromScript(const QString &path, const QString &script) {
    if (QFileInfo::exists(path))
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("The file already exists: %1").arg(path));
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char *err = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, &err);
    const QString message = err ? QString::fromUtf8(err)
                                : QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_free(err);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        throw DbError(rc, message);
    }
}
