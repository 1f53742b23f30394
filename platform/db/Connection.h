#pragma once

#include "DbError.h"
#include "Recordset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <limits>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// What a caller requires of the files it opens beyond what every database gets (never
// created by an open; its pages checked at the first open and after an interrupted save),
// and the words of every refusal. The defaults take any database and speak of "the database".
class QMR_PLATFORM_EXPORT FileProfile {
public:
    virtual ~FileProfile();
    // The mark every file of this kind carries. A file without one (0) must pass missing()
    // and is then marked; another program's mark is refused. 0 here: no mark is asked for.
    virtual int applicationId() const { return 0; }
    // What the file lacks, in words, or empty. Asked at the first open of a file in a
    // process, after an interrupted save and whenever the file is unmarked.
    using ColumnReader = std::function<QStringList(const QString &table)>;
    virtual QString missing(const QStringList &tables, const ColumnReader &columnsOf) const;

    // The file carries another program's mark.
    virtual QString markedByAnother(const QString &path) const;
    // The engine could not read the file as a database at all (its words are given).
    virtual QString notOfThisKind(const QString &path, const QString &engineWords) const;
    // What missing() found: in an unmarked file it is not of this kind, in a marked one damaged.
    virtual QString lacking(const QString &path, const QString &what, bool unmarked) const;
    // Pages the engine finds broken; journalPlayed: a journal was played into it at this open.
    virtual QString damaged(const QString &path, const QString &problem, bool journalPlayed) const;

    // The newest layout (PRAGMA user_version) the caller knows how to change. A file of a
    // newer one is only read: it is not marked, and the engine refuses every change made
    // through the connection, so an older program never alters what it does not understand.
    virtual int newestVersion() const { return std::numeric_limits<int>::max(); }
};

enum class CursorLocation { Server, Client };

// One connection to a database file. Opening never creates the file, every statement text holds
// exactly one statement, and a change is durable once commit returns.
class QMR_PLATFORM_EXPORT Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setConnectionString(const QString &s) { m_connectionString = s; }
    const QString &connectionString() const { return m_connectionString; }
    // Set before open(); without one the defaults of FileProfile apply.
    void setProfile(std::shared_ptr<const FileProfile> profile) { m_profile = std::move(profile); }
    // Set before open(): the file is opened for reading only, to look at a file without
    // touching it (it is not marked, and a journal beside it fails the open, as playing it
    // would be a write).
    void setReadOnly(bool readOnly) { m_readOnlyAsked = readOnly; }
    // True while open for reading only: asked so, or the file is of a newer layout than the
    // profile's newestVersion().
    bool readOnly() const { return m_readOnly; }
    void setCursorLocation(CursorLocation c) { m_cursor = c; }
    CursorLocation cursorLocation() const { return m_cursor; }

    // The file named by "Data Source=" in the connection string. A relative source is
    // resolved against the working folder, ignoring the letter case of its folder names.
    QString dataSource() const;
    // A value as a connection string must hold it: enclosed in quotes when it holds ";",
    // quotes or outer blanks, so that a folder of any name survives the string's items.
    static QString quoteValue(const QString &value);

    void open();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool inTransaction() const;

    void beginTrans();
    void commitTrans();
    // Safe after the engine already rolled the transaction back by itself (disk full).
    void rollbackTrans();

    RecordsetPtr execute(const QString &sql);
    // The same with values bound to the statement's parameters (?), in order, so a value
    // never becomes part of the statement text. A null QVariant binds NULL.
    RecordsetPtr execute(const QString &sql, const QVariantList &params);
    // Rows inserted, changed or deleted by the last statement execute ran (0 for a query).
    qint64 rowsAffected() const { return m_rowsAffected; }
    // Runs a script the caller wrote itself (never one holding a value someone typed): its
    // statements one after another, each handed to the statement observer on its own.
    void executeScript(const QString &script);
    // PRAGMA user_version of the open file.
    int userVersion();
    // Replaces the whole content of the open database with that of the database file at
    // `source`, through the online backup API, in one transaction of this connection: cut
    // short at any moment, the file holds its old content (the journal takes it back at the
    // next open) or all of the new. The source is only read; the caller checks it first.
    void replaceWith(const QString &source);

    const QList<DbError> &errors() const { return m_errors; }
    void clearErrors() { m_errors.clear(); }

    // Sees every statement text handed to the engine (tests read the exact SQL).
    using StatementObserver = std::function<void(const QString &)>;
    static void setStatementObserver(StatementObserver observer);

private:
    [[noreturn]] void fail(int code, const QString &message);
    [[noreturn]] void failFromEngine();
    bool hotJournal();
    void checkPages(const QString &path, bool thorough);
    [[noreturn]] void refuseUnreadable(const DbError &e, const QString &path, bool journalPlayed);
    void checkTables(const QString &path, bool unmarked);
    const FileProfile &profile() const;
    QStringList collect(const char *sql);
    void run(const char *sql);
    void requireOpen();
    // The statement of a text, prepared once per open and kept for the text's next run: a
    // change of many rows runs a few texts thousands of times, and preparing them again each
    // time was most of its work.
    sqlite3_stmt *prepared(const QByteArray &text);
    void finalizePrepared();

    QString m_connectionString;
    std::shared_ptr<const FileProfile> m_profile;
    bool m_readOnlyAsked = false;
    bool m_readOnly = false;
    CursorLocation m_cursor = CursorLocation::Server;
    sqlite3 *m_db = nullptr;
    QList<DbError> m_errors;
    qint64 m_rowsAffected = 0;
    QList<std::pair<QByteArray, sqlite3_stmt *>> m_prepared; // the latest last
};

// Builds a new database file from a SQL script (schema and rows). Refuses to touch an
// existing file.
QMR_PLATFORM_EXPORT void createDatabaseFromScript(const QString &path, const QString &script);
