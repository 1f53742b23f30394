#include "Recordset.h"
#include "core/Failure.h"

namespace {
constexpr int ErrClosed = 3704;
constexpr int ErrNoItem = 3265;
} // namespace

Recordset::Recordset(QStringList columns, QVector<QVector<QVariant>> rows)
    : m_columns(std::move(columns))
    , m_rows(std::move(rows)) {}

void Recordset::requireOpen() const {
    if (!m_open)
        throw Failure(ErrClosed,
                      QStringLiteral("Operation is not allowed when the object is closed."));
}

void Recordset::reorder(const QVector<int> &order) {
    requireOpen();
    Q_ASSERT(order.size() == m_rows.size());
    QVector<QVector<QVariant>> rows;
    rows.reserve(m_rows.size());
    for (int i : order)
        rows.append(std::move(m_rows[i]));
    m_rows = std::move(rows);
    m_pos = 0;
}

void Recordset::close() {
    requireOpen();
    m_open = false;
}

bool Recordset::bof() const {
    requireOpen();
    return m_rows.isEmpty() || m_pos < 0;
}

bool Recordset::eof() const {
    requireOpen();
    return m_pos >= m_rows.size();
}

void Recordset::moveFirst() {
    requireOpen();
    m_pos = 0;
}

void Recordset::moveNext() {
    requireOpen();
    if (eof())
        throw Failure(ErrNo::NoCurrentRow,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    ++m_pos;
}

void Recordset::moveLast() {
    requireOpen();
    m_pos = m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1;
}

int Recordset::recordCount() const {
    requireOpen();
    return int(m_rows.size());
}

int Recordset::columnIndex(const QString &name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::field(const QString &name) const {
    requireOpen();
    const int c = columnIndex(name);
    if (c < 0)
        throw Failure(ErrNoItem, QStringLiteral("Item cannot be found in the collection "
                                                "corresponding to the requested name or ordinal."));
    if (bof() || eof())
        throw Failure(ErrNo::NoCurrentRow,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                     "deleted. Requested operation requires a current record."));
    return m_rows[m_pos][c];
}

const QVariant &Recordset::value(int row, int column) const {
    return m_rows[row][column];
}
