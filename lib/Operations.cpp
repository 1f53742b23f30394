// The statements of the member, club and lookup operations, built piece by piece.
#include "club/RecordSlots.h"
#include "libClub.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QLocale>
#include <cmath>
#include <utility>

namespace {
const LogWriter AddClubLog{.label = QStringLiteral("AddClubDetails - DLL Function")};
const LogWriter UpdateClubLog{.label = QStringLiteral("UpdateClubDetails - DLL Function"),
                              .bannerIndent = 13};
const LogWriter UpdateMemberLog{.label = QStringLiteral("Update Member - DLL Function"),
                                .bannerIndent = 13};

QString now() {
    return MemberRules::storedTime(currentDateTime());
}

// The shortest text that reads back as the same amount, always with "." as decimal mark. The
// engine reads whole cents back exactly; other amounts it may read one unit in the last
// place off. Dues that are no number fail before the statement.
QString dues(double amount) {
    MemberRules::requireAmount(amount);
    return QString::number(amount, 'g', QLocale::FloatingPointShortest);
}

// A value placed between the quotes unchanged must not hold an apostrophe: it would end the
// literal early and the rest would be read as SQL (a key such as x' OR 'a'='a would match
// every row), and a NUL character would end the statement text. Such a value fails the
// statement before it is built.
QString unchanged(const QString &value) {
    constexpr int StatementError = 1;
    if (value.contains(u'\''))
        throw DbError(StatementError,
                      QStringLiteral("An apostrophe is not allowed in this value: ") + value);
    if (value.contains(QChar(0)))
        throw DbError(StatementError, QStringLiteral("A NUL character is not allowed in a value."));
    return value;
}

constexpr int NoMatchingRow = ErrNo::NoCurrentRow;
using MemberRules::element;
using MemberRules::requireOneMember;
} // namespace

