#include "ImportPlanModel.h"

#include <QBrush>
#include <QComboBox>
#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QTimer>

namespace exchange {

namespace {
QString actionText(Action action) {
    QString name = actionName(action);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}
} // namespace

QString whatHappens(const PlannedRow &row) {
    QString text = row.reason;
    if (text.isEmpty() && row.proposed == Action::Add)
        text = QStringLiteral("New member");
    if (row.action != row.proposed)
        text = QStringLiteral("(proposed: %1) ").arg(actionName(row.proposed)) + text;
    return text;
}

QString actionCounts(const ImportPlan &plan) {
    const QLocale l;
    return QStringLiteral("%1 to add, %2 to update, %3 to skip, %4 refused")
        .arg(l.toString(plan.count(Action::Add)), l.toString(plan.count(Action::Update)),
             l.toString(plan.count(Action::Skip)), l.toString(plan.count(Action::Refused)));
}

void ImportPlanModel::setPlan(ImportPlan *plan) {
    beginResetModel();
    m_plan = plan;
    endResetModel();
    Q_EMIT countsChanged();
}

void ImportPlanModel::actionsChanged() {
    if (!m_plan || m_plan->rows().isEmpty())
        return;
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    Q_EMIT countsChanged();
}

int ImportPlanModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() || !m_plan ? 0 : int(m_plan->rows().size());
}

int ImportPlanModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImportPlanModel::data(const QModelIndex &index, int role) const {
    if (!m_plan || !index.isValid() || index.row() >= rowCount())
        return {};
    const PlannedRow &row = m_plan->rows()[index.row()];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (column) {
        case RowColumn:
            return role == Qt::DisplayRole ? QLocale().toString(row.fileRow) : QVariant();
        case ActionColumn:
            if (role == Qt::DisplayRole)
                return actionText(row.action);
            return m_plan->choices(index.row()).size() > 1
                       ? QStringLiteral("Double-click to choose what happens to this row")
                       : QVariant();
        case MemberColumn:
            return row.memberId;
        case NameColumn: {
            // A name with a part missing reads without a dangling comma.
            QString name = row.name;
            if (name.endsWith(QLatin1String(", ")))
                name.chop(2);
            if (name.startsWith(QLatin1String(", ")))
                name.remove(0, 2);
            return name;
        }
        case WhatColumn:
            return whatHappens(row);
        }
        return {};
    case Qt::EditRole:
    case ActionRole:
        return column == ActionColumn ? QVariant(int(row.action)) : QVariant();
    case ChoicesRole: {
        QVariantList choices;
        for (Action a : m_plan->choices(index.row()))
            choices << int(a);
        return choices;
    }
    case Qt::TextAlignmentRole:
        return column == RowColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ForegroundRole:
        if (row.action == Action::Refused)
            return QBrush(Qt::darkRed);
        return {};
    case Qt::FontRole:
        if (column == ActionColumn && row.action != row.proposed) {
            // The secretary's own choice stands out from what was proposed.
            QFont f;
            f.setItalic(true);
            return f;
        }
        return {};
    default:
        return {};
    }
}

QVariant ImportPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case RowColumn:
        return QStringLiteral("Row");
    case ActionColumn:
        return QStringLiteral("Action");
    case MemberColumn:
        return QStringLiteral("Member ID");
    case NameColumn:
        return QStringLiteral("Name");
    case WhatColumn:
        return QStringLiteral("What happens");
    }
    return {};
}

Qt::ItemFlags ImportPlanModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_plan && index.isValid() && index.column() == ActionColumn
        && m_plan->choices(index.row()).size() > 1)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ImportPlanModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!m_plan || !index.isValid() || index.column() != ActionColumn
        || (role != Qt::EditRole && role != ActionRole))
        return false;
    const auto action = Action(value.toInt());
    if (action == m_plan->rows()[index.row()].action)
        return true;
    if (!m_plan->setAction(index.row(), action))
        return false;
    Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    Q_EMIT countsChanged();
    return true;
}

ImportPlanFilter::ImportPlanFilter(QObject *parent)
    : QSortFilterProxyModel(parent) {
    setDynamicSortFilter(false);
}

void ImportPlanFilter::setShow(Show show) {
    m_show = show;
    invalidateFilter();
}

bool ImportPlanFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const {
    if (m_show == Show::All)
        return true;
    const auto action = Action(sourceModel()
                                   ->index(sourceRow, ImportPlanModel::ActionColumn, sourceParent)
                                   .data(ImportPlanModel::ActionRole)
                                   .toInt());
    if (m_show == Show::Refused)
        return action == Action::Refused;
    return action == Action::Add || action == Action::Update;
}

QWidget *ActionDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &index) const {
    auto *list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("cboAction"));
    for (const QVariant &choice : index.data(ImportPlanModel::ChoicesRole).toList())
        list->addItem(actionText(Action(choice.toInt())), choice);
    connect(list, &QComboBox::activated, this, [this, list] {
        Q_EMIT const_cast<ActionDelegate *>(this)->commitData(list);
        Q_EMIT const_cast<ActionDelegate *>(this)->closeEditor(list);
    });
    // The list opens at once: one click on the action chooses another.
    QTimer::singleShot(0, list, &QComboBox::showPopup);
    return list;
}

void ActionDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    auto *list = static_cast<QComboBox *>(editor);
    list->setCurrentIndex(list->findData(index.data(ImportPlanModel::ActionRole)));
}

void ActionDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const {
    const auto *list = static_cast<QComboBox *>(editor);
    if (list->currentIndex() >= 0)
        model->setData(index, list->currentData(), ImportPlanModel::ActionRole);
}

} // namespace exchange
