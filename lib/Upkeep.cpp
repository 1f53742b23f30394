// The roll's version: migrations that bring an older roll up to date, and replacing the roll
// with a backup.
#include "club/Roll.h"
#include "club/RollMigrations.h"
#include "core/Failure.h"
#include "db/Backup.h"
#include "libClub.h"
#include "system/ErrorLog.h"
#include "system/System.h"

#include <QFileInfo>

namespace {
// The engine's numbers for a refused write, a damaged file and one that is not of this kind.
constexpr int ReadOnly = 8;
constexpr int Damaged = 11;
constexpr int NotARoll = 26;

constexpr bool ascending() {
    int last = 1; // the four original tables, from data/schema.sql
    for (const RollMigration &m : RollMigrations) {
        if (m.version != last + 1)
            return false;
        last = m.version;
    }
    return last == RollSchemaVersion;
}
static_assert(ascending(), "data/migrations must number 2 up to RollSchemaVersion, each once");

const LogWriter RestoreLog{.label = QStringLiteral("RestoreRoll - DLL Function")};

// A file offered for a restore is only looked at; its refusals say nothing was restored.
class BackupFileProfile final : public RollProfile {
public:
    QString markedByAnother(const QString &path) const override {
        return QStringLiteral("The file %1 belongs to another program: it is not a backup of a "
                              "Quillmere roll. Nothing was restored.")
            .arg(path);
    }
    QString notOfThisKind(const QString &path, const QString &engineWords) const override {
        return QStringLiteral("The file %1 is not a Quillmere roll (%2). Nothing was restored.")
            .arg(path, engineWords);
    }
    QString lacking(const QString &path, const QString &what, bool unmarked) const override {
        if (unmarked)
            return QStringLiteral("The file %1 is not a Quillmere roll: %2. Nothing was restored.")
                .arg(path, what);
        return damagedWords(path, what);
    }
    QString damaged(const QString &path, const QString &problem, bool) const override {
        return damagedWords(path, problem);
    }
    static QString damagedWords(const QString &path, const QString &problem) {
        return QStringLiteral("The backup %1 is damaged (%2). Nothing was restored: choose "
                              "another backup.")
            .arg(path, problem);
    }
};

// Refuses, before anything changes, a file that is not a sound roll this version can take.
void checkBackup(const QString &path) {
    if (!QFileInfo(path).isFile())
        throw Failure(
            ErrNo::FileNotFound,
            QStringLiteral("The file %1 cannot be found. Nothing was restored.").arg(path));
    Connection file;
    file.setConnectionString(QStringLiteral("Data Source=") + Connection::quoteValue(path) + u';');
    file.setProfile(std::make_shared<const BackupFileProfile>());
    file.setReadOnly(true);
    QString verdict;
    int version = 0;
    try {
        file.open();
        // The open's own check reads every page; only the full one compares indexes too.
        verdict = file.execute(QStringLiteral("PRAGMA integrity_check(1)"))->value(0, 0).toString();
        version = file.userVersion();
        file.close();
    } catch (const DbError &e) {
        if (e.number() == NotARoll || e.number() == Damaged)
            throw; // in the profile's words
        // Only looked at, the file cannot take back the save its journal holds.
        if (e.number() == ReadOnly)
            throw Failure(e.number(),
                          QStringLiteral("A save into the file %1 was cut short, and its journal "
                                         "%2 lies beside it: open it once with the program it "
                                         "belongs to, or choose another backup. Nothing was "
                                         "restored.")
                              .arg(path, QFileInfo(path).fileName() + QStringLiteral("-journal")));
        throw Failure(e.number(), QStringLiteral("The file %1 cannot be read as a roll (%2). "
                                                 "Nothing was restored.")
                                      .arg(path, e.description()));
    }
    if (verdict != u"ok")
        throw Failure(Damaged, BackupFileProfile::damagedWords(path, verdict));
    if (version > RollSchemaVersion)
        throw Failure(NotARoll,
                      QStringLiteral("The backup %1 was saved by a newer version of Quillmere, "
                                     "which this version cannot restore. Nothing was restored.")
                          .arg(path));
}

QString rollBaseName(const QString &roll) {
    return QFileInfo(roll).completeBaseName();
}
} // namespace

void libClub::bringUpToDate() {
    const QString roll = con().dataSource();
    const BackupOutcome backup =
        BackupFolder(m_libraryFolder + QStringLiteral("/backups"), rollBaseName(roll))
            .make(roll, BackupFolder::Reason::BeforeMigration, currentDateTime());
    if (!backup.ok)
        throw Failure(ErrNo::PathFileAccess,
                      QStringLiteral("This version of Quillmere brings the roll %1 up to date "
                                     "at its first change, after making a backup of it, and the "
                                     "backup could not be made. %2 Nothing was saved; the roll "
                                     "is as it was.")
                          .arg(roll, backup.error));
    for (const RollMigration &m : RollMigrations) {
        if (m.version <= con().userVersion())
            continue;
        // The new tables and the version that names them come in together or not at all.
        con().beginTrans();
        try {
            con().executeScript(QString::fromUtf8(m.sql));
            con().execute(QStringLiteral("PRAGMA user_version = %1").arg(m.version));
            con().commitTrans();
        } catch (...) {
            skipOnFailure([&] { con().rollbackTrans(); });
            throw;
        }
    }
}

int libClub::RollVersion() {
    return passedOn([&] {
        int version = 0;
        framed([&] { version = con().userVersion(); });
        return version;
    });
}

bool libClub::RestoreRoll(const QString &backupPath) {
    return passedOn([&] {
        const QString roll = con().dataSource();
        const QFileInfo offered(backupPath);
        if (offered.exists() && offered.canonicalFilePath() == QFileInfo(roll).canonicalFilePath())
            throw Failure(ErrNo::Unexpected,
                          QStringLiteral("The file %1 is the roll itself. Nothing was restored.")
                              .arg(backupPath));
        checkBackup(backupPath);
        con().open();
        refuseIfNewer();
        const BackupOutcome before =
            BackupFolder(m_libraryFolder + QStringLiteral("/backups"), rollBaseName(roll))
                .make(roll, BackupFolder::Reason::BeforeRestore, currentDateTime());
        if (!before.ok)
            throw Failure(ErrNo::PathFileAccess,
                          QStringLiteral("A backup of the roll is made before it is replaced. %1 "
                                         "Nothing was restored; the roll is as it was.")
                              .arg(before.error));
        con().replaceWith(backupPath);
        // Another roll now: its identifiers are guarded again at its first change.
        guardedRolls().remove(roll);
        // The restore stands even when this fails: the next change tries again and says why.
        if (con().userVersion() < RollSchemaVersion) {
            try {
                bringUpToDate();
            } catch (...) {
                const Failure f = currentFailure(std::current_exception());
                skipOnFailure([&] { writeErrorLog(RestoreLog, f.number(), f.description()); });
            }
        }
        con().close();
        return true;
    });
}
