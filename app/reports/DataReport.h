#pragma once

#include "Rosters.h"
#include "db/Connection.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <memory>

class rptRoster;

// What the program holds of one roster: what it is, the result set its command last opened,
// and its preview window while one is open.
struct RosterRecord {
    const RosterInfo *info;
    RecordsetPtr rows;
    QPointer<rptRoster> window;
};

// The rosters' own way to the roll: one connection and the eight commands, each roster's
// record holding the result set its last execution opened.
class DataReportEnvironment : public QObject {
    Q_OBJECT

public:
    // Relative to the working folder, which the start-up makes the application folder.
    static constexpr char ConnectionString[] =
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=CLub\\club.qmr;Persist Security Info=False;";

    DataReportEnvironment();
    ~DataReportEnvironment() override;

    Connection conReport;

    // Executes the roster's command (opening the connection on first use) and keeps its
    // result set open. Throws when the roll cannot be read.
    void execute(Roster r);
    RosterRecord &roster(Roster r) { return m_rosters[size_t(r)]; }
    RecordsetPtr rs(Roster r) const { return m_rosters[size_t(r)].rows; }
    bool isOpen(Roster r) const;
    void close(Roster r);

    void cmdAllMembers() { execute(Roster::All); }
    void cmdFullMembers() { execute(Roster::Regular); }
    void cmdFamilyMembers() { execute(Roster::Family); }
    void cmdLifeMembers() { execute(Roster::Life); }
    void cmdSeniorMembers() { execute(Roster::Senior); }
    void cmdSportsMembers() { execute(Roster::Sports); }
    void cmdPoolMembers() { execute(Roster::Pool); }
    void cmdJuniorMembers() { execute(Roster::Junior); }
    RecordsetPtr rscmdAllMembers() const { return rs(Roster::All); }
    RecordsetPtr rscmdFullMembers() const { return rs(Roster::Regular); }
    RecordsetPtr rscmdFamilyMembers() const { return rs(Roster::Family); }
    RecordsetPtr rscmdLifeMembers() const { return rs(Roster::Life); }
    RecordsetPtr rscmdSeniorMembers() const { return rs(Roster::Senior); }
    RecordsetPtr rscmdSportsMembers() const { return rs(Roster::Sports); }
    RecordsetPtr rscmdPoolMembers() const { return rs(Roster::Pool); }
    RecordsetPtr rscmdJuniorMembers() const { return rs(Roster::Junior); }

private:
    std::array<RosterRecord, Rosters.size()> m_rosters;
};

// The report data environment, released by EndProgram.
extern std::unique_ptr<DataReportEnvironment> DataReport;
// The program's data environment, kept in DataReport; created on first use.
DataReportEnvironment &dataReport();
