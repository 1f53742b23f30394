#pragma once

#include "DbError.h"
#include "Recordset.h"

#include <QList>
#include <QString>
#include <functional>

struct sqlite3;

enum class CursorLocation { Server, Client };

// One connection to a roll file. Opening never creates the file, every statement text holds
// exactly one statement, and a change is durable once commit returns.
class QMR_PLATFORM_EXPORT Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setConnectionString(const QString &s) { m_connectionString = s; }
    const QString &connectionString() const { return m_connectionString; }
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
    // Rows inserted, changed or deleted by the last statement execute ran (0 for a query).
    qint64 rowsAffected() const { return m_rowsAffected; }

    const QList<DbError> &errors() const { return m_errors; }
    void clearErrors() { m_errors.clear(); }

    // Sees every statement text handed to the engine (tests read the exact SQL).
    using StatementObserver = std::function<void(const QString &)>;
    static void setStatementObserver(StatementObserver observer);

    // Every roll carries this identifier, so a foreign file is refused before it is changed.
    // A roll rebuilt by a tool that drops it (0) is known by its four tables and is marked
    // again. The first open of a roll in a process also checks its pages and its tables.
    static constexpr int RollApplicationId = 0x514D5233;

private:
    [[noreturn]] void fail(int code, const QString &message);
    [[noreturn]] void failFromEngine();
    bool hotJournal();
    void checkPages(const QString &path, bool thorough);
    [[noreturn]] void refuseUnreadable(const DbError &e, const QString &path, bool journalPlayed);
    void checkTables(const QString &path, bool unmarked);
    QStringList collect(const char *sql);
    void run(const char *sql);

    QString m_connectionString;
    CursorLocation m_cursor = CursorLocation::Server;
    sqlite3 *m_db = nullptr;
    QList<DbError> m_errors;
    qint64 m_rowsAffected = 0;
};

// Builds a new roll file from a SQL script (schema and lookup rows). Refuses to touch an
// existing file.
QMR_PLATFORM_EXPORT void createDatabaseFromScript(const QString &path, const QString &script);
