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
    const QStringList items = m_connectionString.split(u';');
    for (const QString &item : items) {
        const qsizetype eq = item.indexOf(u'=');
        if (eq < 0 || item.left(eq).trimmed().compare(u"Data Source", Qt::CaseInsensitive) != 0)
            continue;
        QString source = item.mid(eq + 1).trimmed();
        if (source.isEmpty())
            return source;
        const QString forward = QString(source).replace(u'\\', u'/');
        if (QDir::isAbsolutePath(forward))
            return QDir::cleanPath(forward);
        return resolveIgnoringCase(QDir::currentPath(), forward);
    }
    return {};
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
        run("PRAGMA synchronous=FULL");
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA application_id", -1, &st, nullptr) != SQLITE_OK)
            failFromEngine();
        const int step = sqlite3_step(st);
        const int id = step == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
        sqlite3_finalize(st);
        if (step != SQLITE_ROW && step != SQLITE_DONE)
            failFromEngine();
        if (id != RollApplicationId)
            fail(SQLITE_NOTADB, QStringLiteral("The file is not a Quillmere roll: %1").arg(path));
        if (!checkedRolls().contains(path)) {
            checkRoll(path);
            checkedRolls().insert(path);
        }
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

// A damaged roll is refused before anything is written into it: a change on top of a broken
// page would spread the damage over members that are still intact.
void Connection::checkRoll(const QString &path) {
    auto collect = [&](const char *sql) {
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
    };
    const QStringList problems = collect("PRAGMA quick_check(1)");
    if (problems != QStringList{QStringLiteral("ok")})
        fail(SQLITE_CORRUPT,
             QStringLiteral("The roll is damaged (%1): %2").arg(problems.value(0), path));
    const QStringList tables = collect("SELECT name FROM sqlite_master WHERE type = 'table'");
    for (const char *required : {"tblMembers", "tblMain", "tblStates", "tblCanada"})
        if (!tables.contains(QLatin1String(required), Qt::CaseInsensitive))
            fail(SQLITE_CORRUPT,
                 QStringLiteral("The roll has no table %1: %2").arg(QLatin1String(required), path));
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
