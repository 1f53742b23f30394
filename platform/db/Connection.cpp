#include "Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>
#include <typeinfo>

DbError::~DbError() = default;

namespace {
Connection::StatementObserver &observer() {
    static Connection::StatementObserver o;
    return o;
}

constexpr int ErrClosed = 3704;
constexpr int BusyTimeoutMs = 3000;

// Files found sound in this process, each by the profile that judged it (one that took any
// database vouches for nothing another requires). The check reads the whole file, so it runs
// at the first open (start-up) rather than before every operation.
QSet<QString> &checkedFiles() {
    static QSet<QString> files;
    return files;
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
// so a source written as "DATA\file.db" finds "data/file.db".
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

FileProfile::~FileProfile() = default;

QString FileProfile::missing(const QStringList &, const ColumnReader &) const {
    return {};
}

QString FileProfile::markedByAnother(const QString &path) const {
    return QStringLiteral("The file %1 belongs to another program.").arg(path);
}

QString FileProfile::notOfThisKind(const QString &path, const QString &engineWords) const {
    return QStringLiteral("The file %1 is not a database (%2).").arg(path, engineWords);
}

QString FileProfile::lacking(const QString &path, const QString &what, bool unmarked) const {
    return (unmarked ? QStringLiteral("The file %1 is not of the expected kind: %2.")
                     : QStringLiteral("The database %1 is damaged: %2."))
        .arg(path, what);
}

QString FileProfile::damaged(const QString &path, const QString &problem, bool) const {
    return QStringLiteral("The database %1 is damaged (%2).").arg(path, problem);
}

Connection::Connection() = default;

const FileProfile &Connection::profile() const {
    static const FileProfile any;
    return m_profile ? *m_profile : any;
}

Connection::~Connection() {
    // Closing discards an uncommitted transaction: the engine rolls it back.
    finalizePrepared();
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
    // Read-write without the create flag: a missing file fails here and is never made.
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   (m_readOnlyAsked ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
                                       | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        fail(rc, QStringLiteral("%1: %2").arg(message, path));
    }
    m_db = db;
    m_readOnly = m_readOnlyAsked;
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    try {
        // Looked at before the first read, which plays a hot journal into the file: a journal
        // left by an interrupted save beside a file since replaced (a backup copied over it)
        // mixes old pages into it, so the result is checked in full. The mark keeps that
        // check due until the file passes it, even when this open is refused or killed.
        const QString mark =
            QFile::decodeName(sqlite3_db_filename(m_db, "main")) + QStringLiteral(".unchecked");
        bool suspect = QFileInfo::exists(mark);
        if (hotJournal()) {
            suspect = true;
            // Unwritable folder: checked this time only. A file only looked at gets no mark.
            if (!m_readOnly)
                QFile(mark).open(QIODevice::WriteOnly);
        }
        QStringList ids;
        int version = 0;
        try {
            run("PRAGMA synchronous=FULL"); // the first read of the file
            ids = collect("PRAGMA application_id");
            version = collect("PRAGMA user_version").value(0).toInt();
        } catch (const DbError &e) {
            refuseUnreadable(e, path, suspect);
        }
        if (version > profile().newestVersion() && !m_readOnly) {
            // Set before anything below could write, the mark included.
            run("PRAGMA query_only = 1");
            m_readOnly = true;
        }
        const int id = ids.value(0).toInt();
        const int wanted = profile().applicationId();
        if (wanted != 0 && id != wanted && id != 0)
            fail(SQLITE_NOTADB, profile().markedByAnother(path));
        const bool unmarked = wanted != 0 && id == 0;
        const QString checkedAs = path + u'|' + QLatin1String(typeid(profile()).name());
        const bool first = !checkedFiles().contains(checkedAs);
        if (first || suspect)
            checkPages(path, suspect);
        if (first || suspect || unmarked)
            checkTables(path, unmarked);
        if (suspect && !m_readOnlyAsked)
            QFile::remove(mark);
        checkedFiles().insert(checkedAs);
        if (unmarked && !m_readOnly) {
            // Marked again (a dump and reload drops the mark); a file that cannot be written
            // now is marked at a later open.
            const QByteArray stamp = "PRAGMA application_id = " + QByteArray::number(wanted);
            sqlite3_exec(m_db, stamp.constData(), nullptr, nullptr, nullptr);
        }
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

// True when a journal beside the file would be played into it at the first read: present,
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

// A damaged file is refused before anything is written into it: a change on top of a broken
// page would spread the damage over rows that are still intact. The quick check reads
// every page but does not compare an index with its table; only the full check does.
void Connection::checkPages(const QString &path, bool thorough) {
    QStringList verdict;
    try {
        verdict = collect(thorough ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)");
    } catch (const DbError &e) {
        refuseUnreadable(e, path, thorough);
    }
    if (verdict != QStringList{QStringLiteral("ok")})
        fail(SQLITE_CORRUPT, profile().damaged(path, verdict.value(0), thorough));
}

// The engine's own words for a file it cannot read are said again so a person can act on them.
void Connection::refuseUnreadable(const DbError &e, const QString &path, bool journalPlayed) {
    if (e.number() != SQLITE_NOTADB && e.number() != SQLITE_CORRUPT)
        throw e;
    m_errors.removeLast();
    if (e.number() == SQLITE_NOTADB && !journalPlayed)
        fail(SQLITE_NOTADB, profile().notOfThisKind(path, e.description()));
    fail(e.number(), profile().damaged(path, e.description(), journalPlayed));
}

// Without the mark, the tables are all that tells the caller's file from another program's.
void Connection::checkTables(const QString &path, bool unmarked) {
    const QStringList tables = collect("SELECT name FROM sqlite_master WHERE type = 'table'");
    const QString what = profile().missing(tables, [this](const QString &table) {
        return collect(("SELECT name FROM pragma_table_info('"
                        + QString(table).replace(u'\'', QStringLiteral("''")).toUtf8() + "')")
                           .constData());
    });
    if (what.isEmpty())
        return;
    if (unmarked)
        fail(SQLITE_NOTADB, profile().lacking(path, what, true));
    fail(SQLITE_CORRUPT, profile().lacking(path, what, false));
}

void Connection::close() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    finalizePrepared();
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

void Connection::requireOpen() {
    if (!m_db)
        fail(ErrClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

int Connection::userVersion() {
    requireOpen();
    return collect("PRAGMA user_version").value(0).toInt();
}

RecordsetPtr Connection::execute(const QString &sql) {
    return execute(sql, {});
}

RecordsetPtr Connection::execute(const QString &sql, const QVariantList &params) {
    m_rowsAffected = 0;
    requireOpen();
    if (observer())
        observer()(sql);
    const QByteArray text = sql.toUtf8();
    if (text.contains('\0'))
        fail(SQLITE_ERROR, QStringLiteral("The statement text holds a NUL character."));
    sqlite3_stmt *st = prepared(text);
    if (const int wanted = sqlite3_bind_parameter_count(st); wanted != params.size()) {
        fail(SQLITE_RANGE, QStringLiteral("The statement takes %1 values, %2 were given.")
                               .arg(wanted)
                               .arg(params.size()));
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params[i];
        int rc;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(st, i + 1);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(st, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(st, i + 1, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob64(st, i + 1, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text64(st, i + 1, text.constData(), sqlite3_uint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
        if (rc != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_clear_bindings(st);
            fail(rc, message);
        }
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
    // Once reset the statement holds no lock, and no value, until its text comes again.
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        failFromEngine();
    m_rowsAffected = sqlite3_total_changes64(m_db) - changesBefore;
    return std::make_shared<Recordset>(std::move(columns), std::move(rows));
}

sqlite3_stmt *Connection::prepared(const QByteArray &text) {
    constexpr qsizetype Kept = 16;
    for (qsizetype i = m_prepared.size() - 1; i >= 0; --i)
        if (m_prepared[i].first == text)
            return m_prepared[i].second;
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
    if (m_prepared.size() == Kept)
        sqlite3_finalize(m_prepared.takeFirst().second);
    m_prepared.append({text, st});
    return st;
}

void Connection::finalizePrepared() {
    for (const auto &[text, st] : std::as_const(m_prepared))
        sqlite3_finalize(st);
    m_prepared.clear();
}

void Connection::executeScript(const QString &script) {
    requireOpen();
    const QByteArray text = script.toUtf8();
    const char *next = text.constData();
    while (*next) {
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(m_db, next, -1, &st, &tail) != SQLITE_OK)
            failFromEngine();
        const QString statement = QString::fromUtf8(next, tail - next).trimmed();
        next = tail;
        if (!st)
            continue; // blanks and comments only
        if (observer())
            observer()(statement);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            const int code = sqlite3_errcode(m_db);
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_finalize(st);
            fail(code, message);
        }
        sqlite3_finalize(st);
    }
}

void Connection::replaceWith(const QString &source) {
    requireOpen();
    if (m_readOnly)
        fail(SQLITE_READONLY, QStringLiteral("attempt to write a readonly database"));
    sqlite3 *from = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY,
                             nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            from ? QString::fromUtf8(sqlite3_errmsg(from)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(from);
        fail(rc, QStringLiteral("%1: %2").arg(message, source));
    }
    sqlite3_busy_timeout(from, BusyTimeoutMs);
    sqlite3_backup *copy = sqlite3_backup_init(m_db, "main", from, "main");
    if (!copy) {
        const int code = sqlite3_errcode(m_db);
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close_v2(from);
        fail(code, message);
    }
    // All pages in one step: one transaction of the target, committed once at its end.
    QElapsedTimer waited;
    waited.start();
    while ((rc = sqlite3_backup_step(copy, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (waited.elapsed() >= BusyTimeoutMs)
            break;
        sqlite3_sleep(50);
    }
    sqlite3_backup_finish(copy);
    const QString message = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close_v2(from);
    if (rc != SQLITE_DONE)
        fail(rc, message);
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
