// An import: many members added and changed in one transaction after a backup of their own,
// and its undoing from that backup.
#include "club/ImportRecord.h"
#include "club/NextIdentifier.h"
#include "club/RecordSlots.h"
#include "core/Failure.h"
#include "db/Backup.h"
#include "libClub.h"
#include "system/System.h"
#include "ui/TextLimit.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString ImportOperation = QStringLiteral("import");
const QString NewestImport = QStringLiteral("WHERE Operation = ? ORDER BY HistoryID DESC LIMIT 1");
constexpr qsizetype ProgressEvery = 200;

// What AddMember and UpdateMember leave of a value once their literal is read back.
QString stored(const QString &value) {
    return trimBlanks(QString(value).remove(QChar(0)));
}

// The same text for every row: the connection prepares it once.
QString insertStatement() {
    QString columns = QStringLiteral("MemberID");
    for (const char *column : MemberSlotColumns)
        columns += u',' + QLatin1String(column);
    return QStringLiteral("INSERT INTO tblMembers (%1,Dues,AddDate) VALUES (?%2,?,?)")
        .arg(columns, QStringLiteral(",?").repeated(UpdateMemberSize));
}

QString updateStatement() {
    QString assigned;
    for (const char *column : MemberSlotColumns)
        assigned += QLatin1String(column) + QStringLiteral(" = ?,");
    return QStringLiteral("UPDATE tblMembers SET %1Dues = ?,ModDate = ? WHERE MemberID = ?")
        .arg(assigned);
}

// The member's values in slot order, then the dues and the moment of the import.
QVariantList values(const ImportedMember &m, const QString &at) {
    MemberRules::requireAmount(m.dues);
    QVariantList out;
    out.reserve(UpdateMemberSize + 3);
    for (int i = 0; i < UpdateMemberSize; ++i)
        out << stored(MemberRules::element(m.fields, i));
    out << m.dues << at;
    return out;
}

QString backupsFolder(const QString &libraryFolder) {
    return libraryFolder + QStringLiteral("/backups");
}

// When an import was made, in the words of a refusal.
QString madeAt(const ImportRecord &import) {
    const QDateTime at = QDateTime::fromString(import.changedAt, Qt::ISODate);
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                        : import.changedAt;
}
} // namespace

