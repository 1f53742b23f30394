#pragma once

#include "MemberSearch.h"
#include "db/Recordset.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QTreeView>
#include <array>
#include <span>

namespace members {

// One column of a member list: header, column of tblMembers, relative width, alignment.
struct ListColumn {
    const char *header;
    const char *column;
    double width; // relative; 1 unit is a fifth of the widest column
    bool right;
    bool dues; // shown as an amount: grouped thousands, two decimals
    // The longest value the column must show whole (an amount as stored); null: the heading.
    const char *widest = nullptr;
};

// Values that are misread when cut short, so their columns must hold them whole.
inline constexpr char WidestID[] = "M-99999";
inline constexpr char WidestPhone[] = "(999) 999-9999";
inline constexpr char WidestDues[] = "99999.99";

inline constexpr std::array<ListColumn, 17> EditListColumns{{
    {"ID #", "MemberID", 1.6, false, false, WidestID},
    {"Last Name", "LName", 4, false, false},
    {"First Name", "FName", 3, false, false},
    {"Mid Name", "MName", 2, false, false},
    {"Address", "Address1", 5, false, false},
    {"Address", "Address2", 3, false, false},
    {"City", "City", 3, false, false},
    {"State/Prov", "State", 3, false, false},
    {"Zip Code", "Zip", 3, false, false},
    {"Home Phone", "Phone1", 3, false, false, WidestPhone},
    {"Work Phone", "Phone2", 3, false, false, WidestPhone},
    {"Cell Phone", "Phone3", 3, false, false, WidestPhone},
    {"Dues Amt", "Dues", 2, true, true, WidestDues},
    {"Paid", "DuesPaid", 2.4, false, false},
    {"Membership", "Membership", 3, false, false},
    {"Email", "Email", 4, false, false},
    {"Notes", "Notes", 5, false, false},
}};

inline constexpr std::array<ListColumn, 8> DeleteListColumns{{
    {"ID", "MemberID", 2, false, false, WidestID},
    {"Last Name", "LName", 4, false, false},
    {"First Name", "FName", 4, false, false},
    {"Mid Name", "MName", 3, false, false},
    {"Address", "Address1", 5, false, false},
    {"City", "City", 5, false, false},
    {"Membership", "Membership", 3, false, false},
    {"Home Phone", "Phone1", 4, false, false, WidestPhone},
}};

// The rows of a member listing as the list shows them: every cell's text and every member's
// search words are made once when the list is filled, so showing, sorting and finding among
// 100,000 members stays quick.
class MemberListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    MemberListModel(std::span<const ListColumn> columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Empties the list; what it is asked to find stays for the next load.
    void clear();
    // Every row of the result set, in the order returned, as far as the query finds it.
    void load(const Recordset &rs);
    // Orders the rows by the text of one column; rows keep their order among equals.
    void sortByText(int column, Qt::SortOrder order);
    // Shows only the members the query finds, in the list's order; an empty query shows all.
    void setQuery(const MemberQuery &query);
    // The find index holds every member loaded (it is made in slices after a fill).
    bool searchReady() const { return m_index.complete(); }
    // Every member loaded, shown or not.
    int totalCount() const { return int(m_sorted.size()); }
    // The texts of a shown row, element 0 the MemberID.
    QStringList rowTexts(int row) const;
    // The shown row of a member, or -1.
    int rowOf(const QString &memberId) const;

private:
    const QString &cell(int storedRow, int column) const;
    // The rows of `from` (in order) that the query finds; finishes the index first.
    QVector<int> found(const QVector<int> &from);
    // One slice of the index, then the next one after the events waiting meanwhile.
    void indexSome();
    // Shows these loaded rows in this order, keeping the selection on rows still shown.
    void show(QVector<int> order);

    std::span<const ListColumn> m_columns;
    QVector<QString> m_cells; // row after row, in the order loaded
    MemberSearchIndex m_index;
    QTimer *m_indexing;
    MemberQuery m_query;
    QVector<int> m_sorted; // every loaded row in the list's order
    QVector<int> m_order;  // shown row -> loaded row
};

// The member list of the edit and delete forms.
class MemberList : public QTreeView {
    Q_OBJECT

public:
    MemberList(std::span<const ListColumn> columns, QWidget *parent = nullptr);

    MemberListModel *rows() const { return m_model; }
    void clearRows();
    // Fills the list with the result set's rows. Once a header has sorted the list, a refill
    // keeps that order and direction; what the list is asked to find it keeps always.
    void fill(const Recordset &rs);
    // A header click: flips the one direction the list keeps for all its columns, then sorts.
    void columnClick(int column);
    // Shows only the members the typed text finds.
    void find(const QString &typed);

    // Where the user is in the list, kept across a refill.
    struct Place {
        int topRow = 0;
        int row = -1; // the selected or current row
    };
    Place place() const;
    // Brings the refilled list back to a place: the same rows in view, and the member with
    // this identifier selected quietly (nothing else is told of it), or else the row that
    // took the old one's place made current.
    void restorePlace(const Place &place, const QString &selectId = QString());
    // Selects a member's row and brings it into view, as if it were clicked.
    bool pick(const QString &memberId);
    // The direction the last header click sorted in (ascending before any click).
    Qt::SortOrder sortDirection() const { return m_direction; }
    // The selected row's texts; empty when no row is selected.
    QStringList selectedRow() const;
    // Wide enough for every column, within reason.
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;

Q_SIGNALS:
    // The user picked a row, with the mouse or the keyboard.
    void rowChosen();
    // The number of rows shown changed (a fill, a find).
    void countChanged();
    // A click on a column header; the form decides what it does.
    void headerClicked(int column);

private:
    void sizeColumns();

    std::span<const ListColumn> m_columns;
    MemberListModel *m_model;
    Qt::SortOrder m_direction = Qt::AscendingOrder;
    int m_sortColumn = -1; // none until a header is clicked
    // Set while the program itself moves rows or the selection, which is no user's choice.
    bool m_quiet = false;
};

} // namespace members
