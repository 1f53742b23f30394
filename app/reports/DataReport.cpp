#include "DataReport.h"
#include "Rosters.h"
#include "shell/modGlobal.h"

DataReportEnvironment::DataReportEnvironment() {
    setObjectName(QStringLiteral("DataReport"));
    conReport.setConnectionString(QLatin1String(ConnectionString));
}

DataReportEnvironment::~DataReportEnvironment() = default;

void DataReportEnvironment::execute(Roster r) {
    if (!conReport.isOpen())
        conReport.open();
    try {
        m_rs[size_t(r)] = conReport.execute(QLatin1String(rosterInfo(r).sql));
    } catch (...) {
        // The next request opens afresh rather than reusing a connection that failed.
        skipOnFailure([this] { conReport.close(); });
        throw;
    }
}

bool DataReportEnvironment::isOpen(Roster r) const {
    const RecordsetPtr &set = m_rs[size_t(r)];
    return set && set->isOpen();
}

void DataReportEnvironment::close(Roster r) {
    RecordsetPtr &set = m_rs[size_t(r)];
    if (set && set->isOpen())
        set->close();
    set.reset();
}

DataReportEnvironment &dataReport() {
    auto *env = qobject_cast<DataReportEnvironment *>(DataReport.get());
    if (!env) {
        DataReport = std::make_unique<DataReportEnvironment>();
        env = static_cast<DataReportEnvironment *>(DataReport.get());
    }
    return *env;
}
