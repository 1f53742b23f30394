#pragma once

// The roll as the dues windows see it: every member with where they stand, filtered, counted,
// and the money received in a period, totalled.
#include "DuesPeriods.h"
#include "db/Recordset.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>
#include <QMap>
#include <array>
#include <vector>

namespace dues {

// The columns of the renewal list, roster, export and window, left to right.
enum class DuesColumn { MemberID, Name, Membership, Amount, PaidThrough, Standing, Phone, Email };
inline constexpr int DuesColumnCount = 8;
// "ID", "Name", "Membership", "Amount", "Paid Through", "Standing", "Phone", "E-mail".
QString columnHeading(DuesColumn column);

// An amount of dues as the rosters print it, in the user's locale, and the report engine's
// display format for it.
QString amountText(double amount);
QString amountFormat();
// A date as the dues windows show it: the user's short date, with a four-digit year.
QString dateText(const QDate &date);
// dateText's format, for the date boxes.
QString dateFormat();

// The methods as the windows list them, in the order of PaymentMethods, which are stored.
inline constexpr std::array<const char *, 5> MethodCaptions{"Cash", "Cheque", "Transfer", "Card",
                                                            "Other"};
// A stored method as the windows show it: "Cheque", "Opening balance", "(none)".
QString methodCaption(const QString &stored);

// Every member of DuesStanding's rows, judged on one day with one reminder window.
class DuesList {
public:
    // Takes the library's DuesStanding rows (shared, not copied).
    void setRows(RecordsetPtr rows);
    RecordsetPtr rows() const { return m_rows; }
    // Judges every member again; cheap, so a change of the window re-judges at once.
    void judge(const QDate &today, int dueDays);
    QDate today() const { return m_today; }
    int dueDays() const { return m_dueDays; }

    int size() const;
    Standing standingOf(int row) const;
    QDate paidThrough(int row) const; // invalid when never paid
    // Members per standing, over the whole roll (they add up to size()).
    std::array<int, StandingCount> counts() const;

    // The rows (indexes into rows()) of the standings asked for and, unless empty, of one
    // membership type, in the roll's order.
    std::vector<int> select(const QList<Standing> &standings, const QString &membership) const;
    // The same rows as a result set of their own with the renewal list's columns and the
    // member's address: MemberID, Name ("Last, First Middle"), LName, FName, MName, Membership,
    // Dues, DuesPaid, PaidThrough (a date, NULL when never paid), Standing (its name, with how
    // long for a lapsed member: "Lapsed 3 months"), Phone1, Email, Address1, Address2, City,
    // State, Zip. The reports, exports and e-mail list read this.
    RecordsetPtr selection(const std::vector<int> &rows) const;
    // A cell as the list shows it: the name "Last, First Middle", amounts and dates in the
    // user's locale, a lapsed member's standing with how long.
    QString text(int row, DuesColumn column) const;

private:
    const QVariant &source(int row, int column) const;

    RecordsetPtr m_rows;
    std::vector<int> m_sourceColumns; // DuesStanding's columns the list reads
    // Each member's membership as an index into the types met, so a filter compares numbers.
    std::vector<int> m_membership;
    QStringList m_membershipTypes;
    std::vector<QDate> m_paidThrough;
    std::vector<Standing> m_standing;
    QDate m_today;
    int m_dueDays = DefaultDueDays;
};

// The list in a view: a model over the selected rows of a DuesList.
class DuesListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DuesListModel(QObject *parent = nullptr);
    // Shows `rows` of `list` (which must outlive the model or the next call).
    void show(const DuesList *list, std::vector<int> rows);
    const std::vector<int> &shown() const { return m_shown; }
    // The DuesList row of a view's row.
    int listRow(int viewRow) const { return m_shown.at(size_t(viewRow)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    const DuesList *m_list = nullptr;
    std::vector<int> m_shown;
};

// The money received in a period, from PaymentsReceived's rows.
struct DuesTotals {
    int payments = 0;                   // opening balances not counted
    double collected = 0;               // the sum of their amounts
    QMap<QString, double> byMethod;     // PaymentMethods that occur
    QMap<QString, double> byMembership; // the Membership stored with each payment
    int openingBalances = 0;            // kept apart: no money
};
DuesTotals totalsOf(const Recordset &payments);

} // namespace dues
