#pragma once

#include "club/libClub.h"
#include "club/libClub2.h"
#include "component/Component.h"
#include "system/ErrorLog.h"

#include <QJsonValue>
#include <QSet>
#include <functional>
#include <memory>

// Rules the member operations and the import share (Operations.cpp).
namespace MemberRules {
// AddDate and ModDate as stored: they sort as text and read back the same under any locale.
QString storedTime(const QDateTime &t);
// The value in slot i; a list shorter than the operation reads fails (9), like a bad value.
QString element(const QStringList &list, int i);
// Dues that are no number ("nan", "inf") fail before anything is stored.
void requireAmount(double amount);
// A change addresses one member: none fails with 3021, several with 3022.
void requireOneMember(qint64 rows, const QString &strID, const QString &nothingDone);
// The moment of a change as local time with its offset, as history rows and payments keep it.
QString changedAt();
// A stored value as the history's JSON holds it.
QJsonValue historyValue(const QVariant &v);
} // namespace MemberRules

class libClub : public QObject, public _libClub, public _libClub2 {
    Q_OBJECT
    Q_INTERFACES(_libClub _libClub2)

public:
    explicit libClub(const QString &libraryFolder);
    ~libClub() override;

    Connection *conDataBase() override { return m_conDataBase.get(); }
    QString strFunction() const override { return m_strFunction; }
    void setStrFunction(const QString &s) override { m_strFunction = s; }
    QString strConnect() const override { return m_strConnect; }
    void setStrConnect(const QString &s) override { m_strConnect = s; }

    bool AddClubDetails(const QStringList &strText) override;
    bool UpdateClubDetails(const QStringList &strText) override;
    bool AddMember(const QStringList &strText, double sngMoney) override;
    bool UpdateMember(const QStringList &strText, const QString &strID, double sngMoney) override;
    bool DeleteMember(const QString &strID) override;
    RecordsetPtr GetNewMemberID() override;
    RecordsetPtr GetNewClubID() override;
    RecordsetPtr LoadStates() override;
    RecordsetPtr LoadCanada() override;
    RecordsetPtr LoadMembers() override;
    RecordsetPtr LoadClub() override;
    RecordsetPtr LoadEditClub() override;
    RecordsetPtr RefreshMembers() override;
    RecordsetPtr RefreshRegularMembers() override;
    RecordsetPtr RefreshFamilyMembers() override;
    RecordsetPtr RefreshClub() override;
    RecordsetPtr RefreshJuniorMembers() override;
    RecordsetPtr RefreshLifeMembers() override;
    RecordsetPtr RefreshSportsMembers() override;
    RecordsetPtr RefreshPoolMembers() override;
    RecordsetPtr RefreshSeniorMembers() override;
    QString Clean(const QString &strText) override;

    QString FreeIdentifier(const QString &prefix, qint64 n) override;
    int RollVersion() override;
    RecordsetPtr MemberHistory(const QString &memberId) override;
    RecordsetPtr DeletedMembers() override;
    bool RestoreMember(qint64 historyId) override;
    bool EraseMember(const QString &memberId) override;
    bool RestoreRoll(const QString &backupPath) override;
    QStringList ImportMembers(const QString &source, const QList<ImportedMember> &members,
                              const ImportProgress &progress) override;
    RecordsetPtr LastImport() override;
    bool UndoLastImport() override;

