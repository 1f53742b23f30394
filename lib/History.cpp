// Who changed what: the history row each change writes in its own transaction, and the
// operations that read, restore and erase from it.
#include "club/Roll.h"
#include "core/Failure.h"
#include "libClub.h"
#include "system/System.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
// The roll's version from which it holds tblHistory.
constexpr int HistoryVersion = 2;
constexpr int DuplicateKey = 3022;

const QString HistoryColumns = QStringLiteral(
    "SELECT HistoryID,ChangedAt,UserName,Operation,MemberID,Changes FROM tblHistory");

// A deletion not undone since: no later restoration or erasure of the same identifier. A new
// member given the identifier since does not undo it (RestoreMember then says it is held).
const QString StillDeleted = QStringLiteral(
    "Operation = 'delete' AND NOT EXISTS (SELECT 1 FROM tblHistory AS l WHERE l.MemberID = "
    "tblHistory.MemberID AND l.HistoryID > tblHistory.HistoryID AND l.Operation IN "
    "('restore','erase'))");

// A restored member's columns; its row counter is new, as counters are never reused.
constexpr const char *RestoredColumns[] = {
    "MemberID", "LName", "FName",  "MName",   "Address1", "Address2", "City",
    "State",    "Zip",   "Phone1", "Phone2",  "Phone3",   "Dues",     "Membership",
    "DuesPaid", "Email", "Notes",  "AddDate", "ModDate"};

// What erasing keeps: when a record was made and changed, and under which identifier.
bool keptOnErasing(const QString &column) {
    return column == u"ID" || column == u"MemberID" || column == u"AddDate" || column == u"ModDate";
}

using MemberRules::changedAt;
using MemberRules::historyValue;

QVariant stored(const QJsonValue &v) {
    if (v.isDouble())
        return v.toDouble();
    if (v.isString())
        return v.toString();
    return {};
}

bool same(const QVariant &a, const QVariant &b) {
    return a.typeId() == b.typeId() && a == b;
}

QString text(const QJsonObject &o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString userName() {
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name).trimmed();
        if (!user.isEmpty())
            return user;
    }
    // Started without a login shell's environment (a desktop launcher, a service): the
    // account itself still has a name. Looked up once: it reads the password file, and a
    // change of many members writes a history row for each.
    static const QString account = [] {
#ifdef Q_OS_UNIX
        passwd entry{};
        passwd *found = nullptr;
        char buffer[1024];
        if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found
            && found->pw_name && *found->pw_name)
            return QString::fromLocal8Bit(found->pw_name);
#endif
        return QStringLiteral("unknown");
    }();
    return account;
}

QString erased(const QString &changes) {
    const QJsonDocument doc = QJsonDocument::fromJson(changes.toUtf8());
    if (!doc.isObject())
        return text({{QStringLiteral("(erased)"), QStringLiteral("(erased)")}});
    const auto erase = [](const QJsonValue &v) {
        return v.isNull() ? v : QJsonValue(QStringLiteral("(erased)"));
    };
    QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (keptOnErasing(it.key()))
            continue;
        if (it.value().isArray()) {
            QJsonArray pair;
            for (const QJsonValue &v : it.value().toArray())
                pair.append(erase(v));
            it.value() = pair;
        } else {
            it.value() = erase(it.value());
        }
    }
    return text(o);
}

RecordsetPtr noHistory() {
    return std::make_shared<Recordset>(
        QStringList{"HistoryID", "ChangedAt", "UserName", "Operation", "MemberID", "Changes"},
        QVector<QVector<QVariant>>{});
}
} // namespace

