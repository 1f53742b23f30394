#include "ReportCommands.h"

void RunRosterCommand(Roster) {}
