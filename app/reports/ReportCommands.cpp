#include "ReportCommands.h"
#include "DataReport.h"
#include "Rosters.h"
#include "common/modGlobal.h"
#include "rptRoster.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

namespace {
void setMainPointer(Pointer p) {
    if (QWidget *main = mainWindow())
        setWindowPointer(main, p);
}

void showRoster(RosterRecord &record) {
    auto *window = new rptRoster(*record.info, record.rows);
    record.window = window;
    showInMainWindow(window);
}
} // namespace

void RunRosterCommand(Roster roster) {
    try {
        const RosterInfo &info = rosterInfo(roster);
        setMainPointer(Pointer::Busy);
        bool none = true; // a count that cannot be had counts as none
        skipOnFailure([] { rsClub = std::make_shared<Recordset>(); });
        skipOnFailure([&] { rsClub = (club().*info.count)(); });
        skipOnFailure([&] {
            if (!rsClub)
                throwObjectNotSet();
            none = rsClub->isEmpty();
        });
        CloseRecordset();
        setMainPointer(Pointer::Default);
        if (none) {
            MsgBox(QLatin1String(info.noRecords), Mb::OKOnly | Mb::Exclamation);
            return;
        }
        // A roster always shows the roll as of this request: the old preview goes.
        skipOnFailure([&] {
            if (dataReport().isOpen(roster))
                dataReport().close(roster);
        });
        skipOnFailure([&] {
            if (QPointer<rptRoster> &old = dataReport().roster(roster).window) {
                UnloadForm(old);
                old = nullptr;
            }
        });
        if (!skipOnFailure([&] { dataReport().execute(roster); }))
            return; // nothing current to show
        skipOnFailure([&] { showRoster(dataReport().roster(roster)); });
        skipOnFailure([] { cascadeMainWindow(); });
    } catch (...) {
        setMainPointer(Pointer::Default);
    }
}
