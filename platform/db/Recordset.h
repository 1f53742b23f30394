#pragma once

#include "qmrplatform.h"

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

// The complete rows of one query with named columns. It holds its own copy, so it stays
// readable after the connection that produced it is closed.
class QMR_PLATFORM_EXPORT Recordset {
public:
    Recordset() = default;
    Recordset(QStringList columns, QVector<QVector<QVariant>> rows);

    bool isOpen() const { return m_open; }
    void close();

    bool bof() const;
    bool eof() const;
    // No rows: at its beginning and at its end at once.
    bool isEmpty() const { return bof() && eof(); }
    void moveFirst();
    void moveNext();
    void moveLast();

    int recordCount() const;
    const QStringList &columns() const { return m_columns; }
    int columnIndex(const QString &name) const; // -1 when absent; ignores letter case

    // The current row's value of a column; a database null reads as an invalid QVariant.
    QVariant field(const QString &name) const;
    // Direct access for list models that show every row.
    const QVariant &value(int row, int column) const;
    // Puts the rows in the order of their positions given (each once), then stands on the first.
    void reorder(const QVector<int> &order);

private:
    void requireOpen() const;

    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
    bool m_open = true;
};

using RecordsetPtr = std::shared_ptr<Recordset>;
