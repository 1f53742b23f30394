#pragma once

// Copies of a database file that can be trusted: made with SQLite's online backup API while
// others may use the file, checked before they carry a backup's name, kept by a rule.
#include "Connection.h"
#include "qmrplatform.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

struct QMR_PLATFORM_EXPORT BackupOutcome {
    bool ok = false;
    QString path;  // the backup's final name when ok
    QString error; // what went wrong, in words for the error log and a message
};

// Copies the database at `source` to `target` through the online backup API: written under a
// temporary name beside the target (the target's name followed by ".partial"), checked with
// PRAGMA integrity_check, flushed to disk, then renamed over any file of the target's name.
// Whatever fails, no file is left under the target's name or the temporary one, and the
// source is never written to: it is opened read-only, so a source with an interrupted change
// still to be undone (a hot journal) is refused rather than copied half-changed.
QMR_PLATFORM_EXPORT BackupOutcome backupDatabase(const QString &source, const QString &target);

// What a database file holds, read without changing it: opened read-only by a Connection
// with the profile (never created, a journal beside it never played, its pages and kind
// checked as for the file in use, once per process), then each query's first value. For the
// list of backups to restore from.
struct QMR_PLATFORM_EXPORT DatabaseSummary {
    enum class State {
        Sound,     // of the profile's kind, every page readable; values holds the answers
        Foreign,   // not a database, or not of the profile's kind
        Damaged,   // of the kind, but broken pages, tables or a failing query
        Unreadable // missing, busy, or with an interrupted change still to be undone
    };
    State state = State::Unreadable;
    QString problem; // in the profile's words when not Sound
    QStringList values;
};
QMR_PLATFORM_EXPORT DatabaseSummary readDatabaseSummary(const QString &path,
                                                        std::shared_ptr<const FileProfile> profile,
                                                        const QStringList &queries);

// The backups of one database file in one folder ("backups/" below the application folder):
// named "<base>-YYYY-MM-DD-HHMMSS[-N][-<reason>].qmr" by local date and time, the reason
// one of before-migration, before-restore, before-import; N (2, 3...) only when another
// backup was already made in that second.
class QMR_PLATFORM_EXPORT BackupFolder {
public:
    enum class Reason { Automatic, BeforeMigration, BeforeRestore, BeforeImport };

    struct Entry {
        QString path;
        QDateTime madeAt;
        Reason reason = Reason::Automatic;
    };

    BackupFolder(const QString &folder, const QString &baseName);
    QString folder() const { return m_folder; }

    // Makes a backup for the reason (creating the folder), then prunes the folder.
    BackupOutcome make(const QString &source, Reason reason, const QDateTime &at);
    // An automatic backup only when the source changed since the newest backup of the folder;
    // ok with an empty path when none was needed.
    BackupOutcome makeIfChanged(const QString &source, const QDateTime &at);
    // Every backup of the folder, newest first. Temporary files of a backup being made (or
    // cut short) and files named otherwise are not backups.
    QList<Entry> entries() const;
    // Keeps the last 10 automatic backups, the newest of each of the last 12 months, and
    // every backup made before a migration, a restore or an import; removes the rest.
    void prune(const QDateTime &now);
    // The full name a backup made now for the reason would get: no backup of the folder
    // has it yet.
    QString freeName(Reason reason, const QDateTime &at) const;

private:
    QString m_folder;
    QString m_baseName;
};
