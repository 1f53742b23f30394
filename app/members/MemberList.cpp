#include "MemberList.h"
#include "MemberForm.h"
#include "ui/TextOrder.h"

#include <QHeaderView>
#include <QLocale>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <cmath>
#include <limits>

namespace members {

MemberListModel::MemberListModel(std::span<const ListColumn> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(columns)
    , m_indexing(new QTimer(this)) {
    m_indexing->setSingleShot(true);
    m_indexing->setInterval(0);
    connect(m_indexing, &QTimer::timeout, this, &MemberListModel::indexSome);
}

void MemberListModel::indexSome() {
    // About ten milliseconds of work, so the window stays quick to answer meanwhile.
    constexpr int SliceRows = 4000;
    if (!m_index.extend(SliceRows))
        m_indexing->start();
}

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
    m_indexing->stop();
    m_index.clear();
    m_sorted.clear();
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
    m_sorted.resize(count);
    for (int r = 0; r < count; ++r) {
        m_sorted[r] = r;
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
    m_indexing->stop();
    m_index.start(std::make_shared<const Recordset>(rs));
    m_order = found(m_sorted);
    endResetModel();
    if (!m_index.complete())
        m_indexing->start();
}

void MemberListModel::sortByText(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(m_columns.size()))
        return;
    // As a person reads the names, in the user's language; still text, so M-10 precedes M-2.
    sortForReading(
        m_sorted, [&](int stored) { return cell(stored, column); }, order == Qt::DescendingOrder);
    show(found(m_sorted));
}

void MemberListModel::setQuery(const MemberQuery &query) {
    // Typing on narrows what is shown, so only the shown rows need another look.
    const QVector<int> &from = query.narrows(m_query) ? m_order : m_sorted;
    m_query = query;
    show(found(from));
}

QVector<int> MemberListModel::found(const QVector<int> &from) {
    if (m_query.isEmpty())
        return from;
    if (!m_index.complete()) {
        m_indexing->stop();
        m_index.extend(std::numeric_limits<int>::max());
    }
    QVector<int> rows;
    for (int stored : from)
        if (m_index.matches(stored, m_query))
            rows.append(stored);
    return rows;
}

void MemberListModel::show(QVector<int> order) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    const QVector<int> previous = m_order;
    m_order = std::move(order);
    // The selected row stays selected wherever it moved to, while it is shown at all.
    QVector<int> shownAt(m_sorted.size(), -1);
    for (int i = 0; i < m_order.size(); ++i)
        shownAt[m_order[i]] = i;
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before) {
        const int row = i.row() < previous.size() ? shownAt[previous[i.row()]] : -1;
        after << (row < 0 ? QModelIndex() : index(row, i.column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int MemberListModel::rowOf(const QString &memberId) const {
    for (int row = 0; row < m_order.size(); ++row)
        if (cell(m_order[row], 0) == memberId)
            return row;
    return -1;
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
    , m_columns(columns)
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
    // The columns are wider than the window: the list scrolls sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    sizeColumns();
    connect(header(), &QHeaderView::sectionClicked, this, &MemberList::headerClicked);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        if (i.isValid() && !m_quiet)
            Q_EMIT rowChosen();
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                if (!selected.isEmpty() && !m_quiet)
                    Q_EMIT rowChosen();
            });
}

void MemberList::clearRows() {
    m_model->clear();
    Q_EMIT countChanged();
}

void MemberList::fill(const Recordset &rs) {
    const QScopedValueRollback quiet(m_quiet, true);
    m_model->load(rs);
    if (m_sortColumn >= 0)
        m_model->sortByText(m_sortColumn, m_direction);
    Q_EMIT countChanged();
}

void MemberList::columnClick(int column) {
    m_direction = m_direction == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;
    const QScopedValueRollback quiet(m_quiet, true);
    m_model->sortByText(column, m_direction);
}

void MemberList::find(const QString &typed) {
    {
        const QScopedValueRollback quiet(m_quiet, true);
        m_model->setQuery(MemberQuery(typed));
    }
    Q_EMIT countChanged();
}

MemberList::Place MemberList::place() const {
    Place p;
    p.topRow = std::max(0, indexAt(QPoint(1, 1)).row());
    const QModelIndexList selected = selectionModel()->selectedRows();
    p.row = selected.isEmpty() ? currentIndex().row() : selected.first().row();
    return p;
}

void MemberList::restorePlace(const Place &place, const QString &selectId) {
    const int count = m_model->rowCount();
    if (count == 0)
        return;
    const QScopedValueRollback quiet(m_quiet, true);
    scrollTo(m_model->index(std::min(place.topRow, count - 1), 0), PositionAtTop);
    const int selected = selectId.isEmpty() ? -1 : m_model->rowOf(selectId);
    const int row = selected >= 0 ? selected : std::min(place.row, count - 1);
    if (row < 0)
        return;
    const QModelIndex at = m_model->index(row, 0);
    if (selected >= 0)
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect
                                                  | QItemSelectionModel::Rows);
    else
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    scrollTo(at);
}

bool MemberList::pick(const QString &memberId) {
    const int row = m_model->rowOf(memberId);
    if (row < 0)
        return false;
    const QModelIndex at = m_model->index(row, 0);
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect
                                              | QItemSelectionModel::Rows);
    scrollTo(at, PositionAtCenter);
    return true;
}

void MemberList::sizeColumns() {
    // A few rows at least; fewer than it asks for on a small screen, so that the edit form
    // and its buttons fit a laptop's screen at 125%.
    setMinimumHeight(fontMetrics().height() * 6);
    // The unit is the smallest that lets every heading and every widest value fit its column,
    // so the relative widths hold in any font and size.
    QStyleOptionHeader heading;
    heading.initFrom(header());
    heading.fontMetrics = header()->fontMetrics();
    QStyleOptionViewItem item;
    initViewItemOption(&item);
    item.features |= QStyleOptionViewItem::HasDisplay;
    double unit = 1;
    for (const ListColumn &c : m_columns) {
        heading.text = QString::fromLatin1(c.header);
        int need = header()
                       ->style()
                       ->sizeFromContents(QStyle::CT_HeaderSection, &heading, {}, header())
                       .width();
        if (c.widest) {
            const QString value = QString::fromLatin1(c.widest);
            item.text = c.dues ? formatDues(value.toDouble()) : value;
            need = std::max(
                need, style()->sizeFromContents(QStyle::CT_ItemViewItem, &item, {}, this).width());
        }
        unit = std::max(unit, need / c.width);
    }
    for (int c = 0; c < int(m_columns.size()); ++c)
        header()->resizeSection(c, int(std::ceil(m_columns[c].width * unit)));
}

void MemberList::changeEvent(QEvent *event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        sizeColumns();
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
