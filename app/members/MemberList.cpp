#include "MemberList.h"
#include "MemberForm.h"

#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>
#include <algorithm>

namespace members {

MemberListModel::MemberListModel(std::span<const ListColumn> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(columns) {}

int MemberListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_order.size());
}

int MemberListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

const QString &MemberListModel::cell(int storedRow, int column) const {
    return m_cells[qsizetype(storedRow) * qsizetype(m_columns.size()) + column];
}

QVariant MemberListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_order.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell(m_order[index.row()], index.column());
    case Qt::TextAlignmentRole:
        return int((m_columns[index.column()].right ? Qt::AlignRight : Qt::AlignLeft)
                   | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(m_columns[section].header);
    if (role == Qt::TextAlignmentRole)
        return int((m_columns[section].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

void MemberListModel::clear() {
    beginResetModel();
    m_cells.clear();
    m_order.clear();
    endResetModel();
}

void MemberListModel::load(const Recordset &rs) {
    const int columns = int(m_columns.size());
    std::vector<int> source(columns);
    for (int c = 0; c < columns; ++c)
        source[c] = rs.columnIndex(QString::fromLatin1(m_columns[c].column));
    const int count = rs.recordCount();
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);

    beginResetModel();
    m_cells.clear();
    m_cells.reserve(qsizetype(count) * columns);
    m_order.resize(count);
    for (int r = 0; r < count; ++r) {
        m_order[r] = r;
        for (int c = 0; c < columns; ++c) {
            if (source[c] < 0) {
                m_cells.append(QString());
                continue;
            }
            const QVariant &v = rs.value(r, source[c]);
            if (v.isNull()) {
                m_cells.append(QString());
            } else if (m_columns[c].dues) {
                bool ok = false;
                const double amount = v.toDouble(&ok);
                m_cells.append(ok ? locale.toString(amount, 'f', 2) : v.toString());
            } else {
                m_cells.append(v.toString());
            }
        }
    }
    endResetModel();
}

void MemberListModel::sortByText(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(m_columns.size()))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    const QVector<int> previous = m_order;
    auto key = [&](int stored) -> const QString & {
        return cell(stored, column);
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            return QString::compare(key(a), key(b), Qt::CaseInsensitive) < 0;
        });
    else
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            return QString::compare(key(a), key(b), Qt::CaseInsensitive) > 0;
        });
    // The selected row stays selected wherever it moved to.
    QVector<int> shownAt(m_order.size());
    for (int i = 0; i < m_order.size(); ++i)
        shownAt[m_order[i]] = i;
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after << index(shownAt[previous[i.row()]], i.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList MemberListModel::rowTexts(int row) const {
    QStringList texts;
    if (row < 0 || row >= m_order.size())
        return texts;
    for (int c = 0; c < int(m_columns.size()); ++c)
        texts << cell(m_order[row], c);
    return texts;
}

MemberList::MemberList(std::span<const ListColumn> columns, QWidget *parent)
    : QTreeView(parent)
    , m_model(new MemberListModel(columns, this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    setMinimumHeight(fontMetrics().height() * 10);
    const int unit = fontMetrics().averageCharWidth() * 4;
    for (int c = 0; c < int(columns.size()); ++c)
        header()->resizeSection(c, int(columns[c].width * unit));
    connect(header(), &QHeaderView::sectionClicked, this, &MemberList::headerClicked);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        if (i.isValid())
            Q_EMIT rowChosen();
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                if (!selected.isEmpty())
                    Q_EMIT rowChosen();
            });
}

void MemberList::clearRows() {
    m_model->clear();
}

void MemberList::fill(const Recordset &rs) {
    m_model->load(rs);
}

void MemberList::columnClick(int column) {
    m_direction = m_direction == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sortByText(column, m_direction);
}

QSize MemberList::sizeHint() const {
    const int columns =
        header()->length() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    return {std::min(columns, 1000), QTreeView::sizeHint().height()};
}

QStringList MemberList::selectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return {};
    return m_model->rowTexts(selected.first().row());
}

} // namespace members
