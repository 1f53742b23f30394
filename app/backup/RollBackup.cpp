#include "RollBackup.h"
#include "club/Roll.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "system/ErrorLog.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
const LogWriter BackupLog{.label = QStringLiteral("Automatic Backup")};
const QString RollBaseName = QStringLiteral("club");

bool g_told = false;  // a failing automatic backup is said once per process
bool g_armed = false; // the start backup ran; the end one is due

void automaticBackup() noexcept {
    try {
        // No roll, nothing to keep: start-up has already said so.
        if (!QFileInfo::exists(rollFile()))
            return;
        const BackupOutcome out = rollBackups().makeIfChanged(rollFile(), currentDateTime());
        if (out.ok)
            return;
        skipOnFailure([&] { writeErrorLog(BackupLog, ErrNo::PathFileAccess, out.error); });
        if (g_told)
            return;
        g_told = true;
        skipOnFailure([&] {
            MsgBox(QStringLiteral("The automatic backup of the roll could not be made.") + LineBreak
                       + LineBreak + out.error + LineBreak + LineBreak
                       + QStringLiteral("The roll itself is unharmed, and you can go on working. "
                                        "Until the cause is put right, each backup that fails "
                                        "is noted in error.log without another message."),
                   Mb::Exclamation | Mb::OKOnly);
        });
    } catch (...) {
        // Out of memory or the like: the backup is given up, never the work.
    }
}
} // namespace

QString rollFile() {
    return appPath(QStringLiteral("\\club\\club.qmr"));
}

BackupFolder rollBackups() {
    return BackupFolder(appPath(QStringLiteral("\\backups")), RollBaseName);
}

void AutomaticBackupAtStart() {
    static bool arranged = false;
    if (!arranged) {
        arranged = true;
        skipOnFailure([] {
            releaseAtEnd([] { AutomaticBackupAtEnd(); });
            // Closing the main window ends the event loop without EndProgram.
            if (QCoreApplication *app = QCoreApplication::instance())
                QObject::connect(app, &QCoreApplication::aboutToQuit,
                                 [] { AutomaticBackupAtEnd(); });
        });
    }
    g_armed = true;
    automaticBackup();
}

void AutomaticBackupAtEnd() {
    if (!g_armed)
        return;
    g_armed = false;
    automaticBackup();
}

QString BackUpNowTo(const QString &folder) {
    setPointer(Pointer::Busy);
    BackupOutcome out;
    RollSummary copy;
    try {
        out = backupDatabase(rollFile(),
                             BackupFolder(folder, RollBaseName)
                                 .freeName(BackupFolder::Reason::Automatic, currentDateTime()));
        if (out.ok)
            copy = readRollSummary(out.path);
    } catch (...) {
        out = {false, {}, currentFailure(std::current_exception()).description()};
    }
    setPointer(Pointer::Default);
    if (!out.ok) {
        MsgBox(QStringLiteral("The roll was not backed up.") + LineBreak + LineBreak + out.error,
               Mb::Critical | Mb::OKOnly);
        return {};
    }
    MsgBox(QStringLiteral("The roll was backed up to:") + LineBreak
               + QDir::toNativeSeparators(out.path) + LineBreak + LineBreak
               + QStringLiteral("The copy holds %1.").arg(membersText(copy.members)),
           Mb::Information | Mb::OKOnly);
    return out.path;
}

void BackUpNow(QWidget *parent) {
    static QString lastFolder;
    skipOnFailure([&] {
        const QString folder = QFileDialog::getExistingDirectory(
            parent, QStringLiteral("Back Up Now - Choose a Folder"), lastFolder);
        if (folder.isEmpty())
            return;
        lastFolder = folder;
        BackUpNowTo(folder);
    });
}

RollSummary readRollSummary(const QString &path) {
    const DatabaseSummary found =
        readDatabaseSummary(path, rollProfile(),
                            {QStringLiteral("SELECT COUNT(*) FROM tblMembers"),
                             QStringLiteral("SELECT ClubName FROM tblMain ORDER BY ID LIMIT 1"),
                             QStringLiteral("PRAGMA user_version")});
    RollSummary s;
    s.state = found.state;
    s.problem = found.problem;
    if (found.state != DatabaseSummary::State::Sound)
        return s;
    s.members = found.values.value(0).toLongLong();
    s.clubName = found.values.value(1);
    const int version = found.values.value(2).toInt();
    if (version > RollSchemaVersion) {
        s.newer = true;
        s.problem = QStringLiteral("The file %1 was written by a later version of the program (its "
                                   "layout is %2, this one knows up to %3): install that version "
                                   "to restore it.")
                        .arg(QDir::toNativeSeparators(path))
                        .arg(version)
                        .arg(RollSchemaVersion);
    }
    return s;
}

QDateTime backupDate(const QString &path) {
    static const QRegularExpression stamp(QStringLiteral("-(\\d{4}-\\d{2}-\\d{2}-\\d{6})"));
    const QFileInfo file(path);
    const auto m = stamp.match(file.fileName());
    if (m.hasMatch()) {
        const QDateTime named =
            QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd-HHmmss"));
        if (named.isValid())
            return named;
    }
    return file.lastModified();
}