// Stored dates sort as text and read back the same under any locale.
QString MemberRules::storedTime(const QDateTime &t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A list shorter than the operation reads is the caller's mistake: storing blanks for the
// missing fields would lose them silently, so it fails like any other bad value.
QString MemberRules::element(const QStringList &list, int i) {
    constexpr int SubscriptOutOfRange = 9;
    if (i < 0 || i >= list.size())
        throw Failure(SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return list.at(i);
}

// "nan" and "inf" are no amount, and in a statement no SQL either.
void MemberRules::requireAmount(double amount) {
    if (!std::isfinite(amount))
        throw DbError(1, QStringLiteral("The dues are not a number: ") + QString::number(amount));
}

// A member's identifier is its key: a change that would touch no row, or several, is
// refused (and rolled back) rather than reported as done. Several rows share an identifier
// only in a roll from before identifiers were guarded by a unique index.
void MemberRules::requireOneMember(qint64 rows, const QString &strID, const QString &nothingDone) {
    constexpr int DuplicateKey = 3022;
    if (rows == 0)
        throw Failure(
            NoMatchingRow,
            QStringLiteral("No member has the identifier %1: %2").arg(strID, nothingDone));
    if (rows > 1)
        throw Failure(DuplicateKey, QStringLiteral("%1 members have the identifier %2: %3")
                                        .arg(QString::number(rows), strID, nothingDone));
}

bool libClub::AddMember(const QStringList &strText, double sngMoney) {
    return passedOn([&] {
        framed(
            [&] {
                auto c = [&](MemberSlot s) {
                    return Clean(element(strText, addMemberSlot(s)));
                };
                auto raw = [&](MemberSlot s) {
                    return unchanged(element(strText, addMemberSlot(s)));
                };
                QString sql =
                    QStringLiteral("INSERT INTO tblMembers (MemberID,LName,FName,MName,Address1,");
                sql += QStringLiteral("Address2,City,State,Zip,Phone1,Phone2,Phone3,");
                sql += QStringLiteral("Dues,Membership,DuesPaid,Email,Notes,AddDate) VALUES (");
                sql += u'\'' + unchanged(element(strText, AddMemberIdSlot)) + QStringLiteral("',");
                using enum MemberSlot;
                for (MemberSlot s : {LName, FName, MName, Address1, Address2, City})
                    sql += u'\'' + c(s) + QStringLiteral("',");
                sql += u'\'' + raw(State) + QStringLiteral("',");
                for (MemberSlot s : {Zip, Phone1, Phone2, Phone3})
                    sql += u'\'' + c(s) + QStringLiteral("',");
                sql += dues(sngMoney) + u',';
                sql += u'\'' + raw(Membership) + QStringLiteral("',");
                for (MemberSlot s : {DuesPaid, Email, Notes})
                    sql += u'\'' + c(s) + QStringLiteral("',");
                sql += u'\'' + now() + QStringLiteral("');");
                con().execute(sql);
                writeHistory({Change::Added, QStringLiteral("add")}, nullptr);
            },
            true);
        return true;
    });
}

bool libClub::UpdateMember(const QStringList &strText, const QString &strID, double sngMoney) {
    return changeReported(
        [&] {
            using enum MemberSlot;
            static const std::pair<MemberSlot, const char *> leading[] = {
                {LName, "LName = '"},       {FName, "FName = '"},       {MName, "MName = '"},
                {Address1, "Address1 = '"}, {Address2, "Address2 = '"}, {City, "City = '"},
                {State, "State = '"},       {Zip, "Zip = '"},           {Phone1, "Phone1 = '"},
                {Phone2, "Phone2 = '"},     {Phone3, "Phone3 = '"}};
            auto value = [&](MemberSlot s) {
                // The list choices go in as given.
                return (s == State || s == Membership || s == DuesPaid)
                           ? unchanged(element(strText, updateMemberSlot(s)))
                           : Clean(element(strText, updateMemberSlot(s)));
            };
            QString sql = QStringLiteral("UPDATE tblMembers SET ");
            for (const auto &[s, prefix] : leading)
                sql += QLatin1String(prefix) + value(s) + QStringLiteral("',");
            sql += QStringLiteral("Dues = ") + dues(sngMoney) + u',';
            sql += QStringLiteral("DuesPaid = '") + value(DuesPaid) + QStringLiteral("',");
            sql += QStringLiteral("Membership = '") + value(Membership) + QStringLiteral("',");
            sql += QStringLiteral("Email = '") + value(Email) + QStringLiteral("',");
            sql += QStringLiteral("Notes = '") + value(Notes) + QStringLiteral("',");
            sql += QStringLiteral("ModDate = '") + now() + QStringLiteral("' WHERE ");
            sql += QStringLiteral("MemberID = '") + unchanged(strID) + QStringLiteral("';");
            return sql;
        },
        &UpdateMemberLog, QStringLiteral("UpdateMember"),
        [&](qint64 rows) { requireOneMember(rows, strID, QStringLiteral("nothing was changed.")); },
        {Change::Updated, QStringLiteral("update"), false, strID});
}

bool libClub::DeleteMember(const QString &strID) {
    return passedOn([&] {
        openForWriting();
        con().beginTrans();
        const QString sql = QStringLiteral("DELETE FROM tblMembers WHERE MemberID = '")
                            + unchanged(strID) + QStringLiteral("';");
        const Tracked tracked{Change::Deleted, QStringLiteral("delete"), false, strID};
        const RecordsetPtr before = rowsBefore(tracked);
        con().execute(sql);
        // Asked only about a deletion that can be kept: one that matched no member, or several,
        // is refused before the question.
        requireOneMember(con().rowsAffected(), strID, QStringLiteral("nothing was deleted."));
        writeHistory(tracked, before);
        hidePayments(strID);
        // The deletion and its history row wait, uncommitted, for the answer.
        const int answer =
            MsgBox(QStringLiteral("Delete this Member Record?") + LineBreak + LineBreak
                       + QStringLiteral("Once deleted it can't be recovered!"),
                   Mb::Question | Mb::YesNo | Mb::DefaultButton2, QStringLiteral("** WARNING **"));
        if (answer == Mb::No) {
            con().rollbackTrans();
            con().close();
            return false;
        }
        con().commitTrans();
        con().close();
        return true;
    });
}

RecordsetPtr libClub::GetNewMemberID() {
    return queryReported(QStringLiteral("SELECT MAX(ID) AS [NewMemberID] FROM tblMembers"),
                         QStringLiteral("GetNewMemberID"));
}

RecordsetPtr libClub::GetNewClubID() {
    return queryReported(QStringLiteral("SELECT MAX(ID) AS [NewClubID] FROM tblMain"),
                         QStringLiteral("GetNewClubID"));
}

bool libClub::AddClubDetails(const QStringList &strText) {
    return changeReported(
        [&] {
            QString sql =
                QStringLiteral("INSERT INTO tblMain (ClubID,ClubName,Address1,City,State,Zip,");
            sql += QStringLiteral("Phone1,Phone2,Phone3,Phone4,Phone5,Phone6,WebURL,Email,");
            sql += QStringLiteral("AddDate)VALUES (");
            sql += u'\'' + unchanged(element(strText, clubSlot(ClubSlot::ClubID)))
                   + QStringLiteral("',");
            for (int i = clubSlot(ClubSlot::ClubName); i < ClubSize; ++i)
                sql += u'\'' + Clean(element(strText, i)) + QStringLiteral("',");
            sql += u'\'' + now() + QStringLiteral("');");
            return sql;
        },
        &AddClubLog, QString(), {}, {Change::Added, QStringLiteral("club add"), true});
}

bool libClub::UpdateClubDetails(const QStringList &strText) {
    return changeReported(
        [&] {
            using enum ClubSlot;
            static const std::pair<ClubSlot, const char *> assigned[] = {
                {ClubName, "ClubName = '"}, {Address1, "Address1 = '"}, {City, "City = '"},
                {State, "State = '"},       {Zip, "Zip = '"},           {Phone1, "Phone1 = '"},
                {Phone2, "Phone2 = '"},     {Phone3, "Phone3 = '"},     {Phone4, "Phone4 = '"},
                {Phone5, "Phone5 = '"},     {Phone6, "Phone6 = '"},     {WebURL, "WebURL = '"},
                {Email, "Email = '"}};
            QString sql = QStringLiteral("UPDATE tblMain SET ");
            for (const auto &[s, prefix] : assigned)
                sql += QLatin1String(prefix) + Clean(element(strText, clubSlot(s)))
                       + (s != Email ? QStringLiteral("',") : QStringLiteral("';"));
            return sql;
        },
        &UpdateClubLog, QStringLiteral("UpdateClubDetails"),
        [](qint64 rows) {
            if (rows == 0)
                throw Failure(NoMatchingRow,
                              QStringLiteral("There is no club record to update: nothing was "
                                             "saved."));
        },
        {Change::Updated, QStringLiteral("club update"), true});
}

QString libClub::FreeIdentifier(const QString &prefix, qint64 n) {
    QString held;
    if (prefix == QLatin1String("M-"))
        held = QStringLiteral("SELECT COUNT(*) FROM tblMembers WHERE MemberID IN ('%1',"
                              "CAST('%1' AS BLOB));");
    else if (prefix == QLatin1String("C-"))
        held = QStringLiteral("SELECT COUNT(*) FROM tblMain WHERE ClubID IN ('%1',"
                              "CAST('%1' AS BLOB));");
    if (held.isEmpty() || n < 1)
        throw Failure(ErrNo::Unexpected, QStringLiteral("Invalid procedure call or argument"));
    return passedOn([&] {
        // The counter usually is right, so this is one look-up; a counter that lags behind
        // walks on past the numbers given already. An identifier stored as bytes is one held.
        QString id;
        framed([&] {
            for (;; ++n) {
                id = prefix + QString::number(n);
                if (con().execute(held.arg(id))->value(0, 0).toLongLong() == 0)
                    break;
            }
        });
        return id;
    });
}

RecordsetPtr libClub::LoadStates() {
    return queryQuiet(QStringLiteral("SELECT State,StateFull FROM tblStates ORDER BY State;"));
}

RecordsetPtr libClub::LoadCanada() {
    return queryQuiet(QStringLiteral("SELECT State,StateFull FROM tblCanada ORDER BY StateFull;"));
}

RecordsetPtr libClub::LoadMembers() {
    return queryQuiet(QStringLiteral("SELECT * FROM tblMembers;"));
}

RecordsetPtr libClub::LoadClub() {
    return queryPassedOn(QStringLiteral("SELECT ClubID,ClubName FROM tblMain;"));
}

RecordsetPtr libClub::LoadEditClub() {
    return queryPassedOn(QStringLiteral("SELECT * FROM tblMain;"));
}

RecordsetPtr libClub::RefreshMembers() {
    return queryQuiet(QStringLiteral("SELECT MemberID FROM tblMembers;"));
}

namespace {
QString membersOfType(const char *type) {
    return QStringLiteral("SELECT MemberID FROM tblMembers WHERE Membership = '")
           + QLatin1String(type) + QStringLiteral("';");
}
} // namespace

RecordsetPtr libClub::RefreshRegularMembers() {
    return queryQuiet(membersOfType("Regular"));
}

RecordsetPtr libClub::RefreshFamilyMembers() {
    return queryQuiet(membersOfType("Family"));
}

RecordsetPtr libClub::RefreshClub() {
    return queryQuiet(QStringLiteral("SELECT ClubID,ClubName FROM tblMain;"));
}

RecordsetPtr libClub::RefreshJuniorMembers() {
    return queryQuiet(membersOfType("Junior"));
}

RecordsetPtr libClub::RefreshLifeMembers() {
    return queryQuiet(membersOfType("Life"));
}

RecordsetPtr libClub::RefreshSportsMembers() {
    return queryQuiet(
        QStringLiteral("SELECT MemberID FROM tblMembers WHERE Membership = 'Golf' OR ")
        + QStringLiteral("Membership = 'Tennis';"));
}

RecordsetPtr libClub::RefreshPoolMembers() {
    return queryQuiet(membersOfType("Pool"));
}

RecordsetPtr libClub::RefreshSeniorMembers() {
    return queryQuiet(membersOfType("Senior"));
}