// Local time with its offset, so it reads the same anywhere.
QString MemberRules::changedAt() {
    const QDateTime t = currentDateTime();
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonValue MemberRules::historyValue(const QVariant &v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QJsonValue::Null;
    case QMetaType::LongLong:
        return QJsonValue(v.toLongLong());
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

RecordsetPtr libClub::rowsBefore(const Tracked &tracked) {
    if (tracked.change == Change::Added)
        return nullptr;
    if (tracked.club)
        return con().execute(QStringLiteral("SELECT * FROM tblMain ORDER BY ID"));
    return con().execute(QStringLiteral("SELECT * FROM tblMembers WHERE MemberID = ?"),
                         {tracked.memberId});
}

void libClub::writeHistory(const Tracked &tracked, const RecordsetPtr &before) {
    const QString table = tracked.club ? QStringLiteral("tblMain") : QStringLiteral("tblMembers");
    QJsonObject changes;
    RecordsetPtr row = before;
    if (tracked.change == Change::Added) {
        row = con().execute(
            QStringLiteral("SELECT * FROM %1 WHERE ID = last_insert_rowid()").arg(table));
        for (int c = 0; c < row->columns().size(); ++c)
            if (row->columns()[c] != u"ID" && row->value(0, c).isValid())
                changes.insert(row->columns()[c],
                               QJsonArray{QJsonValue::Null, historyValue(row->value(0, c))});
    } else if (tracked.change == Change::Updated) {
        // A club roll holds one record; should it hold more, the first is the one shown.
        const RecordsetPtr after =
            con().execute(QStringLiteral("SELECT * FROM %1 WHERE ID = ?").arg(table),
                          {before->value(0, before->columnIndex(QStringLiteral("ID")))});
        for (int c = 0; c < after->columns().size(); ++c) {
            const int b = before->columnIndex(after->columns()[c]);
            const QVariant old = b < 0 ? QVariant() : before->value(0, b);
            if (!same(old, after->value(0, c)))
                changes.insert(after->columns()[c],
                               QJsonArray{historyValue(old), historyValue(after->value(0, c))});
        }
    } else {
        for (int c = 0; c < before->columns().size(); ++c)
            changes.insert(before->columns()[c], historyValue(before->value(0, c)));
    }
    const QVariant memberId =
        tracked.club ? QVariant() : row->value(0, row->columnIndex(QStringLiteral("MemberID")));
    addHistoryRow(tracked.operation, memberId, text(changes));
}

void libClub::addHistoryRow(const QString &operation, const QVariant &memberId,
                            const QString &changes, const QString &at) {
    con().execute(QStringLiteral("INSERT INTO tblHistory (ChangedAt,UserName,Operation,MemberID,"
                                 "Changes) VALUES (?,?,?,?,?)"),
                  {at.isEmpty() ? changedAt() : at, userName(), operation, memberId, changes});
}

RecordsetPtr libClub::historyRows(const QString &rest, const QVariantList &params) {
    if (con().userVersion() < HistoryVersion)
        return noHistory();
    return con().execute(HistoryColumns + u' ' + rest, params);
}

RecordsetPtr libClub::MemberHistory(const QString &memberId) {
    return passedOn([&] {
        RecordsetPtr rs;
        framed([&] {
            rs = historyRows(QStringLiteral("WHERE MemberID = ? ORDER BY HistoryID"), {memberId});
        });
        return rs;
    });
}

RecordsetPtr libClub::DeletedMembers() {
    return passedOn([&] {
        RecordsetPtr rs;
        framed([&] {
            rs = historyRows(QStringLiteral("WHERE ") + StillDeleted
                             + QStringLiteral(" ORDER BY HistoryID DESC"));
        });
        return rs;
    });
}

bool libClub::RestoreMember(qint64 historyId) {
    return passedOn([&] {
        framed(
            [&] {
                const RecordsetPtr deletion = con().execute(
                    QStringLiteral("SELECT MemberID,Changes FROM tblHistory WHERE HistoryID = ? "
                                   "AND ")
                        + StillDeleted,
                    {historyId});
                if (deletion->recordCount() != 1)
                    throw Failure(ErrNo::NoCurrentRow,
                                  QStringLiteral("History row %1 is no deletion of a member "
                                                 "that can be restored: nothing was restored.")
                                      .arg(historyId));
                const QString id = deletion->value(0, 0).toString();
                const RecordsetPtr held = con().execute(
                    QStringLiteral(
                        "SELECT COUNT(*) FROM tblMembers WHERE MemberID IN (?,CAST(? AS BLOB))"),
                    {id, id});
                if (held->value(0, 0).toLongLong() > 0)
                    throw Failure(DuplicateKey,
                                  QStringLiteral("The identifier %1 is held by a member now: "
                                                 "nothing was restored.")
                                      .arg(id));
                const QJsonObject record =
                    QJsonDocument::fromJson(deletion->value(0, 1).toString().toUtf8()).object();
                QStringList columns, marks;
                QVariantList values;
                for (const char *column : RestoredColumns) {
                    columns << QLatin1String(column);
                    marks << QStringLiteral("?");
                    values << stored(record.value(QLatin1String(column)));
                }
                values[0] = id;
                con().execute(QStringLiteral("INSERT INTO tblMembers (%1) VALUES (%2)")
                                  .arg(columns.join(u','), marks.join(u',')),
                              values);
                writeHistory({Change::Added, QStringLiteral("restore")}, nullptr);
                restorePayments(historyId);
            },
            true);
        return true;
    });
}

bool libClub::EraseMember(const QString &memberId) {
    return passedOn([&] {
        framed(
            [&] {
                // Freed space is overwritten too, so no erased value lingers in the file.
                con().execute(QStringLiteral("PRAGMA secure_delete = ON"));
                con().execute(QStringLiteral("DELETE FROM tblMembers WHERE MemberID = ?"),
                              {memberId});
                const qint64 removed = con().rowsAffected();
                const RecordsetPtr rows = con().execute(
                    QStringLiteral("SELECT HistoryID,Changes FROM tblHistory WHERE MemberID = ?"),
                    {memberId});
                if (removed == 0 && rows->recordCount() == 0)
                    throw Failure(ErrNo::NoCurrentRow,
                                  QStringLiteral("Nothing is held about the member %1: nothing "
                                                 "was erased.")
                                      .arg(memberId));
                for (int r = 0; r < rows->recordCount(); ++r)
                    con().execute(
                        QStringLiteral("UPDATE tblHistory SET Changes = ? WHERE HistoryID = ?"),
                        {erased(rows->value(r, 1).toString()), rows->value(r, 0)});
                anonymisePayments(memberId);
                addHistoryRow(QStringLiteral("erase"), memberId, QStringLiteral("{}"));
            },
            true);
        return true;
    });
}
