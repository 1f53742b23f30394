#pragma once

#include <QString>

// Starts the program. True when the main window is up and the event loop should run.
bool Main();
bool CheckDatabase();
void CheckClub();

// The application help file, the context help of every window.
QString appHelpFile();
// The command line that registers the component where the platform needs it.
inline constexpr char RegisterCommand[] = "regsvr32.exe /s club.dll";