QStringList libClub::ImportMembers(const QString &source, const QList<ImportedMember> &members,
                                   const ImportProgress &progress) {
    QString backup;
    bool committing = false;
    try {
        return passedOn([&] {
            openForWriting();
            // Held for writing before the backup is made, so the backup is the roll exactly as
            // the import finds it; readers may still copy it meanwhile.
            con().execute(QStringLiteral("BEGIN IMMEDIATE"));
            const QString roll = con().dataSource();
            const BackupOutcome made =
                BackupFolder(backupsFolder(m_libraryFolder), QFileInfo(roll).completeBaseName())
                    .make(roll, BackupFolder::Reason::BeforeImport, currentDateTime());
            if (!made.ok)
                throw Failure(ErrNo::PathFileAccess,
                              QStringLiteral("Quillmere backs up the roll %1 before an import, "
                                             "so that the import can be undone, and the backup "
                                             "could not be made. %2 Nothing was imported; the "
                                             "roll is as it was.")
                                  .arg(roll, made.error));
            backup = made.path;

            const QString at = MemberRules::storedTime(currentDateTime());
            const QString insert = insertStatement(), update = updateStatement();
            const QString highest = QStringLiteral("SELECT MAX(ID) FROM tblMembers");
            const QString held = QStringLiteral(
                "SELECT COUNT(*) FROM tblMembers WHERE MemberID IN (?,CAST(? AS BLOB))");
            QStringList added;
            qsizetype updated = 0, done = 0;
            for (const ImportedMember &m : members) {
                QVariantList row = values(m, at);
                if (m.memberId.isEmpty()) {
                    // As the entry form numbers a new member: after the highest row counter,
                    // then past identifiers held (this import's own among them).
                    const std::optional<qint64> next =
                        nextRowNumber(con().execute(highest)->value(0, 0));
                    if (!next)
                        throw Failure(ErrNo::Unexpected,
                                      QStringLiteral("The members' row counter holds no number: "
                                                     "nothing was imported."));
                    QString id;
                    for (qint64 n = *next;; ++n) {
                        id = QLatin1String(MemberIdPrefix) + QString::number(n);
                        if (con().execute(held, {id, id})->value(0, 0).toLongLong() == 0)
                            break;
                    }
                    row.prepend(id);
                    con().execute(insert, row);
                    writeHistory({Change::Added, QStringLiteral("add")}, nullptr);
                    added << id;
                } else {
                    const Tracked tracked{Change::Updated, QStringLiteral("update"), false,
                                          m.memberId};
                    const RecordsetPtr before = rowsBefore(tracked);
                    row << m.memberId;
                    con().execute(update, row);
                    MemberRules::requireOneMember(con().rowsAffected(), m.memberId,
                                                  QStringLiteral("nothing was imported."));
                    writeHistory(tracked, before);
                    ++updated;
                }
                ++done;
                if ((done % ProgressEvery == 0 || done == members.size()) && progress
                    && !progress(done))
                    throw Failure(ErrNo::UserInterrupt,
                                  QStringLiteral("The import was cancelled: nothing was "
                                                 "imported."));
            }
            const QJsonObject changes{{QStringLiteral("file"), source},
                                      {QStringLiteral("backup"), QFileInfo(backup).fileName()},
                                      {QStringLiteral("added"), qint64(added.size())},
                                      {QStringLiteral("updated"), qint64(updated)}};
            addHistoryRow(ImportOperation, QVariant(),
                          QString::fromUtf8(QJsonDocument(changes).toJson(QJsonDocument::Compact)));
            committing = true;
            con().commitTrans();
            con().close();
            return added;
        });
    } catch (...) {
        // Nothing was imported, so there is nothing to undo: the backup would only be kept
        // forever (backups made before an import are never pruned).
        if (!backup.isEmpty() && !committing)
            QFile::remove(backup);
        throw;
    }
}

RecordsetPtr libClub::LastImport() {
    return passedOn([&] {
        RecordsetPtr rs;
        framed([&] { rs = historyRows(NewestImport, {ImportOperation}); });
        return rs;
    });
}

bool libClub::UndoLastImport() {
    return passedOn([&] {
        QString backup;
        framed([&] {
            const RecordsetPtr last = historyRows(NewestImport, {ImportOperation});
            if (last->isEmpty())
                throw Failure(ErrNo::NoCurrentRow,
                              QStringLiteral("The roll holds no import to undo. Nothing was "
                                             "undone."));
            const ImportRecord import = importRecord(*last);
            const qint64 since =
                con()
                    .execute(QStringLiteral("SELECT COUNT(*) FROM tblHistory WHERE HistoryID > ?"),
                             {import.historyId})
                    ->value(0, 0)
                    .toLongLong();
            if (since > 0)
                throw Failure(ErrNo::Unexpected,
                              QStringLiteral("The roll was changed after the import of %1 on %2: "
                                             "undoing it would lose those changes. Nothing was "
                                             "undone.")
                                  .arg(import.file, madeAt(import)));
            const QString folder = backupsFolder(m_libraryFolder);
            // Only a name in the backups' folder: a roll edited by hand must not point elsewhere.
            backup = folder + u'/' + import.backup;
            if (import.backup.isEmpty() || QFileInfo(import.backup).fileName() != import.backup
                || !QFileInfo(backup).isFile())
                throw Failure(ErrNo::FileNotFound,
                              QStringLiteral("The backup %1 made before the import of %2 on %3 "
                                             "is no longer in %4, so the import cannot be "
                                             "undone. Nothing was undone.")
                                  .arg(import.backup, import.file, madeAt(import), folder));
        });
        return RestoreRoll(backup);
    });
}
