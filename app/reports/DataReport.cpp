#include "DataReport.h"
#include "Rosters.h"
#include "club/Roll.h"
#include "common/modGlobal.h"
#include "ui/TextOrder.h"

#include <algorithm>
#include <numeric>

namespace {
// The database orders text by its code points, which files "de la Cruz" and "Ñúñez" after
// "Wright"; a roster is read by people, so its rows follow the user's language instead. The
// SQL keeps its ORDER BY, and rows whose keys read alike keep the order it gave them.
void putInReadingOrder(Recordset &rows, const QStringList &keys) {
    if (rows.recordCount() < 2)
        return;
    QVector<int> order(rows.recordCount());
    std::iota(order.begin(), order.end(), 0);
    // A stable sort by each key from the last to the first sorts by them all.
    for (qsizetype k = keys.size() - 1; k >= 0; --k) {
        const int column = rows.columnIndex(keys[k]);
        if (column >= 0)
            sortForReading(order, [&](int i) { return rows.value(i, column).toString(); });
    }
    if (!std::is_sorted(order.cbegin(), order.cend()))
        rows.reorder(order);
}
} // namespace

std::unique_ptr<DataReportEnvironment> DataReport;

namespace {
// Registered before any roster can open, so every way out of the program closes them.
[[maybe_unused]] const bool releasedAtEnd = (releaseAtEnd([] { DataReport.reset(); }), true);
} // namespace

DataReportEnvironment::DataReportEnvironment() {
    setObjectName(QStringLiteral("DataReport"));
    conReport.setConnectionString(QLatin1String(ConnectionString));
    // Opened apart from the library, yet held to the same roll.
    conReport.setProfile(rollProfile());
    for (std::size_t i = 0; i < Rosters.size(); ++i)
        m_rosters[i].info = &Rosters[i];
}

DataReportEnvironment::~DataReportEnvironment() = default;

void DataReportEnvironment::execute(Roster r) {
    if (!conReport.isOpen())
        conReport.open();
    try {
        RosterRecord &record = roster(r);
        RecordsetPtr rows = conReport.execute(QLatin1String(record.info->sql));
        if (rows)
            putInReadingOrder(*rows, rosterOrderKeys(*record.info));
        record.rows = std::move(rows);
    } catch (...) {
        // The next request opens afresh rather than reusing a connection that failed.
        skipOnFailure([this] { conReport.close(); });
        throw;
    }
}

bool DataReportEnvironment::isOpen(Roster r) const {
    const RecordsetPtr &set = m_rosters[size_t(r)].rows;
    return set && set->isOpen();
}

void DataReportEnvironment::close(Roster r) {
    RecordsetPtr &set = roster(r).rows;
    if (set && set->isOpen())
        set->close();
    set.reset();
}

DataReportEnvironment &dataReport() {
    if (!DataReport)
        DataReport = std::make_unique<DataReportEnvironment>();
    return *DataReport;
}
