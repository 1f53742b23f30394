// Dues: payments recorded with their history rows, where each member stands, and the settings
// the roll keeps for them.
#include "club/Dues.h"
#include "core/Failure.h"
#include "libClub.h"
#include "system/System.h"
#include "ui/TextLimit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {
// The roll's version from which it holds tblPayments and tblSettings.
constexpr int DuesVersion = 3;

const QStringList PaymentColumns{"PaymentID",  "MemberID",   "ReceivedOn", "Amount",
                                 "PeriodFrom", "PeriodTo",   "Method",     "Reference",
                                 "Note",       "Membership", "RecordedAt"};

const QString InsertPayment =
    QStringLiteral("INSERT INTO tblPayments (MemberID,ReceivedOn,Amount,PeriodFrom,PeriodTo,"
                   "Method,Reference,Note,Membership,RecordedAt) VALUES (?,?,?,?,?,?,?,?,?,?) "
                   "RETURNING PaymentID");

// The member columns DuesStanding lists, in its order, before PaidThrough.
const QString StandingMembers =
    QStringLiteral("m.MemberID AS MemberID,m.LName AS LName,m.FName AS FName,m.MName AS MName,"
                   "m.Membership AS Membership,m.Dues AS Dues,m.DuesPaid AS DuesPaid,"
                   "m.Address1 AS Address1,m.Address2 AS Address2,m.City AS City,"
                   "m.State AS State,m.Zip AS Zip,m.Phone1 AS Phone1,m.Email AS Email");

RecordsetPtr noRows(QStringList columns) {
    return std::make_shared<Recordset>(std::move(columns), QVector<QVector<QVariant>>{});
}

QString paymentColumns(const QString &table) {
    QStringList out;
    for (const QString &c : PaymentColumns)
        out << table + u'.' + c + QStringLiteral(" AS ") + c;
    return out.join(u',');
}

// A text the secretary typed, as stored: blanks trimmed, no NUL, nothing at all when empty.
QVariant optionalText(const QString &text) {
    const QString t = trimBlanks(QString(text).remove(QChar(0)));
    return t.isEmpty() ? QVariant() : QVariant(t);
}

[[noreturn]] void refuse(const QString &words) {
    throw Failure(ErrNo::Unexpected, words);
}

// What a payment must hold before the roll is opened, so a refusal changes nothing in it.
void requireSound(const DuesPayment &p) {
    const QString who = QStringLiteral("The payment for member %1").arg(p.memberId);
    const QString nothing = QStringLiteral(": nothing was recorded.");
    if (p.memberId.trimmed().isEmpty())
        throw Failure(ErrNo::NoCurrentRow,
                      QStringLiteral("The payment names no member: nothing was recorded."));
    if (storedDate(p.receivedOn).isEmpty())
        refuse(who + QStringLiteral(" has no date received") + nothing);
    if (storedDate(p.periodFrom).isEmpty() || storedDate(p.periodTo).isEmpty())
        refuse(who
               + QStringLiteral(" does not say which period it pays for (the first and the "
                                "last day)")
               + nothing);
    if (p.periodFrom > p.periodTo)
        refuse(who
               + QStringLiteral(" would pay for a period starting on %1, after its last day, %2")
                     .arg(storedDate(p.periodFrom), storedDate(p.periodTo))
               + nothing);
    if (!std::isfinite(p.amount))
        refuse(who + QStringLiteral(" has an amount that is no number") + nothing);
    if (p.amount < 0)
        refuse(who + QStringLiteral(" has an amount below zero (%1)").arg(p.amount) + nothing);
    if (std::none_of(PaymentMethods.begin(), PaymentMethods.end(),
                     [&](const char *m) { return p.method == QLatin1String(m); }))
        refuse(who
               + QStringLiteral(" was received by \"%1\", which is none of cash, cheque, "
                                "transfer, card and other")
                     .arg(p.method)
               + nothing);
}

QString compact(const QJsonObject &o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
} // namespace

bool libClub::holdsDues() {
    return con().userVersion() >= DuesVersion;
}

// row: InsertPayment's values. The history row holds them but the member and the moment,
// which the row itself records.
qint64 libClub::storePayment(const QVariantList &row, const QString &operation) {
    const qint64 id = con().execute(InsertPayment, row)->value(0, 0).toLongLong();
    QJsonObject changes{{QStringLiteral("PaymentID"), id}};
    for (int c = 2; c < PaymentColumns.size() - 1; ++c)
        changes.insert(PaymentColumns[c], MemberRules::historyValue(row[c - 1]));
    addHistoryRow(operation, row[0], compact(changes), row.last().toString());
    return id;
}

