#pragma once

#include "db/Backup.h"

#include <QDateTime>
#include <QString>

class QWidget;

// The roll, and the folder of its automatic backups ("backups/" below the application
// folder, files named "club-<date and time>[...].qmr"). The library keeps the backups it
// makes before a migration or a restore in the same folder, under the same name.
QString rollFile();
BackupFolder rollBackups();

// The automatic backup at start, made when the roll changed since the newest backup. Called
// once the roll has passed the start-up checks (its first open undid any save cut short) and
// before anything is written to it. It also arranges the backup at the orderly end: through
// EndProgram and when the main window's closing ends the event loop. Never throws and never
// stops the work: a backup that cannot be made is added to error.log, and said in a message
// once per process.
void AutomaticBackupAtStart();
// The backup at the orderly end; does nothing unless the start one ran since the last end.
void AutomaticBackupAtEnd();

// "Back Up Now...": asks for a folder (a USB stick), copies the roll there with the checks of
// every backup, and says where the copy is and how many members it holds.
void BackUpNow(QWidget *parent);
// The same into a folder already chosen; the copy's full name, or empty when it failed
// (which was said).
QString BackUpNowTo(const QString &folder);

// What a file that may be a backup of the roll holds, read without changing it.
struct RollSummary {
    DatabaseSummary::State state = DatabaseSummary::State::Unreadable;
    QString problem; // when it is not a sound roll, or was written by a newer version
    qint64 members = 0;
    QString clubName;
    bool newer = false; // a roll of a later version of the program: this one cannot take it
    bool restorable() const { return state == DatabaseSummary::State::Sound && !newer; }
};
RollSummary readRollSummary(const QString &path);
// When a backup was made: the date and time in its name, else the file's last change.
QDateTime backupDate(const QString &path);