    qint64 RecordPayment(const DuesPayment &payment) override;
    qsizetype MarkPaidThrough(const QStringList &memberIds, const QDate &paidThrough) override;
    bool DeletePayment(qint64 paymentId) override;
    RecordsetPtr DuesStanding() override;
    RecordsetPtr MemberPayments(const QString &memberId) override;
    RecordsetPtr PaymentsReceived(const QDate &from, const QDate &to) override;
    QString Setting(const QString &name) override;
    bool SaveSetting(const QString &name, const QString &value) override;

private:
    // How a change is recorded in the history, in the change's own transaction: an added row
    // with its columns, an updated one with the columns that changed, a deleted one whole.
    enum class Change { Added, Updated, Deleted };
    struct Tracked {
        Change change;
        QString operation;
        bool club = false;  // tblMain rather than tblMembers
        QString memberId{}; // the key of an update or a deletion of a member
    };
    // A member's payments follow the member, in the transaction of the deletion (hidden, keyed
    // by the deletion's history row, just written), the restoration of that deletion (back) or
    // the erasure (kept as money received, with nothing left that leads to the person).
    void hidePayments(const QString &memberId);
    void restorePayments(qint64 deletionId);
    void anonymisePayments(const QString &memberId);
    // Inserts a payment and writes its history row; returns its PaymentID.
    qint64 storePayment(const QVariantList &row, const QString &operation);
    // Whether the open roll holds the payments and settings tables.
    bool holdsDues();

    // The rows the change will touch, read before it (none for an addition).
    RecordsetPtr rowsBefore(const Tracked &tracked);
    // Called right after the change's statement, inside its transaction.
    void writeHistory(const Tracked &tracked, const RecordsetPtr &before);
    // at: the moment to record (MemberRules::changedAt()), when the change keeps it elsewhere too.
    void addHistoryRow(const QString &operation, const QVariant &memberId, const QString &changes,
                       const QString &at = {});
    // The history rows that the text after "SELECT <columns> FROM tblHistory" takes, on the
    // open connection; none on a roll not yet brought up to date.
    RecordsetPtr historyRows(const QString &rest, const QVariantList &params = {});

    Connection &con();
    void discardLeftOpen();
    // Opens the connection for a change. A roll of a newer version is refused; an older one
    // is brought up to date first; the first time per roll it also guards the roll against
    // two members sharing one identifier.
    void openForWriting();
    // Fails when the open roll is of a newer version than this one writes.
    void refuseIfNewer();
    // A backup of the roll, then each migration it lacks in a transaction of its own.
    void bringUpToDate();
    // The rolls of this process whose identifiers are guarded already.
    static QSet<QString> &guardedRolls();
    // The three ways an operation deals with a failure. checkRows, when given, judges how
    // many rows the statement changed, before the commit; a failure there rolls back.
    bool changeReported(const std::function<QString()> &statement, const LogWriter *log,
                        const QString &function, const std::function<void(qint64 rows)> &checkRows,
                        const Tracked &tracked);
    // The frame every operation's statement runs in: the connection opened (for a change by
    // openForWriting), a transaction begun, the work, the commit, the close. A quiet frame
    // skips a failed step and goes on with the next.
    enum class Steps { PassFailures, SkipFailures };
    void framed(const std::function<void()> &work, bool forWriting = false,
                Steps steps = Steps::PassFailures);
    // After a failure that is reported: whatever fails here reaches the caller unreported.
    void rollBackAndClose();
    RecordsetPtr queryReported(const QString &sql, const QString &function);
    RecordsetPtr queryQuiet(const QString &sql);
    RecordsetPtr queryPassedOn(const QString &sql);
    // Runs a passed-on operation. Its failure still reaches the caller, but only after the
    // transaction was rolled back and the connection closed: a connection left open would
    // keep the roll locked for every other reader and writer until the object is released.
    template<typename Work>
    auto passedOn(Work &&work) -> decltype(work()) {
        discardLeftOpen();
        try {
            return work();
        } catch (...) {
            discardLeftOpen();
            throw;
        }
    }
    void reportFailure(const Failure &f, const LogWriter *log, const QString &function);

    std::unique_ptr<Connection> m_conDataBase;
    QString m_libraryFolder; // backups/ lies below it
    QString m_strFunction;
    QString m_strConnect;
};

class ClubComponent : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "club.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject *create(const QString &className, const QString &libraryFolder) override;
};