qint64 libClub::RecordPayment(const DuesPayment &payment) {
    return passedOn([&] {
        requireSound(payment);
        qint64 id = 0;
        framed(
            [&] {
                const RecordsetPtr member = con().execute(
                    QStringLiteral("SELECT Membership FROM tblMembers WHERE MemberID = ?"),
                    {payment.memberId});
                MemberRules::requireOneMember(member->recordCount(), payment.memberId,
                                              QStringLiteral("nothing was recorded."));
                const QString at = MemberRules::changedAt();
                const QVariantList row{payment.memberId,
                                       storedDate(payment.receivedOn),
                                       payment.amount,
                                       storedDate(payment.periodFrom),
                                       storedDate(payment.periodTo),
                                       payment.method,
                                       optionalText(payment.reference),
                                       optionalText(payment.note),
                                       member->value(0, 0),
                                       at};
                id = storePayment(row, QStringLiteral("payment"));
            },
            true);
        return id;
    });
}

qsizetype libClub::MarkPaidThrough(const QStringList &memberIds, const QDate &paidThrough) {
    return passedOn([&] {
        const QString through = storedDate(paidThrough);
        if (through.isEmpty())
            refuse(QStringLiteral("No paid-through date was given: nobody was marked."));
        qsizetype recorded = 0;
        if (memberIds.isEmpty())
            return recorded;
        framed(
            [&] {
                const QString at = MemberRules::changedAt();
                const QString today = storedDate(currentDateTime().date());
                // The member's type and paid-through date in one look-up; the latter is the
                // last entry of the member's rows in the (MemberID, PeriodTo) index.
                const QString standing = QStringLiteral(
                    "SELECT Membership,(SELECT MAX(PeriodTo) FROM tblPayments WHERE MemberID = "
                    "tblMembers.MemberID) FROM tblMembers WHERE MemberID = ?");
                for (const QString &id : memberIds) {
                    const RecordsetPtr member = con().execute(standing, {id});
                    MemberRules::requireOneMember(
                        member->recordCount(), id,
                        QStringLiteral("nobody was marked paid through %1.").arg(through));
                    const QVariant current = member->value(0, 1);
                    if (current.isValid() && current.toString() >= through)
                        continue;
                    const QVariantList row{
                        id,         today,      0.0,
                        QVariant(), through,    QString::fromLatin1(OpeningMethod),
                        QVariant(), QVariant(), member->value(0, 0),
                        at};
                    storePayment(row, QStringLiteral("opening balance"));
                    ++recorded;
                }
            },
            true);
        return recorded;
    });
}

bool libClub::DeletePayment(qint64 paymentId) {
    return passedOn([&] {
        framed(
            [&] {
                const RecordsetPtr row = con().execute(
                    QStringLiteral("SELECT * FROM tblPayments WHERE PaymentID = ?"), {paymentId});
                if (row->recordCount() != 1)
                    throw Failure(ErrNo::NoCurrentRow,
                                  QStringLiteral("There is no payment number %1: nothing was "
                                                 "deleted.")
                                      .arg(paymentId));
                con().execute(QStringLiteral("DELETE FROM tblPayments WHERE PaymentID = ?"),
                              {paymentId});
                QJsonObject whole;
                for (int c = 0; c < row->columns().size(); ++c)
                    whole.insert(row->columns()[c], MemberRules::historyValue(row->value(0, c)));
                // A deleted member's payment stays in that member's history, so erasing the
                // member reaches this row too.
                QVariant memberId = row->field(QStringLiteral("MemberID"));
                if (!memberId.isValid())
                    memberId = row->field(QStringLiteral("DeletedMemberID"));
                addHistoryRow(QStringLiteral("payment delete"), memberId, compact(whole));
            },
            true);
        return true;
    });
}

RecordsetPtr libClub::DuesStanding() {
    return passedOn([&] {
        RecordsetPtr rs;
        framed([&] {
            // One index look-up per member: the last entry of the member's rows.
            const QString standing =
                holdsDues()
                    ? QStringLiteral("SELECT %1,(SELECT MAX(PeriodTo) FROM tblPayments WHERE "
                                     "MemberID = m.MemberID) AS PaidThrough FROM tblMembers AS m")
                          .arg(StandingMembers)
                    : QStringLiteral("SELECT %1,NULL AS PaidThrough FROM tblMembers AS m")
                          .arg(StandingMembers);
            rs = con().execute(standing + QStringLiteral(" ORDER BY m.LName,m.FName,m.MemberID"));
        });
        return rs;
    });
}

