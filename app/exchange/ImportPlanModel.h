#pragma once

// The import's plan as a table a person reads and changes: one line per row of the file, its
// action chosen from what the row allows. A model of its own so that a file of 100,000 rows
// shows at once.
#include "ImportPlan.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

namespace exchange {

// What the last column says of a row: why it is refused, what it matched and which fields an
// update changes, and what was proposed when the secretary chose otherwise.
QString whatHappens(const PlannedRow &row);
// "12 to add, 3 to update, 280 to skip, 2 refused".
QString actionCounts(const ImportPlan &plan);

class ImportPlanModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { RowColumn, ActionColumn, MemberColumn, NameColumn, WhatColumn, ColumnCount };
    // The action column: the action (int of Action) and the actions the row may take.
    static constexpr int ActionRole = Qt::UserRole;
    static constexpr int ChoicesRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;
    // The plan shown; null shows nothing. The model does not own it.
    void setPlan(ImportPlan *plan);
    ImportPlan *plan() const { return m_plan; }
    // The plan's actions were changed for many rows at once (setAll, reset).
    void actionsChanged();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

Q_SIGNALS:
    void countsChanged();

private:
    ImportPlan *m_plan = nullptr;
};

// Which rows the table shows. The choice is applied when made, not as actions change, so a row
// whose action is changed stays in sight until the next choice.
class ImportPlanFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    enum class Show { All, Refused, Changes };
    explicit ImportPlanFilter(QObject *parent = nullptr);
    void setShow(Show show);
    Show show() const { return m_show; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    Show m_show = Show::All;
};

// Edits the action column with a list of the row's choices; one pick commits it.
class ActionDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};

} // namespace exchange