RecordsetPtr libClub::MemberPayments(const QString &memberId) {
    return passedOn([&] {
        RecordsetPtr rs = noRows(PaymentColumns);
        framed([&] {
            if (holdsDues())
                rs = con().execute(QStringLiteral("SELECT %1 FROM tblPayments AS p WHERE "
                                                  "p.MemberID = ? ORDER BY p.PeriodTo DESC,"
                                                  "p.PaymentID DESC")
                                       .arg(paymentColumns(QStringLiteral("p"))),
                                   {memberId});
        });
        return rs;
    });
}

RecordsetPtr libClub::PaymentsReceived(const QDate &from, const QDate &to) {
    return passedOn([&] {
        if (storedDate(from).isEmpty() || storedDate(to).isEmpty())
            refuse(QStringLiteral("The payments received are listed between two dates, and one "
                                  "of them is missing."));
        RecordsetPtr rs = noRows(PaymentColumns + QStringList{"LName", "FName"});
        framed([&] {
            // Joined to one member row at most, so no payment counts twice on a roll from
            // before identifiers were guarded.
            if (holdsDues())
                rs = con().execute(
                    QStringLiteral("SELECT %1,m.LName AS LName,m.FName AS FName FROM tblPayments "
                                   "AS p LEFT JOIN tblMembers AS m ON m.ID = (SELECT MIN(ID) FROM "
                                   "tblMembers WHERE MemberID = p.MemberID) WHERE p.ReceivedOn "
                                   "BETWEEN ? AND ? ORDER BY p.ReceivedOn,p.PaymentID")
                        .arg(paymentColumns(QStringLiteral("p"))),
                    {storedDate(from), storedDate(to)});
        });
        return rs;
    });
}

QString libClub::Setting(const QString &name) {
    return passedOn([&] {
        QString value;
        framed([&] {
            if (!holdsDues())
                return;
            const RecordsetPtr rs = con().execute(
                QStringLiteral("SELECT Value FROM tblSettings WHERE Name = ?"), {name});
            if (!rs->isEmpty())
                value = rs->value(0, 0).toString();
        });
        return value;
    });
}

bool libClub::SaveSetting(const QString &name, const QString &value) {
    return passedOn([&] {
        if (name.isEmpty())
            refuse(QStringLiteral("A setting needs a name: nothing was saved."));
        framed(
            [&] {
                const RecordsetPtr old = con().execute(
                    QStringLiteral("SELECT Value FROM tblSettings WHERE Name = ?"), {name});
                const QVariant before = old->isEmpty() ? QVariant() : old->value(0, 0);
                if (!old->isEmpty() && before.toString() == value)
                    return;
                con().execute(
                    QStringLiteral("INSERT OR REPLACE INTO tblSettings (Name,Value) VALUES (?,?)"),
                    {name, value});
                // Recorded like the club's own saves: who changed the letter, and an import
                // made before it is not undone over it.
                addHistoryRow(
                    QStringLiteral("setting"), QVariant(),
                    compact({{name, QJsonArray{MemberRules::historyValue(before), value}}}));
            },
            true);
        return true;
    });
}

void libClub::hidePayments(const QString &memberId) {
    // last_insert_rowid(): the deletion's history row, written just before.
    con().execute(QStringLiteral("UPDATE tblPayments SET DeletedMemberID = MemberID,MemberID = "
                                 "NULL,DeletionID = last_insert_rowid() WHERE MemberID = ?"),
                  {memberId});
}

void libClub::restorePayments(qint64 deletionId) {
    con().execute(QStringLiteral("UPDATE tblPayments SET MemberID = DeletedMemberID,"
                                 "DeletedMemberID = NULL,DeletionID = NULL WHERE DeletionID = ?"),
                  {deletionId});
}

void libClub::anonymisePayments(const QString &memberId) {
    con().execute(
        QStringLiteral("UPDATE tblPayments SET MemberID = NULL,DeletedMemberID = NULL,"
                       "DeletionID = NULL,Reference = NULL,Note = NULL WHERE MemberID = ? "
                       "OR DeletedMemberID = ?"),
        {memberId, memberId});
}
